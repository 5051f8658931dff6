// A box asked for on a worker is shown on the UI thread, which may be waiting
// for that very worker, and its answer goes back to the worker.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <atomic>
#include <thread>

#include "platform/ui/CWinApp.h"
#include "platform/ui/QtMessageBox.h"

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
