#include "platform/base/Clock.h"

#include <atomic>
#include <chrono>
#include <ctime>
#include <thread>

namespace {
SystemClock g_systemClock;
std::atomic<IClock*> g_clock{nullptr};
}  // namespace

IClock& Clock() {
  IClock* clock = g_clock.load(std::memory_order_acquire);
  return clock ? *clock : g_systemClock;
}

void SetClock(IClock* clock) { g_clock.store(clock, std::memory_order_release); }

DATE NowOleDate() {
  DATE date = 0;
  OleDateFromFields(Clock().LocalNow(), date);
  return date;
}

std::uint32_t SystemClock::TickCount() {
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::steady_clock::now().time_since_epoch())
                .count();
  return static_cast<std::uint32_t>(ms);
}

DateTimeFields SystemClock::LocalNow() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  DateTimeFields f;
  f.year = local.tm_year + 1900;
  f.month = local.tm_mon + 1;
  f.day = local.tm_mday;
  f.hour = local.tm_hour;
  f.minute = local.tm_min;
  f.second = local.tm_sec > 59 ? 59 : local.tm_sec;  // leap second
  f.dayOfWeek = local.tm_wday;
  f.dayOfYear = local.tm_yday + 1;
  return f;
}

void SystemClock::SleepMs(std::uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
