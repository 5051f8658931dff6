#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

#include "RecordsTestSupport.h"
#include "platform/base/AtomicFile.h"
#include "platform/base/Text.h"
#include "support/ScriptedMessageBox.h"

namespace {

// ADO types: 3 adInteger, 4 adSingle, 7 adDate, 11 adBoolean, 202 text, 203 memo.
struct Column {
  const char* name;
  int type;
};

const std::map<std::string, std::vector<Column>>& ExpectedTables() {
  static const std::map<std::string, std::vector<Column>> tables = {
      {"Batch",
       {{"nRecordID", 3}, {"strDataSourceType", 202}, {"nBatchNumber", 3}, {"bBatchIsFinshed", 11},
        {"strMixerName", 202}, {"dtStartDateTime", 7}, {"dtEndDateTime", 7}, {"strStartDateTimeShamsi", 202},
        {"strEndDateTimeShamsi", 202}, {"fMixerLevelAtStartTime", 4}, {"fMixerLevelAtEndTime", 4},
        {"strOperatorName", 202}, {"nRecipeID", 3}, {"strRecipeName", 202}}},
      {"Event2",
       {{"m_nRecordID", 3}, {"m_dtRecDateTime", 7}, {"m_strRecDateTimeShamsi", 202}, {"m_strActiveOperatorName", 202},
        {"m_nActiveRecipeID", 3}, {"m_strActiveRecipeName", 202}, {"m_strDataSourceType", 202},
        {"m_strBatchedMatrialName", 202}, {"m_fStartMatrialDose", 4}, {"m_fEndMatrialDose", 4},
        {"m_strDisChargeDir", 202}, {"m_dtChargeStartTime", 7}, {"m_dtChargeEndTime", 7},
        {"m_dtDisChargeStartTime", 7}, {"m_dtDisChargeEndTime", 7}, {"m_strChargeStartTimeShamsi", 202},
        {"m_strChargeEndTimeShamsi", 202}, {"m_strDisChargeStartTimeShamsi", 202},
        {"m_strDisChargeEndTimeShamsi", 202}, {"m_bIsAutoBatching", 3}, {"m_bChrageIsEnd", 3},
        {"m_bBatchIsCompleted", 3}, {"m_nBatchNumber", 3}}},
      {"VesselsLevel",
       {{"nRecordID", 3}, {"dtRecDateTime", 7}, {"strRecDateTimeShamsi", 202}, {"strDataSourceType", 202},
        {"strActiveOperatorName", 202}, {"nActiveRecipeID", 3}, {"strActiveRecipeName", 202}, {"fLevel_01", 4},
        {"fLevel_02", 4}, {"fLevel_03", 4}, {"fLevel_04", 4}, {"fLevel_05", 4}, {"fLevel_06", 4}, {"fLevel_07", 4},
        {"fLevel_08", 4}, {"fLevel_09", 4}}},
      {"Shift",
       {{"m_nRecordID", 3}, {"m_nOperatorCode", 3}, {"m_strOperatorName", 202}, {"m_nShiftRecipeID", 3},
        {"m_strShiftRecipeName", 202}, {"m_dtStartDateTime", 7}, {"m_dtEndDateTime", 7},
        {"m_strStartDateTimeShamsi", 202}, {"m_strEndDateTimeShamsi", 202}, {"m_lUsefulTime", 3},
        {"m_lTotalTime", 3}, {"m_fTotalProduced", 4}, {"m_bShiftStopped", 11}, {"m_nShiftTotalCycle", 3},
        {"m_nMxr1BchNmbr", 3}, {"m_nMxr2BchNmbr", 3}, {"m_nMxr3BchNmbr", 3}, {"m_nMxr4BchNmbr", 3},
        {"m_fTtlActlMtrlWater", 4}, {"m_fTtlActlMtrlCasSoda", 4}, {"m_fTtlActlMtrlLABS", 4},
        {"m_fTtlActlMtrlWaterEx", 4}, {"m_fTtlActlMtrlDiethanol", 4}, {"m_fTtlActlMtrlLitron", 4},
        {"m_fTtlActlMtrlColor", 4}, {"m_fTtlActlMtrlEssanc", 4}, {"m_fTtlActlMtrlPreserv", 4}}},
      {"Recipe",
       {{"m_nRecordID", 3}, {"m_strRecipeName", 202}, {"m_dtModifyDateTime", 7}, {"m_strModifyDateTimeShamsi", 202},
        {"m_bRecipeIsActv", 11}, {"strRecipeAllStepInfo", 203}}},
      {"Alarm",
       {{"nRecordID", 3}, {"dtAlarmDateTime", 7}, {"strAlarmDateTimeShamsi", 202}, {"dtAlarmResponseDateTime", 7},
        {"strUserResponse", 202}, {"strDataSourceType", 202}, {"strAlarmName", 202}, {"strAlarmDescription", 202},
        {"strOperatorName", 202}, {"strRecipeName", 202}}},
  };
  return tables;
}

// Only the record id: enough to open, add and reload a row of any table.
class CAnyRS : public CBaseTableRS {
 public:
  explicit CAnyRS(bool strip) {
    AttachFieldSets(&m_current, &m_active, &m_scratch);
    SetStripMemberPrefix(strip);
  }
  CBaseSTFields m_current, m_active, m_scratch;
};

int RunTool(const std::string& schema, const std::string& target) {
  std::string command = "'" RUV_MAKE_DATABASE "' '" + schema + "' '" + target + "' 2>/dev/null";
  return std::system(command.c_str());
}

}  // namespace

TEST(Schema, ToolBuildsTheSixTablesAndTheLayerOpensThem) {
  TempDir dir;
  const std::string path = dir.File("Qelo-DataBase.mdb");
  ASSERT_EQ(RunTool(RUV_SCHEMA_SQL, path), 0);

  CADODatabase database;
  ASSERT_TRUE(database.Open(ConnectionStringFor(path), "", ""));
  for (const auto& [table, columns] : ExpectedTables()) {
    SCOPED_TRACE(table);
    CADORecordset rs(&database);
    ASSERT_TRUE(rs.Open(table));
    ASSERT_EQ(rs.GetFieldCount(), static_cast<int>(columns.size()));
    for (std::size_t i = 0; i < columns.size(); ++i) {
      CADOFieldInfo info;
      rs.GetFieldInfo(static_cast<int>(i), info);
      EXPECT_EQ(info.m_strName, columns[i].name);
      EXPECT_EQ(info.m_nType, columns[i].type) << columns[i].name;
    }
    EXPECT_EQ(rs.GetRecordCount(), 0);
  }

  // The frame opens every table and numbers its rows from 1; the shift, recipe
  // and event tables keep the "m_" prefix in their column names.
  NotifyRecorder owner;
  for (const auto& [table, columns] : ExpectedTables()) {
    SCOPED_TRACE(table);
    const bool prefixed = std::string(columns[0].name) == "m_nRecordID";
    CAnyRS rs(!prefixed);
    rs.SetDatabase(&database);
    rs.SetOwnerWnd(owner.Handle());
    ASSERT_TRUE(rs.SetSourceAndReopen(table, true));
    ASSERT_TRUE(rs.AddNew());
    EXPECT_EQ(rs.m_current.m_nRecordID, 1);
    ASSERT_TRUE(rs.AddNew());
    EXPECT_EQ(rs.m_current.m_nRecordID, 2);
    EXPECT_TRUE(rs.MoveFirst());
    EXPECT_EQ(rs.m_current.m_nRecordID, 1);
    // As an Access counter: the number of a deleted newest row is never given again.
    RawDatabase raw(path);
    ASSERT_EQ(raw.Exec("DELETE FROM \"" + table + "\" WHERE " + columns[0].name + " = 2"), SQLITE_OK);
    ASSERT_TRUE(rs.SetSourceAndReopen(table, true));
    ASSERT_TRUE(rs.AddNew());
    EXPECT_EQ(rs.m_current.m_nRecordID, 3);
  }
}

TEST(Schema, ToolNeverTouchesAnExistingDatabase) {
  TempDir dir;
  dir.Write("Qelo-DataBase.mdb", "the operator's records");
  EXPECT_NE(RunTool(RUV_SCHEMA_SQL, dir.File("Qelo-DataBase.mdb")), 0);
  EXPECT_EQ(dir.Read("Qelo-DataBase.mdb"), "the operator's records");
  EXPECT_NE(RunTool(dir.File("missing.sql"), dir.File("other.mdb")), 0);
  EXPECT_FALSE(FileExists(dir.File("other.mdb")));
}
