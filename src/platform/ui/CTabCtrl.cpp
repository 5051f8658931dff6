#include "platform/ui/CTabCtrl.h"

#include <QTabBar>

QWidget* CTabCtrl::CreateWidget(QWidget* parent, const CREATESTRUCT&) {
  // The tab row sits at the top of a frame that is the display area.
  auto* frame = new QWidget(parent);
  auto* bar = new QTabBar(frame);
  bar->setObjectName("tabs");
  bar->setDrawBase(true);
  bar->move(0, 0);
  m_shown = -1;
  m_vetoed = false;
  // The parent may refuse a change (a non-zero answer to TCN_SELCHANGING).
  QObject::connect(bar, &QTabBar::tabBarClicked, frame, [this, frame, bar](int index) {
    if (GetWidget() == frame && index != bar->currentIndex()) m_vetoed = SendNotify(TCN_SELCHANGING) != 0;
  });
  QObject::connect(bar, &QTabBar::currentChanged, frame, [this, frame, bar](int index) {
    if (GetWidget() != frame) return;
    if (m_vetoed && !m_quiet) {
      m_vetoed = false;
      m_quiet = true;
      bar->setCurrentIndex(m_shown);
      m_quiet = false;
      return;
    }
    m_shown = index;
    if (!m_quiet) SendNotify(TCN_SELCHANGE);
  });
  return frame;
}

namespace {
QTabBar* Bar(QWidget* frame) { return frame ? frame->findChild<QTabBar*>("tabs") : nullptr; }
}  // namespace

LRESULT CTabCtrl::SendNotify(UINT code) {
  CWnd* parent = GetParent();
  if (!parent) return 0;
  NMHDR header;
  header.hwndFrom = GetSafeHwnd();
  header.idFrom = GetDlgCtrlID();
  header.code = code;
  return parent->SendMessage(WM_NOTIFY, GetDlgCtrlID(), reinterpret_cast<LPARAM>(&header));
}

int CTabCtrl::InsertItem(int index, const std::string& text) {
  QTabBar* bar = Bar(GetWidget());
  if (!bar) return -1;
  m_quiet = true;
  const int at = bar->insertTab(index, QString::fromStdString(text));
  bar->resize(GetWidget()->width(), bar->sizeHint().height());
  m_quiet = false;
  return at;
}

BOOL CTabCtrl::DeleteItem(int index) {
  QTabBar* bar = Bar(GetWidget());
  if (!bar || index < 0 || index >= bar->count()) return FALSE;
  m_quiet = true;
  bar->removeTab(index);
  m_quiet = false;
  return TRUE;
}

BOOL CTabCtrl::DeleteAllItems() {
  QTabBar* bar = Bar(GetWidget());
  if (!bar) return FALSE;
  m_quiet = true;
  while (bar->count() > 0) bar->removeTab(0);
  m_quiet = false;
  return TRUE;
}

int CTabCtrl::GetItemCount() const {
  QTabBar* bar = Bar(GetWidget());
  return bar ? bar->count() : 0;
}

int CTabCtrl::GetCurSel() const {
  QTabBar* bar = Bar(GetWidget());
  return bar ? bar->currentIndex() : -1;
}

int CTabCtrl::SetCurSel(int index) {
  QTabBar* bar = Bar(GetWidget());
  if (!bar || index < 0 || index >= bar->count()) return -1;
  const int previous = bar->currentIndex();
  m_quiet = true;
  bar->setCurrentIndex(index);
  m_quiet = false;
  return previous;
}

std::string CTabCtrl::GetItemText(int index) const {
  QTabBar* bar = Bar(GetWidget());
  return bar ? bar->tabText(index).toStdString() : std::string();
}

BOOL CTabCtrl::GetItemRect(int index, LPRECT rect) const {
  QTabBar* bar = Bar(GetWidget());
  if (!bar || !rect || index < 0 || index >= bar->count()) return FALSE;
  const QRect r = bar->tabRect(index);
  *rect = RECT{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
  return TRUE;
}

void CTabCtrl::AdjustRect(BOOL larger, LPRECT rect) const {
  if (!rect) return;
  QTabBar* bar = Bar(GetWidget());
  const int tabs = bar ? std::max(bar->sizeHint().height(), 20) : 20;
  constexpr int kBorder = 4;
  if (larger) {
    rect->left -= kBorder;
    rect->right += kBorder;
    rect->top -= tabs + kBorder;
    rect->bottom += kBorder;
  } else {
    rect->left += kBorder;
    rect->right -= kBorder;
    rect->top += tabs + kBorder;
    rect->bottom -= kBorder;
  }
}
