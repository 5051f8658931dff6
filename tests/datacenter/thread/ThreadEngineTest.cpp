#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <atomic>
#include <thread>

#include "datacenter/DataCenterTestSupport.h"
#include "datacenter/ThreadEngine.h"
#include "platform/base/Clock.h"
#include "platform/base/ExitHook.h"
#include "platform/ui/CWinApp.h"
#include "platform/ui/QtMessageBox.h"
#include "support/FakeClock.h"
#include "support/ScriptedMessageBox.h"
#include "support/TestEnvironment.h"

namespace {

constexpr const char* kNotClosed = "All of threads not closed! You may need End Task this program.";

// Waits on the real clock for something another thread does (generous bound, no timing claim).
template <typename Condition>
bool Eventually(Condition condition) {
  for (int i = 0; i < 20000 && !condition(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return condition();
}

// A worker following the contract that, once told to stop, lingers until `mayLeave`.
UINT LingeringWorker(CThreadEngine* engine, std::atomic<bool>* mayLeave, std::atomic<int>* entries) {
  engine->SetRunning(true);
  if (entries) ++*entries;
  while (engine->IsKeepRunning()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  while (!mayLeave->load()) std::this_thread::yield();
  engine->SetRunning(false);
  return 0;
}

// Records the fake tick at which a box came up and answers OK.
class TickRecordingBox final : public IMessageBoxService {
 public:
  TickRecordingBox() { SetMessageBoxService(this); }
  ~TickRecordingBox() override { SetMessageBoxService(nullptr); }
  int Show(const std::string& text, const std::string&, UINT style) override {
    texts.push_back(text);
    styles.push_back(style);
    ticks.push_back(GetTickCount());
    return IDOK;
  }
  std::vector<std::string> texts;
  std::vector<UINT> styles;
  std::vector<std::uint32_t> ticks;
};

TEST(ThreadEngineTest, StopWithoutStartReturnsAtOnceWithoutBox) {
  ScriptedMessageBox boxes;
  CThreadEngine engine;
  EXPECT_TRUE(engine.Stop());
  EXPECT_FALSE(engine.HasThread());
  EXPECT_FALSE(engine.Start());  // no procedure
  EXPECT_FALSE(engine.IsRunning());
  EXPECT_FALSE(engine.IsKeepRunning());
}

TEST(ThreadEngineTest, StartOnARunningEngineStartsNoSecondThread) {
  ScriptedMessageBox boxes;
  std::atomic<bool> mayLeave{true};
  std::atomic<int> entries{0};
  int owner = 0;
  CThreadEngine engine;
  engine.SetOwner(&owner);
  engine.SetThreadProc([&](CThreadEngine* e) { return LingeringWorker(e, &mayLeave, &entries); });
  ASSERT_TRUE(engine.Start());
  EXPECT_TRUE(engine.IsKeepRunning());
  EXPECT_EQ(engine.GetOwner(), &owner);
  ASSERT_TRUE(Eventually([&] { return entries.load() == 1; }));
  EXPECT_TRUE(engine.Start());
  EXPECT_TRUE(engine.Stop());
  EXPECT_EQ(entries.load(), 1);
  EXPECT_FALSE(engine.IsRunning());
  EXPECT_FALSE(engine.HasThread());
  // Stopped engines start again.
  ASSERT_TRUE(engine.Start());
  EXPECT_TRUE(engine.Stop());
  EXPECT_EQ(entries.load(), 2);
  EXPECT_EQ(boxes.Count(), 0u);
}

// Fake ticks that only the test moves; sleeping waits a real millisecond, so the
// stopping thread's wait cannot outrun the worker's own view of the time.
class ManualClock final : public IClock {
 public:
  ManualClock() { SetClock(this); }
  ~ManualClock() override { SetClock(nullptr); }
  std::uint32_t TickCount() override { return m_ticks.load(); }
  DateTimeFields LocalNow() override { return DateTimeFields(); }
  void SleepMs(std::uint32_t) override { std::this_thread::sleep_for(std::chrono::milliseconds(1)); }
  void Advance(std::uint32_t ms) { m_ticks += ms; }

 private:
  std::atomic<std::uint32_t> m_ticks{5000};
};

TEST(ThreadEngineTest, WorkerLeavingWithinTheBoundIsWaitedFor) {
  ManualClock clock;
  ScriptedMessageBox boxes;  // any box fails the test
  CThreadEngine engine;
  engine.SetThreadProc([&](CThreadEngine* e) -> UINT {
    e->SetRunning(true);
    while (e->IsKeepRunning()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    clock.Advance(5999);  // leaves 5.999 s (fake) after the stop began: inside the bound
    e->SetRunning(false);
    return 0;
  });
  ASSERT_TRUE(engine.Start());
  EXPECT_TRUE(engine.Stop());
  EXPECT_FALSE(engine.IsAbandoned());
  EXPECT_FALSE(engine.IsRunning());
}

// A started worker that lingers after the stop until the test lets it go, on a
// fake clock on which the stop's bound passes at once.
class StuckWorkerTest : public ::testing::Test {
 protected:
  StuckWorkerTest() {
    clock.Install();
    engine.SetThreadProc([this](CThreadEngine* e) { return LingeringWorker(e, &mayLeave, nullptr); });
  }
  ~StuckWorkerTest() override {
    mayLeave = true;
    Eventually([&] { return !engine.IsAbandoned(); });  // never leave a worker on a dead engine
  }

  FakeClock clock;
  TickRecordingBox boxes;
  RecordingExitHook exits;
  std::atomic<bool> mayLeave{false};
  CThreadEngine engine;
};

TEST_F(StuckWorkerTest, IsReportedAfterSixSecondsAbandonedAndHoldsTheExitUntilItLeaves) {
  ASSERT_TRUE(engine.Start());
  const int abandonedBefore = AbandonedWorkerCount();
  const std::uint32_t stopBegan = GetTickCount();
  EXPECT_TRUE(engine.Stop());
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_EQ(boxes.texts[0], kNotClosed);
  EXPECT_EQ(boxes.styles[0], MB_OK | MB_ICONSTOP | MB_SYSTEMMODAL);
  EXPECT_GE(TicksSince(stopBegan, boxes.ticks[0]), 6000u);  // not after 5 s
  EXPECT_LT(TicksSince(stopBegan, boxes.ticks[0]), 6100u);
  EXPECT_TRUE(engine.IsAbandoned());
  EXPECT_FALSE(engine.HasThread());
  // Shut-down must not run destructors under it: the last step ends the process.
  EXPECT_EQ(AbandonedWorkerCount(), abandonedBefore + 1);
  ExitIfWorkersAbandoned(321);
  EXPECT_EQ(exits.Codes(), std::vector<int>{321});

  // Never waited for again, and no second worker while the first is inside.
  const std::uint32_t secondStop = GetTickCount();
  EXPECT_TRUE(engine.Stop());
  EXPECT_EQ(GetTickCount(), secondStop);
  EXPECT_EQ(boxes.texts.size(), 1u);
  EXPECT_FALSE(engine.Start());

  // Once it finally leaves, the engine can serve again (on the real clock now:
  // a fresh worker notices the stop in real time, which fake sleeps would outrun).
  mayLeave = true;
  ASSERT_TRUE(Eventually([&] { return !engine.IsAbandoned(); }));
  EXPECT_EQ(AbandonedWorkerCount(), abandonedBefore);
  ExitIfWorkersAbandoned(0);
  EXPECT_EQ(exits.Codes(), std::vector<int>{321});
  SetClock(nullptr);
  ASSERT_TRUE(engine.Start());
  EXPECT_TRUE(engine.Stop());
  EXPECT_EQ(boxes.texts.size(), 1u);
}

// What an abandoned worker hands back on leaving (the engine's leftovers, say)
// is passed on by its reclaim; the shut-down frees it once no abandoned worker
// is counted. So the worker counts until its reclaim has returned.
TEST_F(StuckWorkerTest, AnAbandonedWorkerCountsUntilItsHandOverIsDone) {
  ASSERT_TRUE(engine.Start());
  const int abandonedBefore = AbandonedWorkerCount();
  EXPECT_TRUE(engine.Stop());
  ASSERT_TRUE(engine.IsAbandoned());
  std::atomic<bool> reclaiming{false};
  std::atomic<bool> reclaimMayEnd{false};
  ASSERT_TRUE(engine.HandOverToWorker([&] {
    reclaiming = true;
    while (!reclaimMayEnd.load()) std::this_thread::yield();
  }));
  mayLeave = true;
  ASSERT_TRUE(Eventually([&] { return reclaiming.load(); }));
  EXPECT_EQ(AbandonedWorkerCount(), abandonedBefore + 1);
  ExitIfWorkersAbandoned(7);
  EXPECT_EQ(exits.Codes(), std::vector<int>{7});
  reclaimMayEnd = true;
  ASSERT_TRUE(Eventually([&] { return AbandonedWorkerCount() == abandonedBefore; }));
  EXPECT_FALSE(engine.IsAbandoned());
}

TEST(ThreadEngineTest, StopKeepsServicingSendsFromTheWorker) {
  ScriptedMessageBox boxes;  // a deadlock would end in the not-closed box and fail
  RecordingWindow window;
  CThreadEngine engine;
  engine.SetThreadProc([&](CThreadEngine* e) -> UINT {
    e->SetRunning(true);
    while (e->IsKeepRunning()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    SendMessage(window.Handle(), 0x401, 7, 9);  // blocks until the UI thread runs it
    e->SetRunning(false);
    return 0;
  });
  ASSERT_TRUE(engine.Start());
  EXPECT_TRUE(engine.Stop());
  auto received = window.Received();
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0].message, 0x401u);
  EXPECT_EQ(boxes.Count(), 0u);
}

// A handler of the worker's own send stops the engine. The worker waits for that
// handler, so a Stop waiting for the worker there would only wait out its bound
// and report a worker that is fine. It returns at once; the worker leaves once
// its send has returned, nothing is reported, and the engine serves again.
TEST(ThreadEngineTest, AStopInsideItsOwnWorkersSendReturnsAtOnceAndTheWorkerLeavesAfterIt) {
  FakeClock clock;  // a stop that waited would pass its bound without real waiting
  clock.Install();
  TickRecordingBox reports;
  const int abandonedBefore = AbandonedWorkerCount();
  std::atomic<bool> sendReturned{false};
  std::uint32_t ticksInStop = 0;
  CThreadEngine engine;
  engine.SetThreadProc([&](CThreadEngine* e) -> UINT {
    e->SetRunning(true);
    RunOnUiThreadAndWait([&] {
      const std::uint32_t before = GetTickCount();
      EXPECT_TRUE(e->Stop());
      ticksInStop = TicksSince(before, GetTickCount());
    });
    sendReturned = true;
    while (e->IsKeepRunning()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    e->SetRunning(false);
    return 0;
  });
  ASSERT_TRUE(engine.Start());
  for (int i = 0; i < 20000 && !(sendReturned.load() && !engine.IsAbandoned()); ++i) {
    PumpPendingMessages();  // runs the worker's send
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ASSERT_TRUE(sendReturned.load());
  EXPECT_EQ(ticksInStop, 0u);
  EXPECT_TRUE(reports.texts.empty());
  ASSERT_TRUE(Eventually([&] { return !engine.IsAbandoned(); }));
  EXPECT_FALSE(engine.IsRunning());
  EXPECT_EQ(AbandonedWorkerCount(), abandonedBefore);

  SetClock(nullptr);  // a fresh worker notices a stop in real time
  engine.SetThreadProc([](CThreadEngine* e) -> UINT {
    e->SetRunning(true);
    while (e->IsKeepRunning()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    e->SetRunning(false);
    return 0;
  });
  ASSERT_TRUE(engine.Start());
  EXPECT_TRUE(engine.Stop());
  EXPECT_FALSE(engine.HasThread());
  EXPECT_TRUE(reports.texts.empty());
}

TEST(ThreadEngineTest, DestructorStopsTheWorker) {
  ScriptedMessageBox boxes;
  std::atomic<bool> mayLeave{true};
  std::atomic<int> entries{0};
  {
    CThreadEngine engine;
    engine.SetThreadProc([&](CThreadEngine* e) { return LingeringWorker(e, &mayLeave, &entries); });
    ASSERT_TRUE(engine.Start());
    ASSERT_TRUE(Eventually([&] { return entries.load() == 1; }));
  }
  EXPECT_EQ(boxes.Count(), 0u);
}

// A handler run by Stop's wait stops the same engine again while its worker is
// stuck: one report, one abandonment, and no second detach of the thread.
TEST_F(StuckWorkerTest, ASecondStopInsideTheFirstOnesWaitLeavesTheVerdictToIt) {
  ASSERT_TRUE(engine.Start());
  bool nestedRan = false;
  PostToUiThread([&] {
    EXPECT_TRUE(engine.IsStopping());
    EXPECT_TRUE(engine.Stop());
    nestedRan = true;
  });
  EXPECT_NO_THROW(engine.Stop());
  EXPECT_TRUE(nestedRan);
  EXPECT_EQ(boxes.texts, std::vector<std::string>{kNotClosed});
  EXPECT_TRUE(engine.IsAbandoned());
  EXPECT_FALSE(engine.IsStopping());
}

// A handler run by Stop's wait stops the engine and starts it again. The start
// must fail: the outer Stop's caller is about to tear down what a new worker would
// use, and the outer Stop must not wait out its bound on a healthy new worker.
TEST(ThreadEngineTest, AStartInsideAStopsWaitFailsAndTheStopEndsWithItsOwnWorker) {
  ScriptedMessageBox boxes;  // the not-closed box would fail the test
  std::atomic<bool> mayLeave{false};
  std::atomic<int> entries{0};
  CThreadEngine engine;
  engine.SetThreadProc([&](CThreadEngine* e) { return LingeringWorker(e, &mayLeave, &entries); });
  ASSERT_TRUE(engine.Start());
  ASSERT_TRUE(Eventually([&] { return entries.load() == 1; }));
  BOOL restarted = TRUE;
  PostToUiThread([&] {
    mayLeave = true;
    engine.Stop();
    restarted = engine.Start();
  });
  EXPECT_TRUE(engine.Stop());
  EXPECT_FALSE(restarted);
  EXPECT_EQ(entries.load(), 1);
  EXPECT_FALSE(engine.HasThread());
  EXPECT_FALSE(engine.IsAbandoned());
  EXPECT_EQ(boxes.Count(), 0u);
  ASSERT_TRUE(engine.Start());  // once the Stop has ended, the engine serves again
  EXPECT_TRUE(engine.Stop());
}

QMessageBox* VisibleBox() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible()) return box;
  }
  return nullptr;
}

// A timer handler stops the worker while the worker's box is open, and the
// operator answers meanwhile: the answer must reach the worker at once, so the
// Stop sees it finish instead of giving it up.
TEST(ThreadEngineTest, StoppingAWorkerFromInsideItsOwnBoxSeesItFinish) {
  CWinApp app("RuvFrame");
  QtMessageBox screen;      // the worker's box, on screen
  TickRecordingBox reports;  // the not-closed report would be recorded here
  std::atomic<int> answer{0};
  CThreadEngine engine;
  engine.SetThreadProc([&](CThreadEngine* e) -> UINT {
    e->SetRunning(true);
    answer = screen.Show("Stop the link?", "", MB_YESNO);
    while (e->IsKeepRunning()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    e->SetRunning(false);
    return 0;
  });
  bool stopped = false;
  QTimer handler;
  QObject::connect(&handler, &QTimer::timeout, [&] {
    QMessageBox* box = VisibleBox();
    if (!box || stopped) return;
    handler.stop();
    // The operator answers while the Stop below is waiting.
    QTimer::singleShot(0, box, [box] { box->button(QMessageBox::Yes)->click(); });
    engine.Stop();
    stopped = true;
  });
  handler.start(5);
  ASSERT_TRUE(engine.Start());
  EXPECT_TRUE(WaitPumping([&] { return stopped; }, 60000));
  EXPECT_EQ(answer.load(), IDYES);
  EXPECT_TRUE(reports.texts.empty());
  EXPECT_FALSE(engine.IsAbandoned());
  Eventually([&] { return !engine.IsAbandoned(); });
}

}  // namespace
