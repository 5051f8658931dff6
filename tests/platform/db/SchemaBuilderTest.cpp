#include <gtest/gtest.h>

#include "DbTestSupport.h"
#include "platform/base/AtomicFile.h"
#include "support/TestEnvironment.h"

using ruv::db::CreateDatabaseFromSchema;

TEST(SchemaBuilder, CreatesTheTablesInWalMode) {
  TempDir dir;
  std::string error;
  ASSERT_TRUE(CreateDatabaseFromSchema("CREATE TABLE \"A\" (\"nRecordID\" COUNTER, \"s\" TEXT(5));", dir.File("x.mdb"),
                                       &error))
      << error;
  RawDatabase raw(dir.File("x.mdb"));
  EXPECT_EQ(raw.Text("PRAGMA journal_mode"), "wal");
  EXPECT_EQ(raw.Text("SELECT type FROM pragma_table_info('A') WHERE name = 's'"), "TEXT(5)");
  EXPECT_FALSE(FileExists(dir.File("x.mdb.new")));
}

TEST(SchemaBuilder, NeverReplacesAnExistingFile) {
  TempDir dir;
  dir.Write("x.mdb", "keep me");
  std::string error;
  EXPECT_FALSE(CreateDatabaseFromSchema("CREATE TABLE A (n LONG);", dir.File("x.mdb"), &error));
  EXPECT_NE(error.find("already exists"), std::string::npos) << error;
  EXPECT_EQ(dir.Read("x.mdb"), "keep me");
}

TEST(SchemaBuilder, BadSchemaLeavesNoFile) {
  TempDir dir;
  std::string error;
  EXPECT_FALSE(CreateDatabaseFromSchema("CREATE TABLE A (n LONG, x WEIRDTYPE);", dir.File("x.mdb"), &error));
  EXPECT_NE(error.find("unknown column type 'WEIRDTYPE'"), std::string::npos) << error;
  EXPECT_FALSE(FileExists(dir.File("x.mdb")));
  EXPECT_FALSE(CreateDatabaseFromSchema("CREATE TABLE A (n LONG", dir.File("x.mdb"), &error));
  EXPECT_NE(error.find("The schema failed"), std::string::npos) << error;
  EXPECT_FALSE(FileExists(dir.File("x.mdb")));
  EXPECT_FALSE(FileExists(dir.File("x.mdb.new")));
}
