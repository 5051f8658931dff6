#pragma once
// This plant's engine root: the five tables, the plant's outputs, the Demo
// simulation, the pump rule, and the recipe-step supervisor with the dosing
// on the process cycle. The tables are process-wide (engine/EngineTables.h):
// Init publishes each once it is open, and they are deleted with the engine.
// An engine deletes only the tables it made: an engine freed late (its cycle
// was abandoned) must not take the next engine's tables with it.
//
// The process-wide root: SetEngineRoot publishes it for the plant code and for
// both seams of the lower libraries and runs its Initialize; GetEngineRoot is
// null before that and again once it is cleared or the engine is deleted.
// An engine whose cycle was abandoned (HasAbandonedCycle) must not be deleted:
// shut-down ends the process instead.
#include <memory>
#include <string>

#include "engine/RuvEngineBase.h"
#include "plant/DemoSimulation.h"
#include "plant/DosingStateMachine.h"
#include "plant/RecipeSupervisor.h"

class CBatchRS;
class CEvent2RS;
class CShiftRS;
class CVesselsLevelRS;

class CRuvEngineApp : public CRuvEngineBase {
 public:
  CRuvEngineApp();
  // Cycles stopped first, then the tables, then the base (links, data center,
  // alarm table, database).
  ~CRuvEngineApp() override;

  // 1 when the base gave non-zero.
  BOOL Initialize() override;
  // The base (database, alarm table), then the five tables opened on it, the
  // active recipe and shift found, and the active shift given the active
  // recipe's id and name (in memory). Failing tables do not change the result.
  BOOL Init() override;
  // Only the tables (the database stays).
  BOOL CloseDatabase() override;
  // Each table this engine made: its process-wide pointer cleared while it
  // still names that table, then the table deleted.
  BOOL DeleteRecordsets() override;

  // The active shift's operator and the active recipe: "?", -1 and "?" without the table.
  std::string GetActiveOperatorName() const override;
  int GetActiveRecipeID() const override;
  std::string GetActiveRecipeName() const override;

  // The base, then (when it gave 1) the Demo start values and the material totals.
  BOOL PrepareDemoTags() override;
  // The base, then (when it gave 1) the material totals; what the Demo's
  // levels held leaves the plant, as at a Demo start.
  BOOL PrepareRealTags() override;

  // --- plant hooks ---
  // Every output of the plant off (ResetPlantOutputs).
  BOOL ResetOutputs() override;
  // The Demo start values; 0 (nothing changed) when the data source is not Demo.
  virtual BOOL InitDemoValues();
  // The materials' charged totals from the active shift.
  virtual BOOL UpdateMaterialTotals();
  // One Demo pass of the levels.
  BOOL SimulateDemo() override;
  // The feedbacks follow their commands; only in Demo.
  BOOL MirrorDemoFeedback() override;
  // The gear pumps' speed rule (UpdatePumpSpeeds) and the pumps stopped at
  // their full weighers (StopPumpsAtFullWeighers), in every data source.
  BOOL CommonDataCycle() override;
  // The recipe-step supervisor's pass (SuperviseRecipeSteps).
  BOOL ProcessCycle() override;
  // Advances one step of a real material (0..8) of the run; the supervisor
  // calls it once a pass for each such step, with the report it builds.
  virtual void DoDosingStep(const CRecipeStepInfo& step, std::string& report);

  // At the close, once the cycles stopped: the charges the run cut are booked
  // into the active shift, which is saved at once (no window is left to do it).
  // Nothing when a cycle could not be stopped: it may still use the run.
  void BookCutCharges();

  CRecipeSupervisor& GetRecipeSupervisor() { return m_supervisor; }

 private:
  std::unique_ptr<CBatchRS> m_batchRS;
  std::unique_ptr<CShiftRS> m_shiftRS;
  std::unique_ptr<CRecipeRS> m_recipeRS;
  std::unique_ptr<CEvent2RS> m_event2RS;
  std::unique_ptr<CVesselsLevelRS> m_vesselsLevelRS;
  CDemoSimulation m_demo;
  // The ledger holds what the Demo's levels held (Demo started, Real not since).
  bool m_demoMaterialHeld = false;
  CDosingStateMachine m_dosing;
  CRecipeSupervisor m_supervisor{*this, m_dosing};
};

// The published engine root, or null.
CRuvEngineApp* GetEngineRoot();
// Publishes the engine root (also as the data center's and the tables' engine,
// and the plant's operator services) and runs its Initialize, whose result it
// returns. Null clears all four and gives 0.
BOOL SetEngineRoot(CRuvEngineApp* engine);
