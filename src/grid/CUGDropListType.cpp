#include "grid/CUGDropListType.h"

CUGDropListType::CUGDropListType() {
  m_canOverflow = 0;
}

CUGDropListType::~CUGDropListType() = default;

const char* CUGDropListType::GetName() { return "DropList"; }
