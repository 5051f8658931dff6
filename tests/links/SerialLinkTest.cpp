// The serial link without a slave: access paths, the tags it refuses, the
// publishing of readings and a start whose port is missing.
#include <gtest/gtest.h>

#include "SerialLinkTestSupport.h"
#include "links/ModBusBase.h"
#include "links/SerialLinkerEngine.h"
#include "links/SerialLinkerItem.h"
#include "platform/ui/CDialog.h"
#include "platform/ui/ModalDialogScript.h"
#include "platform/ui/WinMessages.h"
#include "support/FakeClock.h"
#include "support/PtyPair.h"
#include "support/ScriptedMessageBox.h"

namespace {

struct PathCase {
  const char* path;
  const char* message;
};

class SerialLinkTest : public ::testing::Test {
 protected:
  SerialLinkTest() : root(temp.File("Plant-Setting.ini")) {
    root.SetDataCenter(&dataCenter);
    boxes.SetDefaultAnswer(IDOK);
  }

  TempDir temp;
  ScriptedMessageBox boxes;
  RecordingExitHook exits;
  SerialTestEngineRoot root;
  CDataCenterBase dataCenter;
};

std::string Parse(const std::string& path) {
  CSerialLinkerItem item(nullptr);
  return CSerialLinkerEngine::ParseAccessPath(path, item);
}

}  // namespace

TEST(SerialAccessPathTest, AFullPathFillsTheItem) {
  CSerialLinkerItem item(nullptr);
  EXPECT_EQ(CSerialLinkerEngine::ParseAccessPath("MBRTU16-DA1-REG40001-FP2-UR100-TOB50", item), "");
  EXPECT_EQ(item.GetSlaveAddress(), 1);
  EXPECT_EQ(item.GetRegister(), 40001);
  EXPECT_EQ(item.GetFP(), 2);
  EXPECT_EQ(item.GetUpdateRate(), 100u);
  EXPECT_EQ(item.GetTimeoutBand(), 50u);
  // The edges of each range are served.
  EXPECT_EQ(Parse("MBRTU16-DA247-REG49999-FP0-UR20-TOB19"), "");
}

TEST(SerialAccessPathTest, EachFaultHasItsOwnMessage) {
  const PathCase cases[] = {
      {"MBRTU15-DA1-REG40001-FP0-UR100-TOB50", "Invalid AccessPath! -> Start AccessPath with 'MBRTU16'."},
      {"RTU16-DA1-REG40001-FP0-UR100-TOB50", "Invalid AccessPath! -> Start AccessPath with 'MBRTU16'."},
      {"mbrtu16-DA1-REG40001-FP0-UR100-TOB50", "Invalid AccessPath! -> Start AccessPath with 'MBRTU16'."},
      {"MBRTU16-AD1-REG40001-FP0-UR100-TOB50", "Invalid AccessPath! -> Add 'DA' (Device Address)."},
      {"MBRTU16-REG40001-DA1-FP0-UR100-TOB50", "Invalid AccessPath! -> Add 'DA' (Device Address)."},
      {"MBRTU16-DA248-REG40001-FP0-UR100-TOB50", "Invalid AccessPath! -> 'DA' (Device Address) is out of range."},
      {"MBRTU16-DA0-REG40001-FP0-UR100-TOB50", "Invalid AccessPath! -> 'DA' (Device Address) is out of range."},
      {"MBRTU16-DA1-RG40001-FP0-UR100-TOB50", "Invalid AccessPath! -> Add 'REG' (Register Address)."},
      {"MBRTU16-DA1-REG40000-FP0-UR100-TOB50", "Invalid AccessPath! -> 'REG' (Register Address) is out of range."},
      {"MBRTU16-DA1-REG50000-FP0-UR100-TOB50", "Invalid AccessPath! -> 'REG' (Register Address) is out of range."},
      {"MBRTU16-DA1-REG40001-F0-UR100-TOB50", "Invalid AccessPath! -> Add 'FP' (Floating Point)."},
      {"MBRTU16-DA1-REG40001-FP0-RU100-TOB50", "Invalid AccessPath! -> Add 'UR' (Update Rate)."},
      {"MBRTU16-DA1-REG40001-FP0-UR19-TOB5", "Invalid AccessPath! -> 'UR' (Update Rate) is out of range."},
      {"MBRTU16-DA1-REG40001-FP0-UR100-TB50", "Invalid AccessPath! -> Add 'TOB' (Time Out Band)."},
      {"MBRTU16-DA1-REG40001-FP0-UR100", "Invalid AccessPath! -> Add 'TOB' (Time Out Band)."},
      {"MBRTU16-DA1-REG40001-FP2-UR100-TOB100",
       "Invalid AccessPath! -> 'TOB' (Time Out Band) must be less than 'UR' (Update Rate)."},
      {"MBRTU16-DA1-REG40001-FP0-UR100-TOB50-X", "Invalid AccessPath!"},
  };
  for (const PathCase& c : cases) EXPECT_EQ(Parse(c.path), c.message) << c.path;
}

TEST_F(SerialLinkTest, RefusedTagsAreReportedAndDisabledWhileTheOthersAreServed) {
  CDCTag* good = AddSerialTag(dataCenter, "Level", "MBRTU16-DA3-REG40011-FP1-UR200-TOB100");
  CDCTag* badPath = AddSerialTag(dataCenter, "Flow", "MBRTU16-DA1-REG40001-FP0-UR100-TOB100");
  CDCTag* wrongType = AddSerialTag(dataCenter, "Count", "MBRTU16-DA1-REG40003-FP0-UR100-TOB50", eIOInput, VT_I4);
  CDCTag* disabled = AddSerialTag(dataCenter, "Spare", "MBRTU16-DA1-REG40005-FP0-UR100-TOB50");
  disabled->ReportInvalidFormat("");  // disabled without a report
  auto link = CHwLinkerEngine::Make<CSerialLinkerEngine>();
  EXPECT_TRUE(link->BuildItems());
  ASSERT_EQ(link->GetItemCount(), 1);
  auto* item = static_cast<CSerialLinkerItem*>(link->GetItemAt(0));
  EXPECT_EQ(item->GetDCTag(), good);
  EXPECT_EQ(item->GetSlaveAddress(), 3);
  EXPECT_EQ(item->GetValueType(), VT_R4);
  EXPECT_EQ(link->CreateItem(good), item);
  EXPECT_EQ(link->CreateItem(badPath), nullptr);
  EXPECT_FALSE(badPath->IsEnabled());
  EXPECT_FALSE(wrongType->IsEnabled());
  const auto shown = boxes.Boxes();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_NE(shown[0].text.find("must be less than 'UR'"), std::string::npos);
  EXPECT_NE(shown[1].text.find("Unsupported DataType in Serial Tag."), std::string::npos);
  EXPECT_NE(shown[1].text.find("Count"), std::string::npos);
  // Built once: a second call neither builds nor reports again.
  EXPECT_TRUE(link->BuildItems());
  EXPECT_EQ(link->GetItemCount(), 1);
  EXPECT_EQ(boxes.Count(), 2u);
}

TEST_F(SerialLinkTest, WithoutSerialTagsTheLinkDoesNotStart) {
  auto opcTag = std::make_unique<CDCTag>();
  opcTag->SetTagName("Opc");
  opcTag->SetHWType(eHWOpc);
  ASSERT_EQ(dataCenter.AddTag(opcTag), eDCSuccess);
  auto link = CHwLinkerEngine::Make<CSerialLinkerEngine>();
  EXPECT_FALSE(link->Start());
  EXPECT_EQ(link->GetMaster(), nullptr);
}

TEST_F(SerialLinkTest, OnlyIntegralTypeTagsLeaveTheLinkWithoutItems) {
  AddSerialTag(dataCenter, "Count", "MBRTU16-DA1-REG40003-FP0-UR100-TOB50", eIOInput, VT_I2);
  auto link = CHwLinkerEngine::Make<CSerialLinkerEngine>();
  EXPECT_TRUE(link->BuildItems());
  EXPECT_EQ(link->GetItemCount(), 0);
}

TEST_F(SerialLinkTest, ReadingsAreDividedByTenPerDecimalAndClearThePendingMarks) {
  CDCTag* level = AddSerialTag(dataCenter, "Level", "MBRTU16-DA1-REG40001-FP2-UR100-TOB50");
  CDCTag* raw = AddSerialTag(dataCenter, "Raw", "MBRTU16-DA1-REG40003-FP0-UR100-TOB50");
  auto link = CHwLinkerEngine::Make<CSerialLinkerEngine>();
  ASSERT_TRUE(link->BuildItems());
  ASSERT_EQ(link->GetItemCount(), 2);
  level->SetReadPending(TRUE);
  level->SetWritePending(TRUE);
  auto* levelItem = static_cast<CSerialLinkerItem*>(link->GetItemAt(0));
  levelItem->SetValue(Variant::R4(1234.0f));
  link->OnModbusMessage(reinterpret_cast<WPARAM>(levelItem), 0);
  EXPECT_FLOAT_EQ(level->GetValue().fltVal, 12.34f);
  EXPECT_FALSE(level->IsReadPending());
  EXPECT_FALSE(level->IsWritePending());

  auto* rawItem = static_cast<CSerialLinkerItem*>(link->GetItemAt(1));
  rawItem->SetValue(Variant::R4(-7.0f));
  link->OnModbusMessage(reinterpret_cast<WPARAM>(rawItem), 0);
  EXPECT_EQ(raw->GetValue().fltVal, -7.0f);

  // A message naming no item of this link is dropped.
  CSerialLinkerItem stranger(nullptr);
  EXPECT_EQ(link->OnModbusMessage(reinterpret_cast<WPARAM>(&stranger), 0), 0);
}

TEST(SerialIntPowerTest, PowersOfTenBothWays) {
  EXPECT_EQ(CSerialLinkerEngine::IntPower(10.0f, 0), 1.0f);
  EXPECT_EQ(CSerialLinkerEngine::IntPower(10.0f, 2), 100.0f);
  EXPECT_EQ(CSerialLinkerEngine::IntPower(10.0f, 5), 100000.0f);
  EXPECT_EQ(CSerialLinkerEngine::IntPower(2.0f, 10), 1024.0f);
  EXPECT_FLOAT_EQ(CSerialLinkerEngine::IntPower(10.0f, -2), 0.01f);
}

TEST_F(SerialLinkTest, AMissingSavedPortFailsTheStartWithBothMessages) {
  ComPortFolder ports;
  ports.LinkMissing("COM7");
  temp.Write("Plant-Setting.ini", "[SerialPortSetting]\nPortNumber=COM7\n");
  CDCTag* level = AddSerialTag(dataCenter, "Level", "MBRTU16-DA1-REG40001-FP2-UR100-TOB50");
  boxes.SetDefaultAnswer(0);
  boxes.Expect(IDOK, "Unable to open the serial COM7 port!");
  boxes.Expect(IDOK, "Error: RuvFrame cannot connect to Serial Port!");
  auto link = CHwLinkerEngine::Make<CSerialLinkerEngine>();
  EXPECT_FALSE(link->Start());
  EXPECT_EQ(boxes.Count(), 2u);
  ASSERT_NE(link->GetMaster(), nullptr);
  EXPECT_FALSE(link->GetMaster()->IsOpen());
  EXPECT_FALSE(link->IsLinkRunning());

  // The timers of a link that did not start raise nothing.
  FakeClock clock;
  clock.Install();
  clock.Advance(60000);
  link->OnQueryRateTimer();
  link->OnWatchdogTimer();
  EXPECT_EQ(boxes.Count(), 2u);
  EXPECT_EQ(level->GetLinkerError(), "");

  // A write while not running keeps the command pending: it reached nothing.
  level->SetWritePending(TRUE);
  EXPECT_EQ(link->OnTagMessage(level, eTagChangeValue), 0);
  EXPECT_TRUE(level->IsWritePending());
  link->Stop();
  EXPECT_EQ(link->GetMaster(), nullptr);
}

// The operator closes the COM-port box (the override keys held) with no port
// open: the link's box is the only one, whoever started the link adds none.
TEST_F(SerialLinkTest, ClosingTheComPortBoxWithNoPortOpenIsOneBox) {
  ComPortFolder ports;
  PtyPair line;
  ports.Link("COM2", line.SlavePath());
  temp.Write("Plant-Setting.ini", "[SerialPortSetting]\nPortNumber=COM2\n");
  AddSerialTag(dataCenter, "Level", "MBRTU16-DA1-REG40001-FP2-UR100-TOB50");
  ScopedKeyState keys;
  keys.Press(VK_CONTROL);
  keys.Press(VK_SHIFT);
  bool shown = false;
  modal_script::Push([&](CDialog& dialog) {
    shown = true;
    dialog.SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, static_cast<int>(BN_CLICKED)), 0);
  });
  boxes.SetDefaultAnswer(0);
  boxes.Expect(IDOK, "Error: RuvFrame cannot connect to Serial Port!");
  auto link = CHwLinkerEngine::Make<CSerialLinkerEngine>();
  EXPECT_FALSE(link->Start());
  EXPECT_TRUE(shown);
  EXPECT_TRUE(link->IsStartFailureTold());
  EXPECT_EQ(boxes.Count(), 1u);
  modal_script::Clear();
}
