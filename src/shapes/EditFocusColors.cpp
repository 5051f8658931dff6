#include "shapes/EditFocusColors.h"

#include "platform/ui/CBrush.h"
#include "platform/ui/CDC.h"
#include "platform/ui/CEdit.h"

HBRUSH EditFocusBrush(CDC* dc, CWnd* control, UINT ctlColor) {
  // Created once; never freed (the platform's stock-like brushes of this program).
  static CBrush* const focusedBrush = new CBrush(kFocusedEditColor);
  static CBrush* const editBrush = new CBrush(kEditColor);
  if (ctlColor != CTLCOLOR_EDIT || !dynamic_cast<CEdit*>(control)) return nullptr;
  const bool focused = control == CWnd::GetFocus();
  if (dc) dc->SetBkColor(focused ? kFocusedEditColor : kEditColor);
  return static_cast<HBRUSH>((focused ? focusedBrush : editBrush)->GetSafeHandle());
}
