#include "shapes/PropertyPageBase.h"

#include <QWidget>

#include "platform/ui/CDataExchange.h"
#include "controls/EditFocusColors.h"
#include "shapes/ShapePropSheet.h"

CPropertyPageBase::CPropertyPageBase(UINT templateId) : CPropertyPage(templateId) {}

BOOL CPropertyPageBase::IsAutoRefresh() const { return m_propSheet ? m_propSheet->IsAutoRefresh() : FALSE; }

BOOL CPropertyPageBase::OnInitDialog() {
  m_propSheet = dynamic_cast<C_BaseShapePropSheet*>(GetSheet());
  if (!m_propSheet) m_propSheet = dynamic_cast<C_BaseShapePropSheet*>(GetParent());
  m_shape = m_propSheet ? m_propSheet->GetShape() : nullptr;
  const BOOL result = CPropertyPage::OnInitDialog();
  SetTimer(PROPERTY_PAGE_REFRESH_TIMER, PROPERTY_PAGE_REFRESH_PERIOD_MS);
  Refresh();
  return result;
}

void CPropertyPageBase::OnTimer(UINT_PTR id) {
  if (id == PROPERTY_PAGE_REFRESH_TIMER) {
    RefreshControls();
    return;
  }
  CPropertyPage::OnTimer(id);
}

bool CPropertyPageBase::CanLoadControls() const { return !(IsWindowVisible() && !IsAutoRefresh()); }

void CPropertyPageBase::DoDataExchange(CDataExchange* dx) {
  CPropertyPage::DoDataExchange(dx);
  m_exchangeAllowed = dx->m_bSaveAndValidate || CanLoadControls();
}

void CPropertyPageBase::Refresh() { RefreshControls(); }

void CPropertyPageBase::RefreshControls() {
  if (GetSafeHwnd()) UpdateData(FALSE);
  OnRefresh();
}

void CPropertyPageBase::OnRefresh() { OnRefreshPage(); }

void CPropertyPageBase::OnRefreshPage() {}

BOOL CPropertyPageBase::OnKillActive() {
  // Nothing typed, nothing to validate: while the sheet opens (it shows every
  // page once to find the empty ones) and while the box keeps the edits
  // locked. A device value outside a page's limits must not hold the operator
  // on a page whose edits he cannot change.
  if (m_propSheet && (m_propSheet->IsOpening() || m_propSheet->IsAutoRefresh())) return TRUE;
  return CPropertyPage::OnKillActive();
}

HBRUSH CPropertyPageBase::OnCtlColor(CDC* dc, CWnd* control, UINT ctlColor) {
  if (HBRUSH brush = EditFocusBrush(dc, control, ctlColor, kFocusedEditColor, kEditColor)) return brush;
  return CPropertyPage::OnCtlColor(dc, control, ctlColor);
}

bool CPropertyPageBase::ShowsVisibleControl() const {
  const QWidget* page = GetWidget();
  if (!page) return false;
  for (const CWnd* child : GetChildren()) {
    const QWidget* widget = child ? child->GetWidget() : nullptr;
    if (widget && widget->isVisibleTo(page)) return true;
  }
  return false;
}

void CPropertyPageBase::ShowControls(std::initializer_list<UINT> ids, bool show) {
  for (UINT id : ids)
    if (CWnd* control = GetDlgItem(id)) control->ShowWindow(show ? SW_SHOW : SW_HIDE);
}

void CPropertyPageBase::EnableControls(std::initializer_list<UINT> ids, bool enable) {
  for (UINT id : ids)
    if (CWnd* control = GetDlgItem(id)) control->EnableWindow(enable ? TRUE : FALSE);
}
