#include "platform/db/PutBackIntake.h"

#include <gtest/gtest.h>

#include <string>

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

}  // namespace
