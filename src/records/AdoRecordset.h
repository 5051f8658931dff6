#pragma once
// A recordset on the plant's database, opened by table name or SQL text, with
// typed reads and writes of the current row's fields by column name.
//
// Typed reads (EMPTY/NULL give the zero of the type, "" for text):
//   float   only a VT_R4 value; anything else throws CADOException 87 with
//           kAdoFloatTypeText (a Double column above all); NULL reads 0.0
//   double  integers, floats and dates (the OLE date number)
//   int     the whole 32-bit value (record ids and "m_n" columns above 32767 survive)
//   long    the 32-bit value
//   bool    VT_BOOL: non-zero is true; any other type: false returned, variable unchanged
//   text    texts unchanged, numbers in decimal, dates by a strftime-style format
//           ("%Y-%m-%d %H:%M:%S" when none), booleans "T" for -1 and "F" otherwise,
//           decimals with every digit they hold, currency in the user's locale ("$12.50")
// Typed writes (only between Edit/AddNew and Update; false and nothing written otherwise):
//   text "" as NULL, int and long as 32-bit integers, float VT_R4, double VT_R8
//   (dates are written this way), bool -1/0.
// Every database failure throws CADOException with the database's text and code.
#include <memory>
#include <string>

#include "platform/base/Variant.h"
#include "platform/db/Recordset.h"

class CADODatabase;
namespace ruv::db {
class Connection;
}

struct CADOFieldInfo {
  std::string m_strName;  // at most 59 characters
  short m_nType = 0;      // ADO data type
  long m_lSize = 0;       // actual size of the value (0 at EOF)
  long m_lDefinedSize = 0;
  long m_lAttributes = 0;
};

class CADORecordset {
 public:
  enum cadoOpenEnum { openUnknown = 0, openQuery = 1, openTable = 2, openStoredProc = 3 };
  enum cadoEditEnum { dbEditNone = 0, dbEditNew = 1, dbEdit = 2 };

  explicit CADORecordset(CADODatabase* database);
  virtual ~CADORecordset();
  CADORecordset(const CADORecordset&) = delete;
  CADORecordset& operator=(const CADORecordset&) = delete;

  // Mode openUnknown opens a source without a blank as a table and anything else
  // as a query. An empty source reopens the stored one. Stored procedures do not
  // exist in this database: that mode throws CADOException kAdoStoredProcedureError;
  // any other unknown mode gives false.
  bool Open(const std::shared_ptr<ruv::db::Connection>& connection, const std::string& source, int mode);
  bool Open(const std::string& source = std::string(), int mode = openUnknown);
  bool IsOpen() const;
  // Cancels a pending add or edit.
  void Close();

  int GetRecordCount() const;
  int GetFieldCount() const;
  bool IsEOF() const;
  bool IsBOF() const;
  long GetAbsolutePosition() const;
  void MoveFirst();
  void MoveLast();
  void MoveNext();
  void MovePrevious();

  void Edit();
  bool AddNew();
  bool Update();
  void CancelUpdate();
  bool Delete();
  int GetEditMode() const { return m_nEditStatus; }

  bool GetFieldValue(const std::string& column, float& value);
  bool GetFieldValue(const std::string& column, double& value);
  bool GetFieldValue(const std::string& column, int& value);
  bool GetFieldValue(const std::string& column, long& value);
  bool GetFieldValue(const std::string& column, bool& value);
  bool GetFieldValue(const std::string& column, std::string& value, const std::string& dateFormat = std::string());
  bool GetFieldValue(const std::string& column, Variant& value);
  bool GetFieldValue(int index, Variant& value);

  bool SetFieldValue(const std::string& column, const std::string& value);
  bool SetFieldValue(const std::string& column, const char* value) { return SetFieldValue(column, std::string(value)); }
  bool SetFieldValue(const std::string& column, int value);
  bool SetFieldValue(const std::string& column, long value);
  bool SetFieldValue(const std::string& column, float value);
  bool SetFieldValue(const std::string& column, double value);
  bool SetFieldValue(const std::string& column, bool value);
  bool PutFieldValue(const std::string& column, const Variant& value);

  bool GetFieldInfo(int index, CADOFieldInfo& info);

  // Searches the column (a text names it, any other value is its index) for the
  // value: the current row first, then from the last row towards the first.
  // Found: that row is current, *moved tells whether it changed. Not found, an
  // empty recordset, or no current row to start from: false, position unchanged.
  // A row's id (the table's key, a 32-bit value) is looked up: one row read,
  // however many rows there are.
  virtual bool FindFieldValue(const Variant& field, const Variant& value, bool* moved = nullptr);

  // Record ids a caller holds. A row added while another program holds the
  // database's lock is kept until it can be written, and has no id until then:
  // its record id column reads a handle, a number below -1 that is never a
  // row's id (-1 stays "no row"). Following an id:
  //  - the handle of a kept row that has been written gives the id it got;
  //  - the handle of a row still kept (or never written) gives the handle;
  //  - a real id, and -1, give themselves.
  // So following is idempotent and safe to repeat at every event, and no real
  // id is ever followed to another row: hold the followed id and follow it again.
  int FollowRecordId(int id) const;
  // Whether `id` names a row at all: a row's id or a kept row's handle (not -1).
  static bool IsRecordId(int id) { return id != static_cast<int>(ruv::db::kNoRowId); }
  // Whether `id` is a kept row's handle (the row is not in the database yet).
  static bool IsKeptRecordHandle(int id) { return ruv::db::IsKeptRowHandle(id); }

  const std::string& GetQuery() const { return m_strQuery; }
  DWORD GetLastError() const { return m_dwLastError; }
  // The last failure in full: the query, code, its meaning, source and description.
  const std::string& GetLastErrorString() const { return m_strLastError; }

 private:
  template <class Call>
  auto Guarded(Call&& call) const -> decltype(call());
  Variant ReadField(const std::string& column);
  Variant ReadField(const Variant& field);
  // Where the row whose id (the column `field`) is `value` stands (0: none);
  // -1 when `field` is not the id column or `value` no 32-bit id.
  long RowIdPosition(const Variant& field, const Variant& value);

  ruv::db::Recordset m_recordset;
  std::shared_ptr<ruv::db::Connection> m_pConnection;
  int m_nEditStatus = dbEditNone;
  std::string m_strQuery;
  mutable std::string m_strLastError;
  mutable DWORD m_dwLastError = 0;
};
