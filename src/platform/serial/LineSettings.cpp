#include "platform/serial/LineSettings.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <atomic>
#include <cerrno>

namespace {

struct SpeedConstant {
  std::uint32_t rate;
  tcflag_t code;
};

constexpr SpeedConstant kSpeedConstants[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},         {150, B150},
    {200, B200},         {300, B300},         {600, B600},         {1200, B1200},       {1800, B1800},
    {2400, B2400},       {4800, B4800},       {9600, B9600},       {19200, B19200},     {38400, B38400},
    {57600, B57600},     {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000},
    {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000}, {3500000, B3500000}, {4000000, B4000000},
};

// What a driver may quietly keep other than asked.
constexpr tcflag_t kLineBits = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS;

int KernelRead(int fd, void* settings) { return ioctl(fd, TCGETS2, settings); }
int KernelWrite(int fd, const void* settings) { return ioctl(fd, TCSETS2, const_cast<void*>(settings)); }

std::atomic<int (*)(int, void*)> g_read{KernelRead};
std::atomic<int (*)(int, const void*)> g_write{KernelWrite};

// 0, or the errno of the failed call (EIO when a driver failed without one).
int ErrorOf(int result) {
  if (result == 0) return 0;
  return errno != 0 ? errno : EIO;
}

int Read(int fd, termios2& line) {
  errno = 0;
  return ErrorOf(g_read.load()(fd, &line));
}

int Write(int fd, const termios2& line) {
  errno = 0;
  return ErrorOf(g_write.load()(fd, &line));
}

std::uint32_t RateOf(const termios2& line) {
  const tcflag_t code = line.c_cflag & CBAUD;
  if (code == BOTHER) return line.c_ospeed;
  for (const auto& constant : kSpeedConstants) {
    if (constant.code == code) return constant.rate;
  }
  return 0;  // B0: the line is hung up
}

void ReadInto(const termios2& line, DCB& dcb) {
  dcb.BaudRate = RateOf(line);
  switch (line.c_cflag & CSIZE) {
    case CS5: dcb.ByteSize = 5; break;
    case CS6: dcb.ByteSize = 6; break;
    case CS7: dcb.ByteSize = 7; break;
    default: dcb.ByteSize = 8; break;
  }
  if ((line.c_cflag & PARENB) == 0) dcb.Parity = NOPARITY;
  else if (line.c_cflag & CMSPAR) dcb.Parity = (line.c_cflag & PARODD) ? MARKPARITY : SPACEPARITY;
  else dcb.Parity = (line.c_cflag & PARODD) ? ODDPARITY : EVENPARITY;
  dcb.fParity = (line.c_iflag & INPCK) != 0;
  dcb.StopBits = (line.c_cflag & CSTOPB) ? TWOSTOPBITS : ONESTOPBIT;
  dcb.fOutxCtsFlow = (line.c_cflag & CRTSCTS) != 0;
  dcb.fOutX = (line.c_iflag & IXON) != 0;
  dcb.fInX = (line.c_iflag & IXOFF) != 0;
  dcb.XonChar = static_cast<char>(line.c_cc[VSTART]);
  dcb.XoffChar = static_cast<char>(line.c_cc[VSTOP]);
}

void Apply(const DCB& dcb, termios2& line) {
  // No input rate of its own: the input runs at the output's rate.
  line.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT) | kLineBits);
  line.c_cflag |= BOTHER;
  for (const auto& constant : kSpeedConstants) {
    if (constant.rate == dcb.BaudRate) {
      line.c_cflag = (line.c_cflag & ~CBAUD) | constant.code;
      break;
    }
  }
  line.c_ospeed = dcb.BaudRate;
  line.c_ispeed = dcb.BaudRate;
  static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
  line.c_cflag |= (dcb.ByteSize >= 5 && dcb.ByteSize <= 8) ? kSizes[dcb.ByteSize - 5] : CS8;
  switch (dcb.Parity) {
    case ODDPARITY: line.c_cflag |= PARENB | PARODD; break;
    case EVENPARITY: line.c_cflag |= PARENB; break;
    case MARKPARITY: line.c_cflag |= PARENB | CMSPAR | PARODD; break;
    case SPACEPARITY: line.c_cflag |= PARENB | CMSPAR; break;
    default: break;
  }
  if (dcb.StopBits == TWOSTOPBITS) line.c_cflag |= CSTOPB;
  if (dcb.fOutxCtsFlow) line.c_cflag |= CRTSCTS;
  line.c_iflag &= ~(INPCK | IXON | IXOFF);
  if (dcb.fParity) line.c_iflag |= INPCK;
  if (dcb.fOutX) line.c_iflag |= IXON;
  if (dcb.fInX) line.c_iflag |= IXOFF;
  line.c_cc[VSTART] = static_cast<cc_t>(dcb.XonChar);
  line.c_cc[VSTOP] = static_cast<cc_t>(dcb.XoffChar);
}

LineChange Failed(int error) {
  LineChange change;
  change.outcome = LineChange::kFailed;
  change.error = error;
  return change;
}

}  // namespace

int ReadLineSettings(int fd, DCB& dcb) {
  termios2 line{};
  if (const int error = Read(fd, line); error != 0) return error;
  ReadInto(line, dcb);
  return 0;
}

LineChange ChangeLineSettings(int fd, const DCB& dcb) {
  termios2 before{};
  if (const int error = Read(fd, before); error != 0) return Failed(error);
  termios2 asked = before;
  Apply(dcb, asked);
  if (const int error = Write(fd, asked); error != 0) return Failed(error);
  termios2 taken{};
  // A line that cannot be read back now has most likely gone: nothing to put back to.
  if (const int error = Read(fd, taken); error != 0) return Failed(error);
  LineChange change;
  change.kept = dcb;
  ReadInto(taken, change.kept);
  if ((taken.c_cflag & kLineBits) != (asked.c_cflag & kLineBits)) change.outcome = LineChange::kKeptOther;
  else if (!RunsAtRate(RateOf(taken), dcb.BaudRate)) change.outcome = LineChange::kOtherRate;
  if (change.outcome != LineChange::kTaken) Write(fd, before);
  return change;
}

bool RunsAtRate(std::uint32_t reported, std::uint32_t asked) {
  const std::uint64_t apart = reported > asked ? reported - asked : asked - reported;
  return apart * 50 <= asked;
}

LineCalls KernelLineCalls() { return LineCalls{KernelRead, KernelWrite}; }

LineCalls SetLineCalls(LineCalls calls) {
  LineCalls before;
  before.read = g_read.exchange(calls.read != nullptr ? calls.read : KernelRead);
  before.write = g_write.exchange(calls.write != nullptr ? calls.write : KernelWrite);
  return before;
}
