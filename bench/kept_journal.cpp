// What taking over the journal of kept writes costs at a start: reading it,
// checking each record against the database (a new row made twice among
// them too), keeping them and rewriting the journal, while another program
// still holds the database locked (so none is written). It must grow with
// the records, not with their square. A journal of one large value shows the
// memory it takes against the file's size. Written back: the whole path from
// the takeover until the last record is in the database, with no other
// program on it.
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
    MakeDatabase();
  }
  ~JournalFixture() {
    RemoveDatabase();
    rmdir(folder.c_str());
  }
  void MakeDatabase() {
    std::string error;
    ruv::db::CreateDatabaseFromSchema(kLotSchema, path, &error);
    sqlite3_open_v2(path.c_str(), &other, SQLITE_OPEN_READWRITE, nullptr);
  }
  void RemoveDatabase() {
    sqlite3_close(other);
    other = nullptr;
    for (const char* suffix : {"", "-wal", "-shm", ".kept.txt", ".unwritten.txt"}) unlink((path + suffix).c_str());
  }
  // Writes `content` back from the journal into an empty database, until no
  // record is left; the whole path is counted.
  void WriteBack(benchmark::State& state, const std::string& content) {
    state.PauseTiming();
    RemoveDatabase();
    MakeDatabase();
    WriteFileAtomically(journal, content);
    ruv::db::Connection connection;
    connection.SetKeepLockedWrites(true);
    connection.Open("Data Source=\"" + path + "\"");
    ruv::db::PendingWrites& pending = connection.Handle()->Pending();
    pending.SetFailureSink([](const std::vector<std::string>&, bool) {});
    pending.SetJournal(journal, {"Lot"});
    ruv::db::PendingWrites::JournalState journalState{};
    state.ResumeTiming();
    benchmark::DoNotOptimize(pending.TakeOverJournal(*connection.Handle(), 0, journalState));
    const bool allWritten = pending.WriteKept(*connection.Handle(), 0);
    state.PauseTiming();
    if (!allWritten || FileExists(journal)) state.SkipWithError("the records were not all written");
    connection.Close();
    state.ResumeTiming();
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

// `records` written back (half new rows, half changes of them), and the peak
// memory it took against the journal's size.
void BM_WriteBackJournal(benchmark::State& state) {
  JournalFixture fixture;
  const std::string content = JournalOf(state.range(0) / 2);
  struct rusage before{};
  getrusage(RUSAGE_SELF, &before);
  for (auto _ : state) fixture.WriteBack(state, content);
  struct rusage after{};
  getrusage(RUSAGE_SELF, &after);
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.counters["file_MB"] = static_cast<double>(content.size()) / (1 << 20);
  state.counters["peak_growth_MB"] = static_cast<double>(after.ru_maxrss - before.ru_maxrss) / 1024;
}
BENCHMARK(BM_WriteBackJournal)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

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
