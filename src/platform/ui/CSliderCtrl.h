#pragma once
// A slider (track bar). Moving it sends WM_HSCROLL or WM_VSCROLL (TBS_VERT)
// to the parent with the slider's handle as lParam.
#include "platform/ui/CControlBase.h"

class CSliderCtrl : public CControlBase {
 public:
  QWidget* CreateWidget(QWidget* parent, const CREATESTRUCT& cs) override;
  void SetRange(int min, int max, BOOL redraw = FALSE);
  void GetRange(int& min, int& max) const;
  int GetRangeMin() const;
  int GetRangeMax() const;
  void SetPos(int pos);
  int GetPos() const;
  void SetPageSize(int size);
  void SetLineSize(int size);
  void SetTicFreq(int frequency);
};
