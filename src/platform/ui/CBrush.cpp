#include "platform/ui/CBrush.h"

#include <map>

#include "platform/ui/CBitmap.h"
#include "platform/ui/SystemMetrics.h"

BOOL CBrush::CreateSolidBrush(COLORREF color) {
  LOGBRUSH lb;
  lb.lbStyle = BS_SOLID;
  lb.lbColor = color & 0x00FFFFFFu;
  return CreateBrushIndirect(&lb);
}

BOOL CBrush::CreateHatchBrush(int hatch, COLORREF color) {
  if (hatch < HS_HORIZONTAL || hatch > HS_DIAGCROSS) return FALSE;
  LOGBRUSH lb;
  lb.lbStyle = BS_HATCHED;
  lb.lbColor = color & 0x00FFFFFFu;
  lb.lbHatch = static_cast<std::uintptr_t>(hatch);
  return CreateBrushIndirect(&lb);
}

BOOL CBrush::CreatePatternBrush(const CBitmap* bitmap) {
  auto source = bitmap ? std::dynamic_pointer_cast<BitmapData>(bitmap->Data()) : nullptr;
  if (!source || source->image.isNull()) return FALSE;
  auto data = std::make_shared<BrushData>();
  data->log.lbStyle = BS_PATTERN;
  data->log.lbHatch = reinterpret_cast<std::uintptr_t>(source->handle);
  data->pattern = source->image.copy(0, 0, std::min(8, source->image.width()),
                                     std::min(8, source->image.height()));
  data->monochrome = source->monochrome;
  SetData(data);
  return TRUE;
}

BOOL CBrush::CreateSysColorBrush(int index) { return CreateSolidBrush(GetSysColor(index)); }

BOOL CBrush::CreateBrushIndirect(const LOGBRUSH* logBrush) {
  if (!logBrush) return FALSE;
  if (logBrush->lbStyle != BS_SOLID && logBrush->lbStyle != BS_NULL &&
      logBrush->lbStyle != BS_HATCHED) {
    return FALSE;  // patterns come through CreatePatternBrush
  }
  auto data = std::make_shared<BrushData>();
  data->log = *logBrush;
  SetData(data);
  return TRUE;
}

BOOL CBrush::GetLogBrush(LOGBRUSH* logBrush) const {
  auto data = std::dynamic_pointer_cast<BrushData>(Data());
  if (!data || !logBrush) return FALSE;
  *logBrush = data->log;
  return TRUE;
}

CBrush* CBrush::FromHandle(HBRUSH handle) {
  thread_local std::map<HBRUSH, std::unique_ptr<CBrush>> wrappers;
  auto data = LookupGdiObjectAs<BrushData>(handle);
  if (!data) return nullptr;
  auto& slot = wrappers[handle];
  if (!slot) slot = std::make_unique<CBrush>();
  slot->SetData(data);
  return slot.get();
}
