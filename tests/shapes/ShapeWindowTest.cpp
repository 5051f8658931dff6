#include <QImage>

#include "ShapesTestSupport.h"
#include "common/WindowUtils.h"
#include "platform/ui/CMenu.h"
#include "platform/ui/WindowTimers.h"

namespace {

using ShapeWindowTest = ShapeTest;

TEST_F(ShapeWindowTest, IdentityAndInstanceCounters) {
  TestKindShape& shape = Shape();
  EXPECT_EQ(shape.GetObjectId(), 0x01010003u);
  EXPECT_EQ(shape.GetDlgCtrlID(), 0x01010003u);
  EXPECT_EQ(shape.GetTypeInstanceCount(), 1);
  {
    TestKindShape second("Mixer2", 4);
    EXPECT_EQ(second.GetObjectId(), 0x01010004u);
    EXPECT_EQ(shape.GetTypeInstanceCount(), 2);
  }
  EXPECT_EQ(shape.GetTypeInstanceCount(), 1);
  CRect rect;
  GetWindowRectInParent(rect, &shape);
  EXPECT_EQ(rect, CRect(5, 6, 45, 36));
}

TEST_F(ShapeWindowTest, FrameBlinksFourTicksOnAndOneOffInTheColourOfTheFlags) {
  TestKindShape& shape = Shape();
  const HWND window = shape.GetSafeHwnd();
  shape.SetPropSheetOpen(true);
  DeliverPosted();
  bool armed = false;
  for (const ArmedTimer& timer : ArmedTimersOf(window))
    if (timer.id == SHAPE_BLINK_TIMER && timer.elapseMs == SHAPE_BLINK_PERIOD_MS) armed = true;
  ASSERT_TRUE(armed);

  std::vector<bool> phases;
  for (int tick = 0; tick < 6; ++tick) {
    ASSERT_TRUE(FireTimerNow(window, SHAPE_BLINK_TIMER));
    phases.push_back(shape.GetBlinkPhase());
  }
  EXPECT_EQ(phases, (std::vector<bool>{true, true, true, true, false, true}));
  EXPECT_EQ(shape.GetSelectionFrameColor(), RGB(0, 255, 0));

  // An active alarm reaches the frame through the alarm list's summary.
  shape.AddAlarm(2000, "CHLFR");
  shape.FindAlarm(2000)->SetActive(true);
  EXPECT_TRUE(shape.IsAlarmActive());
  EXPECT_EQ(shape.GetSelectionFrameColor(), RGB(255, 0, 255));
  shape.SetPropSheetOpen(false);
  EXPECT_EQ(shape.GetSelectionFrameColor(), RGB(255, 0, 0));

  shape.ResetAlarms();
  EXPECT_FALSE(shape.IsAlarmActive());
  ASSERT_TRUE(FireTimerNow(window, SHAPE_BLINK_TIMER));
  EXPECT_FALSE(shape.GetBlinkPhase());
  EXPECT_FALSE(FireTimerNow(window, SHAPE_BLINK_TIMER));  // stopped
  EXPECT_EQ(shape.GetSelectionFrameColor(), C_BaseShape::GetShapeBackColor());
}

TEST_F(ShapeWindowTest, FramePixelsFollowThePhase) {
  TestKindShape& shape = Shape();
  QImage image(40, 30, QImage::Format_RGB32);
  auto draw = [&] {
    CDC dc;
    dc.AttachImage(&image);
    shape.Draw(&dc);
    const std::pair<COLORREF, COLORREF> corners{dc.GetPixel(0, 0), dc.GetPixel(39, 29)};
    EXPECT_EQ(dc.GetPixel(20, 15), TestKindShape::kFillColor);
    return corners;
  };
  EXPECT_EQ(draw(), std::make_pair(RGB(50, 50, 50), RGB(50, 50, 50)));
  shape.SetActionDlgOpen(true);
  DeliverPosted();
  FireTimerNow(shape.GetSafeHwnd(), SHAPE_BLINK_TIMER);
  EXPECT_EQ(draw(), std::make_pair(RGB(255, 0, 255), RGB(255, 0, 255)));
}

TEST_F(ShapeWindowTest, RightClickOpensThePopUpAndParentMessagesCarryTheId) {
  TestKindShape& shape = Shape();
  CPoint asked;
  SetPopupMenuChooser([&](CMenu& menu, int x, int y, HWND owner) -> UINT {
    asked = CPoint(x, y);
    EXPECT_EQ(owner, shape.GetSafeHwnd());
    EXPECT_EQ(menu.GetMenuItemID(0), TestKindShape::kCommandTakeOnOff);
    return TestKindShape::kCommandTakeOnOff;
  });
  shape.SendMessage(WM_RBUTTONUP, 0, MAKELPARAM(3, 4));
  SetPopupMenuChooser(nullptr);
  DeliverPosted();
  EXPECT_EQ(shape.commands, std::vector<UINT>{TestKindShape::kCommandTakeOnOff});
  CPoint expected(3, 4);
  shape.ClientToScreen(&expected);
  EXPECT_EQ(asked, expected);

  m_form.Forget();
  shape.NotifyParent(7);
  DeliverPosted();
  const auto notices = m_form.Of(SHAPE_NOTIFY_MESSAGE);
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_EQ(notices[0].wParam, 0u);
  EXPECT_EQ(notices[0].lParam, static_cast<LPARAM>(0x01010003 | (7 << 8)));
}

}  // namespace
