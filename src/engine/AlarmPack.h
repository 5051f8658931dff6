#pragma once
// A small list of named alarms with two summaries: is any alarm active, and are
// all active alarms acknowledged (true while none is active). A base of every
// process shape and of the process engine; both react to the owner hooks.
//
// The list only grows (an alarm lives as long as its list), so the alarm
// pointers handed out stay valid. The list is guarded by its own mutex and the
// summaries are atomic; the hooks are called with no lock held.
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/AlarmStruct.h"

// Codes passed to the owner hooks.
//   3: an alarm's active flag (OnAlarmChanged), the any-active summary (OnPackChanged);
//   4: the all-acknowledged summary (OnPackChanged);
//   5: an alarm's displayed flag (OnAlarmChanged).
enum EAlarmChange : int {
  eAlarmChangeActive = 3,
  eAlarmChangeAcknowledged = 4,
  eAlarmChangeDisplayed = 5,
};

class CAlarmPack {
 public:
  CAlarmPack();
  virtual ~CAlarmPack();  // deletes every alarm
  CAlarmPack(const CAlarmPack&) = delete;
  CAlarmPack& operator=(const CAlarmPack&) = delete;

  // Appends a new alarm unless one with this id exists (then its first name stays).
  void AddAlarm(int id, const std::string& name);
  // The first alarm with this id, or null.
  CAlarmStruct* FindAlarm(int id) const;
  int GetAlarmCount() const;
  // In the order added; null outside the list.
  CAlarmStruct* GetAlarmAt(int index) const;

  // Every alarm inactive.
  void ClearAlarms();
  // Every alarm inactive, then its stopwatches reset.
  void ResetAllAlarms();

  bool IsAnyActive() const { return m_anyActive.load(); }
  bool IsAllAcknowledged() const { return m_allAcknowledged.load(); }
  // Each stores the summary and, on a change, calls OnPackChanged (3, resp. 4).
  void SetAnyActive(bool anyActive);
  void SetAllAcknowledged(bool allAcknowledged);

  // Told by an alarm whose flag changed (code 3 or 5): recomputes both
  // summaries. An override calls this first.
  virtual void OnAlarmChanged(CAlarmStruct* alarm, int code);
  // Told when a summary changed (3 any-active, 4 all-acknowledged); nothing here.
  virtual void OnPackChanged(int code);

 private:
  mutable std::mutex m_mutex;
  std::vector<std::unique_ptr<CAlarmStruct>> m_alarms;
  std::atomic<bool> m_anyActive{false};
  std::atomic<bool> m_allAcknowledged{true};
};
