#include "grid/CUGHScroll.h"

CUGHScroll::~CUGHScroll() = default;

void CUGHScroll::Update() {}

void CUGHScroll::HScroll(UINT, UINT) {}
