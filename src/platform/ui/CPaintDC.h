#pragma once
// The drawing context of a window's WM_PAINT: draws on the window's widget
// while its paint event runs, clipped by Qt to the area being repainted. Made
// outside a paint, it draws on a scratch image and asks for a repaint instead.
#include <memory>

#include "platform/ui/CDC.h"

class CWnd;
class WidgetPainter;

struct PAINTSTRUCT {
  CRect rcPaint;  // the area being repainted, client coordinates
  BOOL fErase = TRUE;
};

class CPaintDC : public CDC {
 public:
  explicit CPaintDC(CWnd* window);
  ~CPaintDC() override;
  PAINTSTRUCT m_ps;

 private:
  std::unique_ptr<WidgetPainter> m_widgetPainter;
  QImage m_scratch;
  CWnd* m_window;
};
