#pragma once
// A drawing context for a window's client area outside WM_PAINT. Qt draws on a
// widget only while it paints, so during the window's paint this draws on the
// widget (sharing the paint's painter); otherwise it draws on a scratch image of
// the client size (measuring text works the same) and the window is repainted.
#include <memory>

#include "platform/ui/CDC.h"

class CWnd;
class WidgetPainter;

class CClientDC : public CDC {
 public:
  explicit CClientDC(CWnd* window);
  ~CClientDC() override;

 private:
  std::unique_ptr<WidgetPainter> m_widgetPainter;
  QImage m_scratch;
};

// The whole window; here the same as the client area.
using CWindowDC = CClientDC;
