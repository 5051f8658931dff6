#include "controls/EditFocusColors.h"

#include "controls/SolidEditBrush.h"
#include "platform/ui/CEdit.h"
#include "platform/ui/CWnd.h"
#include "platform/ui/ControlConstants.h"

HBRUSH EditFocusBrush(CDC* dc, CWnd* control, UINT ctlColor, COLORREF focused, COLORREF unfocused) {
  // A combo box asks with the edit kind too; it keeps its own colours.
  if (ctlColor != CTLCOLOR_EDIT || !dynamic_cast<CEdit*>(control)) return nullptr;
  const bool hasFocus = control->GetSafeHwnd() && control->GetSafeHwnd() == GetFocusHandle();
  return SolidEditBrush(dc, hasFocus ? focused : unfocused);
}
