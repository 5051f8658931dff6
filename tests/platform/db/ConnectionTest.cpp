#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include "DbTestSupport.h"
#include "platform/base/AtomicFile.h"
#include "platform/db/Connection.h"
#include "platform/db/DbError.h"
#include "support/TestEnvironment.h"

using namespace ruv::db;

namespace {

std::string ConnectionStringFor(const std::string& path) {
  return "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=\"" + path + "\"";
}

std::string OpenError(Connection& connection, const std::string& path) {
  try {
    connection.Open(ConnectionStringFor(path));
  } catch (const DbError& error) {
    return error.Description();
  }
  return std::string();
}

std::string Pragma(const Connection& connection, const char* sql) {
  sqlite3_stmt* stmt = nullptr;
  sqlite3_prepare_v2(connection.Handle()->Get(), sql, -1, &stmt, nullptr);
  std::string value = sqlite3_step(stmt) == SQLITE_ROW ? reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)) : "";
  sqlite3_finalize(stmt);
  return value;
}

}  // namespace

TEST(Connection, DataSourceComesFromTheConnectionString) {
  EXPECT_EQ(Connection::DataSourceOf("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=\"/a b/c;d.mdb\""), "/a b/c;d.mdb");
  EXPECT_EQ(Connection::DataSourceOf("data source = /x/y.mdb ; Mode=Share"), "/x/y.mdb");
  EXPECT_EQ(Connection::DataSourceOf("Provider=Microsoft.Jet.OLEDB.4.0"), "");
  Connection connection;
  EXPECT_THROW(connection.Open("Provider=Microsoft.Jet.OLEDB.4.0"), DbError);
}

TEST(Connection, OpensInWalModeWithFullSynchronousCommits) {
  TempDir dir;
  ASSERT_EQ(MakeDatabase(dir.File("db.mdb"), "CREATE TABLE T (\"nRecordID\" COUNTER);"), "");
  Connection connection;
  connection.Open(ConnectionStringFor(dir.File("db.mdb")));
  ASSERT_TRUE(connection.IsOpen());
  EXPECT_EQ(Pragma(connection, "PRAGMA journal_mode"), "wal");
  EXPECT_EQ(Pragma(connection, "PRAGMA synchronous"), "2");  // FULL
  connection.Close();
  EXPECT_FALSE(connection.IsOpen());
}

TEST(Connection, MissingFileIsReportedAndNotCreated) {
  TempDir dir;
  Connection connection;
  std::string error = OpenError(connection, dir.File("none.mdb"));
  EXPECT_NE(error.find("Could not find file"), std::string::npos) << error;
  EXPECT_FALSE(FileExists(dir.File("none.mdb")));
  EXPECT_FALSE(connection.IsOpen());
}

TEST(Connection, ReadOnlyFileIsRefusedAndLeftAsItIs) {
  TempDir dir;
  const std::string path = dir.File("db.mdb");
  ASSERT_EQ(MakeDatabase(path, "CREATE TABLE T (\"nRecordID\" COUNTER);"), "");
  const std::string before = dir.Read("db.mdb");
  ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
  Connection connection;
  std::string error = OpenError(connection, path);
  EXPECT_NE(error.find("read-only"), std::string::npos) << error;
  EXPECT_FALSE(connection.IsOpen());
  EXPECT_EQ(dir.Read("db.mdb"), before);
  ::chmod(path.c_str(), 0644);
}

TEST(Connection, EmptyOrForeignFileIsRefusedWithItsPathAndLeftByteForByte) {
  struct Case {
    const char* content;
    const char* reason;
  };
  const std::string text = "this is a text file, not a database, and it is long enough to have a header page";
  const std::string nearly = std::string("SQLite format 3", 15) + std::string(200, 'x');  // no terminating zero
  for (const Case& c : {Case{"", "empty"}, Case{text.c_str(), "SQLite header"}, Case{nearly.c_str(), "SQLite header"}}) {
    TempDir dir;
    dir.Write("Qelo-DataBase.mdb", c.content);
    Connection connection;
    const std::string error = OpenError(connection, dir.File("Qelo-DataBase.mdb"));
    EXPECT_NE(error.find("is not a database file"), std::string::npos) << error;
    EXPECT_NE(error.find(dir.File("Qelo-DataBase.mdb")), std::string::npos) << error;
    EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    EXPECT_FALSE(connection.IsOpen());
    EXPECT_EQ(dir.Read("Qelo-DataBase.mdb"), c.content);
    // No journal or write-ahead log beside it either.
    for (const char* side : {"-wal", "-shm", "-journal"})
      EXPECT_FALSE(FileExists(dir.File(std::string("Qelo-DataBase.mdb") + side))) << side;
  }
}

TEST(Connection, DatabaseLockedByAnotherProgramIsReported) {
  TempDir dir;
  const std::string path = dir.File("db.mdb");
  ASSERT_EQ(MakeDatabase(path, "CREATE TABLE T (\"nRecordID\" COUNTER);"), "");
  RawDatabase other(path);
  ASSERT_EQ(other.Exec("PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE; INSERT INTO T VALUES (1);"), SQLITE_OK);
  Connection connection;
  connection.SetBusyTimeout(0);
  std::string error = OpenError(connection, path);
  EXPECT_NE(error.find("locked by another program"), std::string::npos) << error;
  EXPECT_FALSE(connection.IsOpen());
  ASSERT_EQ(other.Exec("COMMIT"), SQLITE_OK);
  EXPECT_EQ(other.Text("SELECT count(*) FROM T"), "1");
}
