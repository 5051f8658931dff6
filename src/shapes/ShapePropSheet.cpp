#include "shapes/ShapePropSheet.h"

#include <algorithm>

#include "platform/ui/CPaintDC.h"
#include "platform/ui/CTabCtrl.h"
#include "platform/ui/SystemMetrics.h"
#include "shapes/BaseShape.h"
#include "shapes/PropertyPageBase.h"
#include "shapes/ShapeDialogIds.h"

namespace {
int g_lastActivePage = 0;
constexpr int kBoxOffset = 130;   // from the tab control's left edge
constexpr int kBoxWidth = 100;
constexpr int kBoxHeight = 20;
constexpr int kLogoOffset = 10;
}  // namespace

C_BaseShapePropSheet::C_BaseShapePropSheet(const std::string& caption, C_BaseShape* shape, UINT selectPage)
    : CPropertySheet(caption, shape && shape->GetSafeHwnd() ? shape : nullptr, selectPage), m_shape(shape) {}

int C_BaseShapePropSheet::GetLastActivePage() { return g_lastActivePage; }
void C_BaseShapePropSheet::SetLastActivePage(int index) { g_lastActivePage = std::max(0, index); }

BOOL C_BaseShapePropSheet::IsAutoRefresh() const {
  return m_autoRefresh.GetSafeHwnd() && m_autoRefresh.GetCheck() == BST_CHECKED ? TRUE : FALSE;
}

BOOL C_BaseShapePropSheet::OnInitDialog() {
  m_opening = true;
  // Made before the pages: they ask it at their first refresh.
  m_autoRefresh.Create(kButtonClass, "Auto &Refresh", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX,
                       CRect(0, 0, kBoxWidth, kBoxHeight), this, IDC_SHEET_AUTO_REFRESH);
  const BOOL result = CPropertySheet::OnInitDialog();

  m_logoText = "RUV Controls";
  m_logoFont.CreateFont(18, 0, 0, 0, 700, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
  CWnd* ok = GetDlgItem(IDOK);
  CWnd* apply = GetDlgItem(ID_APPLY_NOW);
  CWnd* cancel = GetDlgItem(IDCANCEL);
  if (ok) ok->ShowWindow(SW_HIDE);
  if (apply) apply->ShowWindow(SW_HIDE);
  if (cancel && apply) cancel->MoveWindow(ControlRect(ID_APPLY_NOW));
  if (cancel) cancel->SetWindowText("Close");
  LOGFONT buttonFont{};
  if (ok && ok->GetFont() && ok->GetFont()->GetLogFont(&buttonFont) && m_boxFont.CreateFontIndirect(&buttonFont))
    m_autoRefresh.SetFont(&m_boxFont);
  PlaceAutoRefreshBox();

  if (m_shape) m_shape->SetPropSheetOpen(true);
  m_autoRefresh.SetCheck(BST_CHECKED);
  RefreshAllPages();
  DropEmptyPages();
  m_opening = false;
  if (GetPageCount() > 0) SetActivePage(std::clamp(g_lastActivePage, 0, GetPageCount() - 1));
  return result;
}

void C_BaseShapePropSheet::DropEmptyPages() {
  // Removing a page destroys its window only: ShowProperties owns the pages.
  for (int i = 0; i < GetPageCount();) {
    SetActivePage(i);
    auto* page = dynamic_cast<CPropertyPageBase*>(GetPage(i));
    if (page && !page->ShowsVisibleControl()) RemovePage(i);
    else ++i;
  }
}

void C_BaseShapePropSheet::RefreshAllPages() {
  for (int i = 0; i < GetPageCount(); ++i) {
    auto* page = dynamic_cast<CPropertyPageBase*>(GetPage(i));
    if (page && page->GetSafeHwnd()) page->Refresh();
  }
}

BOOL C_BaseShapePropSheet::OnCmdMsg(UINT id, int code) {
  if (id == IDC_SHEET_AUTO_REFRESH && code == static_cast<int>(BN_CLICKED)) {
    RefreshAllPages();
    return TRUE;
  }
  return CPropertySheet::OnCmdMsg(id, code);
}

CRect C_BaseShapePropSheet::ControlRect(UINT id) const {
  CRect rect;
  if (CWnd* control = GetDlgItem(id)) {
    control->GetWindowRect(&rect);
    ScreenToClient(&rect);
  }
  return rect;
}

CRect C_BaseShapePropSheet::TabRect() const {
  CRect rect;
  if (CTabCtrl* tabs = GetTabControl()) {
    tabs->GetWindowRect(&rect);
    ScreenToClient(&rect);
  }
  return rect;
}

void C_BaseShapePropSheet::PlaceAutoRefreshBox() {
  if (!m_autoRefresh.GetSafeHwnd()) return;
  const CRect ok = ControlRect(IDOK);
  m_autoRefresh.MoveWindow(TabRect().left + kBoxOffset, ok.top, kBoxWidth, ok.Height(), TRUE);
}

void C_BaseShapePropSheet::OnSize(UINT type, int cx, int cy) {
  CPropertySheet::OnSize(type, cx, cy);
  PlaceAutoRefreshBox();
}

void C_BaseShapePropSheet::OnPaint() {
  CPaintDC dc(this);
  const CRect ok = ControlRect(IDOK);
  CRect logo(TabRect().left + kLogoOffset, ok.top, ok.left, ok.bottom);
  CFont* previous = m_logoFont.GetSafeHandle() ? dc.SelectObject(&m_logoFont) : nullptr;
  dc.SetBkMode(TRANSPARENT);
  constexpr UINT kFormat = DT_SINGLELINE | DT_VCENTER;
  // Engraved: the highlight one pixel right and down, the shadow over it.
  CRect highlight = logo;
  highlight.OffsetRect(1, 1);
  dc.SetTextColor(GetSysColor(COLOR_BTNHIGHLIGHT));
  dc.DrawText(m_logoText, &highlight, kFormat);
  dc.SetTextColor(GetSysColor(COLOR_BTNSHADOW));
  dc.DrawText(m_logoText, &logo, kFormat);
  if (previous) dc.SelectObject(previous);
}

void C_BaseShapePropSheet::OnLButtonDblClk(UINT /*flags*/, CPoint /*point*/) {
  if (!m_shape) return;
  std::string section;
  m_shape->CopySectionName(section, true);
}

void C_BaseShapePropSheet::OnDestroy() {
  if (m_shape) m_shape->SetPropSheetOpen(false);
  g_lastActivePage = std::max(0, GetActiveIndex());
  CPropertySheet::OnDestroy();
}
