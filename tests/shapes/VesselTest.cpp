#include <QImage>

#include "KindTestSupport.h"
#include "shapes/Vessel.h"

namespace {

constexpr int kMixerVesselFlags = 0x593C7;
constexpr int kBatcherVesselFlags = 0x8400;

ShapeRecord MixerRecord(int form = 4, int drawFlags = kMixerVesselFlags) {
  return ShapeRecord(10, 10, 110, 160, 0, form, "Mixer2", drawFlags);
}

using VesselTest = KindTest;

TEST_F(VesselTest, DefaultsFollowTheForm) {
  const struct {
    int form;
    float maxLevel;
    float maxSpeed;
  } cases[] = {{1, 100.0f, 2500.0f}, {4, 3500.0f, 3500.0f}, {2, 1800.0f, 1800.0f}};
  int instance = 0;
  for (const auto& c : cases) {
    C_Vessel& vessel = Make<C_Vessel>(BYTE{1}, ShapeRecord(0, 0, 50, 80, 0, c.form, "Tank" + std::to_string(c.form)), instance++);
    EXPECT_FLOAT_EQ(vessel.GetAttribFloat(eVesselMaxVluLevel), c.maxLevel) << c.form;
    EXPECT_FLOAT_EQ(vessel.GetAttribFloat(eVesselMaxVluSpeed), c.maxSpeed) << c.form;
    EXPECT_FLOAT_EQ(vessel.GetAttribFloat(eVesselMaxVluTemperature), c.maxSpeed) << c.form;
  }
  C_Vessel& mixer = Make<C_Vessel>(BYTE{1}, MixerRecord(), 5);
  EXPECT_EQ(mixer.GetAttribInt(eShapeColorBG), 7255100);
  EXPECT_EQ(mixer.GetAttribInt(eShapeColorFG), 14811135);
  EXPECT_EQ(mixer.GetAttribInt(eShapeColorBgOld), 7255100);
  EXPECT_FLOAT_EQ(mixer.GetAttribFloat(eVesselSpeed), 100.0f);
  EXPECT_FLOAT_EQ(mixer.GetAttribFloat(eVesselTareLevel), 0.2f);
  EXPECT_EQ(mixer.GetAnalogGroupAttrib(eVesselSpeedPort, eAnalogMax), eVesselMaxVluSpeed);
  EXPECT_EQ(mixer.GetAnalogRole(eVesselHlaVluLevel), eAnalogNone);
}

TEST_F(VesselTest, AttributeTypesFollowEachOtherInTheCommonAndTheVesselRanges) {
  C_Vessel& mixer = Make<C_Vessel>(BYTE{1}, MixerRecord(), 0);
  const std::pair<int, VARTYPE> boundaries[] = {
      {eShapeLoadInWay, VT_R4},          {eShapeBaseReserveBool1, VT_BOOL},   {eShapeDeviceIsOverloaded, VT_BOOL},
      {eShapeBaseReserveInt1, VT_I4},    {eShapePercentOfHighLowSpeed, VT_I4}, {eShapeDeviceCaption, VT_BSTR},
      {eVesselReserveFloat1, VT_R4},     {eVesselOverloadErrorLevel, VT_R4},  {eVesselReserveBool1, VT_BOOL},
      {eVesselDoDecreaseTemperature, VT_BOOL}, {eVesselReserveInt1, VT_I4},  {eVesselReserveStr1, VT_BSTR},
      {VESSEL_ATTRIB_COUNT, VT_EMPTY},   {-1, VT_EMPTY}};
  for (const auto& [index, type] : boundaries) EXPECT_EQ(mixer.FindAttribVarType(index), type) << index;
}

TEST_F(VesselTest, LevelOutsideItsRangeIsClampedShownAndReported) {
  C_Vessel& mixer = Make<C_Vessel>(BYTE{1}, MixerRecord(), 0);
  mixer.SetAttribFloat(eVesselLevel, 4000.0f);
  EXPECT_FLOAT_EQ(mixer.GetAttribFloat(eVesselLevel), 3500.0f);
  EXPECT_FLOAT_EQ(mixer.GetAnalogUnit(eVesselChannelLevel)->GetPercent(), 100.0f);
  EXPECT_EQ(mixer.GetLevelText(), "3500 Kg");
  EXPECT_EQ(NoticeCodes(), std::vector<int>{eVesselLevel});

  mixer.SetAttribFloat(eVesselLevel, 875.0f);
  EXPECT_FLOAT_EQ(mixer.GetAnalogUnit(eVesselChannelLevel)->GetPercent(), 25.0f);
  mixer.SetAttribFloat(eVesselTemperature, -3.0f);
  EXPECT_FLOAT_EQ(mixer.GetAttribFloat(eVesselTemperature), 0.0f);
  EXPECT_EQ(NoticeCodes(), std::vector<int>{eVesselTemperature});

  // Decimals by the size of the range.
  mixer.SetAttribFloat(eVesselMaxVluLevel, 50.0f);
  mixer.SetAttribFloat(eVesselLevel, 12.34f);
  EXPECT_EQ(mixer.GetLevelText(), "12.3 Kg");
  mixer.SetAttribFloat(eVesselMaxVluLevel, 5.0f);
  mixer.SetAttribFloat(eVesselLevel, 2.5f);
  EXPECT_EQ(mixer.GetLevelText(), "2.50 Kg");
}

TEST_F(VesselTest, PortValueScalesTheChannelThatComputesIt) {
  C_Vessel& mixer = Make<C_Vessel>(BYTE{1}, MixerRecord(), 0);
  mixer.GetAnalogUnit(eVesselChannelLevel)->SetAutoCalcPhyValueFromPortValue(true);
  mixer.SetAttribFloat(eVesselLevelPort, 2.5f);
  EXPECT_FLOAT_EQ(mixer.GetAttribFloat(eVesselLevelPort), 2.5f);
  EXPECT_FLOAT_EQ(mixer.GetAttribFloat(eVesselLevel), 1750.0f);
  EXPECT_FLOAT_EQ(mixer.GetAnalogUnit(eVesselChannelLevel)->GetPercent(), 50.0f);

  // An empty port range maps nothing: the minimum, not a stray -1 inside the range.
  mixer.SetAttribFloat(eVesselMinVluLevel, -50.0f);
  mixer.SetAttribFloat(eVesselMaxVluLevelPort, 0.0f);
  mixer.SetAttribFloat(eVesselLevelPort, 3.0f);
  EXPECT_FLOAT_EQ(mixer.GetAttribFloat(eVesselLevel), -50.0f);

  // A channel that takes its value as it comes is left alone.
  mixer.SetAttribFloat(eVesselSpeedPort, 4.0f);
  EXPECT_FLOAT_EQ(mixer.GetAttribFloat(eVesselSpeed), 100.0f);
  EXPECT_EQ(m_boxes.Count(), 0u);
}

TEST_F(VesselTest, SpeedCommandsExcludeEachOtherAndStopWithTheAgitator) {
  C_Vessel& mixer = Make<C_Vessel>(BYTE{1}, MixerRecord(), 0);
  EXPECT_EQ(PopupText(mixer, ID_VESSEL_INCREASE, ID_VESSEL_DECREASE), "Take ON Inc");
  EXPECT_TRUE(mixer.GetAttribBool(eVesselDoDecreaseSpeed));
  EXPECT_EQ(PopupText(mixer, ID_VESSEL_DECREASE, ID_VESSEL_INCREASE), "Take OFF Dec");
  EXPECT_TRUE(mixer.GetAttribBool(eVesselDoIncreaseSpeed));
  EXPECT_FALSE(mixer.GetAttribBool(eVesselDoDecreaseSpeed));
  mixer.SetAttribBool(eVesselDoDecreaseSpeed, true);
  EXPECT_FALSE(mixer.GetAttribBool(eVesselDoIncreaseSpeed));

  mixer.SetAttribBool(eVesselDiOnOffSpeed, true);
  mixer.SetAttribBool(eVesselDoIncreaseSpeed, true);
  mixer.SetAttribBool(eVesselDiOnOffSpeed, false);
  EXPECT_FALSE(mixer.GetAttribBool(eVesselDoIncreaseSpeed));
  EXPECT_FALSE(mixer.GetAttribBool(eVesselDoDecreaseSpeed));
}

TEST_F(VesselTest, CommandThatCannotClearItsOppositeIsRefused) {
  C_Vessel& mixer = Make<C_Vessel>(BYTE{1}, MixerRecord(), 0);
  mixer.SetAttribBool(eVesselDoDecreaseSpeed, true);
  m_form.refusedIndex = eVesselDoDecreaseSpeed;
  m_boxes.Expect(IDOK, "Error at Vessel operating!");
  mixer.SetAttribBool(eVesselDoIncreaseSpeed, true);
  EXPECT_FALSE(mixer.GetAttribBool(eVesselDoIncreaseSpeed));
  EXPECT_TRUE(mixer.GetAttribBool(eVesselDoDecreaseSpeed));
  EXPECT_EQ(m_boxes.Count(), 1u);
}

TEST_F(VesselTest, MenuTextsFollowTheCommandsAndActionOnlyInforms) {
  C_Vessel& mixer = Make<C_Vessel>(BYTE{1}, MixerRecord(), 0);
  EXPECT_EQ(PopupText(mixer, ID_VESSEL_TAKE_ON_OFF, ID_VESSEL_TAKE_ON_OFF), "Take ON");
  EXPECT_TRUE(mixer.GetAttribBool(eVesselDoOnOffSpeed));
  EXPECT_EQ(PopupText(mixer, ID_VESSEL_TAKE_ON_OFF, 0), "Take OFF");

  C_Vessel& highLow = Make<C_Vessel>(BYTE{1}, ShapeRecord(0, 0, 50, 80, 0, 4, "Mixer3", 0x100000), 1);
  EXPECT_EQ(PopupText(highLow, ID_VESSEL_INCREASE, 0), "Take ON High");
  EXPECT_EQ(PopupText(highLow, ID_VESSEL_DECREASE, 0), "Take ON Low");

  m_boxes.Expect(IDOK, "No Action defined!");
  PopupText(mixer, ID_VESSEL_ACTION, ID_VESSEL_ACTION);
  ASSERT_EQ(m_boxes.Count(), 1u);
  EXPECT_EQ(m_boxes.Boxes()[0].text, "No Action defined!");
  EXPECT_EQ(m_boxes.Boxes()[0].style, static_cast<UINT>(MB_OK));
}

TEST_F(VesselTest, FrameBlinksRedWhileAnyAlarmFlagIsOn) {
  C_Vessel& mixer = Make<C_Vessel>(BYTE{1}, MixerRecord(), 0);
  mixer.SetAttribBool(eVesselLlaFlgLevel, true);
  mixer.SetAttribBool(eVesselDiOnAlarmSpeed, true);
  mixer.SetAttribBool(eVesselLlaFlgLevel, false);
  EXPECT_TRUE(mixer.IsAlarmActive());  // the motor alarm is still on
  mixer.SetAttribBool(eVesselDiOnAlarmSpeed, false);
  EXPECT_FALSE(mixer.IsAlarmActive());

  // An alarm of the list keeps it on as well.
  mixer.FindAlarm(eVesselAlarmCHOVR)->SetActive(true);
  mixer.SetAttribBool(eVesselHlaFlgLevel, true);
  mixer.SetAttribBool(eVesselHlaFlgLevel, false);
  EXPECT_TRUE(mixer.IsAlarmActive());
}

TEST_F(VesselTest, PictureFillsTheLevelAndTheAgitatorTurnsOnlyWhileRunning) {
  C_Vessel& tank = Make<C_Vessel>(BYTE{1}, MixerRecord(4, kBatcherVesselFlags), 0);
  tank.SetAttribFloat(eVesselLevel, 1750.0f);
  QImage image(110, 160, QImage::Format_RGB32);
  auto pixel = [&](int x, int y) {
    CDC dc;
    dc.AttachImage(&image);
    tank.Draw(&dc);
    return dc.GetPixel(x, y);
  };
  EXPECT_EQ(pixel(10, 120), RGB(255, 255, 225));      // content
  EXPECT_EQ(pixel(10, 40), RGB(60, 180, 110));        // body above the level
  EXPECT_EQ(pixel(1, 2), C_BaseShape::GetShapeBackColor());  // beside the neck
  tank.SetAttribBool(eShapeDeviceIsOverloaded, true);
  tank.SetAttribBool(eVesselLocalCntrlLevel, true);
  EXPECT_EQ(pixel(10, 120), RGB(200, 0, 0));
  EXPECT_EQ(pixel(10, 40), RGB(255, 0, 0));

  C_Vessel& mixer = Make<C_Vessel>(BYTE{1}, ShapeRecord(0, 0, 110, 160, 0, 4, "Mixer3", kMixerVesselFlags), 1);
  QImage picture(110, 160, QImage::Format_RGB32);
  CDC dc;
  dc.AttachImage(&picture);
  const double still = mixer.GetAgitatorState().phase;
  mixer.Draw(&dc);
  EXPECT_EQ(mixer.GetAgitatorState().phase, still);
  mixer.SetAttribBool(eVesselDiOnOffSpeed, true);
  mixer.Draw(&dc);
  EXPECT_EQ(mixer.GetAgitatorState().phase, still);  // the blades move with the redraw ticks, not with paints
  ASSERT_TRUE(FireTimerNow(mixer.GetSafeHwnd(), SHAPE_REDRAW_TIMER));
  EXPECT_LT(mixer.GetAgitatorState().phase, still);
}

}  // namespace
