#pragma once
// A recordset owned by a table object, opened on the shared database by a source
// text (a table name, or an SQL text for a look-up), and the rule that turns a
// field member's name into its column name.
#include <memory>
#include <string>

#include "records/AdoRecordset.h"

class CADODatabase;

class CAdoEngine {
 public:
  CAdoEngine() = default;
  virtual ~CAdoEngine();
  CAdoEngine(const CAdoEngine&) = delete;
  CAdoEngine& operator=(const CAdoEngine&) = delete;

  // Deletes the recordset and forgets the database; field count -1, strip flag set.
  virtual void Reset();
  // Opens the recordset on the source (a name without a blank as a table, else
  // as a query). A database failure is shown in a message box; the result is false.
  virtual bool Open(bool closeFirst = true);

  // The source becomes `source`; an open recordset is closed; with `reopen` the
  // result is that of Open.
  bool SetSourceAndReopen(const std::string& source, bool reopen = true);

  // When set (the default), the column of a member is its name without the
  // leading "m" and "_" characters: "m_nRecordID" is read from "nRecordID".
  bool IsStripMemberPrefix() const { return m_bStripMemberPrefix; }
  void SetStripMemberPrefix(bool strip) { m_bStripMemberPrefix = strip; }
  std::string ColumnName(const std::string& memberName) const;

  // 0 while the table is not open.
  int GetRecordCount() const;
  int GetFieldCount() const { return m_nFieldCount; }
  CADORecordset* GetRecordset() const { return m_pRecordset.get(); }
  void SetDatabase(CADODatabase* database) { m_pDatabase = database; }
  CADODatabase* GetDatabase() const { return m_pDatabase; }
  const std::string& GetSource() const { return m_strSource; }
  // The recordset exists and is open on a live connection.
  bool IsTableOpen() const;

 protected:
  std::unique_ptr<CADORecordset> m_pRecordset;
  CADODatabase* m_pDatabase = nullptr;
  std::string m_strSource;
  int m_nFieldCount = -1;
  bool m_bStripMemberPrefix = true;
};
