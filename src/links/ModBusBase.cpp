#include "links/ModBusBase.h"

#include <sys/prctl.h>
#include <time.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>

#include "datacenter/EngineServices.h"
#include "datacenter/RTimer.h"
#include "datacenter/ThreadEngine.h"
#include "links/ModbusRtu.h"
#include "platform/base/Clock.h"
#include "platform/base/Text.h"

CModBusBase::CModBusBase() { InitMaster(); }

CModBusBase::~CModBusBase() {
  StopAndClose();
  m_pollThread.reset();
}

void CModBusBase::InitMaster() {
  m_pollThread = std::make_unique<CThreadEngine>();
  m_pollThread->SetOwner(this);
  m_pollThread->SetThreadProc(&CModBusBase::PollingProc);
  // A stop must not wait out a reply wait of a long time-out band.
  m_pollThread->SetStopWaker([this] { WakePoller(); });
  // Nothing of the program runs inside the link's stop.
  m_pollThread->SetStopServicesOnlySends(true);
  m_items.clear();
  m_owner.store(nullptr);
  m_message = kValueMessage;
  m_longestReply = 7;
  m_shortestReply = 7;
  SetSyncMode(false);
}

void CModBusBase::SetItems(std::vector<CSerialLinkerItem*> items) { m_items = std::move(items); }

CSerialLinkerItem* CModBusBase::GetItem(int index) const {
  if (index < 0 || index >= GetItemCount()) return nullptr;
  return m_items[static_cast<std::size_t>(index)];
}

void CModBusBase::SetItemReplyLength(int index, int length) {
  if (CSerialLinkerItem* item = GetItem(index)) item->SetReplyLength(length);
  for (CSerialLinkerItem* item : m_items) {
    m_shortestReply = std::min(m_shortestReply, item->GetReplyLength());
    m_longestReply = std::max(m_longestReply, item->GetReplyLength());
  }
}

BOOL CModBusBase::FindItemBySlave(int slave, int& index) {
  if (m_items.empty() || slave > 254) return FALSE;
  for (int i = 0; i < GetItemCount(); ++i) {
    if (m_items[static_cast<std::size_t>(i)]->GetSlaveAddress() == slave) {
      index = i;
      return TRUE;
    }
  }
  return FALSE;
}

BOOL CModBusBase::StartPolling() {
  // Values left from an earlier run would hide the first reading of this one;
  // its counts would blur this run's outages.
  for (CSerialLinkerItem* item : m_items) {
    item->ClearValue();
    item->ResetReadCounts();
  }
  {
    std::lock_guard<std::recursive_mutex> lock(m_receiveLock);
    m_slaves.fill(SlaveReplies{});
  }
  return m_pollThread->Start();
}

BOOL CModBusBase::StopAndClose() {
  if (m_pollThread) m_pollThread->Stop();
  if (IsOpen()) Close();
  return TRUE;
}

bool CModBusBase::SetSyncMode(bool sync) {
  bool previous;
  std::uint64_t idleBefore;
  {
    std::lock_guard<std::recursive_mutex> lock(m_receiveLock);
    previous = m_sync.load();
    if (previous == sync) return previous;
    idleBefore = m_idlePasses.load();
    m_sync.store(sync);
    if (!sync) m_lineHeld.store(false);
  }
  if (sync) {
    WaitForPollerAside(idleBefore);
    // Under the receive lock: once set, the listener reads nothing more.
    std::lock_guard<std::recursive_mutex> lock(m_receiveLock);
    m_lineHeld.store(true);
  }
  ResetReceiver(true);
  return previous;
}

bool CModBusBase::WaitForPollerAside(std::uint64_t idleBefore) {
  if (!m_pollThread || !m_pollThread->IsRunning()) return true;
  // The poll in flight ends soon (see PollItem); the poller then shows it
  // stands aside within one pass. The UI thread runs only workers' sends meanwhile.
  WakePoller();
  return WaitServicingSends([&] { return m_idlePasses.load() != idleBefore || !m_pollThread->IsRunning(); }, kIdleWaitMs);
}

void CModBusBase::WakePoller() {
  std::lock_guard<std::recursive_mutex> lock(m_receiveLock);
  if (CSerialLinkerItem* item = GetItem(m_outstanding)) item->GetReplyEvent().Set();
}

void CModBusBase::ResetReceiver(bool purge) {
  std::lock_guard<std::recursive_mutex> lock(m_receiveLock);
  m_receiver.Flush();
  // Only the input: a request handed to the port is on the line already.
  if (purge) DrainInput();
}

BOOL CModBusBase::BuildReadRequest(BYTE slave, int address, WORD registerCount, std::vector<BYTE>& out) {
  modbus::BuildReadRequest(slave, address, registerCount, out);
  return TRUE;
}

BOOL CModBusBase::BuildWriteRequest(BYTE slave, int address, WORD registerCount, const BYTE* data,
                                    std::vector<BYTE>& out) {
  modbus::BuildWriteRequest(slave, address, registerCount, data, out);
  return TRUE;
}

BOOL CModBusBase::CheckCrc(const BYTE* frame, std::size_t length) { return modbus::CheckCrc(frame, length) ? 1 : 0; }

LONG CModBusBase::SendFrame(const std::vector<BYTE>& frame) {
  return Write(frame.data(), static_cast<DWORD>(frame.size()), nullptr, nullptr, 1000);
}

std::chrono::nanoseconds ModbusFrameSilence(std::uint32_t baud, int bitsPerChar) {
  if (baud == 0 || bitsPerChar <= 0) return std::chrono::milliseconds(1);
  const std::int64_t rule = ModbusLineSilence::FrameSilenceNs(baud, bitsPerChar);
  // A slave's baud may be a few per cent off; the fixed time above 19 200 baud is not.
  if (baud > ModbusLineSilence::kFixedTimesAboveBaud) return std::chrono::nanoseconds(rule);
  return std::chrono::nanoseconds(rule * 103 / 100);
}

namespace {
// steady_clock is CLOCK_MONOTONIC, the clock the precise sleep below waits on.
std::int64_t SteadyNowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// The last stretch before a deadline is spun: a wake-up from a sleep may come
// tens of microseconds late, a good part of a character at 38 400 baud.
constexpr std::int64_t kFinalSpinNs = 60000;
// A wait for a quiet line looks at the stop and write flags at least this often.
constexpr std::int64_t kQuietStepNs = 5000000;

// Returns at `deadlineNs` (steady clock) or just after it, never before.
void SleepUntilSteadyNs(std::int64_t deadlineNs) {
  const std::int64_t wakeNs = deadlineNs - kFinalSpinNs;
  if (SteadyNowNs() < wakeNs) {
    timespec at{};
    at.tv_sec = static_cast<time_t>(wakeNs / 1000000000);
    at.tv_nsec = static_cast<long>(wakeNs % 1000000000);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr) == EINTR) {
    }
  }
  while (SteadyNowNs() < deadlineNs) {
  }
}
}  // namespace

DWORD CModBusBase::DrainInput() {
  std::lock_guard<std::recursive_mutex> lock(m_receiveLock);
  if (!IsOpen()) return 0;
  BYTE scratch[64];
  DWORD total = 0;
  DWORD count = 0;
  while (Read(scratch, sizeof scratch, &count) == ERROR_SUCCESS && count > 0) {
    total += count;
    m_line.NoteReceived(SteadyNowNs());
    // Nothing is outstanding: whole frames among them are late or stray replies, counted.
    if (m_receiver.IsWatching()) FeedReceived(scratch, count, nullptr);
  }
  return total;
}

bool CModBusBase::WaitForQuietLine(const std::function<bool()>& keepWaiting, std::int64_t giveUpNs) {
  for (;;) {
    std::int64_t sendableAt;
    {
      std::lock_guard<std::recursive_mutex> lock(m_receiveLock);
      DrainInput();
      sendableAt = m_line.SendableAt();
    }
    const std::int64_t now = SteadyNowNs();
    if (now >= sendableAt) return true;
    if (!keepWaiting() || !IsOpen() || now >= giveUpNs) return false;
    // To the very end of the silence, so that the request leaves as it ends;
    // then looked at again, since bytes coming in meanwhile put the end further
    // off. A long gap (a slow baud) is cut into steps that a stop or a write ends.
    SleepUntilSteadyNs(std::min(sendableAt, now + kQuietStepNs));
  }
}

void CModBusBase::RefreshLineTiming() {
  if (!IsOpen()) return;
  // Start, data, parity and stop bits of one character on the line.
  const int stopBits = GetStopBits() == ONESTOPBIT ? 1 : 2;
  const int bits = 1 + GetByteSize() + (GetParity() != NOPARITY ? 1 : 0) + stopBits;
  // Read as the line holds it, unsigned: a rate is never taken for a negative number.
  DCB dcb;
  const std::uint32_t baud = ReadDcb(dcb) ? dcb.BaudRate : 0;
  if (baud > 0) m_characterNs.store(static_cast<std::int64_t>(1e9 * bits / baud));
  std::lock_guard<std::recursive_mutex> lock(m_receiveLock);
  m_line.SetTiming(ModbusFrameSilence(baud, bits).count(), m_characterNs.load());
}

UINT CModBusBase::PollingProc(CThreadEngine* thread) {
  thread->SetRunning(true);
  // Wake-ups to the microsecond: the default slack of 50 us would come out of
  // every silence the poller waits for.
  ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
  auto* self = static_cast<CModBusBase*>(thread->GetOwner());
  self->RefreshLineTiming();
  {
    // A write may already hold the line (outputs are written as the links
    // start): its flag stays, and what it awaits is left alone.
    std::lock_guard<std::recursive_mutex> lock(self->m_receiveLock);
    if (!self->m_sync.load()) self->ResetReceiver(true);
  }
  CRTimer pace(true);
  // Asked to leave once written (the link's stop), it writes what waits even
  // past a stop of the thread: the plant's last commands must reach the devices.
  while (thread->IsKeepRunning() || self->m_leaveOnceWritten.load()) {
    const DWORD elapsed = pace.GetElapsedMs();
    if (elapsed < kPollPeriodMs) Sleep(kPollPeriodMs - elapsed);
    pace.Restart();
    self->WriteHandedOverCommands();
    if (self->m_leaveOnceWritten.load()) {
      if (!self->HasCommandsWaiting()) break;
      continue;
    }
    if (self->m_sync.load()) ++self->m_idlePasses;
    else if (GetEngine()->IsRealHardware()) self->PollItems();
  }
  thread->SetRunning(false);
  // The owner learns of the leaving as of an outcome: its stop may be waiting for it.
  PostMessage(self->m_owner.load(), kCommandOutcomeMessage, 0, 0);
  return 0;
}

bool CModBusBase::HandOver(Command command) {
  bool passedOver = false;
  {
    std::lock_guard<std::mutex> lock(m_commandMutex);
    if (m_leaveOnceWritten.load()) return false;
    // Every command waits its turn: a pulse (1, then 0) reaches the device as
    // both. Only a flood faster than the line passes the item's oldest waiting
    // one over, and that is told as its outcome.
    const auto sameItem = [&](const Command& earlier) { return earlier.item == command.item; };
    const auto waiting = std::count_if(m_commands.begin(), m_commands.end(), sameItem);
    if (static_cast<std::size_t>(waiting) >= kMostCommandsWaitingPerItem) {
      const auto oldest = std::find_if(m_commands.begin(), m_commands.end(), sameItem);
      CommandOutcome outcome;
      outcome.command = std::move(*oldest);
      outcome.result = CommandOutcome::kPassedOver;
      outcome.failure = ruv::Format("%s: %zu newer commands of the tag waited for the serial line", kPassedOverCause,
                                    kMostCommandsWaitingPerItem);
      m_commands.erase(oldest);
      m_outcomes.push_back(std::move(outcome));
      passedOver = true;
    }
    m_commands.push_back(std::move(command));
  }
  if (passedOver) PostMessage(m_owner.load(), kCommandOutcomeMessage, 0, 0);
  WakePoller();  // a poll in flight waits no longer than a write's reply time
  return true;
}

std::vector<CModBusBase::CommandOutcome> CModBusBase::TakeOutcomes() {
  std::lock_guard<std::mutex> lock(m_commandMutex);
  std::vector<CommandOutcome> taken;
  taken.swap(m_outcomes);
  return taken;
}

void CModBusBase::LeaveOnceWritten() {
  {
    std::lock_guard<std::mutex> lock(m_commandMutex);
    m_leaveOnceWritten.store(true);
  }
  WakePoller();
}

bool CModBusBase::HasLeft() const { return !m_pollThread || !m_pollThread->IsRunning(); }

std::vector<CModBusBase::Command> CModBusBase::TakeCommandsNotWritten() {
  std::lock_guard<std::mutex> lock(m_commandMutex);
  std::vector<Command> taken;
  taken.swap(m_commands);
  return taken;
}

bool CModBusBase::HasCommandsWaiting() {
  std::lock_guard<std::mutex> lock(m_commandMutex);
  return !m_commands.empty();
}

void CModBusBase::WriteHandedOverCommands() {
  // Devices that left a command unanswered while this thread leaves: the rest
  // to them are not tried, so a silent device does not hold the stop up.
  std::vector<int> silentWhileLeaving;
  for (;;) {
    const bool leaving = m_leaveOnceWritten.load();
    if (!leaving && !m_pollThread->IsKeepRunning()) return;
    CommandOutcome outcome;
    {
      std::lock_guard<std::mutex> lock(m_commandMutex);
      if (m_commands.empty()) return;
      outcome.command = std::move(m_commands.front());
      m_commands.erase(m_commands.begin());
    }
    const Command& command = outcome.command;
    if (leaving && std::find(silentWhileLeaving.begin(), silentWhileLeaving.end(), command.slave) !=
                       silentWhileLeaving.end()) {
      outcome.result = CommandOutcome::kSkippedSilentDevice;
    } else {
      BYTE bytes[4];
      modbus::SplitBigEndian(static_cast<std::uint32_t>(command.value), bytes);
      std::vector<BYTE> request;
      BuildWriteRequest(static_cast<BYTE>(command.slave), command.address, 2, bytes, request);
      if (WriteFromPollingThread(request, outcome.failure)) {
        outcome.result = CommandOutcome::kWritten;
      } else {
        outcome.result = CommandOutcome::kFailed;
        if (leaving && outcome.failure.rfind(kNoAnswerCause, 0) == 0) silentWhileLeaving.push_back(command.slave);
      }
    }
    {
      std::lock_guard<std::mutex> lock(m_commandMutex);
      m_outcomes.push_back(std::move(outcome));
    }
    PostMessage(m_owner.load(), kCommandOutcomeMessage, 0, 0);
  }
}

bool CModBusBase::WriteFromPollingThread(const std::vector<BYTE>& request, std::string& failure) {
  RefreshLineTiming();
  {
    // Under the receive lock: once set, the listener reads nothing more.
    std::lock_guard<std::recursive_mutex> lock(m_receiveLock);
    m_lineHeld.store(true);
    m_receiver.Disarm();
  }
  const bool written = TryAll(request, modbus::kWriteReplyLength, kWriteRetries, &failure);
  std::lock_guard<std::recursive_mutex> lock(m_receiveLock);
  m_lineHeld.store(false);
  return written;
}

void CModBusBase::PollItems() {
  // A command handed over goes out before the next poll: it waits for one poll at most.
  const auto wanted = [this] {
    return m_pollThread->IsKeepRunning() && !m_sync.load() && !m_leaveOnceWritten.load() && !HasCommandsWaiting();
  };
  {
    // After a write (which reads its own replies) the line is watched again.
    std::lock_guard<std::recursive_mutex> lock(m_receiveLock);
    if (!m_receiver.IsArmed() && !m_receiver.IsWatching()) m_receiver.Watch();
  }
  const int count = GetItemCount();
  int waitedFrom = -1;
  for (int step = 0; step < count; ++step) {
    if (!wanted()) return;
    // A tag asked to be read first (its command given up, no value of the
    // device known) goes before the rest once its slave may be asked; the
    // round's own item waits its turn.
    int first = ItemAskedReadFirst();
    int index = (m_pollFrom + step) % count;
    CSerialLinkerItem* item = m_items[static_cast<std::size_t>(index)];
    Ask ask = Ask::kNotDue;
    {
      std::lock_guard<std::recursive_mutex> lock(m_receiveLock);
      const std::int64_t nowNs = SteadyNowNs();
      if (first >= 0 && MayAsk(m_items[static_cast<std::size_t>(first)], nowNs) != Ask::kWaitsForSlave) {
        index = first;
        item = m_items[static_cast<std::size_t>(first)];
        ask = Ask::kNow;
      } else {
        first = -1;
        ask = MayAsk(item, nowNs);
      }
    }
    if (ask == Ask::kWaitsForSlave && waitedFrom < 0) waitedFrom = index;
    if (ask != Ask::kNow) continue;
    // A line that never falls quiet is never spoken over; a stop, a write or a command still ends the wait.
    if (!WaitForQuietLine(wanted, INT64_MAX)) return;
    const std::uint64_t asked = item->GetReadsAsked();
    PollItem(index, item);
    // Asked first until its request has gone out (the line may have spoken
    // again first); once it went out, the round's own item still has its turn.
    if (first >= 0 && item->GetReadsAsked() != asked) {
      item->ClearReadFirst();
      --step;
    }
  }
  // The tags passed over while their slave owed a reply go first in the next
  // pass: a tag whose every read times out does not keep its slave's others waiting.
  m_pollFrom = waitedFrom >= 0 ? waitedFrom : 0;
}

int CModBusBase::ItemAskedReadFirst() const {
  for (int i = 0; i < GetItemCount(); ++i) {
    if (m_items[static_cast<std::size_t>(i)]->IsReadAskedFirst()) return i;
  }
  return -1;
}

void CModBusBase::PollItem(int index, CSerialLinkerItem* item) {
  std::vector<BYTE> request;
  const BYTE slave = static_cast<BYTE>(item->GetSlaveAddress());
  BuildReadRequest(slave, item->GetRegister() - 40000, 2, request);
  {
    std::lock_guard<std::recursive_mutex> lock(m_receiveLock);
    // A write took the port meanwhile, or a stop came after its wake-up found nothing to wake.
    if (m_sync.load() || !m_pollThread->IsKeepRunning()) return;
    // The line spoke again since it was found quiet (drained here, or read by
    // the listener meanwhile): not now, the item stays due.
    DrainInput();
    if (m_line.WaitBeforeSending(SteadyNowNs()) > 0) return;
    // A late reply drained just now may have changed where the slave stands.
    if (MayAsk(item, SteadyNowNs()) != Ask::kNow) return;
    m_receiver.ExpectRead(slave);
    m_outstanding = index;
    m_heard = Heard{};
    m_sendingNs.store(0);
    item->GetReplyEvent().Reset();
  }
  const DWORD band = item->GetTimeoutBand();
  {
    // From here on bytes read may begin the reply; by the band's end it is whole or late.
    const std::int64_t sendingNs = SteadyNowNs();
    m_deadlineNs.store(sendingNs + static_cast<std::int64_t>(band) * 1000000);
    m_sendingNs.store(sendingNs);
  }
  SendFrame(request);
  const std::int64_t sentNs = SteadyNowNs();
  {
    std::lock_guard<std::recursive_mutex> lock(m_receiveLock);
    m_line.NoteSent(sentNs, request.size());
  }
  item->NoteReadAsked();
  item->SetLastRequestTick(GetTickCount());
  // Ends with the reply, the band or a stop. A write wanting the line (WakePoller:
  // a command handed over, sync mode, the link's stop) shortens
  // it to the write's own reply time: the reply still taken and stored, the
  // line left free of it, and a long band no longer holds the write up.
  const auto writeWaits = [this] { return m_sync.load() || m_leaveOnceWritten.load() || HasCommandsWaiting(); };
  bool woken = item->GetReplyEvent().Wait(band);
  while (woken && writeWaits() && m_pollThread->IsKeepRunning()) {
    {
      std::lock_guard<std::recursive_mutex> lock(m_receiveLock);
      if (m_outstanding != index) break;  // answered
    }
    const std::int64_t due = sentNs + static_cast<std::int64_t>(std::min<DWORD>(band, kWriteReplyTimeoutMs)) * 1000000;
    const std::int64_t left = due - SteadyNowNs();
    if (left <= 0) break;
    woken = item->GetReplyEvent().Wait(static_cast<DWORD>((left + 999999) / 1000000));
  }
  std::uint32_t value = 0;
  bool store = false;
  {
    std::lock_guard<std::recursive_mutex> lock(m_receiveLock);
    if (m_outstanding != index) {
      item->GetReplyEvent().Reset();  // answered (perhaps just as the wait ran out)
      return;
    }
    // Given up for a stop or a write: the slave was not too slow, so no time-out.
    // Otherwise no whole reply came in time (none at all, or a truncated one),
    // or a checked read's band has run to its end.
    const bool timedOut = m_pollThread->IsKeepRunning() && !writeWaits();
    store = EndRead(index, item, timedOut, value);
    // The rest of a reply may still be coming in: the next request waits for the
    // line to fall quiet (PollItems), and the line is watched meanwhile.
    DrainInput();
  }
  if (store) StoreItemValue(index, value, true);
}

bool CModBusBase::EndRead(int index, CSerialLinkerItem* item, bool timedOut, std::uint32_t& value) {
  const int slave = item->GetSlaveAddress();
  SlaveReplies& replies = m_slaves[static_cast<std::size_t>(slave) % kSlaveSlots];
  const std::int64_t now = SteadyNowNs();
  item->GetReplyEvent().Reset();
  m_outstanding = -1;
  m_receiver.Watch();  // what is held may be the start of a late reply
  bool store = false;
  if (m_heard.replies == 1) {
    // A checked read heard its one reply: it is its own.
    const ModbusParseResult& reply = m_heard.first;
    NoteDeviceReply(slave);
    if (reply.status == ModbusParse::Complete) {
      item->NoteReading();
      value = reply.value;
      store = true;
    } else if (reply.status == ModbusParse::Exception) {
      item->NoteReadRefused();
      item->SetErrorCount(item->GetErrorCount() + 1);
    } else {
      item->SetErrorCount(item->GetErrorCount() + 1);
    }
    replies.state = SlaveReplies::kInStep;
    return store;
  }
  if (m_heard.replies > 1) {
    // Two replies to one read: one answers an earlier request, and which cannot
    // be told. Both dropped; the slave's next request is checked as well.
    m_droppedReplies[static_cast<std::size_t>(slave) % kSlaveSlots] += static_cast<std::uint64_t>(m_heard.replies);
    NoteDeviceReply(slave);
    replies.state = SlaveReplies::kChecked;
    return false;
  }
  if (timedOut) {
    item->SetTimeoutCount(item->GetTimeoutCount() + 1);
    item->NoteReadTimedOut();
  }
  // Unanswered (timed out, or given up for a write or a stop): its reply may
  // still come, and only the guard or that reply tells when it cannot.
  replies.state = SlaveReplies::kOwing;
  replies.owedIndex = index;
  replies.askedNs = m_sendingNs.load();
  replies.quietFromNs = now;
  replies.guardNs = GuardNs(slave, item->GetTimeoutBand());
  if (m_heard.late) {
    // It came after the band, before this thread saw the band end.
    ModbusParseResult late = m_heard.first;
    late.status = ModbusParse::Unsolicited;
    NoteUntakenFrame(late, m_heard.lateAtNs);
  }
  return false;
}

std::int64_t CModBusBase::GuardNs(int slave, DWORD bandMs) const {
  const std::int64_t band = static_cast<std::int64_t>(bandMs) * 1000000;
  const std::int64_t longest = std::min<std::int64_t>(m_slaves[static_cast<std::size_t>(slave) % kSlaveSlots].longestReplyNs,
                                                      static_cast<std::int64_t>(kLongestGuardMs) * 1000000);
  return std::max(band, longest);
}

CModBusBase::Ask CModBusBase::MayAsk(CSerialLinkerItem* item, std::int64_t nowNs) {
  SlaveReplies& replies = m_slaves[static_cast<std::size_t>(item->GetSlaveAddress()) % kSlaveSlots];
  if (replies.state == SlaveReplies::kOwing) {
    if (nowNs < replies.quietFromNs + replies.guardNs) return Ask::kWaitsForSlave;
    // The guard passed with no reply: the late one is taken as lost, and the
    // slave's next reply is taken only once its band shows it alone.
    replies.state = SlaveReplies::kChecked;
  }
  return item->IsPollNotDue() ? Ask::kNotDue : Ask::kNow;
}

void CModBusBase::NoteUntakenFrame(const ModbusParseResult& result, std::int64_t nowNs) {
  const std::size_t slave = result.slave;
  if (slave >= kSlaveSlots) return;
  ++m_droppedReplies[slave];
  const BYTE function = static_cast<BYTE>(result.function & ~modbus::kExceptionFlag);
  if (function != modbus::kReadHoldingRegisters) return;  // a write's echo answers no read
  SlaveReplies& replies = m_slaves[slave];
  CSerialLinkerItem* outstanding = GetItem(m_outstanding);
  if (outstanding && static_cast<std::size_t>(outstanding->GetSlaveAddress()) == slave && m_heard.replies > 0) {
    // A second reply in a checked read's band.
    ++m_heard.replies;
    --m_droppedReplies[slave];  // counted with the first as the read ends
    return;
  }
  if (replies.state != SlaveReplies::kOwing) return;
  // The reply the slave owed, late: its request is answered, nothing more is owed.
  NoteDeviceReply(static_cast<int>(slave));
  if (CSerialLinkerItem* owed = GetItem(replies.owedIndex)) owed->NoteLateReply();
  replies.longestReplyNs = std::max(replies.longestReplyNs, nowNs - replies.askedNs);
  replies.state = SlaveReplies::kInStep;
}

void CModBusBase::OnEvent(DWORD events, DWORD) {
  if ((events & EV_RXCHAR) == 0) return;
  BYTE scratch[64];
  for (;;) {
    std::vector<ReplyValue> values;
    {
      std::lock_guard<std::recursive_mutex> lock(m_receiveLock);
      // Checked before every read: a write transaction reads its reply itself.
      if (m_lineHeld.load()) return;
      // Bytes read before the outstanding read was handed to the port cannot begin its reply.
      const bool early = m_outstanding >= 0 && m_sendingNs.load() == 0;
      DWORD count = 0;
      if (Read(scratch, sizeof scratch, &count) != ERROR_SUCCESS || count == 0) return;
      // Noted under the lock that the poller checks the line's silence under.
      m_line.NoteReceived(SteadyNowNs());
      if (!early) FeedReceived(scratch, count, &values);
    }
    // Stored without the lock: storing may ask the operator (a type check), and the
    // UI thread may be waiting for the lock meanwhile.
    for (const ReplyValue& value : values) StoreItemValue(value.index, value.raw, true);
  }
}

void CModBusBase::FeedReceived(const BYTE* data, DWORD count, std::vector<ReplyValue>* values) {
  ModbusParseResult result = m_receiver.Feed(data, count);
  while (result.status != ModbusParse::NeedMore) {
    switch (result.status) {
      case ModbusParse::Complete:
      case ModbusParse::Exception:
      case ModbusParse::BadCrc: {
        const int index = TakeReply(result);
        if (index >= 0 && values) values->push_back({index, result.value});
        m_receiver.Watch();  // what comes behind it is no reply to this request
        break;
      }
      case ModbusParse::WrongSlave:
      case ModbusParse::Unexpected:
      case ModbusParse::Unsolicited: NoteUntakenFrame(result, SteadyNowNs()); break;
      default: break;
    }
    if (!m_receiver.IsArmed() && !m_receiver.IsWatching()) break;
    result = m_receiver.Feed(nullptr, 0);
  }
}

int CModBusBase::TakeReply(const ModbusParseResult& result) {
  std::lock_guard<std::recursive_mutex> lock(m_receiveLock);
  CSerialLinkerItem* item = GetItem(m_outstanding);
  if (item == nullptr) return -1;
  if (result.status != ModbusParse::Complete && result.status != ModbusParse::Exception &&
      result.status != ModbusParse::BadCrc) {
    return -1;  // not the reply to this request: dropped, the request still waits
  }
  const std::size_t slave = static_cast<std::size_t>(item->GetSlaveAddress()) % kSlaveSlots;
  if (SteadyNowNs() > m_deadlineNs.load()) {
    // Whole only after the band: the read has timed out (the poller is about to
    // see it), and this is its late reply, never taken.
    if (result.status != ModbusParse::BadCrc && m_heard.replies == 0 && !m_heard.late) {
      m_heard.late = true;
      m_heard.lateAtNs = SteadyNowNs();
      m_heard.first = result;
    } else if (result.status != ModbusParse::BadCrc) {
      ++m_droppedReplies[slave];
    }
    return -1;
  }
  if (m_slaves[slave].state == SlaveReplies::kChecked) {
    // Held to the band's end: taken only if no second reply comes in it.
    if (m_heard.replies++ == 0) m_heard.first = result;
    return -1;
  }
  int toStore = -1;
  switch (result.status) {
    case ModbusParse::Complete:
      toStore = m_outstanding;
      item->NoteReading();
      NoteDeviceReply(item->GetSlaveAddress());
      break;
    case ModbusParse::Exception:
      // The device is there and answers; it only refuses this tag's read.
      item->NoteReadRefused();
      NoteDeviceReply(item->GetSlaveAddress());
      item->SetErrorCount(item->GetErrorCount() + 1);  // answered, but with nothing to store
      break;
    case ModbusParse::BadCrc:
      item->SetErrorCount(item->GetErrorCount() + 1);  // answered, but with nothing to store
      break;
    default: return -1;
  }
  m_outstanding = -1;
  item->GetReplyEvent().Set();
  return toStore;
}

BOOL CModBusBase::HandleReply(const ModbusParseResult& result) {
  const int index = TakeReply(result);
  if (index < 0) return FALSE;
  StoreItemValue(index, result.value, true);
  return TRUE;
}

void CModBusBase::StoreItemValue(int index, std::uint32_t raw, bool countAnswer) {
  CSerialLinkerItem* item = GetItem(index);
  if (item == nullptr) return;
  const Variant before = item->GetValue();
  bool changed = before.IsEmpty();  // the first reading is always published, even 0
  if (!changed) {
    Variant asWord;
    changed = FAILED(VariantChangeType(asWord, before, VT_UI4)) || asWord.ulVal != raw;
  }
  // Stored before the engine is told, so that it publishes this value.
  item->SetValue(Variant::R4(static_cast<float>(static_cast<std::int32_t>(raw))));
  if (changed) PostItemChanged(item);
  if (countAnswer) item->SetAnswerCount(item->GetAnswerCount() + 1);
}

void CModBusBase::PostItemChanged(CSerialLinkerItem* item) {
  PostMessage(m_owner.load(), m_message, reinterpret_cast<WPARAM>(item), 0);
}

CModBusBase::WriteTry CModBusBase::TryWrite(const std::vector<BYTE>& request, DWORD replyLength) {
  // A line that keeps talking (noise, a frame longer than any reply) is not
  // spoken over: the try fails without sending.
  const std::int64_t giveUp = SteadyNowNs() + static_cast<std::int64_t>(kWriteReplyTimeoutMs) * 1000000 +
                              static_cast<std::int64_t>(ModbusReceiver::kCapacity) * m_characterNs.load();
  if (!WaitForQuietLine([] { return true; }, giveUp)) return {WriteTry::kLineBusy};
  if (SendFrame(request) != ERROR_SUCCESS) return {WriteTry::kNotSent};
  const std::int64_t sentNs = SteadyNowNs();
  {
    std::lock_guard<std::recursive_mutex> lock(m_receiveLock);
    m_line.NoteSent(sentNs, request.size());
  }
  // The reply time-out runs from when the request has left the line.
  const std::int64_t deadline = sentNs + static_cast<std::int64_t>(request.size()) * m_characterNs.load() +
                                static_cast<std::int64_t>(kWriteReplyTimeoutMs) * 1000000;
  ModbusReceiver receiver;
  receiver.ExpectWrite(request.data(), request.size());
  BYTE scratch[64];
  for (;;) {
    // Read once more after the deadline: what came in before it counts, however
    // late this thread looks.
    const bool last = SteadyNowNs() >= deadline;
    DWORD count = 0;
    if (Read(scratch, sizeof scratch, &count) != ERROR_SUCCESS) return {WriteTry::kNoAnswer};
    if (count > 0) {
      std::lock_guard<std::recursive_mutex> lock(m_receiveLock);
      m_line.NoteReceived(SteadyNowNs());
    }
    ModbusParseResult result = receiver.Feed(scratch, count);
    // A late reply to a given-up poll, or another slave's frame, is passed over.
    while (result.status == ModbusParse::WrongSlave || result.status == ModbusParse::Unexpected) {
      result = receiver.Feed(nullptr, 0);
    }
    if (result.status == ModbusParse::Exception) return {WriteTry::kRefused, result.exceptionCode};
    if (result.status != ModbusParse::NeedMore) {
      const bool confirmed = result.status == ModbusParse::Complete && replyLength == modbus::kWriteReplyLength;
      return {confirmed ? WriteTry::kConfirmed : WriteTry::kNoAnswer};
    }
    if (last) return {WriteTry::kNoAnswer};
    if (count == 0) std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
}

std::string CModBusBase::DescribeFailure(const WriteTry& last, int tries) {
  switch (last.outcome) {
    case WriteTry::kRefused:
      return ruv::Format("%s (Modbus exception %d)", kRefusedCause, static_cast<int>(last.exceptionCode));
    case WriteTry::kLineBusy: return "the serial line never fell quiet to send it";
    case WriteTry::kNotSent: return "the serial port would not send it";
    default: return ruv::Format("%s (%d tries)", kNoAnswerCause, tries);
  }
}

bool CModBusBase::TryAll(const std::vector<BYTE>& request, DWORD replyLength, int retries, std::string* failure) {
  WriteTry last;
  int tries = 0;
  // A refusal is the device's definite answer: asking again would only repeat it.
  while (tries <= retries && last.outcome != WriteTry::kConfirmed && last.outcome != WriteTry::kRefused) {
    last = TryWrite(request, replyLength);
    ++tries;
    if (last.outcome == WriteTry::kConfirmed || last.outcome == WriteTry::kRefused) NoteDeviceReply(request[0]);
  }
  const bool ok = last.outcome == WriteTry::kConfirmed;
  if (!ok && failure) *failure = DescribeFailure(last, tries);
  return ok;
}

void CModBusBase::NoteDeviceReply(int slave) {
  if (slave >= 0 && static_cast<std::size_t>(slave) < kSlaveSlots) ++m_deviceReplies[static_cast<std::size_t>(slave)];
}

std::uint64_t CModBusBase::GetDroppedReplies(int slave) const {
  if (slave < 0 || static_cast<std::size_t>(slave) >= kSlaveSlots) return 0;
  return m_droppedReplies[static_cast<std::size_t>(slave)].load();
}

std::uint64_t CModBusBase::GetDeviceReplies(int slave) const {
  if (slave < 0 || static_cast<std::size_t>(slave) >= kSlaveSlots) return 0;
  return m_deviceReplies[static_cast<std::size_t>(slave)].load();
}
