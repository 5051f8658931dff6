// The first place of a dialog beside the plant: clear of every shape and label
// where the screen has room, else hiding the least of the shapes.
#include <gtest/gtest.h>

#include <vector>

#include "app/ClearPlace.h"

namespace {

const CRect kScreen(0, 0, 1600, 1000);
const CSize kDialog(700, 450);

bool Meets(const CRect& a, const CRect& b) {
  CRect common;
  return common.IntersectRect(&a, &b);
}

TEST(ClearPlace, AnEmptyScreenPutsItInTheBottomRightCorner) {
  EXPECT_EQ(FindClearPlace(kScreen, kDialog, {}), CRect(900, 550, 1600, 1000));
  // Larger than the screen: from its top-left corner, the size kept.
  EXPECT_EQ(FindClearPlace(CRect(10, 20, 610, 420), kDialog, {}), CRect(10, 20, 710, 470));
}

TEST(ClearPlace, BesideThePlantWithAGapWhenTheCornerIsTaken) {
  // A plant over the left part and down to the bottom, and a shape in the
  // bottom right corner: the dialog goes right of the plant, above that shape.
  const std::vector<CRect> shapes{{0, 0, 850, 1000}, {1500, 900, 1600, 1000}};
  const CRect place = FindClearPlace(kScreen, kDialog, shapes);
  for (const CRect& shape : shapes) EXPECT_FALSE(Meets(place, shape));
  EXPECT_EQ(place.right, 1600);
  EXPECT_EQ(place.bottom, 900 - 8);
  EXPECT_GE(place.left, 850 + 8);

  // A label in the way is avoided as well when there is room.
  const std::vector<CRect> labels{{900, 600, 1600, 620}};
  const CRect besideLabel = FindClearPlace(kScreen, kDialog, shapes, labels);
  EXPECT_FALSE(Meets(besideLabel, labels[0]));
  for (const CRect& shape : shapes) EXPECT_FALSE(Meets(besideLabel, shape));
  EXPECT_EQ(besideLabel.bottom, 600 - 8);
}

TEST(ClearPlace, WithoutRoomItHidesTheLeastOfTheShapesBeforeAnyLabel) {
  // The plant on the left, a block over the top right, and a short shape at the
  // bottom right: the gap between them is 60 pixels too narrow.
  const std::vector<CRect> shapes{{0, 0, 900, 1000}, {900, 0, 1600, 500}, {1540, 900, 1600, 1000}};
  const CRect place = FindClearPlace(kScreen, kDialog, shapes, {}, 0);
  EXPECT_EQ(place, CRect(900, 500, 1600, 950));  // 60x50 of the short shape, none of the plant
  // Labels count only between places that hide as much of the shapes.
  const std::vector<CRect> labels{{900, 500, 1600, 950}};
  EXPECT_EQ(FindClearPlace(kScreen, kDialog, shapes, labels, 0), place);
  const std::vector<CRect> lowLabel{{900, 940, 1600, 1000}};
  EXPECT_EQ(FindClearPlace(kScreen, CSize(700, 400), shapes, lowLabel, 0), CRect(900, 500, 1600, 900));
}

}  // namespace
