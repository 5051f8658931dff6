#include <gtest/gtest.h>

#include <cstdint>

#include "grid/CUGPtrList.h"

TEST(GridPtrList, GrowsByTenAndAnswersForFreeEntriesAndOutsideTheTable) {
  CUGPtrList list;
  int values[12] = {};
  EXPECT_EQ(list.GetCount(), 0);
  EXPECT_EQ(list.UpdateParam(0, 5), 1);

  for (int index = 0; index < 10; ++index) EXPECT_EQ(list.AddPointer(&values[index], index), index);
  EXPECT_EQ(list.GetCount(), 10);
  UGID id{};
  id[0] = 0xAB;
  id[15] = 0xCD;
  EXPECT_EQ(list.AddPointer(&values[10], 7, &id), 10);  // full: the table grows by ten
  EXPECT_EQ(list.GetCount(), 20);
  EXPECT_EQ(list.GetPointer(10), &values[10]);
  ASSERT_NE(list.GetID(10), nullptr);
  EXPECT_EQ(*list.GetID(10), id);

  // Entries 11 to 19 are free.
  EXPECT_EQ(list.GetPointer(11), nullptr);
  EXPECT_EQ(list.UpdateParam(11, 3), 2);
  EXPECT_EQ(list.UpdateParam(20, 3), 1);
  EXPECT_EQ(list.GetParam(-1), 0);

  EXPECT_EQ(list.UpdateParam(4, 42), 0);
  EXPECT_EQ(list.GetParam(4), 42);
  EXPECT_EQ(list.GetParam(10), 7);

  list.EmptyList();
  EXPECT_EQ(list.GetCount(), 0);
  // A pointer keeps its full width.
  auto* high = reinterpret_cast<void*>(static_cast<std::uintptr_t>(0x7FFF'1234'5678'9ABCull));
  EXPECT_EQ(list.AddPointer(high), 0);
  EXPECT_EQ(list.GetPointer(0), high);
}
