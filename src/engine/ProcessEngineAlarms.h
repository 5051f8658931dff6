#pragma once
// The process engine's alarm list. The engine adds its alarms at reset; an id
// already in the list is not added again. The engine's OnAlarmChanged and
// OnPackChanged are the hooks for the list's notifications.
#include <string>
#include <vector>

class CProcessEngineAlarms {
 public:
  class CAlarm {
   public:
    CAlarm(int id, std::string name) : m_nID(id), m_strName(std::move(name)) {}
    int GetID() const { return m_nID; }
    const std::string& GetName() const { return m_strName; }

   private:
    int m_nID;
    std::string m_strName;
  };

  // Appends the alarm unless one with this id exists.
  void AddAlarm(int id, const std::string& name);
  // The first alarm with this id, or null.
  const CAlarm* FindAlarm(int id) const;

 private:
  std::vector<CAlarm> m_alarms;
};
