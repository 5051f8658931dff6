#pragma once
// The horizontal scroll bar below the cell area. For now a scroll bar that
// keeps no range and moves nothing; its range and moves come with the scroll
// bars' own work.
#include "platform/ui/CScrollBar.h"

class CUGCtrl;
class CUGGridInfo;

class CUGHScroll : public CScrollBar {
 public:
  CUGHScroll() = default;
  ~CUGHScroll() override;

  // Brings range and position up to date with the sheet.
  void Update();
  // A scroll code the control received (WM_HSCROLL).
  void HScroll(UINT code, UINT position);

  CUGCtrl* m_ctrl = nullptr;
  CUGGridInfo* m_GI = nullptr;
};
