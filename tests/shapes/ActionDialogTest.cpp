// The valve's and the pumps' action dialogs, opened from the pop-up's "&Action".
#include "ShapeDialogTestSupport.h"
#include "shapes/BaseActionDlg.h"
#include "shapes/CntrFglPmp.h"
#include "shapes/CntrFglPmpAction.h"
#include "shapes/GearPump.h"
#include "shapes/GearPumpAction.h"
#include "shapes/Valve.h"
#include "shapes/ValveAction.h"

namespace {

class ActionDialogTest : public ShapeDialogTest {
 protected:
  ActionDialogTest() { m_engine.SetDataSource(eDataSourceDemo); }

  C_Valve& Valve(int actuatorType) {
    AddSection("Valve.Valve1", "ActuatorControlType.Data=" + std::to_string(actuatorType) + "\n");
    return Make<C_Valve>(BYTE{1}, ShapeRecord(20, 20, 60, 40, 0, 1, "Valve1"), 0);
  }
  template <class Dialog>
  void WithAction(C_BaseShape& shape, UINT actionId, const std::function<void(Dialog&)>& body) {
    WhileOpen<Dialog>([&] { OpenPopup(shape, [](CMenu&) {}, actionId); }, body);
  }
};

TEST_F(ActionDialogTest, ValveDialogShowsTheStateOffersTheFlowsOfItsTypeAndBlinksTheValve) {
  C_Valve& valve = Valve(0);
  WithAction<C_ValveAction>(valve, ID_VALVE_ACTION, [&](C_ValveAction& dialog) {
    EXPECT_EQ(dialog.GetWindowText(), "Action  [Valve.Valve1]");
    EXPECT_FALSE(Enabled(dialog, IDC_VALVE_HIGH_FLOW));
    EXPECT_TRUE(Enabled(dialog, IDC_VALVE_LOW_FLOW));
    EXPECT_EQ(dialog.OffLamp().GetCheck(), 1);  // reported closed
    EXPECT_TRUE(valve.IsActionDlgOpen());
    EXPECT_TRUE(TimerArmed(valve, SHAPE_BLINK_TIMER));
    Click(dialog, IDC_VALVE_LOW_FLOW);
    EXPECT_TRUE(valve.GetAttribBool(eValveDoLowFlow));
    EXPECT_EQ(dialog.LowFlowLamp().GetCheck(), 1);
    EXPECT_EQ(dialog.OffLamp().GetCheck(), 0);  // the flow opened it (Demo)
    Click(dialog, IDC_VALVE_OFF);
    EXPECT_FALSE(valve.GetAttribBool(eValveDoOnOffPosition));
    // A double click copies the section name.
    dialog.SendMessage(WM_LBUTTONDBLCLK, 0, MAKELPARAM(2, 2));
    EXPECT_EQ(m_clipboard.Text(), "Valve.Valve1");
  });
  EXPECT_FALSE(valve.IsActionDlgOpen());

  C_Valve& highOnly = Make<C_Valve>(BYTE{1}, ShapeRecord(0, 0, 60, 40, 0, 1, "Valve2"), 1);
  highOnly.SetAttribInt(eShapeActuatorControlType, 1);
  WithAction<C_ValveAction>(highOnly, ID_VALVE_ACTION, [&](C_ValveAction& dialog) {
    EXPECT_FALSE(Enabled(dialog, IDC_VALVE_LOW_FLOW));
    EXPECT_TRUE(Enabled(dialog, IDC_VALVE_HIGH_FLOW));
  });
}

TEST_F(ActionDialogTest, ALowFlowTheInterlocksRefuseShowsTheOldStateAgain) {
  C_Valve& valve = Valve(2);
  m_form.refusedIndex = eValveDoLowFlow;
  m_boxes.Expect(IDOK, "Error at Valve operating!");
  WithAction<C_ValveAction>(valve, ID_VALVE_ACTION, [&](C_ValveAction& dialog) {
    Click(dialog, IDC_VALVE_LOW_FLOW);
    EXPECT_FALSE(valve.GetAttribBool(eValveDoLowFlow));
    EXPECT_EQ(dialog.LowFlowLamp().GetCheck(), 0);
    FireTimer(dialog, ACTION_DIALOG_REFRESH_TIMER);
    EXPECT_EQ(dialog.LowFlowLamp().GetCheck(), 0);
  });
  EXPECT_EQ(m_boxes.Count(), 1u);
}

TEST_F(ActionDialogTest, PumpButtonsDoWhatTheirWordsSayAndTheWordsFollowAtTheRefresh) {
  C_GearPump& pump = Make<C_GearPump>(BYTE{1}, ShapeRecord(10, 10, 25, 38, 0, 1, "Batcher01-ChargePump"), 0);
  WithAction<C_GearPumpAction>(pump, ID_GEARPUMP_ACTION, [&](C_GearPumpAction& dialog) {
    EXPECT_EQ(dialog.GetWindowText(), "GearPump Action ");
    EXPECT_EQ(Text(dialog, IDC_PUMP_ON_OFF), "Turn On");
    EXPECT_EQ(Text(dialog, IDC_PUMP_INCREASE), "Turn On Inc");
    EXPECT_EQ(Text(dialog, IDCANCEL), "Close");
    EXPECT_TRUE(pump.IsActionDlgOpen());
    Click(dialog, IDC_PUMP_INCREASE);
    EXPECT_TRUE(pump.GetAttribBool(ePumpDoIncreaseSpeed));
    EXPECT_EQ(Text(dialog, IDC_PUMP_INCREASE), "Turn On Inc");  // until the refresh
    FireTimer(dialog, ACTION_DIALOG_REFRESH_TIMER);
    EXPECT_EQ(Text(dialog, IDC_PUMP_INCREASE), "Turn Off Inc");
    Click(dialog, IDC_PUMP_DECREASE);  // the pump's interlock drops the increase
    Click(dialog, IDC_PUMP_INCREASE);  // still "Turn Off Inc": nothing to do
    FireTimer(dialog, ACTION_DIALOG_REFRESH_TIMER);
    EXPECT_EQ(Text(dialog, IDC_PUMP_INCREASE), "Turn On Inc");
    EXPECT_EQ(Text(dialog, IDC_PUMP_DECREASE), "Turn Off Dec");
    Click(dialog, IDC_PUMP_ON_OFF);
    FireTimer(dialog, ACTION_DIALOG_REFRESH_TIMER);
    EXPECT_EQ(Text(dialog, IDC_PUMP_ON_OFF), "Turn Off");
  });
  EXPECT_FALSE(pump.IsActionDlgOpen());

  C_CntrFglPmp& centrifugal =
      Make<C_CntrFglPmp>(BYTE{1}, ShapeRecord(730, 135, 35, 35, 0, 4, "Batcher04-ChargePump1"), 1);
  WithAction<C_CntrFglPmpAction>(centrifugal, ID_CNTRFGLPUMP_ACTION, [&](C_CntrFglPmpAction& dialog) {
    EXPECT_EQ(dialog.GetWindowText(), "CntrFglPump Action ");
    Click(dialog, IDC_PUMP_INCREASE);
    EXPECT_TRUE(centrifugal.GetAttribBool(ePumpDoIncreaseSpeed));
  });
}

}  // namespace
