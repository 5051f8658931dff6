// What the plant's database work costs: a durable save of one row (WAL with
// full synchronous commits, as every charge and discharge event does) and
// finding a row by its id in a table that has grown over many shifts.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "platform/db/SchemaBuilder.h"
#include "records/AdoDatabase.h"
#include "records/BaseTableRS.h"

namespace {

const char* kSchema =
    "CREATE TABLE \"Event\" (\"nRecordID\" COUNTER NOT NULL PRIMARY KEY, \"nCount\" LONG, \"fDose\" SINGLE);";

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
BENCHMARK(BM_FindByKeyAmongRows)->Arg(100)->Arg(1000);

}  // namespace

BENCHMARK_MAIN();
