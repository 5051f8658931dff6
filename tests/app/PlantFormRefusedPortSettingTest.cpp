// The whole application choosing Real with a serial tag whose saved port rate
// the port refuses: the operator gets one box that says what and why.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <fstream>

#include "SerialLinkTestSupport.h"
#include "app/PlantFormFixture.h"
#include "datacenter/DCTagTypes.h"
#include "platform/serial/CommSettingsDialog.h"
#include "platform/ui/FrameworkIds.h"
#include "support/PtyPair.h"

namespace {

class PlantFormRefusedPortSetting : public PlantFormFixture {
 protected:
  PlantFormRefusedPortSetting() {
    ports.Link("COM2", line.SlavePath());
    std::ofstream(dir.File("Qelo-DCTags.dct"), std::ios::app)
        << "1,Probe.Level,SRL,MBRTU16-DA1-REG40001-FP0-UR100-TOB50,INPUT,Float,NULL,0,0,\r\n";
    std::ofstream(dir.File("Qelo-Setting.ini"), std::ios::app)
        << "\r\n[SerialPortSetting]\r\nPortNumber=COM2\r\nBuadRate=49\r\n";
  }

  ComPortFolder ports;
  PtyPair line;
};

TEST_F(PlantFormRefusedPortSetting, ARefusedRateIsOneBoxWithItsCause) {
  MakeDatabase();
  ASSERT_TRUE(StartApplication());
  // A port settings dialog coming up is one more pop-up: counted, then cancelled.
  int settingsDialogs = 0;
  QTimer watcher;
  QObject::connect(&watcher, &QTimer::timeout, [&] {
    if (auto* settings = dynamic_cast<CommSettingsDialog*>(QApplication::activeModalWidget())) {
      ++settingsDialogs;
      settings->reject();
    }
  });
  watcher.start(5);
  boxes.Expect(IDOK, "Error 101: Unable to set COM setting.\r\nCOM2 refuses BaudRate:49, ByteSize:8, Parity:0, "
                     "StopBits:1 (49 baud is too slow to poll a device (50 baud at the least), error 87).\r\n"
                     "Change COM port Setting or restart program and retry!");
  main->SendMessage(WM_COMMAND, ID_DATA_SOURCE_REAL);
  watcher.stop();
  EXPECT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(settingsDialogs, 0);
  EXPECT_NE(GetEngineRoot()->GetDataSourceType(), eDataSourceRealHW);
}

}  // namespace
