#pragma once
// The plant model is process-wide: each test starts from every device's
// defaults with no tag bound, registers its own general process data and, when
// it needs windows, a plant form that answers 5375 (refusing chosen changes)
// and records what reaches it.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "EngineRootTestSupport.h"
#include "common/IniFile.h"
#include "datacenter/RAttrib.h"
#include "platform/ui/CWnd.h"
#include "platform/ui/MessageCore.h"
#include "plant/PlantModel.h"
#include "shapes/ProcessDataGen.h"

// Every attribute of the 59 devices unbound and back to what a window made
// on an empty settings section would hold (ranges included), through the
// store path.
inline void RestorePlantDefaults() {
  for (C_BaseShape* shape : GetPlantShapes()) {
    for (int index = 0; index < shape->GetAttribCount(); ++index) {
      if (CRAttrib* attrib = shape->GetAttrib(index)) attrib->SetTagByName(std::string());
    }
    for (int index = 0; index < shape->GetAttribCount(); ++index) {
      switch (shape->FindAttribVarType(index)) {
        case VT_R4: shape->StoreAttribValue(index, Variant::R4(shape->GetDefaultFloat(index))); break;
        case VT_I4: shape->StoreAttribValue(index, Variant::I4(shape->GetColor(index))); break;
        default: shape->StoreAttribValue(index, shape->GetAttrib(index)->GetDefaultValue()); break;
      }
    }
  }
}

// The plant form as the devices see it: answers 5375 (refusing chosen
// changes) and records the offers and the commands it gets (UI thread only).
class RecordingPlantForm final : public CWnd {
 public:
  struct Offer {
    PlantObjectId id;
    int index;
  };

  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_COMMAND) commands.push_back(static_cast<UINT>(LOWORD(wParam)));
    if (message != GetAttribsPackMessageId()) return CWnd::WindowProc(message, wParam, lParam);
    offers.push_back({static_cast<PlantObjectId>(wParam), static_cast<int>(lParam)});
    for (const Offer& refused : refusals)
      if (refused.id == offers.back().id && refused.index == offers.back().index) return 1;
    return 0;
  }

  std::vector<Offer> offers, refusals;
  std::vector<UINT> commands;
};

// This plant's engine root with its own hooks, over a program folder.
class PlantEngine final : public CRuvEngineApp {
 public:
  PlantEngine() { SetFilePaths("Qelo"); }
  ~PlantEngine() override { StopThreads(); }
};

inline PlantObjectId VesselId(int index) { return MakeObjectId(eShapeKindVessel, index); }
inline PlantObjectId ValveId(int index) { return MakeObjectId(eShapeKindValve, index); }
inline PlantObjectId GearPumpId(int index) { return MakeObjectId(eShapeKindGearPump, index); }
inline C_Vessel& VesselAt(int index) { return g_vessels.at(static_cast<std::size_t>(index)); }
inline C_Valve& ValveAt(int index) { return g_valves.at(static_cast<std::size_t>(index)); }

// Devices at their defaults, a general process data of the test's own, boxes scripted.
class PlantModelFixture : public ::testing::Test {
 protected:
  PlantModelFixture() {
    RestorePlantDefaults();
    SetProcessDataGen(&data);
  }
  ~PlantModelFixture() override {
    ReleasePlant();
    SetProcessDataGen(nullptr);
  }

  // Windows gone and every tag unbound: a test whose engine (and tags) goes
  // first calls it before.
  void ReleasePlant() {
    for (C_BaseShape* shape : GetPlantShapes())
      if (shape->GetSafeHwnd()) shape->DestroyWindow();
    if (data.GetSafeHwnd()) data.DestroyWindow();
    if (form.GetSafeHwnd()) form.DestroyWindow();
    RestorePlantDefaults();
    for (int index = 0; index < data.GetAttribCount(); ++index)
      if (CRAttrib* attrib = data.GetAttrib(index)) attrib->SetTagByName(std::string());
    C_BaseShape::FreeIniTable();
  }

  // The plant form double and, under it, the windows of the devices given.
  void CreateWindows(const std::vector<C_BaseShape*>& shapes) {
    if (!form.GetSafeHwnd()) {
      ASSERT_TRUE(form.CreateEx(0, "", "plant", WS_OVERLAPPEDWINDOW, CRect(0, 0, 1000, 700), nullptr, 0));
    }
    for (C_BaseShape* shape : shapes) ASSERT_TRUE(shape->CreateShape(&form));
    PumpPendingMessages();
    form.offers.clear();
  }
  // The settings of table entry 1, which the device windows load.
  void UseSettings(const std::string& path) {
    C_BaseShape::InitIniTable(2);
    C_BaseShape::SetIniTableEntry(1, std::make_unique<CIniFile>(path));
  }

  ScriptedMessageBox boxes;
  RecordingExitHook exits;
  C_ProcessDataGen data{1};
  RecordingPlantForm form;
};
