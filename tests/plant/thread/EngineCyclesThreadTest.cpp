// The engine root's two cycles on real threads (run under ThreadSanitizer):
// modes, the suspended flag and the banner changing while both cycles run; a
// stop while the data obtainer waits in a send to the UI thread; and deleting
// the engine while its cycles read the tables.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "engine/EngineTables.h"
#include "plant/EngineRootTestSupport.h"
#include "platform/ui/MessageCore.h"

namespace {

class CountingTarget final : public IMessageTarget {
 public:
  ~CountingTarget() override { UnregisterMessageTarget(handle); }
  LRESULT DispatchMessageToTarget(UINT, WPARAM, LPARAM) override { return ++delivered; }
  HWND handle = RegisterMessageTarget(this);
  std::atomic<int> delivered{0};
};

// The UI thread keeps serving the cycles until `done`.
bool ServeUntil(const std::function<bool()>& done) { return WaitPumping(done, 30000); }

class EngineCyclesThreadTest : public ::testing::Test {
 protected:
  ScriptedMessageBox boxes;
  RecordingExitHook exits;
  PlantFolder folder{kSerialOnlyTagFile};
  RecordingEngine engine;
};

TEST_F(EngineCyclesThreadTest, CyclesRunWhileTheModeTheFlagAndTheBannerChange) {
  ASSERT_EQ(engine.Initialize(), TRUE);
  engine.onCommon = [this] { (void)(engine.GetAppTitle() + engine.GetDataSourceText()); };
  engine.AttachView(nullptr);
  int round = 0;
  ASSERT_TRUE(ServeUntil([&] {
    engine.SetDataSourceType(round % 3);
    engine.SetSuspended(round % 2 == 0);
    engine.SetBuildBanner("Build " + std::to_string(round++));
    return engine.Count("ProcessCycle") >= 3 && engine.Count("SimulateDemo") >= 1 &&
           engine.Count("RealHardwareCycle") >= 1;
  }));
  EXPECT_EQ(engine.StopThreads(), TRUE);
  EXPECT_FALSE(engine.GetCycleThread(CRuvEngineBase::kProcessThread).IsRunning());
  EXPECT_EQ(boxes.Count(), 0u);
}

TEST_F(EngineCyclesThreadTest, StopServesADataObtainerWaitingInASend) {
  ASSERT_EQ(engine.Initialize(), TRUE);
  CountingTarget target;
  std::atomic<bool> sending{false};
  engine.onCommon = [&] {
    if (!sending.exchange(true)) SendMessage(target.handle, WM_USER + 1, 0, 0);
  };
  engine.AttachView(nullptr);
  // Serving nothing meanwhile: the worker is left waiting in its send.
  while (!sending.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_EQ(engine.StopThreads(), TRUE);
  EXPECT_EQ(target.delivered.load(), 1);
  EXPECT_FALSE(engine.HasAbandonedCycle());
  EXPECT_EQ(boxes.Count(), 0u);  // stopped in time: no warning
}

TEST_F(EngineCyclesThreadTest, DeletingTheEngineStopsTheCyclesBeforeTheTablesGo) {
  ASSERT_TRUE(folder.MakeDatabase());
  auto* root = new RecordingEngine();
  ASSERT_EQ(SetEngineRoot(root), TRUE);
  ASSERT_EQ(root->Init(), TRUE);
  // The supervisor's way to the tables: through the seam and the table pointers.
  root->onProcess = [] { (void)GetTableEngine()->GetActiveOperatorName(); };
  root->AttachView(nullptr);
  ASSERT_TRUE(ServeUntil([&] { return root->Count("ProcessCycle") >= 2 && root->Count("CommonDataCycle") >= 2; }));
  delete root;
  EXPECT_EQ(GetEngineRoot(), nullptr);
  EXPECT_EQ(g_pShiftRS.load(), nullptr);
}

}  // namespace
