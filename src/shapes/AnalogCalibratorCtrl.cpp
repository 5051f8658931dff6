#include "shapes/AnalogCalibratorCtrl.h"

#include "controls/CBalloonHelp.h"
#include "controls/ControlPictures.h"
#include "platform/ui/CDataExchange.h"
#include "platform/ui/ResourceRegistry.h"
#include "shapes/AnalogCalibrationPage.h"
#include "shapes/BaseShape.h"
#include "controls/EditFocusColors.h"
#include "shapes/ShapeDialogIds.h"

namespace {
constexpr int kWrittenRoles[] = {eAnalogMin, eAnalogMax, eAnalogLowAlarm, eAnalogHighAlarm, eAnalogPortMin,
                                 eAnalogPortMax};
constexpr UINT kBalloonOptions = 0x81C0;
constexpr UINT kBalloonTimeoutMs = 3000;
}  // namespace

CAnalogCalibratorCtrl::CAnalogCalibratorCtrl() {
  RegisterShapeDialogTemplates();
  EnsureControlPictures();
  BindControl(IDC_CALIB_CAPTION, m_caption);
  BindControl(IDC_CALIB_TREND, m_trend);
}

UINT CAnalogCalibratorCtrl::GetTemplateID() const { return IDD_ANALOG_CALIBRATOR; }

BOOL CAnalogCalibratorCtrl::IsAutoRefresh() const { return m_page ? m_page->IsAutoRefresh() : FALSE; }

bool CAnalogCalibratorCtrl::GetGroup(std::array<int, ANALOG_GROUP_SIZE>& group) const {
  const CAnalogUnit* unit = m_shape ? m_shape->GetAnalogUnit(m_channelIndex) : nullptr;
  return unit && m_shape->GetAnalogGroup(unit->GetAttribIndex(), group);
}

void CAnalogCalibratorCtrl::DoDataExchange(CDataExchange* dx) {
  CChildDlgCtrl::DoDataExchange(dx);
  if (!dx->m_bSaveAndValidate && IsWindowVisible() && !IsAutoRefresh()) {
    // The operator may be typing limits: only the live values move.
    DDX_Text(dx, IDC_CALIB_PHYSICAL, m_values[eAnalogPhysical]);
    DDX_Text(dx, IDC_CALIB_PORT, m_values[eAnalogPort]);
    return;
  }
  for (int role = 0; role < ANALOG_GROUP_SIZE; ++role)
    DDX_Text(dx, kCalibratorEditIds[role], m_values[static_cast<std::size_t>(role)]);
}

BOOL CAnalogCalibratorCtrl::OnInitDialog() {
  m_page = dynamic_cast<CAnalogCalibrationPage*>(GetParent());
  const BOOL result = CChildDlgCtrl::OnInitDialog();
  InitControl();
  if (CWnd* apply = GetDlgItem(IDC_CALIB_APPLY)) apply->EnableWindow(FALSE);
  m_trend.SetWindowText("");
  m_trend.SetIcon(static_cast<int>(IDI_LAMP_OFF), 0);
  return result;
}

void CAnalogCalibratorCtrl::InitControl() { RefreshValues(); }

void CAnalogCalibratorCtrl::RefreshValues() {
  const CAnalogUnit* unit = m_shape ? m_shape->GetAnalogUnit(m_channelIndex) : nullptr;
  std::array<int, ANALOG_GROUP_SIZE> group{};
  if (GetGroup(group)) {
    for (int role = 0; role < ANALOG_GROUP_SIZE; ++role)
      m_values[static_cast<std::size_t>(role)] = m_shape->GetAttribFloat(group[static_cast<std::size_t>(role)]);
    if (GetSafeHwnd()) UpdateData(FALSE);
  }
  if (unit && m_caption.GetSafeHwnd() && m_caption.GetWindowText() != unit->GetName()) {
    m_caption.SetWindowText(unit->GetName());
    if (CWnd* apply = GetDlgItem(IDC_CALIB_APPLY)) apply->Invalidate();
  }
  UpdateEnabling();
}

void CAnalogCalibratorCtrl::UpdateEnabling() {
  const bool editable = !IsAutoRefresh();
  for (int role : kWrittenRoles)
    if (CWnd* edit = GetDlgItem(kCalibratorEditIds[role])) edit->EnableWindow(editable ? TRUE : FALSE);
  DisableHiddenFields();
}

void CAnalogCalibratorCtrl::DisableHiddenFields() {
  std::array<int, ANALOG_GROUP_SIZE> group{};
  if (!GetSafeHwnd() || !GetGroup(group)) return;
  if (!m_shape->IsAttribVisible(group[eAnalogPhysical])) {
    EnableWindow(FALSE);
    return;
  }
  // A channel made visible again is usable again.
  EnableWindow(TRUE);
  for (int role = 0; role < ANALOG_GROUP_SIZE; ++role) {
    if (m_shape->IsAttribVisible(group[static_cast<std::size_t>(role)])) continue;
    if (CWnd* edit = GetDlgItem(kCalibratorEditIds[role])) edit->EnableWindow(FALSE);
  }
}

BOOL CAnalogCalibratorCtrl::OnCmdMsg(UINT id, int code) {
  if (code == static_cast<int>(EN_CHANGE)) {
    for (UINT editId : kCalibratorEditIds) {
      if (editId != id) continue;
      if (CWnd* apply = GetDlgItem(IDC_CALIB_APPLY)) apply->EnableWindow(TRUE);
      return TRUE;
    }
  }
  if (code == static_cast<int>(BN_CLICKED) && id == IDC_CALIB_APPLY) {
    OnApply();
    return TRUE;
  }
  if (code == static_cast<int>(BN_CLICKED) && id == IDC_CALIB_TREND) {
    OnTrendConfig();
    return TRUE;
  }
  return CChildDlgCtrl::OnCmdMsg(id, code);
}

void CAnalogCalibratorCtrl::OnApply() {
  if (!UpdateData(TRUE)) return;
  std::array<int, ANALOG_GROUP_SIZE> group{};
  if (GetGroup(group)) {
    // The physical and the port value come from the device: never written here.
    for (int role : kWrittenRoles)
      m_shape->ApplyAndSave(group[static_cast<std::size_t>(role)],
                            Variant::R4(m_values[static_cast<std::size_t>(role)]));
  }
  if (CWnd* apply = GetDlgItem(IDC_CALIB_APPLY)) apply->EnableWindow(FALSE);
}

void CAnalogCalibratorCtrl::OnTrendConfig() {
  CBalloonHelp::ShowBalloon("Trend Config", "Under construction :)", &m_trend, IDI_INFORMATION, kBalloonOptions,
                            kBalloonTimeoutMs);
}

HBRUSH CAnalogCalibratorCtrl::OnCtlColor(CDC* dc, CWnd* control, UINT ctlColor) {
  if (HBRUSH brush = EditFocusBrush(dc, control, ctlColor, kFocusedEditColor, kEditColor)) return brush;
  return CChildDlgCtrl::OnCtlColor(dc, control, ctlColor);
}
