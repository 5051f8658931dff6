#pragma once
// A combo box with its own background colour and a drop-down list as wide as
// its widest item.
#include "platform/ui/CBrush.h"
#include "platform/ui/CComboBox.h"

class CAutoSizeComboBox : public CComboBox {
 public:
  CAutoSizeComboBox();
  void SetBkColor(COLORREF color);
  COLORREF GetBkColor() const { return m_bkColor; }
  HBRUSH CtlColor(CDC* dc, UINT ctlColor) override;
  BOOL OnReflectedCommand(UINT code) override;
  // Sets the dropped width from the items (as opening the list does).
  void FitDroppedWidth();

 private:
  COLORREF m_bkColor;
  CBrush m_brush;
};
