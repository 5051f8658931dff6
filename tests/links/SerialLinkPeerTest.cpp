// The serial link against a libmodbus slave on a pseudo-terminal, with real
// threads: the master's polling, the port's listener and the peer's server.
// The port is the one saved in the settings file, opened without the dialog.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "MasterRig.h"
#include "SerialLinkTestSupport.h"
#include "links/ModBusBase.h"
#include "links/SerialLinkerEngine.h"
#include "peer/ModbusSlavePeer.h"
#include "platform/base/Clock.h"
#include "platform/ui/WindowTimers.h"
#include "support/ScriptedMessageBox.h"
#include "support/StandardErrorCapture.h"

namespace {

// The system clock with ticks the test can move forward. It is installed for the
// whole test, before any thread of the link starts and after they all ended, and
// its Sleep really sleeps, so the master's threads and their stopping keep real time.
class ShiftedClock final : public IClock {
 public:
  ShiftedClock() : m_system(Clock()) { SetClock(this); }
  ~ShiftedClock() override { SetClock(nullptr); }
  std::uint32_t TickCount() override { return m_system.TickCount() + m_offset.load(); }
  DateTimeFields LocalNow() override { return m_system.LocalNow(); }
  void SleepMs(std::uint32_t ms) override { m_system.SleepMs(ms); }
  void Advance(std::uint32_t ms) { m_offset.fetch_add(ms); }

 private:
  IClock& m_system;
  std::atomic<std::uint32_t> m_offset{0};
};

class SerialLinkPeerTest : public ::testing::Test {
 protected:
  SerialLinkPeerTest() : root(temp.File("Plant-Setting.ini")) {
    root.SetDataCenter(&dataCenter);
    temp.Write("Plant-Setting.ini", "[SerialPortSetting]\nPortNumber=COM2\n");
    peer.AddSlave(1);
    peer.SetValue(1, 40001, 1234);
    peer.SetValue(1, 40003, 42);
    ports.Link("COM2", peer.PortPath());
    level = AddSerialTag(dataCenter, "Level", "MBRTU16-DA1-REG40001-FP2-UR20-TOB15");
    flow = AddSerialTag(dataCenter, "Flow", "MBRTU16-DA1-REG40003-FP0-UR20-TOB15", eIOInput);
  }
  ~SerialLinkPeerTest() override {
    if (link) {
      link->Stop();
      // The master's thread leaves before the device goes, as it did when the stop waited for it.
      for (int i = 0; i < 2000 && link->GetMaster() && !link->GetMaster()->HasLeft(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
    }
    peer.Stop();
  }

  bool Shows(CDCTag* tag, float value) {
    return PumpUntil([&] { return tag->GetValue().fltVal == value; });
  }
  // A stop returns at once and ends as the master's thread leaves: the window's loop runs until then.
  bool Stopped() { return PumpUntil([&] { return link->GetLinkState() == CHwLinkerEngine::LinkState::kStopped; }); }

  TempDir temp;
  ComPortFolder ports;
  ScriptedMessageBox boxes;
  RecordingExitHook exits;
  SerialTestEngineRoot root;
  CDataCenterBase dataCenter;
  ModbusSlavePeer peer;
  ShiftedClock clock;
  CDCTag* level = nullptr;
  CDCTag* flow = nullptr;
  CHwLinkerEngine::Owned<CSerialLinkerEngine> link = CHwLinkerEngine::Make<CSerialLinkerEngine>();
};

}  // namespace

TEST_F(SerialLinkPeerTest, TheSavedPortOpensAndReadingsReachTheirTagsScaled) {
  peer.Start();
  ASSERT_TRUE(link->Start());
  ASSERT_NE(link->GetMaster(), nullptr);
  EXPECT_TRUE(link->GetMaster()->IsOpen());
  EXPECT_EQ(link->GetMaster()->GetBaudRate(), 38400);
  EXPECT_EQ(link->GetMaster()->GetLongestReply(), 9);
  EXPECT_TRUE(Shows(level, 1234 / 10.0f / 10.0f));
  EXPECT_TRUE(Shows(flow, 42.0f));
  EXPECT_EQ(boxes.Count(), 0u);
  EXPECT_NE(temp.Read("Plant-Setting.ini").find("PortNumber=COM2"), std::string::npos);

  // A second start leaves the running master and its port alone.
  CModBusBase* master = link->GetMaster();
  EXPECT_TRUE(link->Start());
  EXPECT_EQ(link->GetMaster(), master);
  EXPECT_TRUE(master->IsOpen());
  peer.SetValue(1, 40003, 43);
  EXPECT_TRUE(Shows(flow, 43.0f));

  // Stopped and started again, the port opens anew and the first readings are published.
  link->Stop();
  ASSERT_TRUE(Stopped());
  EXPECT_EQ(link->GetMaster(), nullptr);
  ASSERT_TRUE(link->Start());
  EXPECT_TRUE(link->GetMaster()->IsOpen());
  peer.SetValue(1, 40003, 44);
  EXPECT_TRUE(Shows(flow, 44.0f));
}

TEST_F(SerialLinkPeerTest, ATagWriteReachesTheRegistersRoundedAndClearsThePendingMark) {
  peer.Start();
  ASSERT_TRUE(link->Start());
  ASSERT_TRUE(Shows(level, 12.34f));
  // 0.53 times 100 is 52.999996 in single precision: the slave must get 53.
  level->SetWritePending(TRUE);
  level->SetValue(Variant::R4(0.53f));
  EXPECT_TRUE(PumpUntil([&] { return peer.GetValue(1, 40001) == 53; }));
  EXPECT_TRUE(PumpUntil([&] { return !level->IsWritePending(); }));
  EXPECT_TRUE(Shows(level, 53 / 10.0f / 10.0f));
  level->SetWritePending(TRUE);
  level->SetValue(Variant::R4(-2.5f));
  EXPECT_TRUE(PumpUntil([&] { return peer.GetValue(1, 40001) == -250; }));
  EXPECT_TRUE(PumpUntil([&] { return !level->IsWritePending(); }));
}

TEST_F(SerialLinkPeerTest, AFailedWriteIsGivenUpAndACommandGoesOutEvenWhenItMatchesTheDevice) {
  peer.SetSilent(1, true);
  peer.SetValue(1, 40001, 777);
  peer.Start();
  ASSERT_TRUE(link->Start());
  // A command goes out although it matches what the device holds.
  level->SetValue(Variant::R4(7.77f));
  level->SetWritePending(TRUE);
  boxes.Expect(IDOK, "The command 7.77 for Level (device 1 on COM2) was given up: the device did not answer (3 tries).");
  EXPECT_EQ(link->OnTagMessage(level, eTagChangeValue), 0);
  // The silent slave never confirms: the command has not reached the device,
  // and the tag no longer waits for it.
  EXPECT_TRUE(PumpUntil([&] { return boxes.Pending() == 0; }));
  EXPECT_FALSE(level->IsWritePending());
  EXPECT_GT(link->GetItemAt(0)->GetErrorCount(), 0u);
  PumpPendingMessages();
  EXPECT_EQ(boxes.Pending(), 0u);
  // Its three tries heard while still silent (a busy machine may hold them in
  // the line until later).
  EXPECT_TRUE(PumpUntil([&] { return peer.WriteLog().size() >= 3; }));
  EXPECT_EQ(peer.GetValue(1, 40001), 777);

  // The next change of the tag tries again.
  peer.SetSilent(1, false);
  level->SetValue(Variant::R4(5.0f));
  EXPECT_TRUE(PumpUntil([&] { return peer.GetValue(1, 40001) == 500; }));
  EXPECT_TRUE(PumpUntil([&] { return !level->IsWritePending(); }));
  EXPECT_TRUE(Shows(level, 5.0f));
}

// A write the device refuses, or never answers, is given up: the tag shows the
// device's value again at once, the operator is told once, and the same value
// given again goes out.
TEST_F(SerialLinkPeerTest, ACommandTheDeviceRefusesOrNeverAnswersIsGivenUpAndTheDeviceShowsAgain) {
  peer.Start();
  ASSERT_TRUE(link->Start());
  ASSERT_TRUE(Shows(level, 12.34f));
  const struct {
    ModbusSlavePeer::Writes writes;
    const char* notice;
  } rounds[] = {
      {ModbusSlavePeer::Writes::Refused,
       "The command 5.5 for Level (device 1 on COM2) was given up: the device refused it (Modbus exception 4)."},
      {ModbusSlavePeer::Writes::Ignored, "The command 5.5 for Level (device 1 on COM2) was given up: the device did not answer (3 tries)."},
  };
  for (const auto& round : rounds) {
    SCOPED_TRACE(round.notice);
    boxes.Clear();
    peer.SetWrites(1, round.writes);
    boxes.Expect(IDOK, round.notice);
    level->SetWritePending(TRUE);
    level->SetValue(Variant::R4(5.5f));
    EXPECT_TRUE(PumpUntil([&] { return boxes.Pending() == 0; }));
    EXPECT_FLOAT_EQ(level->GetValue().fltVal, 12.34f);
    EXPECT_FALSE(level->IsWritePending());
    EXPECT_EQ(peer.GetValue(1, 40001), 1234);
    EXPECT_EQ(boxes.Count(), 1u);

    peer.SetWrites(1, ModbusSlavePeer::Writes::Taken);
    level->SetWritePending(TRUE);
    level->SetValue(Variant::R4(5.5f));
    EXPECT_TRUE(PumpUntil([&] { return peer.GetValue(1, 40001) == 550 && !level->IsWritePending(); }));
    peer.SetValue(1, 40001, 1234);
    EXPECT_TRUE(Shows(level, 12.34f));
    EXPECT_EQ(boxes.Count(), 1u);
  }
}

// A command still waiting when the link stops goes out before it stops (the
// outputs switched off as the plant leaves the hardware); one given while it
// is stopped is given up and told, and never written when the link starts again.
TEST_F(SerialLinkPeerTest, ACommandWaitingAtTheStopGoesOutFirstAndOneGivenWhileStoppedIsGivenUp) {
  peer.Start();
  ASSERT_TRUE(link->Start());
  ASSERT_TRUE(Shows(level, 12.34f));

  level->SetWritePending(TRUE);
  level->SetValue(Variant::R4(5.5f));  // its message is still queued
  // As the plant leaves the hardware: the data source first, then the link.
  root.SetDataSource(eDataSourceNone);
  link->Stop();
  ASSERT_TRUE(Stopped());
  EXPECT_EQ(peer.GetValue(1, 40001), 550);
  EXPECT_FALSE(level->IsWritePending());
  PumpPendingMessages();
  EXPECT_EQ(peer.WrittenValues(1, 40001), std::vector<std::int32_t>{550});
  root.SetDataSource(eDataSourceRealHW);

  level->SetWritePending(TRUE);
  level->SetValue(Variant::R4(6.5f));
  boxes.Expect(IDOK, "The command 6.5 for Level (device 1 on COM2) was given up: it was given while the link was stopped.");
  ASSERT_TRUE(link->Start());
  EXPECT_FALSE(level->IsWritePending());
  EXPECT_TRUE(PumpUntil([&] { return boxes.Pending() == 0; }));
  EXPECT_TRUE(Shows(level, 5.5f));
  // Another reading of the device after the start, and still nothing more written.
  peer.SetValue(1, 40003, 43);
  EXPECT_TRUE(Shows(flow, 43.0f));
  EXPECT_EQ(peer.WrittenValues(1, 40001), std::vector<std::int32_t>{550});
  EXPECT_EQ(boxes.Count(), 1u);
}

// The listener posts each reading; one may still wait in the queue when a
// command is given. Handled after the command, it must not take the command's
// place in the tag: the command goes out, and the tag shows it.
TEST_F(SerialLinkPeerTest, AReadingStillQueuedWhenACommandIsGivenDoesNotTakeItsPlace) {
  peer.Start();
  ASSERT_TRUE(link->Start());
  ASSERT_TRUE(Shows(level, 12.34f));
  auto* item = static_cast<CSerialLinkerItem*>(link->GetItemAt(0));
  ASSERT_EQ(item->GetDCTag(), level);
  level->SetWritePending(TRUE);
  level->SetValue(Variant::R4(5.5f));  // the command's message is now queued
  link->OnModbusMessage(reinterpret_cast<WPARAM>(item), 0);  // the device's old value
  EXPECT_FLOAT_EQ(level->GetValue().fltVal, 5.5f);
  EXPECT_TRUE(PumpUntil([&] { return peer.GetValue(1, 40001) == 550; }));
  EXPECT_TRUE(PumpUntil([&] { return !level->IsWritePending(); }));
  EXPECT_TRUE(Shows(level, 5.5f));

  // A command the slave never confirmed is given up: the tag shows what the
  // device has at once, and the next change tries again.
  peer.SetSilent(1, true);
  const std::size_t writesBefore = peer.WriteLog().size();
  boxes.Expect(IDOK, "The command 6.5 for Level (device 1 on COM2) was given up: the device did not answer (3 tries).");
  level->SetWritePending(TRUE);
  level->SetValue(Variant::R4(6.5f));
  EXPECT_TRUE(PumpUntil([&] { return item->GetErrorCount() > 0; }));
  // Its three tries heard while still silent (a busy machine may hold them in
  // the line until later).
  EXPECT_TRUE(PumpUntil([&] { return peer.WriteLog().size() >= writesBefore + 3; }));
  EXPECT_TRUE(Shows(level, 5.5f));
  EXPECT_FALSE(level->IsWritePending());
  peer.SetSilent(1, false);
  EXPECT_EQ(peer.GetValue(1, 40001), 550);
  EXPECT_TRUE(PumpUntil([&] { return boxes.Pending() == 0; }));
}

// The same for the very first reading: on a busy machine the link's threads may
// read the device and post its value before the UI thread gives the first
// command, which is then handled after that reading.
TEST_F(SerialLinkPeerTest, TheFirstReadingHandledAfterTheFirstCommandDoesNotTakeItsPlace) {
  peer.Start();
  ASSERT_TRUE(link->Start());
  auto* item = static_cast<CSerialLinkerItem*>(link->GetItemAt(0));
  ASSERT_EQ(item->GetDCTag(), level);
  // Read and posted by the link's threads, not yet handled: nothing is pumped here.
  for (int i = 0; i < 2000 && item->GetValue().IsEmpty(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ASSERT_FALSE(item->GetValue().IsEmpty());
  ASSERT_EQ(level->GetValue().fltVal, 0.0f);
  level->SetWritePending(TRUE);
  level->SetValue(Variant::R4(7.0f));
  link->OnModbusMessage(reinterpret_cast<WPARAM>(item), 0);  // the device's first reading
  ASSERT_FLOAT_EQ(level->GetValue().fltVal, 7.0f);
  EXPECT_TRUE(PumpUntil([&] { return peer.GetValue(1, 40001) == 700; }));
  EXPECT_TRUE(PumpUntil([&] { return !level->IsWritePending(); }));
  EXPECT_TRUE(Shows(level, 7.0f));
}

namespace {

// Waits, handling no message, until the link's threads have read `raw` for
// `item` and posted it: the answer after the one that stored it comes after the post.
bool ReadingPosted(const CHwLinkerItem& item, float raw) {
  auto holds = [&] {
    const Variant value = item.GetValue();
    return value.vt == VT_R4 && value.fltVal == raw;
  };
  for (int i = 0; i < 2000 && !holds(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  const DWORD answers = item.GetAnswerCount();
  for (int i = 0; i < 2000 && item.GetAnswerCount() == answers; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  return holds() && item.GetAnswerCount() != answers;
}

// As the plant gives a command: the value, then the write request.
void Command(CDCTag* tag, float value) {
  tag->SetValue(Variant::R4(value));
  tag->SetWritePending(TRUE);
}

}  // namespace

// A reading posted before the operator's commands and handled after them must
// not take their place, even when the last command goes back to the value the
// tag showed: the last command goes out.
TEST_F(SerialLinkPeerTest, TheLastCommandGoesOutThoughItEqualsTheValueShownBeforeAReadingHandledFirst) {
  peer.Start();
  ASSERT_TRUE(link->Start());
  const CHwLinkerItem& item = *link->GetItemAt(0);
  ASSERT_EQ(item.GetDCTag(), level);

  // At the link's start the tag holds 0 and the device 12.34.
  ASSERT_TRUE(ReadingPosted(item, 1234));
  ASSERT_EQ(level->GetValue().fltVal, 0.0f);
  Command(level, 7.0f);
  Command(level, 0.0f);
  EXPECT_TRUE(PumpUntil([&] { return peer.GetValue(1, 40001) == 0 && !level->IsWritePending(); }));
  EXPECT_EQ(level->GetValue().fltVal, 0.0f);

  // The tag shows 12.34; the device changes to 20.00.
  ASSERT_TRUE(PumpUntil([&] { return item.GetValue().fltVal == 0.0f; }));  // read back
  peer.SetValue(1, 40001, 1234);
  ASSERT_TRUE(Shows(level, 12.34f));
  peer.SetValue(1, 40001, 2000);
  ASSERT_TRUE(ReadingPosted(item, 2000));
  Command(level, 5.5f);
  Command(level, 12.34f);
  EXPECT_TRUE(PumpUntil([&] { return peer.GetValue(1, 40001) == 1234 && !level->IsWritePending(); }));
  EXPECT_TRUE(Shows(level, 12.34f));
  EXPECT_EQ(peer.GetValue(1, 40001), 1234);
}

TEST_F(SerialLinkPeerTest, ASilentSlaveIsFlaggedAfterThirtySecondsAndNothingAfterStop) {
  peer.SetSilent(1, true);
  peer.Start();
  ASSERT_TRUE(link->Start());
  link->OnQueryRateTimer();
  EXPECT_EQ(link->GetItemAt(0)->GetQueryRate(), 0.0f);
  // Not yet 30 s: nothing is judged.
  link->OnWatchdogTimer();
  EXPECT_EQ(boxes.Count(), 0u);
  clock.Advance(CSerialLinkerEngine::kWatchdogPeriodMs);
  boxes.Expect(IDOK, "The Query Rate of Tag is Zero!\nPlease check communication device.");
  link->OnWatchdogTimer();
  EXPECT_EQ(boxes.Count(), 1u);
  EXPECT_NE(boxes.Boxes()[0].text.find("Level"), std::string::npos);
  EXPECT_NE(boxes.Boxes()[0].text.find("Flow"), std::string::npos);

  link->Stop();
  clock.Advance(2 * CSerialLinkerEngine::kWatchdogPeriodMs);
  link->OnQueryRateTimer();
  link->OnWatchdogTimer();
  EXPECT_EQ(boxes.Count(), 1u);
}

// Two tags written one right after the other: the second waits its turn on the
// polling thread and goes out after the first write has its reply, never in
// the middle of it.
TEST_F(SerialLinkPeerTest, ATagWrittenDuringAnotherTagsWriteGoesOutAfterIt) {
  CDCTag* valve = AddSerialTag(dataCenter, "Valve", "MBRTU16-DA1-REG40021-FP0-UR20-TOB15");
  peer.Start();
  ASSERT_TRUE(link->Start());
  ASSERT_TRUE(Shows(level, 12.34f));
  std::vector<ModbusSlavePeer::WriteRequest> expected;
  for (int round = 1; round <= 5; ++round) {
    valve->SetWritePending(TRUE);
    valve->SetValue(Variant::R4(static_cast<float>(round)));
    level->SetWritePending(TRUE);
    level->SetValue(Variant::R4(static_cast<float>(round) + 0.5f));
    expected.push_back({1, 40021});
    expected.push_back({1, 40001});
    EXPECT_TRUE(PumpUntil([&] { return peer.GetValue(1, 40021) == round && peer.GetValue(1, 40001) == round * 100 + 50; }));
    EXPECT_TRUE(PumpUntil([&] { return !valve->IsWritePending() && !level->IsWritePending(); }));
  }
  // A try whose reply a busy machine held back past the reply time is sent
  // again: the same request twice in a row is one write.
  std::vector<ModbusSlavePeer::WriteRequest> writes = peer.WriteLog();
  writes.erase(std::unique(writes.begin(), writes.end()), writes.end());
  EXPECT_EQ(writes, expected);
  for (int i = 0; i < link->GetItemCount(); ++i) EXPECT_EQ(link->GetItemAt(i)->GetErrorCount(), 0u) << i;
}

namespace {

// Runs a call when its message arrives.
class CallOnMessage final : public IMessageTarget {
 public:
  explicit CallOnMessage(std::function<void()> call) : m_call(std::move(call)), m_handle(RegisterMessageTarget(this)) {}
  ~CallOnMessage() override { UnregisterMessageTarget(m_handle); }
  HWND Handle() const { return m_handle; }
  LRESULT DispatchMessageToTarget(UINT, WPARAM, LPARAM) override {
    m_call();
    return 0;
  }

 private:
  std::function<void()> m_call;
  HWND m_handle;
};

}  // namespace

// The data source leaving Real while the polling thread writes a command: the
// stop waits for that write, and the command still reaches the device.
TEST_F(SerialLinkPeerTest, ALinkStoppedWhileACommandIsWrittenStopsAfterIt) {
  peer.Start();
  ASSERT_TRUE(link->Start());
  ASSERT_TRUE(Shows(level, 12.34f));
  level->SetValue(Variant::R4(7.0f));
  level->SetWritePending(TRUE);
  EXPECT_EQ(link->OnTagMessage(level, eTagChangeValue), 0);
  root.SetDataSource(eDataSourceNone);
  EXPECT_TRUE(link->Stop());
  ASSERT_TRUE(Stopped());
  EXPECT_EQ(link->GetMaster(), nullptr);
  EXPECT_FALSE(link->IsLinkRunning());
  EXPECT_FALSE(level->IsWritePending());
  EXPECT_EQ(peer.GetValue(1, 40001), 700);
  PumpPendingMessages();
  EXPECT_EQ(boxes.Count(), 0u);
}

// The same while the link is then released (the engine root's shut-down at the
// close): a tag written just before (outputs going off) is still written
// after the command under way, before the port closes.
TEST_F(SerialLinkPeerTest, ALinkReleasedWhileACommandIsWrittenWritesTheOutputsOffFirst) {
  CDCTag* valve = AddSerialTag(dataCenter, "Valve", "MBRTU16-DA1-REG40021-FP0-UR20-TOB15");
  peer.Start();
  ASSERT_TRUE(link->Start());
  ASSERT_TRUE(Shows(level, 12.34f));
  valve->SetWritePending(TRUE);
  valve->SetValue(Variant::R4(1.0f));
  // Its own outcome handled, the tag shows it: a reading taken before the write
  // may end the mark and show the old 0 first, and the off given then would
  // be no change of the tag's value, no command at all.
  ASSERT_TRUE(PumpUntil([&] {
    return peer.GetValue(1, 40021) == 1 && !valve->IsWritePending() && valve->GetValue().fltVal == 1.0f;
  }));
  level->SetValue(Variant::R4(7.0f));
  level->SetWritePending(TRUE);
  EXPECT_EQ(link->OnTagMessage(level, eTagChangeValue), 0);
  // Outputs off, then the link stopped and released, as the close does.
  valve->SetWritePending(TRUE);
  valve->SetValue(Variant::R4(0.0f));
  root.SetDataSource(eDataSourceNone);
  link->Stop();
  link.reset();
  EXPECT_FALSE(level->IsWritePending());
  EXPECT_FALSE(valve->IsWritePending());
  EXPECT_EQ(peer.GetValue(1, 40001), 700);
  EXPECT_EQ(peer.GetValue(1, 40021), 0);
  PumpPendingMessages();
  EXPECT_EQ(boxes.Count(), 0u);
}

// An exception reply is the device's definite answer: the command is given up
// after that one request, never asked again.
TEST_F(SerialLinkPeerTest, ACommandTheDeviceRefusesIsAskedOnce) {
  peer.SetWrites(1, ModbusSlavePeer::Writes::Refused);
  peer.Start();
  ASSERT_TRUE(link->Start());
  ASSERT_TRUE(Shows(level, 12.34f));
  boxes.Expect(IDOK, "The command 5.5 for Level (device 1 on COM2) was given up: the device refused it (Modbus exception 4).");
  level->SetWritePending(TRUE);
  level->SetValue(Variant::R4(5.5f));
  EXPECT_TRUE(PumpUntil([&] { return boxes.Pending() == 0; }));
  EXPECT_EQ(peer.WriteLog().size(), 1u);
}

// Each refused command went out and is told, however the tag's earlier ones went.
TEST_F(SerialLinkPeerTest, EachCommandTheDeviceRefusesIsTold) {
  peer.SetWrites(1, ModbusSlavePeer::Writes::Refused);
  peer.Start();
  ASSERT_TRUE(link->Start());
  ASSERT_TRUE(Shows(level, 12.34f));
  const std::pair<float, const char*> commands[] = {
      {5.5f, "The command 5.5 for Level (device 1 on COM2) was given up: the device refused it (Modbus exception 4)."},
      {6.5f, "The command 6.5 for Level (device 1 on COM2) was given up: the device refused it (Modbus exception 4)."}};
  for (const auto& [command, told] : commands) {
    boxes.Expect(IDOK, told);
    level->SetWritePending(TRUE);
    level->SetValue(Variant::R4(command));
    EXPECT_TRUE(PumpUntil([&] { return boxes.Pending() == 0; }));
  }
  EXPECT_EQ(boxes.Count(), 2u);
}

// A stop with a silent device does not wait out every command's tries: once one
// went unanswered, the rest to that device are given up at once and told in one
// notice; another device on the line is still written.
TEST_F(SerialLinkPeerTest, AStopWithASilentDeviceTriesOneCommandAndGivesTheRestUpTogether) {
  peer.AddSlave(2);
  std::vector<CDCTag*> outputs;
  for (int i = 1; i <= 8; ++i) {
    outputs.push_back(AddSerialTag(dataCenter, "Out" + std::to_string(i),
                                   "MBRTU16-DA1-REG" + std::to_string(40020 + 2 * i) + "-FP0-UR20-TOB15"));
  }
  CDCTag* other = AddSerialTag(dataCenter, "Other", "MBRTU16-DA2-REG40001-FP0-UR20-TOB15");
  peer.Start();
  ASSERT_TRUE(link->Start());
  ASSERT_TRUE(Shows(level, 12.34f));
  peer.SetSilent(1, true);
  for (std::size_t i = 0; i < outputs.size(); ++i) outputs[i]->SetValue(Variant::R4(static_cast<float>(i + 1)));
  other->SetValue(Variant::R4(9.0f));
  root.SetDataSource(eDataSourceNone);
  boxes.Expect(IDOK, "The command 1 for Out1 (device 1 on COM2) was given up: the device did not answer (3 tries).");
  // A handful named in the box, the rest counted; all of them on the standard error output.
  boxes.Expect(IDOK,
               "The commands 2 for Out2, 3 for Out3, 4 for Out4, 5 for Out5, 6 for Out6 and 2 more were given up: "
               "the device did not answer (device 1 on COM2). Their tags show the device's value again. Check that "
               "device 1 on COM2 is on and wired to the port, then give the commands again while the data source is "
               "Real.");
  StandardErrorCapture errors;
  link->Stop();
  EXPECT_TRUE(PumpUntil([&] { return boxes.Pending() == 0 && peer.GetValue(2, 40001) == 9; }));
  EXPECT_NE(errors.Text().find("The commands 2 for Out2, 3 for Out3, 4 for Out4, 5 for Out5, 6 for Out6, 7 for Out7, "
                               "8 for Out8 were given up: the device did not answer (device 1 on COM2)."),
            std::string::npos);
  const std::vector<ModbusSlavePeer::WriteRequest> writes = peer.WriteLog();
  EXPECT_EQ(std::count_if(writes.begin(), writes.end(), [](const auto& write) { return write.slave == 1; }), 3);
  for (CDCTag* output : outputs) EXPECT_FALSE(output->IsWritePending()) << output->GetTagName();
  EXPECT_EQ(boxes.Count(), 2u);
}

// A silent device is told once per outage, naming the port, the device and its
// tags, not once per tag every 30 s; after it answered, a new outage is told again.
TEST_F(SerialLinkPeerTest, ASilentDeviceIsToldOncePerOutageNamingThePortTheDeviceAndItsTags) {
  AddSerialTag(dataCenter, "Valve", "MBRTU16-DA1-REG40021-FP0-UR20-TOB15");
  peer.SetSilent(1, true);
  peer.Start();
  ASSERT_TRUE(link->Start());
  const std::string notice =
      "The Query Rate of Tag is Zero!\nPlease check communication device.\n\nDevice 1 on COM2 does not answer. Its "
      "tags: Level, Flow, Valve.";
  auto judge = [&] {
    clock.Advance(CSerialLinkerEngine::kWatchdogPeriodMs);
    link->OnQueryRateTimer();
    link->OnWatchdogTimer();
  };
  boxes.Expect(IDOK, notice);
  for (int i = 0; i < 3; ++i) judge();  // 90 s
  EXPECT_EQ(boxes.Count(), 1u);

  peer.SetSilent(1, false);
  ASSERT_TRUE(Shows(level, 12.34f));
  judge();
  EXPECT_EQ(boxes.Count(), 1u);
  peer.SetSilent(1, true);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the last answers in flight arrive
  link->OnQueryRateTimer();  // counted from here
  boxes.Expect(IDOK, notice);
  judge();
  EXPECT_EQ(boxes.Count(), 2u);
}

// A tag on a register the device does not have (the device refuses its read)
// is told while the device answers its other tags, once per outage.
TEST_F(SerialLinkPeerTest, ATagWhoseReadTheDeviceRefusesIsToldWhileItsDeviceAnswersTheOthers) {
  AddSerialTag(dataCenter, "Wrong", "MBRTU16-DA1-REG45001-FP0-UR20-TOB15", eIOInput);
  peer.Start();
  ASSERT_TRUE(link->Start());
  // The test times the link's measures itself.
  KillWindowTimer(link->GetSafeHwnd(), CHwLinkerEngine::kQueryRateTimerId);
  KillWindowTimer(link->GetSafeHwnd(), CHwLinkerEngine::kWatchdogTimerId);
  ASSERT_TRUE(Shows(level, 12.34f));
  auto* wrong = static_cast<CSerialLinkerItem*>(link->GetItemAt(2));
  auto refusedAgain = [&] {
    const std::uint64_t before = wrong->GetReadsRefused();
    return PumpUntil([&] { return wrong->GetReadsRefused() >= before + 3; });
  };
  auto judge = [&] {
    clock.Advance(CSerialLinkerEngine::kWatchdogPeriodMs);
    link->OnQueryRateTimer();
    link->OnWatchdogTimer();
  };
  // Each period as the watch sees one: the tags read and refused a few times in
  // it (the test's periods last only as long as that takes), so that a reply a
  // busy machine held past its band is not the most of what a tag had.
  auto periodPolled = [&] {
    const std::uint64_t levelBefore = static_cast<CSerialLinkerItem*>(link->GetItemAt(0))->GetReadings();
    const std::uint64_t flowBefore = static_cast<CSerialLinkerItem*>(link->GetItemAt(1))->GetReadings();
    return refusedAgain() && PumpUntil([&] {
             return static_cast<CSerialLinkerItem*>(link->GetItemAt(0))->GetReadings() >= levelBefore + 3 &&
                    static_cast<CSerialLinkerItem*>(link->GetItemAt(1))->GetReadings() >= flowBefore + 3;
           });
  };
  ASSERT_TRUE(periodPolled());
  boxes.Expect(IDOK,
               "Hardware Linker Engine Error: The Query Rate of Tag is Zero!\nPlease check communication device.\n\n"
               "Device 1 on COM2 answers, but refuses to read its tags: Wrong.");
  judge();
  EXPECT_EQ(boxes.Count(), 1u);
  ASSERT_TRUE(periodPolled());
  judge();  // the same outage
  EXPECT_EQ(boxes.Count(), 1u);
}

// A slave too slow for one read's time-out holds its reply back until it is
// next spoken to, then sends it just before the reply to that request. A read
// reply names no register: that reply is never taken for another tag's read.
TEST_F(SerialLinkPeerTest, AReplyHeldPastItsTimeOutIsNeverShownOnTheNextTagOfItsSlave) {
  peer.AddSlave(2);
  peer.SetValue(2, 40011, 5555);
  peer.SetValue(2, 40013, 77);
  CDCTag* tank = AddSerialTag(dataCenter, "Tank", "MBRTU16-DA2-REG40011-FP0-UR5000-TOB100", eIOInput);
  CDCTag* pump = AddSerialTag(dataCenter, "Pump", "MBRTU16-DA2-REG40013-FP0-UR5000-TOB100", eIOInput);
  peer.HoldNextReadReply(2, 40011);  // Tank's first read
  peer.Start();
  ASSERT_TRUE(link->Start());
  auto* pumpItem = static_cast<CSerialLinkerItem*>(link->GetItemAt(3));
  ASSERT_EQ(pumpItem->GetDCTag(), pump);
  // Pump's first reading stays five seconds: whatever it took is there to see.
  ASSERT_TRUE(PumpUntil([&] { return !pumpItem->GetValue().IsEmpty(); }));
  EXPECT_EQ(ValueOf(*pumpItem), 77.0f);
  PumpPendingMessages();
  EXPECT_NE(pump->GetValue().fltVal, 5555.0f);
  EXPECT_TRUE(Shows(pump, 77.0f));
  EXPECT_TRUE(Shows(tank, 5555.0f));
  EXPECT_EQ(peer.HeldRepliesSent(), 1);
  EXPECT_GE(link->GetMaster()->GetDroppedReplies(2), 1u);
  EXPECT_EQ(pumpItem->GetErrorCount(), 0u);
}

// On a line kept at 9 600-baud wire time, a slave whose replies to one tag come
// after that tag's time-out, refuses another tag's register and passes over a
// third: the late value reaches no other tag, the refusal is counted on its own
// tag, and the box names each tag for what befell it.
TEST_F(SerialLinkPeerTest, LateRepliesReachNoOtherTagAndTheBoxNamesTheTagsRefusedUnansweredAndLate) {
  temp.Write("Plant-Setting.ini", "[SerialPortSetting]\nPortNumber=COM2\nBuadRate=9600\n");
  level->SetHWType(eHWNull);  // this test's own tags only
  flow->SetHWType(eHWNull);
  peer.SetWireBaud(9600);
  peer.SetValue(1, 40011, 1111);
  peer.SetValue(1, 40013, 33);
  peer.SetValue(1, 40015, 4444);
  // A read takes some 21 ms on the wire; Late's replies come 150 ms after that.
  peer.SetReadReplies(1, 40011, 150);
  peer.SetReadReplies(1, 40015, 0, true);
  AddSerialTag(dataCenter, "Late", "MBRTU16-DA1-REG40011-FP0-UR200-TOB100", eIOInput);
  CDCTag* refused = AddSerialTag(dataCenter, "Refused", "MBRTU16-DA1-REG45001-FP0-UR200-TOB100", eIOInput);
  CDCTag* good = AddSerialTag(dataCenter, "Good", "MBRTU16-DA1-REG40013-FP0-UR200-TOB100", eIOInput);
  CDCTag* mute = AddSerialTag(dataCenter, "Mute", "MBRTU16-DA1-REG40015-FP0-UR200-TOB100", eIOInput);
  peer.Start();
  ASSERT_TRUE(link->Start());
  ASSERT_EQ(link->GetItemCount(), 4);
  // The test times the link's measures itself.
  KillWindowTimer(link->GetSafeHwnd(), CHwLinkerEngine::kQueryRateTimerId);
  KillWindowTimer(link->GetSafeHwnd(), CHwLinkerEngine::kWatchdogTimerId);
  auto item = [&](int index) { return static_cast<CSerialLinkerItem*>(link->GetItemAt(index)); };
  // Each tag asked a few times, Late more.
  ASSERT_TRUE(PumpUntil([&] {
    for (int i = 0; i < 4; ++i) {
      if (item(i)->GetReadsAsked() < (i == 0 ? 6u : 4u)) return false;
    }
    return true;
  }));
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  // The device answers within the query rate's last measure.
  link->OnQueryRateTimer();
  const std::uint64_t goodReadings = item(2)->GetReadings();
  ASSERT_TRUE(PumpUntil([&] { return item(2)->GetReadings() > goodReadings; }));
  EXPECT_TRUE(Shows(good, 33.0f));
  EXPECT_EQ(item(1)->GetReadings(), 0u);
  EXPECT_EQ(item(3)->GetReadings(), 0u);
  EXPECT_EQ(item(2)->GetReadsRefused(), 0u);
  EXPECT_EQ(item(3)->GetReadsRefused(), 0u);
  EXPECT_EQ(refused->GetValue().fltVal, 0.0f);
  EXPECT_EQ(mute->GetValue().fltVal, 0.0f);

  clock.Advance(CSerialLinkerEngine::kWatchdogPeriodMs);
  link->OnQueryRateTimer();
  boxes.Expect(IDOK,
               "Hardware Linker Engine Error: The Query Rate of Tag is Zero!\nPlease check communication device.\n\n"
               "Device 1 on COM2 answers, but not for its tags: Mute. It refuses to read its tags: Refused. It answers "
               "later than its time-out of 100 ms: raise TOB in the tag file.");
  link->OnWatchdogTimer();
  EXPECT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(mute->GetValue().fltVal, 0.0f);
  EXPECT_EQ(good->GetValue().fltVal, 33.0f);
}

// A silent device with 42 tags: the box names a handful, the standard error
// output every one.
TEST_F(SerialLinkPeerTest, TheOutageBoxOfADeviceWithManyTagsNamesAHandfulAndTheStandardErrorAll) {
  for (int i = 3; i <= 42; ++i) {
    AddSerialTag(dataCenter, "Tag" + std::to_string(i),
                 "MBRTU16-DA1-REG" + std::to_string(40001 + 2 * i) + "-FP0-UR20-TOB15", eIOInput);
  }
  peer.SetSilent(1, true);
  peer.Start();
  ASSERT_TRUE(link->Start());
  link->OnQueryRateTimer();
  clock.Advance(CSerialLinkerEngine::kWatchdogPeriodMs);
  boxes.Expect(IDOK, "Device 1 on COM2 does not answer. Its tags: Level, Flow, Tag3, Tag4, Tag5 and 37 more.");
  StandardErrorCapture standardError;
  link->OnWatchdogTimer();
  const std::string reported = standardError.Text();
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text.find("Tag6"), std::string::npos);
  EXPECT_NE(reported.find("Device 1 on COM2 does not answer. Its tags: Level, Flow, Tag3, Tag4, Tag5, Tag6, "),
            std::string::npos);
  EXPECT_NE(reported.find(", Tag41, Tag42."), std::string::npos);
}

// A value given to an output while no data source runs (None) reaches no
// device: the next start gives it up and tells so, once.
TEST_F(SerialLinkPeerTest, ACommandGivenUnderNoneIsToldGivenUpAtTheNextStartOnce) {
  peer.Start();
  ASSERT_TRUE(link->Start());
  ASSERT_TRUE(Shows(level, 12.34f));
  root.SetDataSource(eDataSourceNone);
  link->Stop();
  level->SetValue(Variant::R4(8.5f));  // as the tag scout gives it: no write mark without the hardware
  root.SetDataSource(eDataSourceRealHW);
  boxes.Expect(IDOK, "The command 8.5 for Level (device 1 on COM2) was given up: it was given while the link was stopped.");
  ASSERT_TRUE(link->Start());
  EXPECT_TRUE(PumpUntil([&] { return boxes.Pending() == 0; }));
  EXPECT_TRUE(Shows(level, 12.34f));
  link->Stop();
  ASSERT_TRUE(link->Start());
  peer.SetValue(1, 40003, 43);
  EXPECT_TRUE(Shows(flow, 43.0f));
  PumpPendingMessages();
  EXPECT_EQ(boxes.Count(), 1u);
  EXPECT_TRUE(peer.WrittenValues(1, 40001).empty());
}

// A notice of a command that never went out (given under None, told at the
// start; one the registers cannot hold) leaves the next command, sent and left
// unanswered, told on its own.
TEST_F(SerialLinkPeerTest, ACommandUnansweredAfterOneThatNeverWentOutIsToldToo) {
  peer.Start();
  ASSERT_TRUE(link->Start());
  ASSERT_TRUE(Shows(level, 12.34f));
  root.SetDataSource(eDataSourceNone);
  link->Stop();
  level->SetValue(Variant::R4(8.5f));
  root.SetDataSource(eDataSourceRealHW);
  boxes.Expect(IDOK, "The command 8.5 for Level (device 1 on COM2) was given up: it was given while the link was stopped.");
  ASSERT_TRUE(link->Start());
  ASSERT_TRUE(PumpUntil([&] { return boxes.Pending() == 0; }));

  peer.SetWrites(1, ModbusSlavePeer::Writes::Ignored);
  boxes.Expect(IDOK, "The command 9.5 for Level (device 1 on COM2) was given up: the device did not answer (3 tries).");
  level->SetWritePending(TRUE);
  level->SetValue(Variant::R4(9.5f));
  ASSERT_TRUE(PumpUntil([&] { return !level->IsWritePending(); }));
  PumpPendingMessages();  // the notice, posted as the command was given up
  EXPECT_EQ(boxes.Count(), 2u);

  peer.SetWrites(1, ModbusSlavePeer::Writes::Taken);
  level->SetWritePending(TRUE);
  level->SetValue(Variant::R4(7.5f));
  ASSERT_TRUE(PumpUntil([&] { return !level->IsWritePending(); }));
  peer.SetWrites(1, ModbusSlavePeer::Writes::Ignored);
  boxes.Expect(IDOK, "for Level (device 1 on COM2) was given up: the device's registers cannot hold it.");
  boxes.Expect(IDOK, "The command 10.5 for Level (device 1 on COM2) was given up: the device did not answer (3 tries).");
  for (const float value : {3.0e7f, 10.5f}) {
    level->SetWritePending(TRUE);
    level->SetValue(Variant::R4(value));
    ASSERT_TRUE(PumpUntil([&] { return !level->IsWritePending(); }));
    PumpPendingMessages();
  }
  EXPECT_EQ(boxes.Count(), 4u);
  EXPECT_EQ(boxes.Pending(), 0u);
}

// Handed over is not written: a reading posted after the hand-over, before the
// command's outcome, is not shown over the command and leaves its write mark.
TEST_F(SerialLinkPeerTest, AReadingPostedAfterTheHandOverLeavesTheCommandAndItsMark) {
  peer.Start();
  ASSERT_TRUE(link->Start());
  ASSERT_TRUE(Shows(level, 12.34f));
  auto* item = static_cast<CSerialLinkerItem*>(link->GetItemAt(0));
  Command(level, 5.5f);
  EXPECT_EQ(link->OnTagMessage(level, eTagChangeValue), 0);  // handed over
  // No message is handled in between: the command's outcome cannot have come.
  link->OnModbusMessage(reinterpret_cast<WPARAM>(item), 0);
  EXPECT_FLOAT_EQ(level->GetValue().fltVal, 5.5f);
  EXPECT_TRUE(level->IsWritePending());
  // Its own outcome ends the mark.
  EXPECT_TRUE(PumpUntil([&] { return !level->IsWritePending(); }));
  EXPECT_EQ(peer.GetValue(1, 40001), 550);
  EXPECT_TRUE(Shows(level, 5.5f));
  EXPECT_EQ(boxes.Count(), 0u);
}

// A pulse (1, then 0) given while the polling thread is busy with another,
// silent device reaches its device as 1 then 0: a later command of a tag
// never takes the place of one still waiting.
TEST_F(SerialLinkPeerTest, APulseGivenWhileThePollerIsBusyReachesTheDeviceAsOneThenZero) {
  peer.AddSlave(2);
  peer.SetSilent(2, true);
  CDCTag* pump = AddSerialTag(dataCenter, "Pump", "MBRTU16-DA2-REG40001-FP0-UR20-TOB15");
  CDCTag* valve = AddSerialTag(dataCenter, "Valve", "MBRTU16-DA1-REG40021-FP0-UR20-TOB15");
  peer.Start();
  ASSERT_TRUE(link->Start());
  ASSERT_TRUE(Shows(level, 12.34f));
  boxes.Expect(IDOK, "The command 1 for Pump (device 2 on COM2) was given up: the device did not answer (3 tries).");
  // The pump's command holds the poller for its three tries while the pulse is given.
  Command(pump, 1.0f);
  EXPECT_EQ(link->OnTagMessage(pump, eTagChangeValue), 0);
  Command(valve, 1.0f);
  EXPECT_EQ(link->OnTagMessage(valve, eTagChangeValue), 0);
  Command(valve, 0.0f);
  EXPECT_EQ(link->OnTagMessage(valve, eTagChangeValue), 0);
  EXPECT_TRUE(PumpUntil([&] { return !valve->IsWritePending() && !pump->IsWritePending(); }));
  EXPECT_EQ(peer.WrittenValues(1, 40021), (std::vector<std::int32_t>{1, 0}));
  EXPECT_FLOAT_EQ(valve->GetValue().fltVal, 0.0f);
  EXPECT_TRUE(PumpUntil([&] { return boxes.Pending() == 0; }));
}

// A command given up while no value of its device is known (the tag not read
// yet since the start) leaves the tag showing the device's value: its register
// is read before the other tags, not after the rest of the round.
TEST_F(SerialLinkPeerTest, ACommandGivenUpBeforeItsTagWasReadHasItsRegisterReadFirst) {
  peer.AddSlave(2);
  peer.SetSilent(2, true);
  peer.AddSlave(3);
  peer.SetValue(3, 40021, 5);
  peer.SetWrites(3, ModbusSlavePeer::Writes::Refused);
  // Six silent tags, each waited for 1 s on every round, before the valve.
  for (int i = 1; i <= 6; ++i) {
    AddSerialTag(dataCenter, "Silent" + std::to_string(i),
                 "MBRTU16-DA2-REG" + std::to_string(40001 + 2 * i) + "-FP0-UR3000-TOB1000", eIOInput);
  }
  CDCTag* valve = AddSerialTag(dataCenter, "Valve", "MBRTU16-DA3-REG40021-FP1-UR3000-TOB100");
  peer.Start();
  ASSERT_TRUE(link->Start());
  auto* item = static_cast<CSerialLinkerItem*>(link->FindItem(valve));
  ASSERT_NE(item, nullptr);
  boxes.Expect(IDOK, "The command 9 for Valve (device 3 on COM2) was given up: the device refused it (Modbus exception 4).");
  Command(valve, 9.0f);
  EXPECT_EQ(link->OnTagMessage(valve, eTagChangeValue), 0);
  ASSERT_TRUE(PumpUntil([&] { return !valve->IsWritePending(); }));
  ASSERT_TRUE(item->GetValue().IsEmpty()) << "the round reached the valve before its command";
  const int silentAsked = peer.RequestsFor(2);
  EXPECT_TRUE(Shows(valve, 0.5f));
  // At most the poll in flight as the command was given up (and one the busy
  // machine let the peer count late) came first, not the rest of the round.
  EXPECT_LE(peer.RequestsFor(2) - silentAsked, 2);
  EXPECT_EQ(peer.GetValue(3, 40021), 5);
  EXPECT_TRUE(PumpUntil([&] { return boxes.Pending() == 0; }));
}

// A "given up" box is in the operator's words: the command, the tag, its device
// and port, what happened, what the tag shows and what to do. The tag's details
// go to the standard error output.
TEST_F(SerialLinkPeerTest, AGivenUpBoxNamesTheTagDeviceAndPortAndWhatToDo) {
  peer.SetWrites(1, ModbusSlavePeer::Writes::Refused);
  peer.Start();
  ASSERT_TRUE(link->Start());
  ASSERT_TRUE(Shows(level, 12.34f));
  boxes.Expect(IDOK);
  StandardErrorCapture errors;
  Command(level, 5.5f);
  ASSERT_TRUE(PumpUntil([&] { return boxes.Count() == 1; }));
  EXPECT_EQ(boxes.Boxes()[0].text,
            "Hardware Linker Engine Error: The command 5.5 for Level (device 1 on COM2) was given up: the device "
            "refused it (Modbus exception 4). Level shows the device's value again. Check that device 1 has register "
            "40001 and takes this value, then give the command again.");
  const std::string details = errors.Text();
  EXPECT_NE(details.find("Hardware Linker Engine: The command 5.5 for Level (device 1 on COM2) was given up"),
            std::string::npos);
  EXPECT_NE(details.find("AccessPath: MBRTU16-DA1-REG40001-FP2-UR20-TOB15"), std::string::npos);
  EXPECT_NE(details.find("LineNumberInDCTFile: 1"), std::string::npos);

  // Told once per tag until a command to it goes out.
  peer.SetWrites(1, ModbusSlavePeer::Writes::Taken);
  Command(level, 7.5f);
  ASSERT_TRUE(PumpUntil([&] { return !level->IsWritePending(); }));
  peer.SetWrites(1, ModbusSlavePeer::Writes::Ignored);
  boxes.Expect(IDOK,
               "Hardware Linker Engine Error: The command 6.5 for Level (device 1 on COM2) was given up: the device did "
               "not answer (3 tries). Level shows the device's value again. Check that device 1 is on, wired to COM2 "
               "and set to address 1, then give the command again.");
  Command(level, 6.5f);
  EXPECT_TRUE(PumpUntil([&] { return boxes.Pending() == 0; }));
  EXPECT_TRUE(Shows(level, 7.5f));
}

// The window's thread hands commands over and never waits for the line: the
// link's stop takes no command given after it returned, and no start, stop or
// command runs inside another one's wait.
class SerialLinkLifeTest : public SerialLinkPeerTest {};

// A value given under None after the stop returned is never written, even
// when the stop came while another command was on its way to the device.
TEST_F(SerialLinkLifeTest, AValueGivenAfterTheStopReturnedIsNeverWritten) {
  peer.Start();
  ASSERT_TRUE(link->Start());
  ASSERT_TRUE(Shows(level, 12.34f));
  bool stopped = false;
  CallOnMessage leaveReal([&] {
    root.SetDataSource(eDataSourceNone);
    stopped = link->Stop() != FALSE;
    level->SetValue(Variant::R4(5.0f));  // under None, after the stop returned
  });
  level->SetValue(Variant::R4(1.0f));
  level->SetWritePending(TRUE);
  PostMessage(leaveReal.Handle(), WM_USER, 0, 0);
  EXPECT_EQ(link->OnTagMessage(level, eTagChangeValue), 0);
  EXPECT_TRUE(PumpUntil([&] { return stopped; }));
  ASSERT_TRUE(Stopped());
  PumpPendingMessages();
  EXPECT_EQ(peer.WrittenValues(1, 40001), std::vector<std::int32_t>{100});
}

// A second choice of Real while the stop writes the command waiting at it (the
// device silent): the start comes after the stop, and a start that says TRUE
// leaves the link running with its master polling.
TEST_F(SerialLinkLifeTest, AStartAskedWhileTheStopWritesToASilentDeviceRunsAfterItAndPolls) {
  peer.Start();
  ASSERT_TRUE(link->Start());
  ASSERT_TRUE(Shows(level, 12.34f));
  peer.SetSilent(1, true);
  level->SetValue(Variant::R4(7.0f));
  level->SetWritePending(TRUE);
  bool asked = false;
  bool started = false;
  CallOnMessage chooseReal([&] {
    root.SetDataSource(eDataSourceRealHW);
    started = link->Start() != FALSE;
    asked = true;
  });
  PostMessage(chooseReal.Handle(), WM_USER, 0, 0);
  root.SetDataSource(eDataSourceNone);
  boxes.Expect(IDOK, "The command 7 for Level (device 1 on COM2) was given up: the device did not answer (3 tries).");
  link->Stop();
  boxes.SetOnShow([&](const std::string&) { peer.SetSilent(1, false); });
  ASSERT_TRUE(PumpUntil([&] { return asked && boxes.Pending() == 0 && link->IsLinkRunning(); }));
  EXPECT_TRUE(started);
  ASSERT_NE(link->GetMaster(), nullptr);
  peer.SetValue(1, 40003, 43);
  EXPECT_TRUE(Shows(flow, 43.0f));
}

// The same while the stop waits for the polling thread to leave (no command waiting).
TEST_F(SerialLinkLifeTest, AStartAskedWhileTheStopWaitsForThePollingThreadRunsAfterItAndPolls) {
  peer.Start();
  ASSERT_TRUE(link->Start());
  ASSERT_TRUE(Shows(level, 12.34f));
  bool asked = false;
  bool started = false;
  CallOnMessage chooseReal([&] {
    root.SetDataSource(eDataSourceRealHW);
    started = link->Start() != FALSE;
    asked = true;
  });
  PostMessage(chooseReal.Handle(), WM_USER, 0, 0);
  root.SetDataSource(eDataSourceNone);
  link->Stop();
  ASSERT_TRUE(PumpUntil([&] { return asked && link->IsLinkRunning(); }));
  EXPECT_TRUE(started);
  ASSERT_NE(link->GetMaster(), nullptr);
  peer.SetValue(1, 40003, 43);
  EXPECT_TRUE(Shows(flow, 43.0f));
}

// On a slow line a silent device takes its three tries a while: meanwhile the
// window's timers keep firing and a menu choice posted then is taken.
TEST_F(SerialLinkLifeTest, TheWindowAnswersWhileACommandIsTriedOnASlowLineWithASilentDevice) {
  temp.Write("Plant-Setting.ini", "[SerialPortSetting]\nPortNumber=COM2\nBuadRate=1200\n");
  peer.SetSilent(1, true);
  peer.Start();
  ASSERT_TRUE(link->Start());
  ASSERT_EQ(link->GetMaster()->GetBaudRate(), 1200);
  int ticksWhileTried = 0;
  bool choiceTakenWhileTried = false;
  CallOnMessage menuChoice([&] { choiceTakenWhileTried = level->IsWritePending() != FALSE; });
  CallOnMessage window([&] {
    if (!level->IsWritePending()) return;
    if (++ticksWhileTried == 1) PostMessage(menuChoice.Handle(), WM_COMMAND, 0, 0);
  });
  ASSERT_NE(SetWindowTimer(window.Handle(), 1, 10), 0u);
  boxes.Expect(IDOK, "The command 7 for Level (device 1 on COM2) was given up: the device did not answer (3 tries).");
  level->SetValue(Variant::R4(7.0f));
  level->SetWritePending(TRUE);
  EXPECT_EQ(link->OnTagMessage(level, eTagChangeValue), 0);  // as the window's loop hands it the tag's message
  EXPECT_TRUE(PumpUntil([&] { return boxes.Pending() == 0; }));
  KillWindowTimer(window.Handle(), 1);
  EXPECT_TRUE(choiceTakenWhileTried);
  EXPECT_GE(ticksWhileTried, 3);
}

// On a slow line a silent device takes its three tries a while: *None* chosen
// then returns at once, the link stopping while its thread tries; *Real* chosen
// next is kept and runs once the stop has ended. The command tried is told, and
// one given for the kept start is written by it.
TEST_F(SerialLinkLifeTest, NoneDuringACommandsTriesReturnsAtOnceAndRealAfterItWritesTheCommandGivenMeanwhile) {
  temp.Write("Plant-Setting.ini", "[SerialPortSetting]\nPortNumber=COM2\nBuadRate=300\n");
  CDCTag* valve = AddSerialTag(dataCenter, "Valve", "MBRTU16-DA1-REG40021-FP0-UR20-TOB15");
  peer.SetSilent(1, true);
  peer.Start();
  ASSERT_TRUE(link->Start());
  level->SetValue(Variant::R4(7.0f));
  level->SetWritePending(TRUE);
  EXPECT_EQ(link->OnTagMessage(level, eTagChangeValue), 0);
  root.SetDataSource(eDataSourceNone);
  EXPECT_TRUE(link->Stop());
  EXPECT_EQ(link->GetLinkState(), CHwLinkerEngine::LinkState::kStopping);
  root.SetDataSource(eDataSourceRealHW);
  EXPECT_TRUE(link->Start());
  EXPECT_TRUE(link->IsStartKept());
  EXPECT_EQ(link->GetLinkState(), CHwLinkerEngine::LinkState::kStopping);
  valve->SetWritePending(TRUE);
  valve->SetValue(Variant::R4(1.0f));  // as the plant sets its outputs at the start
  // The device answers again once the command tried at the stop is told.
  boxes.SetOnShow([&](const std::string&) { peer.SetSilent(1, false); });
  boxes.Expect(IDOK, "The command 7 for Level (device 1 on COM2) was given up: the device did not answer (3 tries).");
  EXPECT_TRUE(PumpUntil([&] { return boxes.Pending() == 0 && link->IsLinkRunning() && !valve->IsWritePending(); }));
  EXPECT_EQ(peer.GetValue(1, 40021), 1);
  EXPECT_FALSE(level->IsWritePending());
  EXPECT_EQ(boxes.Count(), 1u);
}
