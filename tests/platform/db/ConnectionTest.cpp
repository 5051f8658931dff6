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

TEST(Connection, FileThatIsNoDatabaseIsRefusedAndLeftAsItIs) {
  TempDir dir;
  dir.Write("db.mdb", "this is a text file, not a database, and it is long enough to have a header page");
  Connection connection;
  std::string error = OpenError(connection, dir.File("db.mdb"));
  EXPECT_NE(error.find("is not a database file"), std::string::npos) << error;
  EXPECT_EQ(dir.Read("db.mdb"), "this is a text file, not a database, and it is long enough to have a header page");
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
