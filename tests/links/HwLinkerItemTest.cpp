#include <gtest/gtest.h>

#include "HwLinkerTestSupport.h"
#include "platform/base/InputState.h"
#include "support/FakeClock.h"
#include "support/ScriptedMessageBox.h"
#include "support/TestEnvironment.h"

namespace {

class HwLinkerItemTest : public ::testing::Test {
 protected:
  HwLinkerItemTest() : tag(MakeHardwareTag("Flow", eHWSerial, eIODuplex, VT_I4)), link({}), item(&link) {
    clock.Install();
    item.SetDCTag(tag.get());
  }

  FakeClock clock{1000};
  ScriptedMessageBox boxes;
  RecordingExitHook exits;
  ScopedKeyState keys;
  LinkTestEngineRoot root;
  std::unique_ptr<CDCTag> tag;
  TestLink link;
  CHwLinkerItem item;
};

TEST_F(HwLinkerItemTest, PollIsDueExactlyWhenTheUpdateRateHasPassed) {
  item.SetUpdateRate(1000);
  item.SetLastPollTick(5000);
  clock.SetTicks(5999);
  EXPECT_TRUE(item.IsPollNotDue());
  clock.SetTicks(6000);
  EXPECT_FALSE(item.IsPollNotDue());
}

TEST_F(HwLinkerItemTest, RequestTimesOutOnlyAfterTheBand) {
  item.SetTimeoutBand(300);
  item.SetLastRequestTick(100);
  clock.SetTicks(400);
  EXPECT_FALSE(item.IsTimedOut());
  clock.SetTicks(401);
  EXPECT_TRUE(item.IsTimedOut());
}

TEST_F(HwLinkerItemTest, TickArithmeticHoldsAcrossTheWrap) {
  item.SetUpdateRate(1000);
  item.SetTimeoutBand(300);
  item.SetLastPollTick(0xFFFFFF00u);
  item.SetLastRequestTick(0xFFFFFF00u);
  clock.SetTicks(0x00000010u);  // 272 ms later
  EXPECT_TRUE(item.IsPollNotDue());
  EXPECT_FALSE(item.IsTimedOut());
  clock.SetTicks(0x00000031u);  // 305 ms later
  EXPECT_TRUE(item.IsTimedOut());
  clock.SetTicks(0x000002E8u);  // exactly 1000 ms later
  EXPECT_FALSE(item.IsPollNotDue());
}

TEST_F(HwLinkerItemTest, AnEqualValueCountsAsAnAnswerButChangesNothingElse) {
  item.SetValue(Variant::I4(7));
  item.SetWaiting(TRUE);
  clock.SetTicks(2500);
  item.SetValue(Variant::I4(7));
  EXPECT_EQ(item.GetLastPollTick(), 2500u);
  EXPECT_FALSE(item.IsWaiting());
  EXPECT_EQ(item.GetValue(), Variant::I4(7));
  EXPECT_EQ(boxes.Count(), 0u);
}

TEST_F(HwLinkerItemTest, AValueOfAnotherTypeIsDroppedSilently) {
  item.SetValue(Variant::I4(7));
  item.SetValue(Variant::R4(2.5f));
  EXPECT_EQ(item.GetValue(), Variant::I4(7));
  item.SetValue(Variant::Empty());
  EXPECT_EQ(item.GetValue(), Variant::I4(7));
  EXPECT_EQ(boxes.Count(), 0u);
}

TEST_F(HwLinkerItemTest, ASixteenBitFirstValueMatchesA32BitTag) {
  item.SetValue(Variant::I2(12));
  EXPECT_EQ(boxes.Count(), 0u);
  EXPECT_EQ(item.GetValue(), Variant::I2(12));
  EXPECT_EQ(item.GetNormalizedValueType(), VT_I4);
}

TEST_F(HwLinkerItemTest, ASixteenBitItemOnASixteenBitTagIsNoMismatch) {
  auto shortTag = MakeHardwareTag("Count", eHWSerial, eIOInput, VT_I2);
  CHwLinkerItem shortItem(&link);
  shortItem.SetDCTag(shortTag.get());
  shortItem.SetValueType(VT_I2);
  EXPECT_EQ(boxes.Count(), 0u);
  EXPECT_EQ(shortItem.GetValue(), Variant::I2(0));
}

TEST_F(HwLinkerItemTest, AMismatchPromptsAndOkGoesOn) {
  boxes.Expect(IDOK, "DataCenter TagName");
  item.SetValue(Variant::R4(1.5f));
  ASSERT_EQ(boxes.Count(), 1u);
  const auto box = boxes.Boxes()[0];
  EXPECT_EQ(box.style, UINT(MB_OKCANCEL | MB_ICONSTOP | MB_SYSTEMMODAL));
  EXPECT_NE(box.text.find("Float"), std::string::npos) << box.text;
  EXPECT_NE(box.text.find("TagName: Flow"), std::string::npos);
  EXPECT_EQ(Clipboard().Text(), "Flow");
  EXPECT_FALSE(exits.Exited());
  EXPECT_EQ(item.GetValue(), Variant::R4(1.5f));
}

TEST_F(HwLinkerItemTest, CancelOnAMismatchEndsTheProcessWith123) {
  boxes.Expect(IDCANCEL);
  item.SetValueType(VT_BOOL);
  EXPECT_EQ(exits.Codes(), std::vector<int>{123});
}

TEST_F(HwLinkerItemTest, ShiftHeldSilencesTheMismatch) {
  keys.Press(VK_SHIFT);
  item.SetValueType(VT_BOOL);
  EXPECT_EQ(boxes.Count(), 0u);
  EXPECT_EQ(item.GetValue(), Variant::Bool(false));  // the zero of the type
}

TEST_F(HwLinkerItemTest, ClearingTheBusyFlagsClearsTheTagsPendingMarks) {
  root.SetDataSource(eDataSourceRealHW);
  tag->SetReadPending(TRUE);
  tag->SetWritePending(TRUE);
  item.SetReading(TRUE);
  item.SetWriting(TRUE);
  ASSERT_TRUE(tag->IsReadPending());
  ASSERT_TRUE(tag->IsWritePending());
  item.SetReading(FALSE);
  EXPECT_FALSE(tag->IsReadPending());
  EXPECT_TRUE(tag->IsWritePending());
  item.SetWriting(FALSE);
  EXPECT_FALSE(tag->IsWritePending());
}

}  // namespace
