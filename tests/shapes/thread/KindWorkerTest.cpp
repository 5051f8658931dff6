#include <QImage>
#include <thread>

#include "platform/ui/MessageCore.h"
#include "shapes/KindTestSupport.h"
#include "shapes/Valve.h"
#include "shapes/Vessel.h"

namespace {

using KindWorkerTest = KindTest;

// The dosing opens and closes valves and the engine moves levels and alarm
// flags from worker threads while the UI thread paints both shapes.
TEST_F(KindWorkerTest, WorkerSwitchesWhileTheUiThreadPaints) {
  m_engine.SetDataSource(eDataSourceDemo);
  C_Valve& valve = Make<C_Valve>(BYTE{1}, ShapeRecord(0, 0, 60, 40, 0, 1, "Valve1"), 0);
  C_Vessel& mixer = Make<C_Vessel>(BYTE{1}, ShapeRecord(0, 50, 110, 160, 0, 4, "Mixer2", 0x593C7), 0);
  mixer.SetAttribBool(eVesselDiOnOffSpeed, true);

  std::atomic<bool> done{false};
  std::thread worker([&] {
    for (int i = 1; i <= 20; ++i) {
      valve.SetAttribBool(eValveDoOnOffPosition, i % 2 == 1);
      mixer.SetAttribFloat(eVesselLevel, static_cast<float>(i * 100));
      mixer.SetAttribBool(eVesselHlaFlgLevel, i % 3 == 0);
    }
    valve.SetAttribBool(eValveDoOnOffPosition, false);
    done = true;
  });
  QImage image(110, 160, QImage::Format_RGB32);
  for (int i = 0; i < 20 && !done.load(); ++i) {
    CDC dc;
    dc.AttachImage(&image);
    valve.Draw(&dc);
    mixer.Draw(&dc);
    PumpPendingMessages();
  }
  ASSERT_TRUE(WaitPumping([&] { return done.load(); }, 30000));
  worker.join();

  EXPECT_FALSE(valve.GetAttribBool(eValveDiOnOffPosition));
  EXPECT_FALSE(valve.GetAttribBool(eValveDoLowFlow));
  EXPECT_FLOAT_EQ(mixer.GetAttribFloat(eVesselLevel), 2000.0f);
  EXPECT_FALSE(mixer.IsAlarmActive());
  EXPECT_EQ(m_boxes.Count(), 0u);
}

}  // namespace
