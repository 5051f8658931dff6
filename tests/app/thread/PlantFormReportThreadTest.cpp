// The process cycle writes the running report on its worker while the plant
// form's refresh reads it on the UI thread.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "app/PlantFormFixture.h"
#include "platform/ui/WindowTimers.h"
#include "plant/PlantModel.h"

namespace {

class PlantFormReportThreadTest : public PlantFormFixture {};

TEST_F(PlantFormReportThreadTest, AWorkerWritesTheReportWhileTheRefreshShowsIt) {
  MakeDatabase();
  ASSERT_TRUE(StartApplication());
  StopCycles();
  constexpr int kRounds = 300;
  std::atomic<bool> done{false};
  std::thread writer([&] {
    for (int i = 0; i < kRounds; ++i) g_strProcessReport.Set("Step " + std::to_string(i) + ": dosing Water");
    done.store(true);
  });
  const HWND form = view->GetSafeHwnd();
  while (!done.load()) ASSERT_TRUE(FireTimerNow(form, kRefreshTimer));
  writer.join();
  ASSERT_TRUE(FireTimerNow(form, kRefreshTimer));
  EXPECT_EQ(view->Label(IDC_REPORT_LABEL).GetText(), "Step 299: dosing Water");
  g_strProcessReport.Clear();
}

}  // namespace
