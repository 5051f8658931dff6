#include "datacenter/RTimer.h"

#include "platform/base/Clock.h"

CRTimer::CRTimer(bool autoStart) {
  if (autoStart) Start();
}

CRTimer::~CRTimer() = default;

void CRTimer::OnBeforeChange() {}
void CRTimer::OnAfterChange() {}

void CRTimer::Start() {
  if (m_running) return;
  const DWORD now = GetTickCount();
  OnBeforeChange();
  m_startTick = now;
  m_stopTick = now;
  m_running = true;
  OnAfterChange();
}

void CRTimer::Stop() {
  if (!m_running) return;
  OnBeforeChange();
  m_running = false;
  m_stopTick = GetTickCount();
  OnAfterChange();
}

void CRTimer::Reset() {
  Stop();
  OnBeforeChange();
  m_startTick = m_stopTick = GetTickCount();
  OnAfterChange();
}

void CRTimer::Restart() {
  Stop();
  Start();
}

DWORD CRTimer::GetElapsedMs() const {
  const DWORD end = m_running ? GetTickCount() : m_stopTick;
  return TicksSince(m_startTick, end);
}

float CRTimer::GetElapsedSeconds() const { return static_cast<float>(static_cast<double>(GetElapsedMs()) / 1000.0); }

int CRTimer::GetElapsedWholeSeconds() const { return static_cast<int>(GetElapsedSeconds()); }
