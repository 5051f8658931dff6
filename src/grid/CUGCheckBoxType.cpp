#include "grid/CUGCheckBoxType.h"

CUGCheckBoxType::CUGCheckBoxType() {
  m_canEdit = 0;
  m_canOverflow = 0;
}

CUGCheckBoxType::~CUGCheckBoxType() = default;

const char* CUGCheckBoxType::GetName() { return "CheckBox"; }
