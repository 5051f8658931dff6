// One pass of each engine cycle at a time on the fake clock: the 200 ms pace,
// the title with the measured period, the mode's work and the suspended flag;
// and the tag scout shown, brought forward and closed.
#include <gtest/gtest.h>

#include "EngineRootTestSupport.h"
#include "platform/opc/OpcStandIn.h"
#include "platform/ui/CWnd.h"
#include "platform/ui/MessageCore.h"
#include "support/FakeClock.h"
#include "support/ScriptedMessageBox.h"

namespace {

using Log = std::vector<std::string>;

class CycleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clock.Install();
    ASSERT_EQ(engine.Initialize(), TRUE);
    engine.SetBuildBanner("RuvFrame[2k8] ZoruVarediz Melot 881120-S1");
    stopwatch.Start();
  }
  void TearDown() override {
    CRuvEngineBase::SetScoutDialogFactory(nullptr);
    OpcStandIn::Instance().Reset();
  }
  // One data-obtainer pass; the log it left and the ticks it took.
  Log Pass(std::uint32_t* ticks = nullptr) {
    engine.ClearLog();
    const std::uint32_t before = clock.TickCount();
    engine.DataObtainerPass(stopwatch, &mainWindow);
    if (ticks) *ticks = clock.TickCount() - before;
    return engine.Log();
  }
  std::string Title(int period) const {
    return "RuvFrame[2k8] ZoruVarediz Melot 881120-S1" + std::string(CRuvEngineBase::kCreditText) + " [Refresh = " +
           std::to_string(period) + " ms]";
  }

  FakeClock clock;
  ScriptedMessageBox boxes;
  RecordingExitHook exits;
  PlantFolder folder;
  RecordingEngine engine;
  CRTimer stopwatch;
  CWnd mainWindow;
};

TEST_F(CycleTest, APassSleepsToTheFloorAndASlowPassIsNotMadeUp) {
  std::uint32_t ticks = 0;
  EXPECT_EQ(Pass(&ticks), (Log{"CommonDataCycle"}));  // None: only the common rule
  EXPECT_EQ(ticks, 200u);
  EXPECT_EQ(mainWindow.GetWindowText(), Title(200));

  engine.onCommon = [this] { clock.Advance(350); };  // a pass that works 350 ms
  Pass(&ticks);
  EXPECT_EQ(ticks, 200u + 350u);
  engine.onCommon = nullptr;
  Pass(&ticks);
  EXPECT_EQ(ticks, 0u);  // no sleep after the slow pass
  EXPECT_EQ(mainWindow.GetWindowText(), Title(350));
  Pass(&ticks);
  EXPECT_EQ(ticks, 200u);
  EXPECT_EQ(mainWindow.GetWindowText(), Title(200));
}

TEST_F(CycleTest, TheModesWorkUnlessSuspendedAndTheCommonRuleAlways) {
  engine.SetDataSourceType(eDataSourceDemo);
  EXPECT_EQ(Pass(), (Log{"SimulateDemo", "MirrorDemoFeedback", "CommonDataCycle"}));
  engine.SetSuspended(true);
  EXPECT_EQ(Pass(), (Log{"CommonDataCycle"}));
  EXPECT_EQ(mainWindow.GetWindowText(), Title(200));  // the title goes on too
  engine.SetSuspended(false);
  engine.SetDataSourceType(eDataSourceRealHW);
  EXPECT_EQ(Pass(), (Log{"RealHardwareCycle", "CommonDataCycle"}));

  // The process cycle calls the supervisor in every mode, also while suspended.
  engine.SetDataSourceType(eDataSourceDemo);
  engine.SetSuspended(true);
  engine.ClearLog();
  const std::uint32_t before = clock.TickCount();
  engine.ProcessCyclePass(stopwatch);
  EXPECT_EQ(engine.Log(), (Log{"ProcessCycle"}));
  EXPECT_EQ(clock.TickCount() - before, 200u);
}

TEST_F(CycleTest, TheScoutIsMadeOnceAndThenBroughtForward) {
  engine.ShowScoutDialog();  // nothing registered yet: nothing shown
  EXPECT_EQ(engine.GetScoutDialog(), nullptr);

  int creations = 0;
  FakeScout* made = nullptr;
  CRuvEngineBase::SetScoutDialogFactory([&]() -> std::unique_ptr<CDialog> {
    auto scout = std::make_unique<FakeScout>(creations);
    made = scout.get();
    return scout;
  });
  engine.ShowScoutDialog();
  ASSERT_EQ(creations, 1);
  ASSERT_EQ(engine.GetScoutDialog(), made);
  EXPECT_TRUE(IsWindow(made->GetSafeHwnd()));
  EXPECT_TRUE(made->IsWindowVisible());

  made->ShowWindow(SW_MINIMIZE);
  engine.ShowScoutDialog();
  EXPECT_EQ(creations, 1);
  EXPECT_FALSE(made->IsIconic());
  PumpPendingMessages();
  EXPECT_EQ(made->bringForwardMessages, 1);

  // A scout whose window is gone is replaced.
  made->DestroyWindow();
  const std::uint32_t before = clock.TickCount();
  engine.ShowScoutDialog();
  EXPECT_EQ(creations, 2);
  EXPECT_EQ(clock.TickCount() - before, 500u);  // the old one was closed first

  engine.CloseScoutDialog();
  EXPECT_EQ(engine.GetScoutDialog(), nullptr);
  engine.CloseScoutDialog();  // nothing to close: no wait
  EXPECT_EQ(clock.TickCount() - before, 1000u);
}

}  // namespace
