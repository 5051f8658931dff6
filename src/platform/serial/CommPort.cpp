#include "platform/serial/CommPort.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <string>
#include <system_error>
#include <utility>

#include "platform/base/Text.h"
#include "platform/serial/ComPortPath.h"
#include "platform/serial/LineSettings.h"

namespace {

using SteadyClock = std::chrono::steady_clock;

DWORD OpenErrorFromErrno(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
    case ENXIO:
    case ENODEV:
    case EIO:  // a serial device node without hardware behind it
      return ERROR_FILE_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EBUSY:
      return ERROR_ACCESS_DENIED;
    default:
      return ERROR_OPEN_FAILED;
  }
}

// Milliseconds left until `deadline`, 0 when passed; -1 for no deadline.
int MsLeft(const SteadyClock::time_point* deadline) {
  if (deadline == nullptr) return -1;
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(*deadline - SteadyClock::now()).count();
  if (left <= 0) return 0;
  return left > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(left);
}

int EarliestMs(int a, int b) {
  if (a < 0) return b;
  if (b < 0) return a;
  return a < b ? a : b;
}

// Why a line setting fails: the code the call returns and the system's words.
struct Refusal {
  DWORD code = ERROR_SUCCESS;
  std::string cause;
};

Refusal Refuse(DWORD code, std::string cause) { return Refusal{code, std::move(cause)}; }

constexpr DWORD kSlowestBaud = 50;
constexpr DWORD kFastestBaud = 0x7FFFFFFF;

// The DCB fields that have a termios form, checked before anything changes.
Refusal CheckSupported(const DCB& dcb) {
  if (dcb.BaudRate == 0) return Refuse(ERROR_INVALID_PARAMETER, "no line runs at 0 baud");
  // The kernel holds a rate in a signed field: a rate at or above 2^31 (a
  // negative number in the settings file) reads back negative.
  if (dcb.BaudRate > kFastestBaud) {
    return Refuse(ERROR_INVALID_PARAMETER,
                  ruv::Format("no line runs at %u baud (2147483647 at the most)", static_cast<unsigned>(dcb.BaudRate)));
  }
  // Below it one polled register pair takes seconds and a frame's silence most of one.
  if (dcb.BaudRate < kSlowestBaud) {
    return Refuse(ERROR_INVALID_PARAMETER, ruv::Format("%u baud is too slow to poll a device (50 baud at the least)",
                                                       static_cast<unsigned>(dcb.BaudRate)));
  }
  if (dcb.ByteSize < 5 || dcb.ByteSize > 8) {
    return Refuse(ERROR_INVALID_PARAMETER, ruv::Format("a line carries 5 to 8 data bits, not %d", dcb.ByteSize));
  }
  if (dcb.Parity > SPACEPARITY) return Refuse(ERROR_INVALID_PARAMETER, ruv::Format("there is no parity %d", dcb.Parity));
  if (dcb.StopBits == ONE5STOPBITS) return Refuse(ERROR_INVALID_PARAMETER, "the line has no 1.5 stop bits");
  if (dcb.StopBits != ONESTOPBIT && dcb.StopBits != TWOSTOPBITS) {
    return Refuse(ERROR_INVALID_PARAMETER, ruv::Format("there are no stop bits %d", dcb.StopBits));
  }
  if (dcb.fOutxDsrFlow || dcb.fDsrSensitivity || dcb.fDtrControl == DTR_CONTROL_HANDSHAKE) {
    return Refuse(ERROR_INVALID_PARAMETER, "the line has no DSR or DTR handshaking");
  }
  if (dcb.fDtrControl > DTR_CONTROL_HANDSHAKE || dcb.fRtsControl > RTS_CONTROL_HANDSHAKE) {
    return Refuse(ERROR_INVALID_PARAMETER, "the line does not toggle RTS or DTR by itself");
  }
  // termios knows RTS/CTS flow only in both directions together.
  if (dcb.fOutxCtsFlow != (dcb.fRtsControl == RTS_CONTROL_HANDSHAKE)) {
    return Refuse(ERROR_INVALID_PARAMETER, "the line has RTS/CTS flow only both ways together");
  }
  if (dcb.fNull || dcb.fErrorChar) {
    return Refuse(ERROR_INVALID_PARAMETER, "the line neither strips nulls nor replaces bytes received in error");
  }
  return Refusal{};
}

bool DeviceGone(int error) { return error == ENODEV || error == ENXIO || error == EIO; }

std::string SystemWords(int error) { return std::generic_category().message(error); }

const char* ParityName(BYTE parity) {
  static const char* const kNames[] = {"none", "odd", "even", "mark", "space"};
  return parity <= SPACEPARITY ? kNames[parity] : "?";
}

}  // namespace

std::unique_ptr<CommPort> CommPort::Open(const std::string& portName, DWORD& error) {
  const std::string path = ResolveComPortPath(portName);
  if (path.empty()) {
    error = ERROR_FILE_NOT_FOUND;
    return nullptr;
  }
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    error = OpenErrorFromErrno(errno);
    return nullptr;
  }
  auto fail = [&](DWORD code) -> std::unique_ptr<CommPort> {
    ::close(fd);
    error = code;
    return nullptr;
  };
  if (!isatty(fd)) return fail(ERROR_FILE_NOT_FOUND);  // not a serial line at all
  // Exclusive as a port must be: flock holds against every other opener, root included.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) return fail(errno == EWOULDBLOCK ? ERROR_ACCESS_DENIED : ERROR_OPEN_FAILED);

  termios tio{};
  if (tcgetattr(fd, &tio) != 0) return fail(ERROR_GEN_FAILURE);
  cfmakeraw(&tio);
  tio.c_cflag |= CLOCAL | CREAD;
  tio.c_cc[VMIN] = 1;
  tio.c_cc[VTIME] = 0;
  if (tcsetattr(fd, TCSANOW, &tio) != 0) return fail(ERROR_GEN_FAILURE);

  const int epollFd = epoll_create1(EPOLL_CLOEXEC);
  if (epollFd < 0) return fail(ERROR_GEN_FAILURE);
  const int wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (wakeFd < 0) {
    ::close(epollFd);
    return fail(ERROR_GEN_FAILURE);
  }
  // Edge-triggered: each arrival of bytes is one readiness report, so a wait does
  // not come back again and again while bytes lie unread.
  epoll_event lineEvent{};
  lineEvent.events = EPOLLIN | EPOLLRDHUP | EPOLLET;
  lineEvent.data.fd = fd;
  epoll_event wakeEvent{};
  wakeEvent.events = EPOLLIN;
  wakeEvent.data.fd = wakeFd;
  if (epoll_ctl(epollFd, EPOLL_CTL_ADD, fd, &lineEvent) != 0 || epoll_ctl(epollFd, EPOLL_CTL_ADD, wakeFd, &wakeEvent) != 0) {
    ::close(wakeFd);
    ::close(epollFd);
    return fail(ERROR_GEN_FAILURE);
  }
  error = ERROR_SUCCESS;
  return std::unique_ptr<CommPort>(new CommPort(path, fd, epollFd, wakeFd));
}

DWORD CommPort::GetDefaultCommConfig(const std::string& portName, COMMCONFIG& config) {
  const std::string path = ResolveComPortPath(portName);
  struct stat info {};
  if (path.empty() || stat(path.c_str(), &info) != 0 || !S_ISCHR(info.st_mode)) return ERROR_FILE_NOT_FOUND;
  config = COMMCONFIG{};
  DCB& dcb = config.dcb;
  dcb.BaudRate = 9600;
  dcb.ByteSize = 8;
  dcb.Parity = NOPARITY;
  dcb.StopBits = ONESTOPBIT;
  dcb.fDtrControl = DTR_CONTROL_ENABLE;
  dcb.fRtsControl = RTS_CONTROL_ENABLE;
  dcb.XonLim = 2048;
  dcb.XoffLim = 512;
  dcb.XonChar = 0x11;
  dcb.XoffChar = 0x13;
  return ERROR_SUCCESS;
}

CommPort::CommPort(std::string path, int fd, int epollFd, int wakeFd)
    : m_path(std::move(path)), m_fd(fd), m_epollFd(epollFd), m_wakeFd(wakeFd) {
  DCB dcb;
  GetCommState(dcb);
  m_kept = dcb;
}

CommPort::~CommPort() {
  ::close(m_wakeFd);
  ::close(m_epollFd);
  ::close(m_fd);  // releases the lock
}

bool CommPort::HungUp() const {
  pollfd entry{m_fd, POLLIN, 0};
  return ::poll(&entry, 1, 0) > 0 && (entry.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

DWORD CommPort::SetupComm(DWORD, DWORD) {
  // The line discipline's buffers are fixed; any requested size is accepted.
  return HungUp() ? ERROR_DEVICE_NOT_CONNECTED : ERROR_SUCCESS;
}

DWORD CommPort::GetCommState(DCB& dcb) {
  std::lock_guard<std::mutex> line(m_lineMutex);
  DCB held;
  if (const int error = ReadLineSettings(m_fd, held); error != 0) return Fail(error);
  std::lock_guard<std::mutex> lock(m_mutex);
  dcb = m_kept;
  dcb.DCBlength = kWin32DcbLength;
  // The rate set reads back as set, not as the divisor the driver made of it.
  dcb.BaudRate = RunsAtRate(held.BaudRate, m_kept.BaudRate) ? m_kept.BaudRate : held.BaudRate;
  dcb.ByteSize = held.ByteSize;
  dcb.Parity = held.Parity;
  dcb.fParity = held.fParity;
  dcb.StopBits = held.StopBits;
  dcb.fOutxCtsFlow = held.fOutxCtsFlow;
  if (held.fOutxCtsFlow) dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
  else if (dcb.fRtsControl == RTS_CONTROL_HANDSHAKE) dcb.fRtsControl = RTS_CONTROL_ENABLE;
  dcb.fOutX = held.fOutX;
  dcb.fInX = held.fInX;
  dcb.XonChar = held.XonChar;
  dcb.XoffChar = held.XoffChar;
  return ERROR_SUCCESS;
}

DWORD CommPort::SetCommState(const DCB& dcb) {
  // Held across the whole change, so a reader meets the settings before or after it.
  std::lock_guard<std::mutex> line(m_lineMutex);
  if (const Refusal refused = CheckSupported(dcb); refused.code != ERROR_SUCCESS) {
    return Refused(refused.code, refused.cause);
  }
  const LineChange change = ChangeLineSettings(m_fd, dcb);
  switch (change.outcome) {
    case LineChange::kFailed:
      return Fail(change.error);
    case LineChange::kKeptOther:
      return Refused(ERROR_INVALID_PARAMETER,
                     ruv::Format("the device keeps %d data bits, parity %s, stop bits %s, %s", change.kept.ByteSize,
                                 ParityName(change.kept.Parity), change.kept.StopBits == TWOSTOPBITS ? "2" : "1",
                                 change.kept.fOutxCtsFlow ? "RTS/CTS flow" : "no RTS/CTS flow"));
    case LineChange::kOtherRate:
      return Refused(ERROR_NOT_SUPPORTED,
                     ruv::Format("the device runs at %u baud instead", static_cast<unsigned>(change.kept.BaudRate)));
    case LineChange::kTaken:
      break;
  }
  std::lock_guard<std::mutex> lock(m_mutex);
  m_cause.clear();
  m_kept = dcb;
  return ERROR_SUCCESS;
}

DWORD CommPort::Refused(DWORD code, const std::string& cause) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_cause = cause;
  return code;
}

DWORD CommPort::Fail(int error) {
  if (DeviceGone(error)) return Refused(ERROR_DEVICE_NOT_CONNECTED, SystemWords(error));
  if (HungUp()) return Refused(ERROR_DEVICE_NOT_CONNECTED, "the other side hung up");
  if (error == EINVAL) return Refused(ERROR_INVALID_PARAMETER, "the driver refuses it: " + SystemWords(error));
  return Refused(ERROR_GEN_FAILURE, "the driver failed: " + SystemWords(error));
}

std::string CommPort::LastCause() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_cause;
}

DWORD CommPort::SetCommConfig(const COMMCONFIG& config) { return SetCommState(config.dcb); }

DWORD CommPort::GetCommTimeouts(COMMTIMEOUTS& timeouts) {
  std::lock_guard<std::mutex> lock(m_mutex);
  timeouts = m_timeouts;
  return ERROR_SUCCESS;
}

DWORD CommPort::SetCommTimeouts(const COMMTIMEOUTS& timeouts) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_timeouts = timeouts;
  return ERROR_SUCCESS;
}

DWORD CommPort::SetCommMask(DWORD mask) {
  if ((mask & ~EV_ALL_KNOWN) != 0) return ERROR_INVALID_PARAMETER;
  m_mask.store(mask);
  // Completes the wait in progress (or the next one) with no events.
  m_maskChanged.store(true);
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t written = ::write(m_wakeFd, &one, sizeof one);
  return ERROR_SUCCESS;
}

DWORD CommPort::GetCommMask(DWORD& mask) {
  mask = m_mask.load();
  return ERROR_SUCCESS;
}

void CommPort::InjectLineErrors(DWORD errors) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_lineErrors |= errors;
    m_errorEventDue = true;
  }
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t written = ::write(m_wakeFd, &one, sizeof one);
}

DWORD CommPort::CollectLineErrors() {
  serial_icounter_struct counts{};
  std::lock_guard<std::mutex> lock(m_mutex);
  if (ioctl(m_fd, TIOCGICOUNT, &counts) == 0) {  // real UARTs only
    if (m_countersKnown) {
      DWORD found = 0;
      if (counts.frame != m_frame) found |= CE_FRAME;
      if (counts.overrun != m_overrun) found |= CE_OVERRUN;
      if (counts.parity != m_parity) found |= CE_RXPARITY;
      if (counts.brk != m_brk) found |= CE_BREAK;
      if (counts.buf_overrun != m_bufOverrun) found |= CE_RXOVER;
      if (found != 0) {
        m_lineErrors |= found;
        m_errorEventDue = true;
      }
    }
    m_countersKnown = true;
    m_frame = counts.frame;
    m_overrun = counts.overrun;
    m_parity = counts.parity;
    m_brk = counts.brk;
    m_bufOverrun = counts.buf_overrun;
  }
  return m_lineErrors;
}

DWORD CommPort::WaitCommEvent(DWORD& events, DWORD timeoutMs) {
  events = 0;
  const auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
  const SteadyClock::time_point* until = timeoutMs == INFINITE ? nullptr : &deadline;
  for (;;) {
    if (HungUp()) return ERROR_DEVICE_NOT_CONNECTED;
    const DWORD mask = m_mask.load();
    CollectLineErrors();
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      if (m_errorEventDue) {
        DWORD found = 0;
        if ((mask & EV_ERR) && (m_lineErrors & (CE_FRAME | CE_OVERRUN | CE_RXPARITY | CE_RXOVER))) found |= EV_ERR;
        if ((mask & EV_BREAK) && (m_lineErrors & CE_BREAK)) found |= EV_BREAK;
        m_errorEventDue = false;
        if (found != 0) {
          events = found;
          return ERROR_SUCCESS;
        }
      }
    }
    epoll_event ready[2];
    const int count = epoll_wait(m_epollFd, ready, 2, MsLeft(until));
    if (count < 0) {
      if (errno == EINTR) continue;
      return ERROR_GEN_FAILURE;
    }
    if (count == 0) return ERROR_TIMEOUT;
    bool woken = false;
    bool arrived = false;
    for (int i = 0; i < count; ++i) {
      if (ready[i].data.fd == m_wakeFd) woken = true;
      else if (ready[i].events & EPOLLIN) arrived = true;
    }
    if (arrived && (mask & EV_RXCHAR)) {
      int queued = 0;
      // Bytes another reader already took do not count as an arrival. A wake-up
      // seen at the same time stays pending for the next wait.
      if (ioctl(m_fd, FIONREAD, &queued) == 0 && queued > 0) {
        events = EV_RXCHAR;
        return ERROR_SUCCESS;
      }
    }
    if (woken) {
      std::uint64_t value;
      [[maybe_unused]] const ssize_t drained = ::read(m_wakeFd, &value, sizeof value);
    }
    if (woken && m_maskChanged.exchange(false)) return ERROR_SUCCESS;  // the mask was set again: no events
  }
}

DWORD CommPort::ClearCommError(DWORD& errors, COMSTAT* status) {
  CollectLineErrors();
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    errors = m_lineErrors;
    m_lineErrors = 0;
  }
  if (HungUp()) return ERROR_DEVICE_NOT_CONNECTED;
  if (status != nullptr) {
    int in = 0;
    int out = 0;
    ioctl(m_fd, FIONREAD, &in);
    ioctl(m_fd, TIOCOUTQ, &out);
    status->cbInQue = static_cast<DWORD>(in > 0 ? in : 0);
    status->cbOutQue = static_cast<DWORD>(out > 0 ? out : 0);
  }
  return ERROR_SUCCESS;
}

DWORD CommPort::ReadFile(void* buffer, DWORD length, DWORD& read, DWORD timeoutMs) {
  read = 0;
  COMMTIMEOUTS rules;
  GetCommTimeouts(rules);
  const auto start = SteadyClock::now();
  const auto callerDeadline = start + std::chrono::milliseconds(timeoutMs);
  const SteadyClock::time_point* callerUntil = timeoutMs == INFINITE ? nullptr : &callerDeadline;
  const bool atOnce = rules.ReadIntervalTimeout == MAXDWORD && rules.ReadTotalTimeoutMultiplier == 0 &&
                      rules.ReadTotalTimeoutConstant == 0;
  const bool firstByteEnds = rules.ReadIntervalTimeout == MAXDWORD && rules.ReadTotalTimeoutMultiplier == MAXDWORD &&
                             rules.ReadTotalTimeoutConstant != 0 && rules.ReadTotalTimeoutConstant != MAXDWORD;
  SteadyClock::time_point totalDeadline;
  const SteadyClock::time_point* totalUntil = nullptr;
  if (firstByteEnds) {
    totalDeadline = start + std::chrono::milliseconds(rules.ReadTotalTimeoutConstant);
    totalUntil = &totalDeadline;
  } else if (rules.ReadTotalTimeoutMultiplier != 0 || rules.ReadTotalTimeoutConstant != 0) {
    const std::uint64_t total = std::uint64_t{rules.ReadTotalTimeoutMultiplier} * length + rules.ReadTotalTimeoutConstant;
    totalDeadline = start + std::chrono::milliseconds(total);
    totalUntil = &totalDeadline;
  }
  const bool useInterval = rules.ReadIntervalTimeout != 0 && rules.ReadIntervalTimeout != MAXDWORD;
  SteadyClock::time_point intervalDeadline;
  auto* bytes = static_cast<unsigned char*>(buffer);
  while (read < length) {
    const ssize_t got = ::read(m_fd, bytes + read, length - read);
    if (got > 0) {
      read += static_cast<DWORD>(got);
      if (firstByteEnds) return ERROR_SUCCESS;
      intervalDeadline = SteadyClock::now() + std::chrono::milliseconds(rules.ReadIntervalTimeout);
      continue;
    }
    if (got == 0) return ERROR_DEVICE_NOT_CONNECTED;  // the other side hung up
    if (errno == EINTR) continue;
    if (errno == EIO) return ERROR_DEVICE_NOT_CONNECTED;
    if (errno != EAGAIN) return ERROR_GEN_FAILURE;
    if (atOnce) return ERROR_SUCCESS;
    const int ruleLeft = EarliestMs(MsLeft(totalUntil), (useInterval && read > 0) ? MsLeft(&intervalDeadline) : -1);
    if (ruleLeft == 0) return ERROR_SUCCESS;  // the port's own time-outs end a read successfully
    const int callerLeft = MsLeft(callerUntil);
    if (callerLeft == 0) return ERROR_TIMEOUT;
    pollfd entry{m_fd, POLLIN, 0};
    const int polled = ::poll(&entry, 1, EarliestMs(ruleLeft, callerLeft));
    if (polled > 0 && (entry.revents & (POLLHUP | POLLERR | POLLNVAL)) && !(entry.revents & POLLIN)) {
      return ERROR_DEVICE_NOT_CONNECTED;
    }
  }
  return ERROR_SUCCESS;
}

DWORD CommPort::WriteFile(const void* data, DWORD length, DWORD& written, DWORD timeoutMs) {
  written = 0;
  COMMTIMEOUTS rules;
  GetCommTimeouts(rules);
  const auto start = SteadyClock::now();
  const auto callerDeadline = start + std::chrono::milliseconds(timeoutMs);
  const SteadyClock::time_point* callerUntil = timeoutMs == INFINITE ? nullptr : &callerDeadline;
  SteadyClock::time_point totalDeadline;
  const SteadyClock::time_point* totalUntil = nullptr;
  if (rules.WriteTotalTimeoutMultiplier != 0 || rules.WriteTotalTimeoutConstant != 0) {
    const std::uint64_t total = std::uint64_t{rules.WriteTotalTimeoutMultiplier} * length + rules.WriteTotalTimeoutConstant;
    totalDeadline = start + std::chrono::milliseconds(total);
    totalUntil = &totalDeadline;
  }
  const auto* bytes = static_cast<const unsigned char*>(data);
  while (written < length) {
    const ssize_t put = ::write(m_fd, bytes + written, length - written);
    if (put > 0) {
      written += static_cast<DWORD>(put);
      continue;
    }
    if (put < 0 && errno == EINTR) continue;
    if (put < 0 && errno != EAGAIN) return errno == EIO ? ERROR_DEVICE_NOT_CONNECTED : ERROR_GEN_FAILURE;
    if (HungUp()) return ERROR_DEVICE_NOT_CONNECTED;
    const int ruleLeft = MsLeft(totalUntil);
    if (ruleLeft == 0) return ERROR_SUCCESS;  // the write time-out ends it with what went out
    const int callerLeft = MsLeft(callerUntil);
    if (callerLeft == 0) return ERROR_TIMEOUT;
    pollfd entry{m_fd, POLLOUT, 0};
    ::poll(&entry, 1, EarliestMs(ruleLeft, callerLeft));
  }
  return ERROR_SUCCESS;
}

DWORD CommPort::PurgeComm(DWORD flags) {
  if ((flags & ~(PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR)) != 0) return ERROR_INVALID_PARAMETER;
  // Every call here completes before it returns, so there is nothing to abort.
  const bool rx = (flags & PURGE_RXCLEAR) != 0;
  const bool tx = (flags & PURGE_TXCLEAR) != 0;
  if (!rx && !tx) return ERROR_SUCCESS;
  if (tcflush(m_fd, rx && tx ? TCIOFLUSH : (rx ? TCIFLUSH : TCOFLUSH)) != 0) {
    return HungUp() ? ERROR_DEVICE_NOT_CONNECTED : ERROR_GEN_FAILURE;
  }
  return ERROR_SUCCESS;
}
