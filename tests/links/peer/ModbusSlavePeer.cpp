#include "peer/ModbusSlavePeer.h"

#include <fcntl.h>
#include <modbus.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <numeric>
#include <stdexcept>

namespace {

// An independent CRC (bit by bit) for the frames the peer itself changes.
std::uint16_t BitwiseCrc(const std::uint8_t* data, std::size_t length) {
  std::uint16_t crc = 0xFFFF;
  for (std::size_t i = 0; i < length; ++i) {
    crc ^= data[i];
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001) : crc >> 1;
  }
  return crc;
}

// Sleeps to `until` (within a few microseconds: the last stretch is spun, as a
// sleep alone overshoots by more than a character at 38400 baud).
void SleepUntil(std::chrono::steady_clock::time_point until) {
  using namespace std::chrono;
  const auto spinFrom = until - microseconds(150);
  if (steady_clock::now() < spinFrom) {
    const auto since = spinFrom.time_since_epoch();
    timespec at{};
    at.tv_sec = static_cast<time_t>(duration_cast<seconds>(since).count());
    at.tv_nsec = static_cast<long>(duration_cast<nanoseconds>(since - seconds(at.tv_sec)).count());
    // steady_clock is CLOCK_MONOTONIC on Linux.
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr) == EINTR) {
    }
  }
  while (steady_clock::now() < until) {
  }
}

void FixCrc(std::vector<std::uint8_t>& frame) {
  const std::uint16_t crc = BitwiseCrc(frame.data(), frame.size() - 2);
  frame[frame.size() - 2] = static_cast<std::uint8_t>(crc & 0xFF);
  frame[frame.size() - 1] = static_cast<std::uint8_t>(crc >> 8);
}

}  // namespace

ModbusSlavePeer::ModbusSlavePeer() {
  m_ctx = modbus_new_rtu("/dev/null", 38400, 'N', 8, 1);  // never connected: it talks over our pipe
  if (m_ctx == nullptr || pipe2(m_replyPipe, O_CLOEXEC | O_NONBLOCK) != 0) throw std::runtime_error("libmodbus setup");
  modbus_set_socket(m_ctx, m_replyPipe[1]);
}

ModbusSlavePeer::~ModbusSlavePeer() {
  Stop();
  for (auto& [slave, mapping] : m_slaves) modbus_mapping_free(mapping);
  modbus_free(m_ctx);
  ::close(m_replyPipe[0]);
  ::close(m_replyPipe[1]);
}

void ModbusSlavePeer::AddSlave(int slave) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_slaves.count(slave) == 0) m_slaves[slave] = modbus_mapping_new(0, 0, 1000, 0);
}

void ModbusSlavePeer::SetSilent(int slave, bool silent) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_silent[slave] = silent;
}

void ModbusSlavePeer::SetWrites(int slave, Writes writes) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_writes[slave] = writes;
}

void ModbusSlavePeer::SetValue(int slave, int registerNumber, std::int32_t value) {
  std::lock_guard<std::mutex> lock(m_mutex);
  auto* mapping = m_slaves.at(slave);
  const int address = registerNumber - 40001;
  const auto raw = static_cast<std::uint32_t>(value);
  mapping->tab_registers[address] = static_cast<std::uint16_t>(raw >> 16);
  mapping->tab_registers[address + 1] = static_cast<std::uint16_t>(raw & 0xFFFF);
}

std::int32_t ModbusSlavePeer::GetValue(int slave, int registerNumber) {
  std::lock_guard<std::mutex> lock(m_mutex);
  auto* mapping = m_slaves.at(slave);
  const int address = registerNumber - 40001;
  return static_cast<std::int32_t>((std::uint32_t{mapping->tab_registers[address]} << 16) |
                                   mapping->tab_registers[address + 1]);
}

void ModbusSlavePeer::InjectFault(Fault fault, int count, int otherSlave) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_fault = fault;
  m_faultCount = count;
  m_otherSlave = otherSlave;
}

void ModbusSlavePeer::HoldNextReadReply(int slave, int registerNumber) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_holdNext = std::make_pair(slave, registerNumber);
}

void ModbusSlavePeer::SetReadReplies(int slave, int registerNumber, int lateMs, bool ignored) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_readReplies[{slave, registerNumber}] = {lateMs, ignored};
}

int ModbusSlavePeer::RequestsFor(int slave) {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_requests[slave];
}

std::vector<ModbusSlavePeer::WriteRequest> ModbusSlavePeer::WriteLog() {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_writeLog;
}

std::vector<std::int32_t> ModbusSlavePeer::WrittenValues(int slave, int registerNumber) {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_writtenValues[{slave, registerNumber}];
}

void ModbusSlavePeer::SetWireBaud(int baud) { m_wireBaud.store(baud < 0 ? 0 : baud); }

double ModbusSlavePeer::CharacterSeconds() const {
  const int baud = m_wireBaud.load();
  return baud > 0 ? 10.0 / baud : 0.0;
}

double ModbusSlavePeer::FrameSilenceSeconds() const {
  const int baud = m_wireBaud.load();
  return baud > 19200 ? 1.75e-3 : 3.5 * CharacterSeconds();
}

double ModbusSlavePeer::CharacterLimitSeconds() const {
  const int baud = m_wireBaud.load();
  return baud > 19200 ? 750e-6 : 1.5 * CharacterSeconds();
}

ModbusSlavePeer::Silences ModbusSlavePeer::MeasuredSilences() {
  std::lock_guard<std::mutex> lock(m_mutex);
  Silences result;
  result.count = static_cast<int>(m_silenceChars.size());
  result.unmeasured = m_unmeasured;
  result.lateMeanSeconds = m_timedReplies > 0 ? m_lateSeconds / m_timedReplies : 0.0;
  if (m_silenceChars.empty()) return result;
  result.minChars = *std::min_element(m_silenceChars.begin(), m_silenceChars.end());
  result.meanChars = std::accumulate(m_silenceChars.begin(), m_silenceChars.end(), 0.0) / result.count;
  const double ruleChars = CharacterSeconds() > 0 ? FrameSilenceSeconds() / CharacterSeconds() : 0.0;
  result.belowRule = static_cast<int>(std::count_if(m_silenceChars.begin(), m_silenceChars.end(),
                                                    [&](double chars) { return chars < ruleChars; }));
  return result;
}

void ModbusSlavePeer::ResetSilences() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_silenceChars.clear();
  m_lastReplyEnd.reset();
  m_unmeasured = 0;
  m_lateSeconds = 0;
  m_timedReplies = 0;
}

void ModbusSlavePeer::NoteRequestArrival(Clock::time_point arrived) {
  const double character = CharacterSeconds();
  std::lock_guard<std::mutex> lock(m_mutex);
  if (character <= 0 || !m_lastReplyEnd) return;
  const double silence = std::chrono::duration<double>(arrived - *m_lastReplyEnd).count();
  m_silenceChars.push_back(silence / character);
  m_lastReplyEnd.reset();
}

void ModbusSlavePeer::Start() {
  m_stop.store(false);
  m_thread = std::thread(&ModbusSlavePeer::Serve, this);
}

void ModbusSlavePeer::Stop() {
  m_stop.store(true);
  if (m_thread.joinable()) m_thread.join();
}

void ModbusSlavePeer::Serve() {
  // Wire timing needs wake-ups to the microsecond, not the default 50 us slack.
  ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
  std::vector<std::uint8_t> pending;
  Clock::time_point pendingSince{};  // when the first byte of `pending` came
  while (!m_stop.load() && m_pty.MasterFd() >= 0) {
    pollfd entry{m_pty.MasterFd(), POLLIN, 0};
    if (::poll(&entry, 1, 10) <= 0) continue;
    std::uint8_t chunk[256];
    const ssize_t got = ::read(m_pty.MasterFd(), chunk, sizeof chunk);
    if (got <= 0) continue;
    const Clock::time_point now = Clock::now();
    if (pending.empty()) {
      pendingSince = now;
      NoteRequestArrival(now);
    }
    pending.insert(pending.end(), chunk, chunk + got);
    // Frame requests by their function; anything that frames nothing is skipped.
    for (;;) {
      if (pending.size() < 2) break;
      std::size_t length = 0;
      if (pending[1] == 3) length = 8;
      else if (pending[1] == 16 && pending.size() >= 7) length = 9u + pending[6];
      else if (pending[1] != 16) {
        pending.erase(pending.begin());
        continue;
      }
      if (length == 0 || pending.size() < length) break;
      std::vector<std::uint8_t> request(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(length));
      if (BitwiseCrc(request.data(), length - 2) !=
          (request[length - 2] | (request[length - 1] << 8))) {
        pending.erase(pending.begin());
        continue;
      }
      pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(length));
      Answer(request, pendingSince);
      pendingSince = now;
      if (m_pty.MasterFd() < 0) return;
    }
  }
}

void ModbusSlavePeer::Answer(const std::vector<std::uint8_t>& request, Clock::time_point arrived) {
  std::vector<std::uint8_t> reply;
  std::optional<HeldReply> held;
  int lateMs = 0;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    const int slave = request[0];
    ++m_requests[slave];
    // A reply held back goes out before the reply to whatever this slave is asked next.
    if (m_held && m_held->slave == slave) {
      held = std::move(m_held);
      m_held.reset();
    }
    bool holdThis = false;
    bool ignored = false;
    if (request[1] == 3) {
      const int registerNumber = 40001 + ((request[2] << 8) | request[3]);
      const ReadReplies how = m_readReplies[{slave, registerNumber}];
      ignored = how.ignored;
      lateMs = how.lateMs;
      holdThis = !ignored && m_holdNext && *m_holdNext == std::make_pair(slave, registerNumber);
      if (holdThis) m_holdNext.reset();
    }
    if (request[1] == 16) {
      const int registerNumber = 40001 + ((request[2] << 8) | request[3]);
      m_writeLog.push_back({slave, registerNumber});
      if (request[6] == 4) {
        m_writtenValues[{slave, registerNumber}].push_back(static_cast<std::int32_t>(
            (std::uint32_t{request[7]} << 24) | (std::uint32_t{request[8]} << 16) | (std::uint32_t{request[9]} << 8) |
            request[10]));
      }
    }
    auto found = m_slaves.find(slave);
    const Writes writes = request[1] == 16 ? m_writes[slave] : Writes::Taken;
    if (found != m_slaves.end() && !m_silent[slave] && !ignored && writes != Writes::Ignored) {
      modbus_set_slave(m_ctx, slave);
      const int replied =
          writes == Writes::Refused
              ? modbus_reply_exception(m_ctx, request.data(), MODBUS_EXCEPTION_SLAVE_OR_SERVER_FAILURE)
              : modbus_reply(m_ctx, request.data(), static_cast<int>(request.size()), found->second);
      std::uint8_t buffer[300];
      const ssize_t got = replied < 0 ? 0 : ::read(m_replyPipe[0], buffer, sizeof buffer);
      if (got > 0) reply.assign(buffer, buffer + got);
    }
    if (holdThis && !reply.empty()) {
      m_held = HeldReply{slave, std::move(reply)};
      reply.clear();
    }
  }
  if (reply.empty() && !held) return;
  SendSpoiled(std::move(reply), arrived, request.size(), std::move(held), lateMs);
}

void ModbusSlavePeer::SendSpoiled(std::vector<std::uint8_t> reply, Clock::time_point arrived,
                                  std::size_t requestLength, std::optional<HeldReply> held, int lateMs) {
  if (held) {
    // The held reply first, as the slave's answer to this request would have gone.
    const std::string wire(held->reply.begin(), held->reply.end());
    const std::chrono::duration<double> onWire(CharacterSeconds() * requestLength + FrameSilenceSeconds());
    SendOnWire(wire, arrived + std::chrono::duration_cast<Clock::duration>(onWire));
    m_heldSent.fetch_add(1);
    // Its own reply follows after the line's silence.
    arrived = Clock::now() - std::chrono::duration_cast<Clock::duration>(
                                 std::chrono::duration<double>(CharacterSeconds() * requestLength));
  }
  if (reply.empty()) return;
  if (lateMs > 0) {
    arrived += std::chrono::milliseconds(lateMs);
    if (CharacterSeconds() <= 0) SleepUntil(arrived);  // no wire time to keep: late by the clock alone
  }
  Fault fault = Fault::None;
  int otherSlave = 0;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_faultCount > 0) {
      fault = m_fault;
      otherSlave = m_otherSlave;
      --m_faultCount;
    }
  }
  std::string wire;
  switch (fault) {
    case Fault::BadCrc: reply.back() ^= 0x5A; break;
    case Fault::Truncated: reply.resize(5); break;
    case Fault::OtherSlave:
      reply[0] = static_cast<std::uint8_t>(otherSlave);
      FixCrc(reply);
      break;
    case Fault::NoiseBefore: wire = std::string("\x00\xFF\x03\x7E", 4); break;
    case Fault::CloseLine: m_pty.CloseMaster(); return;
    default: break;
  }
  wire.append(reply.begin(), reply.end());
  if (fault == Fault::NoiseAfter) wire.append("\xFE\x00\x55", 3);
  // The request takes its own wire time, then the slave waits out the line's silence.
  const std::chrono::duration<double> onWire(CharacterSeconds() * requestLength + FrameSilenceSeconds());
  SendOnWire(wire, arrived + std::chrono::duration_cast<Clock::duration>(onWire));
  m_replies.fetch_add(1);
}

bool ModbusSlavePeer::RequestWaiting() {
  int queued = 0;
  return ::ioctl(m_pty.MasterFd(), FIONREAD, &queued) == 0 && queued > 0;
}

void ModbusSlavePeer::SendOnWire(const std::string& wire, Clock::time_point start) {
  const double character = CharacterSeconds();
  if (character <= 0) {
    m_pty.Send(wire);
    return;
  }
  const auto step = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(character));
  // A byte is whole on the wire (and so in the master's input) one character after it starts.
  Clock::time_point before{};
  Clock::duration longestGap{};
  bool heardFirst = false;  // the master spoke before this reply began: this slave is the late one
  for (std::size_t i = 0; i < wire.size(); ++i) {
    SleepUntil(start + step * static_cast<int>(i + 1));
    if (i == 0) heardFirst = RequestWaiting();
    const Clock::time_point previous = before;
    before = Clock::now();
    if (i == 0 && before > start + step * 2) heardFirst = true;  // began late: the master may have moved on
    if (i > 0) longestGap = std::max(longestGap, before - previous);
    m_pty.Send(wire.substr(i, 1));
    if (i == 0 && RequestWaiting()) heardFirst = true;  // came in just as the reply began
  }
  const Clock::time_point after = Clock::now();
  std::lock_guard<std::mutex> lock(m_mutex);
  ++m_timedReplies;
  m_lateSeconds += std::chrono::duration<double>(before - (start + step * static_cast<int>(wire.size()))).count();
  // The silence after a reply is the master's to keep only when the reply went
  // out as a slave on time sends it. Not measured: a reply begun late or after
  // the master spoke again (a slave answering an abandoned request talks over
  // the master), one with a pause longer than a frame allows (a frame ends
  // there on a real line, so the master may take the line as quiet), or one
  // whose last byte this thread lost the processor around. Otherwise the
  // silence counts from before the last byte was written. A figure for the
  // bench: on a busy machine the pseudo-terminal itself may hold bytes back in
  // either direction, so tests judge the master's silences at its own port.
  const auto limit =
      std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(CharacterLimitSeconds()));
  if (heardFirst || after - before > step / 4 || longestGap > limit) {
    m_lastReplyEnd.reset();
    ++m_unmeasured;
  } else {
    m_lastReplyEnd = before;
  }
}
