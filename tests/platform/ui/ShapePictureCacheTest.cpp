// A kept picture is drawn again exactly when what it shows changed, and the
// copy to the window is the picture the layers draw.
#include <gtest/gtest.h>

#include <QImage>
#include <string>

#include "platform/ui/CDC.h"
#include "platform/ui/CRect.h"
#include "platform/ui/ColorRef.h"
#include "platform/ui/ShapePictureCache.h"

namespace {

class ShapePictureCacheTest : public ::testing::Test {
 protected:
  // Paints 20x10 into the window picture; the still layer fills with
  // `stillColor`, the moving one marks a pixel at (movingX, 5).
  void Paint(const std::string& stillKey, const std::string& movingKey, bool withMoving = true,
             const CRect* area = nullptr) {
    CDC dc;
    ASSERT_TRUE(dc.AttachImage(&window));
    const ShapePictureCache::Layer still = [this](CDC& layer, const CRect& client) {
      ++stillDrawn;
      layer.FillSolidRect(&client, stillColor);
    };
    const ShapePictureCache::Layer moving = [this](CDC& layer, const CRect&) {
      ++movingDrawn;
      layer.SetPixel(movingX, 5, RGB(255, 0, 0));
    };
    cache.Paint(&dc, client, stillKey, still, movingKey, withMoving ? moving : ShapePictureCache::Layer(), area);
    dc.Detach();
  }
  COLORREF WindowPixel(int x, int y) const {
    const QRgb pixel = window.pixel(x, y);
    return RGB(qRed(pixel), qGreen(pixel), qBlue(pixel));
  }

  ShapePictureCache cache;
  CRect client{0, 0, 20, 10};
  QImage window{20, 10, QImage::Format_RGB32};
  COLORREF stillColor = RGB(0, 0, 255);
  int movingX = 3;
  int stillDrawn = 0;
  int movingDrawn = 0;
};

TEST_F(ShapePictureCacheTest, EachLayerIsDrawnAgainOnlyWhenItsKeyChanges) {
  Paint("level 1", "blade 0");
  EXPECT_EQ(stillDrawn, 1);
  EXPECT_EQ(movingDrawn, 1);
  EXPECT_TRUE(cache.Holds("level 1", "blade 0"));
  EXPECT_EQ(WindowPixel(3, 5), RGB(255, 0, 0));
  EXPECT_EQ(WindowPixel(10, 5), RGB(0, 0, 255));

  // Nothing changed: the kept picture is copied.
  window.fill(Qt::white);
  Paint("level 1", "blade 0");
  EXPECT_EQ(stillDrawn, 1);
  EXPECT_EQ(movingDrawn, 1);
  EXPECT_EQ(WindowPixel(3, 5), RGB(255, 0, 0));

  // The blades moved: drawn over the kept still layer, the old mark gone.
  EXPECT_FALSE(cache.Holds("level 1", "blade 1"));
  movingX = 8;
  Paint("level 1", "blade 1");
  EXPECT_EQ(stillDrawn, 1);
  EXPECT_EQ(movingDrawn, 2);
  EXPECT_EQ(WindowPixel(3, 5), RGB(0, 0, 255));
  EXPECT_EQ(WindowPixel(8, 5), RGB(255, 0, 0));

  // The level moved: both layers drawn again.
  stillColor = RGB(0, 128, 0);
  Paint("level 2", "blade 1");
  EXPECT_EQ(stillDrawn, 2);
  EXPECT_EQ(movingDrawn, 2 + 1);
  EXPECT_EQ(WindowPixel(10, 5), RGB(0, 128, 0));

  // A new size draws both again too.
  client = CRect(0, 0, 16, 10);
  Paint("level 2", "blade 1");
  EXPECT_EQ(stillDrawn, 3);
  EXPECT_EQ(movingDrawn, 4);
}

TEST_F(ShapePictureCacheTest, ForgetAllDrawsEveryKeptPictureWholeOnce) {
  Paint("still", "moving");
  // The moving layer gone: the still layer alone is the picture, without the mark.
  Paint("still", "", false);
  EXPECT_EQ(stillDrawn, 2);
  EXPECT_EQ(WindowPixel(3, 5), RGB(0, 0, 255));
  EXPECT_TRUE(cache.Holds("still", ""));
  ShapePictureCache::ForgetAll();
  EXPECT_FALSE(cache.Holds("still", ""));
  stillColor = RGB(10, 20, 30);  // what a whole drawing gives now
  Paint("still", "", false);
  EXPECT_EQ(stillDrawn, 3);
  EXPECT_EQ(WindowPixel(0, 0), RGB(10, 20, 30));
  Paint("still", "", false);
  EXPECT_EQ(stillDrawn, 3);
  EXPECT_TRUE(cache.Holds("still", ""));
}

TEST_F(ShapePictureCacheTest, APaintOfAnAreaCopiesOnlyThatArea) {
  window.fill(Qt::white);
  const CRect area(0, 0, 5, 10);
  Paint("still", "moving", true, &area);
  EXPECT_EQ(WindowPixel(4, 0), RGB(0, 0, 255));
  EXPECT_EQ(WindowPixel(5, 0), RGB(255, 255, 255));
  const CRect outside(30, 30, 40, 40);
  window.fill(Qt::white);
  Paint("still", "moving", true, &outside);
  EXPECT_EQ(WindowPixel(0, 0), RGB(255, 255, 255));
}

}  // namespace
