#include <gtest/gtest.h>

#include "PlantTablesSupport.h"
#include "platform/base/Text.h"
#include "records/BatchRS.h"
#include "support/ScriptedMessageBox.h"

namespace {

class BatchRSTest : public PlantTablesTest {};

TEST_F(BatchRSTest, FreshRowTakesTheEngineRootsValuesAndReportsAnOpenBatch) {
  CBatchRS batch;
  const CBatchRS::CSTFields& row = batch.Scratch();
  EXPECT_EQ(row.m_nRecordID, -1);
  EXPECT_EQ(row.m_strDataSourceType, "Demo");
  EXPECT_EQ(row.m_strOperatorName, "Ahmadi");
  EXPECT_EQ(row.m_nRecipeID, 7);
  EXPECT_EQ(row.m_strRecipeName, "Soap-A");
  EXPECT_EQ(row.m_dtStartDateTime, Now());
  EXPECT_EQ(row.m_dtEndDateTime, Now());
  EXPECT_EQ(row.GetStartDateTimeShamsi(), kTestNowShamsi);
  EXPECT_EQ(row.GetReportText(),
            "\n Batch number: 0"
            "\n Mixer Name: ?"
            "\n\n MixerLevelAtStartTime: ?"
            "\n MixerLevelAtEndTime: ?"
            "\n\n Start Time: 1388/11/20 - 15:30:45"
            "\n End Time: Not End (Batch is open)"
            "\n\n Operator Name: Ahmadi"
            "\n Recipe Name: Soap-A");
}

TEST_F(BatchRSTest, FinishedBatchReportsItsEndAndEveryLevelButMinusOne) {
  CBatchRS batch;
  CBatchRS::CSTFields& row = batch.Scratch();
  row.SetBatchNumber(512);
  row.SetMixerName("Mixer3");
  row.SetMixerLevelAtStartTime(12.5f);
  row.SetMixerLevelAtEndTime(100.0f);
  DATE end = Now() + 1.5;  // the next day, 03:30:45
  row.SetEndDateTime(end);
  EXPECT_NE(row.GetReportText().find("End Time: Not End (Batch is open)"), std::string::npos);
  row.SetFinished(true);
  EXPECT_EQ(row.GetReportText(),
            "\n Batch number: 512"
            "\n Mixer Name: Mixer3"
            "\n\n MixerLevelAtStartTime: 12.5"
            "\n MixerLevelAtEndTime: 100"
            "\n\n Start Time: 1388/11/20 - 15:30:45"
            "\n End Time: 1388/11/22 - 03:30:45"
            "\n\n Operator Name: Ahmadi"
            "\n Recipe Name: Soap-A");
  row.SetMixerLevelAtStartTime(0.0f);
  row.SetMixerLevelAtEndTime(-2.0f);
  EXPECT_NE(row.GetReportText().find("AtStartTime: 0\n MixerLevelAtEndTime: -2\n"), std::string::npos);
}

TEST_F(BatchRSTest, EveryColumnRoundTripsAndTheAddedRowIsActive) {
  NotifyRecorder owner;
  CBatchRS batch;
  ASSERT_TRUE(OpenPlantTable(batch, db, "Batch", true, owner.Handle()));
  CBatchRS::CSTFields& row = batch.Scratch();
  row.m_strDataSourceType = "Real HW [Suspended]";
  row.SetBatchNumber(40000);  // beyond 16 bits: kept whole
  row.SetFinished(true);
  row.SetMixerName("Mixer4");
  row.SetStartDateTime(Now() - 0.25);
  row.SetEndDateTime(Now());
  row.SetMixerLevelAtStartTime(12.5f);
  row.SetMixerLevelAtEndTime(0.001f);
  row.m_strOperatorName = "Karimi";
  row.m_nRecipeID = -3;
  row.m_strRecipeName = "Color-B";
  owner.Take();
  ASSERT_TRUE(batch.AddNew());
  EXPECT_EQ(owner.Take(), (std::vector<int>{kTableActivated}));
  EXPECT_TRUE(batch.HasActiveRecord());
  EXPECT_EQ(batch.Active().m_nRecordID, 1);
  EXPECT_EQ(batch.Scratch().GetMixerName(), "?");  // back to a fresh row
  EXPECT_FALSE(batch.FindActive());

  CBatchRS reread;
  ASSERT_TRUE(OpenPlantTable(reread, db, "Batch", true));
  const CBatchRS::CSTFields& got = reread.Current();
  EXPECT_EQ(got.m_nRecordID, 1);
  EXPECT_EQ(got.m_strDataSourceType, "Real HW [Suspended]");
  EXPECT_EQ(got.m_nBatchNumber, 40000);
  EXPECT_TRUE(got.IsFinished());
  EXPECT_EQ(got.GetMixerName(), "Mixer4");
  EXPECT_EQ(got.m_dtStartDateTime, Now() - 0.25);
  EXPECT_EQ(got.m_dtEndDateTime, Now());
  EXPECT_EQ(got.GetStartDateTimeShamsi(), "1388/11/20 - 09:30:45");
  EXPECT_EQ(got.GetEndDateTimeShamsi(), kTestNowShamsi);
  EXPECT_EQ(got.GetMixerLevelAtStartTime(), 12.5f);
  EXPECT_EQ(got.GetMixerLevelAtEndTime(), 0.001f);
  EXPECT_EQ(got.GetOperatorName(), "Karimi");
  EXPECT_EQ(got.m_nRecipeID, -3);
  EXPECT_EQ(got.GetRecipeName(), "Color-B");
  RawDatabase raw(db.path);
  EXPECT_EQ(raw.Text("SELECT bBatchIsFinshed FROM Batch"), "-1");
}

TEST_F(BatchRSTest, TheDialogsLookUpFindsABatchByDataSourceAndNumber) {
  CBatchRS batch;
  ASSERT_TRUE(OpenPlantTable(batch, db, "Batch", true));
  for (int number : {11, 12, 11}) {
    batch.Scratch().SetBatchNumber(number);
    ASSERT_TRUE(batch.AddNew());
  }
  CBatchRS lookUp;
  lookUp.SetDatabase(&db.database);
  ASSERT_TRUE(lookUp.SetSourceAndReopen(
      ruv::Format("SELECT * FROM Batch WHERE (strDataSourceType = '%s') AND (nBatchNumber = %d) ", "Demo", 12), true));
  EXPECT_EQ(lookUp.GetRecordCount(), 1);
  EXPECT_EQ(lookUp.Current().m_nRecordID, 2);
  // Finishing it through the look-up saves the row.
  lookUp.Current().SetFinished(true);
  lookUp.Current().SetMixerLevelAtEndTime(7.0f);
  ASSERT_TRUE(lookUp.SaveCurrent());
  RawDatabase raw(db.path);
  EXPECT_EQ(raw.Text("SELECT bBatchIsFinshed || ' ' || fMixerLevelAtEndTime FROM Batch WHERE nRecordID = 2"), "-1 7");
}

TEST_F(BatchRSTest, ALevelStoredAsDoubleNamesTheColumnAndLeavesItOnTheClipboard) {
  ProbeDatabase wrong(R"(CREATE TABLE "Batch" (
    "nRecordID" INTEGER PRIMARY KEY AUTOINCREMENT, "strDataSourceType" TEXT(50), "nBatchNumber" LONG,
    "bBatchIsFinshed" YESNO, "strMixerName" TEXT(50), "dtStartDateTime" DATETIME, "dtEndDateTime" DATETIME,
    "strStartDateTimeShamsi" TEXT(50), "strEndDateTimeShamsi" TEXT(50), "fMixerLevelAtStartTime" DOUBLE,
    "fMixerLevelAtEndTime" SINGLE, "strOperatorName" TEXT(100), "nRecipeID" LONG, "strRecipeName" TEXT(100));)");
  ASSERT_TRUE(wrong.created);
  RawDatabase(wrong.path).Exec("INSERT INTO Batch (nBatchNumber, fMixerLevelAtStartTime) VALUES (5, 1.5)");
  ScriptedMessageBox boxes;
  boxes.Expect(IDOK, "Error at [Batch] table [fMixerLevelAtStartTime] field!\n"
                     "Please convert field type from 'double' to 'single' in database table"
                     "\n\n - The Field name is copied to clipboard.");
  CBatchRS batch;
  batch.SetDatabase(&wrong.database);
  EXPECT_TRUE(batch.SetSourceAndReopen("Batch", true));  // the open itself succeeds; the read fails
  EXPECT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(Clipboard().Text(), "fMixerLevelAtStartTime");
  EXPECT_EQ(batch.Current().m_nBatchNumber, 5);  // the columns before it were read
}

}  // namespace
