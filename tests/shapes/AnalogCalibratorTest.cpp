// The analog calibration control on a vessel's calibration page.
#include <QCoreApplication>
#include <QWidget>

#include "ShapeDialogTestSupport.h"
#include "controls/CBalloonHelp.h"
#include "platform/ui/CControlBase.h"
#include "platform/ui/ColorRef.h"
#include "shapes/AnalogCalibrationPage.h"
#include "shapes/AnalogCalibratorCtrl.h"
#include "shapes/Vessel.h"

namespace {

class AnalogCalibratorTest : public ShapeDialogTest {
 protected:
  C_Vessel& Mixer(const std::string& settings = std::string()) {
    AddSection("Vessel.Mixer2", "MaxVluLevel.Data=2000\nLevel.Data=500\nLevelPort.Data=12\n" + settings);
    return Make<C_Vessel>(BYTE{1}, ShapeRecord(10, 10, 110, 160, 0, 4, "Mixer2"), 0);
  }
  // Runs `body` on the level channel's control, its page shown.
  void WithLevel(C_Vessel& mixer, const std::function<void(C_BaseShapePropSheet&, CAnalogCalibrationPage&,
                                                           CAnalogCalibratorCtrl&)>& body) {
    WithSheet(mixer, [&](C_BaseShapePropSheet& sheet) {
      auto& page = Show<CAnalogCalibrationPage>(sheet);
      CAnalogCalibratorCtrl* level = page.GetCalibrator(eVesselChannelLevel);
      ASSERT_NE(level, nullptr);
      body(sheet, page, *level);
    });
  }
  static constexpr UINT kLimits[] = {IDC_CALIB_MIN,       IDC_CALIB_MAX,      IDC_CALIB_LOW_ALARM,
                                     IDC_CALIB_HIGH_ALARM, IDC_CALIB_PORT_MIN, IDC_CALIB_PORT_MAX};
};

TEST_F(AnalogCalibratorTest, AutoRefreshReloadsAllEightWithoutItOnlyTheLiveValuesMove) {
  C_Vessel& mixer = Mixer();
  WithLevel(mixer, [&](C_BaseShapePropSheet& sheet, CAnalogCalibrationPage& page, CAnalogCalibratorCtrl& level) {
    EXPECT_EQ(Text(level, IDC_CALIB_CAPTION), "Level");
    EXPECT_EQ(Text(level, IDC_CALIB_PHYSICAL), "500");
    EXPECT_EQ(Text(level, IDC_CALIB_MAX), "2000");
    EXPECT_EQ(Text(level, IDC_CALIB_TREND), "");
    EXPECT_FALSE(Enabled(level, IDC_CALIB_APPLY));
    for (UINT id : kLimits) EXPECT_FALSE(Enabled(level, id)) << id;
    mixer.SetAttribFloat(eVesselMaxVluLevel, 2500.0f);
    mixer.SetAttribFloat(eVesselLevel, 600.0f);
    FireTimer(page, PROPERTY_PAGE_REFRESH_TIMER);
    EXPECT_EQ(Text(level, IDC_CALIB_MAX), "2500");
    EXPECT_EQ(Text(level, IDC_CALIB_PHYSICAL), "600");

    SetAutoRefresh(sheet, false);
    for (UINT id : kLimits) EXPECT_TRUE(Enabled(level, id)) << id;
    Type(level, IDC_CALIB_MAX, "3000");
    mixer.SetAttribFloat(eVesselMaxVluLevel, 2200.0f);
    mixer.SetAttribFloat(eVesselLevel, 700.0f);
    FireTimer(page, PROPERTY_PAGE_REFRESH_TIMER);
    EXPECT_EQ(Text(level, IDC_CALIB_MAX), "3000");
    EXPECT_EQ(Text(level, IDC_CALIB_PHYSICAL), "700");
  });
}

TEST_F(AnalogCalibratorTest, ApplyWritesTheSixLimitsAsFloatsInRoleOrderThenTurnsOff) {
  C_Vessel& mixer = Mixer();
  WithLevel(mixer, [&](C_BaseShapePropSheet& sheet, CAnalogCalibrationPage&, CAnalogCalibratorCtrl& level) {
    SetAutoRefresh(sheet, false);
    m_form.Forget();
    const char* typed[] = {"10", "1900", "50", "1800", "4", "20"};
    for (std::size_t i = 0; i < std::size(kLimits); ++i) Type(level, kLimits[i], typed[i]);
    Type(level, IDC_CALIB_PHYSICAL, "999");  // never written
    EXPECT_TRUE(Enabled(level, IDC_CALIB_APPLY));
    Click(level, IDC_CALIB_APPLY);
    EXPECT_FALSE(Enabled(level, IDC_CALIB_APPLY));
  });
  EXPECT_EQ(StoredIndexes(), (std::vector<int>{eVesselMinVluLevel, eVesselMaxVluLevel, eVesselLlaVluLevel,
                                               eVesselHlaVluLevel, eVesselMinVluLevelPort, eVesselMaxVluLevelPort}));
  EXPECT_EQ(mixer.GetAttribDataType(eVesselHlaVluLevel), VT_R4);
  EXPECT_FLOAT_EQ(mixer.GetAttribFloat(eVesselHlaVluLevel), 1800.0f);
  EXPECT_FLOAT_EQ(mixer.GetAttribFloat(eVesselLevel), 500.0f);
  EXPECT_NE(Settings().find("MaxVluLevelPort.Data=20"), std::string::npos);
}

TEST_F(AnalogCalibratorTest, InvisibleValuesDisableTheirEditOrTheWholeControl) {
  C_Vessel& mixer = Mixer("LevelPort.Visible=No\nSpeed.Visible=No\n");
  WithSheet(mixer, [&](C_BaseShapePropSheet& sheet) {
    auto& page = Show<CAnalogCalibrationPage>(sheet);
    SetAutoRefresh(sheet, false);
    CAnalogCalibratorCtrl& level = *page.GetCalibrator(eVesselChannelLevel);
    EXPECT_FALSE(Enabled(level, IDC_CALIB_PORT));
    EXPECT_TRUE(Enabled(level, IDC_CALIB_PORT_MIN));
    EXPECT_TRUE(level.IsWindowEnabled());
    EXPECT_FALSE(page.GetCalibrator(eVesselChannelSpeed)->IsWindowEnabled());
    EXPECT_TRUE(page.GetCalibrator(eVesselChannelTemperature)->IsWindowEnabled());
  });
}

TEST_F(AnalogCalibratorTest, TheFocusedEditIsGreenTheOthersYellowAndTheTrendButtonOnlyAnnounces) {
  C_Vessel& mixer = Mixer();
  WithLevel(mixer, [&](C_BaseShapePropSheet& sheet, CAnalogCalibrationPage&, CAnalogCalibratorCtrl& level) {
    SetAutoRefresh(sheet, false);
    auto* focused = dynamic_cast<CControlBase*>(level.GetDlgItem(IDC_CALIB_MIN));
    auto* other = dynamic_cast<CControlBase*>(level.GetDlgItem(IDC_CALIB_MAX));
    ASSERT_TRUE(focused && other);
    sheet.GetWidget()->activateWindow();
    QCoreApplication::processEvents();
    focused->SetFocus();
    ASSERT_EQ(CWnd::GetFocus(), focused);
    focused->UpdateControlColors();
    other->UpdateControlColors();
    EXPECT_EQ(QColorToColorRef(focused->GetWidget()->palette().color(QPalette::Base)), RGB(151, 255, 151));
    EXPECT_EQ(QColorToColorRef(other->GetWidget()->palette().color(QPalette::Base)), RGB(255, 255, 157));

    Click(level, IDC_CALIB_TREND);
    DeliverPosted();
    const std::vector<CBalloonHelp*> balloons = CBalloonHelp::Balloons();
    ASSERT_EQ(balloons.size(), 1u);
    EXPECT_EQ(balloons[0]->GetText(), "Under construction :)");
  });
}

}  // namespace
