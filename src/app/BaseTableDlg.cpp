#include "app/BaseTableDlg.h"

#include "common/Conversions.h"
#include "platform/base/Text.h"
#include "platform/ui/CDataExchange.h"
#include "records/BaseTableRS.h"

CBaseTableDlg::CBaseTableDlg(UINT templateId, CWnd* parent) : CResizableDialog(templateId, parent) {}

CBaseTableDlg::~CBaseTableDlg() = default;

void CBaseTableDlg::DoDataExchange(CDataExchange* dx) {
  CResizableDialog::DoDataExchange(dx);
  DDX_Control(dx, IDC_TABLE_NEW, m_newButton);
  DDX_Control(dx, IDC_TABLE_DELETE, m_deleteButton);
  DDX_Control(dx, IDC_TABLE_RECORD_NUMBER, m_recordNumber);
  DDX_Control(dx, IDC_TABLE_SAVE, m_saveButton);
}

BOOL CBaseTableDlg::OnInitDialog() {
  CResizableDialog::OnInitDialog();
  GoToActiveOrLast();
  ShowRecord();
  SetTimer(kRefreshTimerId, kRefreshPeriodMs);
  return TRUE;
}

void CBaseTableDlg::GoToActiveOrLast() {
  if (m_pTable && !m_pTable->FindActive()) m_pTable->MoveLast();
}

void CBaseTableDlg::EnableItem(UINT id, bool enable) {
  if (CWnd* item = GetDlgItem(id)) item->EnableWindow(enable ? TRUE : FALSE);
}

BOOL CBaseTableDlg::ShowRecordNumber() {
  const CBaseTableRS::CBaseSTFields* current = m_pTable ? m_pTable->GetCurrentFields() : nullptr;
  SetDlgItemText(IDC_TABLE_RECORD_NUMBER, IntToText(current ? current->GetRecordID() : -1));
  return TRUE;
}

BOOL CBaseTableDlg::OnRefreshTimer() { return TRUE; }

BOOL CBaseTableDlg::ReadControls() { return UpdateData(TRUE); }

BOOL CBaseTableDlg::UpdateButtons() {
  const int count = m_pTable ? m_pTable->GetRecordCount() : 0;
  m_bFirstRecord = m_pTable && m_pTable->IsFirstRecord();
  m_bLastRecord = m_pTable && m_pTable->IsLastRecord();
  EnableItem(IDC_TABLE_NEXT, count != 0 && !m_bLastRecord);
  EnableItem(IDC_TABLE_PREVIOUS, count != 0 && !m_bFirstRecord);
  EnableItem(IDC_TABLE_FIND_ACTIVE, !(m_pTable && m_pTable->IsCurrentActive()));
  return TRUE;
}

BOOL CBaseTableDlg::OnCmdMsg(UINT id, int code) {
  if (code == static_cast<int>(BN_CLICKED)) {
    switch (id) {
      case IDC_TABLE_NEXT: OnNextRecord(); return TRUE;
      case IDC_TABLE_PREVIOUS: OnPreviousRecord(); return TRUE;
      case IDC_TABLE_DELETE: OnDeleteRecord(); return TRUE;
      case IDC_TABLE_FIND_ACTIVE: OnFindActive(); return TRUE;
      case IDC_TABLE_CLOSE: OnCloseTable(); return TRUE;
      default: break;
    }
  }
  return CResizableDialog::OnCmdMsg(id, code);
}

void CBaseTableDlg::OnTimer(UINT_PTR id) {
  if (id == kRefreshTimerId) OnRefreshTimer();
  CResizableDialog::OnTimer(id);
}

void CBaseTableDlg::OnNextRecord() {
  if (m_pTable && m_pTable->MoveNext()) ShowRecord();
}

void CBaseTableDlg::OnPreviousRecord() {
  if (m_pTable && m_pTable->MovePrevious()) ShowRecord();
}

void CBaseTableDlg::OnDeleteRecord() {
  if (!m_pTable) return;
  m_pTable->Delete();
  ShowRecord();
}

void CBaseTableDlg::OnFindActive() {
  if (!m_pTable) return;
  const bool found = m_pTable->FindActive();
  // The row already held as active keeps its in-memory set: the process may
  // have booked into it what is not written back yet.
  if (!(found && m_pTable->IsCurrentActive())) m_pTable->SetActiveRecord(found);
  ShowRecord();
  if (found) return;
  const std::string& name = m_pTable->GetSource();
  MessageBox(ruv::Format("There is no active \"%s\".", name.c_str()), name + " Error", MB_ICONSTOP | MB_SYSTEMMODAL);
}

void CBaseTableDlg::OnCloseTable() { OnCancel(); }

void CBaseTableDlg::OnDestroy() {
  CResizableDialog::OnDestroy();
  // The rest of the program finds the table on its active record.
  GoToActiveOrLast();
}
