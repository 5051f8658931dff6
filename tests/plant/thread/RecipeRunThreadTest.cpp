// A recipe run on the engine's real cycles (run under ThreadSanitizer): the
// data obtainer moves the Demo plant and the process cycle doses, asks the
// level question and stops the process, while the user-interface thread
// answers the stores, saves the shift on each change and reads the report.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "plant/RecipeRunTestSupport.h"

namespace {

// Ticks that the cycles' sleeps move at once, so the run's delays pass
// quickly; once slowed, the ticks follow real time, so that stopping the
// cycles waits for them as long as it would in the program.
class PacedClock final : public IClock {
 public:
  std::uint32_t TickCount() override {
    if (!m_slow.load()) return m_ticks.load();
    const auto real = std::chrono::steady_clock::now() - m_slowSince.load();
    return m_ticks.load() + static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(real).count());
  }
  DateTimeFields LocalNow() override { return m_calendar.LocalNow(); }
  void SleepMs(std::uint32_t ms) override {
    if (m_slow.load())
      std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    else
      m_ticks.fetch_add(ms);
  }
  void Slow() {
    m_slowSince.store(std::chrono::steady_clock::now());
    m_slow.store(true);
  }

 private:
  std::atomic<std::uint32_t> m_ticks{1000};
  std::atomic<std::chrono::steady_clock::time_point> m_slowSince{};
  std::atomic<bool> m_slow{false};
  FakeClock m_calendar;
};

class RecipeRunThreadTest : public RecipeRunFixture {
 protected:
  RecipeRunThreadTest() { SetClock(&paced); }
  ~RecipeRunThreadTest() override { clock.Install(); }
  PacedClock paced;
};

TEST_F(RecipeRunThreadTest, AWholeRunOnTheCyclesWhileTheUserInterfaceServes) {
  SetStep(1, kWater, 0, 6.0f);
  SetStep(2, kLabs, 0, 6.0f, 1, true);
  Start();
  ExpectRunEnd();
  std::string report;
  ASSERT_EQ(engine.StartThreads(), TRUE);
  // Bounded on the real clock: every thread's sleep moves the paced clock on,
  // so on a busy machine a paced bound can run out before the cycles ran.
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  bool ended = false;
  while (!ended && std::chrono::steady_clock::now() < giveUp) {
    ended = WaitPumping(
        [&] {
          report = g_strProcessReport.Get();
          return mainWindow.stopCommands.load() > 0;
        },
        1000u);
  }
  paced.Slow();
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
