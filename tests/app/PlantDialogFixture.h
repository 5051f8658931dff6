#pragma once
// The operator dialogs against a real engine root: a program folder with a
// settings file, a one-tag file and the plant's database from the schema; the
// shift table reporting to a recording owner; boxes scripted, the clock fixed.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "engine/EngineTables.h"
#include "platform/base/IniProfile.h"
#include "platform/base/ProgramFolder.h"
#include "platform/db/DbTestSupport.h"
#include "platform/ui/MessageCore.h"
#include "plant/PlantModel.h"
#include "plant/PlantOperatorServices.h"
#include "plant/RuvEngineApp.h"
#include "records/BaseTableRS.h"
#include "records/ShiftRS.h"
#include "support/FakeClock.h"
#include "support/ScriptedMessageBox.h"
#include "support/TestEnvironment.h"

// Records the reasons of the table notifications posted to it.
class TableOwner final : public IMessageTarget {
 public:
  TableOwner() : m_handle(RegisterMessageTarget(this)) {}
  ~TableOwner() override { UnregisterMessageTarget(m_handle); }
  LRESULT DispatchMessageToTarget(UINT message, WPARAM, LPARAM lParam) override {
    if (message == WM_TABLE_NOTIFY) m_reasons.push_back(static_cast<int>(lParam));
    return 0;
  }
  HWND Handle() const { return m_handle; }
  // What was posted since the last call.
  std::vector<int> Take() {
    PumpPendingMessages();
    return std::exchange(m_reasons, {});
  }

 private:
  HWND m_handle;
  std::vector<int> m_reasons;
};

class PlantDialogFixture : public ::testing::Test {
 protected:
  PlantDialogFixture() {
    clock.SetNow({.year = 2010, .month = 2, .day = 9, .hour = 15, .minute = 30, .second = 45});  // Shamsi 1388/11/20
    clock.Install();
    SetProgramFolderOverride(dir.Path());
    dir.Write("Qelo-Setting.ini", "[Application]\r\nProcessPriority=Normal\r\n");
    dir.Write("Qelo-DCTags.dct", "1,Memo,NULL,NULL,NULL,Int,NULL,NULL,NULL\n");
    ini::ClearCache();
    std::stringstream schema;
    schema << std::ifstream(RUV_SCHEMA_SQL).rdbuf();
    EXPECT_EQ(MakeDatabase(DatabasePath(), schema.str()), "");
    engine.SetFilePaths("Qelo");
    for (int mixer = 0; mixer < 4; ++mixer) {
      levels[mixer] = GetShapeAttribFloat(GetMixerId(mixer), eCodeLevel);
      maxLevels[mixer] = GetShapeAttribFloat(GetMixerId(mixer), eCodeMaxLevel);
    }
  }
  ~PlantDialogFixture() override {
    SetEngineRoot(nullptr);
    CPlantOperatorServices::SetBatchNumberDialogRunner(nullptr);
    for (int mixer = 0; mixer < 4; ++mixer) {
      SetShapeAttribFloat(GetMixerId(mixer), eCodeLevel, levels[mixer]);
      SetShapeAttribFloat(GetMixerId(mixer), eCodeMaxLevel, maxLevels[mixer]);
    }
    ini::ClearCache();
    SetProgramFolderOverride("");
  }

  // The rows first, then the engine root with its tables, in Demo.
  void Start(const std::string& rows = std::string()) {
    ASSERT_EQ(Raw().Exec(rows), SQLITE_OK);
    ASSERT_EQ(SetEngineRoot(&engine), TRUE);
    ASSERT_EQ(engine.Init(), TRUE);
    ASSERT_EQ(engine.SetDataSourceType(eDataSourceDemo), TRUE);
    Shift()->SetOwnerWnd(owner.Handle());
    owner.Take();
  }
  std::string DatabasePath() const { return dir.File("Qelo-DataBase.mdb"); }
  RawDatabase Raw() const { return RawDatabase(DatabasePath()); }
  std::string Sql(const std::string& query) const { return Raw().Text(query); }
  CShiftRS* Shift() const { return g_pShiftRS.load(); }
  int ActiveNumber(int mixer) const { return Shift()->GetActiveMixerBatchNumber(mixer, false); }
  // The level is kept inside the mixer's range, so the range comes first.
  static void SetMixerLevel(int mixer, float level) {
    SetShapeAttribFloat(GetMixerId(mixer), eCodeMaxLevel, 1000.0f);
    SetShapeAttribFloat(GetMixerId(mixer), eCodeLevel, level);
  }

  FakeClock clock;
  ScriptedMessageBox boxes;
  TempDir dir;
  TableOwner owner;
  CRuvEngineApp engine;
  // The mixers are process-wide: their levels and ranges go back afterwards.
  float levels[4] = {}, maxLevels[4] = {};
};
