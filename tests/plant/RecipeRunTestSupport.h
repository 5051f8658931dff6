#pragma once
// Recipe runs in Demo, pass by pass: the plant's engine root over a temporary
// database with a running shift (batch numbers given) and an active recipe
// written straight into the recipe table's active set; every device with a
// window under a plant form double that accepts or refuses each store and
// counts them; a main window double that answers "&Stop process" (110) as the
// plant form will, and saves the active shift when told of a change (6).
// A pass: the clock moves 200 ms, the data obtainer's Demo work runs, then the
// supervisor, then the user-interface queue is delivered.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "PlantModelTestSupport.h"
#include "controls/CBalloonHelp.h"
#include "engine/EngineTables.h"
#include "engine/ProcessEngineApp.h"
#include "plant/MaterialLedger.h"
#include "platform/ui/CWinApp.h"
#include "records/RecipeRS.h"
#include "records/ShiftRS.h"
#include "support/EnginePass.h"

// The plant form as the dosing sees it: a store is accepted unless its value
// is refused, and every offer is counted (UI thread only).
class DosingPlantForm final : public CWnd {
 public:
  using Key = std::tuple<PlantObjectId, int, bool>;

  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message != GetAttribsPackMessageId()) return CWnd::WindowProc(message, wParam, lParam);
    const auto id = static_cast<PlantObjectId>(wParam);
    const int index = static_cast<int>(lParam);
    const C_BaseShape* shape = FindPlantShape(id);
    const Key key{id, index, shape && shape->GetAttribBool(index)};
    ++offers[key];
    return refused.count(key) ? 1 : 0;
  }
  // How often the value was offered for the attribute.
  int Offers(PlantObjectId id, int index, bool value) const {
    const auto found = offers.find({id, index, value});
    return found == offers.end() ? 0 : found->second;
  }
  void Refuse(PlantObjectId id, int index, bool value) { refused.insert({id, index, value}); }
  void Accept(PlantObjectId id, int index, bool value) { refused.erase({id, index, value}); }

  std::map<Key, int> offers;
  std::set<Key> refused;
};

// The main window: "&Stop process" clears the start request; a change of the
// active shift is saved.
class StopCommandWindow final : public CWnd {
 public:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_COMMAND && LOWORD(wParam) == 110) {
      ++stopCommands;
      GetProcessEngine().SetStarted(0, 1);
      return 0;
    }
    if (message == WM_TABLE_NOTIFY && lParam == kTableActiveShiftChanged) {
      if (CShiftRS* shift = g_pShiftRS.load()) shift->WriteBackActive();
      ++shiftSaves;
      return 0;
    }
    return CWnd::WindowProc(message, wParam, lParam);
  }
  std::atomic<int> stopCommands{0};
  std::atomic<int> shiftSaves{0};
};

inline constexpr int kWater = 0, kCausSoda = 1, kLabs = 2, kWaterEx = 3, kConfirmation = 9, kDelayStep = 10;
inline constexpr int kLabsPump = 1, kWaterPump = 6;  // gear pumps
inline constexpr int kBatcher02 = 10, kMixer1 = 14;  // vessels

// Where `material`'s newest charge started.
inline float ChargeStart(int material) {
  return GetMaterialLedger().StartOf(GetMaterialLedger().LastEntryOf(material));
}

class RecipeRunFixture : public PlantModelFixture {
 protected:
  RecipeRunFixture() : folder(kNoHardwareTagFile) {
    clock.Install();
    for (CMaterial& material : g_materials) material.SetTotal(0.0f);
    GetMaterialLedger().Clear();
    GetProcessEngine().CreateSteps(CRecipeRS::kStepCount);
    EXPECT_TRUE(folder.MakeDatabase());
    EXPECT_EQ(SetEngineRoot(&engine), TRUE);
    EXPECT_EQ(engine.Init(), TRUE);
    shift = g_pShiftRS.load();
    recipe = g_pRecipeRS.load();
    // A running shift with batch numbers for the four mixers.
    shift->Scratch().SetShiftStopped(false);
    for (int mixer = 0; mixer < 4; ++mixer) shift->Scratch().SetMixerBatchNumber(mixer, 40 + mixer);
    EXPECT_TRUE(shift->AddNew());
    {
      auto lock = recipe->LockActive();
      recipe->Active().m_nRecordID = 1;
    }
    EXPECT_EQ(engine.SetDataSourceType(eDataSourceDemo), TRUE);

    std::string settings;
    for (C_BaseShape* shape : GetPlantShapes()) settings += "[" + shape->GetSectionName() + "]\r\nX=1\r\n";
    folder.dir.Write("devices.ini", settings);
    UseSettings(folder.dir.File("devices.ini"));
    EXPECT_TRUE(plantForm.CreateEx(0, "", "plant", WS_OVERLAPPEDWINDOW, CRect(0, 0, 1000, 700), nullptr, 0));
    for (C_BaseShape* shape : GetPlantShapes()) EXPECT_TRUE(shape->CreateShape(&plantForm));
    EXPECT_TRUE(mainWindow.CreateEx(0, "", "main", WS_OVERLAPPEDWINDOW, CRect(0, 0, 100, 100), nullptr, 0));
    app.m_pMainWnd = &mainWindow;
    shift->SetOwnerWnd(mainWindow.GetSafeHwnd());
    PumpPendingMessages();
    // Fast, countable pumps: water 3 kg a pass, the batchers' pumps 3 kg a pass (4 × 0.75).
    for (C_GearPump& pump : g_gearPumps) pump.SetAttribFloat(ePumpSpeed, 750.0f);
    g_gearPumps[kWaterPump].SetAttribFloat(ePumpSpeed, 3000.0f);
    for (C_GearPump& pump : g_gearPumps) pump.SetAttribFloat(eShapeLoadInWay, 0.0f);
    for (C_CntrFglPmp& pump : g_cntrFglPumps) pump.SetAttribFloat(eShapeLoadInWay, 0.0f);
    // The windows' settings emptied the tankers; an empty tanker gives nothing.
    for (int tanker = 0; tanker <= 8; ++tanker) VesselAt(tanker).SetAttribFloat(eVesselLevel, 1000.0f);
    plantForm.offers.clear();
  }
  ~RecipeRunFixture() override {
    for (CBalloonHelp* balloon : CBalloonHelp::Balloons()) balloon->DestroyWindow();
    PumpPendingMessages();
    CProcessEngineApp& process = GetProcessEngine();
    process.SetStarted(0, 1);
    process.ClearRunUsedSteps();
    process.ResetSteps();
    g_strProcessReport.Clear();
    app.m_pMainWnd = nullptr;
    if (mainWindow.GetSafeHwnd()) mainWindow.DestroyWindow();
    ReleasePlant();
    if (plantForm.GetSafeHwnd()) plantForm.DestroyWindow();
    SetEngineRoot(nullptr);
  }

  // Step `number` (1..30) of the active recipe.
  CRecipeStepInfo& SetStep(int number, int material, int mixer, float dose, int precondition = 0,
                           bool discharge = false, int dischargePrecondition = 0) {
    auto lock = recipe->LockActive();
    CRecipeStepInfo& step = recipe->Active().GetStep(number - 1);
    step.SetStepActive(true);
    step.SetMaterialIndex(material);
    step.m_eMixerNumber = mixer;
    step.SetDose(dose);
    step.SetPrEndStpNmbr(precondition);
    step.m_bStpHasDisChrg = discharge;
    step.SetSmulStrtStpNmbr(dischargePrecondition);
    return step;
  }
  // The operator's Start, answered Yes at the level question in the next pass.
  void Start() {
    boxes.Expect(IDYES, "The level of Batchers & Mixers is:");
    GetProcessEngine().SetStarted(1, 0);
  }
  void Stop() { GetProcessEngine().SetStarted(0, 1); }
  void Pass() { RunEnginePass(engine, clock); }
  // Passes until step `number` is in `phase` (at most `limit`); the passes made.
  // Phase 11 of the run's last step is seen as the end of the run (the steps
  // are reset in the same pass).
  int PassUntil(int number, int phase, int limit = 400) {
    const int ends = mainWindow.stopCommands.load();
    for (int passes = 1; passes <= limit; ++passes) {
      Pass();
      if (Phase(number) == phase || (phase == 11 && mainWindow.stopCommands.load() > ends)) return passes;
    }
    ADD_FAILURE() << "step " << number << " stayed in phase " << Phase(number) << ", not " << phase;
    return limit;
  }
  // The end-of-recipe box, to come next.
  void ExpectRunEnd() { boxes.Expect(IDOK, "همه استپ هاي فرمول اكتيو به طور كامل اجرا گرديد"); }
  static int Phase(int number) { return GetProcessEngine().GetStepPhase(number - 1); }
  static float Level(int vessel) { return VesselAt(vessel).GetAttribFloat(eVesselLevel); }
  static bool PumpOn(int pump) { return g_gearPumps[static_cast<std::size_t>(pump)].GetAttribBool(ePumpDoOnOffSpeed); }
  static PlantObjectId PumpId(int pump) { return MakeObjectId(eShapeKindGearPump, pump); }

  FakeClock clock;
  PlantFolder folder;
  PlantEngine engine;
  CWinApp app{"test"};
  StopCommandWindow mainWindow;
  DosingPlantForm plantForm;
  CShiftRS* shift = nullptr;
  CRecipeRS* recipe = nullptr;
};
