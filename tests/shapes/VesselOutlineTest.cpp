#include <gtest/gtest.h>

#include "shapes/VesselGeometry.h"

namespace {

constexpr int kBatcherOutlineCode = 0x40214102;  // p 64; d0..d5 = 2, 0, 1, 4, 1, 2

struct Row {
  LONG left;
  LONG right;
  LONG y;
  bool operator==(const Row&) const = default;
};

std::vector<std::pair<LONG, LONG>> Coordinates(const std::vector<POINT>& points) {
  std::vector<std::pair<LONG, LONG>> coordinates;
  for (const POINT& p : points) coordinates.emplace_back(p.x, p.y);
  return coordinates;
}

Row RowOf(const std::vector<POINT>& outline, int k) {
  const POINT& l = outline[static_cast<std::size_t>(k)];
  const POINT& r = outline[outline.size() - 1 - static_cast<std::size_t>(k)];
  EXPECT_EQ(l.y, r.y);
  return {l.x, r.x, l.y};
}

TEST(VesselOutline, BatcherCodeGivesPointedTopBodyLowerConeAndOutlet) {
  const int w = 300;
  const int h = 198;
  const std::vector<POINT> outline = ComputeVesselOutline(1, kBatcherOutlineCode, w, h);
  ASSERT_EQ(outline.size(), 200u);
  // Upper cone, rows 0-5, widening from the centre point.
  EXPECT_EQ(RowOf(outline, 0), (Row{150, 150, 0}));
  EXPECT_EQ(RowOf(outline, 5), (Row{150 - 5 * 13 * 300 / (30 * 6), 150 + 5 * 13 * 300 / (30 * 6), 10}));
  // Body, rows 6-69.
  EXPECT_EQ(RowOf(outline, 6), (Row{0, w, 12}));
  EXPECT_EQ(RowOf(outline, 69), (Row{0, w, 138}));
  // Lower cone, rows 70-93, narrowing from the last body row.
  EXPECT_EQ(RowOf(outline, 70), (Row{0, w, 140}));
  EXPECT_EQ(RowOf(outline, 93).left, 23 * 13 * 300 / (30 * 24));
  // Outlet, rows 94-99: 2/15 of the width.
  EXPECT_EQ(RowOf(outline, 94), (Row{130, 170, 188}));
  EXPECT_EQ(RowOf(outline, 99), (Row{130, 170, 198}));
  // Forms 2 and 8 share the profile.
  EXPECT_EQ(ComputeVesselOutline(2, kBatcherOutlineCode, w, h).size(), 200u);
  EXPECT_EQ(RowOf(ComputeVesselOutline(8, kBatcherOutlineCode, w, h), 94), (Row{130, 170, 188}));
}

TEST(VesselOutline, ZeroShareSumDrawsTheBodyAndLeftOverRowsRepeatTheLastOne) {
  // p 50 and d1..d4 all 0: nothing shares the rows beside the body.
  const std::vector<POINT> body = ComputeVesselOutline(1, 0x32000000 | 0x200007, 100, 99);
  for (int k : {0, 30, 99}) EXPECT_EQ(RowOf(body, k), (Row{0, 100, k})) << k;

  // p 50 with d1 = d2 = d3 = 1: three segments of 50 / 3 = 16 rows fill 98 rows.
  const std::vector<POINT> outline = ComputeVesselOutline(1, 0x32000000 | 0x1110, 100, 99);
  const Row last = RowOf(outline, 97);
  EXPECT_NE(last, (Row{0, 100, 97}));  // still in the lower cone
  EXPECT_EQ(RowOf(outline, 98), (Row{last.left, last.right, 98}));
  EXPECT_EQ(RowOf(outline, 99), (Row{last.left, last.right, 99}));
  // A percentage of 0 counts as 1 body row.
  const std::vector<POINT> thin = ComputeVesselOutline(1, 0x00001110, 100, 99);
  EXPECT_EQ(RowOf(thin, 66), (Row{0, 100, 66}));
  EXPECT_NE(RowOf(thin, 65).left, 0);
}

TEST(VesselOutline, DomedFormHasItsNeckAndOtherFormsTheirOwnOrNone) {
  const std::vector<POINT> tank = ComputeVesselOutline(4, 0, 110, 160);
  ASSERT_EQ(tank.size(), 200u);
  for (int k = 0; k <= 3; ++k) EXPECT_EQ(RowOf(tank, k), (Row{46, 63, k * 160 / 99})) << k;
  EXPECT_EQ(RowOf(tank, 50), (Row{0, 110, 50 * 160 / 99}));
  EXPECT_GT(RowOf(tank, 99).left, 0);  // rounded bottom corners
  EXPECT_TRUE(ComputeVesselOutline(3, kBatcherOutlineCode, 110, 160).empty());
  EXPECT_TRUE(ComputeVesselOutline(9, kBatcherOutlineCode, 110, 160).empty());
  for (int form : {5, 6, 7}) {
    const std::vector<POINT> outline = ComputeVesselOutline(form, 0, 110, 160);
    ASSERT_EQ(outline.size(), 200u) << form;
    for (const POINT& p : outline) {
      EXPECT_GE(p.x, 0) << form;
      EXPECT_LE(p.x, 110) << form;
    }
  }
}

TEST(VesselOutline, ContentIsCutAtTheLevelRow) {
  const std::vector<POINT> outline = ComputeVesselOutline(1, kBatcherOutlineCode, 300, 198);
  EXPECT_TRUE(ComputeVesselContent(outline, 0).empty());
  EXPECT_EQ(Coordinates(ComputeVesselContent(outline, 100)), Coordinates(outline));
  EXPECT_EQ(Coordinates(ComputeVesselContent(outline, 130)), Coordinates(outline));

  const std::vector<POINT> half = ComputeVesselContent(outline, 50);
  ASSERT_EQ(half.size(), 200u);
  const Row cut = RowOf(outline, 50);
  EXPECT_EQ(cut.y, 100);  // (100 - 50) x 198 / 99
  for (int k = 0; k <= 50; ++k) EXPECT_EQ(RowOf(half, k), cut) << k;
  for (int k = 51; k < 100; ++k) EXPECT_EQ(RowOf(half, k), RowOf(outline, k)) << k;
  EXPECT_TRUE(ComputeVesselContent({}, 50).empty());
}

TEST(VesselAgitator, SwingsWithTheSpeedAndTurnsBackAtTheEnds) {
  AgitatorState state;
  AdvanceAgitator(state, 0.0f);
  EXPECT_DOUBLE_EQ(state.phase, 0.9);
  AdvanceAgitator(state, 100.0f);
  EXPECT_NEAR(state.phase, 0.75, 1e-9);
  for (int i = 0; i < 20; ++i) AdvanceAgitator(state, 100.0f);
  EXPECT_GE(state.phase, -0.9);
  EXPECT_LE(state.phase, 0.9);
  const AgitatorPicture still = ComputeAgitator(100, 160, 70, 0.5);
  EXPECT_EQ(still.rightBlade[1].x, 50 + 20);
  EXPECT_EQ(still.leftBlade[1].x, 50 - 20);
  EXPECT_EQ(still.shaft[2].y, 70);
}

}  // namespace
