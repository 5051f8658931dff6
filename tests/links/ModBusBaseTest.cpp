#include <gtest/gtest.h>

#include <thread>

#include "MasterRig.h"
#include "links/ModbusRtu.h"
#include "support/PtyPair.h"

namespace {

struct Master {
  FakeEngine engine;
  RecordingWindow window;
  std::vector<std::unique_ptr<CSerialLinkerItem>> items;
  CModBusBase master;

  void Use(std::unique_ptr<CSerialLinkerItem> item) {
    items.push_back(std::move(item));
    std::vector<CSerialLinkerItem*> pointers;
    for (auto& i : items) pointers.push_back(i.get());
    master.SetItems(pointers);
    master.SetOwnerEngine(window.Handle());
  }
};

}  // namespace

TEST(ModBusBaseTest, FirstReadingIsPublishedEvenWhenZeroAndAfterTheValueWasStored) {
  Master m;
  m.Use(MakeItem(1, 40001));
  CSerialLinkerItem* item = m.items[0].get();
  m.master.StoreItemValue(0, 0, true);
  PumpPendingMessages();
  auto messages = m.window.MessagesFor(item);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_FALSE(messages[0].empty);  // the engine finds the value already there
  EXPECT_EQ(messages[0].value, 0.0f);
  EXPECT_EQ(item->GetAnswerCount(), 1u);

  m.master.StoreItemValue(0, 0, true);  // unchanged: no message
  m.master.StoreItemValue(0, 1234, false);
  PumpPendingMessages();
  messages = m.window.MessagesFor(item);
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[1].value, 1234.0f);
  EXPECT_EQ(item->GetAnswerCount(), 2u);

  m.master.StoreItemValue(0, 0xFFFFFFFE, true);  // -2: a negative value always counts as changed
  m.master.StoreItemValue(0, 0xFFFFFFFE, true);
  PumpPendingMessages();
  messages = m.window.MessagesFor(item);
  ASSERT_EQ(messages.size(), 4u);
  EXPECT_EQ(messages[3].value, -2.0f);
  EXPECT_EQ(ValueOf(*item), -2.0f);
}

TEST(ModBusBaseTest, ItemsReplyLengthsAndSlaveLookup) {
  Master m;
  EXPECT_EQ(m.master.GetItem(0), nullptr);
  int index = -1;
  EXPECT_FALSE(m.master.FindItemBySlave(1, index));
  m.master.SetItemReplyLength(0, 9);  // no items: both stay 7
  EXPECT_EQ(m.master.GetLongestReply(), 7);
  EXPECT_EQ(m.master.GetShortestReply(), 7);
  m.Use(MakeItem(3, 40001));
  m.Use(MakeItem(5, 40003));
  m.Use(MakeItem(5, 40005));
  m.master.SetItemReplyLength(0, 9);
  EXPECT_EQ(m.master.GetLongestReply(), 9);
  EXPECT_EQ(m.master.GetShortestReply(), 7);
  EXPECT_TRUE(m.master.FindItemBySlave(5, index));
  EXPECT_EQ(index, 1);
  EXPECT_FALSE(m.master.FindItemBySlave(255, index));
  EXPECT_EQ(m.master.GetItem(3), nullptr);
  EXPECT_EQ(m.master.GetItem(-1), nullptr);
}

// Each try sends the same request, and every request stays on the line: only
// input is ever dropped between tries (flushing the output would take back a
// request the slave has not read yet).
TEST(ModBusBaseTest, AWriteThatGetsNoReplyFailsAfterThreeTries) {
  Master m;
  PtyPair pty;
  ASSERT_EQ(m.master.Open(pty.SlavePath(), 0, 0, false), 0);
  m.master.SetOwnerEngine(m.window.Handle());
  ASSERT_TRUE(m.master.StartPolling());
  const CModBusBase::CommandOutcome outcome = WriteThroughPoller(m.master, 5, 10, 12345);
  EXPECT_EQ(outcome.result, CModBusBase::CommandOutcome::kFailed);
  EXPECT_EQ(outcome.failure, "the device did not answer (3 tries)");
  const std::string sent = pty.Receive(3 * modbus::kWriteRequestLength + 1, 200);
  std::vector<BYTE> expected;
  const BYTE value[4] = {0x00, 0x00, 0x30, 0x39};
  modbus::BuildWriteRequest(5, 10, 2, value, expected);
  const std::string frame(expected.begin(), expected.end());
  EXPECT_EQ(frame.substr(0, 11), std::string("\x05\x10\x00\x09\x00\x02\x04\x00\x00\x30\x39", 11));
  EXPECT_EQ(sent, frame + frame + frame);
  EXPECT_TRUE(m.master.StopAndClose());
}

// Commands of an item wait in order; only a flood beyond the bound passes the
// oldest waiting one over, and says so in its outcome.
TEST(ModBusBaseTest, AFloodBeyondTheBoundPassesTheOldestWaitingCommandOverAndTellsIt) {
  Master m;
  m.Use(MakeItem(1, 40021));
  m.Use(MakeItem(2, 40001));
  auto command = [&](CSerialLinkerItem* item, std::uint32_t count) {
    CModBusBase::Command handed;
    handed.item = item;
    handed.commandCount = count;
    handed.slave = item->GetSlaveAddress();
    handed.address = 21;
    return handed;
  };
  // No polling thread: everything handed over waits.
  const std::uint32_t bound = CModBusBase::kMostCommandsWaitingPerItem;
  ASSERT_EQ(bound, 64u);
  ASSERT_TRUE(m.master.HandOver(command(m.items[1].get(), 1000)));
  for (std::uint32_t count = 1; count <= bound; ++count) ASSERT_TRUE(m.master.HandOver(command(m.items[0].get(), count)));
  EXPECT_TRUE(m.master.TakeOutcomes().empty());
  ASSERT_TRUE(m.master.HandOver(command(m.items[0].get(), bound + 1)));
  const std::vector<CModBusBase::CommandOutcome> outcomes = m.master.TakeOutcomes();
  ASSERT_EQ(outcomes.size(), 1u);
  EXPECT_EQ(outcomes[0].command.commandCount, 1u);
  EXPECT_EQ(outcomes[0].result, CModBusBase::CommandOutcome::kPassedOver);
  EXPECT_EQ(outcomes[0].failure, "it was passed over: 64 newer commands of the tag waited for the serial line");
  const std::vector<CModBusBase::Command> waiting = m.master.TakeCommandsNotWritten();
  ASSERT_EQ(waiting.size(), bound + 1);
  EXPECT_EQ(waiting[0].commandCount, 1000u);
  for (std::uint32_t i = 1; i <= bound; ++i) EXPECT_EQ(waiting[i].commandCount, i + 1);
}

TEST(ModBusBaseTest, WhileAWriteHoldsThePortTheReceiverReadsNothing) {
  Master m;
  PtyPair pty;
  ASSERT_EQ(m.master.Open(pty.SlavePath(), 0, 0, false), 0);  // no listener: the test calls the receiver
  m.master.SetSyncMode(true);
  pty.Send(std::string("\x05\x10\x00\x09\x00\x02\x51\x8C", 8));
  ASSERT_EQ(m.master.WaitEvent(nullptr, 2000), 0);
  m.master.OnEvent(EV_RXCHAR, 0);
  m.master.SetupReadTimeouts(CSerial::EReadBlocking);
  char reply[8];
  DWORD count = 0;
  EXPECT_EQ(m.master.Read(reply, 8, &count, nullptr, 1000), 0);
  EXPECT_EQ(count, 8u);  // the reply is still there for the write to read
}

TEST(ModBusBaseTest, StartingThePollingEmptiesTheValuesLeftFromTheLastRun) {
  Master m;
  m.engine.SetDataSourceType(eDataSourceDemo);  // the thread runs but polls nothing
  m.Use(MakeItem(1, 40001));
  m.items[0]->SetValue(Variant::R4(5.0f));
  ASSERT_TRUE(m.master.StartPolling());
  EXPECT_TRUE(m.items[0]->GetValue().IsEmpty());
  m.master.StoreItemValue(0, 5, true);  // the same value as before the stop: published again
  PumpPendingMessages();
  EXPECT_EQ(m.window.MessagesFor(m.items[0].get()).size(), 1u);
  EXPECT_TRUE(m.master.StopAndClose());
}

double Milliseconds(std::chrono::nanoseconds span) { return static_cast<double>(span.count()) / 1e6; }

TEST(ModbusFrameSilence, ThreeAndAHalfCharactersWithAMarginUpTo19200BaudTheFixedTimeAbove) {
  // 8N1 at 9600 baud: 10 bits a character, 3.5 characters are 3.65 ms, 3.76 ms with the margin.
  EXPECT_NEAR(Milliseconds(ModbusFrameSilence(9600, 10)), 3.7552, 0.001);
  // Above 19 200 baud the line's fixed 1.75 ms, not 3.5 characters (1.03 ms here).
  EXPECT_EQ(ModbusFrameSilence(38400, 11), std::chrono::microseconds(1750));
  // Unknown settings (a closed port) keep the old one-millisecond gap.
  EXPECT_EQ(ModbusFrameSilence(0, 10), std::chrono::milliseconds(1));
  // The fastest rates a line holds keep the rule's time, not the unknown one.
  EXPECT_EQ(ModbusFrameSilence(2147483648u, 10), std::chrono::microseconds(1750));
  EXPECT_EQ(ModbusFrameSilence(4294967295u, 11), std::chrono::microseconds(1750));
  EXPECT_EQ(ModbusFrameSilence(9600, 0), std::chrono::milliseconds(1));
}
