// Takes the picture of the running plant for the README: only when
// RUV_SCREENSHOT_PATH names the file to write (see the closing notes for the
// Xvfb command); otherwise skipped.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <QWidget>
#include <cstdlib>

#include "PlantFormFixture.h"

namespace {

class PlantFormScreenshot : public PlantFormFixture {};

TEST_F(PlantFormScreenshot, TheRunningPlantInDemo) {
  const char* path = std::getenv("RUV_SCREENSHOT_PATH");
  if (!path || !*path) GTEST_SKIP() << "RUV_SCREENSHOT_PATH is not set";
  MakeDatabase();
  ASSERT_TRUE(StartApplication());
  // Let the Demo cycle move the levels and the form repaint for a few seconds.
  QElapsedTimer running;
  running.start();
  while (running.elapsed() < 4000) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  ASSERT_TRUE(main->GetWidget()->grab().save(QString::fromUtf8(path), "PNG"));
}

}  // namespace
