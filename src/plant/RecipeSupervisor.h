#pragma once
// The recipe-step supervisor: once per pass of the process cycle it turns the
// operator's Start into a recipe run, steps through the run's 30 steps (the
// real materials through the dosing, the confirmation and delay steps itself,
// a reminder for steps dosed by hand), writes the running report and ends the
// run once every used step has ended.
//
// A run works on its own copy of the active recipe, taken under the recipe's
// lock when it starts: a recipe saved meanwhile applies to the next run, but
// for its doses when the run holds at a full weigher: the Start after a hold
// takes the saved doses. A Stop keeps the run and its phases; the next Start
// goes on with them, unless the active recipe changed, which starts a new run
// from phase 0.
//
// The process cycle waits for the operator only at the level question; the
// confirmation and end-of-recipe boxes inform without waiting. The process
// cycle's thread alone uses an instance.
#include <array>
#include <atomic>
#include <string>

#include "platform/base/WinTypes.h"
#include "records/RecipeRS.h"

class CRuvEngineApp;
class CDosingStateMachine;

class CRecipeSupervisor {
 public:
  // The command of the main window's "&Stop process".
  static constexpr UINT kStopProcessCommand = 110;
  static constexpr const char* kConfirmationCaption = "Start stepping message";
  static constexpr const char* kRecipeEndCaption = "Recipe Status";
  static constexpr const char* kManualDosingTitle = "Manual Dosing";
  static constexpr const char* kManualDosingText = "Manual Dosing is under construction!";
  static constexpr UINT kBalloonOptions = 33216;
  static constexpr UINT kBalloonTimeoutMs = 3000;
  static constexpr const char* kReportStart = "LoadInWay -> ";

  // The engine root runs the dosing of the real materials (DoDosingStep).
  CRecipeSupervisor(CRuvEngineApp& engine, CDosingStateMachine& dosing);

  // One pass: the start of a run, the stepping, the end of a run.
  void SuperviseRecipeSteps();

  // Whether a run holds its copy of the recipe, and that copy's recipe id.
  bool HasRun() const { return m_hasRun; }
  int GetRunRecipeID() const { return m_runRecipeID; }

  // The confirmation step's text for step number 1..30.
  static std::string MakeConfirmationText(int stepNumber);
  static std::string GetRecipeEndText();

  // A Stop the process cycle has not handled yet: what the run charged is
  // booked then, into the shift that is active (any thread).
  bool HasStopToHandle() const;

 private:
  // After the operator's Yes: the run's copy (a new run when none is held or
  // the active recipe changed), then the dosing's Start.
  void BeginStart();
  void TakeRunCopy();
  // The active recipe's doses into the run's copy.
  void TakeSavedDoses();
  void StepThroughRecipe();
  // Confirmation and delay steps.
  void RunPseudoStep(int i, const CRecipeStepInfo& step);
  void EndRun();
  // "&Stop process" sent to the main window and waited for.
  static void SendStopCommand();

  CRuvEngineApp& m_engine;
  CDosingStateMachine& m_dosing;
  CRecipeRS::CSTFields m_run;
  bool m_hasRun = false;
  int m_runRecipeID = -1;
  std::atomic<bool> m_wasStarted{false};
  // The manual-dosing reminder is shown once per step and Start.
  std::array<bool, CRecipeRS::kStepCount> m_reminded{};
};
