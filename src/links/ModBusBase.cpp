#include "links/ModBusBase.h"

#include <cstring>
#include <thread>

#include "datacenter/EngineServices.h"
#include "datacenter/RTimer.h"
#include "datacenter/ThreadEngine.h"
#include "links/ModbusRtu.h"
#include "platform/base/Clock.h"

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
  // Values left from an earlier run would hide the first reading of this one.
  for (CSerialLinkerItem* item : m_items) item->ClearValue();
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
    // Under the receive lock: once set, the listener reads nothing more.
    std::lock_guard<std::recursive_mutex> lock(m_receiveLock);
    previous = m_sync.load();
    if (previous == sync) return previous;
    idleBefore = m_idlePasses.load();
    m_sync.store(sync);
  }
  if (sync && m_pollThread && m_pollThread->IsRunning()) {
    // The poll in flight is given up at once (no time-out counted); the poller
    // then shows it stands aside within one pass. The UI thread keeps servicing
    // messages meanwhile.
    WakePoller();
    WaitPumping([&] { return m_idlePasses.load() != idleBefore || !m_pollThread->IsRunning(); }, kIdleWaitMs);
  }
  ResetReceiver(true);
  return previous;
}

void CModBusBase::WakePoller() {
  std::lock_guard<std::recursive_mutex> lock(m_receiveLock);
  if (CSerialLinkerItem* item = GetItem(m_outstanding)) item->GetReplyEvent().Set();
}

void CModBusBase::ResetReceiver(bool purge) {
  std::lock_guard<std::recursive_mutex> lock(m_receiveLock);
  m_receiver.Flush();
  if (purge && IsOpen()) Purge();
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

std::chrono::nanoseconds ModbusFrameSilence(int baud, int bitsPerChar) {
  if (baud <= 0 || bitsPerChar <= 0) return std::chrono::milliseconds(1);
  const double seconds = 3.5 * 1.03 * bitsPerChar / baud;
  return std::chrono::nanoseconds(static_cast<std::int64_t>(seconds * 1e9));
}

namespace {
std::int64_t SteadyNowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}
}  // namespace

void CModBusBase::MarkReplyEnd() { m_lastReplyEndNs.store(SteadyNowNs()); }

void CModBusBase::WaitFrameSilence() {
  const std::int64_t last = m_lastReplyEndNs.load();
  if (last == 0) return;  // nothing was answered yet: the line is quiet
  const std::int64_t due = last + m_frameSilenceNs.load();
  const std::int64_t now = SteadyNowNs();
  if (due > now) std::this_thread::sleep_for(std::chrono::nanoseconds(due - now));
}

UINT CModBusBase::PollingProc(CThreadEngine* thread) {
  thread->SetRunning(true);
  auto* self = static_cast<CModBusBase*>(thread->GetOwner());
  {
    // Start, data, parity and stop bits of one character on the line.
    const int stopBits = self->GetStopBits() == ONESTOPBIT ? 1 : 2;
    const int bits = 1 + self->GetByteSize() + (self->GetParity() != NOPARITY ? 1 : 0) + stopBits;
    self->m_frameSilenceNs.store(ModbusFrameSilence(self->GetBaudRate(), bits).count());
  }
  self->m_sync.store(false);
  self->ResetReceiver(true);
  CRTimer pace(true);
  while (thread->IsKeepRunning()) {
    const DWORD elapsed = pace.GetElapsedMs();
    if (elapsed < kPollPeriodMs) Sleep(kPollPeriodMs - elapsed);
    pace.Restart();
    if (self->m_sync.load()) ++self->m_idlePasses;
    else if (GetEngine()->IsRealHardware()) self->PollItems();
  }
  thread->SetRunning(false);
  return 0;
}

void CModBusBase::PollItems() {
  for (int i = 0; i < GetItemCount(); ++i) {
    if (!m_pollThread->IsKeepRunning() || m_sync.load()) return;
    CSerialLinkerItem* item = m_items[static_cast<std::size_t>(i)];
    if (item->IsPollNotDue()) continue;
    WaitFrameSilence();
    PollItem(i, item);
  }
}

void CModBusBase::PollItem(int index, CSerialLinkerItem* item) {
  std::vector<BYTE> request;
  const BYTE slave = static_cast<BYTE>(item->GetSlaveAddress());
  BuildReadRequest(slave, item->GetRegister() - 40000, 2, request);
  {
    std::lock_guard<std::recursive_mutex> lock(m_receiveLock);
    // A write took the port meanwhile, or a stop came after its wake-up found nothing to wake.
    if (m_sync.load() || !m_pollThread->IsKeepRunning()) return;
    // Whatever still lies in the input is a late answer to an earlier request.
    m_receiver.ExpectRead(slave);
    m_outstanding = index;
    item->GetReplyEvent().Reset();
    if (IsOpen()) Purge();
  }
  SendFrame(request);
  item->SetLastRequestTick(GetTickCount());
  // Ends with the reply, the band, a stop or a write taking the port (WakePoller).
  item->GetReplyEvent().Wait(item->GetTimeoutBand());
  std::lock_guard<std::recursive_mutex> lock(m_receiveLock);
  if (m_outstanding != index) {
    item->GetReplyEvent().Reset();  // answered (perhaps just as the wait ran out)
    return;
  }
  // Given up for a stop or a write: the slave was not too slow, so no time-out.
  // Otherwise no whole reply came in time (none at all, or a truncated one).
  if (m_pollThread->IsKeepRunning() && !m_sync.load()) item->SetTimeoutCount(item->GetTimeoutCount() + 1);
  item->GetReplyEvent().Reset();
  m_outstanding = -1;
  m_receiver.Disarm();
  if (IsOpen()) Purge();
}

void CModBusBase::OnEvent(DWORD events, DWORD) {
  if ((events & EV_RXCHAR) == 0) return;
  BYTE scratch[64];
  for (;;) {
    std::vector<ReplyValue> values;
    {
      std::lock_guard<std::recursive_mutex> lock(m_receiveLock);
      // Checked before every read: a write transaction reads its reply itself.
      if (m_sync.load()) return;
      DWORD count = 0;
      if (Read(scratch, sizeof scratch, &count) != ERROR_SUCCESS || count == 0) return;
      ModbusParseResult result = m_receiver.Feed(scratch, count);
      while (result.status != ModbusParse::NeedMore) {
        if (const int index = TakeReply(result); index >= 0) values.push_back({index, result.value});
        if (!m_receiver.IsArmed()) break;
        result = m_receiver.Feed(nullptr, 0);
      }
    }
    // Stored without the lock: storing may ask the operator (a type check), and the
    // UI thread may be waiting for the lock meanwhile.
    for (const ReplyValue& value : values) StoreItemValue(value.index, value.raw, true);
  }
}

int CModBusBase::TakeReply(const ModbusParseResult& result) {
  std::lock_guard<std::recursive_mutex> lock(m_receiveLock);
  CSerialLinkerItem* item = GetItem(m_outstanding);
  if (item == nullptr) return -1;
  int toStore = -1;
  switch (result.status) {
    case ModbusParse::Complete: toStore = m_outstanding; break;
    case ModbusParse::BadCrc:
    case ModbusParse::Exception:
      item->SetErrorCount(item->GetErrorCount() + 1);  // answered, but with nothing to store
      break;
    default:
      return -1;  // not the reply to this request: dropped, the request still waits
  }
  m_outstanding = -1;
  MarkReplyEnd();
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

BOOL CModBusBase::Transact(const std::vector<BYTE>& request, DWORD replyLength, int retries) {
  for (;;) {
    const bool previous = SetSyncMode(true);
    std::vector<BYTE> reply(1024, 0);
    bool ok = false;
    WaitFrameSilence();
    if (SendFrame(request) == ERROR_SUCCESS) {
      SetupReadTimeouts(EReadBlocking);
      DWORD count = 0;
      const LONG read = Read(reply.data(), replyLength, &count, nullptr, kWriteReplyTimeoutMs);
      SetupReadTimeouts(EReadNonBlocking);
      if (count > 0) MarkReplyEnd();
      ok = read == ERROR_SUCCESS && count == replyLength && CheckCrc(reply.data(), replyLength) &&
           replyLength >= 2 && request.size() >= replyLength - 2 &&
           std::memcmp(reply.data(), request.data(), replyLength - 2) == 0;
    }
    Sleep(1);
    SetSyncMode(previous);
    if (ok) return TRUE;
    if (retries-- <= 0) return FALSE;
  }
}

BOOL CModBusBase::WriteRegisters(int slave, int address, std::int32_t value) {
  if (!GetEngine()->IsRealHardware()) return TRUE;
  BYTE bytes[4];
  modbus::SplitBigEndian(static_cast<std::uint32_t>(value), bytes);
  std::vector<BYTE> request;
  BuildWriteRequest(static_cast<BYTE>(slave), address, 2, bytes, request);
  return Transact(request, modbus::kWriteReplyLength, kWriteRetries);
}
