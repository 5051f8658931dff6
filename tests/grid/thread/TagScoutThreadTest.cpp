// The tag scout reads tags on the UI thread while a worker writes them: the
// refresh, the filter and the scrolling take the tags' values only through
// their copying getters, so the sanitizer sees no race.
#include <gtest/gtest.h>

#include <QApplication>
#include <atomic>
#include <thread>

#include "common/Conversions.h"
#include "platform/base/ProfileStore.h"
#include "platform/ui/MessageCore.h"
#include "support/TestEnvironment.h"
#include "../ScoutFixture.h"

// Drawing the scout makes Qt hand memory to and from its own pool threads
// through locks ThreadSanitizer cannot see (Qt and GLib, under Qt's event
// dispatcher, are not instrumented), so what their libraries allocate and copy
// is not tracked here; our code's accesses are.
extern "C" const char* __tsan_default_suppressions() {
  return "called_from_lib:libQt6Core.so.6\n"
         "called_from_lib:libQt6Gui.so.6\n"
         "called_from_lib:libglib-2.0.so.0\n";
}

TEST(TagScoutThread, AWorkerSetsTagsWhileTheScoutRefreshesFiltersAndScrolls) {
  constexpr int kTags = 1000;
  constexpr int kPasses = 20;
  constexpr int kSteps = 40;
  TempDir dir;
  profile::SetPathOverride(dir.File("profile.ini"));
  ScopedKeyState keys;
  ScoutEngine engine;
  engine.AddFloatTags(kTags - 10);
  for (int i = 0; i < 10; ++i)
    engine.AddTag(5000 + i, "Ranged" + std::to_string(i), Variant::R4(1.0f), Variant::R4(0.0f), Variant::R4(100.0f));
  {
    CDataCenterScoutDlg scout;
    ASSERT_TRUE(OpenScout(scout, keys));
    scout.ShowWindow(SW_SHOW);
    CDataCenterScoutGrid& grid = scout.Grid();

    std::atomic<bool> done{false};
    std::thread worker([&] {
      for (int pass = 1; pass <= kPasses; ++pass)
        for (int i = 0; i < kTags; ++i)
          engine.dataCenter.GetTagAt(i)->SetValue(Variant::R4(static_cast<float>(pass * 10 + i % 7)));
      done = true;
    });
    // A fixed amount of reading, however fast either side runs (a loaded
    // machine slows them differently); then the worker is waited for.
    long top = 0;
    for (int step = 0; step < kSteps; ++step) {
      grid.RefreshVisibleRows();
      scout.SetDlgItemText(IDC_SCOUT_FILTER, step % 2 ? "Tag1" : "Ranged");
      top = (top + 37) % kTags;
      grid.SetTopRow(top);
      QApplication::processEvents();
    }
    EXPECT_TRUE(WaitPumping([&] { return done.load(); }, 600000));  // a watchdog, not a time limit
    worker.join();

    grid.SetTopRow(0);
    grid.RefreshVisibleRows();
    const float last = static_cast<float>(kPasses * 10);
    EXPECT_EQ(std::string(grid.GetCellText(CDataCenterScoutGrid::kColValue, 0)), VariantToText(Variant::R4(last)));
    scout.DestroyWindow();
  }
  profile::SetPathOverride("");
}
