#pragma once
// The frame of every table of the plant's database: three in-memory copies of a
// row (the current set mirrors the row the recordset stands on, the active set
// holds the row the plant works with, the scratch set a new row being prepared),
// navigation that loads the current row, the active record, adding, saving and
// deleting rows, and notification of an owner window.
//
// A table class derives from CBaseTableRS, declares its field set as a class
// derived from CBaseSTFields, hands its sets to AttachFieldSets, and overrides
// LoadFields/StoreFields (calling the frame's first) with one ReadColumn or
// WriteColumn per column, and IsActive where it has an active row.
//
// Each change is posted to the owner window as WM_TABLE_NOTIFY with the table
// as wParam and a TableNotify reason as lParam.
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/base/MessageBoxService.h"
#include "platform/base/Variant.h"
#include "platform/base/WinTypes.h"
#include "platform/ui/MessageCore.h"
#include "records/AdoEngine.h"
#include "records/AdoException.h"

constexpr UINT WM_TABLE_NOTIFY = 5378;  // 0x1502

enum TableNotify : int {
  kTableMoved = 0,               // the current row changed or was reloaded
  kTableSaved = 2,               // the current row was saved
  kTableNoActive = 3,            // no active record: none found, or it was cleared
  kTableActiveFound = 4,         // the active record was found and is now current
  kTableActivated = 5,           // the current row became the active record
  kTableActiveShiftChanged = 6,  // posted by the shift's users, not by the frame
};

class CBaseTableRS : public CAdoEngine {
 public:
  class CBaseSTFields {
   public:
    explicit CBaseSTFields(CBaseTableRS* owner = nullptr) : m_pOwner(owner) { CBaseSTFields::Reset(); }
    virtual ~CBaseSTFields() = default;
    CBaseSTFields(const CBaseSTFields&) = delete;
    CBaseSTFields& operator=(const CBaseSTFields&) = delete;

    // Resets this set (the table's own Reset), then takes the other's owner and record id.
    virtual void CopyFrom(const CBaseSTFields& other);
    // Every member to its default; the record id -1 (no row).
    virtual void Reset() { m_nRecordID = -1; }

    CBaseTableRS* GetOwner() const { return m_pOwner; }
    void SetOwner(CBaseTableRS* owner) { m_pOwner = owner; }
    int GetRecordID() const { return m_nRecordID; }

    CBaseTableRS* m_pOwner;
    int m_nRecordID = -1;  // 32-bit: ids above 32767 survive
  };

  CBaseTableRS() = default;
  ~CBaseTableRS() override;

  // CAdoEngine::Open, then the last row (when the open succeeded).
  bool Open(bool closeFirst = true) override;

  virtual void CopySettingsFrom(const CBaseTableRS& other);
  // Each existing field set is reset and owned by this table.
  virtual void BindFieldSets();
  virtual bool HasActiveRecord() const;
  virtual bool IsCurrentActive() const;
  virtual bool IsFirstRecord() const;
  virtual bool IsLastRecord() const;
  // Each: the current set is reset; on a table without rows false and nothing
  // more. Else the move, the load of the row, reason kTableMoved; false when the
  // load failed or MoveNext/MovePrevious ran past the end (the end row then stays).
  virtual bool MoveFirst();
  virtual bool MoveNext();
  virtual bool MovePrevious();
  virtual bool MoveLast();
  virtual bool Reload();
  virtual bool LoadCurrent();
  virtual bool SaveCurrent();
  // SaveCurrent without the box: a failure's text (the database's words, empty
  // when the database was never asked) goes to `failure`, for the caller to tell.
  bool SaveCurrentQuietly(std::string& failure);
  virtual bool LoadFields();
  virtual bool StoreFields();
  // LoadFields, then, when some stored values could not be read, the one
  // failure that names each of their columns (every other column is read).
  bool LoadRow();
  virtual bool ResetIfHasRecords();
  virtual bool NotifyMoved();
  virtual void ResetCurrentFields();
  virtual bool FindActive();
  virtual bool FindByKey(const Variant& column, const Variant& value);
  // Record ids held in field sets or by callers follow CADORecordset's
  // contract: a row added under another program's lock reads a handle (below
  // -1) until it is written; FollowRecordId gives the id it got then, and any
  // other id unchanged (idempotent). -1 is "no row"; ask IsRecordId, never `id < 0`.
  int FollowRecordId(int id) const;
  static bool IsRecordId(int id) { return CADORecordset::IsRecordId(id); }
  static bool IsKeptRecordHandle(int id) { return CADORecordset::IsKeptRecordHandle(id); }
  // Makes the row with record id (or handle) `id`, followed, current and
  // loaded; false when there is none.
  bool FindRecord(int id);
  virtual bool IsActive() const { return false; }
  virtual bool AlwaysTrue() { return true; }
  virtual bool SetActiveRecord(bool activate);
  virtual bool WriteBackActive();
  virtual bool AddNew();
  virtual bool Delete();
  virtual bool NotifyOwner(int reason);
  virtual bool GetFlagA() const { return m_bFlagA; }
  virtual void SetFlagA(bool flag) { m_bFlagA = flag; }
  virtual bool GetFlagB() const { return m_bFlagB; }
  virtual bool SetFlagB(bool flag) { return m_bFlagB = flag; }
  virtual bool StoreScratch();

  void SetOwnerWnd(HWND owner) { m_hOwnerWnd = owner; }
  HWND GetOwnerWnd() const { return m_hOwnerWnd; }
  UINT GetNotifyMessage() const { return m_nNotifyMessage; }
  CBaseSTFields* GetCurrentFields() const { return m_pCurrentFields; }
  CBaseSTFields* GetActiveFields() const { return m_pActiveFields; }
  CBaseSTFields* GetScratchFields() const { return m_pScratchFields; }

 protected:
  // Called by a table's constructor with the sets it embeds (any may be null); binds them.
  void AttachFieldSets(CBaseSTFields* current, CBaseSTFields* active, CBaseSTFields* scratch);

  // One column of the field exchange under the field guard: the column name
  // comes from the member name by the strip rule; a database failure becomes
  // "Error at [<source>] table [<column>] field!\n<text>" with the clipboard
  // note, the column name is put on the clipboard, and a CADOException with the
  // failure's code and that text is thrown. The result is the typed read's or write's.
  template <class T>
  bool ReadColumn(const std::string& memberName, T& value);
  template <class T>
  bool WriteColumn(const std::string& memberName, const T& value);

  // Runs `step`; a CADOException is shown with OK only (or handed to the quiet
  // save's caller) and gives false.
  template <class Step>
  bool ErrorGuard(Step&& step);

  CBaseSTFields* m_pCurrentFields = nullptr;
  CBaseSTFields* m_pActiveFields = nullptr;
  CBaseSTFields* m_pScratchFields = nullptr;
  HWND m_hOwnerWnd = nullptr;
  UINT m_nNotifyMessage = WM_TABLE_NOTIFY;
  bool m_bFlagA = false;
  bool m_bFlagB = true;

 private:
  std::string* m_pQuietFailure = nullptr;  // set during SaveCurrentQuietly
  CADOException FieldError(const std::string& column, const CADOException& cause) const;
  // A stored value that cannot be read fails every load of its row: each of
  // its columns is reported (box and clipboard) once per row and column; later
  // failures of the same reads fail as quietly as the first one failed loudly.
  CADOException ReadFieldError(const std::vector<std::pair<std::string, CADOException>>& unread);

  std::set<std::pair<long, std::string>> m_reportedReadErrors;  // (row position, column) shown in a box
  std::vector<std::pair<long, std::string>> m_readErrorsInFlight;  // the read failures being thrown
  bool m_repeatedReadError = false;  // every failure in flight was shown before
  std::vector<std::pair<std::string, CADOException>> m_unreadColumns;  // of the row being loaded
  CADORecordset& OpenRecordset(const std::string& column) const;
  void CancelPendingEdit();
};

template <class T>
bool CBaseTableRS::ReadColumn(const std::string& memberName, T& value) {
  const std::string column = ColumnName(memberName);
  CADORecordset& recordset = OpenRecordset(column);
  try {
    return recordset.GetFieldValue(column, value);
  } catch (const CADOException& error) {
    // The row's other columns are still read; LoadRow reports them all.
    m_unreadColumns.emplace_back(column, error);
    return false;
  }
}

template <class T>
bool CBaseTableRS::WriteColumn(const std::string& memberName, const T& value) {
  const std::string column = ColumnName(memberName);
  try {
    return OpenRecordset(column).SetFieldValue(column, value);
  } catch (const CADOException& error) {
    throw FieldError(column, error);
  }
}

template <class Step>
bool CBaseTableRS::ErrorGuard(Step&& step) {
  m_repeatedReadError = false;
  m_readErrorsInFlight.clear();
  try {
    return step();
  } catch (const CADOException& error) {
    if (m_pQuietFailure) {
      *m_pQuietFailure = error.GetErrorMessage();
    } else if (!m_repeatedReadError) {
      AfxMessageBox(error.GetErrorMessage(), MB_OK);
      m_reportedReadErrors.insert(m_readErrorsInFlight.begin(), m_readErrorsInFlight.end());
    }
    m_repeatedReadError = false;
    m_readErrorsInFlight.clear();
    return false;
  }
}
