#include "platform/ui/CPropertySheet.h"

#include <QWidget>

#include "platform/ui/CPropertyPage.h"
#include "platform/ui/CTabCtrl.h"

namespace {
constexpr int kMargin = 7;      // dialog units around the tab control
constexpr int kTabRow = 14;     // dialog units of the tab row
constexpr int kButtonWidth = 50;
constexpr int kButtonHeight = 14;
constexpr int kButtonGap = 6;
}  // namespace

CPropertySheet::CPropertySheet(const std::string& caption, CWnd* parent, UINT selectPage)
    : CDialog(0, parent), m_caption(caption), m_active(static_cast<int>(selectPage)) {}

void CPropertySheet::AddPage(CPropertyPage* page) {
  if (!page) return;
  page->m_sheet = this;
  m_pages.push_back(page);
  if (GetSafeHwnd()) {
    DialogTemplate pageTemplate = page->GetTemplate() ? *page->GetTemplate() : DialogTemplate();
    pageTemplate.style = (pageTemplate.style & ~(WS_POPUP | WS_CAPTION | WS_VISIBLE)) | WS_CHILD;
    page->CreateIndirect(pageTemplate, this);
    if (CTabCtrl* tabs = GetTabControl()) tabs->InsertItem(GetPageCount() - 1, page->GetTitle());
    ShowPage(m_active);
  }
}

void CPropertySheet::RemovePage(CPropertyPage* page) { RemovePage(GetPageIndex(page)); }

void CPropertySheet::RemovePage(int index) {
  if (index < 0 || index >= GetPageCount()) return;
  CPropertyPage* page = m_pages[index];
  m_pages.erase(m_pages.begin() + index);
  if (page->GetSafeHwnd()) page->DestroyWindow();
  page->m_sheet = nullptr;
  if (CTabCtrl* tabs = GetTabControl()) tabs->DeleteItem(index);
  if (GetSafeHwnd()) ShowPage(std::clamp(m_active, 0, std::max(0, GetPageCount() - 1)));
}

CPropertyPage* CPropertySheet::GetPage(int index) const {
  return index >= 0 && index < GetPageCount() ? m_pages[index] : nullptr;
}

int CPropertySheet::GetPageIndex(const CPropertyPage* page) const {
  for (int i = 0; i < GetPageCount(); ++i)
    if (m_pages[i] == page) return i;
  return -1;
}

CPropertyPage* CPropertySheet::GetActivePage() const { return GetPage(GetActiveIndex()); }

int CPropertySheet::GetActiveIndex() const {
  if (m_pages.empty()) return -1;
  return std::clamp(m_active, 0, GetPageCount() - 1);
}

BOOL CPropertySheet::SetActivePage(int index) {
  if (index < 0 || index >= GetPageCount()) return FALSE;
  if (!GetSafeHwnd()) {
    m_active = index;
    return TRUE;
  }
  if (CPropertyPage* current = GetActivePage(); current && index != GetActiveIndex() && !current->OnKillActive())
    return FALSE;
  ShowPage(index);
  return TRUE;
}

CTabCtrl* CPropertySheet::GetTabControl() const { return dynamic_cast<CTabCtrl*>(GetDlgItem(AFX_IDC_TAB_CONTROL)); }

DialogTemplate CPropertySheet::BuildTemplate() const {
  int width = 4 * kButtonWidth, height = 60;
  for (CPropertyPage* page : m_pages) {
    if (const DialogTemplate* pageTemplate = page->GetTemplate()) {
      width = std::max(width, pageTemplate->cx);
      height = std::max(height, pageTemplate->cy);
    }
  }
  DialogTemplate sheet;
  sheet.caption = m_caption;
  sheet.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER;
  sheet.cx = width + 4 * kMargin;
  const int tabBottom = kMargin + kTabRow + height + 2 * kMargin;
  sheet.cy = tabBottom + kMargin + kButtonHeight + kMargin;
  sheet.items.push_back({AFX_IDC_TAB_CONTROL, kTabControlClass, "", WS_VISIBLE | WS_TABSTOP, kMargin, kMargin,
                         width + 2 * kMargin, tabBottom - kMargin});
  const int buttonTop = tabBottom + kMargin;
  int x = sheet.cx - kMargin - kButtonWidth;
  sheet.items.push_back({ID_APPLY_NOW, kButtonClass, "&Apply", WS_VISIBLE | WS_TABSTOP | WS_DISABLED | BS_PUSHBUTTON, x,
                         buttonTop, kButtonWidth, kButtonHeight});
  x -= kButtonWidth + kButtonGap;
  sheet.items.push_back({static_cast<UINT>(IDCANCEL), kButtonClass, "Cancel", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, x,
                         buttonTop, kButtonWidth, kButtonHeight});
  x -= kButtonWidth + kButtonGap;
  sheet.items.push_back({static_cast<UINT>(IDOK), kButtonClass, "OK", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, x,
                         buttonTop, kButtonWidth, kButtonHeight});
  return sheet;
}

int CPropertySheet::DoModal() {
  UseTemplate(BuildTemplate());
  return CDialog::DoModal();
}

BOOL CPropertySheet::Create(CWnd* parent) {
  DialogTemplate sheet = BuildTemplate();
  sheet.style |= WS_VISIBLE;
  return CreateIndirect(sheet, parent);
}

BOOL CPropertySheet::OnInitDialog() {
  CTabCtrl* tabs = GetTabControl();
  for (int i = 0; i < GetPageCount(); ++i) {
    CPropertyPage* page = m_pages[i];
    DialogTemplate pageTemplate = page->GetTemplate() ? *page->GetTemplate() : DialogTemplate();
    pageTemplate.style = (pageTemplate.style & ~(WS_POPUP | WS_CAPTION | WS_VISIBLE)) | WS_CHILD;
    page->CreateIndirect(pageTemplate, this);
    if (tabs) tabs->InsertItem(i, page->GetTitle());
  }
  ShowPage(GetActiveIndex());
  return TRUE;
}

void CPropertySheet::ShowPage(int index) {
  if (m_pages.empty()) return;
  index = std::clamp(index, 0, GetPageCount() - 1);
  m_active = index;
  CTabCtrl* tabs = GetTabControl();
  CRect area;
  if (tabs) {
    tabs->GetWindowRect(&area);
    ScreenToClient(&area);
    tabs->AdjustRect(FALSE, &area);
    tabs->SetCurSel(index);
  }
  for (int i = 0; i < GetPageCount(); ++i) {
    CPropertyPage* page = m_pages[i];
    if (!page->GetSafeHwnd()) continue;
    if (i == index) {
      if (tabs) page->SetWindowPos(&wndTop, area.left, area.top, 0, 0, SWP_NOSIZE);
      page->ShowWindow(SW_SHOW);
    } else {
      page->ShowWindow(SW_HIDE);
    }
  }
  m_pages[index]->OnSetActive();
}

BOOL CPropertySheet::OnNotify(WPARAM, LPARAM lParam, LRESULT* result) {
  auto* header = reinterpret_cast<NMHDR*>(lParam);
  if (!header || header->idFrom != AFX_IDC_TAB_CONTROL) return FALSE;
  if (header->code == TCN_SELCHANGING) {
    CPropertyPage* current = GetActivePage();
    *result = current && !current->OnKillActive() ? TRUE : FALSE;
    return TRUE;
  }
  if (header->code == TCN_SELCHANGE) {
    CTabCtrl* tabs = GetTabControl();
    const int wanted = tabs ? tabs->GetCurSel() : 0;
    ShowPage(wanted);
    return TRUE;
  }
  return FALSE;
}

BOOL CPropertySheet::Apply() {
  CPropertyPage* current = GetActivePage();
  if (current && !current->OnKillActive()) return FALSE;
  for (CPropertyPage* page : m_pages) {
    if (page->IsModified() && !page->OnApply()) return FALSE;
  }
  if (CWnd* apply = GetDlgItem(ID_APPLY_NOW)) apply->EnableWindow(FALSE);
  return TRUE;
}

void CPropertySheet::OnOK() {
  CPropertyPage* current = GetActivePage();
  if (current && !current->OnKillActive()) return;
  for (CPropertyPage* page : m_pages) {
    if (page->GetSafeHwnd()) page->OnApply();
  }
  EndDialog(IDOK);
}

void CPropertySheet::OnCancel() {
  for (CPropertyPage* page : m_pages) {
    if (page->GetSafeHwnd()) page->OnCancel();
  }
  EndDialog(IDCANCEL);
}

BOOL CPropertySheet::OnCmdMsg(UINT id, int code) {
  if (id == ID_APPLY_NOW && code == static_cast<int>(BN_CLICKED)) {
    Apply();
    return TRUE;
  }
  return CDialog::OnCmdMsg(id, code);
}
