#pragma once
// One painter per widget at a time (Qt allows no more): the window contexts
// open a widget's painter through here and share it when one is already open,
// e.g. a client context made while the window paints.
class QPainter;
class QWidget;

class WidgetPainter {
 public:
  // Opens (or shares) the painter of `widget`; Painter() is null when the
  // widget cannot be painted now.
  explicit WidgetPainter(QWidget* widget);
  ~WidgetPainter();
  WidgetPainter(const WidgetPainter&) = delete;
  WidgetPainter& operator=(const WidgetPainter&) = delete;
  QPainter* Painter() const { return m_painter; }

 private:
  QWidget* m_widget;
  QPainter* m_painter = nullptr;
  bool m_owner = false;
};
