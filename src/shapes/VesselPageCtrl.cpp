#include "shapes/VesselPageCtrl.h"

#include "platform/base/MessageBoxService.h"
#include "platform/ui/CDataExchange.h"
#include "shapes/ShapeDialogIds.h"
#include "shapes/Vessel.h"

const char* const kTareTooHighText =
    "\u0645\u0642\u062f\u0627\u0631 \u0628\u0627\u0631 \u0686\u0633\u0628\u0646\u062f\u0647 "
    "\u0628\u0627\u0633\u0643\u0648\u0644 \u0628\u0627\u064a\u062f \u0643\u0645\u062a\u0631 \u0627\u0632 10 "
    "\u062f\u0631\u0635\u062f \u0638\u0631\u0641\u064a\u062a \u0628\u0627\u0633\u0643\u0648\u0644 \u0628\u0627\u0634\u062f";
const char* const kWarningNotBelowErrorText = "The OverloadWarningLevel must be smaller than the OverloadErrorLevel!";

namespace {
constexpr UINT kRefusalStyle = MB_OK | MB_ICONSTOP | MB_SYSTEMMODAL;
constexpr float kMaxTareShare = 0.1f;
}  // namespace

C_VesselPageCtrl::C_VesselPageCtrl() : CPropertyPageBase(IDD_VESSEL_PAGE) { RegisterShapeDialogTemplates(); }

C_Vessel* C_VesselPageCtrl::Vessel() const { return dynamic_cast<C_Vessel*>(GetShape()); }

BOOL C_VesselPageCtrl::OnInitDialog() {
  const BOOL result = CPropertyPageBase::OnInitDialog();
  EnableControls({IDC_PAGE_APPLY}, false);
  Refresh();
  return result;
}

void C_VesselPageCtrl::DoDataExchange(CDataExchange* dx) {
  CPropertyPageBase::DoDataExchange(dx);
  if (!IsExchangeAllowed()) return;
  DDX_Text(dx, IDC_EDIT_TARE, m_tareLevel);
  DDX_Text(dx, IDC_EDIT_WARNING, m_warningLevel);
  DDV_MinMaxFloat(dx, m_warningLevel, 3.0f, 10.0f);
  DDX_Text(dx, IDC_EDIT_ERROR, m_errorLevel);
  DDV_MinMaxFloat(dx, m_errorLevel, 10.0f, 100.0f);
}

void C_VesselPageCtrl::RefreshControls() {
  if (Vessel()) {
    m_tareLevel = Vessel()->GetAttribFloat(eVesselTareLevel);
    m_warningLevel = Vessel()->GetAttribFloat(eVesselOverloadWarningLevel);
    m_errorLevel = Vessel()->GetAttribFloat(eVesselOverloadErrorLevel);
  }
  CPropertyPageBase::RefreshControls();
}

void C_VesselPageCtrl::OnRefresh() {
  CPropertyPageBase::OnRefresh();
  EnableControls({IDC_EDIT_TARE, IDC_EDIT_WARNING, IDC_EDIT_ERROR}, !IsAutoRefresh());
}

void C_VesselPageCtrl::OnRefreshPage() {
  CPropertyPageBase::OnRefreshPage();
  if (!Vessel()) return;
  const bool tare = Vessel()->IsAttribVisible(eVesselTareLevel);
  const bool warning = Vessel()->IsAttribVisible(eVesselOverloadWarningLevel);
  const bool error = Vessel()->IsAttribVisible(eVesselOverloadErrorLevel);
  ShowControls({IDC_LABEL_TARE, IDC_EDIT_TARE}, tare);
  ShowControls({IDC_LABEL_WARNING, IDC_EDIT_WARNING}, warning);
  ShowControls({IDC_LABEL_ERROR, IDC_EDIT_ERROR}, error);
  ShowControls({IDC_GROUP_GENERAL, IDC_PAGE_APPLY}, tare || warning || error);
}

BOOL C_VesselPageCtrl::OnCmdMsg(UINT id, int code) {
  if ((id == IDC_EDIT_TARE || id == IDC_EDIT_WARNING || id == IDC_EDIT_ERROR) && code == static_cast<int>(EN_CHANGE)) {
    EnableControls({IDC_PAGE_APPLY}, true);
    return TRUE;
  }
  if (id == IDC_PAGE_APPLY && code == static_cast<int>(BN_CLICKED)) {
    OnApplyClicked();
    return TRUE;
  }
  return CPropertyPageBase::OnCmdMsg(id, code);
}

void C_VesselPageCtrl::OnApplyClicked() {
  if (!Vessel() || !UpdateData(TRUE)) return;
  if (m_tareLevel > kMaxTareShare * Vessel()->GetAttribFloat(eVesselMaxVluLevel)) {
    ShowMessageBox(kTareTooHighText, "", kRefusalStyle);
    return;
  }
  if (m_warningLevel >= m_errorLevel) {
    ShowMessageBox(kWarningNotBelowErrorText, "", kRefusalStyle);
    return;
  }
  Vessel()->ApplyAndSave(eVesselTareLevel, Variant::R4(m_tareLevel));
  Vessel()->ApplyAndSave(eVesselOverloadWarningLevel, Variant::R4(m_warningLevel));
  Vessel()->ApplyAndSave(eVesselOverloadErrorLevel, Variant::R4(m_errorLevel));
  EnableControls({IDC_PAGE_APPLY}, false);
}
