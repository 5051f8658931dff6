// Scrolling a window's pixels and the tips a window gives for its tools.
#include <gtest/gtest.h>

#include <QApplication>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QRegion>
#include <QToolTip>
#include <QWidget>
#include <string>
#include <vector>

#include "platform/ui/CPaintDC.h"
#include "platform/ui/CWnd.h"

namespace {

class ScrollingWnd : public CWnd {
 public:
  void OnPaint() override {
    CPaintDC dc(this);
    if (const QRegion* region = CurrentPaintRegion()) painted = *region;
  }
  // Tools are the left and right halves; only the right one has a text.
  INT_PTR OnToolHitTest(CPoint point, TOOLINFO* info) const override {
    info->textByCallback = true;
    info->uId = point.x < 50 ? 1 : 2;
    return static_cast<INT_PTR>(info->uId);
  }
  BOOL OnToolTipText(TOOLTIPTEXT* tip) override {
    asked.push_back(tip->idFrom);
    if (tip->idFrom != 2) return FALSE;
    tip->text = "right half";
    return TRUE;
  }
  QRegion painted;
  std::vector<UINT_PTR> asked;
};

TEST(ScrollWindow, MovesThePixelsAndRepaintsOnlyTheUncoveredStrip) {
  ScrollingWnd window;
  ASSERT_TRUE(window.CreateEx(0, "", "", WS_OVERLAPPED | WS_VISIBLE, CRect(0, 0, 100, 100), nullptr, 0));
  QApplication::processEvents();
  window.painted = QRegion();
  window.ScrollWindow(0, -20);
  QApplication::processEvents();
  EXPECT_EQ(window.painted, QRegion(0, 80, 100, 20));

  // Only the rectangle given scrolls.
  window.painted = QRegion();
  const CRect lower(0, 50, 100, 100);
  window.ScrollWindow(0, 10, &lower, &lower);
  QApplication::processEvents();
  EXPECT_EQ(window.painted, QRegion(0, 50, 100, 10));
  window.DestroyWindow();
}

TEST(ToolTips, TheWindowNamesItsToolAndGivesItsText) {
  ScrollingWnd window;
  ASSERT_TRUE(window.CreateEx(0, "", "", WS_OVERLAPPED | WS_VISIBLE, CRect(0, 0, 100, 100), nullptr, 0));
  QWidget* widget = window.GetWidget();
  const auto tipAt = [&](int x) {
    QHelpEvent help(QEvent::ToolTip, QPoint(x, 10), widget->mapToGlobal(QPoint(x, 10)));
    QApplication::sendEvent(widget, &help);
  };
  tipAt(20);  // tips are off
  EXPECT_TRUE(window.asked.empty());
  window.EnableToolTips(TRUE);
  tipAt(20);
  tipAt(80);
  EXPECT_EQ(window.asked, (std::vector<UINT_PTR>{1, 2}));
  EXPECT_EQ(QToolTip::text().toStdString(), "right half");
  EXPECT_TRUE(QToolTip::isVisible());
  // Another tool under the mouse hides the tip.
  QMouseEvent move(QEvent::MouseMove, QPointF(20, 10), widget->mapToGlobal(QPointF(20, 10)), Qt::NoButton,
                   Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(widget, &move);
  EXPECT_FALSE(QToolTip::isVisible());
  window.DestroyWindow();
}

}  // namespace
