#include <gtest/gtest.h>

#include "links/ModbusLineSilence.h"

namespace {
constexpr std::int64_t kMs = 1000000;
}  // namespace

// 9600 baud 8N1: one character about 1.04 ms, the gap 3.76 ms. Times are the
// caller's clock; each wait runs from the line's last activity, whoever spoke.
TEST(ModbusLineSilenceTest, AFrameWaitsTheGapAfterWhateverTheLineCarriedLast) {
  ModbusLineSilence line;
  line.SetTiming(3760000, 1041667);
  EXPECT_EQ(line.WaitBeforeSending(5 * kMs), 0);  // never spoke

  line.NoteSent(10 * kMs, 8);  // the request's last character leaves at 18.33 ms
  EXPECT_EQ(line.WaitBeforeSending(15 * kMs), 18333336 + 3760000 - 15 * kMs);

  // A reply's bytes still coming in after its time-out push the gap on.
  line.NoteReceived(30 * kMs);
  line.NoteReceived(31 * kMs);
  EXPECT_EQ(line.WaitBeforeSending(32 * kMs), 31 * kMs + 3760000 - 32 * kMs);
  EXPECT_EQ(line.WaitBeforeSending(31 * kMs + 3760000), 0);
  EXPECT_EQ(line.SendableAt(), 31 * kMs + 3760000);

  // Activity noted out of order never pulls the end back.
  line.NoteReceived(29 * kMs);
  EXPECT_EQ(line.WaitBeforeSending(34 * kMs), 31 * kMs + 3760000 - 34 * kMs);
}

// 3.5 and 1.5 characters up to 19 200 baud; above, fixed times that do not
// shrink with the character (at 38 400 baud 3.5 characters are only 911 us).
TEST(ModbusLineSilenceTest, TheLineRuleCountsCharactersUpTo19200BaudAndFixedTimesAbove) {
  EXPECT_EQ(ModbusLineSilence::FrameSilenceNs(9600, 10), 3645834);  // rounded up: a least silence
  EXPECT_EQ(ModbusLineSilence::FrameSilenceNs(19200, 10), 1822917);
  EXPECT_EQ(ModbusLineSilence::FrameSilenceNs(19200, 11), 2005209);  // with a parity bit
  EXPECT_EQ(ModbusLineSilence::CharacterLimitNs(19200, 10), 781250);
  EXPECT_EQ(ModbusLineSilence::FrameSilenceNs(38400, 10), 1750000);
  EXPECT_EQ(ModbusLineSilence::FrameSilenceNs(115200, 11), 1750000);
  EXPECT_EQ(ModbusLineSilence::CharacterLimitNs(38400, 10), 750000);
  EXPECT_EQ(ModbusLineSilence::FrameSilenceNs(0, 10), 0);
}
