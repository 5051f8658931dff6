// Our master against libmodbus slaves on a pseudo-terminal, with real threads:
// the polling thread, the port's listener and the peer's server.
#include <gtest/gtest.h>

#include "MasterRig.h"
#include "datacenter/DCTag.h"
#include "datacenter/ThreadEngine.h"
#include "peer/ModbusSlavePeer.h"
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
  for (const auto& message : window.MessagesFor(zero)) EXPECT_EQ(message.value, 0.0f);
  for (const auto& message : window.MessagesFor(negative)) EXPECT_EQ(message.value, -2.0f);
  EXPECT_EQ(zero->GetErrorCount() + negative->GetErrorCount() + large->GetErrorCount(), 0u);
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
  EXPECT_TRUE(master.WriteRegisters(2, 1, 12345));
  EXPECT_EQ(peer.GetValue(2, 40001), 12345);
  EXPECT_TRUE(Reads(second, 12345.0f));
  EXPECT_TRUE(master.WriteRegisters(1, 10, -7));
  EXPECT_EQ(peer.GetValue(1, 40010), -7);
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
  EXPECT_FALSE(master.WriteRegisters(4, 1, 1));  // three tries, no reply
}

TEST_F(ModbusMasterPeerTest, ABadCrcCountsAnErrorAndNoTimeout) {
  peer.AddSlave(1);
  peer.SetValue(1, 40001, 77);
  peer.InjectFault(ModbusSlavePeer::Fault::BadCrc, 1);
  CSerialLinkerItem* item = AddItem(1, 40001);
  Start();
  EXPECT_TRUE(Reads(item, 77.0f));
  EXPECT_EQ(item->GetErrorCount(), 1u);
  EXPECT_EQ(item->GetTimeoutCount(), 0u);
  for (const auto& message : window.MessagesFor(item)) EXPECT_EQ(message.value, 77.0f);
}

TEST_F(ModbusMasterPeerTest, ATruncatedReplyTimesOutAndTheNextOneIsTaken) {
  peer.AddSlave(1);
  peer.SetValue(1, 40001, 78);
  peer.InjectFault(ModbusSlavePeer::Fault::Truncated, 2);
  CSerialLinkerItem* item = AddItem(1, 40001);
  Start();
  EXPECT_TRUE(Reads(item, 78.0f));
  EXPECT_GE(item->GetTimeoutCount(), 2u);
  EXPECT_EQ(item->GetErrorCount(), 0u);
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
  EXPECT_EQ(silences.below3_5, 0) << "of " << silences.count << ", the shortest " << silences.shortestChars
                                  << " characters";
}

TEST_F(ModbusMasterPeerTest, AReplyBearingAnotherSlavesAddressIsNeverStored) {
  peer.AddSlave(1);
  peer.AddSlave(2);
  peer.SetValue(1, 40001, 1000);
  peer.SetValue(2, 40001, 2000);
  peer.InjectFault(ModbusSlavePeer::Fault::OtherSlave, 3, 2);  // slave 1's value under slave 2's address
  CSerialLinkerItem* one = AddItem(1, 40001);
  CSerialLinkerItem* two = AddItem(2, 40001);
  Start();
  EXPECT_TRUE(Reads(one, 1000.0f));
  EXPECT_TRUE(Reads(two, 2000.0f));
  EXPECT_GE(one->GetTimeoutCount() + two->GetTimeoutCount(), 1u);
  for (const auto& message : window.MessagesFor(two)) EXPECT_EQ(message.value, 2000.0f);
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
  for (const auto& message : window.MessagesFor(b)) EXPECT_EQ(message.value, 32.0f);
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
    peer.SetSilent(1, false);
    EXPECT_TRUE(master.WriteRegisters(1, 10, value));
    EXPECT_EQ(peer.GetValue(1, 40010), value);
  }
  EXPECT_EQ(item->GetTimeoutCount(), 0u);
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
// listener. The UI thread starting a write meanwhile must not wait for a lock the
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
  EXPECT_TRUE(master.WriteRegisters(1, 10, 3));  // on the UI thread, the box still waiting for it
  EXPECT_EQ(peer.GetValue(1, 40010), 3);
  EXPECT_TRUE(Reads(item, 12.0f));
  EXPECT_NE(box.asked.find("different"), std::string::npos);
  master.StopAndClose();  // before the tag goes
}
