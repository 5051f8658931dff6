#include "platform/ui/CFormView.h"

#include <QCoreApplication>
#include <QEvent>
#include <QImage>
#include <QScrollBar>
#include <QWidget>
#include <algorithm>

#include "platform/ui/CDataExchange.h"
#include "platform/ui/CFrameWnd.h"
#include "platform/ui/CScrollBar.h"
#include "platform/ui/DialogFont.h"
#include "platform/ui/TemplateControls.h"

CFormView::CFormView(UINT templateId) : m_templateId(templateId) {}

CFormView::~CFormView() {
  // The controls go with the view's window; the objects we made go with us.
  if (GetSafeHwnd() && QCoreApplication::instance()) DestroyWindow();
}

QWidget* CFormView::CreateWidget(QWidget* parent, const CREATESTRUCT&) {
  auto* outer = new QWidget(parent);
  // The client area holds the controls; the window scroll bars sit beside it.
  m_client = new QWidget(outer);
  m_vbar = new QScrollBar(Qt::Vertical, outer);
  m_hbar = new QScrollBar(Qt::Horizontal, outer);
  m_vbar->hide();
  m_hbar->hide();
  m_vrange = ScrollRange();
  m_hrange = ScrollRange();
  m_scrolled = CPoint(0, 0);
  return outer;
}

QWidget* CFormView::ClientWidget() const {
  QWidget* widget = GetWidget();
  return widget && m_client ? m_client.data() : widget;
}

int CFormView::OnCreate(LPCREATESTRUCT cs) {
  if (CView::OnCreate(cs) == -1) return -1;
  const DialogTemplate* dialogTemplate = FindDialogTemplate(m_templateId);
  if (!dialogTemplate) return -1;
  const DialogTemplate copy = *dialogTemplate;
  m_totalSize = MapDialogUnits(0, 0, copy.cx, copy.cy).Size();
  UseDialogFont(GetWidget());
  if (!SendMessage(WM_GETFONT)) SetFont(&DialogFontObject(), FALSE);  // unless given one before
  CScrollBar::WireScrollBar(m_vbar, &m_vrange, this, WM_VSCROLL, nullptr);
  CScrollBar::WireScrollBar(m_hbar, &m_hrange, this, WM_HSCROLL, nullptr);
  CreateTemplateControls(this, copy, m_bound, m_ownedControls, IDOK);
  UpdateBars();
  return 0;
}

void CFormView::DoDataExchange(CDataExchange*) {}

BOOL CFormView::UpdateData(BOOL saveAndValidate) {
  return RunDataExchange(this, saveAndValidate, [this](CDataExchange* dx) { DoDataExchange(dx); });
}

BOOL CFormView::SubclassDlgItem(UINT id, CWnd& control) {
  if (GetDlgItem(id) == &control) return TRUE;
  if (!ReplaceTemplateControl(this, id, control, m_ownedControls)) return FALSE;
  m_bound[id] = &control;
  return TRUE;
}

void CFormView::OnInitialUpdate() {
  UpdateData(FALSE);
  CView::OnInitialUpdate();
}

QImage CFormView::PrintPicture() {
  QWidget* outer = GetWidget();
  if (!outer || !m_client || m_totalSize.cx <= 0 || m_totalSize.cy <= 0) return CView::PrintPicture();
  // For the moment of the picture the window holds the whole template,
  // unscrolled; then it goes back as it was before anything is shown.
  const QSize shown = outer->size();
  const CPoint scrolled = m_scrolled;
  outer->resize(std::max(shown.width(), m_totalSize.cx), std::max(shown.height(), m_totalSize.cy));
  UpdateBars();  // a hidden window hears of its new size only when shown
  ScrollToPosition(CPoint(0, 0));
  QImage picture(m_totalSize.cx, m_totalSize.cy, QImage::Format_RGB32);
  picture.fill(Qt::white);
  outer->render(&picture, QPoint(), QRegion(0, 0, m_totalSize.cx, m_totalSize.cy));
  outer->resize(shown);
  UpdateBars();
  ScrollToPosition(scrolled);
  return picture;
}

// ---------------------------------------------------------------- scrolling

CSize CFormView::GetPageSize() const { return CSize(std::max(1, m_totalSize.cx / 10), std::max(1, m_totalSize.cy / 10)); }

CSize CFormView::GetLineSize() const {
  const CSize page = GetPageSize();
  return CSize(std::max(1, page.cx / 10), std::max(1, page.cy / 10));
}

CPoint CFormView::GetScrollPosition() const { return m_scrolled; }

void CFormView::UpdateBars() {
  QWidget* outer = GetWidget();
  if (!outer || !m_client || m_updatingBars) return;
  m_updatingBars = true;
  int width = outer->width();
  int height = outer->height();
  const int barWidth = m_vbar->sizeHint().width();
  const int barHeight = m_hbar->sizeHint().height();
  bool needH = m_totalSize.cx > width;
  bool needV = m_totalSize.cy > height;
  // One bar takes room from the other direction, which may then need its bar too.
  if (needH) needV = m_totalSize.cy > height - barHeight;
  if (needV) needH = m_totalSize.cx > width - barWidth;
  if (needH) height -= barHeight;
  if (needV) width -= barWidth;
  width = std::max(width, 0);
  height = std::max(height, 0);
  m_client->setGeometry(0, 0, width, height);
  m_vbar->setGeometry(width, 0, barWidth, height);
  m_hbar->setGeometry(0, height, width, barHeight);
  m_vbar->setVisible(needV);
  m_hbar->setVisible(needH);

  SCROLLINFO info{};
  info.fMask = SIF_RANGE | SIF_PAGE;
  info.nMin = 0;
  info.nMax = std::max(0, m_totalSize.cy - 1);
  info.nPage = needV ? static_cast<UINT>(height) : static_cast<UINT>(std::max(m_totalSize.cy, 1));
  m_vrange.Set(info);
  info.nMax = std::max(0, m_totalSize.cx - 1);
  info.nPage = needH ? static_cast<UINT>(width) : static_cast<UINT>(std::max(m_totalSize.cx, 1));
  m_hrange.Set(info);
  m_updatingBars = false;
  // A grown client area may leave less to scroll: the children come back.
  ScrollToPosition(m_scrolled);
}

void CFormView::ScrollToPosition(CPoint position) {
  const int x = std::clamp(position.x, 0, std::max(0, m_hrange.MaxPos()));
  const int y = std::clamp(position.y, 0, std::max(0, m_vrange.MaxPos()));
  const int dx = m_scrolled.x - x;
  const int dy = m_scrolled.y - y;
  m_scrolled = CPoint(x, y);
  m_hrange.SetPos(x);
  m_vrange.SetPos(y);
  if (m_vbar) CScrollBar::ShowRange(m_vbar, m_vrange);
  if (m_hbar) CScrollBar::ShowRange(m_hbar, m_hrange);
  if (dx == 0 && dy == 0) return;
  for (CWnd* child : GetChildren()) {
    if (QWidget* widget = child->GetWidget()) widget->move(widget->pos() + QPoint(dx, dy));
  }
  Invalidate(FALSE);
}

int CFormView::ScrollTarget(UINT code, UINT thumb, const ScrollRange& range, int page, int line) const {
  switch (code) {
    case SB_TOP: return 0;
    case SB_BOTTOM: return range.MaxPos();
    case SB_LINEUP: return range.Pos() - line;
    case SB_LINEDOWN: return range.Pos() + line;
    case SB_PAGEUP: return range.Pos() - page;
    case SB_PAGEDOWN: return range.Pos() + page;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: return static_cast<int>(thumb);
    default: return range.Pos();
  }
}

void CFormView::OnVScroll(UINT code, UINT position, CWnd*) {
  const int y = ScrollTarget(code, position, m_vrange, GetPageSize().cy, GetLineSize().cy);
  ScrollToPosition(CPoint(m_scrolled.x, y));
}

void CFormView::OnHScroll(UINT code, UINT position, CWnd*) {
  const int x = ScrollTarget(code, position, m_hrange, GetPageSize().cx, GetLineSize().cx);
  ScrollToPosition(CPoint(x, m_scrolled.y));
}

void CFormView::OnKeyDown(UINT key, UINT repeatCount, UINT flags) {
  switch (static_cast<int>(key)) {
    case VK_PRIOR: OnVScroll(SB_PAGEUP, 0, nullptr); break;
    case VK_NEXT: OnVScroll(SB_PAGEDOWN, 0, nullptr); break;
    case VK_HOME:
      OnVScroll(SB_TOP, 0, nullptr);
      OnHScroll(SB_LEFT, 0, nullptr);
      break;
    case VK_END:
      OnVScroll(SB_BOTTOM, 0, nullptr);
      OnHScroll(SB_RIGHT, 0, nullptr);
      break;
    case VK_UP: OnVScroll(SB_LINEUP, 0, nullptr); break;
    case VK_DOWN: OnVScroll(SB_LINEDOWN, 0, nullptr); break;
    case VK_LEFT: OnHScroll(SB_LINELEFT, 0, nullptr); break;
    case VK_RIGHT: OnHScroll(SB_LINERIGHT, 0, nullptr); break;
    default: break;
  }
  CView::OnKeyDown(key, repeatCount, flags);
}

bool CFormView::PreTranslateQtEvent(QEvent* event) {
  if (event->type() == QEvent::Resize) UpdateBars();
  return CView::PreTranslateQtEvent(event);
}

void CFormView::OnSize(UINT type, int cx, int cy) {
  CView::OnSize(type, cx, cy);
  UpdateBars();
}

void CFormView::ResizeParentToFit(BOOL shrinkOnly) {
  CFrameWnd* frame = GetParentFrame();
  QWidget* outer = GetWidget();
  if (!frame || !outer) return;
  int dx = m_totalSize.cx - outer->width();
  int dy = m_totalSize.cy - outer->height();
  if (shrinkOnly) {
    dx = std::min(dx, 0);
    dy = std::min(dy, 0);
  }
  if (dx == 0 && dy == 0) return;
  CRect frameRect;
  frame->GetWindowRect(&frameRect);
  frame->SetWindowPos(nullptr, 0, 0, frameRect.Width() + dx, frameRect.Height() + dy,
                      SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}
