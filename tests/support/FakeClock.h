#pragma once
// A drivable clock: ticks and local time move only when the test says so.
// Sleep advances the ticks by the slept time, so paced loops make progress.
#include <atomic>
#include <mutex>

#include "platform/base/Clock.h"

class FakeClock final : public IClock {
 public:
  explicit FakeClock(std::uint32_t startTicks = 1000);
  ~FakeClock() override;  // uninstalls itself when installed

  void Install();  // makes this the process clock
  std::uint32_t TickCount() override { return m_ticks.load(); }
  DateTimeFields LocalNow() override;
  void SleepMs(std::uint32_t ms) override;
  // Each Sleep also yields the processor for a real millisecond: threads that
  // pace themselves by sleeping then neither spin nor wait their real period.
  void SetYieldOnSleep(bool yield) { m_yieldOnSleep.store(yield); }

  void Advance(std::uint32_t ms);
  void SetTicks(std::uint32_t ticks) { m_ticks.store(ticks); }
  void SetNow(const DateTimeFields& now);

 private:
  std::atomic<std::uint32_t> m_ticks;
  std::mutex m_mutex;
  DateTimeFields m_now;
  std::uint32_t m_msRemainder = 0;
  bool m_installed = false;
  std::atomic<bool> m_yieldOnSleep{false};
};
