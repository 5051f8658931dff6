#include "controls/SolidEditBrush.h"

#include <map>
#include <mutex>

#include "platform/ui/CBrush.h"
#include "platform/ui/CDC.h"

HBRUSH SolidEditBrush(CDC* dc, COLORREF color) {
  static std::mutex mutex;
  static auto* const brushes = new std::map<COLORREF, CBrush*>;  // never freed: see the header
  if (dc) dc->SetBkColor(color);
  std::lock_guard<std::mutex> lock(mutex);
  CBrush*& brush = (*brushes)[color];
  if (!brush) brush = new CBrush(color);
  return static_cast<HBRUSH>(brush->GetSafeHandle());
}
