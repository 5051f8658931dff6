// The plant's engine root from start-up to its tables: the first
// initialisation (priority, tag file, OPC stand-in, recording interval), the
// database and the tables, the publication for both seams, the logged box.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <climits>
#include <cstdio>

#include "EngineRootTestSupport.h"
#include "common/Conversions.h"
#include "datacenter/DataCenterBase.h"
#include "engine/EngineTables.h"
#include "platform/base/ProcessPriority.h"
#include "platform/db/DbTestSupport.h"
#include "platform/opc/OpcStandIn.h"
#include "records/AdoDatabase.h"
#include "records/AlarmBaseRS.h"
#include "records/BatchRS.h"
#include "records/Event2RS.h"
#include "records/RecipeRS.h"
#include "records/ShiftRS.h"
#include "support/FakeClock.h"
#include "support/ScriptedMessageBox.h"

namespace {

class EngineRootTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clock.Install();
    OpcStandIn::Instance().Reset();
  }
  void TearDown() override {
    SetEngineRoot(nullptr);
    OpcStandIn::Instance().Reset();
  }
  void WriteSettings(const std::string& settings) {
    folder.dir.Write("Qelo-Setting.ini", settings);
    ini::ClearCache();
  }

  FakeClock clock;
  ScriptedMessageBox boxes;
  RecordingExitHook exits;
  PlantFolder folder;
  RecordingEngine engine;
};

TEST_F(EngineRootTest, InitializeLoadsTheTagsAndServesTheOpcTagsFromTheStandIn) {
  EXPECT_EQ(engine.GetDatabaseFileName(), "Qelo-DataBase.mdb");
  EXPECT_EQ(engine.GetTagFileName(), "Qelo-DCTags.dct");
  EXPECT_EQ(engine.GetSettingsFileName(), "Qelo-Setting.ini");
  EXPECT_EQ(engine.GetRecoveryFileName(), "Qelo-ProcessRecovery.dat");
  EXPECT_EQ(engine.GetIniFile()->GetPath(), folder.dir.File("Qelo-Setting.ini"));

  ASSERT_EQ(engine.Initialize(), TRUE);
  ASSERT_NE(engine.GetDataCenter(), nullptr);
  EXPECT_EQ(engine.GetDataCenter()->GetTagCount(), 4);
  EXPECT_TRUE(OpcStandIn::Instance().HasItem("Line.A"));
  EXPECT_FALSE(OpcStandIn::Instance().HasItem("Tank1.Level"));
  EXPECT_FALSE(OpcStandIn::Instance().HasItem("Memo"));
  EXPECT_EQ(GetRequestedPriorityClass(), NORMAL_PRIORITY_CLASS);
  EXPECT_EQ(boxes.Count(), 0u);
}

TEST_F(EngineRootTest, PriorityWordsAreExactAndAnythingElseIsHigh) {
  EXPECT_EQ(CRuvEngineBase::PriorityClassOf("High"), HIGH_PRIORITY_CLASS);
  EXPECT_EQ(CRuvEngineBase::PriorityClassOf("AboveNormal"), ABOVE_NORMAL_PRIORITY_CLASS);
  EXPECT_EQ(CRuvEngineBase::PriorityClassOf("Normal"), NORMAL_PRIORITY_CLASS);
  EXPECT_EQ(CRuvEngineBase::PriorityClassOf("BelowNormal"), BELOW_NORMAL_PRIORITY_CLASS);
  EXPECT_EQ(CRuvEngineBase::PriorityClassOf("high"), HIGH_PRIORITY_CLASS);
  EXPECT_EQ(CRuvEngineBase::PriorityClassOf("normal"), HIGH_PRIORITY_CLASS);
  EXPECT_EQ(CRuvEngineBase::PriorityClassOf(""), HIGH_PRIORITY_CLASS);

  // A missing key asks for High; the refusal of an unprivileged user is silent.
  WriteSettings("[Application]\r\n");
  EXPECT_EQ(engine.Initialize(), TRUE);
  EXPECT_EQ(GetRequestedPriorityClass(), HIGH_PRIORITY_CLASS);
  EXPECT_EQ(boxes.Count(), 0u);
}

TEST_F(EngineRootTest, RecordingIntervalIsReadWithoutPointsAndWrittenBackUnlessItHolds60000) {
  struct Case {
    const char* line;  // the key's line, "" for no key
    int interval;
    const char* written;  // the key's value afterwards
  };
  const Case cases[] = {
      {"", 60, "60"},
      {"RecordProcessInformationInterval=-30\r\n", 30, "30"},
      {"RecordProcessInformationInterval=1.5\r\n", 15, "15"},
      {"RecordProcessInformationInterval=60000\r\n", 60000, "60000"},
      {"RecordProcessInformationInterval=-60000\r\n", 60000, "-60000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    RecordingEngine fresh;
    WriteSettings(std::string("[Application]\r\nProcessPriority=Normal\r\n") + c.line);
    const std::string before = folder.Settings();
    EXPECT_EQ(fresh.GetRecordInterval(), 60000);
    ASSERT_EQ(fresh.Initialize(), TRUE);
    EXPECT_EQ(fresh.GetRecordInterval(), c.interval);
    std::string stored;
    fresh.GetIniFile()->ReadString("Application", "RecordProcessInformationInterval", stored, "<none>");
    EXPECT_EQ(stored, c.written);
    if (c.interval == 60000) {
      EXPECT_EQ(folder.Settings(), before);  // not even rewritten
    }
  }
  engine.SetRecordInterval(INT_MIN);
  EXPECT_EQ(engine.GetRecordInterval(), INT_MAX);
}

TEST_F(EngineRootTest, AFailedTagFileLeavesTheIntervalAndTheKeyAlone) {
  ASSERT_EQ(std::remove(folder.dir.File("Qelo-DCTags.dct").c_str()), 0);
  WriteSettings("[Application]\r\nProcessPriority=Normal\r\nRecordProcessInformationInterval=30\r\n");
  const std::string before = folder.Settings();
  boxes.Expect(IDOK);  // the data center reports the file its own way
  EXPECT_EQ(engine.Initialize(), FALSE);
  EXPECT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(engine.GetRecordInterval(), 60000);
  EXPECT_EQ(folder.Settings(), before);
}

TEST_F(EngineRootTest, OpenDatabaseRefusesAMissingOrReadOnlyFileAndOpensAGoodOne) {
  boxes.Expect(IDOK, "DataBase file not found!");
  boxes.Expect(IDOK, "DataBase file not found!");
  EXPECT_EQ(engine.OpenDatabase(), FALSE);
  EXPECT_EQ(engine.Init(), FALSE);  // the same check, the same box
  EXPECT_EQ(boxes.Count(), 2u);
  EXPECT_EQ(engine.GetAlarmTable(), nullptr);

  ASSERT_TRUE(folder.MakeDatabase());
  const std::string path = folder.dir.File("Qelo-DataBase.mdb");
  ASSERT_EQ(chmod(path.c_str(), 0444), 0);
  boxes.Expect(IDOK, "DataBase file is Read-Only!");
  EXPECT_EQ(engine.OpenDatabase(), FALSE);
  EXPECT_EQ(engine.GetDatabase(), nullptr);

  ASSERT_EQ(chmod(path.c_str(), 0644), 0);
  ASSERT_EQ(engine.OpenDatabase(), TRUE);
  ASSERT_NE(engine.GetDatabase(), nullptr);
  EXPECT_TRUE(engine.GetDatabase()->IsOpen());
  EXPECT_NE(engine.GetDatabase()->GetConnectionString().find("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=\""),
            std::string::npos);
  EXPECT_EQ(boxes.Pending(), 0u);
}

TEST_F(EngineRootTest, InitOpensTheTablesAndGivesTheActiveShiftTheActiveRecipe) {
  ASSERT_TRUE(folder.MakeDatabase());
  {
    RawDatabase raw(folder.dir.File("Qelo-DataBase.mdb"));
    ASSERT_EQ(raw.Exec("INSERT INTO Recipe (m_strRecipeName, m_bRecipeIsActv) VALUES ('Old', 0), ('Soap-A', 1), "
                       "('Draft', 0);"
                       "INSERT INTO Shift (m_strOperatorName, m_nShiftRecipeID, m_strShiftRecipeName, m_bShiftStopped) "
                       "VALUES ('Karimi', 1, 'Old', 1), ('Ahmadi', 1, 'Old', 0);"),
              SQLITE_OK);
  }
  // Without tables the seam's answers stand in.
  EXPECT_EQ(engine.GetActiveOperatorName(), "?");
  EXPECT_EQ(engine.GetActiveRecipeID(), -1);
  EXPECT_EQ(engine.GetActiveRecipeName(), "?");

  ASSERT_EQ(engine.Init(), TRUE);
  ASSERT_NE(g_pBatchRS.load(), nullptr);
  ASSERT_NE(g_pShiftRS.load(), nullptr);
  ASSERT_NE(g_pRecipeRS.load(), nullptr);
  ASSERT_NE(g_pEvent2RS.load(), nullptr);
  ASSERT_NE(g_pVesselsLevelRS.load(), nullptr);
  EXPECT_TRUE(g_pShiftRS.load()->IsTableOpen());
  EXPECT_FALSE(g_pShiftRS.load()->IsStripMemberPrefix());
  EXPECT_FALSE(g_pRecipeRS.load()->IsStripMemberPrefix());
  EXPECT_FALSE(g_pEvent2RS.load()->IsStripMemberPrefix());
  EXPECT_TRUE(g_pBatchRS.load()->IsStripMemberPrefix());
  ASSERT_NE(engine.GetAlarmTable(), nullptr);
  EXPECT_TRUE(engine.GetAlarmTable()->IsTableOpen());

  EXPECT_EQ(engine.GetActiveRecipeID(), 2);
  EXPECT_EQ(engine.GetActiveRecipeName(), "Soap-A");
  EXPECT_EQ(engine.GetActiveOperatorName(), "Ahmadi");
  {
    CShiftRS* shift = g_pShiftRS.load();
    auto lock = shift->LockActive();
    EXPECT_EQ(shift->Active().GetShiftRecipeID(), 2);
    EXPECT_EQ(shift->Active().GetShiftRecipeName(), "Soap-A");
  }
  RawDatabase raw(folder.dir.File("Qelo-DataBase.mdb"));
  EXPECT_EQ(raw.Text("SELECT m_strShiftRecipeName FROM Shift WHERE m_nRecordID = 2"), "Old");  // memory only

  // A second Init replaces every table and the alarm table on the new connection.
  ASSERT_EQ(engine.Init(), TRUE);
  EXPECT_NE(g_pShiftRS.load(), nullptr);
  EXPECT_EQ(g_pShiftRS.load()->GetDatabase(), engine.GetDatabase());
  EXPECT_EQ(engine.GetAlarmTable()->GetDatabase(), engine.GetDatabase());
  EXPECT_EQ(engine.GetActiveOperatorName(), "Ahmadi");

  engine.CloseDatabase();  // the plant's: tables only
  EXPECT_EQ(g_pShiftRS.load(), nullptr);
  EXPECT_EQ(g_pRecipeRS.load(), nullptr);
  EXPECT_EQ(g_pBatchRS.load(), nullptr);
  EXPECT_NE(engine.GetDatabase(), nullptr);
  EXPECT_EQ(boxes.Count(), 0u);
}

TEST_F(EngineRootTest, PublicationSetsAndClearsTheRootAndBothSeams) {
  EXPECT_EQ(GetEngineRoot(), nullptr);
  EXPECT_EQ(SetEngineRoot(&engine), TRUE);  // Initialize's result
  EXPECT_EQ(GetEngineRoot(), &engine);
  EXPECT_EQ(GetEngine(), static_cast<IEngineServices*>(&engine));
  EXPECT_EQ(GetTableEngine(), static_cast<ITableEngineServices*>(&engine));
  EXPECT_EQ(GetDataCenter(), engine.GetDataCenter());
  EXPECT_EQ(GetIniFile(), engine.GetIniFile());

  EXPECT_EQ(SetEngineRoot(nullptr), FALSE);
  EXPECT_EQ(GetEngineRoot(), nullptr);
  EXPECT_NE(GetEngine(), static_cast<IEngineServices*>(&engine));
  EXPECT_EQ(GetDataCenter(), nullptr);
  EXPECT_EQ(GetTableEngine()->GetActiveRecipeName(), "?");

  // A published engine that is deleted takes its publication with it.
  auto* published = new RecordingEngine();
  SetEngineRoot(published);
  delete published;
  EXPECT_EQ(GetEngineRoot(), nullptr);
  EXPECT_EQ(GetEngine()->GetDataCenter(), nullptr);
  EXPECT_EQ(GetTableEngine()->GetDataSourceText(), "None");
}

TEST_F(EngineRootTest, LoggedMessageBoxRecordsTheQuestionAndTheAnswer) {
  ASSERT_TRUE(folder.MakeDatabase());
  ASSERT_EQ(engine.Init(), TRUE);
  EXPECT_EQ(engine.LoggedMessageBox("Silent note", "Note", -1), -1);
  EXPECT_EQ(boxes.Count(), 0u);
  boxes.Expect(IDYES, "Pump overload");
  EXPECT_EQ(engine.LoggedMessageBox("Pump overload", "Alarm", MB_YESNO), IDYES);
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].caption.rfind("Alarm - ", 0), 0u);

  RawDatabase raw(folder.dir.File("Qelo-DataBase.mdb"));
  EXPECT_EQ(raw.Text("SELECT COUNT(*) FROM Alarm"), "2");
  EXPECT_EQ(raw.Text("SELECT strAlarmName FROM Alarm WHERE nRecordID = 1"), "Note");
  EXPECT_EQ(raw.Text("SELECT strAlarmDescription FROM Alarm WHERE nRecordID = 2"), "Pump overload");
  EXPECT_NE(raw.Text("SELECT strUserResponse FROM Alarm WHERE nRecordID = 2"), "Waiting?");
  EXPECT_EQ(raw.Text("SELECT strUserResponse FROM Alarm WHERE nRecordID = 2"), MsgBoxResultText(IDYES));
}

}  // namespace
