#pragma once
// The random operator walk: the whole program in Demo on a new database, a
// shift, five recipes and a batch number, then a sequence of operator actions
// (WalkAction) in which every box is met and answered. Every pass samples
// where the material went (PlantTruth). After each action that leaves the
// plant quiet the record invariants are checked against the records and the
// truth; a failing walk is shrunk by dropping actions to the shortest that
// still shows the same tag. Hands touch valves and pumps at any time.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "e2e/PlantScenarioFixture.h"
#include "e2e/PlantTruth.h"
#include "e2e/RecordInvariants.h"
#include "e2e/RunEndCheck.h"
#include "e2e/WalkAction.h"

class OperatorWalk : public PlantScenarioFixture {
 protected:
  struct Finding {
    int after = -1;  // index of the action after which it was first seen
    std::string text;
    std::string Tag() const { return text.substr(0, text.find(' ')); }
  };
  // The first finding of each tag, in the order they came.
  struct Outcome {
    std::vector<Finding> findings;
    bool Failed() const { return !findings.empty(); }
    bool Has(const std::string& tag) const;
    std::string Tags() const;
    std::string Describe(const std::vector<WalkAction>& walk) const;
  };

  void TearDown() override;

  // Runs `walk` from a new plant to its end (RUV_WALK_IGNORE="(b1)(c3)" leaves
  // those tags out).
  Outcome RunWalk(const std::vector<WalkAction>& walk);
  // The shortest walk found, by dropping actions, that still shows a finding
  // tagged `tag`, spending at most `budget` replays.
  std::vector<WalkAction> Shrink(std::vector<WalkAction> walk, const std::string& tag, int budget);
  // Runs the walk of `text`: the test fails with what disagreed (of the tags
  // in `only`, e.g. "(a1)(a3)", when given: the invariant a named walk is about).
  void ReplayWalk(const std::string& text, const std::string& only = std::string());

 private:
  void StartNewPlant();
  void MakeWalkRecipes();
  void SaveRecipe(const char* name, std::initializer_list<StepInput> steps, bool dischargeLabs = true);
  void Do(const WalkAction& action);
  void DoStart(bool levelYes);
  void DoStop();
  void WaitForPhase(int phase);
  void DoMaxPhy(int kg);
  void TakeLock(const WalkAction& action);
  // The other program commits or rolls back; the database's retry of what the
  // program kept follows at once, or after the next action (RetryKept).
  void ReleaseLock(bool retryNow = true);
  void RetryKept();
  void DoDataSource(UINT command);
  void DoByHand(const WalkAction& action);
  void DoFinish(bool yes);
  // Tables → Shift: the shift stopped and a new one opened for the next operator.
  void ChangeShift();
  void ShowRecipe(int number);
  void ShowActiveRecipe();
  void PushActivate();
  void AnswerConfirmation();
  void SaveActiveDose(int kg);
  // File → Exit and a start; another program's lock goes before the close
  // unless `underTheLock` (then it holds on across both).
  void CloseAndStartAgain(bool underTheLock = false);
  void RunPasses(int count);
  // One pass of both cycles with the truth sampled around the Demo's move.
  void WalkPass();
  // Passes until the form's charge-end timers armed have fired.
  void SettleChargeEnds();
  int AnswerBox(const std::string& text, UINT style);
  void StartApplicationAgain();
  // RUV_WALK_TRACE=1: each action with the plant, the boxes and the records after it.
  void Trace(const WalkAction& action, std::size_t boxesBefore);

  std::unique_ptr<RecordInvariants> m_invariants;
  std::unique_ptr<RunEndCheck> m_runEnd;
  // The findings of the runs that ended (the end-of-recipe message came since
  // box `since`), once no other program holds the database.
  std::vector<std::string> CheckRunEnd(std::size_t since);
  // The run a Start began or resumed ends with its end-of-recipe message, or
  // a box says why it stands, unless the operator stops it (boxes since
  // `since` came with `action`; `locked`: rows may wait for another program):
  //  (r2) the process stopped by itself, or ran long, with nothing said
  // and a box counting the run's own charge as another is (r3).
  std::vector<std::string> CheckStartedRun(const WalkAction& action, std::size_t since, bool locked);
  static constexpr std::size_t kNotWatched = static_cast<std::size_t>(-1);
  std::size_t m_watchedStartBoxes = kNotWatched;  // boxes before the Start watched to its end
  PlantTruth m_truth;
  // Another program's connection while it holds the lock, the actions it
  // still holds it over and whether it commits.
  std::unique_ptr<RawDatabase> m_other;
  int m_lockActionsLeft = 0;
  bool m_otherCommits = false;
  bool m_retryLate = false;     // the lock's release leaves the retry to after the next action
  bool m_retryPending = false;  // released, the retry not yet made
  int m_otherRows = 0;
  int m_otherEvent2 = 0, m_otherBatch = 0;  // the ids its rows got
  bool m_threadsBox = false;  // the program said its threads did not close
  int m_levelAnswer = IDYES;
  int m_finishAnswer = IDYES;
  int m_passesSinceStart = 0;
  int m_starts = 0;  // program starts in this test, each with its own lock folder
  std::size_t m_shiftChanges = 0;
  bool m_trace = false;

 protected:
};
