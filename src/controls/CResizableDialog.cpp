#include "controls/CResizableDialog.h"

#include <QSizeGrip>
#include <QWidget>
#include <cstdio>

#include "platform/base/ProfileStore.h"
#include "platform/base/Text.h"
#include "platform/ui/CListBox.h"
#include "platform/ui/SystemMetrics.h"
#include "platform/ui/WindowPlacement.h"

CResizableDialog::CResizableDialog(UINT templateId, CWnd* parent)
    : CDialog(templateId, parent),
      m_gripperWidth(GetSystemMetrics(SM_CXVSCROLL)),
      m_gripperHeight(GetSystemMetrics(SM_CYHSCROLL)) {}

CResizableDialog::~CResizableDialog() = default;

BOOL CResizableDialog::OnInitDialog() {
  // Anchors name the controls of one creation; a dialog made again starts afresh.
  m_anchors.clear();
  m_initialised = false;
  const BOOL result = CDialog::OnInitDialog();
  CRect client;
  GetClientRect(&client);
  m_gripperRect = CRect(client.right - m_gripperWidth, client.bottom - m_gripperHeight, client.right, client.bottom);
  CRect window;
  GetWindowRect(&window);
  m_minTrackSize = CSize(window.Width(), window.Height());
  m_initialised = true;
  // The gripper is painted by Qt's size grip, which also does the sizing.
  if (!m_grip && ClientWidget()) {
    m_grip = new QSizeGrip(ClientWidget());
    m_grip->resize(m_gripperWidth, m_gripperHeight);
  }
  PlaceGripper();
  ApplyTrackingLimits();
  return result;
}

void CResizableDialog::AnchorControl(CWnd* control, AnchorPoint topLeft, AnchorPoint bottomRight) {
  if (!control || !control->GetSafeHwnd()) return;
  auto anchor = std::make_unique<Anchor>();
  anchor->window = control->GetSafeHwnd();
  const std::string& className = control->GetClassName();
  const DWORD style = control->GetStyle();
  if (ruv::EqualsNoCase(className, "BUTTON")) {
    if ((style & 0x7) != 0) control->ModifyStyle(0, WS_CLIPSIBLINGS);
  } else if (ruv::EqualsNoCase(className, "LISTBOX")) {
    anchor->listBox = true;
  } else if (ruv::EqualsNoCase(className, "STATIC")) {
    const DWORD type = style & SS_TYPEMASK;
    anchor->needsRefresh = type < 3 || (style & SS_CENTERIMAGE) != 0;
    if (type == SS_LEFTNOWORDWRAP) anchor->needsRefresh = false;
  }
  CRect client;
  GetClientRect(&client);
  const int width = client.Width(), height = client.Height();
  CRect rect;
  control->GetWindowRect(&rect);
  ScreenToClient(&rect);
  if (bottomRight.x == NOANCHOR.x && bottomRight.y == NOANCHOR.y) bottomRight = topLeft;
  anchor->topLeft = topLeft;
  anchor->bottomRight = bottomRight;
  anchor->topLeftMargin = CSize(rect.left - width * topLeft.x / 100, rect.top - height * topLeft.y / 100);
  anchor->bottomRightMargin = CSize(rect.right - width * bottomRight.x / 100, rect.bottom - height * bottomRight.y / 100);
  m_anchors.push_back(std::move(anchor));
}

void CResizableDialog::ArrangeLayout() {
  CRect client;
  GetClientRect(&client);
  const int width = client.Width(), height = client.Height();
  for (const auto& anchor : m_anchors) {
    CWnd* control = CWnd::FromHandle(anchor->window);
    if (!control) continue;
    const CRect wanted(width * anchor->topLeft.x / 100 + anchor->topLeftMargin.cx,
                       height * anchor->topLeft.y / 100 + anchor->topLeftMargin.cy,
                       width * anchor->bottomRight.x / 100 + anchor->bottomRightMargin.cx,
                       height * anchor->bottomRight.y / 100 + anchor->bottomRightMargin.cy);
    CRect current;
    control->GetWindowRect(&current);
    ScreenToClient(&current);
    if (wanted == current) continue;
    control->MoveWindow(wanted, TRUE);
    if (anchor->needsRefresh) control->Invalidate();
    if (anchor->listBox) {
      if (auto* list = dynamic_cast<CListBox*>(control); list && list->GetHorizontalScrollLimit() > 0) control->Invalidate();
    }
  }
  InvalidateRect(&m_gripperRect);
  m_gripperRect = CRect(client.right - m_gripperWidth, client.bottom - m_gripperHeight, client.right, client.bottom);
  InvalidateRect(&m_gripperRect);
  PlaceGripper();
}

void CResizableDialog::PlaceGripper() {
  if (!m_grip) return;
  m_grip->setGeometry(m_gripperRect.left, m_gripperRect.top, m_gripperRect.Width(), m_gripperRect.Height());
  m_grip->setVisible(m_gripperVisible && !IsZoomed());
  m_grip->raise();
}

void CResizableDialog::OnGetMinMaxInfo(MINMAXINFO* info) {
  if (!m_initialised || !info) return;
  if (m_useMinTrack) info->ptMinTrackSize = POINT{m_minTrackSize.cx, m_minTrackSize.cy};
  if (m_useMaxTrack) info->ptMaxTrackSize = POINT{m_maxTrackSize.cx, m_maxTrackSize.cy};
  if (m_useMaxRect) {
    info->ptMaxPosition = POINT{m_maxPosition.x, m_maxPosition.y};
    info->ptMaxSize = POINT{m_maxSize.cx, m_maxSize.cy};
  }
}

UINT CResizableDialog::OnNcHitTest(CPoint screenPoint) {
  CPoint point = screenPoint;
  ScreenToClient(&point);
  if (point.x >= 0 && point.y >= 0 && m_gripperRect.PtInRect(point)) return HTBOTTOMRIGHT;
  return CDialog::OnNcHitTest(screenPoint);
}

void CResizableDialog::OnSize(UINT type, int cx, int cy) {
  CDialog::OnSize(type, cx, cy);
  // 3 and 4: another window was maximised; nothing of ours changed.
  if (type == 3 || type == 4 || !m_initialised) return;
  ArrangeLayout();
}

void CResizableDialog::OnPaint() { CDialog::OnPaint(); }

void CResizableDialog::OnDestroy() {
  CDialog::OnDestroy();
  if (m_placementSaving) SavePlacement();
  m_initialised = false;
}

void CResizableDialog::EnablePlacementSaving(const std::string& section, const std::string& entry) {
  m_section = section;
  m_entry = entry;
  m_placementSaving = true;
  RestorePlacement();
}

void CResizableDialog::SavePlacement() {
  WINDOWPLACEMENT placement;
  if (!GetKeptPlacement(this, &placement)) return;
  const RECT& r = placement.rcNormalPosition;
  profile::WriteString(m_section, m_entry,
                       ruv::Format("%d,%d,%d,%d,%d,%d", static_cast<int>(r.left), static_cast<int>(r.top),
                                   static_cast<int>(r.right), static_cast<int>(r.bottom),
                                   static_cast<int>(placement.showCmd), static_cast<int>(placement.flags)));
}

void CResizableDialog::RestorePlacement() {
  const std::string text = profile::GetString(m_section, m_entry, "");
  if (text.empty()) return;
  WINDOWPLACEMENT placement;
  if (!GetKeptPlacement(this, &placement)) return;
  int left = 0, top = 0, right = 0, bottom = 0, show = 0, flags = 0;
  if (std::sscanf(text.c_str(), "%d,%d,%d,%d,%d,%d", &left, &top, &right, &bottom, &show, &flags) != 6) return;
  placement.rcNormalPosition = RECT{left, top, right, bottom};
  placement.showCmd = static_cast<UINT>(show);
  placement.flags = static_cast<UINT>(flags);
  // A placement saved on a screen that is gone would put the dialog out of reach.
  if (!RectMeetsAvailableScreen(placement.rcNormalPosition)) return;
  // One saved on a larger screen is brought wholly inside this one, or its
  // buttons may stand beyond the screen's edge.
  placement.rcNormalPosition = FitRectInAvailableScreen(placement.rcNormalPosition);
  // Never placed again once framed: the inside is what is kept.
  m_placeOnceFramed = nullptr;
  SetKeptPlacement(this, &placement);
  m_placementRestored = true;
  PostMessage(kPlacementRestoredMessage, 0, 0);
}

bool CResizableDialog::IsFrameKnown() const {
  const QWidget* widget = GetWidget();
  return widget && widget->frameGeometry().size() != widget->size();
}

void CResizableDialog::PlaceOuterRect(const RECT& outer, UINT showCmd) {
  WINDOWPLACEMENT placement;
  if (!GetWindowPlacement(this, &placement)) return;
  placement.rcNormalPosition = outer;
  placement.showCmd = showCmd;
  SetWindowPlacement(this, &placement);
}

void CResizableDialog::PlaceOnceFramed(std::function<CRect(const CSize& outerSize)> where) {
  CRect now;
  GetWindowRect(&now);
  PlaceOuterRect(where(now.Size()), IsWindowVisible() ? SW_SHOWNORMAL : SW_HIDE);
  // Before the window manager has framed the window its frame is not known:
  // the outer rectangle became the inside. Placed again once it is known, or
  // the window grows by its frame at every start.
  m_placeOnceFramed = IsFrameKnown() ? nullptr : std::move(where);
}

LRESULT CResizableDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  const LRESULT result = CDialog::WindowProc(message, wParam, lParam);
  const bool framing = message == WM_MOVE || message == WM_SIZE || message == kPlacementRestoredMessage;
  if (framing && m_placeOnceFramed && IsWindowVisible() && IsFrameKnown() && !IsZoomed() && !IsIconic()) {
    const auto where = std::move(m_placeOnceFramed);
    m_placeOnceFramed = nullptr;
    CRect now;
    GetWindowRect(&now);
    // The inside keeps the size it was given; the frame now goes around it.
    const CRect wanted = where(now.Size());
    if (now != wanted) PlaceOuterRect(wanted, SW_SHOWNORMAL);
  }
  // Shown again (the same message asks for it): a window dragged partly off
  // the screen comes back wholly inside it.
  if (message == kPlacementRestoredMessage && IsWindowVisible() && !IsZoomed() && !IsIconic()) {
    CRect now;
    GetWindowRect(&now);
    const CRect inside(FitRectInAvailableScreen(now));
    if (now != inside) PlaceOuterRect(inside, SW_SHOWNORMAL);
  }
  return result;
}
