#include "platform/ui/CScrollBar.h"

#include <QPointer>
#include <QScrollBar>
#include <QSizeGrip>

QWidget* CScrollBar::CreateWidget(QWidget* parent, const CREATESTRUCT& cs) {
  if (cs.style & SBS_SIZEGRIP) return new QSizeGrip(parent);
  auto* bar = new QScrollBar((cs.style & SBS_VERT) ? Qt::Vertical : Qt::Horizontal, parent);
  m_range = ScrollRange();
  ShowRange(bar, m_range);
  const UINT message = (cs.style & SBS_VERT) ? WM_VSCROLL : WM_HSCROLL;
  // The parent is known only once the window exists; ask for it at each action.
  QObject::connect(bar, &QAbstractSlider::actionTriggered, bar, [this, bar, message](int action) {
    if (GetWidget() != bar) return;
    bar->setSliderPosition(m_range.Pos());
    UINT code = SB_ENDSCROLL;
    int thumb = 0;
    switch (action) {
      case QAbstractSlider::SliderSingleStepSub: code = SB_LINEUP; break;
      case QAbstractSlider::SliderSingleStepAdd: code = SB_LINEDOWN; break;
      case QAbstractSlider::SliderPageStepSub: code = SB_PAGEUP; break;
      case QAbstractSlider::SliderPageStepAdd: code = SB_PAGEDOWN; break;
      case QAbstractSlider::SliderToMinimum: code = SB_TOP; break;
      case QAbstractSlider::SliderToMaximum: code = SB_BOTTOM; break;
      default: return;
    }
    if (CWnd* parent = GetParent())
      parent->SendMessage(message, MAKEWPARAM(static_cast<int>(code), thumb), reinterpret_cast<LPARAM>(GetSafeHwnd()));
  });
  QObject::connect(bar, &QAbstractSlider::sliderMoved, bar, [this, bar, message](int value) {
    if (GetWidget() != bar) return;
    m_range.SetTrackPos(value);
    if (CWnd* parent = GetParent())
      parent->SendMessage(message, MAKEWPARAM(static_cast<int>(SB_THUMBTRACK), value), reinterpret_cast<LPARAM>(GetSafeHwnd()));
  });
  QObject::connect(bar, &QAbstractSlider::sliderReleased, bar, [this, bar, message] {
    if (GetWidget() != bar) return;
    if (CWnd* parent = GetParent()) {
      const LPARAM self = reinterpret_cast<LPARAM>(GetSafeHwnd());
      parent->SendMessage(message, MAKEWPARAM(static_cast<int>(SB_THUMBPOSITION), m_range.TrackPos()), self);
      if (GetWidget()) parent->SendMessage(message, MAKEWPARAM(static_cast<int>(SB_ENDSCROLL), 0), self);
    }
  });
  return bar;
}

void CScrollBar::WireScrollBar(QScrollBar* bar, ScrollRange* range, CWnd* target, UINT message, HWND barHandle) {
  const HWND targetHandle = target->GetSafeHwnd();
  const LPARAM lParam = reinterpret_cast<LPARAM>(barHandle);
  QObject::connect(bar, &QAbstractSlider::actionTriggered, bar, [bar, range, targetHandle, message, lParam](int action) {
    if (!IsWindow(targetHandle)) return;
    bar->setSliderPosition(range->Pos());
    UINT code = SB_ENDSCROLL;
    switch (action) {
      case QAbstractSlider::SliderSingleStepSub: code = SB_LINEUP; break;
      case QAbstractSlider::SliderSingleStepAdd: code = SB_LINEDOWN; break;
      case QAbstractSlider::SliderPageStepSub: code = SB_PAGEUP; break;
      case QAbstractSlider::SliderPageStepAdd: code = SB_PAGEDOWN; break;
      case QAbstractSlider::SliderToMinimum: code = SB_TOP; break;
      case QAbstractSlider::SliderToMaximum: code = SB_BOTTOM; break;
      default: return;
    }
    ::SendMessage(targetHandle, message, MAKEWPARAM(static_cast<int>(code), 0), lParam);
  });
  QObject::connect(bar, &QAbstractSlider::sliderMoved, bar, [range, targetHandle, message, lParam](int value) {
    range->SetTrackPos(value);
    ::SendMessage(targetHandle, message, MAKEWPARAM(static_cast<int>(SB_THUMBTRACK), value), lParam);
  });
  QObject::connect(bar, &QAbstractSlider::sliderReleased, bar, [range, targetHandle, message, lParam] {
    ::SendMessage(targetHandle, message, MAKEWPARAM(static_cast<int>(SB_THUMBPOSITION), range->TrackPos()), lParam);
    ::SendMessage(targetHandle, message, MAKEWPARAM(static_cast<int>(SB_ENDSCROLL), 0), lParam);
  });
}

void CScrollBar::ShowRange(QScrollBar* bar, const ScrollRange& range) {
  const QSignalBlocker block(bar);
  bar->setRange(range.Min(), range.MaxPos());
  bar->setPageStep(std::max(1, static_cast<int>(range.Page())));
  bar->setSingleStep(1);
  bar->setValue(range.Pos());
}

BOOL CScrollBar::SetScrollInfo(LPSCROLLINFO info, BOOL) {
  if (!info) return FALSE;
  m_range.Set(*info);
  if (auto* bar = qobject_cast<QScrollBar*>(GetWidget())) {
    ShowRange(bar, m_range);
    if (info->fMask & SIF_DISABLENOSCROLL) bar->setEnabled(!m_range.NothingToScroll());
  }
  return TRUE;
}

BOOL CScrollBar::GetScrollInfo(LPSCROLLINFO info, UINT mask) {
  if (!info) return FALSE;
  info->fMask = mask;
  m_range.Get(*info);
  return TRUE;
}

int CScrollBar::SetScrollPos(int pos, BOOL) {
  const int previous = m_range.SetPos(pos);
  if (auto* bar = qobject_cast<QScrollBar*>(GetWidget())) ShowRange(bar, m_range);
  return previous;
}

void CScrollBar::SetScrollRange(int min, int max, BOOL) {
  m_range.SetRange(min, max);
  if (auto* bar = qobject_cast<QScrollBar*>(GetWidget())) ShowRange(bar, m_range);
}

void CScrollBar::GetScrollRange(int* min, int* max) const {
  if (min) *min = m_range.Min();
  if (max) *max = m_range.Max();
}

BOOL CScrollBar::EnableScrollBar(UINT arrows) {
  if (!GetWidget()) return FALSE;
  GetWidget()->setEnabled(arrows != ESB_DISABLE_BOTH);
  return TRUE;
}
