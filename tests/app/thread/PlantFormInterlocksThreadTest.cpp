// A worker's valve command reaches the plant form's veto as a sent message:
// the handler runs on the user-interface thread, where the batch-number
// prompt is modal, while the worker waits for the answer.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "app/PlantFormFixture.h"
#include "engine/EngineTables.h"
#include "plant/MaterialLedger.h"
#include "plant/PlantModel.h"
#include "plant/PlantOperatorServices.h"
#include "plant/RuvEngineApp.h"
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
  EXPECT_GE(GetMaterialLedger().RowOf(GetMaterialLedger().LastEntryOf(2)), 1);
  pump.SetAttribBool(ePumpDoOnOffSpeed, false);
}

// A charge's "Event2" row starts at the weigher's level before the pump moved
// anything, whichever runs first: a Demo pass while the worker that switched
// the pump on still waits for the form's answer, or one between the form's
// answer and the posted charge start.
TEST_F(PlantFormInterlocksThreadTest, AChargeStartsAtTheLevelBeforeThePumpMovedWhicheverCycleRunsFirst) {
  MakeDatabase("INSERT INTO Shift (m_strOperatorName, m_bShiftStopped) VALUES ('Ahmadi', 0);");
  ASSERT_TRUE(StartApplication());
  StopCycles();
  CRuvEngineApp& engine = *GetEngineRoot();
  ASSERT_EQ(engine.GetDataSourceType(), eDataSourceDemo);
  C_Vessel& batcher01 = g_vessels[ePlantBatcher01];
  C_Vessel& batcher02 = g_vessels[ePlantBatcher01 + 1];
  batcher01.SetAttribFloat(eVesselLevel, 5.0f);
  batcher02.SetAttribFloat(eVesselLevel, 10.0f);

  // The process cycle switches L.A.B.S's pump on; the Demo pass runs while it
  // waits in its store for the form.
  C_GearPump& labsPump = g_gearPumps[1];
  std::atomic<bool> stored{false};
  std::thread worker([&] {
    labsPump.SetAttribBool(ePumpDoOnOffSpeed, true);
    stored.store(true);
  });
  // Not pumping: the worker's store waits for the form meanwhile.
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::milliseconds(kHangGuardMs);
  while (!labsPump.GetAttribBool(ePumpDoOnOffSpeed) && std::chrono::steady_clock::now() < giveUp)
    std::this_thread::yield();
  engine.SimulateDemo();
  const bool answered = WaitPumping([&] { return stored.load(); }, kHangGuardMs);
  worker.join();
  ASSERT_TRUE(answered);
  PumpPendingMessages();

  // The operator switches Caus. Soda's pump on; a Demo pass runs before the
  // posted charge start is handled.
  C_GearPump& sodaPump = g_gearPumps[0];
  sodaPump.SetAttribBool(ePumpDoOnOffSpeed, true);
  engine.SimulateDemo();
  PumpPendingMessages();

  RawDatabase database(DatabasePath());
  EXPECT_EQ(database.Text("SELECT GROUP_CONCAT(m_strBatchedMatrialName || ' ' || printf('%g', m_fStartMatrialDose), '; ') "
                          "FROM Event2"),
            "L.A.B.S 10; Caus. Soda 5");
  // Both pumps charged from then on.
  EXPECT_GT(batcher02.GetAttribFloat(eVesselLevel), 10.0f);
  EXPECT_GT(batcher01.GetAttribFloat(eVesselLevel), 5.0f);
  labsPump.SetAttribBool(ePumpDoOnOffSpeed, false);
  sodaPump.SetAttribBool(ePumpDoOnOffSpeed, false);
  PumpPendingMessages();
}

}  // namespace
