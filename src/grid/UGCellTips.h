#pragma once
// Tips of a grid window: the cell the mouse last rested on is the tool, and
// the control's OnHint gives its text.
#include <string>

#include "platform/ui/CWnd.h"

class CUGCtrl;

class UGCellTips {
 public:
  // 1 with the window as the tool when the cell is the one remembered; else
  // the cell is remembered, an open tip is hidden and -1 answered.
  INT_PTR HitTest(const CWnd* window, int col, long row, TOOLINFO* info);
  // The text OnHint gives for the remembered cell; FALSE shows nothing.
  BOOL Text(CUGCtrl* ctrl, int section, TOOLTIPTEXT* tip);

 private:
  int m_col = -1;
  long m_row = -1;
  std::string m_text;
};
