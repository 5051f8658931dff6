#include <gtest/gtest.h>

#include "platform/ui/RecordingWnd.h"
#include "platform/ui/WindowTimers.h"

namespace {

std::vector<UINT_PTR> Ids(const std::vector<ArmedTimer>& timers) {
  std::vector<UINT_PTR> ids;
  for (const ArmedTimer& t : timers) ids.push_back(t.id);
  return ids;
}

TEST(Timers, SettingAnArmedIdRestartsItWithTheNewPeriod) {
  RecordingWnd wnd;
  ASSERT_TRUE(wnd.CreateTopLevel());
  EXPECT_EQ(wnd.SetTimer(6600, 1000), 6600u);
  EXPECT_EQ(wnd.SetTimer(6600, 250), 6600u);
  const auto armed = ArmedTimersOf(wnd.GetSafeHwnd());
  ASSERT_EQ(armed.size(), 1u);
  EXPECT_EQ(armed[0].elapseMs, 250u);
  wnd.DestroyWindow();
}

TEST(Timers, IdsAreScopedToTheirWindow) {
  RecordingWnd a, b;
  ASSERT_TRUE(a.CreateTopLevel());
  ASSERT_TRUE(b.CreateTopLevel());
  a.SetTimer(100, 90);
  b.SetTimer(100, 5000);
  b.SetTimer(102, 96);
  EXPECT_TRUE(a.KillTimer(100));
  EXPECT_FALSE(a.KillTimer(100));  // already gone
  EXPECT_TRUE(ArmedTimersOf(a.GetSafeHwnd()).empty());
  EXPECT_EQ(Ids(ArmedTimersOf(b.GetSafeHwnd())), (std::vector<UINT_PTR>{100, 102}));

  ASSERT_TRUE(FireTimerNow(b.GetSafeHwnd(), 102));
  EXPECT_FALSE(FireTimerNow(a.GetSafeHwnd(), 102));
  ASSERT_EQ(b.Only(WM_TIMER).size(), 1u);
  EXPECT_EQ(b.Only(WM_TIMER)[0].wParam, 102u);
  EXPECT_TRUE(a.Only(WM_TIMER).empty());
  a.DestroyWindow();
  b.DestroyWindow();
}

TEST(Timers, AWindowsTimersDieWithItAndNeedAWindow) {
  RecordingWnd wnd;
  EXPECT_EQ(wnd.SetTimer(1, 100), 0u);  // no window yet
  ASSERT_TRUE(wnd.CreateTopLevel());
  wnd.SetTimer(301, 3000);
  wnd.SetTimer(302, 3000);
  const HWND handle = wnd.GetSafeHwnd();
  wnd.DestroyWindow();
  EXPECT_TRUE(ArmedTimersOf(handle).empty());
  EXPECT_FALSE(FireTimerNow(handle, 301));
}

TEST(Timers, ARealTickArrivesAsWmTimerAndAOneShotHandlerCanKillIt) {
  struct OneShot : RecordingWnd {
    int ticks = 0;
    void OnTimer(UINT_PTR id) override {
      if (id == 305) {
        KillTimer(id);
        ++ticks;
      }
      CWnd::OnTimer(id);
    }
  } wnd;
  ASSERT_TRUE(wnd.CreateTopLevel());
  wnd.SetTimer(305, 10);
  ASSERT_TRUE(WaitPumping([&] { return wnd.ticks > 0; }, 20000));
  EXPECT_TRUE(ArmedTimersOf(wnd.GetSafeHwnd()).empty());
  PumpPendingMessages();
  EXPECT_EQ(wnd.ticks, 1);
  wnd.DestroyWindow();
}

}  // namespace
