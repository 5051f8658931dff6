// A row the plant added while another program held the database's lock has no
// id until it is written: it shows a handle that is never a row's id. Whoever
// holds the handle follows it to the id the row got, as often as it likes,
// never into another row (the other program's, or another kept row's).
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
  const int handle = table.m_current.GetRecordID();
  EXPECT_LT(handle, -1);  // no id yet, and never one another row has
  EXPECT_TRUE(CBaseTableRS::IsRecordId(handle));
  ASSERT_TRUE(table.SetActiveRecord(true));
  EXPECT_TRUE(table.HasActiveRecord());
  EXPECT_EQ(table.FollowRecordId(handle), handle);  // still kept
  ASSERT_EQ(other.Exec("COMMIT"), SQLITE_OK);
  ASSERT_TRUE(db.database.WriteKept());
  EXPECT_EQ(Rows(), "1 other 1, 2 mine 5");

  // Written back while the other program's row is current...
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
  EXPECT_EQ(table.FollowRecordId(handle), 2);
  EXPECT_EQ(table.FollowRecordId(2), 2);
  EXPECT_EQ(table.FollowRecordId(1), 1);
  EXPECT_EQ(table.FollowRecordId(-1), -1);
  EXPECT_EQ(boxes.Count(), 0u);
}

// Two kept new rows around the other program's row: the first gets the id the
// second would have shown under the old rule. The plant follows the id it
// holds at every event, as its charge events do; each event reaches its own row.
TEST_F(KeptNewRowIdTest, AnIdFollowedAtEveryEventStaysOnItsRowWhenTwoKeptRowsGoInAfterAnotherProgramsRow) {
  ASSERT_EQ(other.Exec("BEGIN IMMEDIATE; INSERT INTO Probe (strName, nCount, bActive) VALUES ('other', 1, 0)"), SQLITE_OK);
  int held[2] = {-1, -1};
  for (int i = 0; i < 2; ++i) {
    table.m_scratch.m_strName = i == 0 ? "a" : "b";
    table.m_scratch.m_nCount = 10 * (i + 1);
    ASSERT_TRUE(table.AddNew());
    held[i] = table.m_current.GetRecordID();
  }
  ASSERT_EQ(other.Exec("COMMIT"), SQLITE_OK);
  ASSERT_TRUE(db.database.WriteKept());
  ASSERT_EQ(Rows(), "1 other 1, 2 a 10, 3 b 20");

  for (int event = 1; event <= 3; ++event) {
    held[0] = table.FollowRecordId(held[0]);
    ASSERT_TRUE(table.FindRecord(held[0])) << "event " << event;
    table.m_current.m_nCount = 10 + event;
    ASSERT_TRUE(table.SaveCurrent());
  }
  EXPECT_EQ(Rows(), "1 other 1, 2 a 13, 3 b 20");
  EXPECT_EQ(held[0], 2);
  EXPECT_EQ(table.FollowRecordId(held[1]), 3);
  EXPECT_EQ(boxes.Count(), 0u);
}

// Handles are never reused: one held from a connection closed since (a
// killed run's row, taken over from the journal) names no row of the next.
TEST_F(KeptNewRowIdTest, AHandleHeldFromAClosedConnectionNamesNoRowOfTheNextOne) {
  ASSERT_EQ(other.Exec("BEGIN IMMEDIATE"), SQLITE_OK);
  table.m_scratch.m_strName = "first";
  ASSERT_TRUE(table.AddNew());
  const int held = table.m_current.GetRecordID();
  db.database.GetConnection()->Close();
  boxes.Expect(IDOK, CADODatabase::WithCause(CADODatabase::kJournalKeptText, ruv::db::PendingWrites::kLockedCause));
  ASSERT_TRUE(db.database.Open());
  ASSERT_TRUE(table.SetSourceAndReopen("Probe", true));
  table.m_scratch.m_strName = "second";
  ASSERT_TRUE(table.AddNew());
  EXPECT_NE(table.m_current.GetRecordID(), held);
  ASSERT_EQ(other.Exec("COMMIT"), SQLITE_OK);
  ASSERT_TRUE(db.database.WriteKept());
  EXPECT_EQ(Rows(), "1 first 0, 2 second 0");
  EXPECT_EQ(table.FollowRecordId(held), held);
  EXPECT_FALSE(table.FindRecord(held));
}
