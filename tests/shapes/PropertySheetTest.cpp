// The shape property sheet and its vessel, general and graphic pages.
#include "ShapeDialogTestSupport.h"
#include "platform/ui/CTabCtrl.h"
#include "shapes/AnalogCalibrationPage.h"
#include "shapes/BaseGeneralPropPage.h"
#include "shapes/GraphicPropPage.h"
#include "shapes/GearPump.h"
#include "shapes/Vessel.h"
#include "shapes/VesselPageCtrl.h"

namespace {

class PropertySheetTest : public ShapeDialogTest {
 protected:
  C_Vessel& Mixer(const std::string& settings = std::string()) {
    AddSection("Vessel.Mixer2", settings);
    return Make<C_Vessel>(BYTE{1}, ShapeRecord(10, 10, 110, 160, 0, 4, "Mixer2"), 0);
  }
  static std::vector<std::string> Titles(const C_BaseShapePropSheet& sheet) {
    std::vector<std::string> titles;
    for (int i = 0; i < sheet.GetPageCount(); ++i) titles.push_back(sheet.GetPage(i)->GetTitle());
    return titles;
  }
  using Texts = std::vector<std::string>;
};

TEST_F(PropertySheetTest, EachKindGetsItsPagesAndTheSheetItsLookWhileTheShapeBlinks) {
  C_Vessel& mixer = Mixer();
  WithSheet(mixer, [&](C_BaseShapePropSheet& sheet) {
    EXPECT_EQ(sheet.GetWindowText(), "Control Properties   [Vessel.Mixer2]");
    EXPECT_EQ(Titles(sheet), (Texts{"Vessel Setting", "Analog Calibration", "Graphic", "General Setting"}));
    EXPECT_EQ(FindPage<CAnalogCalibrationPage>(sheet)->GetCalibratorCount(), 3);
    EXPECT_TRUE(sheet.IsAutoRefresh());
    EXPECT_FALSE(sheet.GetDlgItem(IDOK)->IsWindowVisible());
    EXPECT_FALSE(sheet.GetDlgItem(ID_APPLY_NOW)->IsWindowVisible());
    EXPECT_EQ(Text(sheet, IDCANCEL), "Close");
    EXPECT_TRUE(mixer.IsPropSheetOpen());
    EXPECT_TRUE(TimerArmed(mixer, SHAPE_BLINK_TIMER));
    // The box sits in the buttons' row, 130 pixels right of the tabs.
    CRect box, tabs, close;
    sheet.GetAutoRefreshBox().GetWindowRect(&box);
    sheet.GetTabControl()->GetWindowRect(&tabs);
    sheet.GetDlgItem(IDCANCEL)->GetWindowRect(&close);
    EXPECT_EQ(box.left - tabs.left, 130);
    EXPECT_EQ(box.Width(), 100);
    EXPECT_EQ(box.top, close.top);
    // A double click copies the section name.
    sheet.SendMessage(WM_LBUTTONDBLCLK, 0, MAKELPARAM(3, 3));
    EXPECT_EQ(m_clipboard.Text(), "Vessel.Mixer2");
  });
  EXPECT_FALSE(mixer.IsPropSheetOpen());

  // A pump's one channel; the test kind has none, and its empty calibration page goes.
  AddSection("GearPump.Batcher01-ChargePump");
  C_GearPump& pump = Make<C_GearPump>(BYTE{1}, ShapeRecord(10, 10, 25, 38, 0, 1, "Batcher01-ChargePump"), 0);
  WithSheet(pump, [&](C_BaseShapePropSheet& sheet) {
    EXPECT_EQ(Titles(sheet), (Texts{"Analog Calibration", "Graphic", "General Setting"}));
  });
  WithSheet(Shape(), [&](C_BaseShapePropSheet& sheet) { EXPECT_EQ(Titles(sheet), (Texts{"Graphic", "General Setting"})); });
}

TEST_F(PropertySheetTest, ChannelsBeyondFourSpreadOverNumberedPages) {
  EXPECT_EQ(CAnalogCalibrationPage::CalibratorCountOnPage(3, 0), 3);
  EXPECT_EQ(CAnalogCalibrationPage::CalibratorCountOnPage(8, 1), 4);  // not 8 mod 4
  EXPECT_EQ(CAnalogCalibrationPage::CalibratorCountOnPage(5, 1), 1);
  EXPECT_EQ(CAnalogCalibrationPage::CalibratorCountOnPage(0, 0), 0);
  TestKindShape& shape = Shape();
  shape.CreateAnalogUnits(5);
  WithSheet(shape, [&](C_BaseShapePropSheet& sheet) {
    EXPECT_EQ(Titles(sheet), (Texts{"Analog Calibration [1]", "Analog Calibration [2]", "Graphic", "General Setting"}));
    EXPECT_EQ(dynamic_cast<CAnalogCalibrationPage*>(sheet.GetPage(1))->GetCalibratorCount(), 1);
  });
}

TEST_F(PropertySheetTest, InvisibleGeneralAttributesDropTheGeneralPage) {
  C_Vessel& mixer = Mixer("ActuatorControlType.Visible=No\nLoadInWay.Visible=No\nPercentOfHighLowSpeed.Visible=No\n");
  WithSheet(mixer, [&](C_BaseShapePropSheet& sheet) {
    EXPECT_EQ(Titles(sheet), (Texts{"Vessel Setting", "Analog Calibration", "Graphic"}));
  });
}

TEST_F(PropertySheetTest, TheLastActivePageIsRememberedAndClampedToThePagesKept) {
  C_Vessel& mixer = Mixer();
  WithSheet(mixer, [&](C_BaseShapePropSheet& sheet) { sheet.SetActivePage(3); });
  EXPECT_EQ(C_BaseShapePropSheet::GetLastActivePage(), 3);
  WithSheet(mixer, [&](C_BaseShapePropSheet& sheet) { EXPECT_EQ(sheet.GetActiveIndex(), 3); });
  // The test kind keeps two pages: the sheet opens on the last one.
  WithSheet(Shape(), [&](C_BaseShapePropSheet& sheet) { EXPECT_EQ(sheet.GetActiveIndex(), 1); });
  EXPECT_EQ(C_BaseShapePropSheet::GetLastActivePage(), 1);
}

TEST_F(PropertySheetTest, TheBoxLocksTheEditsAndWithItClearATypedValueSurvivesTheRefresh) {
  C_Vessel& mixer = Mixer("TareLevel.Data=2\n");
  WithSheet(mixer, [&](C_BaseShapePropSheet& sheet) {
    auto& page = Show<C_VesselPageCtrl>(sheet);
    EXPECT_FALSE(Enabled(page, IDC_EDIT_TARE));
    EXPECT_EQ(Text(page, IDC_EDIT_TARE), "2");
    SetAutoRefresh(sheet, false);
    EXPECT_TRUE(Enabled(page, IDC_EDIT_TARE));
    Type(page, IDC_EDIT_TARE, "7");
    mixer.SetAttribFloat(eVesselTareLevel, 3.0f);
    FireTimer(page, PROPERTY_PAGE_REFRESH_TIMER);
    EXPECT_EQ(Text(page, IDC_EDIT_TARE), "7");
    // Checked again: the page follows the device.
    SetAutoRefresh(sheet, true);
    EXPECT_EQ(Text(page, IDC_EDIT_TARE), "3");
    EXPECT_FALSE(Enabled(page, IDC_EDIT_TARE));
  });
}

TEST_F(PropertySheetTest, VesselPageRefusesAHeavyTareAndAWarningNotBelowTheErrorStoringNothing) {
  C_Vessel& mixer = Mixer("MaxVluLevel.Data=100\n");
  const float tare = mixer.GetAttribFloat(eVesselTareLevel);
  WithSheet(mixer, [&](C_BaseShapePropSheet& sheet) {
    auto& page = Show<C_VesselPageCtrl>(sheet);
    SetAutoRefresh(sheet, false);
    EXPECT_FALSE(Enabled(page, IDC_PAGE_APPLY));
    m_form.Forget();
    Type(page, IDC_EDIT_TARE, "11");
    m_boxes.Expect(IDOK, kTareTooHighText);
    Click(page, IDC_PAGE_APPLY);
    Type(page, IDC_EDIT_TARE, "5");
    Type(page, IDC_EDIT_WARNING, "10");
    Type(page, IDC_EDIT_ERROR, "10");
    m_boxes.Expect(IDOK, kWarningNotBelowErrorText);
    Click(page, IDC_PAGE_APPLY);
  });
  ASSERT_EQ(m_boxes.Count(), 2u);
  for (const auto& box : m_boxes.Boxes()) EXPECT_EQ(box.style, static_cast<UINT>(MB_OK | MB_ICONSTOP | MB_SYSTEMMODAL));
  EXPECT_EQ(m_boxes.Boxes()[0].text, kTareTooHighText);
  EXPECT_TRUE(StoredIndexes().empty());
  EXPECT_FLOAT_EQ(mixer.GetAttribFloat(eVesselTareLevel), tare);
  EXPECT_EQ(Settings().find("TareLevel.Data"), std::string::npos);
}

TEST_F(PropertySheetTest, ADeviceValueOutsideThePageLimitsDoesNotHoldTheOperatorOnThePage) {
  C_Vessel& mixer = Mixer("OverloadWarningLevel.Data=2\n");
  WithSheet(mixer, [&](C_BaseShapePropSheet& sheet) {
    Show<C_VesselPageCtrl>(sheet);
    EXPECT_TRUE(sheet.SetActivePage(2));  // the edits are locked: nothing to validate
    Show<C_VesselPageCtrl>(sheet);
    SetAutoRefresh(sheet, false);
    m_boxes.Expect(IDOK);  // typed values are validated as ever
    EXPECT_FALSE(sheet.SetActivePage(2));
  });
  EXPECT_EQ(m_boxes.Count(), 1u);
}

TEST_F(PropertySheetTest, VesselPageAppliesTareWarningAndErrorInThatOrder) {
  C_Vessel& mixer = Mixer("MaxVluLevel.Data=100\n");
  WithSheet(mixer, [&](C_BaseShapePropSheet& sheet) {
    auto& page = Show<C_VesselPageCtrl>(sheet);
    SetAutoRefresh(sheet, false);
    m_form.Forget();
    Type(page, IDC_EDIT_TARE, "6");
    Type(page, IDC_EDIT_WARNING, "4");
    Type(page, IDC_EDIT_ERROR, "20");
    EXPECT_TRUE(Enabled(page, IDC_PAGE_APPLY));
    Click(page, IDC_PAGE_APPLY);
    EXPECT_FALSE(Enabled(page, IDC_PAGE_APPLY));
  });
  EXPECT_EQ(StoredIndexes(), (std::vector<int>{eVesselTareLevel, eVesselOverloadWarningLevel, eVesselOverloadErrorLevel}));
  const std::string settings = Settings();
  EXPECT_NE(settings.find("TareLevel.Data=6"), std::string::npos);
  EXPECT_NE(settings.find("OverloadWarningLevel.Data=4"), std::string::npos);
  EXPECT_NE(settings.find("OverloadErrorLevel.Data=20"), std::string::npos);
}

TEST_F(PropertySheetTest, GeneralPageOffersThePercentageOnlyForHighLowSpeedAndAppliesInOrder) {
  TestKindShape& shape = Shape();
  WithSheet(shape, [&](C_BaseShapePropSheet& sheet) {
    auto& page = Show<CBaseGeneralPropPage>(sheet);
    SetAutoRefresh(sheet, false);
    auto* types = dynamic_cast<CComboBox*>(page.GetDlgItem(IDC_COMBO_ACTUATOR));
    ASSERT_NE(types, nullptr);
    ASSERT_EQ(types->GetCount(), 4);
    EXPECT_EQ(types->GetLBText(2), "High/Low Speed");
    for (int type : {3, 2}) {
      types->SetCurSel(type);
      page.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_COMBO_ACTUATOR, CBN_SELCHANGE), 0);
      EXPECT_EQ(Enabled(page, IDC_EDIT_PERCENT), type == 2) << types->GetLBText(type);
    }
    // A percentage out of range is the framework's message, and nothing is applied.
    m_form.Forget();
    Type(page, IDC_EDIT_PERCENT, "95");
    m_boxes.Expect(IDOK);
    Click(page, IDC_PAGE_APPLY);
    EXPECT_TRUE(StoredIndexes().empty());
    Type(page, IDC_EDIT_PERCENT, "40");
    Type(page, IDC_EDIT_LOAD_IN_WAY, "1.5");
    Click(page, IDC_PAGE_APPLY);
  });
  EXPECT_EQ(StoredIndexes(), (std::vector<int>{eShapeLoadInWay, eShapePercentOfHighLowSpeed, eShapeActuatorControlType}));
  EXPECT_EQ(shape.GetAttribInt(eShapeActuatorControlType), 2);
  EXPECT_EQ(shape.GetAttribInt(eShapePercentOfHighLowSpeed), 40);
}

TEST_F(PropertySheetTest, GraphicPageUndoesAnUnsavedColourAndSaveWritesIt) {
  TestKindShape& shape = Shape();
  const int background = shape.GetAttribInt(eShapeColorBG);
  auto choose = [](COLORREF colour) {
    common_dialog_script::Push([colour](const common_dialog_script::Request&) {
      common_dialog_script::Answer answer;
      answer.accepted = true;
      answer.color = colour;
      return answer;
    });
  };
  WithSheet(shape, [&](C_BaseShapePropSheet& sheet) {
    auto& page = Show<CGraphicPropPage>(sheet);
    EXPECT_EQ(Text(page, IDC_EDIT_UNIQUE_ID), "0x01010003");
    EXPECT_FALSE(Enabled(page, IDC_SAVE_COLORS));
    choose(RGB(1, 2, 3));
    Click(page, IDC_COLOR_BG);
    EXPECT_EQ(shape.GetAttribInt(eShapeColorBG), static_cast<int>(RGB(1, 2, 3)));
    EXPECT_TRUE(Enabled(page, IDC_SAVE_COLORS));
    EXPECT_TRUE(Enabled(page, IDC_CANCEL_COLORS));
  });
  EXPECT_EQ(shape.GetAttribInt(eShapeColorBG), background);
  EXPECT_EQ(Settings().find("ColorBG.Data"), std::string::npos);
  // Ended by Enter (the hidden OK) instead of Close: the same.
  WithSheet(shape, [&](C_BaseShapePropSheet& sheet) {
    auto& page = Show<CGraphicPropPage>(sheet);
    choose(RGB(1, 2, 3));
    Click(page, IDC_COLOR_BG);
    sheet.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  });
  EXPECT_EQ(shape.GetAttribInt(eShapeColorBG), background);

  WithSheet(shape, [&](C_BaseShapePropSheet& sheet) {
    auto& page = Show<CGraphicPropPage>(sheet);
    choose(RGB(4, 5, 6));
    Click(page, IDC_COLOR_FG);
    choose(RGB(7, 8, 9));
    Click(page, IDC_COLOR_BODY);
    Click(page, IDC_SAVE_COLORS);
    EXPECT_FALSE(Enabled(page, IDC_SAVE_COLORS));
  });
  EXPECT_EQ(shape.GetAttribInt(eShapeColorFG), static_cast<int>(RGB(4, 5, 6)));
  EXPECT_EQ(shape.GetAttribInt(eShapeColorFgOld), static_cast<int>(RGB(4, 5, 6)));
  const std::string settings = Settings();
  EXPECT_NE(settings.find("ColorFG.Data=" + std::to_string(RGB(4, 5, 6))), std::string::npos);
  EXPECT_NE(settings.find("ColorBody.Data=" + std::to_string(RGB(7, 8, 9))), std::string::npos);
}

}  // namespace
