#include "support/FakeClock.h"

#include <chrono>
#include <cmath>
#include <thread>

FakeClock::FakeClock(std::uint32_t startTicks) : m_ticks(startTicks) {
  m_now.year = 2026;
  m_now.month = 3;
  m_now.day = 21;
  m_now.hour = 8;
}

FakeClock::~FakeClock() {
  if (m_installed) SetClock(nullptr);
}

namespace {

std::int64_t RealMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

std::uint32_t FakeClock::TickCount() {
  if (!m_realTime.load()) return m_ticks.load();
  return m_ticks.load() + static_cast<std::uint32_t>(RealMs() - m_realStartMs.load());
}

void FakeClock::SetRealTime(bool on) {
  if (on == m_realTime.load()) return;
  if (on) {
    m_realStartMs.store(RealMs());
    m_realTime.store(true);
  } else {
    const std::uint32_t now = TickCount();
    m_realTime.store(false);
    m_ticks.store(now);
  }
}

void FakeClock::SleepMs(std::uint32_t ms) {
  if (m_realTime.load()) {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return;
  }
  Advance(ms);
  if (m_yieldOnSleep.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void FakeClock::Install() {
  SetClock(this);
  m_installed = true;
}

DateTimeFields FakeClock::LocalNow() {
  std::lock_guard<std::mutex> lock(m_mutex);
  DATE date = 0;
  DateTimeFields out = m_now;
  if (OleDateFromFields(m_now, date)) FieldsFromOleDate(date, out);  // fills day of week and year
  return out;
}

void FakeClock::Advance(std::uint32_t ms) {
  m_ticks.fetch_add(ms);
  std::lock_guard<std::mutex> lock(m_mutex);
  DATE date = 0;
  if (OleDateFromFields(m_now, date)) {
    // Calendar time follows the ticks in whole seconds (sub-second remainders accumulate).
    m_msRemainder += ms % 1000;
    std::uint32_t seconds = ms / 1000 + m_msRemainder / 1000;
    m_msRemainder %= 1000;
    if (seconds > 0) FieldsFromOleDate(date + seconds / 86400.0, m_now);
  }
}

void FakeClock::SetNow(const DateTimeFields& now) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_now = now;
}
