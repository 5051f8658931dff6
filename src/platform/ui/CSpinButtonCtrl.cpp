#include "platform/ui/CSpinButtonCtrl.h"

#include <QBoxLayout>
#include <QToolButton>

QWidget* CSpinButtonCtrl::CreateWidget(QWidget* parent, const CREATESTRUCT& cs) {
  auto* box = new QWidget(parent);
  const bool horizontal = (cs.style & UDS_HORZ) != 0;
  auto* layout = new QBoxLayout(horizontal ? QBoxLayout::RightToLeft : QBoxLayout::TopToBottom, box);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  auto* up = new QToolButton(box);
  auto* down = new QToolButton(box);
  up->setArrowType(horizontal ? Qt::RightArrow : Qt::UpArrow);
  down->setArrowType(horizontal ? Qt::LeftArrow : Qt::DownArrow);
  up->setAutoRepeat(true);
  down->setAutoRepeat(true);
  up->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  down->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  layout->addWidget(up);
  layout->addWidget(down);
  QObject::connect(up, &QToolButton::clicked, box, [this, box] {
    if (GetWidget() == box) Step(+1);
  });
  QObject::connect(down, &QToolButton::clicked, box, [this, box] {
    if (GetWidget() == box) Step(-1);
  });
  m_pos = m_lower;
  return box;
}

void CSpinButtonCtrl::SetRange(int lower, int upper) {
  m_lower = lower;
  m_upper = upper;
}

int CSpinButtonCtrl::SetPos(int pos) {
  const int previous = m_pos;
  m_pos = std::clamp(pos, std::min(m_lower, m_upper), std::max(m_lower, m_upper));
  if ((GetStyle() & UDS_SETBUDDYINT) != 0) {
    if (CWnd* buddy = GetBuddy()) buddy->SetWindowText(std::to_string(m_pos));
  }
  return previous;
}

CWnd* CSpinButtonCtrl::SetBuddy(CWnd* buddy) {
  CWnd* previous = GetBuddy();
  m_buddy = buddy ? buddy->GetSafeHwnd() : nullptr;
  return previous;
}

void CSpinButtonCtrl::Step(int delta) {
  // The range may run downwards (upper below lower): "up" then lowers the number.
  const int direction = m_upper >= m_lower ? delta : -delta;
  int next = m_pos + direction;
  const int low = std::min(m_lower, m_upper), high = std::max(m_lower, m_upper);
  if (next > high) next = (GetStyle() & UDS_WRAP) ? low : high;
  if (next < low) next = (GetStyle() & UDS_WRAP) ? high : low;
  SetPos(next);
  const UINT message = (GetStyle() & UDS_HORZ) ? WM_HSCROLL : WM_VSCROLL;
  if (CWnd* parent = GetParent())
    parent->SendMessage(message, MAKEWPARAM(static_cast<int>(SB_THUMBPOSITION), m_pos),
                        reinterpret_cast<LPARAM>(GetSafeHwnd()));
}
