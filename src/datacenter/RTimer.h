#pragma once
// Stopwatch on the clock service's 32-bit millisecond ticks. Elapsed times are
// computed in unsigned 32-bit arithmetic, so they stay right across the wrap of
// the tick count. No lock: each stopwatch is used by one thread at a time.
#include "platform/base/WinTypes.h"

class CRTimer {
 public:
  explicit CRTimer(bool autoStart = false);
  virtual ~CRTimer();

  void Start();    // a running stopwatch is left alone
  void Stop();     // a stopped stopwatch is left alone
  void Reset();    // stopped with 0 elapsed
  void Restart();  // runs again from 0
  bool IsRunning() const { return m_running; }

  DWORD GetElapsedMs() const;
  float GetElapsedSeconds() const;
  int GetElapsedWholeSeconds() const;  // truncated: 5999 ms gives 5

 protected:
  // Called before and after Start, Stop and Reset change the fields.
  virtual void OnBeforeChange();
  virtual void OnAfterChange();

 private:
  bool m_running = false;
  DWORD m_startTick = 0;
  DWORD m_stopTick = 0;
};
