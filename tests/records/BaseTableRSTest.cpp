#include <gtest/gtest.h>

#include "RecordsTestSupport.h"
#include "platform/base/InputState.h"
#include "platform/base/Text.h"
#include "support/ScriptedMessageBox.h"

namespace {

using Reasons = std::vector<int>;

class BaseTableRSTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(db.created);
    table.SetDatabase(&db.database);
    table.SetOwnerWnd(owner.Handle());
  }

  // Rows named a, b, c... with counts 1, 2, 3...; `active` names the active one ("" for none).
  void AddRows(int count, const std::string& active = std::string()) {
    RawDatabase raw(db.path);
    for (int i = 0; i < count; ++i) {
      std::string name(1, static_cast<char>('a' + i));
      raw.Exec(ruv::Format("INSERT INTO Probe (nRecordID, strName, nCount, fLevel, bActive) VALUES (%d, '%s', %d, 0.5, %d)",
                           i + 1, name.c_str(), i + 1, name == active ? -1 : 0));
    }
  }

  bool OpenProbe() {
    bool opened = table.SetSourceAndReopen("Probe", true);
    owner.Take();
    return opened;
  }

  const std::string& Current() const { return table.m_current.m_strName; }

  // Row 'b' (of two) saved with the count 77 while `other` holds the database's write lock.
  void SaveUnderALock(RawDatabase& other) {
    AddRows(2);
    ASSERT_TRUE(OpenProbe());
    db.database.GetConnection()->SetBusyTimeout(0);
    ASSERT_EQ(other.Exec("BEGIN IMMEDIATE"), SQLITE_OK);
    table.m_current.m_nCount = 77;
    EXPECT_TRUE(table.SaveCurrent());
  }

  ProbeDatabase db;
  NotifyRecorder owner;
  CProbeRS table;
  ScriptedMessageBox boxes;
};

}  // namespace

TEST_F(BaseTableRSTest, ColumnNamesFollowTheStripRule) {
  EXPECT_EQ(table.ColumnName("m_nRecordID"), "nRecordID");
  EXPECT_EQ(table.ColumnName("mm__x_m"), "x_m");  // a set of characters, not a prefix
  EXPECT_EQ(table.ColumnName("fLevel_01"), "fLevel_01");
  table.SetStripMemberPrefix(false);
  EXPECT_EQ(table.ColumnName("m_nRecordID"), "m_nRecordID");
}

TEST_F(BaseTableRSTest, OpenEndsOnTheLastRowAndMovesStopAtTheEnds) {
  AddRows(3);
  EXPECT_TRUE(table.SetSourceAndReopen("Probe", true));
  EXPECT_EQ(Current(), "c");
  EXPECT_EQ(table.GetFieldCount(), 8);
  EXPECT_EQ(owner.Take(), Reasons({kTableMoved}));
  EXPECT_TRUE(table.IsLastRecord());

  EXPECT_FALSE(table.MoveNext());  // past the end: the last row is reloaded and notified
  EXPECT_EQ(Current(), "c");
  EXPECT_EQ(owner.Take(), Reasons({kTableMoved}));
  EXPECT_TRUE(table.MovePrevious());
  EXPECT_EQ(Current(), "b");
  EXPECT_TRUE(table.MoveFirst());
  EXPECT_TRUE(table.IsFirstRecord());
  EXPECT_FALSE(table.MovePrevious());
  EXPECT_EQ(Current(), "a");
  EXPECT_EQ(table.m_current.m_nRecordID, 1);
  EXPECT_EQ(owner.Take(), Reasons({kTableMoved, kTableMoved, kTableMoved}));
  ASSERT_FALSE(owner.Tables().empty());
  EXPECT_EQ(owner.Tables().back(), reinterpret_cast<WPARAM>(&table));
  EXPECT_EQ(boxes.Count(), 0u);
}

TEST_F(BaseTableRSTest, MovesOnAnEmptyTableResetAndPostNothing) {
  ASSERT_TRUE(OpenProbe());
  table.m_current.m_strName = "dirty";
  EXPECT_FALSE(table.MoveFirst());
  EXPECT_EQ(Current(), "?");
  EXPECT_FALSE(table.MoveNext());
  EXPECT_FALSE(table.MoveLast());
  EXPECT_TRUE(owner.Take().empty());
  EXPECT_FALSE(table.FindActive());
  EXPECT_EQ(owner.Take(), Reasons({kTableNoActive}));
}

TEST_F(BaseTableRSTest, FindActivePostsOneMovePerRowThenItsResult) {
  AddRows(3);
  ASSERT_TRUE(OpenProbe());
  EXPECT_FALSE(table.FindActive());
  EXPECT_EQ(owner.Take(), Reasons({kTableMoved, kTableMoved, kTableMoved, kTableNoActive}));
  EXPECT_EQ(Current(), "a");
}

TEST_F(BaseTableRSTest, FindActiveStopsOnTheLatestActiveRow) {
  AddRows(4, "b");
  ASSERT_TRUE(OpenProbe());
  EXPECT_TRUE(table.FindActive());
  EXPECT_EQ(owner.Take(), Reasons({kTableMoved, kTableMoved, kTableMoved, kTableActiveFound}));
  EXPECT_EQ(Current(), "b");
  EXPECT_TRUE(table.FindActive());  // already on it: reloaded, nothing posted
  EXPECT_TRUE(owner.Take().empty());

  EXPECT_TRUE(table.SetActiveRecord(true));
  EXPECT_TRUE(table.HasActiveRecord());
  EXPECT_TRUE(table.IsCurrentActive());
  EXPECT_EQ(table.m_active.m_strName, "b");
  EXPECT_TRUE(table.SetActiveRecord(false));
  EXPECT_FALSE(table.HasActiveRecord());
  EXPECT_EQ(table.m_active.m_nRecordID, -1);
  EXPECT_EQ(owner.Take(), Reasons({kTableActivated, kTableNoActive}));
}

TEST_F(BaseTableRSTest, TableWithoutActiveSetHasNoActiveRecord) {
  CProbeRS log(false);
  log.SetDatabase(&db.database);
  log.SetOwnerWnd(owner.Handle());
  AddRows(2);
  ASSERT_TRUE(log.SetSourceAndReopen("Probe", true));
  owner.Take();
  EXPECT_FALSE(log.SetActiveRecord(true));
  EXPECT_FALSE(log.HasActiveRecord());
  EXPECT_FALSE(log.IsCurrentActive());
  EXPECT_FALSE(log.WriteBackActive());
  EXPECT_TRUE(owner.Take().empty());
}

TEST_F(BaseTableRSTest, AddNewMakesTheNewRowCurrentWithItsId) {
  AddRows(1);
  RawDatabase raw(db.path);
  raw.Exec("UPDATE Probe SET nRecordID = 40000");
  ASSERT_TRUE(OpenProbe());
  table.m_scratch.m_strName = "new";
  table.m_scratch.m_nCount = 70000;
  table.m_scratch.m_bActive = true;
  ASSERT_TRUE(table.AddNew());
  EXPECT_EQ(table.m_current.m_nRecordID, 40001);
  EXPECT_EQ(Current(), "new");
  EXPECT_EQ(table.m_current.m_nCount, 70000);
  EXPECT_EQ(table.m_scratch.m_strName, "?");  // back at its defaults
  EXPECT_TRUE(owner.Take().empty());          // the frame's AddNew posts nothing itself
  EXPECT_EQ(raw.Text("SELECT bActive || ' ' || nCount FROM Probe WHERE nRecordID = 40001"), "-1 70000");

  EXPECT_TRUE(table.MoveFirst());
  EXPECT_TRUE(table.FindByKey(Variant::I4(0), Variant::I4(40001)));
  EXPECT_EQ(Current(), "new");
  EXPECT_EQ(owner.Take(), Reasons({kTableMoved, kTableMoved}));
  EXPECT_FALSE(table.FindByKey(Variant::I4(0), Variant::I4(7)));
  EXPECT_EQ(Current(), "new");
  EXPECT_TRUE(owner.Take().empty());
}

TEST_F(BaseTableRSTest, FailedAddNewCommitsNothingAndKeepsTheScratchRow) {
  AddRows(2);
  ASSERT_TRUE(OpenProbe());
  boxes.Expect(IDOK, "Error at [Probe] table [strName] field!");
  table.m_scratch.m_strName = "far too long for ten";
  table.m_scratch.m_nCount = 9;
  EXPECT_FALSE(table.AddNew());
  EXPECT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(Clipboard().Text(), "strName");
  EXPECT_EQ(Current(), "b");  // reread from the row that stayed current
  EXPECT_EQ(table.m_scratch.m_nCount, 9);
  RawDatabase raw(db.path);
  EXPECT_EQ(raw.Text("SELECT count(*) FROM Probe"), "2");

  table.m_scratch.m_strName = "fits";
  ASSERT_TRUE(table.AddNew());
  EXPECT_EQ(raw.Text("SELECT count(*) || ' ' || max(nRecordID) FROM Probe"), "3 3");
  EXPECT_EQ(raw.Text("SELECT group_concat(nCount) FROM Probe"), "1,2,9");
}

TEST_F(BaseTableRSTest, SaveCurrentWritesTheRowAndRefreshesTheActiveSet) {
  AddRows(2, "b");
  ASSERT_TRUE(OpenProbe());
  ASSERT_TRUE(table.SetActiveRecord(true));
  owner.Take();
  table.m_current.m_nCount = 42;
  table.m_current.m_fLevel = 3.25f;
  ASSERT_TRUE(table.SaveCurrent());
  EXPECT_EQ(owner.Take(), Reasons({kTableActivated, kTableSaved}));
  EXPECT_EQ(table.m_active.m_nCount, 42);
  RawDatabase raw(db.path);
  EXPECT_EQ(raw.Text("SELECT nCount || ' ' || fLevel FROM Probe WHERE strName = 'b'"), "42 3.25");

  table.m_active.m_nCount = 43;  // changed in memory, as the process does
  EXPECT_TRUE(table.MoveFirst());
  owner.Take();
  ASSERT_TRUE(table.WriteBackActive());
  EXPECT_EQ(raw.Text("SELECT nCount FROM Probe WHERE strName = 'b'"), "43");
  EXPECT_EQ(raw.Text("SELECT nCount FROM Probe WHERE strName = 'a'"), "1");
}

TEST_F(BaseTableRSTest, SaveIntoALockedDatabaseIsKeptShownAndWrittenOnceTheLockGoes) {
  RawDatabase other(db.path);
  SaveUnderALock(other);
  EXPECT_EQ(boxes.Count(), 0u);
  EXPECT_EQ(owner.Take(), Reasons({kTableSaved}));
  EXPECT_EQ(table.m_current.m_nCount, 77);  // read back from what was kept
  EXPECT_EQ(db.database.GetKeptWriteCount(), 1u);
  EXPECT_FALSE(db.database.WriteKept());  // still locked
  ASSERT_EQ(other.Exec("ROLLBACK"), SQLITE_OK);
  EXPECT_EQ(other.Text("SELECT nCount FROM Probe WHERE strName = 'b'"), "2");

  // The connection's own retry writes it, without another write to push it.
  EXPECT_TRUE(WaitPumping([&] { return db.database.GetKeptWriteCount() == 0; }, 30000));
  EXPECT_EQ(other.Text("SELECT nCount FROM Probe WHERE strName = 'b'"), "77");
}

TEST_F(BaseTableRSTest, AKeptSaveWhoseRowAnotherProgramDeletedIsToldWithItsValues) {
  RawDatabase other(db.path);
  SaveUnderALock(other);
  ASSERT_EQ(other.Exec("DELETE FROM Probe WHERE strName = 'b'; COMMIT"), SQLITE_OK);
  boxes.Expect(IDOK, CADODatabase::kDroppedText);
  EXPECT_TRUE(db.database.WriteKept());
  EXPECT_NE(boxes.LastText().find("Row 2 of Probe: strName = 'b', nCount = 77,"), std::string::npos) << boxes.LastText();
  EXPECT_NE(boxes.LastText().find("(the row is not in the database (deleted, or never there))"), std::string::npos) << boxes.LastText();
  EXPECT_EQ(db.database.GetKeptWriteCount(), 0u);
}

TEST_F(BaseTableRSTest, DeletePromptsAndTheirAnswers) {
  AddRows(3, "c");
  ASSERT_TRUE(OpenProbe());
  ASSERT_TRUE(table.FindActive());
  ASSERT_TRUE(table.SetActiveRecord(true));
  boxes.Expect(IDOK);
  EXPECT_FALSE(table.Delete());
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, "It is not poossible to delete Active Probe!");
  EXPECT_EQ(boxes.Boxes()[0].caption, "Deletion Probe Alert");
  EXPECT_EQ(boxes.Boxes()[0].style, 0x1010u);

  EXPECT_TRUE(table.MovePrevious());  // on b
  boxes.Expect(IDNO);
  EXPECT_FALSE(table.Delete());
  EXPECT_EQ(boxes.Boxes()[1].text, "Are you sure you want to delete the record number 2");
  EXPECT_EQ(boxes.Boxes()[1].style, 0x233u);
  EXPECT_EQ(table.GetRecordCount(), 3);

  owner.Take();
  boxes.Expect(IDYES);
  EXPECT_TRUE(table.Delete());
  EXPECT_EQ(table.GetRecordCount(), 2);
  EXPECT_EQ(Current(), "a");  // the row before the deleted one
  EXPECT_EQ(owner.Take(), Reasons({kTableMoved}));

  boxes.Expect(IDYES);
  EXPECT_TRUE(table.Delete());  // the first row: the new first row becomes current
  EXPECT_EQ(Current(), "c");
  RawDatabase raw(db.path);
  EXPECT_EQ(raw.Text("SELECT group_concat(strName) FROM Probe"), "c");

  ASSERT_TRUE(table.SetActiveRecord(false));
  boxes.Expect(IDOK);
  EXPECT_FALSE(table.Delete());
  EXPECT_EQ(boxes.LastText(), "It is not poossible to delete record from Probe table.\r\nBecause it has only 1 record.");
  EXPECT_EQ(boxes.Boxes().back().style, 0x1010u);
  EXPECT_EQ(boxes.Pending(), 0u);
}

TEST_F(BaseTableRSTest, FieldGuardNamesTableAndColumnAndCopiesTheColumn) {
  AddRows(1);
  RawDatabase raw(db.path);
  raw.Exec("UPDATE Probe SET dValue = 2.5");
  ASSERT_TRUE(OpenProbe());
  table.m_bLevelFromDouble = true;
  Clipboard().Clear();
  try {
    table.LoadRow();
    FAIL() << "a Double column was read into a float";
  } catch (const CADOException& error) {
    EXPECT_EQ(error.GetError(), 87);
    EXPECT_EQ(error.GetErrorMessage(),
              "Error at [Probe] table [dValue] field!\n"
              "Please convert field type from 'double' to 'single' in database table"
              "\n\n - The Field name is copied to clipboard.");
  }
  EXPECT_EQ(Clipboard().Text(), "dValue");
  EXPECT_EQ(Current(), "a");                    // columns before the failing one were read
  EXPECT_FALSE(table.m_current.m_bActive);      // and those after it, as stored

  boxes.Expect(IDOK, "Error at [Probe] table [dValue] field!");
  EXPECT_FALSE(table.MoveFirst());
  EXPECT_EQ(boxes.Boxes().back().style, static_cast<UINT>(MB_OK));
  EXPECT_EQ(owner.Take(), Reasons({kTableMoved}));
}

TEST_F(BaseTableRSTest, TableThatFailedToOpenFailsQuietlyAfterItsMessage) {
  boxes.Expect(IDOK, "Cannot find the table 'Nowhere'");
  EXPECT_FALSE(table.SetSourceAndReopen("Nowhere", true));
  EXPECT_EQ(boxes.Count(), 1u);
  EXPECT_FALSE(table.MoveFirst());
  EXPECT_FALSE(table.MoveLast());
  EXPECT_FALSE(table.MoveNext());
  EXPECT_FALSE(table.LoadCurrent());
  EXPECT_FALSE(table.SaveCurrent());
  EXPECT_FALSE(table.AddNew());
  EXPECT_FALSE(table.Delete());
  EXPECT_FALSE(table.FindActive());
  EXPECT_FALSE(table.FindByKey(Variant::I4(0), Variant::I4(1)));
  EXPECT_FALSE(table.WriteBackActive());
  EXPECT_FALSE(table.IsFirstRecord());
  EXPECT_EQ(table.GetRecordCount(), 0);
  EXPECT_EQ(boxes.Count(), 1u);
  EXPECT_TRUE(owner.Take().empty());

  CProbeRS orphan;  // no database set
  boxes.Expect(IDOK, "No database is set");
  EXPECT_FALSE(orphan.SetSourceAndReopen("Probe", true));
}

TEST_F(BaseTableRSTest, QuerySourceOpensOnlyItsRowsAndSavesThem) {
  AddRows(3);
  ASSERT_TRUE(table.SetSourceAndReopen("SELECT * FROM Probe WHERE (nCount >= 2) ", true));
  EXPECT_EQ(table.GetRecordCount(), 2);
  EXPECT_EQ(Current(), "c");
  table.m_current.m_nCount = 30;
  ASSERT_TRUE(table.SaveCurrent());
  RawDatabase raw(db.path);
  EXPECT_EQ(raw.Text("SELECT nCount FROM Probe WHERE strName = 'c'"), "30");
}

TEST_F(BaseTableRSTest, OwnerlessTablePostsNothingAndSettingsCopy) {
  CProbeRS quiet;
  EXPECT_FALSE(quiet.NotifyOwner(kTableMoved));
  EXPECT_TRUE(table.NotifyOwner(kTableSaved));
  EXPECT_EQ(owner.Take(), Reasons({kTableSaved}));

  table.SetFlagA(true);
  table.m_active.m_strName = "kept";
  table.m_active.m_nRecordID = 5;
  quiet.CopySettingsFrom(table);
  EXPECT_TRUE(quiet.GetFlagA());
  EXPECT_EQ(quiet.GetOwnerWnd(), owner.Handle());
  EXPECT_EQ(quiet.m_active.m_strName, "kept");
  EXPECT_EQ(quiet.m_active.GetOwner(), &quiet);
  EXPECT_EQ(quiet.GetNotifyMessage(), 5378u);
}
