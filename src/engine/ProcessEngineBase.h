#pragma once
// The process engine: one process step per recipe step, each in a phase 0 to
// 11 with its own stopwatch; the operator's start request; the cycle flag that
// says a recipe run is in progress; the engine phase (the phase every used step
// shares, or -1); a state with an operator text; and the recovery file.
//
// The UI thread and the process cycle share it. One lock guards the step
// phases, the step and cycle stopwatches, the engine phase and the file name,
// so a phase change and its stopwatch restart are seen together; flags and
// counters are atomics. Whether a step is used is read (under the recipe
// table's lock) before the engine's lock is taken, never while holding it: do
// not call the engine while holding the recipe table's active lock. Hooks
// (OnStepPhaseChanged, OnStarted, OnChanged) run with no lock held.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "datacenter/RTimer.h"
#include "engine/AlarmPack.h"
#include "engine/ProcessStepBase.h"

class CArchive;

class CProcessEngineBase : public CAlarmPack {
 public:
  static constexpr int kPhaseCount = 12;  // phases 0 to 11
  static constexpr int kCycleTimingOverLoadAlarm = 11000;

  CProcessEngineBase();
  virtual ~CProcessEngineBase();
  CProcessEngineBase(const CProcessEngineBase&) = delete;
  CProcessEngineBase& operator=(const CProcessEngineBase&) = delete;

  // The alarm list's notifications; a change of its summaries calls OnChanged.
  void OnAlarmChanged(CAlarmStruct* alarm, int code) override;
  void OnPackChanged(int code) override;

  // Reserve flags 1 and 2 and the engine phase 0, every step in phase 0 (its
  // stopwatch left alone, no OnStepPhaseChanged), the reset pulse 0 then 1,
  // the cycle stopwatch reset.
  virtual void ResetSteps();
  // Any earlier steps deleted, then `count` new steps (none for a negative count), reset.
  void CreateSteps(int count);
  virtual void DeleteSteps();
  int GetStepCount() const { return m_nStepCount.load(); }

  // The state's operator text (state 2 and unknown states have none).
  virtual std::string GetStateText();
  virtual int IsStarted() { return m_nStarted.load(); }
  // Stores the start request. A forced stop clears the cycle flag; so does a
  // stop while the state is 1 (waiting). Stop keeps every step in its phase.
  virtual void SetStarted(int start, int force);
  virtual int IsRunning() { return m_nRunning.load(); }
  virtual void SetRunning(int value) { m_nRunning.store(value); }
  virtual int IsCycleActive() { return m_nCycleActive.load(); }
  virtual void SetCycleActive(int value) { m_nCycleActive.store(value); }

  // Steps outside 0..count-1 read phase 0 and change nothing.
  virtual int GetStepPhase(int i);
  // Stores a new phase, restarts the step's stopwatch and recomputes the engine
  // phase together; the phase the step already has changes nothing (its
  // stopwatch keeps running). OnStepPhaseChanged follows a change.
  virtual void SetStepPhase(int i, int phase);
  // As SetStepPhase, but only while the step still is in `expected`: true when
  // it was (the phase is then `phase`), false when the step had moved on or
  // does not exist.
  bool CompareAndSetStepPhase(int i, int expected, int phase);
  // A copy of the step's stopwatch (a stopped one for a step outside the steps).
  CRTimer GetStepTimer(int i) const;
  virtual int GetEnginePhase();
  // Phase 0 also clears the loading-ended flag, phase 4 sets it.
  virtual void SetEnginePhase(int phase);

  virtual int GetReserveBool1() { return m_nReserveBool1.load(); }
  virtual void SetReserveBool1(int value) { m_nReserveBool1.store(LowByte(value)); }
  virtual int GetReserveBool2() { return m_nReserveBool2.load(); }
  virtual void SetReserveBool2(int value) { m_nReserveBool2.store(LowByte(value)); }

  // Writes the recovery file atomically (the system only reads it); 1 on success.
  virtual int SaveToFile();
  // Resets the steps, then reads the recovery file whole: 1 when it cannot be
  // opened (no file is no error; nor is a link, pipe or folder at its name,
  // which is not read and is said on the standard error output); else 1 when
  // every word was read and the phases applied, 0 (every step left in phase 0)
  // for a short file, a step count other than the engine's or a phase outside
  // 0..11.
  virtual int LoadFromFile();
  // Called after a step's phase changed, with no lock held.
  virtual void OnStepPhaseChanged(int i);
  virtual bool IsStepUsed(int i) = 0;
  // The phase's operator text (none outside 0..11).
  virtual std::string GetPhaseText(int phase);

  virtual int GetPause() { return m_nPause.load(); }
  // A change to non-zero resets the cycle stopwatch; a change to zero starts it.
  virtual void SetPause(int value);
  virtual int IsLoadingEnded() { return m_nLoadingEnded.load(); }
  virtual void SetLoadingEnded(int value) { m_nLoadingEnded.store(LowByte(value)); }
  virtual int GetResetPulse() { return m_nResetPulse.load(); }
  virtual void SetResetPulse(int value);  // OnChanged on a change
  virtual int GetReserveBool3() { return m_nReserveBool3.load(); }
  virtual void SetReserveBool3(int value);  // OnChanged on a change
  virtual void OnStarted();
  virtual void OnChanged();
  virtual int GetReserveBool4() { return m_nReserveBool4.load(); }
  virtual void SetReserveBool4(int value) { m_nReserveBool4.store(LowByte(value)); }
  virtual int GetReserveInt1() { return m_nReserveInt1.load(); }
  virtual void SetReserveInt1(int value) { m_nReserveInt1.store(value); }
  virtual int GetCycleCount() { return m_nCycleCount.load(); }
  virtual void SetCycleCount(int value) { m_nCycleCount.store(value); }
  virtual int IncCycleCount();  // the new count
  // Start request set: 4 when running and paused, 3 when running, else 1.
  // Start request clear: 5 when the cycle flag and the running flag are set, 1
  // with the cycle flag alone, else 0.
  virtual void UpdateState();
  int GetState();
  // Adds the cycle-timing alarm, clears every flag and counter (reserve flags 3
  // and 4 become 1), deletes the steps, then ResetSteps.
  virtual void Reset();
  // The engine version word, the step count, each step, in 32-bit little-endian
  // words. Loading keeps the read phases aside for LoadFromFile to apply: 0
  // when the count differs from the engine's (no step read) or a phase is
  // outside 0..11; a short archive throws CArchiveException.
  virtual int Serialize(CArchive& ar);

  void SetFileName(const std::string& name);
  std::string GetFileName() const;

 protected:
  virtual std::unique_ptr<CProcessStepBase> CreateStep() = 0;

 private:
  static std::uint8_t LowByte(int value) { return static_cast<std::uint8_t>(value & 0xFF); }
  // IsStepUsed of every step, read before the engine's lock is taken.
  std::vector<char> ReadUsedSteps();
  // Sets the step's phase unless it is out of range, already there, or (with
  // `expected`) no longer in the expected phase. Returns whether the step
  // held the expected phase; `changed` tells whether the phase moved.
  bool ChangeStepPhase(int i, int phase, const int* expected, bool& changed);
  void RecomputeEnginePhaseLocked(const std::vector<char>& used);
  void StoreEnginePhaseLocked(int phase);
  void ApplyLoadedPhases();

  mutable std::mutex m_mutex;
  // Guarded by m_mutex.
  CRTimer m_cycleTimer;
  std::vector<std::unique_ptr<CProcessStepBase>> m_steps;
  int m_nEnginePhase = 0;
  std::string m_strFileName;
  std::vector<int> m_loadedPhases;  // read by Serialize, applied by LoadFromFile

  std::atomic<int> m_nCycleCount{0};
  std::atomic<int> m_nStarted{0};
  std::atomic<int> m_nRunning{0};
  std::atomic<int> m_nCycleActive{0};
  std::atomic<int> m_nPause{0};
  std::atomic<std::uint8_t> m_nLoadingEnded{0};
  std::atomic<std::uint8_t> m_nResetPulse{0};
  std::atomic<std::uint8_t> m_nReserveBool1{0};
  std::atomic<std::uint8_t> m_nReserveBool2{0};
  std::atomic<std::uint8_t> m_nReserveBool3{0};
  std::atomic<std::uint8_t> m_nReserveBool4{0};
  std::atomic<int> m_nReserveInt1{0};
  std::atomic<int> m_nStepCount{0};
  std::atomic<int> m_nState{0};
};
