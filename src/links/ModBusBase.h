#pragma once
// The Modbus RTU master of the serial link: a port with a listener (the
// receiver) and a polling thread that asks each due item's slave for its two
// registers, one request at a time, every 2 ms pass. Values are stored in the
// items and announced to the owner engine's window with message 5377 (wParam
// the item).
//
// Commands are written by the polling thread too, which owns the line: the
// window hands each one over (HandOver) and learns its outcome by message 5378
// (TakeOutcomes), never waiting for the line. The commands of an item wait in
// the order given and go out in that order, each as a function 16 write tried
// up to three times (a refusal is not asked again), before the next poll; a
// poll in flight is cut to the write's reply time. Only a flood of more than
// kMostCommandsWaitingPerItem commands of one item passes the oldest waiting
// one over, told as its outcome.
//
// Every request, and every write, waits until the line has been quiet for the
// frame silence (ModbusFrameSilence): after a time-out the reply may still be
// coming in, and is let arrive and dropped before the master speaks again. The
// wait runs to the silence's end on the clock, not to a scheduler tick after it,
// so that polling keeps the line as busy as the rule lets it.
//
// A reply belongs only to the request it answers. A read reply names no
// register, so the master keeps each slave's replies in step with its requests:
//  - a reply is taken only when it begins after its request was handed to the
//    port and is whole by the request's time-out band; anything else (a late or
//    stray reply, another slave's frame, noise) is dropped and counted
//    (GetDroppedReplies);
//  - a read that times out leaves its slave owing a reply. The slave is asked
//    nothing more until the line has kept quiet of it for a guard: its time-out
//    band, or the longest reply it has shown when that is longer (at most
//    kLongestGuardMs). A reply of the slave coming meanwhile is the late one: it
//    is dropped, counted against the item whose read timed out (its tag's
//    answers are late, see SerialOutageWatch), and the slave owes nothing more;
//  - after a guard that passed with no reply the late one is taken as lost, but
//    the slave's next request is checked: its reply is taken only once its whole
//    band has passed with that one reply; two replies in the band (a slave that
//    held the late one back until it was spoken to, then answered both) cannot
//    be told apart and are both dropped, and the next request is checked again.
// Why it holds: a slave answers one request at a time, in the order asked, at
// most once each. A late reply comes either within the guard (seen and dropped
// while nothing of its slave is outstanding) or after it, and then into the
// band of the slave's next request, ahead of that request's own reply, where
// two replies are refused. What is left is a slave that drops a request just
// after answering an earlier one later than its band and guard; such a slave
// answers later than its time-out, and the operator is told to raise TOB.
//
// A write reads its own reply while the listener stands aside, matched to its
// request. The port stays in non-blocking read mode throughout, so the
// listener never blocks in a read while it holds the receive lock.
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "links/ModbusLineSilence.h"
#include "links/ModbusReceiver.h"
#include "links/SerialEx.h"
#include "links/SerialLinkerItem.h"
#include "platform/base/Variant.h"
#include "platform/ui/MessageCore.h"

class CThreadEngine;

class CModBusBase : public CSerialEx {
 public:
  static constexpr UINT kValueMessage = 5377;
  // Posted to the owner engine's window when outcomes of commands wait to be taken.
  static constexpr UINT kCommandOutcomeMessage = 5378;
  static constexpr DWORD kPollPeriodMs = 2;
  static constexpr DWORD kIdleWaitMs = 1000;
  static constexpr DWORD kWriteReplyTimeoutMs = 100;
  static constexpr int kWriteRetries = 2;  // three tries in all
  // How a write that no try got an answer to is told, its tries following.
  static constexpr const char* kNoAnswerCause = "the device did not answer";
  // How a write the device answered with an exception is told, its code following.
  static constexpr const char* kRefusedCause = "the device refused it";
  // How a command passed over in a flood is told, the bound following.
  static constexpr const char* kPassedOverCause = "it was passed over";
  // The commands of one item that wait for the line at most.
  static constexpr std::size_t kMostCommandsWaitingPerItem = 64;

  // A command of the link: `value` goes to the item's slave, in two registers
  // from `address` (the register less 40000: 1 for REG40001, address 0 on the wire). `commandCount` and `given` (the value as the
  // operator gave it) only travel with it to its outcome.
  struct Command {
    CSerialLinkerItem* item = nullptr;
    std::uint32_t commandCount = 0;
    int slave = 0;
    int address = 0;
    std::int32_t value = 0;
    Variant given;
  };
  struct CommandOutcome {
    enum Result {
      kWritten,              // the device confirmed it
      kFailed,               // refused, unanswered or not sent: `failure` says why
      kSkippedSilentDevice,  // the polling thread was leaving and the device had
                             // left another command unanswered: not tried
      kPassedOver,           // more than the bound of the item's commands waited:
                             // not tried, `failure` says so
    };
    Command command;
    Result result = kFailed;
    std::string failure;
  };

  CModBusBase();
  ~CModBusBase() override;

  // Any thread. The command joins those the polling thread writes between its
  // polls, in the order handed over, after the item's earlier ones still
  // waiting. With kMostCommandsWaitingPerItem of the item waiting already, the
  // oldest of them is passed over (kPassedOver). FALSE once the polling thread
  // was asked to leave: nothing is taken then.
  bool HandOver(Command command);
  // The outcomes told so far, oldest first (each also announced by message 5378).
  std::vector<CommandOutcome> TakeOutcomes();
  // The polling thread stops polling, writes what was handed over and leaves.
  // While it leaves, once a command to a device went unanswered through its
  // tries, the rest to that device are not tried (kSkippedSilentDevice).
  void LeaveOnceWritten();
  // The polling thread is not running (it left, or never started).
  bool HasLeft() const;
  // The commands handed over and not written (the thread stopped before them).
  std::vector<Command> TakeCommandsNotWritten();

  // The receiver, on the listener thread.
  void OnEvent(DWORD events, DWORD errors) override;
  virtual void InitMaster();
  // The first item (array order) of a slave address; FALSE when none, or above 254.
  virtual BOOL FindItemBySlave(int slave, int& index);
  // Empties every item's value (so each first reading is published) and starts polling.
  virtual BOOL StartPolling();
  // Stops the polling thread, then closes the port; returns TRUE.
  virtual BOOL StopAndClose();
  virtual void PollItems();
  virtual void PostItemChanged(CSerialLinkerItem* item);
  // Acts on a receiver result for the outstanding request; TRUE when a value was
  // stored. The value is stored after the receive lock is released.
  virtual BOOL HandleReply(const ModbusParseResult& result);
  virtual void StoreItemValue(int index, std::uint32_t raw, bool countAnswer);

  void SetItems(std::vector<CSerialLinkerItem*> items);
  void SetOwnerEngine(HWND engineWindow) { m_owner.store(engineWindow); }
  HWND GetOwnerEngine() const { return m_owner.load(); }
  int GetItemCount() const { return static_cast<int>(m_items.size()); }
  CSerialLinkerItem* GetItem(int index) const;
  void SetItemReplyLength(int index, int length);
  int GetLongestReply() const { return m_longestReply; }
  int GetShortestReply() const { return m_shortestReply; }

  // Returns the previous flag. Switching on ends the poll in flight within a
  // write's reply time and waits (up to 1 s, running only workers' sends on the UI thread)
  // until the polling thread stands aside, then the listener stands aside too;
  // either way the receiver is reset and the port's input drained.
  bool SetSyncMode(bool sync);
  bool IsSyncMode() const { return m_sync.load(); }
  // Drops what the receiver holds; with `purge`, also what waits in the port's
  // input (noted as the line speaking). Output is never dropped: a request
  // handed to the port is on the line.
  void ResetReceiver(bool purge);

  static BOOL BuildReadRequest(BYTE slave, int address, WORD registerCount, std::vector<BYTE>& out);
  static BOOL BuildWriteRequest(BYTE slave, int address, WORD registerCount, const BYTE* data,
                                std::vector<BYTE>& out);
  static BOOL CheckCrc(const BYTE* frame, std::size_t length);
  LONG SendFrame(const std::vector<BYTE>& frame);

  CThreadEngine* GetPollThread() const { return m_pollThread.get(); }

  // The replies of any kind from `slave` since this master was made (a running
  // total): a reading, a write confirmed, an exception reply to a read or a
  // write; not a frame spoilt on the line. A refusal is the device's answer:
  // the device is there.
  std::uint64_t GetDeviceReplies(int slave) const;
  // The whole frames bearing `slave`'s address that were taken for no request
  // since this master was made (late, stray, or two in one checked band).
  std::uint64_t GetDroppedReplies(int slave) const;
  // The longest a slave's late reply may come after its read's time-out band
  // for the guard still to wait for it.
  static constexpr DWORD kLongestGuardMs = 2000;

 private:
  static constexpr std::size_t kSlaveSlots = 256;
  void NoteDeviceReply(int slave);

  struct ReplyValue {
    int index;
    std::uint32_t raw;
  };

  static UINT PollingProc(CThreadEngine* thread);
  // On the polling thread: the commands handed over, each written and its
  // outcome told.
  void WriteHandedOverCommands();
  bool HasCommandsWaiting();
  // A write from the thread that polls: it owns the line already, so only the
  // listener stands aside.
  bool WriteFromPollingThread(const std::vector<BYTE>& request, std::string& failure);
  // The first item asked to be read first (CSerialLinkerItem::AskReadFirst), or -1.
  int ItemAskedReadFirst() const;
  // The tries of one write while this thread holds the line.
  bool TryAll(const std::vector<BYTE>& request, DWORD replyLength, int retries, std::string* failure);
  void PollItem(int index, CSerialLinkerItem* item);
  // Ends the polling thread's reply wait early (a stop, a command handed over, sync mode).
  void WakePoller();
  // The locked half of HandleReply: the index whose value is to be stored, or -1.
  int TakeReply(const ModbusParseResult& result);
  // Under the receive lock: feeds bytes read to the receiver and acts on every
  // frame they complete; values to store are added to `values` when given.
  void FeedReceived(const BYTE* data, DWORD count, std::vector<ReplyValue>* values);
  // Under the receive lock: a whole frame taken for no request.
  void NoteUntakenFrame(const ModbusParseResult& result, std::int64_t nowNs);
  // Under the receive lock: whether an item may be asked now.
  enum class Ask { kNow, kNotDue, kWaitsForSlave };
  Ask MayAsk(CSerialLinkerItem* item, std::int64_t nowNs);
  // Under the receive lock: the guard a slave's late reply is waited for.
  std::int64_t GuardNs(int slave, DWORD bandMs) const;
  // Under the receive lock: the outstanding read ended; true when a value is to be stored.
  bool EndRead(int index, CSerialLinkerItem* item, bool timedOut, std::uint32_t& value);
  // The line's character time and frame gap at the port's settings.
  void RefreshLineTiming();
  // Wakes the poll in flight and waits (bounded, running only sends) until the
  // poller stands aside; FALSE when it did not in time.
  bool WaitForPollerAside(std::uint64_t idleBefore);
  // Under the receive lock: reads off and drops whatever waits unread (nothing
  // is outstanding), noting it as the line speaking; the bytes read.
  DWORD DrainInput();
  // Lets what is still coming in arrive and drops it, until the line has been
  // quiet for the frame gap: TRUE then. FALSE when `keepWaiting` says no more,
  // or the line is still talking at `giveUpNs` (steady clock).
  bool WaitForQuietLine(const std::function<bool()>& keepWaiting, std::int64_t giveUpNs);
  // What became of one try of a write.
  struct WriteTry {
    enum Outcome {
      kConfirmed,   // the slave echoed the request
      kRefused,     // the slave answered with an exception: `exceptionCode`
      kNoAnswer,    // no whole, good reply within the reply time
      kLineBusy,    // the line never fell quiet: nothing sent
      kNotSent,     // the port would not take the request
    };
    Outcome outcome = kNoAnswer;
    BYTE exceptionCode = 0;
  };
  // One try of a write: the request out, then its reply matched among whatever
  // arrives within the reply time-out.
  WriteTry TryWrite(const std::vector<BYTE>& request, DWORD replyLength);
  // The operator's words for a write that failed after `tries` tries.
  static std::string DescribeFailure(const WriteTry& last, int tries);

  std::unique_ptr<CThreadEngine> m_pollThread;
  std::vector<CSerialLinkerItem*> m_items;  // the engine's items, not owned
  std::atomic<bool> m_sync{false};      // the poller stands aside (no new request)
  std::atomic<bool> m_lineHeld{false};  // and the listener too: a write reads the line itself
  int m_longestReply = 7;
  int m_shortestReply = 7;
  std::atomic<HWND> m_owner{nullptr};
  UINT m_message = kValueMessage;
  // Guards the receiver and the outstanding request; the receiver's own calls
  // re-enter it.
  std::recursive_mutex m_receiveLock;
  ModbusReceiver m_receiver;
  int m_outstanding = -1;  // index of the item whose reply is awaited
  // When the outstanding read was handed to the port (0 until then: bytes read
  // before cannot begin its reply), and its time-out.
  std::atomic<std::int64_t> m_sendingNs{0};
  std::atomic<std::int64_t> m_deadlineNs{0};
  // What the outstanding read has heard; under the receive lock.
  struct Heard {
    int replies = 0;             // in its band (a checked read holds them to its end)
    ModbusParseResult first;     // the first of them
    bool late = false;           // a reply after its band, before the poller saw the time-out
    std::int64_t lateAtNs = 0;
  } m_heard;
  // Where each slave stands with its replies; under the receive lock.
  struct SlaveReplies {
    enum State { kInStep, kOwing, kChecked } state = kInStep;
    std::int64_t quietFromNs = 0;   // owing: the guard runs from here
    std::int64_t guardNs = 0;
    std::int64_t askedNs = 0;       // owing: when the read that timed out went out
    int owedIndex = -1;             // owing: the item whose read timed out
    std::int64_t longestReplyNs = 0;  // the longest a reply of it took (late ones seen)
  };
  std::array<SlaveReplies, kSlaveSlots> m_slaves{};
  int m_pollFrom = 0;  // the polling thread's: the item its next pass begins with
  std::array<std::atomic<std::uint64_t>, kSlaveSlots> m_droppedReplies{};
  std::atomic<std::uint64_t> m_idlePasses{0};  // passes the poller stood aside in sync mode
  // When the line last spoke and the gap a frame needs; under the receive lock.
  ModbusLineSilence m_line;
  std::atomic<std::int64_t> m_characterNs{1000000 / 3};
  std::array<std::atomic<std::uint64_t>, kSlaveSlots> m_deviceReplies{};
  std::mutex m_commandMutex;  // guards the two below
  std::vector<Command> m_commands;
  std::vector<CommandOutcome> m_outcomes;
  std::atomic<bool> m_leaveOnceWritten{false};
};

// The silence a frame needs before it at `baud` with `bitsPerChar` bits on the
// line per character: 3.5 character times with three per cent more for margin up
// to 19 200 baud, the fixed 1.75 ms above; one millisecond when the baud is unknown (0).
std::chrono::nanoseconds ModbusFrameSilence(std::uint32_t baud, int bitsPerChar);
