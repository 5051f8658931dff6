#pragma once
// Doubles for driving the plant's engine root: a program folder with a small
// tag file, settings and the plant's database; an engine root that records
// every hook it runs and makes fake links whose Start is scripted; a tag scout
// made from an in-code template.
#include <gtest/gtest.h>

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
#include "platform/ui/CDialog.h"
#include "platform/ui/CWaitCursor.h"
#include "platform/ui/DialogTemplate.h"
#include "plant/RuvEngineApp.h"
#include "support/TestEnvironment.h"

// One tag of each hardware type (and one without hardware).
inline constexpr const char* kAllTypesTagFile =
    "1,Line.A,OPC,UR200-DB1,DUPLEX,Float,NULL,NULL,NULL\n"
    "1,Tank1.Level,ADV,BA300CH2,INPUT,Float,NULL,NULL,NULL\n"
    "1,P1.Speed,SRL,MBRTU16DA1REG1,DUPLEX,Float,NULL,NULL,NULL\n"
    "1,Memo,NULL,NULL,NULL,Int,NULL,NULL,NULL\n";
inline constexpr const char* kNoHardwareTagFile = "1,Memo,NULL,NULL,NULL,Int,NULL,NULL,NULL\n";
inline constexpr const char* kSerialOnlyTagFile = "1,P1.Speed,SRL,MBRTU16DA1REG1,DUPLEX,Float,NULL,NULL,NULL\n";

// The program folder of one test: settings and tag file written, an empty
// database made from the schema on request.
class PlantFolder {
 public:
  explicit PlantFolder(const std::string& tags = kAllTypesTagFile,
                         const std::string& settings = "[Application]\r\nProcessPriority=Normal\r\n") {
    SetProgramFolderOverride(dir.Path());
    ini::ClearCache();
    if (!settings.empty()) dir.Write("Qelo-Setting.ini", settings);
    if (!tags.empty()) dir.Write("Qelo-DCTags.dct", tags);
  }
  ~PlantFolder() {
    ini::ClearCache();
    SetProgramFolderOverride("");
  }
  PlantFolder(const PlantFolder&) = delete;
  PlantFolder& operator=(const PlantFolder&) = delete;

  bool MakeDatabase() {
    std::ifstream in(RUV_SCHEMA_SQL);
    std::stringstream schema;
    schema << in.rdbuf();
    std::string error;
    const bool made = ruv::db::CreateDatabaseFromSchema(schema.str(), dir.File("Qelo-DataBase.mdb"), &error);
    EXPECT_TRUE(made) << error;
    return made;
  }
  std::string Settings() const { return dir.Read("Qelo-Setting.ini"); }

  TempDir dir;
};

// What happened to the links of one hardware type, kept by the test so it
// outlives the links themselves.
struct LinkScript {
  bool startResult = true;
  int made = 0;
  int starts = 0;
  int stops = 0;
};

class RecordingEngine;

// A link that only counts: Start answers as scripted.
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

// The plant's engine root with every hook recorded in one ordered log.
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
    int n = 0;
    for (const std::string& e : m_log) n += e == entry ? 1 : 0;
    return n;
  }
  void Record(const std::string& entry) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_log.push_back(entry);
  }

  CHwLinkerEngine* CreateLinkerEngine(int hwType) override {
    Record("Create " + HWTypeToText(hwType));
    if (hwType < eHWOpc || hwType > eHWSerial) return nullptr;
    ++links[static_cast<std::size_t>(hwType)].made;
    return new FakeLink(*this, hwType);
  }
  BOOL ResetOutputs() override {
    cursorDuringResetOutputs = CWaitCursor::IsShown();
    return Hook("ResetOutputs");
  }
  BOOL InitDemoValues() override { return Hook("InitDemoValues"); }
  BOOL UpdateMaterialTotals() override { return Hook("UpdateMaterialTotals"); }
  BOOL SimulateDemo() override {
    Hook("SimulateDemo");
    if (onSimulate) onSimulate();
    return TRUE;
  }
  BOOL MirrorDemoFeedback() override { return Hook("MirrorDemoFeedback"); }
  BOOL RealHardwareCycle() override { return Hook("RealHardwareCycle"); }
  BOOL CommonDataCycle() override {
    Hook("CommonDataCycle");
    if (onCommon) onCommon();
    return TRUE;
  }
  BOOL ProcessCycle() override {
    Hook("ProcessCycle");
    if (onProcess) onProcess();
    return TRUE;
  }

  std::array<LinkScript, 4> links{};
  bool cursorDuringResetOutputs = false;
  std::function<void()> onSimulate, onCommon, onProcess;

 private:
  BOOL Hook(const std::string& name) {
    Record(name);
    return TRUE;
  }
  mutable std::mutex m_mutex;
  std::vector<std::string> m_log;
};

inline BOOL FakeLink::Start() {
  m_engine.Record("Start " + HWTypeToText(m_hwType));
  LinkScript& script = m_engine.links[static_cast<std::size_t>(m_hwType)];
  ++script.starts;
  return script.startResult ? TRUE : FALSE;
}

inline BOOL FakeLink::Stop() {
  m_engine.Record("Stop " + HWTypeToText(m_hwType));
  ++m_engine.links[static_cast<std::size_t>(m_hwType)].stops;
  return TRUE;
}

// The tag scout as the engine sees it: a dialog from an in-code template that
// counts its creations and the bring-forward messages it receives.
class FakeScout final : public CDialog {
 public:
  explicit FakeScout(int& creations) : m_creations(creations) {}
  BOOL Create(UINT templateId, CWnd* parent) override {
    ++m_creations;
    DialogTemplate scoutTemplate;
    scoutTemplate.id = templateId;
    scoutTemplate.caption = "RuvFrame DataCenter Scout";
    scoutTemplate.cx = 120;
    scoutTemplate.cy = 60;
    return CreateIndirect(scoutTemplate, parent);
  }
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == CRuvEngineBase::kScoutBringForwardMessage) ++bringForwardMessages;
    return CDialog::WindowProc(message, wParam, lParam);
  }
  int bringForwardMessages = 0;

 private:
  int& m_creations;
};
