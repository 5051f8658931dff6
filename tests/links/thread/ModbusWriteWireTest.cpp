// Writes of our master against libmodbus slaves that keep a real line's time
// (9600 and 38400 baud), with real threads: the polling thread, the port's
// listener and the peer's server. A write must never freeze the UI thread, a
// write whose reply came in time must be reported done, and every write sent
// must reach the slave.
#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "MasterRig.h"
#include "datacenter/ThreadEngine.h"
#include "peer/ModbusSlavePeer.h"

namespace {

// Ends the run with a message when a test hangs (a deadlock cannot be unwound
// into a failure), so a frozen write fails the test instead of blocking CI.
class HangWatchdog {
 public:
  HangWatchdog(const char* what, int seconds) : m_what(what) {
    m_thread = std::thread([this, seconds] {
      std::unique_lock<std::mutex> lock(m_mutex);
      if (!m_done.wait_for(lock, std::chrono::seconds(seconds), [this] { return m_disarmed; })) {
        std::fprintf(stderr, "HangWatchdog: %s still running after %d s: the test hangs\n", m_what, seconds);
        std::fflush(stderr);
        std::_Exit(3);
      }
    });
  }
  ~HangWatchdog() {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_disarmed = true;
    }
    m_done.notify_all();
    m_thread.join();
  }

 private:
  const char* m_what;
  std::mutex m_mutex;
  std::condition_variable m_done;
  bool m_disarmed = false;
  std::thread m_thread;
};

constexpr int kWrittenSlave = 1;
constexpr int kPolledSlave = 2;
constexpr int kWrittenRegister = 40011;
constexpr int kWrites = 200;

class ModbusWriteWireTest : public ::testing::TestWithParam<int> {
 protected:
  ModbusWriteWireTest() {
    peer.AddSlave(kWrittenSlave);
    peer.AddSlave(kPolledSlave);
    peer.SetValue(kPolledSlave, 40001, 7);
    peer.SetWireBaud(GetParam());
    polled = MakeItem(kPolledSlave, 40001, 20, 100);
  }
  ~ModbusWriteWireTest() override {
    master.StopAndClose();
    peer.Stop();
  }

  void Open() {
    peer.Start();
    ASSERT_EQ(master.Open(peer.PortPath()), 0);
    ASSERT_EQ(master.Setup(static_cast<DWORD>(GetParam()), 8, NOPARITY, ONESTOPBIT), 0);
    ASSERT_EQ(master.SetupHandshaking(CSerial::EHandshakeOff), 0);
    master.SetItems({polled.get()});
    master.SetOwnerEngine(window.Handle());
    master.SetItemReplyLength(0, 9);
  }

  // A write, judged by what the protocol can guarantee: a try whose reply
  // reached the master within the reply time makes the write done (a slave held
  // up past it by a busy machine looks like one that never answers), and every
  // request that went out reaches the slave. Whether the slave holds the value
  // as the write returns is not claimed: the late reply to an earlier write to
  // the same register, given up by the master, echoes the very same bytes.
  void WriteAndCheck(std::int32_t value) {
    const LineWatchingMaster::WriteOutcome outcome =
        master.WatchedWrite(kWrittenSlave, kWrittenRegister - 40000, value);
    if (outcome.tries == 0) ++notSent;
    else sentValues.push_back(value);
    if (outcome.answeredInTime && !outcome.done) ++answeredButFailed;
  }

  // Every value sent reaches the slave, in the order written.
  void ExpectEveryWriteCarriedOut() {
    auto received = [&] {
      const std::vector<std::int32_t> got = peer.WrittenValues(kWrittenSlave, kWrittenRegister);
      std::size_t next = 0;
      for (std::int32_t value : got) {
        if (next < sentValues.size() && value == sentValues[next]) ++next;
      }
      return next == sentValues.size();
    };
    EXPECT_TRUE(PumpUntil(received));
    EXPECT_EQ(notSent, 0);
    EXPECT_EQ(answeredButFailed, 0);
  }

  FakeEngine engine;
  RecordingWindow window;
  ModbusSlavePeer peer;
  std::unique_ptr<CSerialLinkerItem> polled;
  LineWatchingMaster master;
  std::vector<std::int32_t> sentValues;
  int notSent = 0;
  int answeredButFailed = 0;
};

// The engine root switches outputs off as the links start: each write comes
// while the polling thread is only beginning.
TEST_P(ModbusWriteWireTest, WritesRightAfterTheLinkStartsAreCarriedOutAndReportedDone) {
  HangWatchdog watchdog("writes right after the link starts", 120);
  Open();
  for (int round = 1; round <= kWrites; ++round) {
    ASSERT_TRUE(master.StartPolling());
    WriteAndCheck(round);
    master.GetPollThread()->Stop();
  }
  ExpectEveryWriteCarriedOut();
  EXPECT_FALSE(master.IsSyncMode());
}

// Writes landing at every phase of a second slave's polling, whose replies may
// be on the line when the write takes it.
TEST_P(ModbusWriteWireTest, WritesWhileASecondSlaveIsPolledAreCarriedOutAndReportedDone) {
  HangWatchdog watchdog("writes while a second slave is polled", 120);
  Open();
  ASSERT_TRUE(master.StartPolling());
  ASSERT_TRUE(PumpUntil([&] { return ValueOf(*polled) == 7.0f; }));
  for (int write = 1; write <= kWrites; ++write) {
    WriteAndCheck(1000 + write);
    // A changing pause, so that writes meet the poll in each of its phases.
    std::this_thread::sleep_for(std::chrono::microseconds(700 * (write % 11)));
    PumpPendingMessages();
  }
  ExpectEveryWriteCarriedOut();
  // The polling went on between the writes and took no write reply for its own.
  peer.SetValue(kPolledSlave, 40001, 8);
  EXPECT_TRUE(PumpUntil([&] { return ValueOf(*polled) == 8.0f; }));
  for (const auto& message : window.MessagesFor(polled.get())) EXPECT_TRUE(message.value == 7.0f || message.value == 8.0f);
}

INSTANTIATE_TEST_SUITE_P(WireBauds, ModbusWriteWireTest, ::testing::Values(9600, 38400),
                         [](const ::testing::TestParamInfo<int>& info) { return std::to_string(info.param); });

}  // namespace
