// What taking over the journal of kept writes costs at a start: reading it,
// checking each record against the database (a new row made twice among
// them too), keeping them and rewriting the journal, while another program
// still holds the database locked (so none is written). It must grow with
// the records, not with their square. A journal of one large value shows the
// memory it takes against the file's size.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/base/AtomicFile.h"
#include "platform/db/Connection.h"
#include "platform/db/PendingWrites.h"
#include "platform/db/SchemaBuilder.h"

namespace {

const char* kLotSchema =
    "CREATE TABLE \"Lot\" (\"nRecordID\" COUNTER NOT NULL PRIMARY KEY, \"strName\" MEMO, \"nCount\" LONG);";

// A database and its journal in a temporary folder, removed afterwards; another
// program's connection holds the lock for the takeover.
struct JournalFixture {
  JournalFixture() {
    char pattern[] = "/tmp/ruv-bench-XXXXXX";
    folder = mkdtemp(pattern);
    path = folder + "/Qelo-DataBase.mdb";
    journal = path + ".kept.txt";
    std::string error;
    ruv::db::CreateDatabaseFromSchema(kLotSchema, path, &error);
    sqlite3_open_v2(path.c_str(), &other, SQLITE_OPEN_READWRITE, nullptr);
  }
  ~JournalFixture() {
    sqlite3_close(other);
    for (const char* suffix : {"", "-wal", "-shm", ".kept.txt"}) unlink((path + suffix).c_str());
    rmdir(folder.c_str());
  }
  // Takes over `content` as the journal once; the time of the takeover alone is counted.
  void TakeOver(benchmark::State& state, const std::string& content) {
    state.PauseTiming();
    WriteFileAtomically(journal, content);
    sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    ruv::db::Connection connection;
    connection.SetKeepLockedWrites(true);
    connection.SetBusyTimeout(0);
    connection.Open("Data Source=\"" + path + "\"");
    ruv::db::PendingWrites& pending = connection.Handle()->Pending();
    pending.SetFailureSink([](const std::vector<std::string>&, bool) {});
    pending.SetJournal(journal, {"Lot"});
    ruv::db::PendingWrites::JournalState journalState{};
    state.ResumeTiming();
    benchmark::DoNotOptimize(pending.TakeOverJournal(*connection.Handle(), 0, journalState));
    state.PauseTiming();
    if (journalState != ruv::db::PendingWrites::JournalState::Kept) state.SkipWithError("the records were not kept");
    pending.EndRetries();
    connection.Close();
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    state.ResumeTiming();
  }
  std::string folder, path, journal;
  sqlite3* other = nullptr;
};

// `records` new rows, each changed once after it is made.
std::string JournalOf(long records) {
  std::string content = "RuvFrame kept writes 2\n";
  for (long n = 1; n <= records; ++n) {
    const std::string token = "4d2-1-2-" + std::to_string(2 * n);
    content += "insert\t4d2-1-2-" + std::to_string(2 * n - 1) + "\tLot\tnew:" + std::to_string(n) +
               "\tstrName\ttext\tlot " + std::to_string(n) + "\tnCount\ti4\t" + std::to_string(n) + "\n";
    content += "update\t" + token + "\tLot\tnew:" + std::to_string(n) + "\tnCount\ti4\t" + std::to_string(n + 1) + "\n";
  }
  return content;
}

void BM_TakeOverJournal(benchmark::State& state) {
  JournalFixture fixture;
  const std::string content = JournalOf(state.range(0) / 2);
  for (auto _ : state) fixture.TakeOver(state, content);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_TakeOverJournal)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

// The peak memory of the process, against the journal's size (run alone:
// the peak never goes down).
void BM_TakeOverJournalOfOneLargeValue(benchmark::State& state) {
  JournalFixture fixture;
  const std::string content = "RuvFrame kept writes 2\ninsert\t4d2-1-2-1\tLot\tnew:1\tstrName\ttext\t" +
                              std::string(static_cast<std::size_t>(state.range(0)) << 20, 'x') + "\n";
  struct rusage before{};
  getrusage(RUSAGE_SELF, &before);
  for (auto _ : state) fixture.TakeOver(state, content);
  struct rusage after{};
  getrusage(RUSAGE_SELF, &after);
  state.counters["file_MB"] = static_cast<double>(content.size()) / (1 << 20);
  state.counters["peak_growth_MB"] = static_cast<double>(after.ru_maxrss - before.ru_maxrss) / 1024;
}
BENCHMARK(BM_TakeOverJournalOfOneLargeValue)->Arg(50)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
