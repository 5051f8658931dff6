// Draws every kind of shape in its looks, side by side on the plant form's
// black, into docs/shapes-gallery.png for review. A new kind adds its pictures
// to GalleryPictures().
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <functional>

#include "KindTestSupport.h"
#include "platform/base/Text.h"
#include "shapes/CntrFglPmp.h"
#include "shapes/GearPump.h"
#include "shapes/Valve.h"
#include "shapes/Vessel.h"

namespace {

struct GalleryPicture {
  int line;  // pictures of one line sit side by side
  std::string caption;
  int scale;  // small shapes are shown enlarged
  // The shape (not yet a window) with the given instance index.
  std::function<std::unique_ptr<C_BaseShape>(int instance)> make;
  // Run once the window exists, before the picture is taken.
  std::function<void(C_BaseShape&)> prepare;
};

constexpr int kBatcherCode = 0x40214102;
constexpr int kBatcherFlags = 0x8400;
constexpr int kMixerFlags = 0x593C7;

std::vector<GalleryPicture> GalleryPictures() {
  std::vector<GalleryPicture> pictures;
  const int levels[] = {0, 50, 100};
  for (int line = 0; line < 3; ++line) {
    const int level = levels[line];
    for (int form = 1; form <= 8; ++form) {
      const bool mixer = form == 4;
      const std::string name = ruv::Format("Vessel%d_%d", form, level);
      pictures.push_back(
          {line, ruv::Format("Vessel %d, %d %%", form, level), 1,
           [=](int instance) {
             return std::make_unique<C_Vessel>(
                 1, ShapeRecord(0, 0, 90, 140, kBatcherCode, form, name, mixer ? kMixerFlags : kBatcherFlags), instance);
           },
           [=](C_BaseShape& shape) {
             shape.SetAttribFloat(eVesselLevel, shape.GetAttribFloat(eVesselMaxVluLevel) * static_cast<float>(level) / 100);
             if (!mixer) return;
             shape.SetAttribFloat(eVesselTemperature, 24.5f);
             shape.SetAttribFloat(eVesselSpeed, 1500.0f);
             shape.SetAttribBool(eVesselDiOnOffSpeed, level > 0);
           }});
    }
  }
  for (int form : {1, 2}) {
    for (bool open : {false, true}) {
      const std::string name = ruv::Format("Valve%d_%d", form, open ? 1 : 0);
      pictures.push_back({3, ruv::Format("Valve %d, %s", form, open ? "open" : "closed"), 1,
                          [=](int instance) {
                            return std::make_unique<C_Valve>(
                                1, ShapeRecord(0, 0, form == 2 ? 40 : 60, form == 2 ? 60 : 40, 0, form, name), instance);
                          },
                          [=](C_BaseShape& shape) { shape.SetAttribBool(eValveDoOnOffPosition, open); }});
    }
  }
  // The plant's pumps are 25 to 35 pixels wide.
  for (bool running : {false, true}) {
    const std::string state = running ? "running" : "stopped";
    auto run = [running](C_BaseShape& shape) {
      shape.SetAttribFloat(ePumpSpeed, 0.5f * shape.GetAttribFloat(ePumpMaxVluSpeed));
      shape.SetAttribBool(ePumpDoOnOffSpeed, running);
      shape.SetAttribBool(ePumpDiOnOffSpeed, running);
    };
    pictures.push_back({4, "Gear pump, " + state, 3,
                        [=](int instance) {
                          return std::make_unique<C_GearPump>(
                              1, ShapeRecord(0, 0, 25, 38, 0, 1, "GearPump_" + state, 0xa), instance);
                        },
                        run});
    pictures.push_back({4, "Centrifugal, " + state, 3,
                        [=](int instance) {
                          return std::make_unique<C_CntrFglPmp>(
                              1, ShapeRecord(0, 0, 35, 35, 0, 4, "CntrFglPump_" + state, 0x10), instance);
                        },
                        run});
  }
  return pictures;
}

using ShapeGalleryTest = KindTest;

TEST_F(ShapeGalleryTest, EveryKindDrawsItsLooksIntoTheGallery) {
  constexpr int kCellWidth = 130;
  constexpr int kCaptionHeight = 22;
  constexpr int kMargin = 10;
  struct Drawn {
    int line;
    std::string caption;
    QImage image;
  };
  std::vector<Drawn> drawn;
  C_BaseShape::SetShapeBackColor(RGB(0, 0, 0));  // as the plant form sets it
  int instance = 0;
  for (const GalleryPicture& picture : GalleryPictures()) {
    C_BaseShape& shape = Adopt(picture.make(instance++));
    picture.prepare(shape);
    // Running parts move on with the redraw ticks.
    for (int redraw = 0; redraw < 3; ++redraw) FireTimerNow(shape.GetSafeHwnd(), SHAPE_REDRAW_TIMER);
    const QImage image = Picture(shape);
    // Something beside the background was drawn.
    const QRgb background = image.pixel(0, 0);  // the frame, off: the background colour
    bool drewSomething = false;
    for (int y = 0; y < image.height() && !drewSomething; ++y)
      for (int x = 0; x < image.width() && !drewSomething; ++x) drewSomething = image.pixel(x, y) != background;
    EXPECT_TRUE(drewSomething) << picture.caption;
    drawn.push_back({picture.line, picture.caption, image.scaled(image.size() * picture.scale)});
  }
  C_BaseShape::SetShapeBackColor(RGB(50, 50, 50));
  EXPECT_EQ(m_boxes.Count(), 0u);

  int lines = 0;
  int columns = 0;
  std::vector<int> lineHeights;
  for (const Drawn& d : drawn) {
    lines = std::max(lines, d.line + 1);
    lineHeights.resize(static_cast<std::size_t>(lines), 0);
    lineHeights[static_cast<std::size_t>(d.line)] =
        std::max(lineHeights[static_cast<std::size_t>(d.line)], d.image.height() + kCaptionHeight + kMargin);
  }
  std::vector<int> perLine(static_cast<std::size_t>(lines), 0);
  for (const Drawn& d : drawn) columns = std::max(columns, ++perLine[static_cast<std::size_t>(d.line)]);
  int height = kMargin;
  for (int h : lineHeights) height += h;

  QImage gallery(kMargin + columns * kCellWidth, height, QImage::Format_RGB32);
  gallery.fill(QColor(235, 235, 235));
  QPainter painter(&gallery);
  std::fill(perLine.begin(), perLine.end(), 0);
  for (const Drawn& d : drawn) {
    int top = kMargin;
    for (int line = 0; line < d.line; ++line) top += lineHeights[static_cast<std::size_t>(line)];
    const int left = kMargin + perLine[static_cast<std::size_t>(d.line)]++ * kCellWidth;
    painter.drawImage(left + (kCellWidth - kMargin - d.image.width()) / 2, top, d.image);
    painter.setPen(Qt::black);
    painter.drawText(QRect(left, top + d.image.height(), kCellWidth - kMargin, kCaptionHeight), Qt::AlignCenter,
                     QString::fromStdString(d.caption));
  }
  painter.end();

  const QString path = QDir(RUV_DOCS_DIR).filePath("shapes-gallery.png");
  const QString written = path + ".new";
  ASSERT_TRUE(gallery.save(written, "PNG"));
  QFile::remove(path);
  ASSERT_TRUE(QFile::rename(written, path));
}

}  // namespace
