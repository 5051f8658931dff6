#include "shapes/BaseActionDlg.h"

#include <string>

#include "shapes/BaseShape.h"
#include "shapes/ShapeDialogIds.h"

C_BaseActionDlg::C_BaseActionDlg(UINT templateId, C_BaseShape* shape)
    : CDialog(templateId, shape && shape->GetSafeHwnd() ? shape : nullptr), m_shape(shape) {
  RegisterShapeDialogTemplates();
}

BOOL C_BaseActionDlg::OnInitDialog() {
  const BOOL result = CDialog::OnInitDialog();
  Refresh();
  SetTimer(ACTION_DIALOG_REFRESH_TIMER, ACTION_DIALOG_REFRESH_PERIOD_MS);
  if (m_shape) m_shape->SetActionDlgOpen(true);
  return result;
}

void C_BaseActionDlg::OnDestroy() {
  if (m_shape) m_shape->SetActionDlgOpen(false);
  CDialog::OnDestroy();
}

void C_BaseActionDlg::Refresh() { OnRefresh(); }

void C_BaseActionDlg::OnRefresh() {}

void C_BaseActionDlg::OnTimer(UINT_PTR id) {
  if (id == ACTION_DIALOG_REFRESH_TIMER) {
    Refresh();
    return;
  }
  CDialog::OnTimer(id);
}

void C_BaseActionDlg::OnLButtonDblClk(UINT /*flags*/, CPoint /*point*/) {
  if (!m_shape) return;
  std::string section;
  m_shape->CopySectionName(section, true);
}
