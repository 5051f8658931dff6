// What the plant's database work costs: a durable save of one row (WAL with
// full synchronous commits, as every charge and discharge event does),
// finding a row by its id in a table that has grown over many shifts, and a
// row changed while another program holds the database locked (kept, with
// the row read after it) however many records wait.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "platform/base/AtomicFile.h"
#include "platform/base/MessageBoxService.h"
#include "platform/db/SchemaBuilder.h"
#include "records/AdoDatabase.h"
#include "records/BaseTableRS.h"

namespace {

// Keyed as the plant's tables are: the row's id is the table's key.
const char* kSchema =
    "CREATE TABLE \"Event\" (\"nRecordID\" INTEGER PRIMARY KEY AUTOINCREMENT, \"nCount\" LONG, \"fDose\" SINGLE);";

class CEventRS : public CBaseTableRS {
 public:
  class CSTFields : public CBaseSTFields {
   public:
    void CopyFrom(const CBaseSTFields& other) override {
      CBaseSTFields::CopyFrom(other);
      m_nCount = static_cast<const CSTFields&>(other).m_nCount;
    }
    void Reset() override {
      CBaseSTFields::Reset();
      m_nCount = 0;
    }
    int m_nCount = 0;
  };
  CEventRS() { AttachFieldSets(&m_current, &m_active, &m_scratch); }
  bool LoadFields() override {
    return CBaseTableRS::LoadFields() && ReadColumn("m_nCount", m_current.m_nCount);
  }
  bool StoreFields() override { return WriteColumn("m_nCount", m_current.m_nCount); }
  CSTFields m_current, m_active, m_scratch;
};

// A database with `rows` rows in a temporary folder, removed afterwards.
struct Fixture {
  explicit Fixture(int rows) {
    char pattern[] = "/tmp/ruv-bench-XXXXXX";
    folder = mkdtemp(pattern);
    path = folder + "/Qelo-DataBase.mdb";
    std::string error;
    std::string schema = std::string(kSchema) +
                         "INSERT INTO \"Event\" (nRecordID, nCount) WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL "
                         "SELECT x + 1 FROM n WHERE x < " + std::to_string(rows) + ") SELECT x, x FROM n;";
    ruv::db::CreateDatabaseFromSchema(schema, path, &error);
    database.Open("Data Source=\"" + path + "\"");
    table.SetDatabase(&database);
    table.SetSourceAndReopen("Event", true);
  }
  ~Fixture() {
    table.Reset();
    database.Close();
    for (const char* suffix : {"", "-wal", "-shm"}) unlink((path + suffix).c_str());
    rmdir(folder.c_str());
  }
  std::string folder, path;
  CADODatabase database;
  CEventRS table;
};

void BM_SaveCurrentRow(benchmark::State& state) {
  Fixture fixture(10);
  int count = 0;
  for (auto _ : state) {
    fixture.table.m_current.m_nCount = ++count;
    benchmark::DoNotOptimize(fixture.table.SaveCurrent());
  }
}
BENCHMARK(BM_SaveCurrentRow);

void BM_FindByKeyAmongRows(benchmark::State& state) {
  Fixture fixture(static_cast<int>(state.range(0)));
  int id = 1;
  for (auto _ : state) {
    benchmark::DoNotOptimize(fixture.table.FindByKey(Variant::I4(0), Variant::I4(id)));
    id = id % static_cast<int>(state.range(0)) + 1;
  }
}
BENCHMARK(BM_FindByKeyAmongRows)->Arg(1000)->Arg(1000000);

// Boxes answered at once, as nobody is there to read them.
class UnattendedBoxes final : public IMessageBoxService {
 public:
  int Show(const std::string&, const std::string&, UINT style) override { return DefaultButtonOf(style); }
};

// 50 open rows, and `waiting` new rows an earlier run left in the journal,
// numbered as that run numbered them; another program holds the lock.
struct LockedFixture {
  explicit LockedFixture(long waiting) {
    SetMessageBoxService(&boxes);
    char pattern[] = "/tmp/ruv-bench-XXXXXX";
    folder = mkdtemp(pattern);
    path = folder + "/Qelo-DataBase.mdb";
    std::string error;
    ruv::db::CreateDatabaseFromSchema(std::string(kSchema) +
                                          "INSERT INTO \"Event\" (nCount) WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL "
                                          "SELECT x + 1 FROM n WHERE x < 50) SELECT x FROM n;",
                                      path, &error);
    std::string journal = "RuvFrame kept writes 2\n";
    for (long n = 1; n <= waiting; ++n)
      journal += "insert\t4d2-1-2-" + std::to_string(n) + "\tEvent\tnew:" + std::to_string(1000000 + n) +
                 "\tnCount\ti4\t" + std::to_string(n) + "\n";
    if (waiting > 0) WriteFileAtomically(path + CADODatabase::kJournalFileSuffix, journal);
    sqlite3_open_v2(path.c_str(), &other, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    database.SetJournalTables({"Event"});
    database.GetConnection()->SetBusyTimeout(0);
    database.Open("Data Source=\"" + path + "\"");
    table.SetDatabase(&database);
    table.SetSourceAndReopen("Event", true);
  }
  ~LockedFixture() {
    // As a kill leaves it: the records stay in the journal, no last try waits for the lock.
    table.Reset();
    database.GetConnection()->Close();
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    for (const char* suffix : {"", "-wal", "-shm", ".kept.txt", ".unwritten.txt"}) unlink((path + suffix).c_str());
    rmdir(folder.c_str());
    SetMessageBoxService(nullptr);
  }
  UnattendedBoxes boxes;
  std::string folder, path;
  sqlite3* other = nullptr;
  CADODatabase database;
  CEventRS table;
};

// What the plant does for each row it changes under another program's lock:
// finds the row by its id, saves it (the write kept, appended to the journal
// and made durable) and reads it back. The same whether 0, 10 000 or 100 000
// records wait.
void BM_KeptWriteAndRowRead(benchmark::State& state) {
  LockedFixture fixture(static_cast<long>(state.range(0)));
  const std::size_t before = fixture.database.GetKeptWriteCount();
  int count = 0;
  for (auto _ : state) {
    const int id = count % 50 + 1;
    if (!fixture.table.FindRecord(id)) state.SkipWithError("the open row was not found");
    fixture.table.m_current.m_nCount = ++count;
    if (!fixture.table.SaveCurrent() || fixture.table.m_current.m_nCount != count)
      state.SkipWithError("the row did not read back as saved");
  }
  if (fixture.database.GetKeptWriteCount() != before + static_cast<std::size_t>(count))
    state.SkipWithError("a write was not kept");
}
BENCHMARK(BM_KeptWriteAndRowRead)->Arg(0)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
