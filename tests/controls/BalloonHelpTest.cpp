// Balloon placement rules, owners and titles, and the ways a balloon closes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>
#include <algorithm>

#include "ControlHost.h"
#include "controls/BalloonPlacement.h"
#include "controls/CBalloonHelp.h"
#include "platform/ui/ApplicationHooks.h"
#include "platform/ui/WindowTimers.h"

namespace bp = balloon_placement;

namespace {

constexpr UINT kProgramOptions = 33216;

CBalloonHelp* Newest() {
  const auto all = CBalloonHelp::Balloons();
  return all.empty() ? nullptr : all.back();
}

bool Exists(CBalloonHelp* balloon) {
  const auto all = CBalloonHelp::Balloons();
  return std::find(all.begin(), all.end(), balloon) != all.end();
}

bool TimeoutArmed(CBalloonHelp* balloon, UINT* elapse = nullptr) {
  for (const ArmedTimer& timer : ArmedTimersOf(balloon->GetSafeHwnd())) {
    if (timer.id == CBalloonHelp::kTimeoutTimer) {
      if (elapse) *elapse = timer.elapseMs;
      return true;
    }
  }
  return false;
}

// A mouse move as the windowing system delivers it: to the top-level window.
void MoveMouseTo(CWnd& window, QPoint global) {
  QWindow* handle = window.GetWidget()->windowHandle();
  ASSERT_NE(handle, nullptr);
  QMouseEvent move(QEvent::MouseMove, handle->mapFromGlobal(global), global, Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  QCoreApplication::sendEvent(handle, &move);
  PumpPendingMessages();
}

}  // namespace

TEST(BalloonPlacementTest, QuadrantsSplitAtTheWorkAreaCentreLines) {
  const CRect work(0, 0, 800, 600);
  EXPECT_EQ(bp::Quadrant(POINT{600, 100}, work), 0);
  EXPECT_EQ(bp::Quadrant(POINT{100, 100}, work), 1);
  EXPECT_EQ(bp::Quadrant(POINT{600, 500}, work), 2);
  EXPECT_EQ(bp::Quadrant(POINT{100, 500}, work), 3);
  // On the centre lines: the lower half and the right half.
  EXPECT_EQ(bp::Quadrant(POINT{400, 300}, work), 2);
  EXPECT_EQ(bp::Quadrant(POINT{399, 299}, work), 1);
}

TEST(BalloonPlacementTest, TailsPointUpOrDownAndStayInsideTheBorder) {
  const CSize size(200, 80);  // q = 45
  bp::Layout top = bp::TailAndBody(size, 0);
  EXPECT_EQ(top.tail[1].x, 155);
  EXPECT_EQ(top.tail[1].y, 1);
  EXPECT_EQ(top.body, CRect(0, 20, 200, 80));
  bp::Layout bottomLeft = bp::TailAndBody(size, 3);
  EXPECT_EQ(bottomLeft.tail[0].x, 65);
  EXPECT_EQ(bottomLeft.tail[1].x, 45);
  EXPECT_EQ(bottomLeft.tail[1].y, 78);
  EXPECT_EQ(bottomLeft.body, CRect(0, 0, 200, 60));
  EXPECT_EQ(bp::ClientArea(size, 0), CRect(8, 28, 192, 72));
  EXPECT_EQ(bp::ClientArea(size, 3), CRect(8, 8, 192, 52));

  // A narrow balloon: every x is clamped to 8 .. w - 8.
  bp::Layout narrow = bp::TailAndBody(CSize(30, 40), 1);
  for (const POINT& p : narrow.tail) {
    EXPECT_GE(p.x, 8);
    EXPECT_LE(p.x, 22);
  }
}

TEST(BalloonPlacementTest, ShiftsKeepTheWindowInTheWorkAreaAndTheTipOnTheAnchor) {
  const CRect work(0, 0, 800, 600);
  const CSize size(200, 80);
  // Near the right edge: moved left, the tip moves right by as much.
  bp::Layout right = bp::Place(size, POINT{790, 100}, work);
  EXPECT_EQ(right.origin.x + size.cx, 800);
  EXPECT_EQ(right.origin.x + right.tail[1].x, 790);
  EXPECT_EQ(right.origin.y + right.tail[1].y, 100);
  // Near the left edge.
  bp::Layout left = bp::Place(size, POINT{3, 100}, work);
  EXPECT_EQ(left.origin.x, 0);
  EXPECT_EQ(left.origin.x + left.tail[1].x, 3);
  // In the lower half the balloon sits above the anchor, tail at the bottom.
  bp::Layout lower = bp::Place(size, POINT{600, 500}, work);
  EXPECT_EQ(lower.quadrant, 2);
  EXPECT_EQ(lower.origin.y + size.cy - 2, 500);
  // Above the work area's top: moved down until the body's top meets it.
  bp::Layout above = bp::Place(size, POINT{600, 50}, CRect(0, 100, 800, 700));
  EXPECT_EQ(above.origin.y + 20, 100);
}

TEST(BalloonHelpTest, CreateNeedsAnOwnerAndAnEmptyTitleGivesTheProgramName) {
  CBalloonHelp orphan;
  EXPECT_FALSE(orphan.Create("Title", "No owner", CPoint(10, 10), 0));
  EXPECT_EQ(orphan.GetSafeHwnd(), nullptr);

  ControlHost owner;
  const std::size_t before = CBalloonHelp::Balloons().size();
  CBalloonHelp::ShowBalloon("", "<b>Tag</b> & more", nullptr, IDI_INFORMATION, kProgramOptions, 3000, &owner);
  ASSERT_EQ(CBalloonHelp::Balloons().size(), before + 1);
  CBalloonHelp* balloon = Newest();
  EXPECT_EQ(balloon->GetWindowText(), QCoreApplication::applicationFilePath().toStdString());
  EXPECT_EQ(balloon->GetText(), "<b>Tag</b> & more");
  // The program's options, plus DeleteOnClose, plus no fades without window opacity.
  EXPECT_EQ(balloon->GetOptions(), kProgramOptions | CBalloonHelp::DeleteOnClose | CBalloonHelp::NoFadeIn);
  EXPECT_EQ(balloon->GetMouseTolerance(), CSize(34, 14));
  EXPECT_TRUE(balloon->IsWindowVisible());
  EXPECT_FALSE(TimeoutArmed(balloon));  // DelayClose: no time-out before the first close request
}

TEST(BalloonHelpTest, ProgramOptionsCloseAfterAFarMoveAndTheTimeout) {
  ControlHost owner;
  QCursor::setPos(200, 200);
  QApplication::processEvents();
  const QPoint shownAt = QCursor::pos();
  CBalloonHelp::ShowBalloon("Saved", "The recipe was saved.", nullptr, 0, kProgramOptions, 3000, &owner);
  CBalloonHelp* balloon = Newest();
  ASSERT_NE(balloon, nullptr);
  const HWND handle = balloon->GetSafeHwnd();

  MoveMouseTo(owner, shownAt + QPoint(30, 10));  // within 34 x 14
  EXPECT_FALSE(TimeoutArmed(balloon));
  EXPECT_TRUE(balloon->GetOptions() & CBalloonHelp::DelayClose);

  MoveMouseTo(owner, shownAt + QPoint(0, 15));  // beyond in y
  UINT elapse = 0;
  ASSERT_TRUE(TimeoutArmed(balloon, &elapse));
  EXPECT_EQ(elapse, 3000u);
  EXPECT_FALSE(balloon->GetOptions() & (CBalloonHelp::DelayClose | CBalloonHelp::CloseOnMouseMove));
  EXPECT_TRUE(IsWindow(handle));

  // Further moves change nothing; the time-out closes it and it deletes itself.
  MoveMouseTo(owner, shownAt + QPoint(200, 100));
  ASSERT_TRUE(FireTimerNow(handle, CBalloonHelp::kTimeoutTimer));
  EXPECT_FALSE(IsWindow(handle));
  EXPECT_FALSE(Exists(balloon));
}

TEST(BalloonHelpTest, AKeyClosesEveryOpenBalloon) {
  ControlHost owner;
  CBalloonHelp::ShowBalloon("One", "first", nullptr, 0, kProgramOptions, 3000, &owner);
  CBalloonHelp* first = Newest();
  CBalloonHelp::ShowBalloon("Two", "second", nullptr, 0, kProgramOptions, 3000, &owner);
  CBalloonHelp* second = Newest();
  ASSERT_NE(first, second);
  const HWND firstHandle = first->GetSafeHwnd();
  const HWND secondHandle = second->GetSafeHwnd();

  QApplication::setActiveWindow(owner.GetWidget());
  QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : owner.GetWidget();
  QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
  QApplication::sendEvent(target, &press);
  PumpPendingMessages();
  ASSERT_TRUE(TimeoutArmed(first));
  ASSERT_TRUE(TimeoutArmed(second));

  FireTimerNow(firstHandle, CBalloonHelp::kTimeoutTimer);
  FireTimerNow(secondHandle, CBalloonHelp::kTimeoutTimer);
  EXPECT_FALSE(IsWindow(firstHandle));
  EXPECT_FALSE(IsWindow(secondHandle));
  EXPECT_FALSE(Exists(first));
  EXPECT_FALSE(Exists(second));
}

TEST(BalloonHelpTest, DestroyingTheOwnerTakesItsBalloonsAlong) {
  auto owner = std::make_unique<ControlHost>();
  const int hooksBefore = app_hooks::Count();
  CBalloonHelp::ShowBalloon("Info", "text", nullptr, 0, CBalloonHelp::CloseOnKeyPress, 3000, owner.get());
  CBalloonHelp* balloon = Newest();
  ASSERT_TRUE(TimeoutArmed(balloon));
  EXPECT_EQ(app_hooks::Count(), hooksBefore + 2);  // the key, and following the owner
  owner.reset();
  EXPECT_FALSE(Exists(balloon));
  EXPECT_EQ(app_hooks::Count(), hooksBefore);
}

TEST(BalloonHelpTest, ADelayedCloseWithoutATimeoutClosesAtOnce) {
  ControlHost owner;
  CBalloonHelp::ShowBalloon("Info", "text", nullptr, 0, kProgramOptions, 0, &owner);
  CBalloonHelp* balloon = Newest();
  const HWND handle = balloon->GetSafeHwnd();
  balloon->SendMessage(WM_CLOSE);
  EXPECT_FALSE(IsWindow(handle));
  EXPECT_FALSE(Exists(balloon));
}
