#pragma once
// The vertical scroll bar right of the cell area: its range follows the
// sheet's largest top row (scaled to 0..1000 for very long sheets), and its
// codes scroll the view by rows.
#include "grid/CUGScrollBar.h"

class CUGVScroll : public CUGScrollBar {
 public:
  // From this many possible top rows on, the bar's positions are scaled.
  static constexpr long kMaxUnscaledRows = 1000;

  CUGVScroll();
  ~CUGVScroll() override;

  // Brings range and position up to date with the sheet (while it paints).
  void Update();
  // A scroll code the control received (WM_VSCROLL).
  void VScroll(UINT code, UINT position);

  double m_multiRange = 1.0;   // rows per bar position
  double m_multiPos = 1.0;     // bar positions per row
  long m_lastMaxTopRow = -2;   // at the last range update
  int m_lastScrollMode = -2;   // at the last range update
  long m_lastNumLockRows = -2; // at the last range update
  long m_trackRowPos = 0;      // the row the dragged thumb stands for
};
