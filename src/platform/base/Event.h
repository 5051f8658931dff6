#pragma once
// Auto-reset and manual-reset events with the platform's semantics:
//  - Set: a manual-reset event stays set and releases every waiter; an
//    auto-reset event releases exactly one waiter (or stays set until one comes).
//  - Pulse: releases the waiters present at that moment (one for auto-reset,
//    all for manual-reset) and leaves the event reset; with no waiter it does nothing.
// Waits use real time: they are used between threads, not paced by the clock service.
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "platform/base/WinTypes.h"

class Event {
 public:
  explicit Event(bool manualReset = false, bool initiallySet = false);
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;

  void Set();
  void Reset();
  void Pulse();
  // True when the event was signalled within `timeoutMs` (INFINITE waits forever).
  bool Wait(DWORD timeoutMs = INFINITE);
  bool IsSet() const;
  // Threads waiting right now (lets tests pulse only once every waiter is in).
  std::size_t WaiterCount() const;

 private:
  const bool m_manualReset;
  mutable std::mutex m_mutex;
  std::condition_variable m_changed;
  bool m_set;
  std::uint64_t m_waiters = 0;
  std::uint64_t m_pulseTickets = 0;   // waiters released by Pulse (auto-reset: at most one)
  std::uint64_t m_generation = 0;     // bumped by Pulse on a manual-reset event
};
