// A recipe run while another program holds the database locked: the plant's
// records are kept and written once the lock goes, in order, nothing lost; a
// lock that outlasts the program is reported at the close with what it kept,
// and the next start under it reads the plant as those records left it.
#include <memory>

#include "e2e/PlantScenarioFixture.h"
#include "records/AdoDatabase.h"

namespace {

class DatabaseLockedTest : public PlantScenarioFixture {
 protected:
  static CADODatabase& Database() { return *GetEngineRoot()->GetDatabase(); }
  // Another program's connection holding the database's write lock.
  void Lock() {
    other = std::make_unique<RawDatabase>(DatabasePath());
    ASSERT_EQ(other->Exec("BEGIN EXCLUSIVE"), SQLITE_OK);
  }
  void Unlock() { ASSERT_EQ(other->Exec("ROLLBACK"), SQLITE_OK); }

  std::unique_ptr<RawDatabase> other;
};

TEST_F(DatabaseLockedTest, ARunWhileTheDatabaseIsLockedKeepsEveryRecordAndWritesThemInOrderAfterwards) {
  PrepareRun("501");
  Lock();
  StartProcess();
  ASSERT_TRUE(GetProcessEngine().IsStarted());
  // The water charged and L.A.B.S charged into its batcher, all under the lock.
  ASSERT_TRUE(PassUntil([] { return Phase(2) >= 3; }));
  EXPECT_GT(Database().GetKeptWriteCount(), 0u);
  EXPECT_EQ(Sql("SELECT COUNT(*) FROM Event2"), "0");
  Unlock();
  RunToTheEnd();
  ASSERT_TRUE(PassUntil([] { return Database().GetKeptWriteCount() == 0 || (Database().WriteKept(), false); }, 10));

  // Every charge complete, as if the lock had never been.
  EXPECT_EQ(Sql("SELECT GROUP_CONCAT(m_nRecordID || ' ' || m_strBatchedMatrialName || ' ' || m_strDisChargeDir || ' ' || "
                "m_nBatchNumber || ' ' || m_bIsAutoBatching || m_bChrageIsEnd || m_bBatchIsCompleted, '; ') FROM Event2"),
            "1 Water Mixer1 501 110; 2 L.A.B.S Mixer1 501 111");
  EXPECT_EQ(Sql("SELECT m_dtChargeStartTime < m_dtChargeEndTime FROM Event2 WHERE m_nRecordID = 1"), "1");
  EXPECT_EQ(Sql("SELECT m_dtChargeStartTime < m_dtChargeEndTime AND m_dtChargeEndTime < m_dtDisChargeStartTime AND "
                "m_dtDisChargeStartTime < m_dtDisChargeEndTime FROM Event2 WHERE m_nRecordID = 2"),
            "1");
  const float water = std::stof(Sql("SELECT m_fEndMatrialDose - m_fStartMatrialDose FROM Event2 WHERE m_nRecordID = 1"));
  const float labs = std::stof(Sql("SELECT m_fEndMatrialDose - m_fStartMatrialDose FROM Event2 WHERE m_nRecordID = 2"));
  EXPECT_GE(water, 20.0f);
  EXPECT_GE(labs, 6.0f);
  // The shift's totals agree with the rows.
  EXPECT_EQ(Sql("SELECT m_nShiftTotalCycle FROM Shift"), "1");
  EXPECT_FLOAT_EQ(std::stof(Sql("SELECT m_fTtlActlMtrlWater FROM Shift")), water);
  EXPECT_FLOAT_EQ(std::stof(Sql("SELECT m_fTtlActlMtrlLABS FROM Shift")), labs);
  EXPECT_EQ(Sql("SELECT nBatchNumber || ' ' || strMixerName FROM Batch"), "501 Mixer1");
}

// The other program adds a row of its own inside its lock: the run's rows,
// kept meanwhile, go in after it, and none of the run's records lands in it.
TEST_F(DatabaseLockedTest, ARowTheOtherProgramAddsUnderItsLockKeepsItsValuesAndTheRunsRowsGoInAfterIt) {
  PrepareRun("501");
  Lock();
  ASSERT_EQ(other->Exec("INSERT INTO Event2 (m_strBatchedMatrialName, m_nBatchNumber) VALUES ('OTHER-PROGRAM', 999)"),
            SQLITE_OK);
  StartProcess();
  ASSERT_TRUE(GetProcessEngine().IsStarted());
  ASSERT_TRUE(PassUntil([] { return Phase(2) >= 3; }));
  EXPECT_GT(Database().GetKeptWriteCount(), 0u);
  ASSERT_EQ(other->Exec("COMMIT"), SQLITE_OK);
  RunToTheEnd();
  ASSERT_TRUE(PassUntil([] { return Database().GetKeptWriteCount() == 0 || (Database().WriteKept(), false); }, 10));

  EXPECT_EQ(Sql("SELECT GROUP_CONCAT(m_nRecordID || ' ' || m_strBatchedMatrialName || ' ' || "
                "IFNULL(m_strDisChargeDir, '-') || ' ' || m_nBatchNumber || ' ' || IFNULL(m_bChrageIsEnd, '-') || "
                "IFNULL(m_bBatchIsCompleted, '-') || ' ' || IFNULL(m_dtChargeEndTime, '-'), '; ') FROM Event2 "
                "WHERE m_nRecordID = 1"),
            "1 OTHER-PROGRAM - 999 -- -");
  EXPECT_EQ(Sql("SELECT GROUP_CONCAT(m_nRecordID || ' ' || m_strBatchedMatrialName || ' ' || m_strDisChargeDir || ' ' || "
                "m_nBatchNumber || ' ' || m_bIsAutoBatching || m_bChrageIsEnd || m_bBatchIsCompleted, '; ') FROM Event2 "
                "WHERE m_nRecordID > 1"),
            "2 Water Mixer1 501 110; 3 L.A.B.S Mixer1 501 111");
  const float water = std::stof(Sql("SELECT m_fEndMatrialDose - m_fStartMatrialDose FROM Event2 WHERE m_nRecordID = 2"));
  const float labs = std::stof(Sql("SELECT m_fEndMatrialDose - m_fStartMatrialDose FROM Event2 WHERE m_nRecordID = 3"));
  EXPECT_FLOAT_EQ(std::stof(Sql("SELECT m_fTtlActlMtrlWater FROM Shift")), water);
  EXPECT_FLOAT_EQ(std::stof(Sql("SELECT m_fTtlActlMtrlLABS FROM Shift")), labs);
  for (const auto& box : boxes.Boxes()) EXPECT_EQ(box.text.find("could not be written"), std::string::npos) << box.text;
}

TEST_F(DatabaseLockedTest, WhatALockLastingPastTheCloseKeptIsToldWithItsValues) {
  PrepareRun("501");
  Lock();
  StartProcess();
  ASSERT_TRUE(PassUntil([] { return Phase(1) >= 2; }));  // the water's row begun and its charge ended
  ASSERT_GT(Database().GetKeptWriteCount(), 0u);
  main->SendMessage(WM_COMMAND, ID_STOP_PROCESS);  // the run ends with the program
  const std::string forNextStart = CADODatabase::WithCause(CADODatabase::kKeptForNextStartText, ruv::db::PendingWrites::kLockedCause);
  boxes.Expect(IDOK, forNextStart);
  CloseApplication();
  m_closed = true;
  Unlock();
  ASSERT_GE(boxes.Count(), 1u);
  // The box shows the start of the list and names the file that has all of it.
  const std::string file = DatabasePath() + CADODatabase::kUnwrittenFileSuffix;
  EXPECT_NE(boxes.LastText().find("All of them are in the file:\n" + file), std::string::npos) << boxes.LastText();
  const std::string told = ReadFile(file);
  // Said before the close waited for the lock, and again after it, as kept for the next start.
  EXPECT_EQ(told.find(CADODatabase::WithCause(CADODatabase::kKeptAtCloseText, ruv::db::PendingWrites::kLockedCause)), 0u) << told;
  EXPECT_NE(told.find(forNextStart), std::string::npos) << told;
  // A new row is named by its values: it has no id until it is written.
  EXPECT_NE(told.find("New row of Event2: "), std::string::npos) << told;
  EXPECT_NE(told.find("m_strBatchedMatrialName = 'Water'"), std::string::npos) << told;
  EXPECT_NE(told.find("Change of the new row of Event2 ("), std::string::npos) << told;  // its charge end
  EXPECT_EQ(told.find("m_nRecordID = "), std::string::npos) << told;
  EXPECT_NE(ReadFile(DatabasePath() + CADODatabase::kJournalFileSuffix).find("New row of Event2: "), std::string::npos);
}

// A charge's row written before another program took the lock, its discharge
// kept under the lock, the program closed and started again while the lock
// holds: the start sees the row completed as the kept change made it, so the
// next run neither takes it as still in the batcher nor writes over it.
TEST_F(DatabaseLockedTest, ARowCompletedUnderALockThatOutlastsACloseAndAStartKeepsItsKilograms) {
  StartInDemo();
  OpenShift("A");
  EnterBatchNumber("701");
  ASSERT_NO_FATAL_FAILURE(FillRecipe({{kLabs, "95", "0", true}}));
  ActivateRecipe();
  StartProcess();
  ASSERT_TRUE(PassUntil([this] { return Phase(1) == 1 && Sql("SELECT COUNT(*) FROM Event2") == "1"; }));
  Lock();
  boxes.Expect(IDOK, kRunEnd);
  ASSERT_TRUE(PassUntil([] { return !GetProcessEngine().IsStarted(); }));
  ASSERT_TRUE(ChargeEndsDone());
  ASSERT_EQ(Sql("SELECT m_bBatchIsCompleted FROM Event2"), "0");  // its completion is kept

  CloseWithYes({CADODatabase::WithCause(CADODatabase::kKeptForNextStartText, ruv::db::PendingWrites::kLockedCause)});
  boxes.Expect(IDOK, CADODatabase::WithCause(CADODatabase::kJournalKeptText, ruv::db::PendingWrites::kLockedCause));
  ASSERT_NO_FATAL_FAILURE(StartAgainAfterClose());
  StartProcess();
  boxes.Expect(IDOK, kRunEnd);
  ASSERT_TRUE(PassUntil([] { return !GetProcessEngine().IsStarted(); }));
  ASSERT_TRUE(ChargeEndsDone());
  Unlock();
  ASSERT_TRUE(PassUntil([] { return Database().GetKeptWriteCount() == 0 || (Database().WriteKept(), false); }, 10));

  EXPECT_EQ(Sql("SELECT GROUP_CONCAT(m_nRecordID || ' ' || m_strBatchedMatrialName || ' ' || "
                "printf('%.1f', m_fEndMatrialDose - m_fStartMatrialDose) || ' ' || m_strDisChargeDir || ' ' || "
                "m_nBatchNumber || ' ' || m_bBatchIsCompleted, '; ') FROM Event2"),
            "1 L.A.B.S 95.2 Mixer1 701 1; 2 L.A.B.S 95.2 Mixer1 701 1");
  EXPECT_EQ(Sql("SELECT printf('%.1f', m_fTtlActlMtrlLABS) FROM Shift"), "190.4");
}

}  // namespace
