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

  // Activity noted out of order never pulls the end back.
  line.NoteReceived(29 * kMs);
  EXPECT_EQ(line.WaitBeforeSending(34 * kMs), 31 * kMs + 3760000 - 34 * kMs);
}
