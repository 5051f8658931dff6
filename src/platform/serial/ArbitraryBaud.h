#pragma once
// A line's rate through the kernel's arbitrary-rate interface (termios2), for
// the rates without a speed constant of their own (14 400, 128 000, ...). Its
// kernel header clashes with <termios.h>, so it is used in this source only.
#include <cstdint>

// Sets `fd` to run at `rate` baud both ways. False, with errno set, when the
// driver refuses the call; a driver may also keep another rate, so the caller
// reads it back.
bool SetArbitraryBaud(int fd, std::uint32_t rate);

// The rate `fd` runs at when it runs at an arbitrary rate, as the driver
// reports it; 0 when it runs at a speed constant or cannot be asked.
std::uint32_t ArbitraryBaudOf(int fd);
