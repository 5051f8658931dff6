#pragma once
// The plant's process engine: steps of the plant's kind, a step is used when
// the active recipe's step of the same index is active, and the plant's own
// version word ends the recovery file.
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "engine/ProcessEngineBase.h"
#include "records/RecipeRS.h"

class CProcessEngineApp : public CProcessEngineBase {
 public:
  using UsedSteps = std::array<bool, CRecipeRS::kStepCount>;

  CProcessEngineApp();
  ~CProcessEngineApp() override;

  void ResetSteps() override;
  void OnStepPhaseChanged(int i) override;
  // Steps 0..29: the run's own copy of the used steps while a run holds one,
  // else the active flag of the active recipe's step; false without a recipe
  // table or outside 0..29.
  bool IsStepUsed(int i) override;
  void Reset() override;
  int Serialize(CArchive& ar) override;

  // A run takes its copy of the used steps when it starts, so a recipe edited
  // meanwhile does not change the run; it gives it back when it ends.
  void SetRunUsedSteps(const UsedSteps& used);
  // Also drops the run's copy of its recipe.
  void ClearRunUsedSteps();
  // The run's copy of its recipe, kept for the user-interface thread (what the
  // run doses and times, not what the recipe dialog shows now); its active
  // steps become the run's used steps.
  void SetRunRecipe(const CRecipeRS::CSTFields& run);
  // Step i (0..29) of the run's copy into `step`; false while no run holds one.
  bool GetRunStep(int i, CRecipeStepInfo& step) const;

 protected:
  std::unique_ptr<CProcessStepBase> CreateStep() override;

 private:
  static constexpr std::int64_t kNoRunCopy = -1;
  std::atomic<std::int64_t> m_runUsedMask{kNoRunCopy};  // bit i: step i used
  mutable std::mutex m_runRecipeMutex;
  std::unique_ptr<CRecipeRS::CSTFields> m_runRecipe;  // guarded by m_runRecipeMutex
};

// The one process engine of the program, made at its first use (so before any
// global object that uses it) and destroyed at exit after every such object.
CProcessEngineApp& GetProcessEngine();
