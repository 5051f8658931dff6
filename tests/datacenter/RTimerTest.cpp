#include <gtest/gtest.h>

#include "datacenter/RTimer.h"
#include "support/FakeClock.h"

namespace {

class RTimerTest : public ::testing::Test {
 protected:
  void SetUp() override { m_clock.Install(); }
  FakeClock m_clock{1000};
};

TEST_F(RTimerTest, StartAndStopAreIdempotent) {
  CRTimer watch;
  EXPECT_FALSE(watch.IsRunning());
  EXPECT_EQ(watch.GetElapsedMs(), 0u);
  watch.Start();
  m_clock.Advance(300);
  watch.Start();  // keeps its start tick
  m_clock.Advance(200);
  EXPECT_EQ(watch.GetElapsedMs(), 500u);
  watch.Stop();
  m_clock.Advance(400);
  watch.Stop();  // keeps its stop tick
  EXPECT_EQ(watch.GetElapsedMs(), 500u);
}

TEST_F(RTimerTest, ResetStandsStillAtZeroAndRestartRunsFromZero) {
  CRTimer watch(true);
  m_clock.Advance(1500);
  watch.Reset();
  EXPECT_FALSE(watch.IsRunning());
  m_clock.Advance(1000);
  EXPECT_EQ(watch.GetElapsedMs(), 0u);
  watch.Start();
  m_clock.Advance(250);
  watch.Restart();
  m_clock.Advance(40);
  EXPECT_TRUE(watch.IsRunning());
  EXPECT_EQ(watch.GetElapsedMs(), 40u);
}

TEST_F(RTimerTest, ElapsedTimeSurvivesTheTickWrap) {
  m_clock.SetTicks(0xFFFFFF00u);
  CRTimer watch(true);
  m_clock.Advance(0x200);
  EXPECT_EQ(watch.GetElapsedMs(), 0x200u);
  m_clock.SetTicks(0xFFFFFFF0u);
  watch.Restart();
  m_clock.SetTicks(0xA0u);
  watch.Stop();
  EXPECT_EQ(watch.GetElapsedMs(), 0xB0u);
}

TEST_F(RTimerTest, WholeSecondsTruncate) {
  CRTimer watch(true);
  m_clock.Advance(5999);
  EXPECT_EQ(watch.GetElapsedWholeSeconds(), 5);
  EXPECT_FLOAT_EQ(watch.GetElapsedSeconds(), 5.999f);
  m_clock.Advance(1);
  EXPECT_EQ(watch.GetElapsedWholeSeconds(), 6);
}

TEST_F(RTimerTest, LongElapsedTimesStayUnsigned) {
  m_clock.SetTicks(0);
  CRTimer watch(true);
  m_clock.SetTicks(0x90000000u);  // beyond the signed range
  EXPECT_FLOAT_EQ(watch.GetElapsedSeconds(), static_cast<float>(0x90000000u / 1000.0));
  EXPECT_GT(watch.GetElapsedWholeSeconds(), 2000000);
}

}  // namespace
