#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "engine/EngineTables.h"
#include "engine/ProcessEngineApp.h"
#include "records/RecipeRS.h"
#include "support/FakeClock.h"

namespace {

// The process cycle moves steps through their phases and times them while the
// UI thread resets the steps, starts and stops, edits the active recipe and
// reads what the recipe dialogs show; now and then the steps are made anew.
TEST(ProcessEngineThread, CycleAndUserInterfaceShareTheEngine) {
  FakeClock clock;
  clock.Install();
  CRecipeRS recipes;
  {
    auto lock = recipes.LockActive();
    for (int i = 0; i < 30; i += 2) recipes.Active().GetStep(i).SetStepActive(true);
  }
  g_pRecipeRS.store(&recipes);
  CProcessEngineApp engine;
  engine.CreateSteps(30);

  constexpr int kPasses = 4000;
  std::atomic<bool> done{false};
  std::thread cycle([&] {
    for (int pass = 0; pass < kPasses; ++pass) {
      const int step = pass % 30;
      const int phase = engine.GetStepPhase(step);
      engine.CompareAndSetStepPhase(step, phase, (phase + 1) % 12);
      engine.SetStepPhase((step + 7) % 30, pass % 12);
      engine.GetStepTimer((step + 7) % 30).GetElapsedMs();
      engine.GetEnginePhase();
      if (engine.IsStarted() && !engine.IsCycleActive()) engine.SetCycleActive(1);
      if (pass % 500 == 0) engine.IncCycleCount();
    }
    done.store(true);
  });
  int round = 0;
  while (!done.load()) {
    ++round;
    engine.SetStarted(round % 2, round % 3 == 0);
    engine.GetState();
    engine.GetStateText();
    engine.GetPhaseText(engine.GetStepPhase(round % 30));
    engine.GetStepTimer(round % 30).GetElapsedSeconds();
    if (round % 50 == 0) engine.ResetSteps();
    if (round % 400 == 0) engine.CreateSteps(30);
    if (round % 20 == 0) {
      auto lock = recipes.LockActive();
      CRecipeStepInfo& step = recipes.Active().GetStep(round % 30);
      step.SetStepActive(!step.IsStepActive());
    }
    if (round % 10 == 0) clock.Advance(1);
    std::this_thread::yield();
  }
  cycle.join();
  g_pRecipeRS.store(nullptr);
  EXPECT_EQ(engine.GetCycleCount(), kPasses / 500);
  EXPECT_EQ(engine.GetStepCount(), 30);
}

}  // namespace
