#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <utility>
#include <type_traits>

#include "HwLinkerTestSupport.h"
#include "datacenter/ThreadEngine.h"
#include "links/AdvantechLinkerEngine.h"
#include "links/OpcLinkerEngine.h"
#include "links/SerialLinkerEngine.h"
#include "platform/ui/WindowTimers.h"
#include "support/FakeClock.h"
#include "support/ScriptedMessageBox.h"

namespace {

std::vector<std::pair<UINT_PTR, UINT>> TimersOf(HWND window) {
  std::vector<std::pair<UINT_PTR, UINT>> timers;
  for (const ArmedTimer& t : ArmedTimersOf(window)) timers.emplace_back(t.id, t.elapseMs);
  return timers;
}

const std::vector<std::pair<UINT_PTR, UINT>> kBothTimers{{10101, 5000}, {10102, 5000}};

class HwLinkerEngineTest : public ::testing::Test {
 protected:
  HwLinkerEngineTest()
      : input(MakeHardwareTag("Level", eHWAdv, eIOInput, VT_R4)),
        output(MakeHardwareTag("Pump", eHWAdv, eIOOutput, VT_BOOL)) {
    clock.Install();
  }

  FakeClock clock{50000};
  ScriptedMessageBox boxes;
  LinkTestEngineRoot root;
  std::unique_ptr<CDCTag> input;
  std::unique_ptr<CDCTag> output;
};

TEST_F(HwLinkerEngineTest, StopEndsListeningAndTimersAndStartRestoresThemWithoutRebuilding) {
  TestLink link({input.get(), output.get()});
  ASSERT_TRUE(link.Start());
  const HWND window = link.GetSafeHwnd();
  ASSERT_TRUE(IsWindow(window));
  EXPECT_EQ(link.GetWindowText(), "$-HwLinkerEngineWnd-$");
  EXPECT_FALSE(link.IsWindowVisible());
  EXPECT_TRUE(output->HasListener(window));
  EXPECT_EQ(TimersOf(window), kBothTimers);
  EXPECT_TRUE(link.GetWatchdogStopwatch().IsRunning());
  CHwLinkerItem* firstItem = link.GetItemAt(0);

  EXPECT_TRUE(link.Stop());
  EXPECT_TRUE(IsWindow(window));  // the window stays for the next start
  EXPECT_FALSE(input->HasListener(window));
  EXPECT_FALSE(output->HasListener(window));
  EXPECT_TRUE(TimersOf(window).empty());
  EXPECT_FALSE(FireTimerNow(window, 10102));

  ASSERT_TRUE(link.Start());
  EXPECT_EQ(link.builds, 1);
  EXPECT_EQ(link.GetSafeHwnd(), window);
  EXPECT_EQ(link.GetItemCount(), 2);
  EXPECT_EQ(link.GetItemAt(0), firstItem);
  EXPECT_TRUE(input->HasListener(window));
  EXPECT_EQ(input->GetListenerCount(), 1u);
  EXPECT_EQ(TimersOf(window), kBothTimers);
}

TEST_F(HwLinkerEngineTest, StartOnAStartedEngineChangesNothingAndSucceeds) {
  TestLink link({input.get()});
  ASSERT_TRUE(link.Start());
  clock.Advance(1500);
  EXPECT_TRUE(link.Start());
  EXPECT_EQ(link.builds, 1);
  EXPECT_EQ(input->GetListenerCount(), 1u);
  EXPECT_EQ(link.GetQueryRateStopwatch().GetElapsedMs(), 1500u);  // not restarted
}

TEST_F(HwLinkerEngineTest, TheTimersReachTheirHandlersAndRestartTheirStopwatches) {
  TestLink link({input.get()});
  ASSERT_TRUE(link.Start());
  clock.Advance(5000);
  ASSERT_TRUE(FireTimerNow(link.GetSafeHwnd(), 10101));
  EXPECT_EQ(link.queryRateTicks, 1);
  EXPECT_EQ(link.watchdogTicks, 0);
  EXPECT_EQ(link.GetQueryRateStopwatch().GetElapsedMs(), 0u);
  EXPECT_EQ(link.GetWatchdogStopwatch().GetElapsedMs(), 5000u);
  ASSERT_TRUE(FireTimerNow(link.GetSafeHwnd(), 10102));
  EXPECT_EQ(link.watchdogTicks, 1);
  EXPECT_EQ(link.GetWatchdogStopwatch().GetElapsedMs(), 0u);
}

TEST_F(HwLinkerEngineTest, AChangedTagReachesTheLinkOnlyWhileStarted) {
  TestLink link({input.get(), output.get()});
  ASSERT_TRUE(link.Start());
  output->SetValue(Variant::Bool(true));
  PumpPendingMessages();
  const auto messages = link.TagMessages();
  ASSERT_FALSE(messages.empty());
  EXPECT_TRUE(std::find(messages.begin(), messages.end(), std::make_pair(output.get(), int(eTagChangeValue))) !=
              messages.end());

  link.Stop();
  const std::size_t before = link.TagMessages().size();
  output->SetValue(Variant::Bool(false));
  PumpPendingMessages();
  EXPECT_EQ(link.TagMessages().size(), before);
}

TEST_F(HwLinkerEngineTest, ThePollingPassRunsOnlyWhileRealAndNotSuspended) {
  TestLink link({input.get()});
  CRTimer pacer(true);
  clock.Advance(200);
  root.SetDataSource(eDataSourceDemo);
  EXPECT_FALSE(link.RunPollPass(pacer));
  root.SetDataSource(eDataSourceRealHW);
  root.SetSuspended(true);
  EXPECT_FALSE(link.RunPollPass(pacer));
  root.SetSuspended(false);
  EXPECT_TRUE(link.RunPollPass(pacer));
  EXPECT_EQ(link.polls.load(), 1);
}

TEST_F(HwLinkerEngineTest, ThePollingPassWaitsOutTheRestOf200Ms) {
  TestLink link({input.get()});
  root.SetDataSource(eDataSourceRealHW);
  CRTimer pacer(true);
  const std::uint32_t start = clock.TickCount();
  link.RunPollPass(pacer);  // right after the start: sleeps the whole period
  EXPECT_EQ(clock.TickCount() - start, 200u);
  clock.Advance(150);
  link.RunPollPass(pacer);  // the rest
  EXPECT_EQ(clock.TickCount() - start, 400u);
  clock.Advance(350);
  link.RunPollPass(pacer);  // a long pass is followed by the next at once
  EXPECT_EQ(clock.TickCount() - start, 750u);
  EXPECT_EQ(link.polls.load(), 3);
}

TEST_F(HwLinkerEngineTest, FindOrCreateItemRecordsAndOwnsWhatItMakes) {
  auto stray = MakeHardwareTag("Stray", eHWAdv, eIOOutput, VT_BOOL);
  std::atomic<int> deleted{0};
  {
    TestLink link({input.get()});
    link.deletionCounter = &deleted;
    ASSERT_TRUE(link.Start());
    CHwLinkerItem* made = link.FindOrCreateItem(stray.get());
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->GetDCTag(), stray.get());
    EXPECT_EQ(link.FindOrCreateItem(stray.get()), made);  // mapped: made once
    EXPECT_EQ(link.creates, 1);
    EXPECT_EQ(link.GetItemCount(), 1);  // not one of the link's polled items
    link.Stop();
    EXPECT_EQ(deleted.load(), 0);
  }
  EXPECT_EQ(deleted.load(), 2);  // the built item and the one made on demand
}

TEST_F(HwLinkerEngineTest, AnItemTheLinkAlreadyKeepsIsNotOwnedTwice) {
  // ASan reports a second deletion of the same item.
  TestLink link({input.get()});
  link.returnExistingItem = true;
  ASSERT_TRUE(link.Start());
  EXPECT_EQ(link.FindOrCreateItem(input.get()), link.GetItemAt(0));
}

// A link whose polling worker was given up must outlive that worker: only
// Release knows to leave it to the worker, so no owner can delete a link, or
// let one go out of scope, by any other way.
TEST(HwLinkerLifetime, LinksAreFreedOnlyThroughRelease) {
  EXPECT_FALSE(std::is_destructible_v<CHwLinkerEngine>);
  EXPECT_FALSE(std::is_destructible_v<CSerialLinkerEngine>);
  EXPECT_FALSE(std::is_destructible_v<CAdvantechLinkerEngine>);
  EXPECT_FALSE(std::is_destructible_v<COpcLinkerEngine>);
  LinkTestEngineRoot root;
  CHwLinkerEngine::Owned<CAdvantechLinkerEngine> link = CHwLinkerEngine::Make<CAdvantechLinkerEngine>();
  EXPECT_TRUE(link->IsUsingPollThread());
  link.reset();  // through Release
}

TEST(HwLinkerPathReaders, ReadPathIntTakesOneFieldAtATime) {
  std::string path = "UR500-TOB200";
  int value = 0;
  EXPECT_TRUE(CHwLinkerEngine::ReadPathInt(path, "UR", value));
  EXPECT_EQ(value, 500);
  EXPECT_EQ(path, "TOB200");
  EXPECT_FALSE(CHwLinkerEngine::ReadPathInt(path, "UR", value));  // another key is consumed all the same
  EXPECT_EQ(value, -1);
  EXPECT_EQ(path, "");
  EXPECT_FALSE(CHwLinkerEngine::ReadPathInt(path, "UR", value));
  EXPECT_EQ(value, -1);
}

TEST(HwLinkerPathReaders, ReadPathFieldKeysAreExactAndValuesMayBeEmpty) {
  std::string path = "ba2C0-CBL-BIT1.5";
  std::string value = "stale";
  EXPECT_FALSE(CHwLinkerEngine::ReadPathField(path, "BA", value));
  EXPECT_EQ(value, "");
  EXPECT_EQ(path, "CBL-BIT1.5");
  EXPECT_TRUE(CHwLinkerEngine::ReadPathField(path, "CBL", value));
  EXPECT_EQ(value, "");
  int bit = 0;
  EXPECT_TRUE(CHwLinkerEngine::ReadPathInt(path, "BIT", bit));
  EXPECT_EQ(bit, 15);  // "." is dropped before the digits are read
  std::string empty = "-CH3";
  EXPECT_FALSE(CHwLinkerEngine::ReadPathField(empty, "", value));  // an empty field never matches
  EXPECT_EQ(empty, "CH3");
}

// An engine root on the real hardware that, the first time it is asked for the
// data source, runs a call: a command given on another thread just then.
class InterruptingEngineRoot final : public IEngineServices {
 public:
  InterruptingEngineRoot() { SetEngine(this); }
  ~InterruptingEngineRoot() override { SetEngine(nullptr); }
  int GetDataSourceType() const override {
    if (m_interruption) std::exchange(m_interruption, nullptr)();
    return eDataSourceRealHW;
  }
  bool IsSuspended() const override { return false; }
  CDataCenterBase* GetDataCenter() const override { return nullptr; }
  CIniFile* GetIniFile() const override { return nullptr; }
  std::string GetSettingsFileName() const override { return {}; }
  void InterruptOnce(std::function<void()> call) { m_interruption = std::move(call); }
  bool Interrupted() const { return !m_interruption; }

 private:
  mutable std::function<void()> m_interruption;
};

// A command given while an older one is given up keeps its write mark, however
// the two meet: the older one's count is checked and its mark cleared in one step.
TEST(HwLinkerGiveUp, ANewerCommandGivenMeanwhileKeepsItsWriteMark) {
  InterruptingEngineRoot root;
  std::unique_ptr<CDCTag> output = MakeHardwareTag("Valve", eHWSerial, eIOOutput, VT_R4);
  TestLink link({output.get()});
  ASSERT_TRUE(link.BuildItems());
  output->SetValue(Variant::R4(1.0f));
  output->SetWritePending(TRUE);
  std::uint32_t olderCount = 0;
  const Variant older = output->GetValue(olderCount);
  auto newerCommand = [&] {
    output->SetValue(Variant::R4(2.0f));
    output->SetWritePending(TRUE);
  };
  root.InterruptOnce(newerCommand);
  link.GiveUpCommand(*link.GetItemAt(0), olderCount, older, "the device refused it", false);
  if (!root.Interrupted()) {  // it came just after
    root.InterruptOnce(nullptr);
    newerCommand();
  }
  EXPECT_FLOAT_EQ(output->GetValue().fltVal, 2.0f);
  EXPECT_TRUE(output->IsWritePending());
}

// A telling posted to the link's window goes with the window: that notice and
// every later one of the link reach the standard error output instead.
TEST(HwLinkerGiveUp, NoticesAfterTheWindowWentReachTheStandardErrorOutput) {
  ScriptedMessageBox boxes;
  LinkTestEngineRoot root;
  root.SetDataSource(eDataSourceRealHW);
  std::unique_ptr<CDCTag> pump = MakeHardwareTag("Pump", eHWSerial, eIOOutput, VT_R4);
  std::unique_ptr<CDCTag> valve = MakeHardwareTag("Valve", eHWSerial, eIOOutput, VT_R4);
  TestLink link({pump.get(), valve.get()});
  ASSERT_TRUE(link.Start());
  pump->SetValue(Variant::R4(1.0f));
  valve->SetValue(Variant::R4(2.0f));
  std::uint32_t count = 0;
  link.GiveUpCommand(*link.GetItemAt(0), pump->GetCommandCount(), pump->GetValue(count), "the device did not answer");
  link.DestroyWindow();
  PumpPendingMessages();
  testing::internal::CaptureStderr();
  link.GiveUpCommand(*link.GetItemAt(1), valve->GetCommandCount(), valve->GetValue(count), "the device did not answer");
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Hardware Linker Engine: The command 1 for Pump was given up: the device did not answer.\n"
            "Hardware Linker Engine: The command 2 for Valve was given up: the device did not answer.\n");
  EXPECT_EQ(boxes.Count(), 0u);
}

}  // namespace
