#include <gtest/gtest.h>

#include "datacenter/RStack.h"
#include "support/FakeClock.h"

namespace {

std::vector<Variant> SlotValues(const CRStack& history) {
  std::vector<Variant> values;
  for (int i = 0; i < history.GetSize(); ++i) values.push_back(history.GetItemValue(i));
  return values;
}

TEST(RStackTest, SizeBelowTwoIsOff) {
  CRStack history;
  EXPECT_EQ(history.GetSize(), 0);
  EXPECT_FALSE(history.Push(Variant::I4(5)));
  history.SetSize(1);
  EXPECT_EQ(history.GetSize(), 0);
  EXPECT_FALSE(history.Push(Variant::I4(5)));
  EXPECT_TRUE(history.Average().IsEmpty());
}

TEST(RStackTest, FirstPushFillsEveryslotThenRotates) {
  CRStack history;
  history.SetSize(4);
  ASSERT_TRUE(history.Push(Variant::I4(10)));
  EXPECT_EQ(SlotValues(history), std::vector<Variant>(4, Variant::I4(10)));
  EXPECT_EQ(history.Average(), Variant::I4(10));
  for (int v : {20, 30, 40}) history.Push(Variant::I4(v));
  EXPECT_EQ(history.Average(), Variant::I4(25));
  EXPECT_EQ(history.GetCount(), 4);

  CRStack three;
  three.SetSize(3);
  three.Push(Variant::I4(1));
  three.Push(Variant::I4(2));
  EXPECT_EQ(SlotValues(three), (std::vector<Variant>{Variant::I4(1), Variant::I4(2), Variant::I4(1)}));
  EXPECT_EQ(three.Average(), Variant::I4(1));  // 4 / 3, truncated
}

TEST(RStackTest, TimeStampedHistoryFillsOnlyTheFirstSlot) {
  FakeClock clock;
  clock.Install();
  clock.SetNow({2024, 3, 20, 10, 30, 15});
  CRStack history;
  history.SetTimeStamps(true);
  history.SetSize(4);
  ASSERT_TRUE(history.Push(Variant::R4(8.0f)));
  EXPECT_EQ(history.Average(), Variant::R4(2.0f));  // the empty slots count as 0
  auto first = history.GetItem(0, false);
  ASSERT_TRUE(first.has_value());
  EXPECT_TRUE(first->filled);
  EXPECT_DOUBLE_EQ(first->time, NowOleDate());
  EXPECT_FALSE(history.GetItem(1, false)->filled);
}

TEST(RStackTest, AverageDoesNotOverflowNarrowSums) {
  CRStack shorts;
  shorts.SetSize(2);
  shorts.Push(Variant::I2(30000));
  shorts.Push(Variant::I2(20000));
  EXPECT_EQ(shorts.Average(), Variant::I2(25000));

  CRStack longs;
  longs.SetSize(3);
  longs.Push(Variant::I4(2000000000));
  longs.Push(Variant::I4(2000000000));
  EXPECT_EQ(longs.Average(), Variant::I4(2000000000));

  CRStack negative;
  negative.SetSize(2);
  negative.Push(Variant::I4(-3));
  negative.Push(Variant::I4(-4));
  EXPECT_EQ(negative.Average(), Variant::I4(-3));  // -7 / 2 truncated toward zero
}

TEST(RStackTest, RefusesUnstackableTypes) {
  CRStack history;
  history.SetSize(3);
  EXPECT_FALSE(history.Push(Variant::R8(1.0)));
  EXPECT_FALSE(history.Push(Variant::String("1")));
  EXPECT_EQ(history.GetHead(), -1);
  EXPECT_TRUE(history.Average().IsEmpty());
  EXPECT_TRUE(IsStackableType(VT_I2));
  EXPECT_FALSE(IsStackableType(VT_BOOL));
}

TEST(RStackTest, CircularIndexRunsFromOldestToNewest) {
  CRStack history;
  history.SetSize(5);
  for (int v = 1; v <= 7; ++v) history.Push(Variant::I4(v));
  EXPECT_EQ(history.GetItem(0, true)->value, Variant::I4(3));
  EXPECT_EQ(history.GetItem(4, true)->value, Variant::I4(7));
  EXPECT_EQ(history.GetCircularIndex(5), -1);
  EXPECT_EQ(history.GetCircularIndex(-1), -1);
}

TEST(RStackTest, IndexAccessorsCheckTheirRange) {
  CRStack history;
  history.SetSize(3);
  history.Push(Variant::I4(9));
  EXPECT_FALSE(history.GetItem(3, false).has_value());
  EXPECT_FALSE(history.GetItem(-1, false).has_value());
  EXPECT_FALSE(history.GetItem(3, true).has_value());
  EXPECT_EQ(history.GetItemValue(7), Variant::I4(0));
  EXPECT_EQ(history.GetItemValue(-2), Variant::I4(0));
  history.SetCount(99);
  EXPECT_EQ(history.GetCount(), 3);
  history.SetHead(5);
  EXPECT_EQ(history.GetHead(), 0);
}

TEST(RStackTest, ShrinkKeepsFirstSlotsAndMovesHead) {
  CRStack history;
  history.SetSize(10);
  for (int v = 0; v < 8; ++v) history.Push(Variant::I4(v));
  ASSERT_EQ(history.GetHead(), 7);
  history.SetSize(5);
  EXPECT_EQ(history.GetHead(), 0);
  EXPECT_EQ(SlotValues(history),
            (std::vector<Variant>{Variant::I4(0), Variant::I4(1), Variant::I4(2), Variant::I4(3), Variant::I4(4)}));
}

TEST(RStackTest, SwitchedOffAndOnAgainStartsEmpty) {
  CRStack history;
  history.SetSize(4);
  history.Push(Variant::I4(100));
  history.SetSize(0);
  history.SetSize(4);
  EXPECT_TRUE(history.Average().IsEmpty());
  history.Push(Variant::I4(8));
  EXPECT_EQ(history.Average(), Variant::I4(8));  // filled afresh, no stale zero slots
}

}  // namespace
