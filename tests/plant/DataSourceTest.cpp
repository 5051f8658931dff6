// Changes of data source: each mode's steps in order, links made once per
// hardware type and started every time, the restore after a failure with one
// box, and the suspended flag with its texts.
#include <gtest/gtest.h>

#include "EngineRootTestSupport.h"
#include "datacenter/DataCenterBase.h"

namespace {

using DataSourceTest = EngineRootFixture;

TEST_F(DataSourceTest, EachModeRunsItsStepsInOrderAndReusesTheLinks) {
  LoadTags(kAllTypesTagFile);
  CDCTag* level = engine.GetDataCenter()->FindTag("Tank1.Level");
  EXPECT_EQ(Switch(eDataSourceDemo, TRUE), (Log{"InitDemoValues", "UpdateMaterialTotals"}));
  EXPECT_EQ(Switch(eDataSourceRealHW, TRUE),
            (Log{"UpdateMaterialTotals", "Create NULL", "Create OPC", "Start OPC", "Create ADV", "Start ADV",
                 "Create SRL", "Start SRL", "ResetOutputs"}));
  EXPECT_TRUE(level->IsReadPending());
  EXPECT_TRUE(engine.cursorDuringResetOutputs);
  EXPECT_EQ(Switch(eDataSourceNone, TRUE), (Log{"ResetOutputs", "Stop OPC", "Stop ADV", "Stop SRL"}));
  EXPECT_EQ(Switch(eDataSourceDemo, TRUE),
            (Log{"Stop OPC", "Stop ADV", "Stop SRL", "InitDemoValues", "UpdateMaterialTotals"}));
  EXPECT_FALSE(level->IsReadPending());
  EXPECT_EQ(Switch(eDataSourceRealHW, TRUE),
            (Log{"UpdateMaterialTotals", "Start OPC", "Start ADV", "Start SRL", "ResetOutputs"}));
  EXPECT_EQ(engine.SetLinkerEngine(4, engine.GetLinkerEngine(eHWOpc)), FALSE);  // types 0 to 3 only
  EXPECT_EQ(engine.GetLinkerEngine(4), nullptr);
  engine.Shutdown();
  EXPECT_EQ(engine.GetLinkerEngine(eHWOpc), nullptr);
  EXPECT_EQ(boxes.Count(), 0u);
}

// The outputs-off of a switch to None that no link carried (none ran, as after
// the Demo) are no operator's commands: the next start of the links does not
// tell them as given up, it sets the outputs off again itself.
TEST_F(DataSourceTest, TheOutputsOffOfASwitchToNoneFromTheDemoAreNoCommandsToTellOf) {
  LoadTags(kAllTypesTagFile);
  CDCTag* speed = engine.GetDataCenter()->FindTag("P1.Speed");
  ASSERT_NE(speed, nullptr);
  Switch(eDataSourceDemo, TRUE);
  engine.onResetOutputs = [&] { speed->SetValue(Variant::R4(0.0f)); };
  speed->SetValue(Variant::R4(50.0f));
  Switch(eDataSourceNone, TRUE);
  EXPECT_FLOAT_EQ(speed->GetValue().fltVal, 0.0f);
  EXPECT_FALSE(speed->IsLastCommandGivenWithoutLink());
}

TEST_F(DataSourceTest, RealWithoutHardwareTagsMakesNoLinkAndSucceeds) {
  LoadTags(kNoHardwareTagFile);
  EXPECT_EQ(Switch(eDataSourceRealHW, TRUE), (Log{"UpdateMaterialTotals", "Create NULL", "ResetOutputs"}));
  EXPECT_EQ(Switch(eDataSourceRealHW, TRUE), (Log{"UpdateMaterialTotals", "ResetOutputs"}));  // asked once
}

TEST_F(DataSourceTest, AFailureRestoresThePreviousModeOnceAndThenEndsInNone) {
  LoadTags(kAllTypesTagFile);
  Switch(eDataSourceDemo, TRUE);
  EXPECT_EQ(Switch(3, FALSE), (Log{"InitDemoValues", "UpdateMaterialTotals"}));  // refused silently
  // The link started before the failing one runs until the restored mode stops it.
  engine.startResults[eHWAdv] = false;
  boxes.Expect(IDOK, "Error: RuvFrame cannot connect to real hardware devices!");
  EXPECT_EQ(Switch(eDataSourceRealHW, FALSE),
            (Log{"UpdateMaterialTotals", "Create NULL", "Create OPC", "Start OPC", "Create ADV", "Start ADV",
                 "Stop OPC", "Stop ADV", "InitDemoValues", "UpdateMaterialTotals"}));
  EXPECT_EQ(engine.GetDataSourceType(), eDataSourceDemo);
  EXPECT_EQ(boxes.Boxes().at(0).style, static_cast<UINT>(MB_OK | MB_ICONSTOP | MB_SYSTEMMODAL));
  // Real again: the same mode is not retried, None at once.
  engine.startResults[eHWAdv] = true;
  Switch(eDataSourceRealHW, TRUE);
  engine.startResults[eHWSerial] = false;
  boxes.Expect(IDOK, "cannot connect");
  EXPECT_EQ(Switch(eDataSourceRealHW, FALSE),
            (Log{"UpdateMaterialTotals", "Start OPC", "Start ADV", "Start SRL", "ResetOutputs", "Stop OPC", "Stop ADV",
                 "Stop SRL"}));
  // A restore to Real that fails as well: still one box per request, then None.
  engine.startResults[eHWSerial] = true;
  Switch(eDataSourceRealHW, TRUE);
  engine.startResults[eHWOpc] = false;
  boxes.Expect(IDOK, "cannot connect");
  EXPECT_EQ(Switch(3, FALSE), (Log{"UpdateMaterialTotals", "Start OPC", "ResetOutputs", "Stop OPC", "Stop ADV", "Stop SRL"}));
  EXPECT_EQ(engine.GetDataSourceType(), eDataSourceNone);
  EXPECT_EQ(boxes.Count(), 3u);
}

TEST_F(DataSourceTest, SuspendingIsRefusedOnlyForRealWithOpcTags) {
  LoadTags(kAllTypesTagFile);
  EXPECT_EQ(engine.SetSuspended(true), TRUE);
  Switch(eDataSourceDemo, TRUE);
  EXPECT_EQ(engine.GetDataSourceText(), "Demo [Suspended]");
  EXPECT_EQ(engine.GetDataSourceTypeText(7), "Unknown DataSourceType! [Suspended]");
  Switch(eDataSourceRealHW, TRUE);  // clears the flag without a word
  EXPECT_EQ(engine.GetDataSourceText(), "Real HW");
  boxes.Expect(IDOK, "Error: Suspending Data Obtainer is NOT supported for OPC Tags!");
  EXPECT_EQ(engine.SetSuspended(true), FALSE);
  Switch(eDataSourceNone, TRUE);
  EXPECT_EQ(engine.GetDataSourceText(), "None");  // stored false, not only hidden
  EXPECT_EQ(boxes.Count(), 1u);
}

}  // namespace
