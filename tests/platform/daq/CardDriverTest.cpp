#include <gtest/gtest.h>

#include <string>

#include "platform/daq/CardDriver.h"
#include "platform/daq/CardEmulation.h"

namespace {

class CardDriverTest : public ::testing::Test {
 protected:
  void SetUp() override { daqemu::Reset(); }
  void TearDown() override { daqemu::Reset(); }

  DRV_HANDLE Open(const std::string& name) {
    std::int16_t count = 0;
    EXPECT_EQ(DRV_DeviceGetNumOfList(&count), DRV_SUCCESS);
    DEVLIST list[8];
    std::int16_t returned = 0;
    EXPECT_EQ(DRV_DeviceGetList(list, count, &returned), DRV_SUCCESS);
    for (int i = 0; i < returned; ++i) {
      if (name == list[i].szDeviceName) {
        DRV_HANDLE handle = 0;
        EXPECT_EQ(DRV_DeviceOpen(list[i].dwDeviceNum, &handle), DRV_SUCCESS);
        return handle;
      }
    }
    return 0;
  }
};

TEST_F(CardDriverTest, ListsThePlantCardsByName) {
  std::int16_t count = 0;
  ASSERT_EQ(DRV_DeviceGetNumOfList(&count), DRV_SUCCESS);
  ASSERT_EQ(count, 2);
  DEVLIST list[2];
  std::int16_t returned = 0;
  ASSERT_EQ(DRV_DeviceGetList(list, 2, &returned), DRV_SUCCESS);
  EXPECT_EQ(returned, 2);
  EXPECT_STREQ(list[0].szDeviceName, "PCL-818L I/O=300H");
  EXPECT_STREQ(list[1].szDeviceName, "PCL-722 I/O=2c0H");

  daqemu::SetDevices({});
  ASSERT_EQ(DRV_DeviceGetNumOfList(&count), DRV_SUCCESS);
  EXPECT_EQ(count, 0);
}

TEST_F(CardDriverTest, AnalogVoltagesAndDigitalBits) {
  DRV_HANDLE analog = Open("PCL-818L I/O=300H");
  DRV_HANDLE digital = Open("PCL-722 I/O=2c0H");
  ASSERT_NE(analog, 0);
  ASSERT_NE(digital, 0);
  EXPECT_EQ(daqemu::OpenDeviceCount(), 2);

  daqemu::SetVoltage(3, 2.5f);
  PT_AIConfig config{3, 0};
  EXPECT_EQ(DRV_AIConfig(analog, &config), DRV_SUCCESS);
  float volts = -1.0f;
  PT_AIVoltageIn in{3, 0, 0, &volts};
  EXPECT_EQ(DRV_AIVoltageIn(analog, &in), DRV_SUCCESS);
  EXPECT_FLOAT_EQ(volts, 2.5f);
  // The digital card has no analog inputs.
  EXPECT_EQ(DRV_AIVoltageIn(digital, &in), DRV_ERR_INVALID_HANDLE);

  PT_DioWriteBit write{4, 1, 1};
  EXPECT_EQ(DRV_DioWriteBit(digital, &write), DRV_SUCCESS);
  EXPECT_TRUE(daqemu::Bit(4, 1));
  std::uint16_t state = 7;
  PT_DioGetCurrentDOBit read{4, 1, &state};
  EXPECT_EQ(DRV_DioGetCurrentDOBit(digital, &read), DRV_SUCCESS);
  EXPECT_EQ(state, 1);
  read.bit = 8;
  EXPECT_EQ(DRV_DioGetCurrentDOBit(digital, &read), DRV_ERR_INVALID_PORT);

  EXPECT_EQ(DRV_DeviceClose(&analog), DRV_SUCCESS);
  EXPECT_EQ(analog, 0);
  EXPECT_EQ(DRV_AIVoltageIn(analog, &in), DRV_ERR_INVALID_HANDLE);
}

TEST_F(CardDriverTest, InjectedFailuresAreReturnedAndCounted) {
  DRV_HANDLE digital = Open("PCL-722 I/O=2c0H");
  daqemu::FailCall(daqemu::Call::DioWriteBit);
  PT_DioWriteBit write{0, 0, 1};
  EXPECT_EQ(DRV_DioWriteBit(digital, &write), DRV_ERR_INJECTED);
  EXPECT_FALSE(daqemu::Bit(0, 0));
  EXPECT_EQ(daqemu::CallCount(daqemu::Call::DioWriteBit), 1);
  daqemu::FailCall(daqemu::Call::DioWriteBit, DRV_SUCCESS);
  EXPECT_EQ(DRV_DioWriteBit(digital, &write), DRV_SUCCESS);
  EXPECT_TRUE(daqemu::Bit(0, 0));

  char text[80];
  DRV_GetErrorMessage(DRV_ERR_INJECTED, text);
  EXPECT_STREQ(text, "Injected failure (100)");
}

}  // namespace
