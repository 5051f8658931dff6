#include <QRegion>
#include <QWidget>

#include "platform/ui/CWnd.h"
#include "platform/ui/GdiObject.h"

int CWnd::SetWindowRgn(HRGN region, BOOL redraw) {
  QWidget* widget = GetWidget();
  if (!widget) return 0;
  if (!region) {
    widget->clearMask();
  } else {
    auto data = LookupGdiObjectAs<RegionData>(region);
    if (!data) return 0;
    widget->setMask(data->region);
  }
  if (redraw) widget->update();
  return 1;
}
