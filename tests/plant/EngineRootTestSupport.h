#pragma once
// Driving the plant's engine root: a program folder with a small tag file,
// settings and (on request) the plant's database; an engine root that logs
// every hook it runs and makes fake links whose Start is scripted.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <functional>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "datacenter/DCTagTypes.h"
#include "links/HwLinkerEngine.h"
#include "platform/base/IniProfile.h"
#include "platform/base/ProgramFolder.h"
#include "platform/db/SchemaBuilder.h"
#include "platform/ui/CWaitCursor.h"
#include "plant/RuvEngineApp.h"
#include "support/FakeClock.h"
#include "support/ScriptedMessageBox.h"
#include "support/TestEnvironment.h"

inline constexpr const char* kAllTypesTagFile =
    "1,Line.A,OPC,UR200-DB1,DUPLEX,Float,NULL,NULL,NULL\n"
    "1,Tank1.Level,ADV,BA300CH2,INPUT,Float,NULL,NULL,NULL\n"
    "1,P1.Speed,SRL,MBRTU16DA1REG1,DUPLEX,Float,NULL,NULL,NULL\n"
    "1,Memo,NULL,NULL,NULL,Int,NULL,NULL,NULL\n";
inline constexpr const char* kNoHardwareTagFile = "1,Memo,NULL,NULL,NULL,Int,NULL,NULL,NULL\n";
inline constexpr const char* kSerialOnlyTagFile = "1,P1.Speed,SRL,MBRTU16DA1REG1,DUPLEX,Float,NULL,NULL,NULL\n";

class PlantFolder {
 public:
  explicit PlantFolder(const std::string& tags = kAllTypesTagFile) {
    SetProgramFolderOverride(dir.Path());
    WriteSettings("[Application]\r\nProcessPriority=Normal\r\n");
    dir.Write("Qelo-DCTags.dct", tags);
  }
  ~PlantFolder() {
    ini::ClearCache();
    SetProgramFolderOverride("");
  }
  void WriteSettings(const std::string& settings) {
    dir.Write("Qelo-Setting.ini", settings);
    ini::ClearCache();
  }
  bool MakeDatabase() {
    std::stringstream schema;
    schema << std::ifstream(RUV_SCHEMA_SQL).rdbuf();
    std::string error;
    EXPECT_TRUE(ruv::db::CreateDatabaseFromSchema(schema.str(), dir.File("Qelo-DataBase.mdb"), &error)) << error;
    return error.empty();
  }
  TempDir dir;
};

class RecordingEngine;

// A link that only logs; Start answers as the engine's script says.
class FakeLink final : public CHwLinkerEngine {
 public:
  FakeLink(RecordingEngine& engine, int hwType) : m_engine(engine), m_hwType(hwType) {}
  BOOL Start() override;
  BOOL Stop() override;
  void PollOnce() override {}
  CHwLinkerItem* CreateItem(CDCTag*) override { return nullptr; }

 private:
  RecordingEngine& m_engine;
  int m_hwType;
};

// The plant's engine root with every hook and link call in one ordered log.
class RecordingEngine : public CRuvEngineApp {
 public:
  RecordingEngine() { SetFilePaths("Qelo"); }
  ~RecordingEngine() override { StopThreads(); }

  std::vector<std::string> Log() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_log;
  }
  void ClearLog() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_log.clear();
  }
  int Count(const std::string& entry) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return static_cast<int>(std::count(m_log.begin(), m_log.end(), entry));
  }
  BOOL Record(const std::string& entry, const std::function<void()>& then = nullptr) {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_log.push_back(entry);
    }
    if (then) then();
    return TRUE;
  }

  CHwLinkerEngine* CreateLinkerEngine(int hwType) override {
    Record("Create " + HWTypeToText(hwType));
    return hwType >= eHWOpc && hwType <= eHWSerial ? new FakeLink(*this, hwType) : nullptr;
  }
  BOOL ResetOutputs() override {
    cursorDuringResetOutputs = CWaitCursor::IsShown();
    return Record("ResetOutputs", onResetOutputs);
  }
  BOOL InitDemoValues() override { return Record("InitDemoValues"); }
  BOOL UpdateMaterialTotals() override { return Record("UpdateMaterialTotals"); }
  BOOL SimulateDemo() override { return Record("SimulateDemo"); }
  BOOL MirrorDemoFeedback() override { return Record("MirrorDemoFeedback"); }
  BOOL RealHardwareCycle() override { return Record("RealHardwareCycle"); }
  BOOL CommonDataCycle() override { return Record("CommonDataCycle", onCommon); }
  BOOL ProcessCycle() override { return Record("ProcessCycle", onProcess); }

  std::function<void()> onCommon, onProcess;  // set before the cycles start
  std::function<void()> onResetOutputs;
  std::array<bool, 4> startResults{true, true, true, true};
  bool cursorDuringResetOutputs = false;

 private:
  mutable std::mutex m_mutex;
  std::vector<std::string> m_log;
};

inline BOOL FakeLink::Start() {
  m_engine.Record("Start " + HWTypeToText(m_hwType));
  return m_engine.startResults[static_cast<std::size_t>(m_hwType)] ? TRUE : FALSE;
}

inline BOOL FakeLink::Stop() { return m_engine.Record("Stop " + HWTypeToText(m_hwType)); }

// An engine root over a program folder with every tag type, boxes scripted.
class EngineRootFixture : public ::testing::Test {
 protected:
  EngineRootFixture() { clock.Install(); }
  using Log = std::vector<std::string>;
  Log Switch(int type, BOOL expected) {
    engine.ClearLog();
    EXPECT_EQ(engine.SetDataSourceType(type), expected);
    return engine.Log();
  }
  void LoadTags(const std::string& tags) {
    folder.dir.Write("Qelo-DCTags.dct", tags);
    ASSERT_EQ(engine.Initialize(), TRUE);
  }

  FakeClock clock;
  ScriptedMessageBox boxes;
  RecordingExitHook exits;
  PlantFolder folder;
  RecordingEngine engine;
};
