#include <gtest/gtest.h>

#include "PlantTablesSupport.h"
#include "records/Event2RS.h"

namespace {

class Event2RSTest : public PlantTablesTest {};

TEST_F(Event2RSTest, FreshRowHasOneNowForEveryMomentAndNoActiveRecord) {
  CEvent2RS events;
  const CEvent2RS::CSTFields& row = events.Scratch();
  EXPECT_EQ(row.m_strBatchedMatrialName, "?");
  EXPECT_EQ(row.GetDisChargeDir(), "?");
  EXPECT_EQ(row.m_nBatchNumber, -1);
  EXPECT_EQ(row.m_bIsAutoBatching + row.m_bChrageIsEnd + row.m_bBatchIsCompleted, 0);
  EXPECT_EQ(row.m_strActiveOperatorName, "Ahmadi");
  EXPECT_EQ(row.m_nActiveRecipeID, 7);
  EXPECT_EQ(row.m_strDataSourceType, "Demo");
  for (DATE moment : {row.m_dtRecDateTime, row.m_dtChargeStartTime, row.m_dtChargeEndTime, row.m_dtDisChargeStartTime,
                      row.m_dtDisChargeEndTime})
    EXPECT_EQ(moment, Now());
  for (const std::string& text : {row.m_strRecDateTimeShamsi, row.m_strChargeStartTimeShamsi,
                                  row.m_strChargeEndTimeShamsi, row.m_strDisChargeStartTimeShamsi,
                                  row.m_strDisChargeEndTimeShamsi})
    EXPECT_EQ(text, kTestNowShamsi);
}

TEST_F(Event2RSTest, EveryColumnRoundTripsUnderItsPrefixedName) {
  NotifyRecorder owner;
  CEvent2RS events;
  ASSERT_TRUE(OpenPlantTable(events, db, "Event2", false, owner.Handle()));
  CEvent2RS::CSTFields& row = events.Scratch();
  row.SetRecDateTime(Now() - 1);
  row.m_strActiveOperatorName = "Rezaei";
  row.m_nActiveRecipeID = 33000;
  row.m_strActiveRecipeName = "R";
  row.m_strDataSourceType = "Real HW";
  row.SetBatchedMatrialName("L.A.B.S");
  row.SetStartMatrialDose(1.25f);
  row.SetEndMatrialDose(101.5f);
  row.SetDisChargeDir("Mixer2");
  row.SetChargeStartTime(Now() + 0.5);
  row.SetChargeEndTime(Now() + 0.75);
  row.SetDisChargeStartTime(Now() + 0.875);
  row.SetDisChargeEndTime(Now() + 1);
  row.SetIsAutoBatching(1);
  row.SetChrageIsEnd(1);
  row.SetBatchIsCompleted(0);
  row.SetBatchNumber(77);
  ASSERT_TRUE(events.AddNew());
  EXPECT_FALSE(events.HasActiveRecord());  // adding does not activate
  EXPECT_FALSE(events.FindActive());
  owner.Take();

  CEvent2RS reread;
  ASSERT_TRUE(OpenPlantTable(reread, db, "Event2", false));
  const CEvent2RS::CSTFields& got = reread.Current();
  EXPECT_EQ(got.m_nRecordID, 1);
  EXPECT_EQ(got.m_dtRecDateTime, Now() - 1);
  EXPECT_EQ(got.m_strRecDateTimeShamsi, "1388/11/19 - 15:30:45");
  EXPECT_EQ(got.m_strActiveOperatorName, "Rezaei");
  EXPECT_EQ(got.m_nActiveRecipeID, 33000);
  EXPECT_EQ(got.m_strActiveRecipeName, "R");
  EXPECT_EQ(got.m_strDataSourceType, "Real HW");
  EXPECT_EQ(got.m_strBatchedMatrialName, "L.A.B.S");
  EXPECT_EQ(got.m_fStartMatrialDose, 1.25f);
  EXPECT_EQ(got.m_fEndMatrialDose, 101.5f);
  EXPECT_EQ(got.GetDisChargeDir(), "Mixer2");
  EXPECT_EQ(got.m_dtChargeStartTime, Now() + 0.5);
  EXPECT_EQ(got.m_dtChargeEndTime, Now() + 0.75);
  EXPECT_EQ(got.m_dtDisChargeStartTime, Now() + 0.875);
  EXPECT_EQ(got.m_dtDisChargeEndTime, Now() + 1);
  EXPECT_EQ(got.m_strChargeStartTimeShamsi, "1388/11/21 - 03:30:45");
  EXPECT_EQ(got.m_strChargeEndTimeShamsi, "1388/11/21 - 09:30:45");
  EXPECT_EQ(got.m_strDisChargeStartTimeShamsi, "1388/11/21 - 12:30:45");
  EXPECT_EQ(got.m_strDisChargeEndTimeShamsi, "1388/11/21 - 15:30:45");
  EXPECT_EQ(got.m_bIsAutoBatching, 1);
  EXPECT_EQ(got.m_bChrageIsEnd, 1);
  EXPECT_EQ(got.m_bBatchIsCompleted, 0);
  EXPECT_EQ(got.m_nBatchNumber, 77);
  RawDatabase raw(db.path);
  EXPECT_EQ(raw.Text("SELECT m_bChrageIsEnd FROM Event2"), "1");
}

// The plant form follows a charge through its row by the record id it kept:
// ids past 32767 (a plant running for years) must still find their own row.
TEST_F(Event2RSTest, RowsAreFoundAgainByAnIdAbove40000) {
  RawDatabase raw(db.path);
  ASSERT_EQ(raw.Exec("INSERT INTO Event2 (m_nRecordID, m_strBatchedMatrialName) VALUES (40000, 'old')"), SQLITE_OK);
  CEvent2RS events;
  ASSERT_TRUE(OpenPlantTable(events, db, "Event2", false));
  events.Scratch().SetBatchedMatrialName("Water");
  ASSERT_TRUE(events.AddNew());
  const int charged = events.Current().m_nRecordID;
  EXPECT_EQ(charged, 40001);
  events.Scratch().SetBatchedMatrialName("Color");
  ASSERT_TRUE(events.AddNew());

  // Charge end of the water row.
  ASSERT_TRUE(events.FindByKey(Variant::I4(0), Variant::I4(charged)));
  EXPECT_EQ(events.Current().m_strBatchedMatrialName, "Water");
  events.Current().SetChargeEndTime(Now() + 0.5);
  events.Current().SetChrageIsEnd(1);
  ASSERT_TRUE(events.SaveCurrent());
  EXPECT_EQ(raw.Text("SELECT m_bChrageIsEnd || m_strChargeEndTimeShamsi FROM Event2 WHERE m_nRecordID = 40001"),
            "11388/11/21 - 03:30:45");
  EXPECT_EQ(raw.Text("SELECT m_bChrageIsEnd FROM Event2 WHERE m_nRecordID = 40002"), "0");
  EXPECT_FALSE(events.FindByKey(Variant::I4(0), Variant::I4(40003)));
  EXPECT_EQ(events.Current().m_nRecordID, 40001);  // a failed search keeps the row
}

}  // namespace
