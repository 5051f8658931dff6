#include "plant/RuvEngineApp.h"

#include <atomic>
#include <memory>

#include "engine/EngineTables.h"
#include "plant/MaterialLedger.h"
#include "plant/PlantOperatorServices.h"
#include "plant/PlantOutputs.h"
#include "platform/ui/CWnd.h"
#include "records/AdoDatabase.h"
#include "records/BatchRS.h"
#include "records/Event2RS.h"
#include "records/RecipeRS.h"
#include "records/ShiftRS.h"
#include "records/VesselsLevelRS.h"

namespace {

std::atomic<CRuvEngineApp*> g_engineRoot{nullptr};

// Clears the process-wide pointer first, so no one finds a table being deleted;
// a pointer that names another engine's table by now is left to that engine.
template <class Table>
void DeleteTable(std::atomic<Table*>& pointer, std::unique_ptr<Table>& mine) {
  if (!mine) return;
  Table* published = mine.get();
  pointer.compare_exchange_strong(published, nullptr);
  mine.reset();
}

// Keeps the table as this engine's and publishes it.
template <class Table>
void PublishTable(std::atomic<Table*>& pointer, std::unique_ptr<Table>& mine, std::unique_ptr<Table> made) {
  mine = std::move(made);
  pointer.store(mine.get());
}

}  // namespace

CRuvEngineApp* GetEngineRoot() { return g_engineRoot.load(); }

BOOL SetEngineRoot(CRuvEngineApp* engine) {
  g_engineRoot.store(engine);
  SetEngine(engine);
  SetTableEngine(engine);
  SetOperatorServices(engine ? &GetPlantOperatorServices() : nullptr);
  return engine ? engine->Initialize() : FALSE;
}

CRuvEngineApp::CRuvEngineApp() = default;

CRuvEngineApp::~CRuvEngineApp() {
  // The cycles call into this class; they end before any of it goes.
  StopThreads();
  CRuvEngineApp::CloseDatabase();
  CRuvEngineApp* self = this;
  if (g_engineRoot.compare_exchange_strong(self, nullptr)) {
    SetEngine(nullptr);
    SetTableEngine(nullptr);
    SetOperatorServices(nullptr);
  }
}

BOOL CRuvEngineApp::Initialize() { return CRuvEngineBase::Initialize() ? TRUE : FALSE; }

BOOL CRuvEngineApp::Init() {
  if (!CRuvEngineBase::Init()) return FALSE;
  DeleteRecordsets();
  // A new session: what the weighers hold is read again from its rows.
  GetMaterialLedger().Clear();

  auto batch = std::make_unique<CBatchRS>();
  auto shift = std::make_unique<CShiftRS>();
  auto recipe = std::make_unique<CRecipeRS>();
  auto event2 = std::make_unique<CEvent2RS>();
  auto vesselsLevel = std::make_unique<CVesselsLevelRS>();
  // These tables' columns keep the members' "m_".
  shift->SetStripMemberPrefix(false);
  recipe->SetStripMemberPrefix(false);
  event2->SetStripMemberPrefix(false);

  CWnd* view = GetOwnerView();
  const HWND owner = view ? view->GetSafeHwnd() : nullptr;
  auto open = [&](CBaseTableRS& table, const char* name) {
    table.SetDatabase(GetDatabase());
    if (owner) table.SetOwnerWnd(owner);
    table.SetSourceAndReopen(name);
  };
  auto openOnActive = [&](CBaseTableRS& table, const char* name) {
    open(table, name);
    if (!table.FindActive()) table.MoveLast();
  };

  open(*batch, "Batch");
  PublishTable(g_pBatchRS, m_batchRS, std::move(batch));
  CShiftRS* shiftTable = shift.get();
  openOnActive(*shift, "Shift");
  PublishTable(g_pShiftRS, m_shiftRS, std::move(shift));
  CRecipeRS* recipeTable = recipe.get();
  openOnActive(*recipe, "Recipe");
  PublishTable(g_pRecipeRS, m_recipeRS, std::move(recipe));
  open(*event2, "Event2");
  PublishTable(g_pEvent2RS, m_event2RS, std::move(event2));
  open(*vesselsLevel, "VesselsLevel");
  PublishTable(g_pVesselsLevelRS, m_vesselsLevelRS, std::move(vesselsLevel));

  recipeTable->SetActiveRecord(recipeTable->FindActive());
  shiftTable->SetActiveRecord(shiftTable->FindActive());

  // The shift runs the active recipe; read under the recipe's lock, then set
  // under the shift's (never both at once).
  const int recipeID = recipeTable->GetActiveRecipeID();
  const std::string recipeName = recipeTable->GetActiveRecipeName();
  {
    auto lock = shiftTable->LockActive();
    shiftTable->Active().SetShiftRecipeID(recipeID);
    shiftTable->Active().SetShiftRecipeName(recipeName);
  }
  return TRUE;
}

BOOL CRuvEngineApp::CloseDatabase() { return DeleteRecordsets(); }

BOOL CRuvEngineApp::DeleteRecordsets() {
  DeleteTable(g_pVesselsLevelRS, m_vesselsLevelRS);
  DeleteTable(g_pEvent2RS, m_event2RS);
  DeleteTable(g_pShiftRS, m_shiftRS);  // before the recipe: a shift's reset asks for the recipe
  DeleteTable(g_pRecipeRS, m_recipeRS);
  DeleteTable(g_pBatchRS, m_batchRS);
  return TRUE;
}

std::string CRuvEngineApp::GetActiveOperatorName() const { return CShiftRS::ActiveOperatorNameOf(g_pShiftRS.load()); }

int CRuvEngineApp::GetActiveRecipeID() const { return CRecipeRS::ActiveRecipeIDOf(g_pRecipeRS.load()); }

std::string CRuvEngineApp::GetActiveRecipeName() const { return CRecipeRS::ActiveRecipeNameOf(g_pRecipeRS.load()); }

BOOL CRuvEngineApp::PrepareDemoTags() {
  const BOOL prepared = CRuvEngineBase::PrepareDemoTags();
  if (prepared == TRUE) {
    InitDemoValues();
    UpdateMaterialTotals();
  }
  return prepared;
}

BOOL CRuvEngineApp::PrepareRealTags() {
  const BOOL prepared = CRuvEngineBase::PrepareRealTags();
  if (prepared != TRUE) return prepared;
  // The real levels replace the Demo's: what the Demo held was never in the plant.
  if (m_demoMaterialHeld) {
    GetMaterialLedger().LevelsRestarting();
    m_demoMaterialHeld = false;
  }
  UpdateMaterialTotals();
  return prepared;
}

BOOL CRuvEngineApp::ResetOutputs() {
  ResetPlantOutputs();
  return TRUE;
}

BOOL CRuvEngineApp::InitDemoValues() {
  if (!IsDemo()) return FALSE;
  // What the vessels hold now leaves the plant with their levels.
  GetMaterialLedger().LevelsRestarting();
  m_demo.InitDemoValues();
  GetMaterialLedger().LevelsRestarted();
  m_demoMaterialHeld = true;
  return TRUE;
}

BOOL CRuvEngineApp::UpdateMaterialTotals() {
  ::UpdateMaterialTotals();
  return TRUE;
}

BOOL CRuvEngineApp::SimulateDemo() {
  m_demo.SimulateDemoLevels();
  return TRUE;
}

BOOL CRuvEngineApp::MirrorDemoFeedback() {
  if (IsDemo()) m_demo.MirrorDemoFeedback();
  return TRUE;
}

BOOL CRuvEngineApp::CommonDataCycle() {
  UpdatePumpSpeeds();
  StopPumpsAtFullWeighers();
  return TRUE;
}

BOOL CRuvEngineApp::ProcessCycle() {
  m_supervisor.SuperviseRecipeSteps();
  return TRUE;
}

void CRuvEngineApp::BookCutCharges() {
  if (HasAbandonedCycle()) return;
  m_dosing.BookCutCharges();
  if (CShiftRS* shift = g_pShiftRS.load()) shift->WriteBackActive();
}

void CRuvEngineApp::DoDosingStep(const CRecipeStepInfo& step, std::string& report) {
  m_dosing.DoDosingStep(step, report);
}
