// Our master against libmodbus slaves on a pseudo-terminal, with real threads:
// the polling thread, the port's listener and the peer's server.
#include <gtest/gtest.h>

#include "MasterRig.h"
#include "datacenter/DCTag.h"
#include "datacenter/ThreadEngine.h"
#include "peer/ModbusSlavePeer.h"
#include "platform/base/Clock.h"
#include "platform/base/MessageBoxService.h"
#include "support/ScriptedMessageBox.h"

namespace {

class ModbusMasterPeerTest : public ::testing::Test {
 protected:
  ~ModbusMasterPeerTest() override {
    master.StopAndClose();
    peer.Stop();
  }

  CSerialLinkerItem* AddItem(int slave, int registerNumber, DWORD updateRate = 20, DWORD timeoutBand = 200) {
    items.push_back(MakeItem(slave, registerNumber, updateRate, timeoutBand));
    return items.back().get();
  }

  void Start(DWORD baud = 38400) {
    peer.Start();
    ASSERT_EQ(master.Open(peer.PortPath()), 0);
    ASSERT_EQ(master.Setup(baud, 8, NOPARITY, ONESTOPBIT), 0);
    ASSERT_EQ(master.SetupHandshaking(CSerial::EHandshakeOff), 0);
    std::vector<CSerialLinkerItem*> pointers;
    for (auto& item : items) pointers.push_back(item.get());
    master.SetItems(pointers);
    master.SetOwnerEngine(window.Handle());
    master.SetItemReplyLength(0, 9);
    ASSERT_TRUE(master.StartPolling());
  }

  bool Reads(CSerialLinkerItem* item, float value) {
    return PumpUntil([&] { return ValueOf(*item) == value; });
  }

  DWORD TimeOuts() const {
    DWORD total = 0;
    for (const auto& item : items) total += item->GetTimeoutCount();
    return total;
  }

  // Each request of `slave` ends once: answered, refused (a bad CRC or an
  // exception) or timed out, never two of them. Judged after the stop, once
  // the peer has read every request sent.
  void ExpectEachRequestEndedOnce(int slave) {
    master.StopAndClose();
    DWORD ended = 0;
    for (const auto& item : items) {
      if (item->GetSlaveAddress() == slave) {
        ended += item->GetAnswerCount() + item->GetErrorCount() + item->GetTimeoutCount();
      }
    }
    EXPECT_TRUE(PumpUntil([&] { return static_cast<DWORD>(peer.RequestsFor(slave)) >= ended; }))
        << ended << " ends of " << peer.RequestsFor(slave) << " requests";
  }

  // A write, judged by what the protocol can guarantee: done when a try's reply
  // reached the master within the reply time (a slave held up past it by a busy
  // machine looks like one that never answers), and carried out by the slave,
  // in the end, once it went out. That the slave holds the value as the write
  // returns is not claimed: a late reply to an earlier write to the same
  // register, given up by the master, echoes the very same bytes.
  void ExpectWritten(int slave, int address, std::int32_t value) {
    const LineWatchingMaster::WriteOutcome outcome = master.WatchedWrite(slave, address, value);
    EXPECT_GE(outcome.tries, 1);
    EXPECT_TRUE(outcome.done || !outcome.answeredInTime) << "a reply that came in time was not taken";
    EXPECT_TRUE(PumpUntil([&] { return peer.GetValue(slave, 40000 + address) == value; }));
  }

  FakeEngine engine;
  RecordingWindow window;
  ModbusSlavePeer peer;
  std::vector<std::unique_ptr<CSerialLinkerItem>> items;
  LineWatchingMaster master;
};

}  // namespace

TEST_F(ModbusMasterPeerTest, ReadsSeveralRegistersOfOneSlaveEachIntoItsOwnItem) {
  peer.AddSlave(1);
  peer.SetValue(1, 40001, 0);
  peer.SetValue(1, 40003, -2);
  peer.SetValue(1, 40011, 1234567);
  CSerialLinkerItem* zero = AddItem(1, 40001);
  CSerialLinkerItem* negative = AddItem(1, 40003);
  CSerialLinkerItem* large = AddItem(1, 40011);
  Start();
  EXPECT_TRUE(Reads(large, 1234567.0f));
  EXPECT_TRUE(Reads(negative, -2.0f));
  EXPECT_TRUE(Reads(zero, 0.0f));
  EXPECT_TRUE(PumpUntil([&] { return !window.MessagesFor(zero).empty(); }));  // a first 0 is published too
  peer.SetValue(1, 40011, 42);
  EXPECT_TRUE(Reads(large, 42.0f));
  EXPECT_TRUE(PumpUntil([&] { return !window.MessagesFor(large).empty() && window.MessagesFor(large).back().value == 42.0f; }));
  // Unless a request was given up (a busy machine held the peer past the
  // band), no reply can be taken for another register's: a late reply of the
  // same slave to a read of the same length cannot be told apart.
  if (TimeOuts() == 0) {
    for (const auto& message : window.MessagesFor(zero)) EXPECT_EQ(message.value, 0.0f);
    for (const auto& message : window.MessagesFor(negative)) EXPECT_EQ(message.value, -2.0f);
  }
  // Whole frames only, each read whole (a reply still coming in is waited for).
  EXPECT_EQ(zero->GetErrorCount() + negative->GetErrorCount() + large->GetErrorCount(), 0u);
}

// Commands handed over from the window's thread are written by the polling
// thread between its polls, every one in the order given, each outcome kept
// for the owner; once it leaves, nothing more is taken.
TEST_F(ModbusMasterPeerTest, CommandsHandedOverAreWrittenBetweenPollsAndEachOutcomeIsKept) {
  peer.AddSlave(1);
  peer.AddSlave(2);
  peer.SetValue(2, 40001, 5);
  CSerialLinkerItem* valve = AddItem(1, 40021);
  CSerialLinkerItem* level = AddItem(2, 40001);
  Start();
  ASSERT_TRUE(Reads(level, 5.0f));
  auto command = [&](std::uint32_t count) {
    CModBusBase::Command handed;
    handed.item = valve;
    handed.commandCount = count;
    handed.slave = 1;
    handed.address = 21;  // REG40021
    handed.value = static_cast<std::int32_t>(count);
    return handed;
  };
  for (std::uint32_t count = 1; count <= 20; ++count) ASSERT_TRUE(master.HandOver(command(count)));
  std::vector<CModBusBase::CommandOutcome> outcomes;
  EXPECT_TRUE(PumpUntil([&] {
    for (auto& outcome : master.TakeOutcomes()) outcomes.push_back(std::move(outcome));
    return !outcomes.empty() && outcomes.back().command.commandCount == 20;
  }));
  ASSERT_EQ(outcomes.size(), 20u);
  for (std::size_t i = 0; i < outcomes.size(); ++i) {
    EXPECT_EQ(outcomes[i].command.commandCount, i + 1);
    EXPECT_EQ(outcomes[i].result, CModBusBase::CommandOutcome::kWritten);
  }
  EXPECT_EQ(peer.GetValue(1, 40021), 20);
  peer.SetValue(2, 40001, 6);
  EXPECT_TRUE(Reads(level, 6.0f));  // polling goes on

  master.LeaveOnceWritten();
  EXPECT_FALSE(master.HandOver(command(21)));
  EXPECT_TRUE(PumpUntil([&] { return master.HasLeft(); }));
  EXPECT_EQ(peer.GetValue(1, 40021), 20);
}

TEST_F(ModbusMasterPeerTest, PollsTwoSlavesAndWritesTheirRegisters) {
  peer.AddSlave(1);
  peer.AddSlave(2);
  peer.SetValue(1, 40001, 111);
  peer.SetValue(2, 40001, 222);
  CSerialLinkerItem* first = AddItem(1, 40001);
  CSerialLinkerItem* second = AddItem(2, 40001);
  Start();
  EXPECT_TRUE(Reads(first, 111.0f));
  EXPECT_TRUE(Reads(second, 222.0f));
  // Written while polling goes on; the write reads its own reply.
  ExpectWritten(2, 1, 12345);
  EXPECT_TRUE(Reads(second, 12345.0f));
  ExpectWritten(1, 10, -7);
  EXPECT_TRUE(Reads(first, 111.0f));
  for (const auto& message : window.MessagesFor(first)) EXPECT_EQ(message.value, 111.0f);
}

TEST_F(ModbusMasterPeerTest, ASilentSlaveTimesOutWhileTheOthersKeepBeingPolled) {
  peer.AddSlave(1);
  peer.AddSlave(4);
  peer.SetSilent(4, true);
  peer.SetValue(1, 40001, 5);
  CSerialLinkerItem* silent = AddItem(4, 40001, 20, 30);
  CSerialLinkerItem* alive = AddItem(1, 40001);
  Start();
  EXPECT_TRUE(PumpUntil([&] { return silent->GetTimeoutCount() >= 3 && alive->GetAnswerCount() >= 3; }));
  EXPECT_TRUE(Reads(alive, 5.0f));
  peer.SetValue(1, 40001, 6);
  EXPECT_TRUE(Reads(alive, 6.0f));
  EXPECT_TRUE(silent->GetValue().IsEmpty());
  EXPECT_TRUE(window.MessagesFor(silent).empty());
  const CModBusBase::CommandOutcome written = WriteThroughPoller(master, 4, 1, 1);
  EXPECT_EQ(written.result, CModBusBase::CommandOutcome::kFailed);
  EXPECT_EQ(written.failure, "the device did not answer (3 tries)");
}

TEST_F(ModbusMasterPeerTest, ABadCrcCountsAnErrorAndNoTimeout) {
  peer.AddSlave(1);
  peer.SetValue(1, 40001, 77);
  peer.InjectFault(ModbusSlavePeer::Fault::BadCrc, 1);
  CSerialLinkerItem* item = AddItem(1, 40001);
  Start();
  EXPECT_TRUE(Reads(item, 77.0f));
  // The spoiled reply counts its error when it comes within its request's band;
  // one the busy machine held back past it (a time-out) may come in while the
  // line is being drained, and count nothing.
  EXPECT_LE(item->GetErrorCount(), 1u);
  if (item->GetTimeoutCount() == 0) {
    EXPECT_EQ(item->GetErrorCount(), 1u);
  }
  for (const auto& message : window.MessagesFor(item)) EXPECT_EQ(message.value, 77.0f);
  ExpectEachRequestEndedOnce(1);  // the refused request counted no time-out as well
}

TEST_F(ModbusMasterPeerTest, ATruncatedReplyTimesOutAndTheNextOneIsTaken) {
  peer.AddSlave(1);
  peer.SetValue(1, 40001, 78);
  peer.InjectFault(ModbusSlavePeer::Fault::Truncated, 2);
  CSerialLinkerItem* item = AddItem(1, 40001);
  Start();
  EXPECT_TRUE(Reads(item, 78.0f));
  // The first request hears only its own truncated reply: it times out. Two
  // truncated replies that a busy machine held back until they ran together
  // look like one frame with a bad CRC; short of that, each times out.
  EXPECT_GE(item->GetTimeoutCount(), 1u);
  EXPECT_LE(item->GetErrorCount(), 1u);
  if (item->GetErrorCount() == 0) {
    EXPECT_GE(item->GetTimeoutCount(), 2u);
  }
  for (const auto& message : window.MessagesFor(item)) EXPECT_EQ(message.value, 78.0f);
  ExpectEachRequestEndedOnce(1);
}

// A slave on a 9600-baud line answers later than the band: its reply is still
// coming in when the request times out. The next request waits until the line
// has been quiet for 3.5 characters after the last byte the master read.
TEST_F(ModbusMasterPeerTest, AfterATimeOutTheNextRequestLeavesTheLineQuietFirst) {
  peer.AddSlave(1);
  peer.SetValue(1, 40001, 5);
  peer.SetWireBaud(9600);
  // Request 8.3 ms, 3.6 ms of silence, reply 9.4 ms: the reply ends some 21 ms
  // after its request, the band runs out at 15 ms; polled on every pass.
  CSerialLinkerItem* item = AddItem(1, 40001, 0, 15);
  Start(9600);
  EXPECT_TRUE(PumpUntil([&] { return item->GetTimeoutCount() >= 5 && master.MeasuredSilences().count >= 5; }));
  const LineWatchingMaster::Silences silences = master.MeasuredSilences();
  EXPECT_EQ(silences.belowRule, 0) << "of " << silences.count << ", the shortest " << silences.shortestChars
                                  << " characters";
}

// The frames bear the address of a slave that is not polled: a frame of a
// polled slave held back past its request's band by a busy machine could not be
// told from that slave's reply to the request after.
TEST_F(ModbusMasterPeerTest, AReplyBearingAnotherSlavesAddressIsNeverStored) {
  peer.AddSlave(1);
  peer.AddSlave(2);
  peer.AddSlave(3);
  peer.SetValue(1, 40001, 1000);
  peer.SetValue(3, 40001, 3000);
  peer.InjectFault(ModbusSlavePeer::Fault::OtherSlave, 3, 2);  // slave 1's value under slave 2's address
  CSerialLinkerItem* one = AddItem(1, 40001);
  CSerialLinkerItem* three = AddItem(3, 40001);
  Start();
  EXPECT_TRUE(Reads(one, 1000.0f));
  EXPECT_TRUE(Reads(three, 3000.0f));
  EXPECT_GE(one->GetTimeoutCount(), 1u);  // the first request heard only a frame of slave 2
  for (const auto& message : window.MessagesFor(three)) EXPECT_EQ(message.value, 3000.0f);
  for (const auto& message : window.MessagesFor(one)) EXPECT_EQ(message.value, 1000.0f);
}

TEST_F(ModbusMasterPeerTest, NoiseBetweenFramesIsSkipped) {
  peer.AddSlave(1);
  peer.SetValue(1, 40001, 31);
  peer.SetValue(1, 40003, 32);
  peer.InjectFault(ModbusSlavePeer::Fault::NoiseBefore, 4);
  CSerialLinkerItem* a = AddItem(1, 40001);
  CSerialLinkerItem* b = AddItem(1, 40003);
  Start();
  EXPECT_TRUE(Reads(a, 31.0f));
  EXPECT_TRUE(Reads(b, 32.0f));
  peer.InjectFault(ModbusSlavePeer::Fault::NoiseAfter, 4);
  peer.SetValue(1, 40001, 33);
  EXPECT_TRUE(Reads(a, 33.0f));
  EXPECT_EQ(a->GetErrorCount() + b->GetErrorCount(), 0u);
  // Unless a request was given up (a late reply of the same slave cannot be
  // told apart), each register's reply is taken for its own item.
  if (TimeOuts() == 0) {
    for (const auto& message : window.MessagesFor(b)) EXPECT_EQ(message.value, 32.0f);
  }
}

TEST_F(ModbusMasterPeerTest, APeerClosingMidPollEndsTheListenerAndTheMasterStopsCleanly) {
  peer.AddSlave(1);
  peer.SetValue(1, 40001, 9);
  CSerialLinkerItem* item = AddItem(1, 40001);
  Start();
  EXPECT_TRUE(Reads(item, 9.0f));
  peer.InjectFault(ModbusSlavePeer::Fault::CloseLine, 1);
  EXPECT_TRUE(PumpUntil([&] { return !master.IsListening(); }));
  EXPECT_TRUE(PumpUntil([&] { return item->GetTimeoutCount() >= 2; }));  // still polling, unanswered
  EXPECT_TRUE(master.StopAndClose());
  EXPECT_FALSE(master.IsOpen());
}

TEST_F(ModbusMasterPeerTest, ARestartPublishesTheFirstReadingAgain) {
  peer.AddSlave(1);
  peer.SetValue(1, 40001, 64);
  CSerialLinkerItem* item = AddItem(1, 40001);
  Start();
  EXPECT_TRUE(PumpUntil([&] { return window.MessagesFor(item).size() == 1; }));
  master.StopAndClose();
  ASSERT_EQ(master.Open(peer.PortPath()), 0);
  ASSERT_TRUE(master.StartPolling());
  EXPECT_TRUE(item->GetValue().IsEmpty() || ValueOf(*item) == 64.0f);
  EXPECT_TRUE(PumpUntil([&] { return window.MessagesFor(item).size() == 2; }));  // the same value, published again
  EXPECT_EQ(window.MessagesFor(item).back().value, 64.0f);
}

TEST_F(ModbusMasterPeerTest, NothingIsPolledWhileTheDataSourceIsNotReal) {
  peer.AddSlave(1);
  engine.SetDataSourceType(eDataSourceDemo);
  AddItem(1, 40001);
  Start();
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(peer.RequestsFor(1), 0);
  engine.SetDataSourceType(eDataSourceRealHW);
  EXPECT_TRUE(PumpUntil([&] { return peer.RequestsFor(1) > 0; }));
}

// A stop while a poll waits out a long time-out band (a silent slave) wakes that
// wait: the poller is not given up, and the given-up request is no time-out.
TEST_F(ModbusMasterPeerTest, AStopWakesAPollWaitingOutALongTimeOutBand) {
  ScriptedMessageBox boxes;  // the not-closed report would fail the test
  peer.AddSlave(4);
  peer.SetSilent(4, true);
  CSerialLinkerItem* silent = AddItem(4, 40001, 10000, 7000);
  Start();
  ASSERT_TRUE(PumpUntil([&] { return silent->GetReplyEvent().WaiterCount() == 1; }));
  EXPECT_TRUE(master.StopAndClose());
  EXPECT_FALSE(master.GetPollThread()->IsAbandoned());
  EXPECT_EQ(silent->GetTimeoutCount(), 0u);
  EXPECT_EQ(boxes.Count(), 0u);
}

// A write while a poll of a long band is in flight does not wait out that band:
// the poll is given up after the write's own reply time, without a time-out
// counted, and the write goes out and is answered.
TEST_F(ModbusMasterPeerTest, AWriteGivesUpThePollInFlightWithoutCountingATimeOut) {
  peer.AddSlave(1);
  peer.SetValue(1, 40001, 5);
  CSerialLinkerItem* item = AddItem(1, 40001, 1000, 800);
  Start();
  ASSERT_TRUE(Reads(item, 5.0f));
  for (int value = 1; value <= 3; ++value) {
    peer.SetSilent(1, true);  // holds the next poll in flight
    ASSERT_TRUE(PumpUntil([&] { return item->GetReplyEvent().WaiterCount() == 1; }));
    const DWORD sent = item->GetLastRequestTick();  // of the poll in flight
    const DWORD timeOutsBefore = item->GetTimeoutCount();
    peer.SetSilent(1, false);
    ExpectWritten(1, 10, value);
    const DWORD timeOutsAfter = item->GetTimeoutCount();
    // The write woke the poll before its band ran out (unless this thread was
    // held up that long): given up, it is no time-out, and no later poll's band
    // has run out yet either.
    if (GetTickCount() - sent < 799) {
      EXPECT_EQ(timeOutsAfter, timeOutsBefore);
    }
  }
}

namespace {

// Stands for the real box: asked on the listener, answered on the UI thread.
class UiAnsweredBox final : public IMessageBoxService {
 public:
  UiAnsweredBox() { SetMessageBoxService(this); }
  ~UiAnsweredBox() override { SetMessageBoxService(nullptr); }
  int Show(const std::string& text, const std::string&, UINT) override {
    asked = text;
    up = true;
    RunOnUiThreadAndWait([] {});
    return IDOK;
  }
  std::atomic<bool> up{false};
  std::string asked;
};

}  // namespace

// A first reading whose type differs from its tag's asks the operator from the
// listener. The UI thread handing a command over meanwhile must not wait for a lock the
// listener holds across that box (each would wait for the other forever).
TEST_F(ModbusMasterPeerTest, ABoxAskedWhileStoringAReadingHoldsNoLockTheUiThreadNeeds) {
  UiAnsweredBox box;
  CDCTag tag;
  tag.SetTagName("Mixer.Speed");
  tag.SetDataType(VT_I4);
  peer.AddSlave(1);
  peer.SetValue(1, 40001, 12);
  CSerialLinkerItem* item = AddItem(1, 40001);
  item->SetDCTag(&tag);
  Start();
  for (int i = 0; i < 20000 && !box.up.load(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ASSERT_TRUE(box.up.load());
  ExpectWritten(1, 10, 3);  // on the UI thread, the box still waiting for it
  EXPECT_TRUE(Reads(item, 12.0f));
  EXPECT_NE(box.asked.find("different"), std::string::npos);
  master.StopAndClose();  // before the tag goes
}
