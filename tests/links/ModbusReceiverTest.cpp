#include <gtest/gtest.h>

#include "links/ModbusReceiver.h"
#include "links/ModbusRtu.h"

namespace {

std::vector<BYTE> WithCrc(std::initializer_list<int> values) {
  std::vector<BYTE> frame;
  for (int v : values) frame.push_back(static_cast<BYTE>(v));
  modbus::AppendCrc(frame);
  return frame;
}

std::vector<BYTE> ReadReply(int slave, std::uint32_t value) {
  return WithCrc({slave, 3, 4, static_cast<int>(value >> 24), static_cast<int>((value >> 16) & 0xFF),
                  static_cast<int>((value >> 8) & 0xFF), static_cast<int>(value & 0xFF)});
}

ModbusParseResult Feed(ModbusReceiver& receiver, const std::vector<BYTE>& bytes) {
  return receiver.Feed(bytes.data(), bytes.size());
}

}  // namespace

TEST(ModbusReceiverTest, AReadReplyCompletesWhenItsLastByteArrives) {
  ModbusReceiver receiver;
  receiver.ExpectRead(1);
  const auto reply = ReadReply(1, 0xFFFFFFFE);
  for (std::size_t i = 0; i + 1 < reply.size(); ++i) {
    EXPECT_EQ(receiver.Feed(&reply[i], 1).status, ModbusParse::NeedMore) << i;
  }
  const ModbusParseResult result = receiver.Feed(&reply.back(), 1);
  EXPECT_EQ(result.status, ModbusParse::Complete);
  EXPECT_EQ(static_cast<std::int32_t>(result.value), -2);
  EXPECT_FALSE(receiver.IsArmed());
  EXPECT_EQ(Feed(receiver, ReadReply(1, 5)).status, ModbusParse::NeedMore);  // nothing outstanding: dropped
  EXPECT_EQ(receiver.Held(), 0u);
}

TEST(ModbusReceiverTest, BadCrcExceptionAndTruncationEndTheRequest) {
  ModbusReceiver receiver;
  receiver.ExpectRead(7);
  auto spoiled = ReadReply(7, 99);
  spoiled.back() ^= 0xFF;
  auto result = Feed(receiver, spoiled);
  EXPECT_EQ(result.status, ModbusParse::BadCrc);
  EXPECT_EQ(result.slave, 7);
  EXPECT_FALSE(receiver.IsArmed());

  receiver.ExpectRead(7);
  result = Feed(receiver, WithCrc({7, 0x83, 2}));
  EXPECT_EQ(result.status, ModbusParse::Exception);
  EXPECT_EQ(result.exceptionCode, 2);

  receiver.ExpectRead(7);
  const auto reply = ReadReply(7, 1);
  receiver.Feed(reply.data(), 5);
  EXPECT_EQ(receiver.Flush().status, ModbusParse::Truncated);
  EXPECT_EQ(receiver.Held(), 0u);
  EXPECT_EQ(receiver.Flush().status, ModbusParse::NeedMore);
}

TEST(ModbusReceiverTest, FramesForOthersAreDroppedAndTheReplyBehindThemFound) {
  ModbusReceiver receiver;
  receiver.ExpectRead(2);
  auto bytes = ReadReply(9, 111);                       // another slave
  const auto exceptionOfOther = WithCrc({3, 0x83, 1});  // another slave's refusal
  bytes.insert(bytes.end(), exceptionOfOther.begin(), exceptionOfOther.end());
  auto result = Feed(receiver, bytes);
  EXPECT_EQ(result.status, ModbusParse::WrongSlave);
  EXPECT_EQ(result.slave, 9);
  EXPECT_TRUE(receiver.IsArmed());
  EXPECT_EQ(receiver.Feed(nullptr, 0).status, ModbusParse::WrongSlave);
  const auto mine = ReadReply(2, 222);
  result = Feed(receiver, mine);
  EXPECT_EQ(result.status, ModbusParse::Complete);
  EXPECT_EQ(result.value, 222u);
}

TEST(ModbusReceiverTest, NoiseBeforeAndBetweenFramesIsSkipped) {
  ModbusReceiver receiver;
  receiver.ExpectRead(1);
  std::vector<BYTE> bytes = {0x00, 0xFF, 0x01, 0x03, 0xFF, 0x7E, 0x01};  // looks like starts, frames nothing
  const auto reply = ReadReply(1, 0x01020304);
  bytes.insert(bytes.end(), reply.begin(), reply.end());
  const auto result = Feed(receiver, bytes);
  EXPECT_EQ(result.status, ModbusParse::Complete);
  EXPECT_EQ(result.value, 0x01020304u);
  EXPECT_EQ(result.dropped, 7u);

  receiver.ExpectRead(1);
  EXPECT_EQ(Feed(receiver, {0xF8, 0x01, 0x03}).status, ModbusParse::NeedMore);
  EXPECT_EQ(Feed(receiver, ReadReply(1, 5)).status, ModbusParse::Complete);
}

TEST(ModbusReceiverTest, AWriteReplyMustEchoTheRequest) {
  BYTE value[4] = {0, 0, 0x30, 0x39};
  std::vector<BYTE> request;
  modbus::BuildWriteRequest(5, 10, 2, value, request);
  ModbusReceiver receiver;
  receiver.ExpectWrite(request.data(), request.size());
  auto result = Feed(receiver, WithCrc({5, 16, 0, 10, 0, 2}));  // another address
  EXPECT_EQ(result.status, ModbusParse::Unexpected);
  EXPECT_TRUE(receiver.IsArmed());
  result = Feed(receiver, WithCrc({5, 16, 0, 9, 0, 2}));
  EXPECT_EQ(result.status, ModbusParse::Complete);
  receiver.ExpectWrite(request.data(), request.size());
  EXPECT_EQ(Feed(receiver, WithCrc({5, 0x90, 4})).status, ModbusParse::Exception);
}

TEST(ModbusReceiverTest, HoldsNoMoreThanOneFrameOfBytes) {
  ModbusReceiver receiver;
  receiver.ExpectRead(1);
  std::vector<BYTE> flood(1000, 0x01);  // every byte looks like slave 1 but frames nothing
  receiver.Feed(flood.data(), flood.size());
  EXPECT_LE(receiver.Held(), ModbusReceiver::kCapacity);
  EXPECT_EQ(Feed(receiver, ReadReply(1, 3)).status, ModbusParse::Complete);
}
