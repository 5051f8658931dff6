#include "engine/AlarmStruct.h"

#include "engine/AlarmPack.h"

CAlarmStruct::CAlarmStruct(CAlarmPack* owner, int id, const std::string& name)
    : m_id(id), m_name(name), m_owner(owner) {}

CAlarmStruct::~CAlarmStruct() = default;

bool CAlarmStruct::IsActive() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_active;
}

bool CAlarmStruct::IsDisplayed() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_displayed;
}

bool CAlarmStruct::IsAcknowledged() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_acknowledged;
}

CRTimer CAlarmStruct::GetFirstTimer() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_firstTimer;
}

CRTimer CAlarmStruct::GetSecondTimer() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_secondTimer;
}

void CAlarmStruct::ResetTimers() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_secondTimer.Reset();
  m_firstTimer.Reset();
}

void CAlarmStruct::SetActive(bool active) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_active == active) return;
    // A new state starts with nothing shown or acknowledged and fresh stopwatches.
    m_displayed = false;
    m_acknowledged = false;
    m_firstTimer.Reset();
    m_secondTimer.Reset();
    m_active = active;
  }
  TellOwner(eAlarmChangeActive);
}

void CAlarmStruct::SetDisplayed(bool displayed) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_displayed == displayed) return;
    m_displayed = displayed;
  }
  TellOwner(eAlarmChangeDisplayed);
}

void CAlarmStruct::TellOwner(int code) {
  if (m_owner) m_owner->OnAlarmChanged(this, code);
}
