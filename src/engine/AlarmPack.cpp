#include "engine/AlarmPack.h"

CAlarmPack::CAlarmPack() = default;

CAlarmPack::~CAlarmPack() = default;

void CAlarmPack::AddAlarm(int id, const std::string& name) {
  std::lock_guard<std::mutex> lock(m_mutex);
  for (const auto& alarm : m_alarms)
    if (alarm->GetID() == id) return;
  m_alarms.push_back(std::make_unique<CAlarmStruct>(this, id, name));
}

CAlarmStruct* CAlarmPack::FindAlarm(int id) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  for (const auto& alarm : m_alarms)
    if (alarm->GetID() == id) return alarm.get();
  return nullptr;
}

int CAlarmPack::GetAlarmCount() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return static_cast<int>(m_alarms.size());
}

CAlarmStruct* CAlarmPack::GetAlarmAt(int index) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (index < 0 || index >= static_cast<int>(m_alarms.size())) return nullptr;
  return m_alarms[static_cast<std::size_t>(index)].get();
}

void CAlarmPack::ClearAlarms() {
  // The alarms report to this pack, so they are changed outside the list's lock.
  for (int i = 0, count = GetAlarmCount(); i < count; ++i) GetAlarmAt(i)->SetActive(false);
}

void CAlarmPack::ResetAllAlarms() {
  for (int i = 0, count = GetAlarmCount(); i < count; ++i) {
    CAlarmStruct* alarm = GetAlarmAt(i);
    alarm->SetActive(false);
    alarm->ResetTimers();
  }
}

void CAlarmPack::SetAnyActive(bool anyActive) {
  if (m_anyActive.exchange(anyActive) != anyActive) OnPackChanged(eAlarmChangeActive);
}

void CAlarmPack::SetAllAcknowledged(bool allAcknowledged) {
  if (m_allAcknowledged.exchange(allAcknowledged) != allAcknowledged) OnPackChanged(eAlarmChangeAcknowledged);
}

void CAlarmPack::OnAlarmChanged(CAlarmStruct* /*alarm*/, int /*code*/) {
  bool anyActive = false;
  bool allAcknowledged = true;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const auto& alarm : m_alarms) {
      if (!alarm->IsActive()) continue;
      anyActive = true;
      if (!alarm->IsAcknowledged()) allAcknowledged = false;
    }
  }
  SetAnyActive(anyActive);
  SetAllAcknowledged(allAcknowledged);
}

void CAlarmPack::OnPackChanged(int /*code*/) {}
