#pragma once
// One process step: the phase (0 to 11) of one recipe step in the current run
// and a stopwatch of the time spent in that phase. The engine owns its steps
// and guards them with its lock; nothing else reaches a step.
#include "datacenter/RTimer.h"

class CArchive;

class CProcessStepBase {
 public:
  CProcessStepBase();
  virtual ~CProcessStepBase();
  CProcessStepBase(const CProcessStepBase&) = delete;
  CProcessStepBase& operator=(const CProcessStepBase&) = delete;

  // Phase 0; the stopwatch is left as it is.
  virtual void ResetPhase();
  // The version word (1) and the phase. Loading does not examine the version;
  // a short archive throws CArchiveException.
  virtual void Serialize(CArchive& ar);
  virtual void Reset();
  virtual void OnChanged();

  int GetPhase() const { return m_nPhase; }
  void SetPhase(int phase) { m_nPhase = phase; }
  CRTimer& GetTimer() { return m_timer; }
  const CRTimer& GetTimer() const { return m_timer; }

 private:
  int m_nPhase = 0;
  CRTimer m_timer;  // not started until the first phase change
};
