// The process cycle writes the running report on its worker while the plant
// form's refresh reads it on the UI thread.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "app/PlantFormFixture.h"
#include "platform/ui/WindowTimers.h"
#include "plant/PlantModel.h"

// Opening the plant form draws the controls' pictures, for which Qt hands
// memory to and from its own pool threads through locks ThreadSanitizer cannot
// see (Qt is not instrumented). Allocations and copies made inside Qt's own
// libraries are therefore not tracked in this binary; our code's are. The
// same goes for the GLib allocations Qt's pool threads make and free (a form
// repaint copying its kept picture hands large pictures to those threads).
extern "C" const char* __tsan_default_suppressions() {
  return "called_from_lib:libQt6Core.so.6\n"
         "called_from_lib:libQt6Gui.so.6\n"
         "called_from_lib:libglib-2.0.so.0\n";
}

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
