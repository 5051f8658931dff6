// The plant's engine root from start-up to its tables: the first
// initialisation, the database checks, the tables with the active recipe
// copied into the active shift, and the publication for both seams.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "EngineRootTestSupport.h"
#include "datacenter/DataCenterBase.h"
#include "engine/EngineTables.h"
#include "platform/base/ProcessPriority.h"
#include "platform/db/DbTestSupport.h"
#include "platform/opc/OpcStandIn.h"
#include "records/AdoDatabase.h"
#include "records/BatchRS.h"
#include "records/Event2RS.h"
#include "records/RecipeRS.h"
#include "records/ShiftRS.h"
#include "records/VesselsLevelRS.h"

namespace {

class EngineRootTest : public EngineRootFixture {
 protected:
  void TearDown() override { SetEngineRoot(nullptr); }
  std::string Settings() const { return folder.dir.Read("Qelo-Setting.ini"); }
};

TEST_F(EngineRootTest, InitializeSetsThePriorityLoadsTheTagsAndFillsTheOpcStandIn) {
  OpcStandIn::Instance().Reset();
  EXPECT_EQ(engine.GetRecoveryFileName(), "Qelo-ProcessRecovery.dat");
  ASSERT_EQ(engine.Initialize(), TRUE);
  EXPECT_EQ(engine.GetDataCenter()->GetTagCount(), 4);
  EXPECT_EQ(GetRequestedPriorityClass(), NORMAL_PRIORITY_CLASS);
  EXPECT_TRUE(OpcStandIn::Instance().HasItem("Line.A"));
  EXPECT_FALSE(OpcStandIn::Instance().HasItem("Tank1.Level"));
  EXPECT_EQ(CRuvEngineBase::PriorityClassOf("BelowNormal"), BELOW_NORMAL_PRIORITY_CLASS);
  folder.WriteSettings("[Application]\r\nProcessPriority=normal\r\n");  // exact words only
  EXPECT_EQ(engine.Initialize(), TRUE);
  EXPECT_EQ(GetRequestedPriorityClass(), HIGH_PRIORITY_CLASS);
  EXPECT_EQ(boxes.Count(), 0u);  // an unprivileged rise is refused silently
}

TEST_F(EngineRootTest, TheIntervalDropsPointsAndIsWrittenBackUnlessItHolds60000) {
  const std::pair<std::string, std::string> cases[] = {{"", "60"}, {"=-30", "30"}, {"=1.5", "15"}, {"=-60000", "-60000"}};
  for (const auto& [value, written] : cases) {
    RecordingEngine fresh;
    folder.WriteSettings("[Application]\r\n" + (value.empty() ? "" : "RecordProcessInformationInterval" + value));
    const std::string before = Settings();
    ASSERT_EQ(fresh.Initialize(), TRUE);
    std::string stored;
    fresh.GetIniFile()->ReadString("Application", "RecordProcessInformationInterval", stored, "");
    EXPECT_EQ(stored, written) << value;
    EXPECT_EQ(fresh.GetRecordInterval(), std::abs(std::stoi(written)));
    EXPECT_EQ(Settings() == before, fresh.GetRecordInterval() == 60000) << value;
  }
  // A tag file that does not load leaves both alone.
  ASSERT_EQ(std::remove(folder.dir.File("Qelo-DCTags.dct").c_str()), 0);
  const std::string before = Settings();
  boxes.Expect(IDOK);  // the data center's own report
  EXPECT_EQ(engine.Initialize(), FALSE);
  EXPECT_EQ(engine.GetRecordInterval(), 60000);
  EXPECT_EQ(Settings(), before);
  engine.SetRecordInterval(INT_MIN);
  EXPECT_EQ(engine.GetRecordInterval(), INT_MAX);
}

TEST_F(EngineRootTest, TheDatabaseMustExistAndBeWritable) {
  boxes.Expect(IDOK, "DataBase file not found!");
  EXPECT_EQ(engine.Init(), FALSE);
  ASSERT_TRUE(folder.MakeDatabase());
  const std::string path = folder.dir.File("Qelo-DataBase.mdb");
  ASSERT_EQ(chmod(path.c_str(), 0444), 0);
  boxes.Expect(IDOK, "DataBase file is Read-Only!");
  EXPECT_EQ(engine.OpenDatabase(), FALSE);
  ASSERT_EQ(chmod(path.c_str(), 0644), 0);
  ASSERT_EQ(engine.OpenDatabase(), TRUE);
  EXPECT_TRUE(engine.GetDatabase()->IsOpen());
  EXPECT_EQ(boxes.Count(), 2u);
}

TEST_F(EngineRootTest, InitOpensTheTablesAndGivesTheActiveShiftTheActiveRecipe) {
  ASSERT_TRUE(folder.MakeDatabase());
  RawDatabase raw(folder.dir.File("Qelo-DataBase.mdb"));
  ASSERT_EQ(raw.Exec("INSERT INTO Recipe (m_strRecipeName, m_bRecipeIsActv) VALUES ('Old', 0), ('Soap-A', 1), ('B', 0);"
                     "INSERT INTO Shift (m_strOperatorName, m_strShiftRecipeName, m_bShiftStopped) "
                     "VALUES ('Karimi', 'Old', 1), ('Ahmadi', 'Old', 0);"),
            SQLITE_OK);
  EXPECT_EQ(engine.GetActiveOperatorName() + engine.GetActiveRecipeName(), "??");  // no tables yet
  ASSERT_EQ(engine.Init(), TRUE);
  EXPECT_EQ(engine.GetActiveRecipeID(), 2);
  EXPECT_EQ(engine.GetActiveOperatorName(), "Ahmadi");
  EXPECT_NE(g_pVesselsLevelRS.load(), nullptr);
  {
    auto lock = g_pShiftRS.load()->LockActive();
    EXPECT_EQ(g_pShiftRS.load()->Active().GetShiftRecipeName(), "Soap-A");
  }
  EXPECT_EQ(raw.Text("SELECT m_strShiftRecipeName FROM Shift WHERE m_nRecordID = 2"), "Old");  // memory only
  // A second Init puts every table on the new connection (the old ones go first).
  ASSERT_EQ(engine.Init(), TRUE);
  EXPECT_EQ(g_pShiftRS.load()->GetDatabase(), engine.GetDatabase());
  engine.CloseDatabase();  // the plant's: only the tables
  EXPECT_EQ(g_pShiftRS.load(), nullptr);
  EXPECT_NE(engine.GetDatabase(), nullptr);
}

// An engine freed late (a cycle of it was given up on and left later) must not
// delete the tables the next start published meanwhile.
TEST_F(EngineRootTest, AnEngineDeletesOnlyTheTablesItMade) {
  ASSERT_TRUE(folder.MakeDatabase());
  auto earlier = std::make_unique<RecordingEngine>();
  ASSERT_EQ(earlier->Init(), TRUE);
  ASSERT_EQ(engine.Init(), TRUE);
  CShiftRS* shift = g_pShiftRS.load();
  CRecipeRS* recipe = g_pRecipeRS.load();
  earlier.reset();
  EXPECT_EQ(g_pShiftRS.load(), shift);
  EXPECT_EQ(g_pRecipeRS.load(), recipe);
  EXPECT_NE(g_pBatchRS.load(), nullptr);
  EXPECT_NE(g_pEvent2RS.load(), nullptr);
  EXPECT_NE(g_pVesselsLevelRS.load(), nullptr);
  EXPECT_EQ(engine.GetActiveOperatorName(), "?");  // reads the live table
  engine.CloseDatabase();
  EXPECT_EQ(g_pShiftRS.load(), nullptr);
  EXPECT_EQ(g_pRecipeRS.load(), nullptr);
}

TEST_F(EngineRootTest, PublicationSetsAndClearsTheRootAndBothSeams) {
  EXPECT_EQ(SetEngineRoot(&engine), TRUE);  // Initialize's result
  EXPECT_EQ(GetEngineRoot(), &engine);
  EXPECT_EQ(GetTableEngine(), static_cast<ITableEngineServices*>(&engine));
  EXPECT_EQ(GetDataCenter(), engine.GetDataCenter());
  SetEngineRoot(nullptr);
  EXPECT_EQ(GetDataCenter(), nullptr);
  auto* published = new RecordingEngine();
  SetEngineRoot(published);
  delete published;  // takes its publication with it
  EXPECT_EQ(GetEngineRoot(), nullptr);
  EXPECT_EQ(GetEngine()->GetIniFile(), nullptr);
  EXPECT_EQ(GetTableEngine()->GetActiveRecipeName(), "?");
}

}  // namespace
