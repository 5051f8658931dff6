#include "grid/UGTheme.h"

#include <gtest/gtest.h>

#include <QImage>

#include "platform/ui/CDC.h"

namespace {

class GridThemeTest : public ::testing::Test {
 protected:
  void TearDown() override {
    UGThemeSetTableSelector(0);
    UGThemeReset();
  }
};

TEST_F(GridThemeTest, StyleKeysMapToClassPartAndState) {
  UGThemeReset();
  const UGThemeStyle* tab = UGThemeLookup(0x10, 2);
  ASSERT_NE(tab, nullptr);
  EXPECT_EQ(tab->className, "TAB");
  EXPECT_EQ(tab->part, 1);
  EXPECT_EQ(tab->state, 3);
  const UGThemeStyle* pushed = UGThemeLookup(0x8000, 0x10);
  ASSERT_NE(pushed, nullptr);
  EXPECT_EQ(pushed->className, "BUTTON");
  EXPECT_EQ(pushed->state, 3);
  EXPECT_EQ(UGThemeLookup(0x10, 0x20), nullptr);
  EXPECT_EQ(UGThemeLookup(0x10, 0x20), nullptr);  // the miss is remembered, still none

  // The second table is used once the map is built again.
  UGThemeSetTableSelector(1);
  EXPECT_EQ(UGThemeLookup(0x10, 1)->className, "TAB");
  UGThemeReset();
  const UGThemeStyle* list = UGThemeLookup(0x10, 1);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->className, "LISTVIEW");
  EXPECT_EQ(UGThemeLookup(0x20000, 0x10)->state, 7);
}

TEST_F(GridThemeTest, StatesFromFlags) {
  EXPECT_EQ(UGThemeStateFromFlags(false, false), 1);
  EXPECT_EQ(UGThemeStateFromFlags(false, true), 2);
  EXPECT_EQ(UGThemeStateFromFlags(true, false), 4);
  EXPECT_EQ(UGThemeStateFromFlags(true, true), 6);
}

TEST_F(GridThemeTest, NothingEverDrawsWithVisualStyles) {
  QImage image(8, 8, QImage::Format_RGB32);
  CDC dc;
  ASSERT_TRUE(dc.AttachImage(&image));
  RECT rect{0, 0, 8, 8};
  RECT content{};
  EXPECT_FALSE(UGThemeIsActive());
  EXPECT_FALSE(UGThemeLoadLibrary());
  EXPECT_EQ(UGThemeOpen(nullptr, "BUTTON", true), nullptr);
  EXPECT_FALSE(UGThemeDrawBackground(nullptr, &dc, 0x10, 1, &rect, &rect));
  EXPECT_FALSE(UGThemeDrawPartBackground(nullptr, &dc, "TRACKBAR", 3, 1, &rect, &rect, true));
  EXPECT_FALSE(UGThemeDrawText(nullptr, &dc, 0x10, 6, "text", 4, 0, &rect));
  EXPECT_FALSE(UGThemeDrawEdge(nullptr, &dc, 0x80, 1, &rect, 0x2000, 0, &content));
}

}  // namespace
