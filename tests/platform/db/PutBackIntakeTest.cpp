#include "platform/db/PutBackIntake.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/base/AtomicFile.h"
#include "support/TestEnvironment.h"

namespace {

using ruv::db::PutBackIntake;

// What an editor, a merge tool or a browser leaves beside a file (a swap
// file, the original kept by a patch, a download in progress, a hidden
// temporary file) is never taken for a file put back; the names a person
// gives one are.
TEST(PutBackIntakeTest, PartialSwapAndHiddenNamesAreNotTakenForAFilePutBack) {
  const std::string put = "/data/Qelo-DataBase.mdb.kept.txt.put-back";
  for (const std::string& name : {put + ".swp", put + ".swo", put + ".orig", put + ".crdownload", put + "~",
                                  put + ".part", put + ".tmp", put + ".bak", put + ".tmp-x1Yz",
                                  std::string("/data/.Qelo-DataBase.mdb.kept.txt.put-back"),
                                  std::string("/data/.Qelo-DataBase.mdb.kept.txt.put-back.swp")})
    EXPECT_TRUE(PutBackIntake::InProgressName(name)) << name;
  for (const std::string& name : {put, put + "-2", put + "-monday", put + ".txt"})
    EXPECT_FALSE(PutBackIntake::InProgressName(name)) << name;
}

// A database whose name begins with a dot gives its journal and the files
// put back beside it that dot: such a file is taken, its editor's swap file
// still is not.
TEST(PutBackIntakeTest, AFilePutBackBesideAHiddenDatabaseIsTaken) {
  TempDir dir;
  const std::string database = dir.File(".plant.mdb");
  const std::string journal = database + ".kept.txt";
  ASSERT_TRUE(WriteFileAtomically(journal + ".put-back", "RuvFrame kept writes 2\n"));
  ASSERT_TRUE(WriteFileAtomically(journal + ".put-back.swp", "RuvFrame kept writes 2\n"));
  PutBackIntake intake;
  EXPECT_TRUE(intake.Look(journal, database, true));
  std::vector<std::string> read;
  std::vector<std::string> told;
  intake.TakeIn(
      [&](const std::string& path, const ruv::db::KeptWriteJournal::Stamp&, const std::function<bool()>&) {
        read.push_back(path);
        return PutBackIntake::Read{};
      },
      told);
  EXPECT_EQ(read, std::vector<std::string>{journal + ".put-back"});
  EXPECT_TRUE(PutBackIntake::InProgressName(dir.File("..plant.mdb.kept.txt.put-back"), journal));
}

}  // namespace
