#include <gtest/gtest.h>

#include "PlantTablesSupport.h"
#include "common/Conversions.h"
#include "records/AlarmBaseRS.h"

namespace {

class AlarmBaseRSTest : public PlantTablesTest {};

TEST_F(AlarmBaseRSTest, LineBreaksBecomeDashesAndTheDescriptionIsCutTo255Characters) {
  CAlarmBaseRS alarms;
  CAlarmBaseRS::CSTFields& row = alarms.Scratch();
  row.SetAlarmName("Pump\r\nstopped");
  EXPECT_EQ(row.m_strAlarmName, "Pump--stopped");
  row.SetAlarmDescription("line one\r\nline two\n");
  EXPECT_EQ(row.m_strAlarmDescription, "line one--line two-");

  row.SetAlarmDescription(std::string(300, 'x'));
  EXPECT_EQ(row.m_strAlarmDescription, std::string(255, 'x'));
  row.SetAlarmDescription(std::string(255, 'y'));
  EXPECT_EQ(row.m_strAlarmDescription, std::string(255, 'y'));
  // Characters, not bytes: a Persian description keeps whole letters.
  std::string persian;
  for (int i = 0; i < 300; ++i) persian += "\u0643";
  row.SetAlarmDescription(persian);
  EXPECT_EQ(row.m_strAlarmDescription.size(), 255u * 2);
  row.SetAlarmName(std::string(300, 'n'));  // the name is stored uncut
  EXPECT_EQ(row.m_strAlarmName.size(), 300u);
}

TEST_F(AlarmBaseRSTest, EveryColumnRoundTripsAndTheTableHasNoActiveRecord) {
  NotifyRecorder owner;
  CAlarmBaseRS alarms;
  EXPECT_EQ(alarms.Scratch().m_dtAlarmResponseDateTime, alarms.Scratch().m_dtAlarmDateTime);
  EXPECT_EQ(alarms.Scratch().m_strUserResponse, "?");
  ASSERT_TRUE(OpenPlantTable(alarms, db, "Alarm", true, owner.Handle()));
  CAlarmBaseRS::CSTFields& row = alarms.Scratch();
  row.SetAlarmName("Level\nHigh");
  row.SetAlarmDescription(std::string(254, 'd') + "\r\n");
  row.SetUserResponse("Waiting?");
  row.SetAlarmDateTime(Now() - 0.5);
  row.SetAlarmResponseDateTime(Now());
  owner.Take();
  ASSERT_TRUE(alarms.AddNew());
  EXPECT_FALSE(alarms.SetActiveRecord(true));
  EXPECT_FALSE(alarms.HasActiveRecord());

  // The logged box's answer goes into the same row.
  const int id = alarms.Current().m_nRecordID;
  ASSERT_TRUE(alarms.FindByKey(Variant::String("nRecordID"), Variant::I4(id)));
  alarms.Current().SetUserResponse(MsgBoxResultText(IDOK));
  ASSERT_TRUE(alarms.SaveCurrent());
  EXPECT_EQ(owner.Take(), (std::vector<int>{kTableSaved}));

  CAlarmBaseRS reread;
  ASSERT_TRUE(OpenPlantTable(reread, db, "Alarm", true));
  const CAlarmBaseRS::CSTFields& got = reread.Current();
  EXPECT_EQ(got.m_nRecordID, 1);
  EXPECT_EQ(got.m_dtAlarmDateTime, Now() - 0.5);
  EXPECT_EQ(got.m_strAlarmDateTimeShamsi, "1388/11/20 - 03:30:45");
  EXPECT_EQ(got.m_dtAlarmResponseDateTime, Now());
  EXPECT_EQ(got.m_strUserResponse, MsgBoxResultText(IDOK));
  EXPECT_EQ(got.m_strDataSourceType, "Demo");
  EXPECT_EQ(got.m_strAlarmName, "Level-High");
  EXPECT_EQ(got.m_strAlarmDescription, std::string(254, 'd') + "-");
  EXPECT_EQ(got.m_strOperatorName, "Ahmadi");
  EXPECT_EQ(got.m_strRecipeName, "Soap-A");
}

}  // namespace
