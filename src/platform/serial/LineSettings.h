#pragma once
// A line's settings as the kernel holds them, through its second termios
// interface (termios2): one call reads them and one call changes them, rate
// and flags together, so neither the device nor a reader ever meets a change
// half made. Any rate goes: a speed constant where termios has one, the
// kernel's arbitrary rate otherwise. The kernel header clashes with
// <termios.h>, so only this source includes it.
#include <cstdint>

#include "platform/serial/CommTypes.h"

// Reads the DCB fields a line holds (rate, data bits, parity and its check,
// stop bits, RTS/CTS flow, XON/XOFF and their characters) and leaves the
// others. 0, or the errno of the failed call.
int ReadLineSettings(int fd, DCB& dcb);

// What became of a change of the line's settings.
struct LineChange {
  enum Outcome {
    kTaken,      // the line runs as asked
    kFailed,     // a call failed: `error` holds its errno
    kKeptOther,  // the driver kept other data bits, parity, stop bits or flow: put back
    kOtherRate,  // the driver runs at another rate: put back
  };
  Outcome outcome = kTaken;
  int error = 0;
  DCB kept;  // kKeptOther and kOtherRate: what the driver made of the request
};

// Sets the DCB fields a line holds, the rate both ways. A driver may quietly
// keep other values (a pseudo-terminal is always 8 bits without parity): then
// the settings before are put back.
LineChange ChangeLineSettings(int fd, const DCB& dcb);

// A driver may report the rate its divisor gives; within 2 % (what a UART
// frame bears) that is still the rate asked for.
bool RunsAtRate(std::uint32_t reported, std::uint32_t asked);

// The two kernel calls under every read and change above, each given the
// kernel's own settings block: tests put a driver of their own in between.
struct LineCalls {
  int (*read)(int fd, void* settings) = nullptr;
  int (*write)(int fd, const void* settings) = nullptr;
};
LineCalls KernelLineCalls();
// Installs `calls` and returns those they replace.
LineCalls SetLineCalls(LineCalls calls);
