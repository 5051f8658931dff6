// A query read through the kept writes while another thread keeps writes and
// writes them back once the other program's lock goes: every row made is
// counted once, whether it waits or was written, never twice nor lost.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <atomic>
#include <string>
#include <thread>

#include "../DbTestSupport.h"
#include "platform/db/Connection.h"
#include "platform/db/PendingWrites.h"
#include "platform/db/Recordset.h"
#include "support/TestEnvironment.h"

using namespace ruv::db;

namespace {

TEST(KeptReadThroughThread, AQueryCountsEveryRowOnceWhileAnotherThreadKeepsAndWritesThem) {
  TempDir dir;
  const std::string path = dir.File("db.mdb");
  ASSERT_EQ(MakeDatabase(path, "CREATE TABLE \"Item\" (\"nRecordID\" INTEGER PRIMARY KEY AUTOINCREMENT, "
                               "\"nCount\" LONG);"),
            "");
  Connection connection;
  connection.SetKeepLockedWrites(true);
  connection.SetBusyTimeout(0);
  connection.Open("Data Source=\"" + path + "\"");
  PendingWrites& pending = connection.Handle()->Pending();
  pending.SetFailureSink([](const std::vector<std::string>&, bool) { ADD_FAILURE() << "a kept write failed"; });
  RawDatabase other(path);
  ASSERT_EQ(other.Exec("BEGIN IMMEDIATE"), SQLITE_OK);

  constexpr int kRows = 300;
  std::atomic<int> begun{0}, made{0};  // rows whose write began, and returned
  std::thread maker([&] {
    Recordset items;
    items.OpenTable(connection, "Item");
    for (int n = 1; n <= kRows; ++n) {
      items.AddNew();
      items.SetValue(1, Variant::I4(n));
      begun.store(n);
      items.Update();
      made.store(n);
      if (n % 10 == 0) pending.WriteKept(*connection.Handle(), 0);
    }
    while (!pending.WriteKept(*connection.Handle(), 0)) std::this_thread::yield();
  });
  bool unlocked = false;
  int counted = 0;
  std::string wrong;
  while (wrong.empty() && (counted < kRows || pending.HasKept())) {
    const int before = made.load();
    Recordset query;
    query.OpenQuery(connection, "SELECT COUNT(*), COUNT(DISTINCT nCount) FROM Item");
    counted = query.Value(0).lVal;
    const int after = begun.load();
    if (query.Value(1).lVal != counted) wrong = "a row counted twice";
    if (counted < before) wrong = "a row made was not counted";
    if (counted > after) wrong = "a row counted before it was made";
    // The other program lets go halfway: the rows are written while they are counted.
    if (!unlocked && counted >= kRows / 2) unlocked = other.Exec("COMMIT") == SQLITE_OK;
  }
  if (!unlocked) other.Exec("COMMIT");
  maker.join();
  EXPECT_EQ(wrong, "") << counted << " counted";
  EXPECT_TRUE(unlocked);
  EXPECT_EQ(counted, kRows);
  EXPECT_EQ(other.Text("SELECT COUNT(DISTINCT nCount) FROM Item"), std::to_string(kRows));
}

}  // namespace
