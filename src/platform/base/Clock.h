#pragma once
// The clock service: 32-bit millisecond ticks that wrap like GetTickCount, the
// local calendar time, and sleeping. Tests replace it with a drivable clock.
#include <cstdint>

#include "platform/base/OleDate.h"

class IClock {
 public:
  virtual ~IClock() = default;
  virtual std::uint32_t TickCount() = 0;     // milliseconds, wraps after 2^32
  virtual DateTimeFields LocalNow() = 0;     // local time, whole seconds
  virtual void SleepMs(std::uint32_t ms) = 0;
};

// The installed clock (the system clock unless a test installed another).
IClock& Clock();
// Installs a clock; nullptr restores the system clock. The caller keeps ownership.
void SetClock(IClock* clock);

inline std::uint32_t GetTickCount() { return Clock().TickCount(); }
inline void Sleep(std::uint32_t ms) { Clock().SleepMs(ms); }
// Milliseconds from `start` to `now`, correct across one wrap of the tick counter.
inline std::uint32_t TicksSince(std::uint32_t start, std::uint32_t now) { return now - start; }

// Local now as an OLE date (whole seconds).
DATE NowOleDate();

class SystemClock final : public IClock {
 public:
  std::uint32_t TickCount() override;
  DateTimeFields LocalNow() override;
  void SleepMs(std::uint32_t ms) override;
};
