#include "common/TimeAndKeys.h"

#include "platform/base/Clock.h"
#include "platform/base/InputState.h"
#include "platform/base/Text.h"

COleDateTime GetNowOleDateTime() { return COleDateTime(Clock().LocalNow()); }

DATE GetNowDate() { return NowOleDate(); }

std::string GetNowTimeText() {
  const DateTimeFields now = Clock().LocalNow();
  return ruv::Format("%02d:%02d:%02d", now.hour, now.minute, now.second);
}

bool IsCtrlKeyDown() { return IsVirtualKeyDown(VK_CONTROL); }
bool IsShiftKeyDown() { return IsVirtualKeyDown(VK_SHIFT); }
bool IsRightButtonDown() { return IsVirtualKeyDown(VK_RBUTTON); }

bool IsOverrideComboDown() { return (IsCtrlKeyDown() && IsShiftKeyDown()) || IsRightButtonDown(); }
