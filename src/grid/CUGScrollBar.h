#pragma once
// What the grid's two scroll bars share: the control and sheet they serve,
// the pop-up menu on the right button, the cell area taking the focus before a
// scroll code, and the thumb hint.
#include <string>

#include "platform/ui/CScrollBar.h"

class CUGCtrl;
class CUGGridInfo;

class CUGScrollBar : public CScrollBar {
 public:
  // section: the control's section number of this bar.
  explicit CUGScrollBar(int section) : m_section(section) {}
  ~CUGScrollBar() override;

  QWidget* CreateWidget(QWidget* parent, const CREATESTRUCT& cs) override;
  void OnRButtonDown(UINT flags, CPoint point) override;
  // Context help (WM_HELPHITTEST, WM_HELP) for the current cell with the bar's section.
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

  CUGCtrl* m_ctrl = nullptr;
  CUGGridInfo* m_GI = nullptr;

 protected:
  // The control's move code (0 back, 1 on, 2 page back, 3 page on, 4 first,
  // 5 last) of a line, page or end scroll code; -1 for the thumb and others.
  static int MoveCodeOf(UINT scrollCode);
  // Every scroll code starts here: the cell area gets the focus, and the
  // sheet's move type says the view moves by a scroll bar.
  void BeginScrollCode();
  // Shows the control's hint with `text` by the thumb: beside the vertical
  // bar's left edge at the cursor's height, or over the horizontal bar's top
  // edge at the cursor's x.
  void ShowThumbHint(const std::string& text, int placement, int minWidth);

 private:
  int m_section;
};
