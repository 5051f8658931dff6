// The pumps' pictures, stopped and running, side by side on the plant form's
// black: run with RUV_GALLERY_DIR=<folder> to keep them as
// shapes-gallery-pumps.png.
#include <QPainter>
#include <cstdlib>

#include "KindTestSupport.h"
#include "shapes/CntrFglPmp.h"
#include "shapes/GearPump.h"

namespace {

using PumpGallery = KindTest;

constexpr int kScale = 4;  // the plant's pumps are 25 to 35 pixels wide

TEST_F(PumpGallery, BothPumpsStoppedAndRunning) {
  C_BaseShape::SetShapeBackColor(RGB(0, 0, 0));
  auto& gearStopped = Make<C_GearPump>(BYTE{1}, ShapeRecord(0, 0, 25, 38, 0, 1, "Batcher01-ChargePump", 0xa), 0);
  auto& gearRunning = Make<C_GearPump>(BYTE{1}, ShapeRecord(0, 0, 25, 38, 0, 1, "Batcher01-ChargePump", 0xa), 1);
  auto& pumpStopped =
      Make<C_CntrFglPmp>(BYTE{1}, ShapeRecord(0, 0, 35, 35, 0, 4, "Batcher04-ChargePump1", 0x10), 0);
  auto& pumpRunning =
      Make<C_CntrFglPmp>(BYTE{1}, ShapeRecord(0, 0, 35, 35, 0, 4, "Batcher04-ChargePump1", 0x10), 1);
  gearRunning.SetAttribFloat(ePumpSpeed, 4250.0f);
  for (C_PumpShape* pump : std::initializer_list<C_PumpShape*>{&gearRunning, &pumpRunning}) {
    pump->SetAttribBool(ePumpDoOnOffSpeed, true);
    pump->SetAttribBool(ePumpDiOnOffSpeed, true);
    Picture(*pump);  // one turn on
  }

  const std::vector<QImage> pictures = {Picture(gearStopped), Picture(gearRunning), Picture(pumpStopped),
                                        Picture(pumpRunning)};
  EXPECT_NE(pictures[0], pictures[1]);
  EXPECT_NE(pictures[2], pictures[3]);

  const int cell = 40 * kScale;
  QImage gallery(cell * static_cast<int>(pictures.size()), cell, QImage::Format_RGB32);
  gallery.fill(Qt::black);
  {
    QPainter painter(&gallery);
    for (std::size_t i = 0; i < pictures.size(); ++i) {
      const QImage scaled = pictures[i].scaled(pictures[i].size() * kScale);
      painter.drawImage(static_cast<int>(i) * cell + (cell - scaled.width()) / 2, (cell - scaled.height()) / 2, scaled);
    }
  }
  if (const char* folder = std::getenv("RUV_GALLERY_DIR")) {
    EXPECT_TRUE(gallery.save(QString::fromUtf8(folder) + "/shapes-gallery-pumps.png"));
  }
  C_BaseShape::SetShapeBackColor(RGB(50, 50, 50));
}

}  // namespace
