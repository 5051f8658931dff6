// A recipe run on the engine's real cycles (run under ThreadSanitizer): the
// data obtainer moves the Demo plant and the process cycle doses, asks the
// level question and stops the process, while the user-interface thread
// answers the stores, saves the shift on each change and reads the report.
#include <gtest/gtest.h>

#include <string>

#include "plant/RecipeRunTestSupport.h"

namespace {

class RecipeRunThreadTest : public RecipeRunFixture {};

TEST_F(RecipeRunThreadTest, AWholeRunOnTheCyclesWhileTheUserInterfaceServes) {
  SetStep(1, kWater, 0, 6.0f);
  SetStep(2, kLabs, 0, 6.0f, 1, true);
  Start();
  ExpectRunEnd();
  std::string report;
  ASSERT_EQ(engine.StartThreads(), TRUE);
  const bool ended = WaitPumping(
      [&] {
        report = g_strProcessReport.Get();
        return mainWindow.stopCommands.load() > 0;
      },
      3600u * 1000u);  // an hour on the fake clock, which the cycles move
  EXPECT_EQ(engine.StopThreads(), TRUE);
  PumpPendingMessages();
  ASSERT_TRUE(ended);

  EXPECT_EQ(report.rfind("LoadInWay -> Water:", 0), 0u) << report;
  EXPECT_GE(shift->GetActiveTotalMaterial(kWater), 6.0f);
  EXPECT_GE(shift->GetActiveTotalMaterial(kLabs), 6.0f);
  EXPECT_GE(mainWindow.shiftSaves.load(), 3);
  ASSERT_TRUE(shift->MoveFirst());
  EXPECT_EQ(shift->Current().m_nShiftTotalCycle, 1);
  const auto shown = boxes.Boxes();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_NE(shown[0].thread, std::this_thread::get_id());
  EXPECT_FALSE(shown[1].waited);
}

}  // namespace
