#include "platform/ui/WindowFade.h"

#include <QGuiApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <memory>

bool WindowOpacitySupported() {
  const QString platform = QGuiApplication::platformName();
  return platform != "offscreen" && platform != "minimal";
}

void SetWindowAlpha(CWnd* window, BYTE alpha) {
  if (!window || !window->GetWidget() || !WindowOpacitySupported()) return;
  window->GetWidget()->window()->setWindowOpacity(alpha / 255.0);
}

void FadeWindow(CWnd* window, BYTE from, BYTE to, int durationMs, std::function<void()> done) {
  if (!window || !window->GetWidget() || !WindowOpacitySupported() || durationMs <= 0) {
    SetWindowAlpha(window, to);
    if (done) done();
    return;
  }
  constexpr int kStepMs = 20;
  const int steps = std::max(1, durationMs / kStepMs);
  QPointer<QWidget> widget = window->GetWidget()->window();
  auto timer = new QTimer(widget);
  auto step = std::make_shared<int>(0);
  widget->setWindowOpacity(from / 255.0);
  QObject::connect(timer, &QTimer::timeout, timer, [widget, timer, step, steps, from, to, done] {
    ++*step;
    if (widget) widget->setWindowOpacity((from + (to - from) * *step / steps) / 255.0);
    if (*step >= steps) {
      timer->stop();
      timer->deleteLater();
      if (done) done();
    }
  });
  timer->start(kStepMs);
}
