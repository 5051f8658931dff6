#include "platform/base/Event.h"

#include <chrono>

Event::Event(bool manualReset, bool initiallySet) : m_manualReset(manualReset), m_set(initiallySet) {}

void Event::Set() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_set = true;
  if (m_manualReset) m_changed.notify_all();
  else m_changed.notify_one();
}

void Event::Reset() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_set = false;
}

void Event::Pulse() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_set = false;
  if (m_waiters == 0) return;
  if (m_manualReset) {
    ++m_generation;
    m_changed.notify_all();
  } else if (m_pulseTickets < m_waiters) {
    ++m_pulseTickets;
    m_changed.notify_all();
  }
}

bool Event::IsSet() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_set;
}

std::size_t Event::WaiterCount() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return static_cast<std::size_t>(m_waiters);
}

bool Event::Wait(DWORD timeoutMs) {
  std::unique_lock<std::mutex> lock(m_mutex);
  const std::uint64_t generation = m_generation;
  auto ready = [&] {
    return m_set || (m_manualReset && m_generation != generation) || (!m_manualReset && m_pulseTickets > 0);
  };
  ++m_waiters;
  bool signalled;
  if (timeoutMs == INFINITE) {
    m_changed.wait(lock, ready);
    signalled = true;
  } else {
    signalled = m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready);
  }
  --m_waiters;
  if (signalled && !m_manualReset) {
    if (m_set) m_set = false;          // an auto-reset event releases one waiter
    else if (m_pulseTickets > 0) --m_pulseTickets;
  }
  if (m_waiters == 0) m_pulseTickets = 0;
  return signalled;
}
