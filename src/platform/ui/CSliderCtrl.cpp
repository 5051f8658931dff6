#include "platform/ui/CSliderCtrl.h"

#include <QSlider>

QWidget* CSliderCtrl::CreateWidget(QWidget* parent, const CREATESTRUCT& cs) {
  auto* slider = new QSlider((cs.style & TBS_VERT) ? Qt::Vertical : Qt::Horizontal, parent);
  slider->setRange(0, 100);
  slider->setTickPosition((cs.style & TBS_NOTICKS) ? QSlider::NoTicks : QSlider::TicksBelow);
  const UINT message = (cs.style & TBS_VERT) ? WM_VSCROLL : WM_HSCROLL;
  QObject::connect(slider, &QAbstractSlider::actionTriggered, slider, [this, slider, message](int action) {
    if (GetWidget() != slider) return;
    // The position the action leads to is already in the slider position.
    const int pos = slider->sliderPosition();
    UINT code = SB_THUMBPOSITION;
    switch (action) {
      case QAbstractSlider::SliderSingleStepSub: code = SB_LINEUP; break;
      case QAbstractSlider::SliderSingleStepAdd: code = SB_LINEDOWN; break;
      case QAbstractSlider::SliderPageStepSub: code = SB_PAGEUP; break;
      case QAbstractSlider::SliderPageStepAdd: code = SB_PAGEDOWN; break;
      case QAbstractSlider::SliderMove: code = SB_THUMBTRACK; break;
      default: break;
    }
    slider->setValue(pos);
    if (CWnd* parent = GetParent())
      parent->SendMessage(message, MAKEWPARAM(static_cast<int>(code), pos), reinterpret_cast<LPARAM>(GetSafeHwnd()));
  });
  return slider;
}

void CSliderCtrl::SetRange(int min, int max, BOOL) {
  if (auto* slider = qobject_cast<QSlider*>(GetWidget())) slider->setRange(min, max);
}

void CSliderCtrl::GetRange(int& min, int& max) const {
  min = GetRangeMin();
  max = GetRangeMax();
}

int CSliderCtrl::GetRangeMin() const {
  auto* slider = qobject_cast<QSlider*>(GetWidget());
  return slider ? slider->minimum() : 0;
}

int CSliderCtrl::GetRangeMax() const {
  auto* slider = qobject_cast<QSlider*>(GetWidget());
  return slider ? slider->maximum() : 0;
}

void CSliderCtrl::SetPos(int pos) {
  if (auto* slider = qobject_cast<QSlider*>(GetWidget())) {
    const QSignalBlocker block(slider);
    slider->setValue(pos);
  }
}

int CSliderCtrl::GetPos() const {
  auto* slider = qobject_cast<QSlider*>(GetWidget());
  return slider ? slider->value() : 0;
}

void CSliderCtrl::SetPageSize(int size) {
  if (auto* slider = qobject_cast<QSlider*>(GetWidget())) slider->setPageStep(size);
}

void CSliderCtrl::SetLineSize(int size) {
  if (auto* slider = qobject_cast<QSlider*>(GetWidget())) slider->setSingleStep(size);
}

void CSliderCtrl::SetTicFreq(int frequency) {
  if (auto* slider = qobject_cast<QSlider*>(GetWidget())) slider->setTickInterval(frequency);
}
