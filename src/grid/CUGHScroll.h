#pragma once
// The horizontal scroll bar below the cell area: its range follows the
// sheet's largest left column, and its codes scroll the view by columns.
#include "grid/CUGScrollBar.h"

class CUGHScroll : public CUGScrollBar {
 public:
  CUGHScroll();
  ~CUGHScroll() override;

  // Brings range and position up to date with the sheet (while it paints).
  void Update();
  // A scroll code the control received (WM_HSCROLL).
  void HScroll(UINT code, UINT position);

  int m_lastMaxLeftCol = -1;   // at the last range update
  int m_lastNumLockCols = -1;  // at the last range update
  int m_trackColPos = 0;       // the column the dragged thumb stands for
};
