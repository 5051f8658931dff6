#include "KindTestSupport.h"
#include "shapes/CntrFglPmp.h"
#include "shapes/GearPump.h"

namespace {

class PumpTest : public KindTest {
 protected:
  C_GearPump& Gear(int drawFlags = 0xa, int form = 1) {
    return Make<C_GearPump>(BYTE{1}, ShapeRecord(10, 10, 25, 38, 0, form, "Batcher01-ChargePump", drawFlags),
                            m_nextInstance++);
  }
  C_CntrFglPmp& Centrifugal(int drawFlags = 0x10, int form = 4) {
    return Make<C_CntrFglPmp>(BYTE{1}, ShapeRecord(730, 135, 35, 35, 0, form, "Batcher04-ChargePump1", drawFlags),
                              m_nextInstance++);
  }
  // Run, increase and decrease items as the pop-up shows them ("-" marks a grey item).
  std::vector<std::string> ItemsOf(C_PumpShape& pump) {
    const PumpMenuIds& ids = pump.GetMenuIds();
    std::vector<std::string> items;
    OpenPopup(pump, [&](CMenu& menu) {
      for (UINT id : {ids.takeOnOff, ids.increase, ids.decrease})
        items.push_back(menu.GetMenuString(id, MF_BYCOMMAND) +
                        ((menu.GetMenuState(id, MF_BYCOMMAND) & MF_GRAYED) ? "-" : ""));
    });
    return items;
  }
  using Items = std::vector<std::string>;
  int m_nextInstance = 0;
};

TEST_F(PumpTest, MenuTextsAndGreyItemsFollowTheCommands) {
  C_GearPump& pump = Gear();
  EXPECT_EQ(ItemsOf(pump), (Items{"Take ON", "Take ON Inc-", "Take ON Dec-"}));
  OpenPopup(pump, [](CMenu&) {}, ID_GEARPUMP_TAKE_ON_OFF);
  EXPECT_TRUE(pump.GetAttribBool(ePumpDoOnOffSpeed));
  EXPECT_TRUE(TimerArmed(pump, SHAPE_REDRAW_TIMER));
  pump.SetAttribBool(ePumpDoIncreaseSpeed, true);
  EXPECT_EQ(ItemsOf(pump), (Items{"Take OFF", "Take OFF Inc", "Take ON Dec"}));

  // Bits 20..23 of the draw flags: High/Low words, for the gear pump only at 1.
  EXPECT_EQ(ItemsOf(Gear(1 << 20)), (Items{"Take ON", "Take ON High-", "Take ON Low-"}));
  EXPECT_EQ(ItemsOf(Gear(2 << 20)), (Items{"Take ON", "&Increase-", "&Decrease-"}));
  EXPECT_EQ(ItemsOf(Centrifugal(2 << 20)), (Items{"Take ON", "Take ON High-", "Take ON Low-"}));
}

// The pump stops (or starts) while its menu is up: the item still does what
// its word said when the menu opened.
TEST_F(PumpTest, AnItemDoesWhatItsWordSaidThoughThePumpChangedWhileTheMenuWasUp) {
  C_GearPump& pump = Gear();
  // The word the menu opened with, then the pump's state after the item was chosen.
  const auto chooseRunItem = [&](bool runningAtOpen) {
    pump.SetAttribBool(ePumpDoOnOffSpeed, runningAtOpen);
    std::string word;
    OpenPopup(pump, [&](CMenu& menu) {
      word = menu.GetMenuString(ID_GEARPUMP_TAKE_ON_OFF, MF_BYCOMMAND);
      pump.SetAttribBool(ePumpDoOnOffSpeed, !runningAtOpen);
    }, ID_GEARPUMP_TAKE_ON_OFF);
    return word + (pump.GetAttribBool(ePumpDoOnOffSpeed) ? ", on" : ", off");
  };
  EXPECT_EQ(chooseRunItem(true), "Take OFF, off");
  EXPECT_EQ(chooseRunItem(false), "Take ON, on");
}

// A menu closed without a choice takes its promises with it: a later command of
// the same id does what the word says at that moment.
TEST_F(PumpTest, AMenuClosedWithoutAChoiceLeavesNoPromiseBehind) {
  C_GearPump& pump = Gear();
  pump.SetAttribBool(ePumpDoOnOffSpeed, true);
  // It stops while its menu is up ("Take OFF"), and the menu closes unchosen.
  OpenPopup(pump, [&](CMenu&) { pump.SetAttribBool(ePumpDoOnOffSpeed, false); });
  pump.SendMessage(WM_COMMAND, MAKEWPARAM(ID_GEARPUMP_TAKE_ON_OFF, 0), 0);  // its word now: "Take ON"
  EXPECT_TRUE(pump.GetAttribBool(ePumpDoOnOffSpeed));
}

TEST_F(PumpTest, SpeedCommandsExcludeEachOtherAndStopWithTheFeedback) {
  C_CntrFglPmp& pump = Centrifugal();
  pump.SetAttribBool(ePumpDoOnOffSpeed, true);
  pump.SetAttribBool(ePumpDoDecreaseSpeed, true);
  OpenPopup(pump, [](CMenu&) {}, ID_CNTRFGLPUMP_INCREASE);
  EXPECT_TRUE(pump.GetAttribBool(ePumpDoIncreaseSpeed));
  EXPECT_FALSE(pump.GetAttribBool(ePumpDoDecreaseSpeed));
  OpenPopup(pump, [](CMenu&) {}, ID_CNTRFGLPUMP_INCREASE);  // a second time: off again
  EXPECT_FALSE(pump.GetAttribBool(ePumpDoIncreaseSpeed));

  pump.SetAttribBool(ePumpDiOnOffSpeed, true);
  pump.SetAttribBool(ePumpDoDecreaseSpeed, true);
  pump.SetAttribBool(ePumpDiOnOffSpeed, false);
  EXPECT_FALSE(pump.GetAttribBool(ePumpDoDecreaseSpeed));
  EXPECT_TRUE(pump.GetAttribBool(ePumpDoOnOffSpeed));

  pump.SetAttribBool(ePumpDiOnAlarmSpeed, true);
  EXPECT_TRUE(pump.IsAlarmActive());
}

TEST_F(PumpTest, ARefusedCommandChangesNoOtherCommand) {
  C_GearPump& pump = Gear();
  pump.SetAttribBool(ePumpDoDecreaseSpeed, true);
  m_form.refusedIndex = ePumpDoIncreaseSpeed;
  m_boxes.Expect(IDOK, "Error at GearPump operating!");
  pump.SetAttribBool(ePumpDoIncreaseSpeed, true);
  EXPECT_FALSE(pump.GetAttribBool(ePumpDoIncreaseSpeed));
  EXPECT_TRUE(pump.GetAttribBool(ePumpDoDecreaseSpeed));
}

TEST_F(PumpTest, SpeedsAreClampedWithANoticeAndThePortSilently) {
  C_CntrFglPmp& pump = Centrifugal();
  pump.SetAttribFloat(ePumpSpeed, 150.0f);
  EXPECT_FLOAT_EQ(pump.GetAttribFloat(ePumpSpeed), 100.0f);
  EXPECT_FLOAT_EQ(pump.GetAnalogUnit(0)->GetPercent(), 100.0f);
  EXPECT_EQ(NoticeCodes(), std::vector<int>{ePumpSpeed});

  pump.SetAttribFloat(ePumpSpeedPort, 25000.0f);
  EXPECT_FLOAT_EQ(pump.GetAttribFloat(ePumpSpeedPort), 21000.0f);
  EXPECT_FLOAT_EQ(pump.GetAttribFloat(ePumpSpeed), 100.0f);  // the channel does not compute it
  EXPECT_TRUE(NoticeCodes().empty());

  // A channel that computes the speed from the port value scales it first.
  pump.GetAnalogUnit(0)->SetAutoCalcPhyValueFromPortValue(true);
  pump.SetAttribFloat(ePumpSpeedPort, 13250.0f);
  EXPECT_FLOAT_EQ(pump.GetAttribFloat(ePumpSpeed), 50.0f);

  C_GearPump& gear = Gear();
  gear.SetAttribFloat(ePumpSpeed, 9000.0f);
  EXPECT_FLOAT_EQ(gear.GetAttribFloat(ePumpSpeed), 8500.0f);
  EXPECT_EQ(NoticeCodes(), std::vector<int>{ePumpSpeed});
  EXPECT_EQ(m_boxes.Count(), 0u);
}

TEST_F(PumpTest, AnEmptySectionGivesEachKindItsDefaults) {
  C_CntrFglPmp& centrifugal = Centrifugal();
  EXPECT_FLOAT_EQ(centrifugal.GetAttribFloat(ePumpSpeed), 70.0f);
  EXPECT_FLOAT_EQ(centrifugal.GetAttribFloat(ePumpSpeedPort), 10000.0f);
  EXPECT_EQ(centrifugal.GetAttribInt(eShapeColorFG), 5943295);
  C_GearPump& gear = Gear();
  EXPECT_FLOAT_EQ(gear.GetAttribFloat(ePumpMaxVluSpeed), 8500.0f);
  EXPECT_EQ(gear.GetAttribInt(eShapeColorBodyOld), 7582780);
  EXPECT_FLOAT_EQ(Gear(0xa, 2).GetAttribFloat(ePumpMaxVluSpeed), 6500.0f);
  EXPECT_EQ(gear.GetAnalogGroupAttrib(ePumpSpeedPort, eAnalogPortMax), ePumpMaxVluSpeedPort);
}

TEST_F(PumpTest, GearsTurnWhileRunningAboveMinimumSpeed) {
  C_GearPump& pump = Gear();
  const QImage stopped = Picture(pump);
  EXPECT_EQ(PixelOf(stopped, 1, 19), RGB(60, 180, 115));  // body, beside the casing
  pump.SetAttribBool(ePumpDiOnOffSpeed, true);
  ASSERT_TRUE(FireTimerNow(pump.GetSafeHwnd(), SHAPE_REDRAW_TIMER));
  EXPECT_DOUBLE_EQ(pump.GetRotationAngle(), 0.0);  // at minimum speed nothing turns

  pump.SetAttribFloat(ePumpSpeed, 4250.0f);  // 50 %: each redraw tick turns the gears on
  ASSERT_TRUE(FireTimerNow(pump.GetSafeHwnd(), SHAPE_REDRAW_TIMER));
  ASSERT_TRUE(FireTimerNow(pump.GetSafeHwnd(), SHAPE_REDRAW_TIMER));
  Picture(pump);
  const QImage turned = Picture(pump);  // a paint turns nothing
  EXPECT_NEAR(pump.GetRotationAngle(), -0.8, 1e-9);
  EXPECT_NEAR(pump.GetSecondGearAngle(), kShapePi / 4 + 0.8, 1e-9);
  EXPECT_NE(turned, stopped);
}

TEST_F(PumpTest, ImpellerTurnsByFormAndTheOutletBlockFollowsTheForm) {
  C_CntrFglPmp& forward = Centrifugal(0x10, 4);
  C_CntrFglPmp& backward = Centrifugal(0x10, 1);
  const COLORREF body = RGB(60, 180, 110);
  EXPECT_EQ(PixelOf(Picture(forward), 33, 1), body);  // form 4: upper right
  EXPECT_NE(PixelOf(Picture(forward), 1, 1), body);
  EXPECT_EQ(PixelOf(Picture(backward), 1, 1), body);  // form 1: upper left

  forward.SetAttribBool(ePumpDiOnOffSpeed, true);
  backward.SetAttribBool(ePumpDiOnOffSpeed, true);
  ASSERT_TRUE(FireTimerNow(forward.GetSafeHwnd(), SHAPE_REDRAW_TIMER));
  ASSERT_TRUE(FireTimerNow(backward.GetSafeHwnd(), SHAPE_REDRAW_TIMER));
  Picture(forward);
  EXPECT_NEAR(forward.GetRotationAngle(), 70 * 0.003, 1e-6);
  EXPECT_NEAR(backward.GetRotationAngle(), -70 * 0.003, 1e-6);
}

}  // namespace
