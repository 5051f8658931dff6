// The whole application on a Modbus slave (libmodbus on a pseudo-terminal): the
// close button pressed while a command to the slave is on its way. The whole
// close (the question, the outputs off and the links stopping, the form's
// destruction, the engine's shut-down releasing the link) runs after the window
// handed the command over; the close says it switches the outputs off, goes on
// once the link has stopped, and the command still reaches the slave.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <vector>

#include "SerialLinkTestSupport.h"
#include "app/PlantFormFixture.h"
#include "datacenter/DCTag.h"
#include "datacenter/DCTagTypes.h"
#include "links/SerialLinkerEngine.h"
#include "peer/ModbusSlavePeer.h"
#include "platform/ui/FrameworkIds.h"
#include "platform/ui/MessageCore.h"

namespace {

class PlantFormCloseInAWrite : public PlantFormFixture {
 protected:
  PlantFormCloseInAWrite() {
    peer.AddSlave(1);
    ports.Link("COM2", peer.PortPath());
    // One command tag of no shape on the slave, and the port the link opens.
    std::ofstream(dir.File("Qelo-DCTags.dct"), std::ios::app)
        << "1,Probe.Command,SRL,MBRTU16-DA1-REG40021-FP0-UR20-TOB15,OUTPUT,Float,NULL,0,0,\r\n";
    std::ofstream(dir.File("Qelo-Setting.ini"), std::ios::app) << "\r\n[SerialPortSetting]\r\nPortNumber=COM2\r\n";
  }
  ~PlantFormCloseInAWrite() override { peer.Stop(); }

  ComPortFolder ports;
  ModbusSlavePeer peer;
};

TEST_F(PlantFormCloseInAWrite, TheCloseWhileACommandIsOnItsWayEndsInOrderAfterTheWrite) {
  MakeDatabase();
  peer.Start();
  ASSERT_TRUE(StartApplication());
  main->SendMessage(WM_COMMAND, ID_DATA_SOURCE_REAL);
  CRuvEngineApp* engine = GetEngineRoot();
  ASSERT_NE(engine, nullptr);
  ASSERT_EQ(engine->GetDataSourceType(), eDataSourceRealHW);
  auto* link = dynamic_cast<CSerialLinkerEngine*>(engine->GetLinkerEngine(eHWSerial));
  ASSERT_NE(link, nullptr);
  ASSERT_TRUE(link->IsLinkRunning());
  CDCTag* command = engine->GetDataCenter()->FindTag("Probe.Command");
  ASSERT_NE(command, nullptr);
  // The first command goes out and is confirmed: the line works.
  command->SetWritePending(TRUE);
  command->SetValue(Variant::R4(3.0f));
  ASSERT_TRUE(WaitPumping([&] { return peer.GetValue(1, 40021) == 3 && !command->IsWritePending(); }, 30000));

  // The operator closes while the next command is on its way to the slave: the
  // window only handed it over, so the close runs after that, never inside a
  // write, and the link's stop writes it before the link goes.
  boxes.Expect(IDYES, "Application will be closed.");
  const HWND frame = main->GetSafeHwnd();
  command->SetWritePending(TRUE);
  command->SetValue(Variant::R4(4.0f));
  EXPECT_EQ(link->OnTagMessage(command, eTagChangeValue), 0);
  PostMessage(frame, WM_CLOSE, 0, 0);
  bool switchingOffShown = false;
  ASSERT_TRUE(WaitPumping(
      [&] {
        if (!IsWindow(frame)) return true;
        switchingOffShown |= view->Label(IDC_REPORT_LABEL).GetText() == "Closing: switching the outputs off...";
        return false;
      },
      30000));
  EXPECT_TRUE(switchingOffShown);
  const std::vector<std::int32_t> written = peer.WrittenValues(1, 40021);
  EXPECT_NE(std::find(written.begin(), written.end(), 4), written.end());
  EXPECT_EQ(GetEngineRoot(), engine);
  EXPECT_EQ(engine->GetLinkerEngine(eHWSerial), nullptr);
  EXPECT_EQ(engine->GetDataCenter(), nullptr);
  main = nullptr;
  child = nullptr;
  view = nullptr;
  ASSERT_TRUE(IsQuitPosted());
  EXPECT_EQ(theApp.Run(), 0);
  theApp.CloseAllDocuments();
  EXPECT_EQ(GetEngineRoot(), nullptr);
  EXPECT_EQ(boxes.Pending(), 0u);
}

// A second choice in the Data Source menu while the first switch is under way
// (the link's stop waits for its polling thread) is taken after it, never
// inside it, and the last choice is the one that holds.
TEST_F(PlantFormCloseInAWrite, ASecondDataSourceChoiceDuringASwitchIsTakenAfterIt) {
  MakeDatabase();
  peer.Start();
  ASSERT_TRUE(StartApplication());
  main->SendMessage(WM_COMMAND, ID_DATA_SOURCE_REAL);
  CRuvEngineApp* engine = GetEngineRoot();
  ASSERT_NE(engine, nullptr);
  ASSERT_EQ(engine->GetDataSourceType(), eDataSourceRealHW);
  auto* link = dynamic_cast<CSerialLinkerEngine*>(engine->GetLinkerEngine(eHWSerial));
  ASSERT_NE(link, nullptr);
  PostMessage(main->GetSafeHwnd(), WM_COMMAND, ID_DATA_SOURCE_DEMO, 0);  // the second click, queued
  main->SendMessage(WM_COMMAND, ID_DATA_SOURCE_NONE);
  EXPECT_EQ(engine->GetDataSourceType(), eDataSourceNone);
  EXPECT_FALSE(link->IsLinkRunning());
  PumpPendingMessages();
  EXPECT_EQ(engine->GetDataSourceType(), eDataSourceDemo);
  EXPECT_EQ(boxes.Pending(), 0u);
}

}  // namespace
