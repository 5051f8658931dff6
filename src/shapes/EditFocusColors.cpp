#include "shapes/EditFocusColors.h"

#include "controls/SolidEditBrush.h"
#include "platform/ui/CEdit.h"

HBRUSH EditFocusBrush(CDC* dc, CWnd* control, UINT ctlColor) {
  if (ctlColor != CTLCOLOR_EDIT || !dynamic_cast<CEdit*>(control)) return nullptr;
  return SolidEditBrush(dc, control == CWnd::GetFocus() ? kFocusedEditColor : kEditColor);
}
