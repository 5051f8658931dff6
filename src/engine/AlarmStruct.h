#pragma once
// One named alarm of an alarm list (`CAlarmPack`): whether it is active, whether
// a shape has shown it and whether the operator acknowledged it, with two
// stopwatches for how long it has been in its state. A change of the active or
// displayed flag is reported to the owning list, which recomputes its summaries.
//
// Alarms are read by the UI thread (drawing) and changed by whichever thread
// runs the owner's logic: the flags and stopwatches sit behind the alarm's own
// mutex, the stopwatches are handed out as copies, and the owner is told only
// after the lock is released.
#include <mutex>
#include <string>

#include "datacenter/RTimer.h"

class CAlarmPack;

class CAlarmStruct {
 public:
  // Every flag clear, both stopwatches stopped at 0.
  CAlarmStruct(CAlarmPack* owner, int id, const std::string& name);
  virtual ~CAlarmStruct();
  CAlarmStruct(const CAlarmStruct&) = delete;
  CAlarmStruct& operator=(const CAlarmStruct&) = delete;

  int GetID() const { return m_id; }
  const std::string& GetName() const { return m_name; }
  CAlarmPack* GetOwner() const { return m_owner; }

  bool IsActive() const;
  bool IsDisplayed() const;
  bool IsAcknowledged() const;

  CRTimer GetFirstTimer() const;
  CRTimer GetSecondTimer() const;
  // Both stopwatches stopped at 0 (the second first).
  void ResetTimers();

  // On a change only: every flag is cleared and both stopwatches reset, the
  // active flag takes the value, and the owner is told (code 3).
  void SetActive(bool active);
  // On a change only: stored, and the owner is told (code 5).
  void SetDisplayed(bool displayed);

 private:
  void TellOwner(int code);

  const int m_id;
  const std::string m_name;
  CAlarmPack* const m_owner;

  mutable std::mutex m_mutex;
  bool m_active = false;
  bool m_displayed = false;
  bool m_acknowledged = false;
  CRTimer m_firstTimer;
  CRTimer m_secondTimer;
};
