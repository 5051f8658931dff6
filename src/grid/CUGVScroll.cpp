#include "grid/CUGVScroll.h"

CUGVScroll::~CUGVScroll() = default;

void CUGVScroll::Update() {}

void CUGVScroll::VScroll(UINT, UINT) {}
