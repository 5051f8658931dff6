#include "platform/ui/CClientDC.h"

#include <QWidget>

#include "platform/ui/CWnd.h"
#include "platform/ui/WidgetPainter.h"

CClientDC::CClientDC(CWnd* window) {
  QWidget* widget = window ? window->GetWidget() : nullptr;
  if (widget && window->CurrentPaintRegion()) {
    m_widgetPainter = std::make_unique<WidgetPainter>(widget);
    if (m_widgetPainter->Painter()) {
      AttachPainter(m_widgetPainter->Painter());
      return;
    }
  }
  const int width = widget ? std::max(widget->width(), 1) : 1;
  const int height = widget ? std::max(widget->height(), 1) : 1;
  m_scratch = QImage(width, height, QImage::Format_ARGB32_Premultiplied);
  m_scratch.fill(Qt::transparent);
  AttachImage(&m_scratch);
  if (widget) window->Invalidate();
}

CClientDC::~CClientDC() { Detach(); }
