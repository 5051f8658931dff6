#include "platform/ui/WidgetPainter.h"

#include <QPainter>
#include <QWidget>
#include <map>

namespace {
// UI thread only: the painter open on each widget.
std::map<QWidget*, QPainter*> g_open;
}  // namespace

WidgetPainter::WidgetPainter(QWidget* widget) : m_widget(widget) {
  if (!widget) return;
  auto it = g_open.find(widget);
  if (it != g_open.end()) {
    m_painter = it->second;
    m_painter->save();
    return;
  }
  auto* painter = new QPainter();
  if (!painter->begin(widget)) {
    delete painter;
    return;
  }
  m_painter = painter;
  m_owner = true;
  g_open[widget] = painter;
}

WidgetPainter::~WidgetPainter() {
  if (!m_painter) return;
  if (!m_owner) {
    m_painter->restore();
    return;
  }
  g_open.erase(m_widget);
  m_painter->end();
  delete m_painter;
}
