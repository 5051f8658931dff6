#include <gtest/gtest.h>

#include "ProcessEngineTestSupport.h"
#include "engine/EngineTables.h"
#include "records/PlantTablesSupport.h"

namespace {

TEST_F(ProcessEngineTest, ConstructionStateAndTheFlagsThatReportChanges) {
  CProcessEngineApp fresh;
  const auto* alarm = fresh.FindAlarm(11000);
  ASSERT_NE(alarm, nullptr);
  EXPECT_EQ(alarm->GetName(), "CycleTimingOverLoad");
  EXPECT_EQ(fresh.GetReserveBool3() + fresh.GetReserveBool4(), 2);
  EXPECT_EQ(fresh.GetReserveBool1() + fresh.GetReserveBool2(), 0);
  EXPECT_EQ(fresh.GetResetPulse(), 1);
  EXPECT_EQ(fresh.GetEnginePhase(), 0);

  // Byte fields take the low byte; the pulse and flag 3 report a change only.
  const int before = engine.changed;
  engine.SetResetPulse(0x101);
  engine.SetReserveBool3(0x201);
  EXPECT_EQ(engine.changed, before);
  engine.SetResetPulse(0);
  engine.SetReserveBool1(0x1FF);
  EXPECT_EQ(engine.changed, before + 1);
  EXPECT_EQ(engine.GetReserveBool1(), 0xFF);
  EXPECT_EQ(engine.IncCycleCount(), 1);
}

class ProcessEngineRecipeTest : public PlantTablesTest {
 protected:
  ProcessEngineRecipeTest() { engine.CreateSteps(30); }
  ~ProcessEngineRecipeTest() override { g_pRecipeRS.store(nullptr); }
  CProcessEngineApp engine;
};

TEST_F(ProcessEngineRecipeTest, EnginePhaseIsThePhaseEveryUsedStepOfTheActiveRecipeShares) {
  engine.SetStepPhase(3, 5);  // no recipe table: no step is used
  EXPECT_EQ(engine.GetEnginePhase(), 0);

  CRecipeRS recipes;
  ASSERT_TRUE(OpenPlantTable(recipes, db, "Recipe", false));
  recipes.Scratch().SetRecipeActive(true);
  recipes.Scratch().GetStep(0).SetStepActive(true);
  recipes.Scratch().GetStep(1).SetStepActive(true);
  ASSERT_TRUE(recipes.AddNew());
  ASSERT_TRUE(recipes.FindActive());
  ASSERT_TRUE(recipes.SetActiveRecord(true));
  g_pRecipeRS.store(&recipes);
  EXPECT_FALSE(engine.IsStepUsed(30) || engine.IsStepUsed(-1));

  engine.SetStepPhase(0, 4);
  EXPECT_EQ(engine.GetEnginePhase(), -1);
  engine.SetStepPhase(1, 4);
  EXPECT_EQ(engine.GetEnginePhase(), 4);  // step 3 is not used
  EXPECT_EQ(engine.IsLoadingEnded(), 1);
  engine.ResetSteps();
  EXPECT_EQ(engine.GetEnginePhase(), 0);
  EXPECT_EQ(engine.IsLoadingEnded(), 0);

  // A run's copy of the used steps holds until it is given back.
  CProcessEngineApp::UsedSteps runUsed{};
  runUsed[2] = true;
  engine.SetRunUsedSteps(runUsed);
  engine.SetStepPhase(2, 7);
  EXPECT_EQ(engine.GetEnginePhase(), 7);
  engine.ClearRunUsedSteps();
  EXPECT_TRUE(engine.IsStepUsed(0));
}

TEST_F(ProcessEngineTest, StepStopwatchRunsThroughAnEqualPhaseAndRestartsOnAChange) {
  engine.SetStepPhase(2, 1);
  clock.Advance(1500);
  engine.SetStepPhase(2, 1);
  EXPECT_EQ(engine.GetStepTimer(2).GetElapsedMs(), 1500u);
  EXPECT_EQ(engine.changes, (std::vector<std::pair<int, int>>{{2, 1}}));

  EXPECT_FALSE(engine.CompareAndSetStepPhase(2, 0, 3));  // the step has moved on
  EXPECT_TRUE(engine.CompareAndSetStepPhase(2, 1, 3));
  clock.Advance(40);
  CRTimer copy = engine.GetStepTimer(2);
  EXPECT_EQ(copy.GetElapsedMs(), 40u);
  copy.Reset();  // a copy: the step's own stopwatch runs on
  EXPECT_EQ(engine.GetStepTimer(2).GetElapsedMs(), 40u);

  // Reset puts the phase back without a notification or a stopwatch restart.
  engine.ResetSteps();
  EXPECT_EQ(engine.GetStepPhase(2), 0);
  EXPECT_EQ(engine.GetStepTimer(2).GetElapsedMs(), 40u);
  EXPECT_EQ(engine.changes.size(), 2u);
}

TEST_F(ProcessEngineTest, StopKeepsThePhasesAndTheStateWithItsTextFollowsTheFlags) {
  engine.SetStarted(1, 0);
  engine.SetCycleActive(1);
  engine.SetStepPhase(0, 5);
  engine.SetStarted(0, 1);
  EXPECT_EQ(engine.IsCycleActive(), 0);
  engine.SetStarted(1, 0);
  EXPECT_EQ(engine.GetStepPhase(0), 5);
  EXPECT_EQ(engine.started, 3);
  engine.SetCycleActive(1);
  engine.SetStarted(0, 0);  // an unforced stop still ends a waiting run (state 1)
  EXPECT_EQ(engine.IsCycleActive(), 0);

  const char* texts[] = {"\u0628\u0627\u0633\u0643\u0648\u0644 \u0645\u062A\u0648\u0642\u0641 \u0627\u0633\u062A",
                         "\u0645\u0646\u062A\u0638\u0631 \u0627\u0633\u062A\u0627\u0631\u062A \u0627\u0632 \u0628\u064A\u0631\u0648\u0646",
                         "\u0628\u0627\u0633\u0643\u0648\u0644 \u062F\u0631 \u062D\u0627\u0644 \u0643\u0627\u0631 \u0627\u062A\u0648\u0645\u0627\u062A \u0627\u0633\u062A",
                         "\u0628\u0627\u0633\u0643\u0648\u0644 \u062F\u0631 \u062D\u0627\u0644 \u0643\u0627\u0631 \u0627\u062A\u0648\u0645\u0627\u062A \u0627\u0633\u062A \u0648\u0644\u064A \u0645\u0643\u062B \u0634\u062F\u0647 \u0627\u0633\u062A",
                         "\u062F\u0631\u062E\u0648\u0627\u0633\u062A \u0627\u062A\u0645\u0627\u0645 \u0643\u0627\u0631 \u0627\u062A\u0648\u0645\u0627\u062A \u0628\u0627\u0633\u0643\u0648\u0644 \u062F\u0627\u062F\u0647 \u0634\u062F\u0647 \u0627\u0633\u062A"};
  struct Row { int started, running, pause, cycle, state; const char* text; };
  for (const Row& row : {Row{0, 1, 0, 0, 0, texts[0]}, Row{0, 0, 0, 1, 1, texts[1]}, Row{0, 1, 0, 1, 5, texts[4]},
                         Row{1, 0, 1, 0, 1, texts[1]}, Row{1, 1, 0, 0, 3, texts[2]}, Row{1, 1, 1, 1, 4, texts[3]}}) {
    engine.SetRunning(row.running);
    engine.SetPause(row.pause);
    engine.SetStarted(row.started, 0);
    engine.SetCycleActive(row.cycle);
    EXPECT_EQ(engine.GetState(), row.state) << row.started << row.running << row.pause << row.cycle;
    EXPECT_EQ(engine.GetStateText(), row.text) << row.state;
  }

  const char* phases[] = {"\u0627\u0628\u062A\u062F\u0627",
                          "\u0634\u0631\u0648\u0639 \u0628\u0627\u0631\u06AF\u064A\u0631\u064A",
                          "\u0627\u062A\u0645\u0627\u0645 \u0628\u0627\u0631\u06AF\u064A\u0631\u064A \u062A\u0646\u062F",
                          "\u0627\u062A\u0645\u0627\u0645 \u0628\u0627\u0631\u06AF\u064A\u0631\u064A \u0643\u0646\u062F",
                          "\u0627\u062A\u0645\u0627\u0645 \u0628\u0627\u0631\u06AF\u064A\u0631\u064A",
                          "\u0634\u0631\u0648\u0639 \u062A\u062E\u0644\u064A\u0647",
                          "\u062A\u0627\u062E\u064A\u0631 \u062E\u0627\u0645\u0648\u0634 \u0634\u062F\u0646 \u0627\u0643\u0686\u0648\u0627\u062A\u0631 \u062A\u062E\u0644\u064A\u0647",
                          "\u0627\u062A\u0645\u0627\u0645 \u062A\u062E\u0644\u064A\u0647",
                          "\u0634\u0645\u0627\u0631\u0634 \u062A\u0627\u062E\u064A\u0631",
                          "\u062A\u0627\u064A\u064A\u062F \u0627\u067E\u0631\u0627\u062A\u0648\u0631 \u0628\u0631\u0627\u064A \u0645\u0631\u062D\u0644\u0647 \u0628\u0639\u062F",
                          "\u0622\u0645\u0627\u062F\u0647 \u0628\u0631\u0627\u064A \u0645\u0631\u062D\u0644\u0647 \u0628\u0639\u062F",
                          "\u0645\u0631\u062D\u0644\u0647 \u067E\u0627\u064A\u0627\u0646 \u064A\u0627\u0641\u062A\u0647"};
  for (int phase = 0; phase < 12; ++phase) EXPECT_EQ(engine.GetPhaseText(phase), phases[phase]) << phase;
  EXPECT_EQ(engine.GetPhaseText(12), "");
}

TEST_F(ProcessEngineTest, StepsOutsideTheEngineReadPhaseZeroAndChangeNothing) {
  for (int i : {-1, 30}) {
    engine.SetStepPhase(i, 4);
    EXPECT_FALSE(engine.CompareAndSetStepPhase(i, 0, 4));
    EXPECT_EQ(engine.GetStepPhase(i), 0);
    EXPECT_FALSE(engine.GetStepTimer(i).IsRunning());
  }
  EXPECT_TRUE(engine.changes.empty());
  engine.CreateSteps(-3);
  EXPECT_EQ(engine.GetStepCount(), 0);
}

}  // namespace
