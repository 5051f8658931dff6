#pragma once
// A resizable dialog that browses one table record by record: next, previous,
// delete, go to the active record, close, and the current record's number.
// A derived dialog supplies its template (with the control ids below), shows
// the current record in ShowRecord and stores it in StoreRecord; its ShowRecord
// calls ShowRecordNumber first and UpdateButtons last. The table and the process
// engine belong to whoever opens the dialog and are set before it is created.
#include "controls/CResizableDialog.h"
#include "platform/ui/CButton.h"
#include "platform/ui/CEdit.h"

class CBaseTableRS;
class CProcessEngineBase;

constexpr UINT IDC_TABLE_NEW = 5001;
constexpr UINT IDC_TABLE_SAVE = 5002;
constexpr UINT IDC_TABLE_NEXT = 5004;
constexpr UINT IDC_TABLE_PREVIOUS = 5005;
constexpr UINT IDC_TABLE_DELETE = 5006;
constexpr UINT IDC_TABLE_FIND_ACTIVE = 5007;
constexpr UINT IDC_TABLE_CLOSE = 5008;
constexpr UINT IDC_TABLE_RECORD_NUMBER = 5009;

class CBaseTableDlg : public CResizableDialog {
 public:
  static constexpr UINT_PTR kRefreshTimerId = 10234;
  static constexpr UINT kRefreshPeriodMs = 1000;

  CBaseTableDlg(UINT templateId, CWnd* parent = nullptr);
  ~CBaseTableDlg() override;

  void SetTable(CBaseTableRS* table) { m_pTable = table; }
  CBaseTableRS* GetTable() const { return m_pTable; }
  void SetProcessEngine(CProcessEngineBase* engine) { m_pProcessEngine = engine; }
  CProcessEngineBase* GetProcessEngine() const { return m_pProcessEngine; }

  // The current record's id, in decimal, into the record-number edit.
  BOOL ShowRecordNumber();

  // Every tick of the refresh timer; nothing here.
  virtual BOOL OnRefreshTimer();
  // Dialog data from the controls; whether that succeeded.
  virtual BOOL ReadControls();
  virtual BOOL ShowRecord() = 0;
  virtual BOOL StoreRecord() = 0;
  // Next and previous while the table is not at that end, Find Active while
  // the current record is not the active one.
  virtual BOOL UpdateButtons();

  // The answers of the last button update.
  bool IsOnFirstRecord() const { return m_bFirstRecord; }
  bool IsOnLastRecord() const { return m_bLastRecord; }

  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* dx) override;
  BOOL OnCmdMsg(UINT id, int code) override;
  void OnTimer(UINT_PTR id) override;
  void OnDestroy() override;

  void OnNextRecord();
  void OnPreviousRecord();
  void OnDeleteRecord();
  void OnFindActive();
  void OnCloseTable();

 protected:
  // Puts the table on its active record, or on its last one when it has none.
  void GoToActiveOrLast();
  // Enables or disables the control `id` when the template has it.
  void EnableItem(UINT id, bool enable);

  CButton m_newButton;
  CButton m_deleteButton;
  CEdit m_recordNumber;
  CButton m_saveButton;
  CBaseTableRS* m_pTable = nullptr;
  CProcessEngineBase* m_pProcessEngine = nullptr;
  bool m_bFirstRecord = false;
  bool m_bLastRecord = false;
};
