#pragma once
// The thin bar shown in the cell area while a column or row border is dragged
// in outline mode or a column is being moved: a small child window laid over
// the cells, removed when the drag ends.
#include "platform/ui/CWnd.h"

class UGOutlineMarker : public CWnd {
 public:
  // Shows the bar over the rectangle (client coordinates of host).
  void ShowAt(CWnd* host, const RECT& rect);
  void Hide();
  bool Shown() const { return m_shown; }
  void OnPaint() override;
  BOOL OnEraseBkgnd(CDC* dc) override;

 private:
  bool m_shown = false;
};
