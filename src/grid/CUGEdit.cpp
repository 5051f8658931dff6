#include "grid/CUGEdit.h"

CUGEdit::~CUGEdit() = default;
