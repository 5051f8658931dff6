#include "platform/ui/CPaintDC.h"

#include <QRegion>
#include <QWidget>

#include "platform/ui/CWnd.h"
#include "platform/ui/WidgetPainter.h"

CPaintDC::CPaintDC(CWnd* window) : m_window(window) {
  QWidget* widget = window ? window->GetWidget() : nullptr;
  if (!widget) return;
  if (const QRegion* region = window->CurrentPaintRegion()) {
    const QRect area = region->boundingRect();
    m_ps.rcPaint = CRect(area.left(), area.top(), area.left() + area.width(), area.top() + area.height());
    m_widgetPainter = std::make_unique<WidgetPainter>(widget);
    if (m_widgetPainter->Painter()) {
      AttachPainter(m_widgetPainter->Painter());
      return;
    }
  }
  // Not in a paint: nothing reaches the screen from here, so the window is
  // asked to repaint through its WM_PAINT.
  m_scratch = QImage(std::max(widget->width(), 1), std::max(widget->height(), 1), QImage::Format_ARGB32_Premultiplied);
  m_scratch.fill(Qt::transparent);
  AttachImage(&m_scratch);
  m_ps.rcPaint = CRect(0, 0, m_scratch.width(), m_scratch.height());
  window->Invalidate();
}

CPaintDC::~CPaintDC() { Detach(); }
