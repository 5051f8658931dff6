#include <gtest/gtest.h>

#include <random>

#include "links/ModbusRtu.h"

namespace {

std::vector<BYTE> Bytes(std::initializer_list<int> values) {
  std::vector<BYTE> out;
  for (int v : values) out.push_back(static_cast<BYTE>(v));
  return out;
}

// The CRC computed bit by bit, as a cross-check of the table method.
WORD BitwiseCrc(const std::vector<BYTE>& data) {
  WORD crc = 0xFFFF;
  for (BYTE b : data) {
    crc ^= b;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? static_cast<WORD>((crc >> 1) ^ 0xA001) : crc >> 1;
  }
  return crc;
}

}  // namespace

TEST(ModbusRtuTest, CrcOfKnownFramesAndAgreementWithTheBitwiseMethod) {
  std::vector<BYTE> frame = Bytes({0x01, 0x03, 0x00, 0x00, 0x00, 0x02});
  modbus::AppendCrc(frame);
  EXPECT_EQ(frame, Bytes({0x01, 0x03, 0x00, 0x00, 0x00, 0x02, 0xC4, 0x0B}));
  EXPECT_TRUE(modbus::CheckCrc(frame.data(), frame.size()));
  frame[7] ^= 1;
  EXPECT_FALSE(modbus::CheckCrc(frame.data(), frame.size()));
  EXPECT_FALSE(modbus::CheckCrc(frame.data(), 2));

  std::mt19937 random(7);
  for (int round = 0; round < 200; ++round) {
    std::vector<BYTE> data(random() % 40);
    for (BYTE& b : data) b = static_cast<BYTE>(random());
    EXPECT_EQ(modbus::Crc16(data.data(), data.size()), BitwiseCrc(data));
  }
}

TEST(ModbusRtuTest, RequestsCarryTheOneBasedAddressLessOne) {
  std::vector<BYTE> read;
  modbus::BuildReadRequest(1, 40001 - 40000, 2, read);
  EXPECT_EQ(read, Bytes({0x01, 0x03, 0x00, 0x00, 0x00, 0x02, 0xC4, 0x0B}));
  EXPECT_EQ(modbus::RegisterToAddress(40001), 0);
  EXPECT_EQ(modbus::RegisterToAddress(49999), 9998);

  BYTE value[4];
  modbus::SplitBigEndian(12345, value);
  std::vector<BYTE> write;
  modbus::BuildWriteRequest(5, 40010 - 40000, 2, value, write);
  ASSERT_EQ(write.size(), modbus::kWriteRequestLength);
  EXPECT_EQ(std::vector<BYTE>(write.begin(), write.end() - 2),
            Bytes({0x05, 0x10, 0x00, 0x09, 0x00, 0x02, 0x04, 0x00, 0x00, 0x30, 0x39}));
  EXPECT_TRUE(modbus::CheckCrc(write.data(), write.size()));
}

TEST(ModbusRtuTest, ValuesAreBigEndianAndSigned) {
  BYTE bytes[4];
  modbus::SplitBigEndian(static_cast<std::uint32_t>(-2), bytes);
  EXPECT_EQ(std::vector<BYTE>(bytes, bytes + 4), Bytes({0xFF, 0xFF, 0xFF, 0xFE}));
  EXPECT_EQ(static_cast<std::int32_t>(modbus::JoinBigEndian(bytes)), -2);
  const BYTE ordered[4] = {0x12, 0x34, 0x56, 0x78};
  EXPECT_EQ(modbus::JoinBigEndian(ordered), 0x12345678u);
}
