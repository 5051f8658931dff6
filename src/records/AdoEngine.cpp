#include "records/AdoEngine.h"

#include "platform/base/MessageBoxService.h"
#include "records/AdoDatabase.h"
#include "records/AdoException.h"

CAdoEngine::~CAdoEngine() { CAdoEngine::Reset(); }

void CAdoEngine::Reset() {
  m_pRecordset.reset();
  m_pDatabase = nullptr;
  m_nFieldCount = -1;
  m_bStripMemberPrefix = true;
}

bool CAdoEngine::Open(bool closeFirst) {
  try {
    if (m_pRecordset && closeFirst) m_pRecordset->Close();
    if (!m_pRecordset) {
      if (!m_pDatabase)
        throw CADOException(E_POINTER, "No database is set for the table [" + m_strSource + "].");
      m_pRecordset = std::make_unique<CADORecordset>(m_pDatabase);
    }
    if (!m_pRecordset->Open(m_strSource, CADORecordset::openUnknown)) return false;
    m_nFieldCount = m_pRecordset->GetFieldCount();
    return true;
  } catch (const CADOException& error) {
    AfxMessageBox(error.GetErrorMessage(), MB_OK);
    return false;
  }
}

bool CAdoEngine::SetSourceAndReopen(const std::string& source, bool reopen) {
  m_strSource = source;
  if (m_pRecordset) m_pRecordset->Close();
  return reopen ? Open(true) : true;
}

std::string CAdoEngine::ColumnName(const std::string& memberName) const {
  if (!m_bStripMemberPrefix) return memberName;
  std::size_t first = memberName.find_first_not_of("m_");
  return first == std::string::npos ? std::string() : memberName.substr(first);
}

int CAdoEngine::GetRecordCount() const { return IsTableOpen() ? m_pRecordset->GetRecordCount() : 0; }

bool CAdoEngine::IsTableOpen() const { return m_pRecordset && m_pRecordset->IsOpen(); }
