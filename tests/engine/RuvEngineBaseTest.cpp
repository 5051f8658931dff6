// The plant-independent engine root: names from the prefix, the title and its
// banner, the linker-engine table, the data-source texts, and both cycles
// always tried when started or stopped.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "datacenter/DCTagTypes.h"
#include "engine/RuvEngineBase.h"
#include "links/HwLinkerEngine.h"
#include "platform/base/IniProfile.h"
#include "platform/base/ProgramFolder.h"
#include "support/ScriptedMessageBox.h"
#include "support/TestEnvironment.h"

namespace {

class CountedLink final : public CHwLinkerEngine {
 public:
  explicit CountedLink(int& deletions) : m_deletions(deletions) {}
  ~CountedLink() override { ++m_deletions; }
  void PollOnce() override {}
  CHwLinkerItem* CreateItem(CDCTag*) override { return nullptr; }

 private:
  int& m_deletions;
};

// The least a plant must add; thread starts can be refused per index.
class BareEngine final : public CRuvEngineBase {
 public:
  ~BareEngine() override { StopThreads(); }
  BOOL ResetOutputs() override { return TRUE; }
  BOOL ProcessCycle() override { return TRUE; }
  BOOL SimulateDemo() override { return TRUE; }
  BOOL CommonDataCycle() override { return TRUE; }
  BOOL MirrorDemoFeedback() override { return TRUE; }
  std::string GetActiveOperatorName() const override { return "?"; }
  int GetActiveRecipeID() const override { return -1; }
  std::string GetActiveRecipeName() const override { return "?"; }
  BOOL StartThread(int index) override {
    calls.push_back("start " + std::to_string(index));
    return index == refusedIndex ? FALSE : TRUE;
  }
  BOOL StopThread(int index) override {
    calls.push_back("stop " + std::to_string(index));
    return index == refusedIndex ? FALSE : TRUE;
  }
  std::vector<std::string> calls;
  int refusedIndex = -1;
};

class EngineBaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetProgramFolderOverride(dir.Path());
    dir.Write("Plant-Setting.ini", "[Application]\r\n");
    ini::ClearCache();
    engine.SetFilePaths("Plant");
  }
  void TearDown() override {
    ini::ClearCache();
    SetProgramFolderOverride("");
  }
  TempDir dir;
  ScriptedMessageBox boxes;
  BareEngine engine;
};

TEST_F(EngineBaseTest, TheFourFileNamesFollowThePrefix) {
  EXPECT_EQ(engine.GetFilePrefix(), "Plant");
  EXPECT_EQ(engine.GetDatabaseFileName(), "Plant-DataBase.mdb");
  EXPECT_EQ(engine.GetTagFileName(), "Plant-DCTags.dct");
  EXPECT_EQ(engine.GetSettingsFileName(), "Plant-Setting.ini");
  EXPECT_EQ(engine.GetRecoveryFileName(), "Plant-ProcessRecovery.dat");
  EXPECT_EQ(engine.GetIniFile()->GetPath(), dir.File("Plant-Setting.ini"));
  EXPECT_EQ(boxes.Count(), 0u);
}

TEST_F(EngineBaseTest, TheTitleIsTheBuildBannerWithTheSuffixOrTheCredit) {
  EXPECT_EQ(engine.GetAppTitle(), "");
  EXPECT_EQ(engine.GetBanner(), CRuvEngineBase::kCreditText);
  engine.SetBuildBanner("RuvFrame[2k8]");
  EXPECT_EQ(engine.GetAppTitle(), std::string("RuvFrame[2k8]") + CRuvEngineBase::kCreditText);
  engine.SetBanner(" Line 2");
  EXPECT_EQ(engine.GetAppTitle(), "RuvFrame[2k8] Line 2");
  engine.SetBanner("");
  EXPECT_EQ(engine.GetAppTitle(), std::string("RuvFrame[2k8]") + CRuvEngineBase::kCreditText);
}

TEST_F(EngineBaseTest, LinkerEnginesAreKeptForTypesZeroToThreeOnly) {
  int deletions = 0;
  auto* first = new CountedLink(deletions);
  EXPECT_EQ(engine.SetLinkerEngine(4, first), FALSE);
  EXPECT_EQ(engine.GetLinkerEngine(4), nullptr);
  EXPECT_EQ(engine.GetLinkerEngine(-1), nullptr);
  EXPECT_EQ(engine.SetLinkerEngine(eHWAdv, first), TRUE);
  EXPECT_EQ(engine.GetLinkerEngine(eHWAdv), first);
  EXPECT_EQ(engine.SetLinkerEngine(eHWAdv, first), TRUE);  // the same one again is kept
  EXPECT_EQ(deletions, 0);
  EXPECT_EQ(engine.SetLinkerEngine(eHWAdv, new CountedLink(deletions)), TRUE);  // a replaced one goes
  EXPECT_EQ(deletions, 1);
  engine.Shutdown();
  EXPECT_EQ(deletions, 2);
  EXPECT_EQ(engine.GetLinkerEngine(eHWAdv), nullptr);
}

TEST_F(EngineBaseTest, DataSourceTextsAndTheIntervalBounds) {
  EXPECT_EQ(engine.GetDataSourceTypeText(0), "None");
  EXPECT_EQ(engine.GetDataSourceTypeText(1), "Demo");
  EXPECT_EQ(engine.GetDataSourceTypeText(2), "Real HW");
  EXPECT_EQ(engine.GetDataSourceTypeText(3), "Unknown DataSourceType!");
  EXPECT_EQ(engine.GetDataSourceText(), "None");
  EXPECT_EQ(engine.CanStopHardware(), TRUE);
  // No data center yet: nothing holds Real HW back from suspending.
  EXPECT_EQ(engine.PrepareDemoTags(), FALSE);
  EXPECT_EQ(engine.PrepareRealTags(), FALSE);

  engine.SetRecordInterval(INT_MIN);
  EXPECT_EQ(engine.GetRecordInterval(), INT_MAX);
  engine.SetRecordInterval(-45);
  EXPECT_EQ(engine.GetRecordInterval(), 45);
  EXPECT_NE(dir.Read("Plant-Setting.ini").find("RecordProcessInformationInterval=45"), std::string::npos);
}

TEST_F(EngineBaseTest, BothCyclesAreAlwaysTried) {
  engine.refusedIndex = 0;
  EXPECT_EQ(engine.StartThreads(), FALSE);
  EXPECT_EQ(engine.StopThreads(), FALSE);
  engine.refusedIndex = -1;
  EXPECT_EQ(engine.StartThreads(), TRUE);
  EXPECT_EQ(engine.calls, (std::vector<std::string>{"start 0", "start 1", "stop 0", "stop 1", "start 0", "start 1"}));
}

}  // namespace
