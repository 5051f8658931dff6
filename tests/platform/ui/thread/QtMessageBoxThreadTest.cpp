// A box asked for on a worker is shown on the UI thread, which may be waiting
// for that very worker, and its answer goes back to the worker.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>

#include "platform/base/MessageBoxService.h"
#include "platform/ui/CWinApp.h"
#include "platform/ui/MessageCore.h"
#include "platform/ui/QtMessageBox.h"
#include "platform/ui/RecordingWnd.h"
#include "support/StandardErrorCapture.h"

namespace {

TEST(QtMessageBoxThread, AWorkersBoxIsAnsweredOnTheUiThreadWhileItWaits) {
  CWinApp app("RuvFrame");
  QtMessageBox service;
  std::atomic<bool> done{false};
  std::atomic<int> answer{0};
  std::string title, text;
  std::thread::id shownOn;

  // Presses "No" on the box once it is up (runs inside the box's own loop).
  QTimer presser;
  QObject::connect(&presser, &QTimer::timeout, [&] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* box = qobject_cast<QMessageBox*>(w);
      if (!box || !box->isVisible()) continue;
      title = box->windowTitle().toStdString();
      text = box->text().toStdString();
      shownOn = std::this_thread::get_id();
      box->button(QMessageBox::No)->click();
    }
  });
  presser.start(5);

  std::thread worker([&] {
    answer = service.Show("Data types differ.\r\nUpdate the tag file?", "", MB_YESNOCANCEL | MB_SYSTEMMODAL);
    done = true;
  });
  EXPECT_TRUE(WaitPumping([&] { return done.load(); }, 60000));
  worker.join();
  presser.stop();
  EXPECT_EQ(answer.load(), IDNO);
  EXPECT_EQ(title, "RuvFrame");
  EXPECT_EQ(text, "Data types differ.\nUpdate the tag file?");
  EXPECT_EQ(shownOn, std::this_thread::get_id());
}

TEST(QtMessageBoxThread, AWorkerInformingWithoutWaitingGoesOnBeforeTheBoxIsAnswered) {
  CWinApp app("RuvFrame");
  QtMessageBox service;
  std::atomic<bool> returned{false};
  // The worker returns although nobody will press anything until it has.
  std::thread worker([&] {
    service.ShowWithoutWaiting("Recipe ended", "Recipe Status", MB_OK | MB_ICONASTERISK | MB_SYSTEMMODAL);
    returned = true;
  });
  worker.join();
  EXPECT_TRUE(returned.load());

  QMessageBox* shown = nullptr;
  EXPECT_TRUE(WaitPumping([&] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) shown = box;
    }
    return shown != nullptr;
  }, 60000));
  ASSERT_NE(shown, nullptr);
  EXPECT_EQ(shown->windowTitle().toStdString(), "Recipe Status");
  EXPECT_EQ(shown->text().toStdString(), "Recipe ended");
  QPointer<QMessageBox> alive(shown);
  shown->button(QMessageBox::Ok)->click();
  EXPECT_TRUE(WaitPumping([&] { return alive.isNull(); }, 60000));  // deleted once answered
}

}  // namespace


// A close nobody attends (a termination signal): the boxes open then, one the
// UI thread waits on and one a worker waits on, are answered with their default
// buttons and written to standard error; the boxes after them open nowhere and
// keep nobody waiting.
TEST(QtMessageBoxThread, AnUnattendedCloseAnswersTheOpenBoxesAndLetsNoLaterBoxWait) {
  CWinApp app("RuvFrame");
  QtMessageBox service;
  SetMessageBoxService(&service);
  StandardErrorCapture errors;
  std::atomic<int> workerAnswer{0};
  std::atomic<bool> workerDone{false};
  int uiAnswer = 0;
  // Once both boxes are up (inside the UI thread's box), the close begins.
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [&] {
    int open = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) ++open;
    if (open < 2) return;
    closer.stop();
    BeginUnattendedClose();
    QtMessageBox::AnswerOpenBoxesUnattended();
  });
  closer.start(5);
  std::thread worker([&] {
    workerAnswer = ShowMessageBox("Save the recipe?", "Recipe", MB_YESNO | MB_DEFBUTTON2);
    workerDone = true;
  });
  ASSERT_TRUE(WaitPumping([] {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) return true;
    return false;
  }, 60000));
  uiAnswer = ShowMessageBox("Application will be closed.\r\nAre you sure?", "",
                            MB_YESNOCANCEL | MB_DEFBUTTON2 | MB_ICONQUESTION);
  EXPECT_TRUE(WaitPumping([&] { return workerDone.load(); }, 60000));
  worker.join();
  EXPECT_EQ(uiAnswer, IDNO);
  EXPECT_EQ(workerAnswer.load(), IDNO);

  // Later boxes, from either thread, answer at once with their marked button.
  EXPECT_EQ(ShowMessageBox("All of threads not closed! You may need End Task this program.", "",
                           MB_OK | MB_ICONSTOP | MB_SYSTEMMODAL),
            IDOK);
  int laterWorkerAnswer = 0;
  std::thread later([&] { laterWorkerAnswer = ShowMessageBox("Retry the write?", "Records", MB_RETRYCANCEL); });
  later.join();  // nothing pumps: the box must not wait for the UI thread
  EXPECT_EQ(laterWorkerAnswer, IDRETRY);
  ShowMessageBoxWithoutWaiting("Recipe ended", "Recipe Status", MB_OK);
  PumpPendingMessages();
  for (QWidget* w : QApplication::topLevelWidgets()) {
    auto* box = qobject_cast<QMessageBox*>(w);
    EXPECT_FALSE(box && box->isVisible()) << box->text().toStdString();
  }
  EndUnattendedClose();
  SetMessageBoxService(nullptr);
  const std::string text = errors.Text();
  for (const char* line : {"[RuvFrame] Application will be closed.\nAre you sure?", "[Recipe] Save the recipe?",
                           "[RuvFrame] All of threads not closed! You may need End Task this program.",
                           "[Records] Retry the write?", "[Recipe Status] Recipe ended"})
    EXPECT_NE(text.find(line), std::string::npos) << line << " in\n" << text;
}

// A worker's box asked for just before such a close begins, still waiting in
// the queue when it begins, opens nowhere either: the worker gets the default.
TEST(QtMessageBoxThread, AWorkersBoxStillQueuedWhenAnUnattendedCloseBeginsOpensNowhere) {
  CWinApp app("RuvFrame");
  QtMessageBox service;
  SetMessageBoxService(&service);
  StandardErrorCapture errors;
  std::atomic<bool> asked{false};
  std::atomic<bool> done{false};
  std::atomic<int> answer{0};
  SetMessageBoxOpeningWatch([&] { asked = true; });
  std::thread worker([&] {
    answer = ShowMessageBox("Stop the process?", "Process", MB_YESNO | MB_DEFBUTTON2);
    done = true;
  });
  // The UI thread serves nothing meanwhile: the box is not shown yet.
  while (!asked.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  BeginUnattendedClose();
  EXPECT_TRUE(WaitPumping([&] { return done.load(); }, 60000));
  worker.join();
  EXPECT_EQ(answer.load(), IDNO);
  for (QWidget* w : QApplication::topLevelWidgets()) {
    auto* box = qobject_cast<QMessageBox*>(w);
    EXPECT_FALSE(box && box->isVisible()) << box->text().toStdString();
  }
  SetMessageBoxOpeningWatch(nullptr);
  EndUnattendedClose();
  SetMessageBoxService(nullptr);
  EXPECT_NE(errors.Text().find("[Process] Stop the process?"), std::string::npos);
}

namespace {

constexpr UINT kAskingMessage = WM_USER + 40;
constexpr UINT kPostedMessage = WM_USER + 41;

// A window whose handler of one message asks for a box, as a tag's notice or
// a server's callback may.
class AskingWnd final : public RecordingWnd {
 public:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    const LRESULT result = RecordingWnd::WindowProc(message, wParam, lParam);
    if (message == kAskingMessage) answer = ShowMessageBox("Device 1 on COM2 does not answer.", "Link", MB_OK);
    return result;
  }
  int answer = 0;
};

// A wait for a worker (a link's stop) runs the worker's send, whose handler asks
// for a box. A box's loop delivers whatever is queued, so a Start or a command
// posted meanwhile would run inside the stop: the box opens only after the wait,
// and no posted message, timer or input runs inside it.
TEST(QtMessageBoxThread, ABoxAskedInsideASendDuringAStopsWaitOpensAfterItAndLetsNothingIn) {
  CWinApp app("RuvFrame");
  QtMessageBox service;
  SetMessageBoxService(&service);
  AskingWnd wnd;
  ASSERT_TRUE(wnd.CreateTopLevel());
  wnd.ShowWindow(SW_SHOW);
  const HWND handle = wnd.GetSafeHwnd();
  // The operator answers every box that comes up.
  std::vector<std::string> shown;
  QTimer presser;
  QObject::connect(&presser, &QTimer::timeout, [&] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* box = qobject_cast<QMessageBox*>(w);
      if (!box || !box->isVisible()) continue;
      shown.push_back(box->text().toStdString());
      box->button(QMessageBox::Ok)->click();
    }
  });
  presser.start(5);

  PostMessage(handle, kPostedMessage, 0, 0);
  wnd.SetTimer(7, 1);
  QCoreApplication::postEvent(wnd.GetWidget(), new QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a"));
  std::atomic<bool> sent{false};
  std::thread worker([&] {
    SendMessage(handle, kAskingMessage, 0, 0);
    sent = true;
  });
  EXPECT_TRUE(WaitServicingSends([&] { return sent.load(); }, 60000));
  worker.join();
  EXPECT_EQ(wnd.answer, IDOK);
  EXPECT_TRUE(shown.empty());
  EXPECT_EQ(wnd.Sequence({kAskingMessage, kPostedMessage, WM_TIMER, WM_KEYDOWN}), std::vector<UINT>{kAskingMessage});

  // The event loop then opens the box and delivers the rest.
  EXPECT_TRUE(WaitPumping([&] {
    return !shown.empty() && !wnd.Only(kPostedMessage).empty() && !wnd.Only(WM_TIMER).empty() &&
           !wnd.Only(WM_KEYDOWN).empty();
  }, 60000));
  EXPECT_EQ(shown, std::vector<std::string>{"Device 1 on COM2 does not answer."});
  presser.stop();
  wnd.KillTimer(7);
  SetMessageBoxService(nullptr);
  wnd.DestroyWindow();
}

}  // namespace
