// What taking over the journal of kept writes costs at a start: reading it,
// checking each record against the database (a new row made twice among
// them too), keeping them and rewriting the journal, while another program
// still holds the database locked (so none is written). It must grow with
// the records, not with their square. A journal of one large value shows the
// memory it takes against the file's size. Written back: the whole path from
// the takeover until the last record is in the database, with no other
// program on it. A write kept behind a long journal: appended, so its cost
// does not grow with the records waiting. A query read through a long queue
// of kept writes: its cost grows with the records, not with their square.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <memory>
#include <vector>

#include "platform/base/AtomicFile.h"
#include "platform/db/Connection.h"
#include "platform/db/PendingWrites.h"
#include "platform/db/Recordset.h"
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

// `records` new rows, each changed once after it is made: bare lines, or
// `asTheProgramWritesIt` (a run's long tokens, and a line describing each
// record for whoever opens the file).
std::string JournalOf(long records, bool asTheProgramWritesIt = false) {
  std::string content = "RuvFrame kept writes 2\n";
  const std::string run = asTheProgramWritesIt ? "1f2e-18ef5df85ccfc8ed-9eb3fa392e063bd1-" : "4d2-1-2-";
  for (long n = 1; n <= records; ++n) {
    const std::string name = "lot " + std::to_string(n), count = std::to_string(n);
    if (asTheProgramWritesIt) content += "# New row of Lot: strName = '" + name + "', nCount = " + count + "\n";
    content += "insert\t" + run + std::to_string(2 * n - 1) + "\tLot\tnew:" + count + "\tstrName\ttext\t" + name +
               "\tnCount\ti4\t" + count + "\n";
    if (asTheProgramWritesIt)
      content += "# Change of the new row of Lot (strName = '" + name + "', nCount = " + count +
                 "): nCount = " + std::to_string(n + 1) + "\n";
    content += "update\t" + run + std::to_string(2 * n) + "\tLot\tnew:" + count + "\tnCount\ti4\t" +
               std::to_string(n + 1) + "\n";
  }
  return content;
}

// The growth of the process's peak memory while `run` runs, against `content`'s
// size (run alone: the peak never goes down).
template <typename Run>
void CountPeak(benchmark::State& state, const std::string& content, Run run) {
  struct rusage before{};
  getrusage(RUSAGE_SELF, &before);
  run();
  struct rusage after{};
  getrusage(RUSAGE_SELF, &after);
  const double growth = static_cast<double>(after.ru_maxrss - before.ru_maxrss) / 1024;
  const double file = static_cast<double>(content.size()) / (1 << 20);
  state.counters["file_MB"] = file;
  state.counters["peak_growth_MB"] = growth;
  state.counters["peak_per_file"] = growth / file;
}

void BM_TakeOverJournal(benchmark::State& state) {
  JournalFixture fixture;
  const std::string content = JournalOf(state.range(0) / 2);
  for (auto _ : state) fixture.TakeOver(state, content);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_TakeOverJournal)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

// An earlier run's journal as the program writes it: `records` new rows,
// numbered by that run from `first` on (`descending`: down to it), or as
// many changes of rows of the database.
std::string EarlierRunsJournalOf(long records, bool newRows, long long first, bool descending = false) {
  std::string content = "RuvFrame kept writes 2\n";
  const std::string run = "1f2e-18ef5df85ccfc8ed-9eb3fa392e063bd1-";
  for (long n = 1; n <= records; ++n) {
    const std::string name = "lot " + std::to_string(n), count = std::to_string(n);
    if (newRows) {
      content += "# New row of Lot: strName = '" + name + "', nCount = " + count + "\n";
      content += "insert\t" + run + count + "\tLot\tnew:" + std::to_string(descending ? first + records - n : first + n - 1) + "\tstrName\ttext\t" +
                 name + "\tnCount\ti4\t" + count + "\n";
    } else {
      content += "# Row " + count + " of Lot: nCount = " + count + "\n";
      content += "update\t" + run + count + "\tLot\tid:" + count + "\tstrName\ttext\t" + name + "\tnCount\ti4\t" +
                 count + "\n";
    }
  }
  return content;
}

// The start's takeover of an earlier run's journal while another program
// holds the lock (the second argument 1: new rows, 0: changes of rows, 2: new
// rows numbered out of their order, which this run numbers anew and writes
// the journal anew for; 3: new rows numbered from 1, as a test's journal is,
// into an emptied database): per record the same for 20 000 and 80 000
// records, and for new rows as for changes of rows. As at a start, the earlier run's
// numbers are above any this process gave (each round's journal is numbered
// higher than the last).
void BM_TakeOverEarlierRunsJournal(benchmark::State& state) {
  JournalFixture fixture;
  const bool newRows = state.range(1) != 0;
  const bool descending = state.range(1) == 2;
  const bool fromOne = state.range(1) == 3;
  // Across every run of this benchmark in the process.
  static long long first = 1000000000;
  for (auto _ : state) {
    state.PauseTiming();
    const std::string content = EarlierRunsJournalOf(state.range(0), newRows, fromOne ? 1 : first, descending);
    first += 1000000;
    if (fromOne) {  // as a test leaves it: its rows gone from the database
      fixture.RemoveDatabase();
      fixture.MakeDatabase();
    }
    state.ResumeTiming();
    fixture.TakeOver(state, content);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.SetLabel(fromOne      ? "new rows numbered from 1, the database emptied"
                 : descending ? "new rows numbered anew"
                 : newRows    ? "new rows"
                              : "row changes");
}
BENCHMARK(BM_TakeOverEarlierRunsJournal)
    ->Args({20000, 1})
    ->Args({80000, 1})
    ->Args({20000, 0})
    ->Args({80000, 0})
    ->Args({20000, 2})
    ->Args({80000, 2})
    ->Args({20000, 3})
    ->Args({80000, 3})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// `records` written back (half new rows, half changes of them; the second
// argument 1: as the program writes the journal), and the peak memory it
// took against the journal's size.
void BM_WriteBackJournal(benchmark::State& state) {
  JournalFixture fixture;
  const std::string content = JournalOf(state.range(0) / 2, state.range(1) != 0);
  CountPeak(state, content, [&] {
    for (auto _ : state) fixture.WriteBack(state, content);
  });
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_WriteBackJournal)
    ->Args({10000, 0})
    ->Args({100000, 0})
    ->Args({100000, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

// The takeover of `records` while another program holds the lock, once, and
// the peak memory it took against the journal's size (as BM_WriteBackJournal).
void BM_TakeOverJournalPeak(benchmark::State& state) {
  JournalFixture fixture;
  const std::string content = JournalOf(state.range(0) / 2, state.range(1) != 0);
  CountPeak(state, content, [&] {
    for (auto _ : state) fixture.TakeOver(state, content);
  });
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_TakeOverJournalPeak)
    ->Args({100000, 0})
    ->Args({100000, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

// One write kept (and made durable in the journal) while `records` wait
// behind another program's lock: the same whether 10 000 or 100 000 wait.
void BM_KeepOneWrite(benchmark::State& state) {
  JournalFixture fixture;
  WriteFileAtomically(fixture.journal, JournalOf(state.range(0) / 2, true));
  sqlite3_exec(fixture.other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
  ruv::db::Connection connection;
  connection.SetKeepLockedWrites(true);
  connection.SetBusyTimeout(0);
  connection.Open("Data Source=\"" + fixture.path + "\"");
  ruv::db::PendingWrites& pending = connection.Handle()->Pending();
  pending.SetFailureSink([](const std::vector<std::string>&, bool) {});
  pending.SetJournal(fixture.journal, {"Lot"});
  ruv::db::PendingWrites::JournalState journalState{};
  pending.TakeOverJournal(*connection.Handle(), 0, journalState);
  auto statement = std::make_shared<ruv::db::KeptStatement>();
  statement->sql = "UPDATE \"Lot\" SET \"nCount\" = ?1 WHERE rowid = ?2";
  statement->boundAsText = {false};
  statement->columnNames = {"nCount"};
  int count = 0;
  const auto keepOne = [&] {
    ruv::db::RowKey row{1, 0};
    int rc = 0;
    const bool kept = pending.WriteOrKeep(
        *connection.Handle(), 0, row, [](long long) { return SQLITE_BUSY; },
        [&] {
          ruv::db::PendingWrite write;
          write.kind = ruv::db::PendingWrite::Kind::Update;
          write.table = "Lot";
          write.statement = statement;
          write.columns.Add(2, Variant::I4(++count));
          return write;
        },
        rc);
    if (!kept) state.SkipWithError("the write was not kept");
  };
  keepOne();  // the first after the start, which wrote the journal anew in this run's numbering
  for (auto _ : state) keepOne();
  if (pending.KeptCount() != static_cast<std::size_t>(state.range(0)) + state.iterations() + 1)
    state.SkipWithError("a record went missing");
  pending.EndRetries();
  connection.Close();
  sqlite3_exec(fixture.other, "ROLLBACK", nullptr, nullptr, nullptr);
}
BENCHMARK(BM_KeepOneWrite)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond)->UseRealTime();

// A query of the program's own (a count and a sum with a clause) read through
// `records` kept writes of its table while another program holds the lock, as
// the start's look for the charges still in a weigher reads them.
void BM_QueryThroughKept(benchmark::State& state) {
  JournalFixture fixture;
  WriteFileAtomically(fixture.journal, JournalOf(state.range(0) / 2, true));
  sqlite3_exec(fixture.other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
  ruv::db::Connection connection;
  connection.SetKeepLockedWrites(true);
  connection.SetBusyTimeout(0);
  connection.Open("Data Source=\"" + fixture.path + "\"");
  ruv::db::PendingWrites& pending = connection.Handle()->Pending();
  pending.SetFailureSink([](const std::vector<std::string>&, bool) {});
  pending.SetJournal(fixture.journal, {"Lot"});
  ruv::db::PendingWrites::JournalState journalState{};
  pending.TakeOverJournal(*connection.Handle(), 0, journalState);
  for (auto _ : state) {
    ruv::db::Recordset query;
    query.OpenQuery(connection, "SELECT COUNT(*), SUM(nCount) FROM Lot WHERE nCount > 1");
    if (query.Value(0).lVal != state.range(0) / 2) state.SkipWithError("the kept rows were not read");
  }
  pending.EndRetries();
  connection.Close();
  sqlite3_exec(fixture.other, "ROLLBACK", nullptr, nullptr, nullptr);
}
BENCHMARK(BM_QueryThroughKept)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

// The peak memory of the process, against the journal's size (run alone:
// the peak never goes down).
void BM_TakeOverJournalOfOneLargeValue(benchmark::State& state) {
  JournalFixture fixture;
  const std::string content = "RuvFrame kept writes 2\ninsert\t4d2-1-2-1\tLot\tnew:1\tstrName\ttext\t" +
                              std::string(static_cast<std::size_t>(state.range(0)) << 20, 'x') + "\n";
  CountPeak(state, content, [&] {
    for (auto _ : state) fixture.TakeOver(state, content);
  });
}
BENCHMARK(BM_TakeOverJournalOfOneLargeValue)->Arg(50)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

// A million records (a journal of 60 to 220 MB) only when asked for
// (RUV_BENCH_MILLION=1): the short runs CI makes under the sanitizers would take minutes.
int main(int argc, char** argv) {
  if (const char* million = std::getenv("RUV_BENCH_MILLION"); million && std::string(million) == "1") {
    for (const long programForm : {0L, 1L}) {
      benchmark::RegisterBenchmark("BM_TakeOverJournalPeak", BM_TakeOverJournalPeak)
          ->Args({1000000, programForm})
          ->Unit(benchmark::kMillisecond)
          ->UseRealTime()
          ->Iterations(1);
      benchmark::RegisterBenchmark("BM_WriteBackJournal", BM_WriteBackJournal)
          ->Args({1000000, programForm})
          ->Unit(benchmark::kMillisecond)
          ->UseRealTime()
          ->Iterations(1);
    }
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
