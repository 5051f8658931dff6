#include "records/BaseTableRS.h"

#include "common/ProcessUtils.h"
#include "platform/base/MessageBoxService.h"
#include "platform/base/Text.h"
#include "platform/db/DbError.h"

void CBaseTableRS::CBaseSTFields::CopyFrom(const CBaseSTFields& other) {
  Reset();
  // A set keeps its own table: it never comes to point at another table object.
  if (!m_pOwner) m_pOwner = other.m_pOwner;
  m_nRecordID = other.m_nRecordID;
}

// The field sets belong to the derived table and are already destroyed here,
// so the frame leaves them alone; CAdoEngine's destructor deletes the recordset.
CBaseTableRS::~CBaseTableRS() = default;

void CBaseTableRS::AttachFieldSets(CBaseSTFields* current, CBaseSTFields* active, CBaseSTFields* scratch) {
  m_pCurrentFields = current;
  m_pActiveFields = active;
  m_pScratchFields = scratch;
  BindFieldSets();
}

bool CBaseTableRS::Open(bool closeFirst) {
  if (!CAdoEngine::Open(closeFirst)) return false;
  MoveLast();
  return true;
}

void CBaseTableRS::CopySettingsFrom(const CBaseTableRS& other) {
  BindFieldSets();
  m_bFlagA = other.m_bFlagA;
  m_bFlagB = other.m_bFlagB;
  m_hOwnerWnd = other.m_hOwnerWnd;
  m_nNotifyMessage = other.m_nNotifyMessage;
  if (m_pCurrentFields && other.m_pCurrentFields) m_pCurrentFields->CopyFrom(*other.m_pCurrentFields);
  if (m_pActiveFields && other.m_pActiveFields) m_pActiveFields->CopyFrom(*other.m_pActiveFields);
  if (m_pScratchFields && other.m_pScratchFields) m_pScratchFields->CopyFrom(*other.m_pScratchFields);
}

void CBaseTableRS::BindFieldSets() {
  for (CBaseSTFields* set : {m_pCurrentFields, m_pActiveFields, m_pScratchFields}) {
    if (!set) continue;
    set->Reset();
    set->SetOwner(this);
  }
}

bool CBaseTableRS::HasActiveRecord() const { return m_pActiveFields && IsRecordId(m_pActiveFields->m_nRecordID); }

// Either set may still hold a kept row's handle after the row was written.
bool CBaseTableRS::IsCurrentActive() const {
  return HasActiveRecord() && m_pCurrentFields &&
         FollowRecordId(m_pCurrentFields->m_nRecordID) == FollowRecordId(m_pActiveFields->m_nRecordID);
}

bool CBaseTableRS::IsFirstRecord() const { return IsTableOpen() && m_pRecordset->GetAbsolutePosition() == 1; }

bool CBaseTableRS::IsLastRecord() const {
  if (!IsTableOpen()) return false;
  long position = m_pRecordset->GetAbsolutePosition();
  return position >= 1 && position == m_pRecordset->GetRecordCount();
}

bool CBaseTableRS::ResetIfHasRecords() {
  ResetCurrentFields();
  return IsTableOpen() && m_pRecordset->GetRecordCount() != 0;
}

void CBaseTableRS::ResetCurrentFields() {
  if (m_pCurrentFields) m_pCurrentFields->Reset();
}

bool CBaseTableRS::MoveFirst() {
  if (!ResetIfHasRecords()) return false;
  if (!ErrorGuard([&] { m_pRecordset->MoveFirst(); return true; })) return false;
  bool loaded = LoadCurrent();
  NotifyMoved();
  return loaded;
}

bool CBaseTableRS::MoveLast() {
  if (!ResetIfHasRecords()) return false;
  if (!ErrorGuard([&] { m_pRecordset->MoveLast(); return true; })) return false;
  bool loaded = LoadCurrent();
  NotifyMoved();
  return loaded;
}

bool CBaseTableRS::MoveNext() {
  if (!ResetIfHasRecords()) return false;
  bool pastEnd = false;
  bool moved = ErrorGuard([&] {
    if (!m_pRecordset->IsEOF()) m_pRecordset->MoveNext();
    if (m_pRecordset->IsEOF()) {
      pastEnd = true;
      m_pRecordset->MoveLast();
    }
    return true;
  });
  if (!moved) return false;
  bool loaded = LoadCurrent();
  NotifyMoved();
  return loaded && !pastEnd;
}

bool CBaseTableRS::MovePrevious() {
  if (!ResetIfHasRecords()) return false;
  bool pastEnd = false;
  bool moved = ErrorGuard([&] {
    if (!m_pRecordset->IsBOF()) m_pRecordset->MovePrevious();
    if (m_pRecordset->IsBOF()) {
      pastEnd = true;
      m_pRecordset->MoveFirst();
    }
    return true;
  });
  if (!moved) return false;
  bool loaded = LoadCurrent();
  NotifyMoved();
  return loaded && !pastEnd;
}

bool CBaseTableRS::Reload() {
  m_bFlagB = false;
  bool loaded = LoadCurrent();
  m_bFlagB = true;
  return loaded;
}

bool CBaseTableRS::LoadCurrent() {
  if (!IsTableOpen()) return false;
  return ErrorGuard([&] { return LoadRow(); });
}

bool CBaseTableRS::LoadFields() {
  ResetCurrentFields();
  if (!m_pCurrentFields) return false;
  return ReadColumn("m_nRecordID", m_pCurrentFields->m_nRecordID);
}

bool CBaseTableRS::StoreFields() { return true; }

bool CBaseTableRS::NotifyMoved() {
  NotifyOwner(kTableMoved);
  return true;
}

void CBaseTableRS::CancelPendingEdit() {
  if (m_pRecordset) m_pRecordset->CancelUpdate();
}

bool CBaseTableRS::SaveCurrent() {
  if (!IsTableOpen()) return false;
  bool saved = ErrorGuard([&] {
    // Asked before the load: a row added under another program's lock may read back with another id.
    const bool wasActive = IsCurrentActive();
    m_pRecordset->Edit();
    // A store that failed part-way is discarded, never committed half-written.
    if (!StoreFields()) return false;
    m_pRecordset->Update();
    LoadRow();
    return wasActive || IsCurrentActive() ? SetActiveRecord(true) : true;
  });
  if (!saved) {
    // The current set keeps the values that were not saved, for another try.
    CancelPendingEdit();
    return false;
  }
  NotifyOwner(kTableSaved);
  return true;
}

bool CBaseTableRS::SaveCurrentQuietly(std::string& failure) {
  failure.clear();
  m_pQuietFailure = &failure;
  struct QuietEnds {
    std::string*& quiet;
    ~QuietEnds() { quiet = nullptr; }
  } quietEnds{m_pQuietFailure};
  return SaveCurrent();
}

bool CBaseTableRS::WriteBackActive() {
  if (!m_pCurrentFields || !HasActiveRecord()) return false;
  // The active record's own row, found by its id: its stored active flag may
  // already say otherwise (a shift being stopped), or another row may carry it too.
  const int id = m_pActiveFields->m_nRecordID = FollowRecordId(m_pActiveFields->m_nRecordID);
  if (m_pCurrentFields->m_nRecordID != id && !FindRecord(id)) return false;
  m_pCurrentFields->CopyFrom(*m_pActiveFields);
  return SaveCurrent();
}

bool CBaseTableRS::FindActive() {
  if (!IsTableOpen()) return false;
  if (IsActive()) return LoadCurrent();
  // From the last row towards the first, each row loaded (and notified) once.
  bool found = false;
  if (MoveLast()) {
    found = IsActive();
    while (!found && !IsFirstRecord()) {
      if (!MovePrevious()) break;
      found = IsActive();
    }
  }
  NotifyOwner(found ? kTableActiveFound : kTableNoActive);
  return found;
}

bool CBaseTableRS::FindByKey(const Variant& column, const Variant& value) {
  if (!IsTableOpen()) return false;
  bool found = false, moved = false;
  if (!ErrorGuard([&] {
        found = m_pRecordset->FindFieldValue(column, value, &moved);
        return true;
      }))
    return false;
  if (!found) return false;
  if (!moved) return true;
  if (!ResetIfHasRecords()) return false;
  bool loaded = LoadCurrent();
  return NotifyMoved() && loaded;
}

int CBaseTableRS::FollowRecordId(int id) const {
  return IsTableOpen() ? m_pRecordset->FollowRecordId(id) : id;
}

bool CBaseTableRS::FindRecord(int id) {
  id = FollowRecordId(id);
  if (!IsRecordId(id) || !FindByKey(Variant::String(ColumnName("m_nRecordID")), Variant::I4(id))) return false;
  // Found where it stood: the current set may hold the id it showed before.
  if (m_pCurrentFields && m_pCurrentFields->m_nRecordID != id) LoadCurrent();
  return m_pCurrentFields && m_pCurrentFields->m_nRecordID == id;
}

bool CBaseTableRS::SetActiveRecord(bool activate) {
  if (!m_pActiveFields) return false;
  m_pActiveFields->Reset();
  if (activate && m_pCurrentFields) m_pActiveFields->CopyFrom(*m_pCurrentFields);
  NotifyOwner(activate ? kTableActivated : kTableNoActive);
  return true;
}

bool CBaseTableRS::StoreScratch() {
  if (!m_pCurrentFields || !m_pScratchFields) return false;
  m_pCurrentFields->CopyFrom(*m_pScratchFields);
  return StoreFields();
}

bool CBaseTableRS::AddNew() {
  if (!IsTableOpen()) return false;
  bool added = ErrorGuard([&] {
    if (!m_pRecordset->AddNew() || !StoreScratch() || !m_pRecordset->Update()) return false;
    LoadRow();  // the current set learns the id the database gave the row
    if (m_pScratchFields) m_pScratchFields->Reset();
    return true;
  });
  if (added) return true;
  // Nothing of the new row is committed; the scratch set keeps it for another try.
  CancelPendingEdit();
  try {
    if (m_pRecordset->GetAbsolutePosition() >= 1)
      LoadRow();
    else
      ResetCurrentFields();
  } catch (const CADOException&) {
    ResetCurrentFields();  // the failure was shown already
  }
  return false;
}

bool CBaseTableRS::Delete() {
  if (!IsTableOpen()) return false;
  const std::string caption = "Deletion " + m_strSource + " Alert";
  if (IsCurrentActive()) {
    ShowMessageBox(ruv::Format("It is not poossible to delete Active %s!", m_strSource.c_str()), caption,
                   MB_ICONSTOP | MB_SYSTEMMODAL);
    return false;
  }
  const int count = GetRecordCount();
  if (count <= 1) {
    ShowMessageBox(ruv::Format("It is not poossible to delete record from %s table.\r\nBecause it has only %d record.",
                               m_strSource.c_str(), count),
                   caption, MB_ICONSTOP | MB_SYSTEMMODAL);
    return false;
  }
  const int id = m_pCurrentFields ? m_pCurrentFields->m_nRecordID : -1;
  if (ShowMessageBox(ruv::Format("Are you sure you want to delete the record number %d", id), caption,
                     MB_YESNOCANCEL | MB_ICONEXCLAMATION | MB_DEFBUTTON3) != IDYES)
    return false;
  bool deleted = ErrorGuard([&] {
    bool done = m_pRecordset->Delete();
    m_pRecordset->Update();
    return done;
  });
  if (deleted) MovePrevious();
  return deleted;
}

bool CBaseTableRS::NotifyOwner(int reason) {
  if (!m_hOwnerWnd || !m_nNotifyMessage) return false;
  return PostMessage(m_hOwnerWnd, m_nNotifyMessage, reinterpret_cast<WPARAM>(this), reason) != FALSE;
}

CADOException CBaseTableRS::FieldError(const std::string& column, const CADOException& cause) const {
  std::string text = ruv::Format("Error at [%s] table [%s] field!\n%s", m_strSource.c_str(), column.c_str(),
                                 cause.GetErrorMessage().c_str());
  text += "\n\n - The Field name is copied to clipboard.";
  CopyTextToClipboard(column);
  return CADOException(cause.GetError(), text);
}

CADOException CBaseTableRS::ReadFieldError(const std::vector<std::pair<std::string, CADOException>>& unread) {
  const long row = IsTableOpen() ? m_pRecordset->GetAbsolutePosition() : -1;
  std::string told, names;
  for (const auto& [column, cause] : unread) {
    m_readErrorsInFlight.emplace_back(row, column);
    if (m_reportedReadErrors.count(m_readErrorsInFlight.back()) != 0) continue;
    if (!told.empty()) told += "\n\n";
    told += ruv::Format("Error at [%s] table [%s] field!\n%s", m_strSource.c_str(), column.c_str(),
                        cause.GetErrorMessage().c_str());
    names += names.empty() ? column : "\r\n" + column;
  }
  const HRESULT code = unread.front().second.GetError();
  if (told.empty()) {
    // Every one was shown before: this load fails quietly.
    m_repeatedReadError = true;
    const auto& [column, cause] = unread.front();
    return CADOException(code, ruv::Format("Error at [%s] table [%s] field!\n%s", m_strSource.c_str(),
                                           column.c_str(), cause.GetErrorMessage().c_str()));
  }
  CopyTextToClipboard(names);
  return CADOException(code, told + "\n\n - The Field name is copied to clipboard.");
}

bool CBaseTableRS::LoadRow() {
  m_unreadColumns.clear();
  const bool loaded = LoadFields();
  if (m_unreadColumns.empty()) return loaded;
  const auto unread = std::move(m_unreadColumns);
  m_unreadColumns.clear();
  throw ReadFieldError(unread);
}

CADORecordset& CBaseTableRS::OpenRecordset(const std::string& column) const {
  if (!IsTableOpen())
    throw CADOException(ruv::db::kErrObjectClosed,
                        ruv::Format("The table is not open; the column '%s' cannot be used.", column.c_str()));
  return *m_pRecordset;
}
