#pragma once
// The plant model is process-wide: each test starts from every device's
// defaults with no tag bound, registers its own general process data and, when
// it needs windows, a plant form that answers 5375 (refusing chosen changes)
// and records what reaches it.
#include <gtest/gtest.h>

#include <mutex>
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

class RecordingPlantForm final : public CWnd {
 public:
  struct Offer {
    PlantObjectId id;
    int index;
  };

  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == GetAttribsPackMessageId()) {
      std::lock_guard<std::mutex> lock(m_mutex);
      const Offer offer{static_cast<PlantObjectId>(wParam), static_cast<int>(lParam)};
      m_offers.push_back(offer);
      for (const Offer& refused : m_refused)
        if (refused.id == offer.id && refused.index == offer.index) return 1;
      return 0;
    }
    if (message == WM_COMMAND) {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_commands.push_back(static_cast<UINT>(LOWORD(wParam)));
      return 0;
    }
    return CWnd::WindowProc(message, wParam, lParam);
  }

  void Refuse(PlantObjectId id, int index) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_refused.push_back({id, index});
  }
  std::vector<Offer> Offers() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_offers;
  }
  std::vector<UINT> Commands() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_commands;
  }
  void Forget() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_offers.clear();
    m_commands.clear();
  }

 private:
  mutable std::mutex m_mutex;
  std::vector<Offer> m_offers;
  std::vector<Offer> m_refused;
  std::vector<UINT> m_commands;
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
    form.Forget();
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
