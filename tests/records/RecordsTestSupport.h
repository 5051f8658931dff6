#pragma once
// A small table on the frame (the plant's tables come later), a database made
// from a schema text, and a window that records the table notifications.
#include <sys/resource.h>

#include <csignal>
#include <regex>
#include <string>
#include <vector>

#include "platform/db/DbTestSupport.h"
#include "platform/db/SchemaBuilder.h"
#include "platform/ui/MessageCore.h"
#include "records/AdoDatabase.h"
#include "records/BaseTableRS.h"
#include "support/TestEnvironment.h"

inline const char* kProbeSchema = R"(
CREATE TABLE "Probe" (
  "nRecordID" COUNTER NOT NULL PRIMARY KEY,
  "strName"   TEXT(10),
  "nCount"    LONG,
  "fLevel"    SINGLE,
  "bActive"   YESNO,
  "dValue"    DOUBLE,
  "dtWhen"    DATETIME,
  "strNote"   MEMO
);)";

inline std::string ConnectionStringFor(const std::string& path) {
  return "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=\"" + path + "\"";
}

class CProbeRS : public CBaseTableRS {
 public:
  class CSTFields : public CBaseTableRS::CBaseSTFields {
   public:
    CSTFields() { CSTFields::Reset(); }
    void CopyFrom(const CBaseSTFields& other) override {
      CBaseSTFields::CopyFrom(other);
      const auto& from = static_cast<const CSTFields&>(other);
      m_strName = from.m_strName;
      m_nCount = from.m_nCount;
      m_fLevel = from.m_fLevel;
      m_bActive = from.m_bActive;
    }
    void Reset() override {
      CBaseSTFields::Reset();
      m_strName = "?";
      m_nCount = 0;
      m_fLevel = -1.0f;
      m_bActive = false;
    }
    std::string m_strName;
    int m_nCount = 0;
    float m_fLevel = -1.0f;
    bool m_bActive = false;
  };

  explicit CProbeRS(bool withActiveSet = true) {
    AttachFieldSets(&m_current, withActiveSet ? &m_active : nullptr, &m_scratch);
  }

  bool LoadFields() override {
    if (!CBaseTableRS::LoadFields()) return false;
    bool ok = ReadColumn("m_strName", m_current.m_strName);
    ok = ReadColumn("m_nCount", m_current.m_nCount) && ok;
    // A float member bound to a Double column, as a wrongly typed table would be.
    if (m_bLevelFromDouble)
      ok = ReadColumn("m_dValue", m_current.m_fLevel) && ok;
    else
      ok = ReadColumn("m_fLevel", m_current.m_fLevel) && ok;
    ok = ReadColumn("m_bActive", m_current.m_bActive) && ok;
    return ok;
  }
  bool StoreFields() override {
    if (!CBaseTableRS::StoreFields()) return false;
    bool ok = WriteColumn("m_strName", m_current.m_strName);
    ok = WriteColumn("m_nCount", m_current.m_nCount) && ok;
    ok = WriteColumn("m_fLevel", m_current.m_fLevel) && ok;
    ok = WriteColumn("m_bActive", m_current.m_bActive) && ok;
    return ok;
  }
  bool IsActive() const override { return m_current.m_bActive; }

  CSTFields m_current, m_active, m_scratch;
  bool m_bLevelFromDouble = false;
};

// Records the reasons of WM_TABLE_NOTIFY posted to its handle.
class NotifyRecorder final : public IMessageTarget {
 public:
  NotifyRecorder() : m_handle(RegisterMessageTarget(this)) {}
  ~NotifyRecorder() override { UnregisterMessageTarget(m_handle); }
  LRESULT DispatchMessageToTarget(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_TABLE_NOTIFY) {
      m_reasons.push_back(static_cast<int>(lParam));
      m_tables.push_back(wParam);
    }
    return 0;
  }
  HWND Handle() const { return m_handle; }
  // Delivers what was posted and hands over the reasons received since the last call.
  std::vector<int> Take() {
    PumpPendingMessages();
    std::vector<int> reasons;
    reasons.swap(m_reasons);
    return reasons;
  }
  const std::vector<WPARAM>& Tables() const { return m_tables; }

 private:
  HWND m_handle;
  std::vector<int> m_reasons;
  std::vector<WPARAM> m_tables;
};

// While it lives, no file of the process grows past `bytes` (a full disk): a
// write past it fails with EFBIG instead of the signal ending the process.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &m_was);
    rlimit limited = m_was;
    limited.rlim_cur = bytes;
    m_handler = std::signal(SIGXFSZ, SIG_IGN);
    m_set = ::setrlimit(RLIMIT_FSIZE, &limited) == 0;
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &m_was);
    std::signal(SIGXFSZ, m_handler);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;
  bool IsSet() const { return m_set; }

 private:
  rlimit m_was{};
  void (*m_handler)(int) = nullptr;
  bool m_set = false;
};

// A fresh probe database, opened.
class ProbeDatabase {
 public:
  // The tables a schema makes: a journal may write them as the plant's own.
  static std::vector<std::string> TablesOf(const std::string& schema) {
    std::vector<std::string> tables;
    const std::regex table(R"re(CREATE TABLE\s+"?(\w+)"?)re");
    for (auto it = std::sregex_iterator(schema.begin(), schema.end(), table); it != std::sregex_iterator(); ++it)
      tables.push_back((*it)[1]);
    return tables;
  }
  explicit ProbeDatabase(const char* schema = kProbeSchema) : path(dir.File("Qelo-DataBase.mdb")) {
    std::string error;
    created = ruv::db::CreateDatabaseFromSchema(schema, path, &error);
    database.SetJournalTables(TablesOf(schema));
    if (created) database.Open(ConnectionStringFor(path));
  }
  TempDir dir;
  std::string path;
  bool created = false;
  CADODatabase database;
};
