#include "grid/CUGArrowType.h"

CUGArrowType::CUGArrowType() {
  m_canEdit = 0;
}

CUGArrowType::~CUGArrowType() = default;

const char* CUGArrowType::GetName() { return "Side Arrows"; }
