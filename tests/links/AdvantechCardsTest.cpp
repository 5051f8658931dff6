#include <gtest/gtest.h>

#include "AdvantechTestSupport.h"
#include "support/ScriptedMessageBox.h"

namespace {

class AdvantechCardsTest : public ::testing::Test {
 protected:
  FreshCards cards;
  ScriptedMessageBox boxes;
};

TEST_F(AdvantechCardsTest, BothCardsAreFoundByTheirNamesAndOpenedOnce) {
  // Names must match exactly: a card listed in other letter case is another card.
  daqemu::SetDevices({"PCL-818L I/O=300h", daqemu::kDigitalCardName, daqemu::kAnalogCardName});
  EXPECT_EQ(OpenCards(), 1);
  EXPECT_EQ(daqemu::OpenDeviceCount(), 2);
  EXPECT_EQ(daqemu::CallCount(daqemu::Call::Open), 2);
  EXPECT_EQ(OpenCards(), 1);  // already open: the driver is not asked again
  EXPECT_EQ(daqemu::CallCount(daqemu::Call::GetNumOfList), 1);
  CloseCards();
  EXPECT_EQ(daqemu::OpenDeviceCount(), 0);
  EXPECT_EQ(boxes.Count(), 0u);
}

TEST_F(AdvantechCardsTest, AnEmptyDeviceListMeansNoDriver) {
  daqemu::SetDevices({});
  boxes.Expect(IDOK, "No Advantech Driver installed!");
  EXPECT_EQ(OpenCards(), 0);
  EXPECT_EQ(boxes.Boxes().at(0).style, UINT(MB_OK | MB_ICONSTOP | MB_SYSTEMMODAL));
}

TEST_F(AdvantechCardsTest, AListedCardThatCannotOpenIsNamedAndEndsTheWalk) {
  daqemu::FailCall(daqemu::Call::Open);
  boxes.Expect(IDOK);
  EXPECT_EQ(OpenCards(), 0);
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.LastText(), "Program cannot open Analog IO card [PCL-818L I/O=300H]!\n");
  EXPECT_EQ(daqemu::CallCount(daqemu::Call::Open), 1);

  daqemu::SetDevices({daqemu::kDigitalCardName, daqemu::kAnalogCardName});
  boxes.Expect(IDOK);
  EXPECT_EQ(OpenCards(), 0);
  EXPECT_EQ(boxes.LastText(), "Program cannot open Digital IO card [PCL-722 I/O=2c0H]!\n");
}

TEST_F(AdvantechCardsTest, GroupsHoldThreePortsOfEightBits) {
  EXPECT_EQ(WriteDigitalBit(1, 9, true), 1);  // opens the cards on demand
  EXPECT_TRUE(daqemu::Bit(4, 1));
  EXPECT_EQ(WriteDigitalBit(0, 23, true), 1);
  EXPECT_TRUE(daqemu::Bit(2, 7));
  EXPECT_EQ(WriteDigitalBit(0, 23, false), 1);
  EXPECT_FALSE(daqemu::Bit(2, 7));
  daqemu::SetBit(3, 0, true);
  bool state = false;
  EXPECT_EQ(ReadDigitalBit(1, 0, state), 1);
  EXPECT_TRUE(state);
}

TEST_F(AdvantechCardsTest, FailedReadsReportFailureAndInventNoReading) {
  daqemu::SetVoltage(2, 3.25f);
  float volts = -7.0f;
  ASSERT_EQ(ReadAnalog(2, volts), 1);
  EXPECT_FLOAT_EQ(volts, 3.25f);

  daqemu::FailCall(daqemu::Call::AIConfig);
  volts = -7.0f;
  EXPECT_EQ(ReadAnalog(2, volts), 0);
  EXPECT_FLOAT_EQ(volts, -7.0f);
  daqemu::ClearFailures();
  daqemu::FailCall(daqemu::Call::AIVoltageIn);
  EXPECT_EQ(ReadAnalog(2, volts), 0);
  EXPECT_FLOAT_EQ(volts, -7.0f);

  daqemu::SetBit(0, 1, true);
  daqemu::FailCall(daqemu::Call::DioGetCurrentDOBit);
  bool state = true;
  EXPECT_EQ(ReadDigitalBit(0, 1, state), 0);
  EXPECT_FALSE(state);
  daqemu::FailCall(daqemu::Call::DioWriteBit);
  EXPECT_EQ(WriteDigitalBit(0, 1, false), 0);
  EXPECT_TRUE(daqemu::Bit(0, 1));
}

}  // namespace
