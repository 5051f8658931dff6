#include "platform/ui/CPen.h"

#include <map>

BOOL CPen::CreatePen(int style, int width, COLORREF color) {
  LOGPEN lp;
  lp.lopnStyle = static_cast<UINT>(style);
  lp.lopnWidth = width;
  lp.lopnColor = color;
  return CreatePenIndirect(&lp);
}

BOOL CPen::CreatePenIndirect(const LOGPEN* logPen) {
  if (!logPen) return FALSE;
  int style = static_cast<int>(logPen->lopnStyle) & PS_STYLE_MASK;
  if (style > PS_INSIDEFRAME) return FALSE;
  auto data = std::make_shared<PenData>();
  data->log = *logPen;
  if (data->log.lopnWidth < 0) data->log.lopnWidth = 0;
  SetData(data);
  return TRUE;
}

BOOL CPen::GetLogPen(LOGPEN* logPen) const {
  auto data = std::dynamic_pointer_cast<PenData>(Data());
  if (!data || !logPen) return FALSE;
  *logPen = data->log;
  return TRUE;
}

CPen* CPen::FromHandle(HPEN handle) {
  thread_local std::map<HPEN, std::unique_ptr<CPen>> wrappers;
  auto data = LookupGdiObjectAs<PenData>(handle);
  if (!data) return nullptr;
  auto& slot = wrappers[handle];
  if (!slot) slot = std::make_unique<CPen>();
  slot->SetData(data);
  return slot.get();
}
