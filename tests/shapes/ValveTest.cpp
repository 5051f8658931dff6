#include <QImage>

#include "KindTestSupport.h"
#include "shapes/Valve.h"
#include "shapes/ValveGeometry.h"

namespace {

class ValveTest : public KindTest {
 public:
  struct State {
    bool command, feedback, low, high;
    float position;
    bool operator==(const State&) const = default;
  };

 protected:
  ValveTest() { m_engine.SetDataSource(eDataSourceDemo); }

  C_Valve& MakeValve(int actuatorType = 0, const std::string& settings = std::string(), int instance = 0) {
    const std::string name = "Valve" + std::to_string(instance + 1);
    AddSection("Valve." + name, "ActuatorControlType.Data=" + std::to_string(actuatorType) + "\n" + settings);
    C_Valve& valve = Make<C_Valve>(BYTE{1}, ShapeRecord(20, 20, 60, 40, 0, 1, name), instance);
    EXPECT_EQ(valve.GetAttribInt(eShapeActuatorControlType), actuatorType);
    return valve;
  }

  static State StateOf(const C_Valve& valve) {
    return {valve.GetAttribBool(eValveDoOnOffPosition), valve.GetAttribBool(eValveDiOnOffPosition),
            valve.GetAttribBool(eValveDoLowFlow), valve.GetAttribBool(eValveDoHighFlow),
            valve.GetAttribFloat(eValvePosition)};
  }
};

void PrintTo(const ValveTest::State& s, std::ostream* os);

TEST_F(ValveTest, DefaultsNamesAndRanges) {
  C_Valve& lying = MakeValve();
  EXPECT_FLOAT_EQ(lying.GetAttribFloat(eValveMaxVluPosition), 8500.0f);
  EXPECT_EQ(lying.GetAttribInt(eShapeColorBG), 55295);
  EXPECT_EQ(lying.GetAttribInt(eShapeColorFG), 16448220);
  EXPECT_EQ(lying.GetAttribInt(eShapeColorBody), 0);
  // The port value shares the value's name, so both read the same keys.
  EXPECT_EQ(lying.GetIniKeyName(eValvePositionPort, eAttribIniTag), "Position.Tag");
  C_Valve& upright = Make<C_Valve>(BYTE{1}, ShapeRecord(0, 0, 40, 60, 0, 2, "Valve2"), 1);
  EXPECT_FLOAT_EQ(upright.GetAttribFloat(eValveMaxVluPosition), 6500.0f);
}

TEST_F(ValveTest, TakeOnInDemoOpensWithTheFlowOfTheActuatorType) {
  const struct {
    int type;
    State expected;
  } cases[] = {{0, {true, true, true, false, 4250.0f}},
               {1, {true, true, false, true, 8500.0f}},
               {3, {true, true, false, false, 0.0f}}};
  for (const auto& c : cases) {
    C_Valve& valve = MakeValve(c.type, "", 10 + c.type);
    EXPECT_EQ(PopupText(valve, ID_VALVE_TAKE_ON_OFF, ID_VALVE_TAKE_ON_OFF), "Take ON") << c.type;
    EXPECT_EQ(StateOf(valve), c.expected) << c.type;
    EXPECT_EQ(PopupText(valve, ID_VALVE_TAKE_ON_OFF, 0), "Take OFF") << c.type;
  }
  EXPECT_EQ(m_boxes.Count(), 0u);
}

TEST_F(ValveTest, LastFlowOffClosesTheValveAndItsFeedback) {
  C_Valve& valve = MakeValve(1);
  valve.SetAttribBool(eValveDoOnOffPosition, true);
  ASSERT_TRUE(valve.GetAttribBool(eValveDoHighFlow));
  valve.SetAttribBool(eValveDoHighFlow, false);
  EXPECT_EQ(StateOf(valve), (State{false, false, false, false, 8500.0f}));

  // Switching flows keeps the valve open.
  valve.SetAttribBool(eValveDoLowFlow, true);
  valve.SetAttribBool(eValveDoHighFlow, true);
  EXPECT_EQ(StateOf(valve), (State{true, true, false, true, 8500.0f}));
}

TEST_F(ValveTest, PositionIsClampedToItsMaximum) {
  C_Valve& valve = MakeValve();
  valve.SetAttribFloat(eValvePosition, 1.5f * 8500.0f);
  EXPECT_FLOAT_EQ(valve.GetAttribFloat(eValvePosition), 8500.0f);
  EXPECT_FLOAT_EQ(valve.GetAnalogUnit(0)->GetPercent(), 100.0f);
  EXPECT_EQ(NoticeCodes(), std::vector<int>{eValvePosition});
}

TEST_F(ValveTest, RefusedOpenChangesNothingAndWritesNoTag) {
  CDCTag* command = AddTag("TagCommand", VT_BOOL);
  CDCTag* lowFlow = AddTag("TagLowFlow", VT_BOOL);
  C_Valve& valve = MakeValve(0, "DoOnOffPosition.Tag=TagCommand\nDoLowFlow.Tag=TagLowFlow\n");
  DeliverPosted();
  command->SetWritePending(FALSE);
  lowFlow->SetWritePending(FALSE);
  const State before = StateOf(valve);
  m_form.refusedIndex = eValveDoOnOffPosition;

  m_boxes.Expect(IDOK, "Error at Valve operating!");
  valve.SetAttribBool(eValveDoOnOffPosition, true);
  EXPECT_EQ(StateOf(valve), before);
  EXPECT_FALSE(VariantToBool(command->GetValue()));
  EXPECT_FALSE(command->IsWritePending());

  // A flow behind the refused open is refused with it: one box, no tag written.
  m_boxes.Expect(IDOK, "Error at Valve operating!");
  valve.SetAttribBool(eValveDoLowFlow, true);
  EXPECT_EQ(StateOf(valve), before);
  EXPECT_FALSE(VariantToBool(lowFlow->GetValue()));
  EXPECT_FALSE(lowFlow->IsWritePending());
  EXPECT_EQ(m_boxes.Count(), 2u);
}

TEST_F(ValveTest, OutsideDemoABoundFeedbackWaitsForTheDevice) {
  CDCTag* feedback = AddTag("TagFeedback", VT_BOOL);
  C_Valve& valve = MakeValve(0, "DiOnOffPosition.Tag=TagFeedback\n");
  m_engine.SetDataSource(eDataSourceNone);
  valve.SetAttribBool(eValveDoOnOffPosition, true);
  EXPECT_EQ(StateOf(valve), (State{true, false, false, false, 0.0f}));

  feedback->SetValue(Variant::Bool(true));  // the device answers
  DeliverPosted();
  EXPECT_EQ(StateOf(valve), (State{true, true, true, false, 4250.0f}));

  // Without a feedback tag the command drives the feedback in any mode.
  C_Valve& unbound = Make<C_Valve>(BYTE{1}, ShapeRecord(0, 0, 60, 40, 0, 1, "Valve3"), 2);
  unbound.SetAttribBool(eValveDoOnOffPosition, true);
  EXPECT_TRUE(unbound.GetAttribBool(eValveDiOnOffPosition));
}

TEST_F(ValveTest, AlarmInputBlinksTheFrame) {
  C_Valve& valve = MakeValve();
  valve.SetAttribBool(eValveDiOnAlarmPosition, true);
  EXPECT_TRUE(valve.IsAlarmActive());
  valve.SetAttribBool(eValveDiOnAlarmPosition, false);
  EXPECT_FALSE(valve.IsAlarmActive());
}

TEST_F(ValveTest, PictureShowsTheLookOfTheFeedbackAndTheFlagsSwapIt) {
  C_Valve& valve = MakeValve();
  QImage image(60, 40, QImage::Format_RGB32);
  auto at = [&](const POINT& p) {
    CDC dc;
    dc.AttachImage(&image);
    valve.Draw(&dc);
    return dc.GetPixel(p.x, p.y);
  };
  // The open look fills the corner of a half that the bow tie leaves empty.
  const POINT gap{static_cast<LONG>(0.4 * 60), static_cast<LONG>(0.25 * 40)};
  EXPECT_FALSE(valve.IsOpenLook());
  EXPECT_EQ(at(gap), C_BaseShape::GetShapeBackColor());
  valve.SetAttribBool(eValveDoOnOffPosition, true);
  EXPECT_TRUE(valve.IsOpenLook());
  EXPECT_EQ(at(gap), RGB(255, 215, 0));
  valve.SetAttribBool(eValveLocalCntrlPosition, true);
  EXPECT_EQ(at({1, 1}), RGB(255, 0, 0));

  C_Valve& swapped = Make<C_Valve>(BYTE{1}, ShapeRecord(0, 0, 60, 40, 0, 1, "Valve2", 0x10000000), 1);
  EXPECT_TRUE(swapped.IsOpenLook());

  // Upright, the same symbol turned.
  EXPECT_EQ(ComputeValveSymbol(1, 100, 50, false).actuator[0].y, ComputeValveSymbol(2, 50, 100, false).actuator[0].x);
}

void PrintTo(const ValveTest::State& s, std::ostream* os) {
  *os << "{command " << s.command << ", feedback " << s.feedback << ", low " << s.low << ", high " << s.high
      << ", position " << s.position << "}";
}

}  // namespace
