#include "shapes/AnalogCalibrationPage.h"

#include <algorithm>

#include "shapes/AnalogCalibratorCtrl.h"
#include "shapes/BaseShape.h"
#include "shapes/ShapeDialogIds.h"

namespace {
constexpr int kFirstCalibratorX = 70;
constexpr int kCalibratorPitch = 85;
constexpr int kCalibratorY = 10;
}  // namespace

CAnalogCalibrationPage::CAnalogCalibrationPage(int pageIndex, bool numbered)
    : CPropertyPageBase(IDD_ANALOG_CALIBRATION_PAGE), m_pageIndex(pageIndex) {
  RegisterShapeDialogTemplates();
  if (numbered) {
    if (const DialogTemplate* registered = FindDialogTemplate(IDD_ANALOG_CALIBRATION_PAGE)) {
      DialogTemplate titled = *registered;
      titled.caption = "Analog Calibration [" + std::to_string(pageIndex + 1) + "]";
      UseTemplate(titled);
    }
  }
}

CAnalogCalibrationPage::~CAnalogCalibrationPage() {
  // The controls are child windows of the page: they go first.
  if (GetSafeHwnd()) DestroyWindow();
}

int CAnalogCalibrationPage::CalibratorCountOnPage(int channelCount, int pageIndex) {
  return std::clamp(channelCount - kChannelsPerPage * pageIndex, 0, kChannelsPerPage);
}

CAnalogCalibratorCtrl* CAnalogCalibrationPage::GetCalibrator(int index) const {
  return index >= 0 && index < GetCalibratorCount() ? m_calibrators[static_cast<std::size_t>(index)].get() : nullptr;
}

BOOL CAnalogCalibrationPage::OnInitDialog() {
  const BOOL result = CPropertyPageBase::OnInitDialog();
  C_BaseShape* shape = GetShape();
  const int count = shape ? CalibratorCountOnPage(shape->GetAnalogUnitCount(), m_pageIndex) : 0;
  m_calibrators.clear();
  for (int i = 0; i < count; ++i) {
    auto calibrator = std::make_unique<CAnalogCalibratorCtrl>();
    calibrator->SetShape(shape);
    calibrator->SetChannelIndex(m_pageIndex * kChannelsPerPage + i);
    if (calibrator->CreateAt(this, CPoint(kFirstCalibratorX + kCalibratorPitch * i, kCalibratorY), 0))
      m_calibrators.push_back(std::move(calibrator));
  }
  Refresh();
  return result;
}

void CAnalogCalibrationPage::Refresh() {
  for (const auto& calibrator : m_calibrators) calibrator->InitControl();
  CPropertyPageBase::RefreshControls();
}

void CAnalogCalibrationPage::RefreshControls() {
  for (const auto& calibrator : m_calibrators) calibrator->RefreshValues();
  CPropertyPageBase::RefreshControls();
}

void CAnalogCalibrationPage::OnRefreshPage() {
  CPropertyPageBase::OnRefreshPage();
  const C_BaseShape* shape = GetShape();
  bool anyVisible = false;
  for (int i = 0; shape && i < GetCalibratorCount(); ++i) {
    const CAnalogUnit* unit = shape->GetAnalogUnit(m_pageIndex * kChannelsPerPage + i);
    if (unit && shape->IsAttribVisible(unit->GetAttribIndex())) anyVisible = true;
  }
  // The group box goes with the labels: a page without a visible channel shows nothing.
  ShowControls({IDC_LABEL_PHYSICAL, IDC_LABEL_MIN_PHY, IDC_LABEL_MAX_PHY, IDC_LABEL_LOW_LEVEL, IDC_LABEL_HIGH_LEVEL,
                IDC_LABEL_PORT_VALUE, IDC_LABEL_MIN_PORT, IDC_LABEL_MAX_PORT, IDC_LABEL_TREND, IDC_GROUP_ANALOG},
               anyVisible);
}
