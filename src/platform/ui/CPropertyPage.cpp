#include "platform/ui/CPropertyPage.h"

#include "platform/ui/CPropertySheet.h"

CPropertyPage::CPropertyPage(UINT templateId) : CDialog(templateId, nullptr) {}

BOOL CPropertyPage::OnSetActive() { return TRUE; }

BOOL CPropertyPage::OnKillActive() { return UpdateData(TRUE); }

BOOL CPropertyPage::OnApply() {
  OnOK();
  m_modified = false;
  return TRUE;
}

// A page does not end anything itself; the sheet does.
void CPropertyPage::OnOK() {}
void CPropertyPage::OnCancel() {}

void CPropertyPage::SetModified(BOOL changed) {
  m_modified = changed != FALSE;
  if (m_sheet && changed) {
    if (CWnd* apply = m_sheet->GetDlgItem(ID_APPLY_NOW)) apply->EnableWindow(TRUE);
  }
}

std::string CPropertyPage::GetTitle() const {
  const DialogTemplate* pageTemplate = GetTemplate();
  return pageTemplate ? pageTemplate->caption : std::string();
}
