#include "controls/BatchEditColors.h"

#include "platform/ui/CBrush.h"
#include "platform/ui/CDC.h"
#include "platform/ui/CWnd.h"
#include "platform/ui/ControlConstants.h"

namespace {

CBrush& FocusedBrush() {
  static CBrush brush(kBatchFocusedEditColor);
  return brush;
}

CBrush& OtherBrush() {
  static CBrush brush(kBatchOtherEditColor);
  return brush;
}

}  // namespace

HBRUSH BatchEditColorBrush(CDC* dc, CWnd* control, UINT ctlColor) {
  if (ctlColor != CTLCOLOR_EDIT) return nullptr;
  const bool focused = control && control->GetSafeHwnd() && control->GetSafeHwnd() == GetFocusHandle();
  if (dc) dc->SetBkColor(focused ? kBatchFocusedEditColor : kBatchOtherEditColor);
  return static_cast<HBRUSH>((focused ? FocusedBrush() : OtherBrush()).GetSafeHandle());
}
