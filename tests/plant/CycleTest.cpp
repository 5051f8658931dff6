// One pass of each engine cycle at a time on the fake clock (the 200 ms floor,
// the title with the measured period, the mode's work and the suspended flag),
// and the tag scout made once and then brought forward.
#include <gtest/gtest.h>

#include "EngineRootTestSupport.h"
#include "platform/ui/CDialog.h"
#include "platform/ui/DialogTemplate.h"

namespace {

class CountingScout final : public CDialog {
 public:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    bringForwardMessages += message == CRuvEngineBase::kScoutBringForwardMessage ? 1 : 0;
    return CDialog::WindowProc(message, wParam, lParam);
  }
  int bringForwardMessages = 0;
};

class CycleTest : public EngineRootFixture {
 protected:
  void SetUp() override {
    ASSERT_EQ(engine.Initialize(), TRUE);
    engine.SetBuildBanner("RuvFrame[2k8]");
    stopwatch.Start();
  }
  // One data-obtainer pass: the log it left; `ticks` the time it took.
  Log Pass() {
    engine.ClearLog();
    const std::uint32_t before = clock.TickCount();
    engine.DataObtainerPass(stopwatch, &mainWindow);
    ticks = clock.TickCount() - before;
    return engine.Log();
  }
  std::string Title() const { return mainWindow.GetWindowText(); }
  static std::string TitleWith(int period) {
    return "RuvFrame[2k8]" + std::string(CRuvEngineBase::kCreditText) + " [Refresh = " + std::to_string(period) + " ms]";
  }

  CRTimer stopwatch;
  CWnd mainWindow;
  std::uint32_t ticks = 0;
};

TEST_F(CycleTest, APassSleepsUpToTheFloorAndASlowPassIsNotMadeUp) {
  EXPECT_EQ(Pass(), (Log{"CommonDataCycle"}));  // None: the common rule only
  EXPECT_EQ(ticks, 200u);
  EXPECT_EQ(Title(), TitleWith(200));
  engine.onCommon = [this] { clock.Advance(350); };
  Pass();
  engine.onCommon = nullptr;
  Pass();
  EXPECT_EQ(ticks, 0u);  // starts at once after the slow pass
  EXPECT_EQ(Title(), TitleWith(350));
}

TEST_F(CycleTest, TheModesWorkUnlessSuspendedTheCommonRuleAndTheSupervisorAlways) {
  engine.SetDataSourceType(eDataSourceDemo);
  EXPECT_EQ(Pass(), (Log{"SimulateDemo", "MirrorDemoFeedback", "CommonDataCycle"}));
  engine.SetSuspended(true);
  EXPECT_EQ(Pass(), (Log{"CommonDataCycle"}));
  EXPECT_EQ(Title(), TitleWith(200));
  engine.ClearLog();
  engine.ProcessCyclePass(stopwatch);
  EXPECT_EQ(engine.Log(), (Log{"ProcessCycle"}));
  engine.SetSuspended(false);
  engine.SetDataSourceType(eDataSourceRealHW);
  EXPECT_EQ(Pass(), (Log{"RealHardwareCycle", "CommonDataCycle"}));
}

TEST_F(CycleTest, TheScoutIsMadeOnceAndThenBroughtForward) {
  engine.ShowScoutDialog();  // nothing registered: nothing shown
  EXPECT_EQ(engine.GetScoutDialog(), nullptr);
  DialogTemplate scoutTemplate;
  scoutTemplate.id = CRuvEngineBase::kScoutTemplateId;
  scoutTemplate.cx = scoutTemplate.cy = 80;
  RegisterDialogTemplate(scoutTemplate);
  int creations = 0;
  CRuvEngineBase::SetScoutDialogFactory([&] {
    ++creations;
    return std::make_unique<CountingScout>();
  });
  engine.ShowScoutDialog();
  auto* scout = static_cast<CountingScout*>(engine.GetScoutDialog());
  ASSERT_TRUE(scout && scout->IsWindowVisible());
  scout->ShowWindow(SW_MINIMIZE);
  engine.ShowScoutDialog();
  PumpPendingMessages();
  EXPECT_EQ(creations, 1);
  EXPECT_FALSE(scout->IsIconic());
  EXPECT_EQ(scout->bringForwardMessages, 1);

  scout->DestroyWindow();  // a scout without its window is replaced
  const std::uint32_t before = clock.TickCount();
  engine.ShowScoutDialog();
  EXPECT_EQ(creations, 2);
  EXPECT_EQ(clock.TickCount() - before, 500u);  // the old one was closed first
  engine.CloseScoutDialog();
  engine.CloseScoutDialog();  // nothing left: no wait
  EXPECT_EQ(clock.TickCount() - before, 1000u);
  CRuvEngineBase::SetScoutDialogFactory(nullptr);
}

}  // namespace
