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
  std::uint32_t TickCount() override;
  DateTimeFields LocalNow() override;
  void SleepMs(std::uint32_t ms) override;
  // Each Sleep also yields the processor for a real millisecond: threads that
  // pace themselves by sleeping then neither spin nor wait their real period.
  void SetYieldOnSleep(bool yield) { m_yieldOnSleep.store(yield); }

  // While on, the ticks follow the real clock from where they stand and a sleep
  // lasts a real millisecond at most: a bounded wait (a cycle's stop) gets its
  // bound in real time however loaded the machine is, while workers that pace
  // themselves by sleeping still look at their stop flag every millisecond.
  // Off again, the ticks go on from where the real clock took them.
  void SetRealTime(bool on);

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
  std::atomic<bool> m_realTime{false};
  std::atomic<std::int64_t> m_realStartMs{0};  // the real clock's reading when it took over
};
