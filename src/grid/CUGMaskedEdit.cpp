#include "grid/CUGMaskedEdit.h"

CUGMaskedEdit::~CUGMaskedEdit() = default;
