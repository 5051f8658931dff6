// A worker's valve command reaches the plant form's veto as a sent message:
// the handler runs on the user-interface thread, where the batch-number
// prompt is modal, while the worker waits for the answer.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "app/PlantFormFixture.h"
#include "engine/EngineTables.h"
#include "plant/PlantModel.h"
#include "plant/PlantOperatorServices.h"
#include "records/ShiftRS.h"
#include "shapes/PumpShape.h"

namespace {

class PlantFormInterlocksThreadTest : public PlantFormFixture {};

// Only a safety net against a hang: nothing here is meant to take long.
constexpr DWORD kHangGuardMs = 60000;

TEST_F(PlantFormInterlocksThreadTest, AWorkerOpeningADirectionValveWaitsWhileThePromptIsModal) {
  MakeDatabase("INSERT INTO Shift (m_strOperatorName, m_bShiftStopped) VALUES ('Ahmadi', 0);");
  ASSERT_TRUE(StartApplication());
  StopCycles();
  CShiftRS* shift = g_pShiftRS.load();
  for (int mixer = 0; mixer < kPlantMixerCount; ++mixer) shift->SetActiveMixerBatchNumber(mixer, mixer == 2 ? 0 : 11);
  C_Valve& valve = g_valves[6];  // Batcher02-DirectionValve3: Mixer3
  C_GearPump& pump = g_gearPumps[1];

  std::atomic<bool> opened{false}, switched{false}, workerWaitedForPrompt{false};
  bool pumpServedDuringPrompt = false;
  CPlantOperatorServices::SetBatchNumberDialogRunner([&] {
    workerWaitedForPrompt.store(!opened.load());
    // While the operator types, another worker's store is answered too.
    std::thread second([&] {
      pump.SetAttribBool(ePumpDoOnOffSpeed, true);
      switched.store(true);
    });
    pumpServedDuringPrompt = WaitPumping([&] { return switched.load(); }, kHangGuardMs);
    second.join();
    shift->SetActiveMixerBatchNumber(2, 31);
    return IDOK;
  });
  boxes.Expect(IDOK, "لطفا شماره بچ را براي ميكسر 3 وارد كنيد");

  std::thread worker([&] {
    valve.SetAttribBool(eValveDoOnOffPosition, true);
    opened.store(true);
  });
  const bool answered = WaitPumping([&] { return opened.load(); }, kHangGuardMs);
  worker.join();
  CPlantOperatorServices::SetBatchNumberDialogRunner(nullptr);
  ASSERT_TRUE(answered);
  EXPECT_TRUE(workerWaitedForPrompt.load());
  EXPECT_TRUE(pumpServedDuringPrompt);
  EXPECT_TRUE(valve.GetAttribBool(eValveDoOnOffPosition));
  EXPECT_EQ(GetDischargeDirection(2), 2);
  EXPECT_TRUE(pump.GetAttribBool(ePumpDoOnOffSpeed));
  PumpPendingMessages();
  EXPECT_GE(g_materials[2].GetEventRecordId(), 1);
  pump.SetAttribBool(ePumpDoOnOffSpeed, false);
}

}  // namespace
