#include "records/SharedActiveTableRS.h"

bool CSharedActiveTableRS::SetActiveRecord(bool activate) {
  if (!m_pActiveFields) return false;
  {
    std::lock_guard<std::mutex> lock(m_activeMutex);
    m_pActiveFields->Reset();
    if (activate && m_pCurrentFields) m_pActiveFields->CopyFrom(*m_pCurrentFields);
  }
  NotifyOwner(activate ? kTableActivated : kTableNoActive);
  return true;
}

bool CSharedActiveTableRS::WriteBackActive() {
  if (!m_pActiveFields || !m_pCurrentFields || !IsTableOpen()) return false;
  int id = -1;
  {
    std::lock_guard<std::mutex> lock(m_activeMutex);
    // A row added while the database was locked may have got another id than it showed.
    id = m_pActiveFields->m_nRecordID = FollowRecordId(m_pActiveFields->m_nRecordID);
  }
  if (!IsRecordId(id)) return false;
  if (m_pCurrentFields->m_nRecordID != id && !FindRecord(id)) return false;

  // The lock is released by the unwinding before the guard shows a failure.
  bool saved = ErrorGuard([&] {
    std::lock_guard<std::mutex> lock(m_activeMutex);
    m_pCurrentFields->CopyFrom(*m_pActiveFields);
    m_pRecordset->Edit();
    if (!StoreFields()) return false;
    m_pRecordset->Update();
    // The row is saved; a row that does not read back leaves the active set as it was.
    if (LoadRow()) {
      m_pActiveFields->Reset();
      m_pActiveFields->CopyFrom(*m_pCurrentFields);
    }
    return true;
  });
  if (!saved) {
    // Nothing half-written is committed; the active set still holds every change.
    m_pRecordset->CancelUpdate();
    return false;
  }
  NotifyOwner(kTableActivated);
  NotifyOwner(kTableSaved);
  return true;
}
