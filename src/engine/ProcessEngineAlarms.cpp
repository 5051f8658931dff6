#include "engine/ProcessEngineAlarms.h"

void CProcessEngineAlarms::AddAlarm(int id, const std::string& name) {
  if (FindAlarm(id)) return;
  m_alarms.emplace_back(id, name);
}

const CProcessEngineAlarms::CAlarm* CProcessEngineAlarms::FindAlarm(int id) const {
  for (const CAlarm& alarm : m_alarms)
    if (alarm.GetID() == id) return &alarm;
  return nullptr;
}
