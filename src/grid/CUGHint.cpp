#include "grid/CUGHint.h"

#include "grid/CUGCtrl.h"

CUGHint::~CUGHint() = default;

int CUGHint::Create(CUGCtrl* owner) {
  m_ctrl = owner;
  if (GetSafeHwnd()) return 1;
  return CreateEx(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, "HintWnd", "", WS_POPUP | WS_BORDER, CRect(0, 0, 0, 0), nullptr, 0)
             ? 1
             : 0;
}
