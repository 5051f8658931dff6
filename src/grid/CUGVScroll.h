#pragma once
// The vertical scroll bar right of the cell area. For now a scroll bar that
// keeps no range and moves nothing; its range and moves come with the scroll
// bars' own work.
#include "platform/ui/CScrollBar.h"

class CUGCtrl;
class CUGGridInfo;

class CUGVScroll : public CScrollBar {
 public:
  CUGVScroll() = default;
  ~CUGVScroll() override;

  // Brings range and position up to date with the sheet.
  void Update();
  // A scroll code the control received (WM_VSCROLL).
  void VScroll(UINT code, UINT position);

  CUGCtrl* m_ctrl = nullptr;
  CUGGridInfo* m_GI = nullptr;
};
