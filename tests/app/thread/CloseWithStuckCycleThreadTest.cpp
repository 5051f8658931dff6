// The whole application closed while both engine cycles overrun the stop's
// bound: they are reported and given up on, the close goes on, and when they
// finally come back nothing they use has been freed (run under both sanitizers).
// A click that would start work while the close waits is refused.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPrintPreviewDialog>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "app/PlantFormFixture.h"
#include "engine/EngineTables.h"
#include "engine/ProcessEngineApp.h"
#include "platform/base/Clock.h"
#include "platform/base/ExitHook.h"
#include "platform/base/MessageBoxService.h"
#include "platform/ui/CWinApp.h"
#include "platform/ui/FrameworkIds.h"
#include "platform/ui/ModalDialogScript.h"
#include "platform/ui/MessageCore.h"
#include "records/AdoDatabase.h"
#include "records/BatchRS.h"
#include "support/StandardErrorCapture.h"

// (Qt's own libraries are left out of ThreadSanitizer's view in PlantFormReportThreadTest.)

namespace {

// The system clock, except that once holding, a worker's pacing sleep does not
// return until the test lets it go; and once both cycles are held, the ticks
// run fast on the user-interface thread, so a stop's bound passes at once.
class HoldingClock final : public IClock {
 public:
  std::uint32_t TickCount() override {
    if (held.load() >= 2 && IsUiThread()) offset += 100;
    return system.TickCount() + offset.load();
  }
  DateTimeFields LocalNow() override { return system.LocalNow(); }
  void SleepMs(std::uint32_t ms) override {
    if (holding.load() && !IsUiThread()) {
      ++held;
      while (holding.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      --held;
    }
    system.SleepMs(ms);
  }

  std::atomic<bool> holding{false};
  std::atomic<int> held{0};

 private:
  std::atomic<std::uint32_t> offset{0};
  SystemClock system;
};

class CloseWithStuckCycleThreadTest : public PlantFormFixture {
 protected:
  ~CloseWithStuckCycleThreadTest() override {
    clock.holding = false;
    WaitPumping([] { return AbandonedWorkerCount() == 0; }, 30000);
    SetClock(nullptr);
  }
  // Both cycles held in their pacing sleep.
  void HoldBothCycles() {
    clock.holding = true;
    ASSERT_TRUE(WaitPumping([this] { return clock.held.load() == 2; }, 30000));
  }
  // The program closed with Yes while the cycles are held: each is reported
  // and given up on (`more` boxes are expected after those), and the
  // application's run ends.
  void CloseGivingUpOnBothCycles(const std::vector<std::string>& more = {}) {
    boxes.Expect(IDYES, "Application will be closed.");
    boxes.Expect(IDOK, "All of threads not closed! You may need End Task this program.");
    boxes.Expect(IDOK, "All of threads not closed! You may need End Task this program.");
    for (const std::string& text : more) boxes.Expect(IDOK, text);
    main->SendMessage(WM_CLOSE);
    ASSERT_TRUE(IsQuitPosted());
    main = nullptr;
    child = nullptr;
    view = nullptr;
    EXPECT_EQ(theApp.Run(), 0);
    theApp.CloseAllDocuments();
  }
  // The held cycles let go: they finish their pass and leave, the last one
  // having the engine freed (its tables go with it).
  void ReleaseTheCycles() {
    clock.holding = false;
    EXPECT_TRUE(WaitPumping([] { return AbandonedWorkerCount() == 0 && g_pShiftRS.load() == nullptr; }, 30000));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  HoldingClock clock;
  RecordingExitHook exits;
};

TEST_F(CloseWithStuckCycleThreadTest, CyclesGivenUpOnAtTheCloseComeBackToEverythingTheyUse) {
  MakeDatabase();
  SetClock(&clock);
  ASSERT_TRUE(StartApplication());
  ASSERT_EQ(AbandonedWorkerCount(), 0);
  HoldBothCycles();

  // A Start clicked meanwhile arrives while the close waits for the cycles.
  PostMessage(view->GetSafeHwnd(), WM_COMMAND, ID_START_PROCESS, 0);
  CloseGivingUpOnBothCycles();
  EXPECT_EQ(GetEngineRoot(), nullptr);
  EXPECT_FALSE(GetProcessEngine().IsStarted());
  EXPECT_EQ(boxes.Pending(), 0u);
  EXPECT_EQ(boxes.Count(), 3u);
  // The program's last step ends the process while they are inside.
  EXPECT_EQ(AbandonedWorkerCount(), 2);
  ExitIfWorkersAbandoned(0);
  EXPECT_EQ(exits.Codes(), std::vector<int>{0});

  // They come back, finish their pass on what the close left them, and leave.
  ReleaseTheCycles();
}

// While the close waits for the cycles, commands from outside the form come in
// too (the menu's Exit and About, the tool bar's print preview): once the close
// has begun they are refused like the form's own, so Exit does not ask the
// close question again and nothing opens that would hold the close up.
TEST_F(CloseWithStuckCycleThreadTest, CommandsFromOutsideTheFormAreRefusedOnceTheCloseHasBegun) {
  MakeDatabase();
  SetClock(&clock);
  ASSERT_TRUE(StartApplication());
  HoldBothCycles();
  int previews = 0;
  QTimer previewCloser;
  QObject::connect(&previewCloser, &QTimer::timeout, [&] {
    if (auto* preview = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget())) {
      ++previews;
      preview->reject();
    }
  });
  previewCloser.start(5);
  const int dialogsBefore = modal_script::UnscriptedCount();
  const HWND frame = main->GetSafeHwnd();
  for (UINT command : {ID_APP_EXIT, ID_APP_ABOUT, ID_FILE_PRINT_PREVIEW, ID_APP_EXIT})
    PostMessage(frame, WM_COMMAND, command, 0);
  // A second close from the window's own close button, too.
  PostMessage(frame, WM_CLOSE, 0, 0);
  CloseGivingUpOnBothCycles();
  EXPECT_EQ(boxes.Count(), 3u);  // the question once, and the two cycles' reports
  EXPECT_EQ(modal_script::UnscriptedCount(), dialogsBefore);
  EXPECT_EQ(previews, 0);
  ReleaseTheCycles();
}

// Cycles given up on that come back after the loop ended hand the engine back
// by a post to the user-interface thread. The application's last step either
// ends the process while one is still inside, or runs those posts itself:
// nothing the cycles used is left to the static destructors of the queue.
TEST_F(CloseWithStuckCycleThreadTest, CyclesComingBackAfterTheLoopEndedAreReclaimedBeforeTheProcessEnds) {
  MakeDatabase();
  SetClock(&clock);
  ASSERT_TRUE(StartApplication());
  HoldBothCycles();
  CloseGivingUpOnBothCycles();
  ASSERT_NE(g_pShiftRS.load(), nullptr);
  // They come back while nothing runs the queue.
  clock.holding = false;
  for (int i = 0; i < 30000 && AbandonedWorkerCount() != 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ASSERT_EQ(AbandonedWorkerCount(), 0);
  EndRunAfterWorkers(0);
  EXPECT_TRUE(exits.Codes().empty());
  EXPECT_EQ(g_pShiftRS.load(), nullptr);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The close a termination signal asks for gives up on the cycles as well, but
// nobody is there to answer: the reports go to standard error and no box waits
// (the scripted boxes expect none), and the run ends.
TEST_F(CloseWithStuckCycleThreadTest, ACloseByASignalReportsTheCyclesGivenUpOnWithoutABox) {
  MakeDatabase();
  SetClock(&clock);
  ASSERT_TRUE(StartApplication());
  HoldBothCycles();
  StandardErrorCapture errors;
  // What the signal's handler does on the user-interface thread.
  BeginUnattendedClose();
  theApp.OnTerminationSignal();
  main = nullptr;
  child = nullptr;
  view = nullptr;
  EXPECT_EQ(theApp.Run(), 0);
  theApp.CloseAllDocuments();
  EndUnattendedClose();
  const std::string reported = errors.Text();
  EXPECT_EQ(boxes.Count(), 0u);
  const std::string notClosed = "All of threads not closed! You may need End Task this program.";
  const std::size_t first = reported.find(notClosed);
  ASSERT_NE(first, std::string::npos) << reported;
  EXPECT_NE(reported.find(notClosed, first + 1), std::string::npos) << reported;
  EXPECT_EQ(AbandonedWorkerCount(), 2);
  ReleaseTheCycles();
}

// Writes another program's lock kept are given their last try and told of
// even when the close gave up on a cycle (the engine, and with it the
// database, then stays for the cycle, and the process ends without freeing it).
TEST_F(CloseWithStuckCycleThreadTest, WritesTheLockKeptAreToldAtACloseThatGaveUpOnTheCycles) {
  MakeDatabase();
  SetClock(&clock);
  ASSERT_TRUE(StartApplication());
  CADODatabase* database = GetEngineRoot()->GetDatabase();
  ASSERT_NE(database, nullptr);
  database->GetConnection()->SetBusyTimeout(0);
  RawDatabase other(DatabasePath());
  ASSERT_EQ(other.Exec("BEGIN EXCLUSIVE"), SQLITE_OK);
  CBatchRS* batches = g_pBatchRS.load();
  ASSERT_NE(batches, nullptr);
  batches->Scratch().Reset();
  batches->Scratch().SetMixerName("Mixer1");
  batches->Scratch().SetBatchNumber(731);
  ASSERT_TRUE(batches->AddNew());
  ASSERT_GT(database->GetKeptWriteCount(), 0u);

  HoldBothCycles();
  CloseGivingUpOnBothCycles({CADODatabase::WithCause(CADODatabase::kKeptForNextStartText, ruv::db::PendingWrites::kLockedCause)});
  EXPECT_EQ(AbandonedWorkerCount(), 2);
  EXPECT_EQ(boxes.Pending(), 0u);
  const std::string told = ReadFile(DatabasePath() + CADODatabase::kUnwrittenFileSuffix);
  EXPECT_NE(told.find("New row of Batch:"), std::string::npos) << told;
  EXPECT_NE(told.find("nBatchNumber = 731"), std::string::npos) << told;
  ASSERT_EQ(other.Exec("ROLLBACK"), SQLITE_OK);
  ReleaseTheCycles();
}

}  // namespace
