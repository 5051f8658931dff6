// Changes of data source through the engine root: the steps of each mode in
// order, links made once per hardware type and started every time, the
// restore after a failure, and the suspended flag with its texts.
#include <gtest/gtest.h>

#include "EngineRootTestSupport.h"
#include "datacenter/DataCenterBase.h"
#include "platform/opc/OpcStandIn.h"
#include "platform/ui/CWaitCursor.h"
#include "support/FakeClock.h"
#include "support/ScriptedMessageBox.h"

namespace {

using Log = std::vector<std::string>;

class DataSourceTest : public ::testing::Test {
 protected:
  void SetUp() override { clock.Install(); }
  void TearDown() override { OpcStandIn::Instance().Reset(); }

  // Loads the tag file and forgets what that did.
  void Start(const std::string& tags) {
    folder.dir.Write("Qelo-DCTags.dct", tags);
    ASSERT_EQ(engine.Initialize(), TRUE);
    engine.ClearLog();
  }
  Log Switch(int type, BOOL expected) {
    engine.ClearLog();
    EXPECT_EQ(engine.SetDataSourceType(type), expected);
    return engine.Log();
  }
  bool ReadPending(const std::string& tag) { return engine.GetDataCenter()->FindTag(tag)->IsReadPending(); }

  FakeClock clock;
  ScriptedMessageBox boxes;
  RecordingExitHook exits;
  PlantFolder folder;
  RecordingEngine engine;
};

TEST_F(DataSourceTest, EachModeRunsItsStepsInOrderAndReusesTheLinks) {
  Start(kAllTypesTagFile);
  EXPECT_EQ(Switch(eDataSourceDemo, TRUE), (Log{"InitDemoValues", "UpdateMaterialTotals"}));
  EXPECT_TRUE(engine.IsDemo());
  EXPECT_FALSE(ReadPending("Tank1.Level"));

  EXPECT_EQ(Switch(eDataSourceRealHW, TRUE),
            (Log{"UpdateMaterialTotals", "Create NULL", "Create OPC", "Start OPC", "Create ADV", "Start ADV",
                 "Create SRL", "Start SRL", "ResetOutputs"}));
  EXPECT_TRUE(engine.IsRealHardware());
  EXPECT_TRUE(ReadPending("Tank1.Level"));
  EXPECT_EQ(engine.GetLinkerEngine(eHWNull), nullptr);
  EXPECT_NE(engine.GetLinkerEngine(eHWOpc), nullptr);

  // None: outputs off while the links still run.
  EXPECT_EQ(Switch(eDataSourceNone, TRUE), (Log{"ResetOutputs", "Stop OPC", "Stop ADV", "Stop SRL"}));
  EXPECT_EQ(Switch(eDataSourceDemo, TRUE),
            (Log{"Stop OPC", "Stop ADV", "Stop SRL", "InitDemoValues", "UpdateMaterialTotals"}));
  EXPECT_FALSE(ReadPending("Tank1.Level"));
  CHwLinkerEngine* opc = engine.GetLinkerEngine(eHWOpc);
  EXPECT_EQ(Switch(eDataSourceRealHW, TRUE),
            (Log{"UpdateMaterialTotals", "Start OPC", "Start ADV", "Start SRL", "ResetOutputs"}));
  EXPECT_EQ(engine.GetLinkerEngine(eHWOpc), opc);
  for (int type = eHWOpc; type <= eHWSerial; ++type) EXPECT_EQ(engine.links[type].made, 1);
  EXPECT_EQ(boxes.Count(), 0u);

  // The links go with the engine's shut-down, and the data center with them.
  engine.Shutdown();
  EXPECT_EQ(engine.GetLinkerEngine(eHWOpc), nullptr);
  EXPECT_EQ(engine.GetDataCenter(), nullptr);
}

TEST_F(DataSourceTest, RealWithoutHardwareTagsMakesNoLinkAndSucceeds) {
  Start(kNoHardwareTagFile);
  EXPECT_EQ(Switch(eDataSourceRealHW, TRUE), (Log{"UpdateMaterialTotals", "Create NULL", "ResetOutputs"}));
  EXPECT_EQ(Switch(eDataSourceNone, TRUE), (Log{"ResetOutputs"}));
  EXPECT_EQ(Switch(eDataSourceRealHW, TRUE), (Log{"UpdateMaterialTotals", "ResetOutputs"}));  // asked once
}

TEST_F(DataSourceTest, AFailingLinkShowsOneBoxAndRestoresThePreviousMode) {
  Start(kAllTypesTagFile);
  Switch(eDataSourceDemo, TRUE);
  engine.links[eHWAdv].startResult = false;
  boxes.Expect(IDOK, "Error: RuvFrame cannot connect to real hardware devices!");
  // The link started before the failure runs until the restored mode stops it.
  EXPECT_EQ(Switch(eDataSourceRealHW, FALSE),
            (Log{"UpdateMaterialTotals", "Create NULL", "Create OPC", "Start OPC", "Create ADV", "Start ADV",
                 "Stop OPC", "Stop ADV", "InitDemoValues", "UpdateMaterialTotals"}));
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].style & (MB_ICONSTOP | MB_SYSTEMMODAL), MB_ICONSTOP | MB_SYSTEMMODAL);
  EXPECT_EQ(engine.GetDataSourceType(), eDataSourceDemo);
  EXPECT_EQ(engine.links[eHWSerial].made, 0);
}

TEST_F(DataSourceTest, AnUnknownTypeIsRefusedSilently) {
  Start(kAllTypesTagFile);
  Switch(eDataSourceDemo, TRUE);
  EXPECT_EQ(Switch(3, FALSE), (Log{"InitDemoValues", "UpdateMaterialTotals"}));
  EXPECT_EQ(engine.GetDataSourceType(), eDataSourceDemo);
  EXPECT_EQ(boxes.Count(), 0u);
}

TEST_F(DataSourceTest, RealAgainThatFailsEndsInNoneWithOneBox) {
  Start(kAllTypesTagFile);
  Switch(eDataSourceRealHW, TRUE);
  engine.links[eHWSerial].startResult = false;
  boxes.Expect(IDOK, "cannot connect");
  EXPECT_EQ(Switch(eDataSourceRealHW, FALSE),
            (Log{"UpdateMaterialTotals", "Start OPC", "Start ADV", "Start SRL", "ResetOutputs", "Stop OPC", "Stop ADV",
                 "Stop SRL"}));
  EXPECT_EQ(engine.GetDataSourceType(), eDataSourceNone);
  EXPECT_EQ(boxes.Count(), 1u);

  // A restore that fails as well ends in None too, still with one box.
  engine.links[eHWSerial].startResult = true;
  Switch(eDataSourceRealHW, TRUE);
  engine.links[eHWOpc].startResult = false;
  boxes.Expect(IDOK, "cannot connect");
  EXPECT_EQ(Switch(3, FALSE),
            (Log{"UpdateMaterialTotals", "Start OPC", "ResetOutputs", "Stop OPC", "Stop ADV", "Stop SRL"}));
  EXPECT_EQ(engine.GetDataSourceType(), eDataSourceNone);
  EXPECT_EQ(boxes.Count(), 2u);
}

TEST_F(DataSourceTest, SuspendingIsRefusedOnlyForRealWithOpcTags) {
  Start(kAllTypesTagFile);
  EXPECT_EQ(engine.SetSuspended(true), TRUE);
  EXPECT_EQ(engine.GetDataSourceText(), "None [Suspended]");
  Switch(eDataSourceDemo, TRUE);
  EXPECT_TRUE(engine.IsSuspended());
  EXPECT_EQ(engine.GetDataSourceText(), "Demo [Suspended]");
  EXPECT_EQ(engine.GetDataSourceTypeText(7), "Unknown DataSourceType! [Suspended]");

  // Real with OPC tags clears the flag without a word.
  Switch(eDataSourceRealHW, TRUE);
  EXPECT_FALSE(engine.IsSuspended());
  EXPECT_EQ(engine.GetDataSourceText(), "Real HW");
  EXPECT_EQ(boxes.Count(), 0u);
  boxes.Expect(IDOK, "Error: Suspending Data Obtainer is NOT supported for OPC Tags!");
  EXPECT_EQ(engine.SetSuspended(true), FALSE);
  EXPECT_EQ(boxes.Count(), 1u);
  Switch(eDataSourceDemo, TRUE);
  EXPECT_FALSE(engine.IsSuspended());  // the flag was stored false, not hidden
  EXPECT_EQ(engine.GetDataSourceText(), "Demo");
}

TEST_F(DataSourceTest, SuspendingRealWithoutOpcTagsIsAllowed) {
  Start(kSerialOnlyTagFile);
  Switch(eDataSourceRealHW, TRUE);
  EXPECT_EQ(engine.SetSuspended(true), TRUE);
  EXPECT_EQ(engine.GetDataSourceText(), "Real HW [Suspended]");
  EXPECT_EQ(boxes.Count(), 0u);
}

TEST_F(DataSourceTest, TheWaitCursorShowsWhileTheModeChanges) {
  Start(kNoHardwareTagFile);
  EXPECT_FALSE(CWaitCursor::IsShown());
  engine.SetDataSourceType(eDataSourceNone);
  EXPECT_TRUE(engine.cursorDuringResetOutputs);
  EXPECT_FALSE(CWaitCursor::IsShown());
}

}  // namespace
