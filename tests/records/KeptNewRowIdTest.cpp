// A row the plant added while another program held the database's lock shows
// the id it is expected to get; when that program took the id meanwhile, the
// row goes in with the next one, and whoever kept the shown id follows the row
// there, never into the other program's row.
#include <gtest/gtest.h>

#include "RecordsTestSupport.h"
#include "support/ScriptedMessageBox.h"

namespace {

const char* kNumberedProbeSchema = R"(
CREATE TABLE "Probe" (
  "nRecordID" INTEGER PRIMARY KEY AUTOINCREMENT,
  "strName"   TEXT(10),
  "nCount"    LONG,
  "fLevel"    SINGLE,
  "bActive"   YESNO,
  "dValue"    DOUBLE
);)";

class KeptNewRowIdTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(db.created);
    table.SetDatabase(&db.database);
    table.SetOwnerWnd(owner.Handle());
    ASSERT_TRUE(table.SetSourceAndReopen("Probe", true));
    db.database.GetConnection()->SetBusyTimeout(0);
  }
  std::string Rows() {
    return other.Text("SELECT group_concat(nRecordID || ' ' || strName || ' ' || nCount, ', ') FROM Probe");
  }

  ScriptedMessageBox boxes;
  ProbeDatabase db{kNumberedProbeSchema};
  NotifyRecorder owner;
  CProbeRS table;
  RawDatabase other{db.path};
};

}  // namespace

TEST_F(KeptNewRowIdTest, TheActiveRowFollowsItsRowToTheIdItGotNeverIntoTheOtherProgramsRow) {
  ASSERT_EQ(other.Exec("BEGIN IMMEDIATE; INSERT INTO Probe (strName, nCount, bActive) VALUES ('other', 1, 0)"), SQLITE_OK);
  table.m_scratch.m_strName = "mine";
  table.m_scratch.m_nCount = 5;
  ASSERT_TRUE(table.AddNew());  // kept
  EXPECT_EQ(table.m_current.GetRecordID(), 1);  // the id it is expected to get
  ASSERT_TRUE(table.SetActiveRecord(true));
  ASSERT_EQ(other.Exec("COMMIT"), SQLITE_OK);
  ASSERT_TRUE(db.database.WriteKept());
  EXPECT_EQ(Rows(), "1 other 1, 2 mine 5");

  // Written back while the other program's row, of the id it showed, is current...
  ASSERT_TRUE(table.SetSourceAndReopen("Probe", true));
  ASSERT_TRUE(table.MoveFirst());
  ASSERT_EQ(table.m_current.m_strName, "other");
  table.m_active.m_nCount = 6;
  ASSERT_TRUE(table.WriteBackActive());
  EXPECT_EQ(Rows(), "1 other 1, 2 mine 6");
  EXPECT_EQ(table.m_active.GetRecordID(), 2);
  // ...and from where it stands.
  table.m_active.m_nCount = 7;
  ASSERT_TRUE(table.WriteBackActive());
  EXPECT_EQ(Rows(), "1 other 1, 2 mine 7");
  EXPECT_EQ(table.FollowRecordId(1), 2);
  EXPECT_EQ(boxes.Count(), 0u);
}
