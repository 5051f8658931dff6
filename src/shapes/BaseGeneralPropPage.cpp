#include "shapes/BaseGeneralPropPage.h"

#include "platform/ui/CDataExchange.h"
#include "shapes/BaseShape.h"
#include "shapes/ShapeDialogIds.h"

CBaseGeneralPropPage::CBaseGeneralPropPage() : CPropertyPageBase(IDD_GENERAL_PAGE) {
  RegisterShapeDialogTemplates();
  BindControl(IDC_COMBO_ACTUATOR, m_actuatorType);
}

BOOL CBaseGeneralPropPage::OnInitDialog() {
  for (const char* type : {"Low Speed", "High Speed", "High/Low Speed", "Analog Control"}) m_actuatorType.AddString(type);
  const BOOL result = CPropertyPageBase::OnInitDialog();
  EnableControls({IDC_PAGE_APPLY}, false);
  Refresh();
  return result;
}

void CBaseGeneralPropPage::DoDataExchange(CDataExchange* dx) {
  CPropertyPageBase::DoDataExchange(dx);
  if (!IsExchangeAllowed()) return;
  DDX_Control(dx, IDC_COMBO_ACTUATOR, m_actuatorType);
  DDX_Text(dx, IDC_EDIT_PERCENT, m_percentOfHighLowSpeed);
  DDV_MinMaxInt(dx, m_percentOfHighLowSpeed, 0, 90);
  DDX_Text(dx, IDC_EDIT_LOAD_IN_WAY, m_loadInWay);
}

void CBaseGeneralPropPage::RefreshControls() {
  C_BaseShape* shape = GetShape();
  if (shape && CanLoadControls()) {
    const int type = shape->GetAttribInt(eShapeActuatorControlType);
    if (m_actuatorType.GetSafeHwnd() && m_actuatorType.GetCurSel() != type) {
      m_actuatorType.SetCurSel(type);
      OnSelectionChanged();
    }
    m_loadInWay = shape->GetAttribFloat(eShapeLoadInWay);
    m_percentOfHighLowSpeed = shape->GetAttribInt(eShapePercentOfHighLowSpeed);
  }
  CPropertyPageBase::RefreshControls();
}

void CBaseGeneralPropPage::OnRefresh() {
  CPropertyPageBase::OnRefresh();
  const bool editable = !IsAutoRefresh();
  EnableControls({IDC_COMBO_ACTUATOR, IDC_EDIT_LOAD_IN_WAY}, editable);
  const bool highLow = m_actuatorType.GetSafeHwnd() && m_actuatorType.GetCurSel() == kHighLowSpeed;
  EnableControls({IDC_EDIT_PERCENT}, editable && highLow);
}

void CBaseGeneralPropPage::OnRefreshPage() {
  CPropertyPageBase::OnRefreshPage();
  const C_BaseShape* shape = GetShape();
  if (!shape) return;
  const bool type = shape->IsAttribVisible(eShapeActuatorControlType);
  const bool load = shape->IsAttribVisible(eShapeLoadInWay);
  const bool percent = shape->IsAttribVisible(eShapePercentOfHighLowSpeed);
  ShowControls({IDC_LABEL_ACTUATOR, IDC_COMBO_ACTUATOR}, type);
  ShowControls({IDC_LABEL_LOAD_IN_WAY, IDC_EDIT_LOAD_IN_WAY}, load);
  ShowControls({IDC_LABEL_PERCENT, IDC_EDIT_PERCENT}, percent);
  ShowControls({IDC_GROUP_GENERAL, IDC_PAGE_APPLY}, type || load || percent);
}

void CBaseGeneralPropPage::OnSelectionChanged() {
  EnableControls({IDC_PAGE_APPLY}, true);
  OnRefresh();
}

BOOL CBaseGeneralPropPage::OnCmdMsg(UINT id, int code) {
  if (id == IDC_COMBO_ACTUATOR && code == static_cast<int>(CBN_SELCHANGE)) {
    OnSelectionChanged();
    return TRUE;
  }
  if ((id == IDC_EDIT_PERCENT || id == IDC_EDIT_LOAD_IN_WAY) && code == static_cast<int>(EN_CHANGE)) {
    EnableControls({IDC_PAGE_APPLY}, true);
    return TRUE;
  }
  if (id == IDC_PAGE_APPLY && code == static_cast<int>(BN_CLICKED)) {
    OnApplyClicked();
    return TRUE;
  }
  return CPropertyPageBase::OnCmdMsg(id, code);
}

void CBaseGeneralPropPage::OnApplyClicked() {
  C_BaseShape* shape = GetShape();
  if (!shape || !UpdateData(TRUE)) return;
  shape->ApplyAndSave(eShapeLoadInWay, Variant::R4(m_loadInWay));
  shape->ApplyAndSave(eShapePercentOfHighLowSpeed, Variant::I4(m_percentOfHighLowSpeed));
  // No selection: the stored type is one the list does not know; it stays.
  if (const int type = m_actuatorType.GetCurSel(); type >= 0)
    shape->ApplyAndSave(eShapeActuatorControlType, Variant::I4(type));
  EnableControls({IDC_PAGE_APPLY}, false);
}
