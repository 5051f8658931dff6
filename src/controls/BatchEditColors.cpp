#include "controls/BatchEditColors.h"

#include "controls/SolidEditBrush.h"
#include "platform/ui/CWnd.h"
#include "platform/ui/ControlConstants.h"

HBRUSH BatchEditColorBrush(CDC* dc, CWnd* control, UINT ctlColor) {
  if (ctlColor != CTLCOLOR_EDIT) return nullptr;
  const bool focused = control && control->GetSafeHwnd() && control->GetSafeHwnd() == GetFocusHandle();
  return SolidEditBrush(dc, focused ? kBatchFocusedEditColor : kBatchOtherEditColor);
}
