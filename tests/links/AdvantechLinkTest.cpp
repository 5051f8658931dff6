#include <gtest/gtest.h>

#include "AdvantechTestSupport.h"
#include "support/ScriptedMessageBox.h"
#include "support/TestEnvironment.h"

namespace {

class AdvantechLinkTest : public ::testing::Test {
 protected:
  AdvantechLinkTest() {
    root.SetDataCenter(&dataCenter);
    root.SetDataSource(eDataSourceRealHW);
  }

  FreshCards cards;
  ScriptedMessageBox boxes;
  RecordingExitHook exits;
  LinkTestEngineRoot root;
  CDataCenterBase dataCenter;
};

TEST_F(AdvantechLinkTest, StartFailsWhenACardIsMissing) {
  AddAdvTag(dataCenter, "DI", "BA2C0-CBL0-BIT0", eIOInput, VT_BOOL);
  daqemu::SetDevices({daqemu::kDigitalCardName});
  boxes.Expect(IDOK, "System cannot connect to real Advantech Mode");
  DrivenAdvantechLink link;
  EXPECT_FALSE(link.Start());
  EXPECT_EQ(boxes.Count(), 1u);
}

TEST_F(AdvantechLinkTest, StartWithoutAdvantechTagsFails) {
  auto opcTag = MakeHardwareTag("Opc", eHWOpc, eIOInput, VT_R4);
  ASSERT_EQ(dataCenter.AddTag(opcTag), eDCSuccess);
  DrivenAdvantechLink link;
  EXPECT_FALSE(link.Start());
  EXPECT_EQ(boxes.Count(), 0u);
}

struct BadPath {
  const char* path;
  int ioType;
  VARTYPE type;
  const char* message;
};

TEST_F(AdvantechLinkTest, EveryUnfitTagIsReportedAndDisabledWhileTheOthersAreServed) {
  const BadPath bad[] = {
      {"XX2C0-CBL0-BIT1", eIOInput, VT_BOOL, "Invalid AccessPath!"},
      {"BA2C0-CBL0-BIT2", eIOInput, VT_R4, "Unsupported DataType for Digital card!"},
      {"BA2C0-CBL0-BIT1", eIODuplex, VT_BOOL, "Unsupported IOType for Digital card!"},
      {"BA2C0-BIT3", eIOInput, VT_BOOL, "Invalid AccessPath!"},
      {"BA2C0-CBL0-X4", eIOOutput, VT_BOOL, "Invalid AccessPath!"},
      {"BA300-CH0", eIOInput, VT_BOOL, "Unsupported DataType for Analog card!"},
      {"BA300-CH1", eIOOutput, VT_R4, "Unsupported IOType for Analog card!"},
      {"BA300-C2", eIOInput, VT_R4, "Invalid AccessPath!"},
      {"BA310-CH0", eIOInput, VT_R4, "Invalid AccessPath (invalid BaseAddress)!"},
      {"BA300-CH4-X", eIOInput, VT_R4, "Invalid AccessPath!"},
  };
  std::vector<CDCTag*> badTags;
  CDCTag* digital = AddAdvTag(dataCenter, "DI", "BA2C0-CBL1-BIT9", eIOInput, VT_BOOL);
  int n = 0;
  for (const BadPath& b : bad) {
    badTags.push_back(AddAdvTag(dataCenter, "Bad" + std::to_string(n++), b.path, b.ioType, b.type));
    ASSERT_NE(badTags.back(), nullptr);
  }
  CDCTag* analog = AddAdvTag(dataCenter, "AI", "BA300-CH3", eIOInput, VT_R4);
  boxes.SetDefaultAnswer(IDOK);

  DrivenAdvantechLink link;
  ASSERT_TRUE(link.Start());
  const auto shown = boxes.Boxes();
  ASSERT_EQ(shown.size(), std::size(bad));
  for (std::size_t i = 0; i < std::size(bad); ++i) {
    SCOPED_TRACE(bad[i].path);
    EXPECT_NE(shown[i].text.find("Invalid Tag format in DataCenter file:"), std::string::npos);
    EXPECT_NE(shown[i].text.find(std::string("- AccessPath: ") + bad[i].path + "\n"), std::string::npos);
    const std::string tail = std::string("ErrorMsg: ") + bad[i].message;
    EXPECT_EQ(shown[i].text.substr(shown[i].text.size() - tail.size()), tail);
    EXPECT_FALSE(badTags[i]->IsEnabled());
    EXPECT_EQ(link.FindItem(badTags[i]), nullptr);
  }
  ASSERT_EQ(link.GetItemCount(), 2);
  CAdvantechLinkerItem* digitalItem = link.ItemOf(digital);
  ASSERT_NE(digitalItem, nullptr);
  EXPECT_EQ(digitalItem->GetBaseAddress(), 0x2C0);
  EXPECT_EQ(digitalItem->GetDigitalGroup(), 1);
  EXPECT_EQ(digitalItem->GetDigitalBit(), 9);
  EXPECT_EQ(digitalItem->GetAnalogChannel(), 0xFFFF);
  CAdvantechLinkerItem* analogItem = link.ItemOf(analog);
  ASSERT_NE(analogItem, nullptr);
  EXPECT_EQ(analogItem->GetBaseAddress(), 0x300);
  EXPECT_EQ(analogItem->GetAnalogChannel(), 3);
  EXPECT_EQ(analogItem->GetValue(), Variant::R4(0.0f));  // typed after its tag
}

TEST_F(AdvantechLinkTest, DigitalInputsArePolledIntoTheirTagsAndNegativeInverts) {
  CDCTag* plain = AddAdvTag(dataCenter, "DI", "BA2C0-CBL1-BIT9", eIOInput, VT_BOOL);
  CDCTag* negative = AddAdvTag(dataCenter, "NDI", "BA2C0-CBL0-BIT23", eIOInput, VT_BOOL, "Negative");
  DrivenAdvantechLink link;
  ASSERT_TRUE(link.Start());
  daqemu::SetBit(4, 1, true);
  link.PollOnce();
  EXPECT_EQ(plain->GetValue(), Variant::Bool(true));
  EXPECT_EQ(negative->GetValue(), Variant::Bool(true));  // its bit is clear
  daqemu::SetBit(4, 1, false);
  daqemu::SetBit(2, 7, true);
  link.PollOnce();
  EXPECT_EQ(plain->GetValue(), Variant::Bool(false));
  EXPECT_EQ(negative->GetValue(), Variant::Bool(false));
}

TEST_F(AdvantechLinkTest, AnInputLeavesReadPendingBeforeItsValueArrives) {
  CDCTag* input = AddAdvTag(dataCenter, "DI", "BA2C0-CBL0-BIT0", eIOInput, VT_BOOL);
  DrivenAdvantechLink link;
  ASSERT_TRUE(link.Start());
  input->SetReadPending(TRUE);
  TagCodeRecorder shape;
  input->AddListener(shape.Handle());
  daqemu::SetBit(0, 0, true);
  link.PollOnce();
  PumpPendingMessages();
  EXPECT_FALSE(input->IsReadPending());
  EXPECT_EQ(shape.Codes(), (std::vector<int>{eTagChangeReadPending, eTagChangeValue}));
}

TEST_F(AdvantechLinkTest, AnOutputTagChangeIsWrittenToItsBit) {
  CDCTag* pump = AddAdvTag(dataCenter, "Pump", "BA2C0-CBL1-BIT9", eIOOutput, VT_BOOL);
  CDCTag* valve = AddAdvTag(dataCenter, "Valve", "BA2C0-CBL0-BIT5", eIOOutput, VT_BOOL, "Negative");
  daqemu::SetBit(0, 5, true);
  DrivenAdvantechLink link;
  ASSERT_TRUE(link.Start());
  pump->SetWritePending(TRUE);
  pump->SetValue(Variant::Bool(true));
  valve->SetValue(Variant::Bool(true));
  PumpPendingMessages();
  EXPECT_TRUE(daqemu::Bit(4, 1));
  EXPECT_FALSE(daqemu::Bit(0, 5));  // inverted on the way out
  EXPECT_FALSE(pump->IsWritePending());
  link.PollOnce();  // outputs are not read back into their tags
  EXPECT_EQ(valve->GetValue(), Variant::Bool(true));
}

TEST_F(AdvantechLinkTest, AFailedWriteKeepsTheCommandPending) {
  CDCTag* pump = AddAdvTag(dataCenter, "Pump", "BA2C0-CBL0-BIT5", eIOOutput, VT_BOOL);
  DrivenAdvantechLink link;
  ASSERT_TRUE(link.Start());
  daqemu::FailCall(daqemu::Call::DioWriteBit);
  pump->SetWritePending(TRUE);
  pump->SetValue(Variant::Bool(true));
  PumpPendingMessages();
  EXPECT_FALSE(daqemu::Bit(0, 5));
  EXPECT_TRUE(pump->IsWritePending());
  EXPECT_EQ(link.ItemOf(pump)->GetErrorCount(), 1u);
  EXPECT_EQ(boxes.Count(), 0u);
}

TEST_F(AdvantechLinkTest, AnalogChannelsSetTheirValueOrFeedTheirHistory) {
  CDCTag* level = AddAdvTag(dataCenter, "Level", "BA300-CH3", eIOInput, VT_R4);
  CDCTag* smoothed = AddAdvTag(dataCenter, "Smoothed", "BA300-CH4", eIOInput, VT_R4);
  smoothed->SetSize(4);
  DrivenAdvantechLink link;
  ASSERT_TRUE(link.Start());
  level->SetReadPending(TRUE);
  daqemu::SetVoltage(3, 4.5f);
  daqemu::SetVoltage(4, 4.0f);
  link.PollOnce();
  EXPECT_EQ(level->GetValue(), Variant::R4(4.5f));
  EXPECT_FALSE(level->IsReadPending());
  EXPECT_EQ(smoothed->GetValue(), Variant::R4(4.0f));  // the first sample fills the history
  daqemu::SetVoltage(4, 8.0f);
  link.PollOnce();
  EXPECT_EQ(smoothed->GetValue(), Variant::R4(5.0f));  // (3 x 4 + 8) / 4
  EXPECT_EQ(smoothed->GetCount(), 2);
}

TEST_F(AdvantechLinkTest, AFailedReadLeavesTheTagAsItWasAndCountsTheError) {
  CDCTag* level = AddAdvTag(dataCenter, "Level", "BA300-CH3", eIOInput, VT_R4);
  CDCTag* negative = AddAdvTag(dataCenter, "NDI", "BA2C0-CBL0-BIT1", eIOInput, VT_BOOL, "Negative");
  DrivenAdvantechLink link;
  ASSERT_TRUE(link.Start());
  daqemu::SetVoltage(3, 4.5f);
  daqemu::SetBit(0, 1, true);
  link.PollOnce();
  ASSERT_EQ(level->GetValue(), Variant::R4(4.5f));
  ASSERT_EQ(negative->GetValue(), Variant::Bool(false));

  level->SetReadPending(TRUE);
  negative->SetReadPending(TRUE);
  daqemu::FailCall(daqemu::Call::AIVoltageIn);
  daqemu::FailCall(daqemu::Call::DioGetCurrentDOBit);
  link.PollOnce();
  EXPECT_EQ(level->GetValue(), Variant::R4(4.5f));        // no made-up 0.0
  EXPECT_EQ(negative->GetValue(), Variant::Bool(false));  // no made-up clear bit
  EXPECT_TRUE(level->IsReadPending());
  EXPECT_TRUE(negative->IsReadPending());
  EXPECT_EQ(link.ItemOf(level)->GetErrorCount(), 1u);
  EXPECT_EQ(link.ItemOf(negative)->GetErrorCount(), 1u);
  EXPECT_EQ(boxes.Count(), 0u);
}

TEST_F(AdvantechLinkTest, StopClosesTheCardsAndAStartOpensThemAgain) {
  AddAdvTag(dataCenter, "DI", "BA2C0-CBL0-BIT0", eIOInput, VT_BOOL);
  DrivenAdvantechLink link;
  ASSERT_TRUE(link.Start());
  EXPECT_EQ(daqemu::OpenDeviceCount(), 2);
  EXPECT_TRUE(link.Stop());
  EXPECT_EQ(daqemu::OpenDeviceCount(), 0);
  ASSERT_TRUE(link.Start());
  EXPECT_EQ(daqemu::OpenDeviceCount(), 2);
  EXPECT_EQ(link.GetItemCount(), 1);
}

}  // namespace
