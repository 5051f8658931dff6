#include "platform/serial/ArbitraryBaud.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

bool SetArbitraryBaud(int fd, std::uint32_t rate) {
  termios2 line{};
  if (ioctl(fd, TCGETS2, &line) != 0) return false;
  // No input rate of its own: the input runs at the output's rate.
  line.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
  line.c_cflag |= BOTHER;
  line.c_ospeed = rate;
  line.c_ispeed = rate;
  return ioctl(fd, TCSETS2, &line) == 0;
}

std::uint32_t ArbitraryBaudOf(int fd) {
  termios2 line{};
  if (ioctl(fd, TCGETS2, &line) != 0 || (line.c_cflag & CBAUD) != BOTHER) return 0;
  return line.c_ospeed;
}
