// The plant form's veto of valve, pump and local-mode changes, and the
// "Event2" rows it keeps for each charge and discharge: the application runs
// on a temporary database with a running shift, the cycles stopped, every box
// scripted and the charge-end timers fired by the test.
#include <gtest/gtest.h>

#include <utility>

#include "PlantFormFixture.h"
#include "engine/EngineTables.h"
#include "engine/ProcessEngineApp.h"
#include "platform/ui/WindowTimers.h"
#include "plant/MaterialLedger.h"
#include "plant/PlantModel.h"
#include "plant/PlantOperatorServices.h"
#include "records/ShiftRS.h"
#include "shapes/ProcessDataGen.h"
#include "shapes/PumpShape.h"
#include "support/FakeClock.h"

namespace {

const char* const kRunningShift = "INSERT INTO Shift (m_strOperatorName, m_bShiftStopped, m_nShiftRecipeID, "
                                  "m_strShiftRecipeName) VALUES ('Ahmadi', 0, -1, '?');";
constexpr int kWaterPump = 6, kLabsPump = 1;  // gear pumps
constexpr int kBatcher01 = 9, kBatcher02 = 10, kMixer2 = 15;   // vessels
constexpr UINT kStopBox = MB_OK | MB_ICONSTOP | MB_SYSTEMMODAL;

C_Valve& Valve(int index) { return g_valves[static_cast<std::size_t>(index)]; }
bool Commanded(int valve) { return Valve(valve).GetAttribBool(eValveDoOnOffPosition); }
void Command(int valve, bool open) { Valve(valve).SetAttribBool(eValveDoOnOffPosition, open); }
void Feedback(int valve, bool open) { Valve(valve).SetAttribBool(eValveDiOnOffPosition, open); }
C_GearPump& Pump(int index) { return g_gearPumps[static_cast<std::size_t>(index)]; }
bool Running(C_BaseShape& pump) { return pump.GetAttribBool(ePumpDoOnOffSpeed); }
void Switch(C_BaseShape& pump, bool on) { pump.SetAttribBool(ePumpDoOnOffSpeed, on); }
void SetLevel(int vessel, float kg) { g_vessels[static_cast<std::size_t>(vessel)].SetAttribFloat(eVesselLevel, kg); }
int RowOf(int material) { return GetMaterialLedger().RowOf(GetMaterialLedger().LastEntryOf(material)); }

class PlantFormInterlocksTest : public PlantFormFixture {
 protected:
  void SetUp() override {
    MakeDatabase(kRunningShift);
    ASSERT_TRUE(StartApplication());
    StopCycles();
    shift = g_pShiftRS.load();
    for (int mixer = 0; mixer < kPlantMixerCount; ++mixer) shift->SetActiveMixerBatchNumber(mixer, 11 + mixer);
    clock.SetNow(At(10, 0));
    clock.Install();
  }
  void TearDown() override {
    CPlantOperatorServices::SetBatchNumberDialogRunner(nullptr);
    PlantFormFixture::TearDown();
  }
  static DateTimeFields At(int hour, int minute) {
    DateTimeFields now;
    now.year = 2026, now.month = 12, now.day = 7, now.hour = hour, now.minute = minute;
    return now;
  }
  // The columns of row `id` joined by '|' (floats as %g).
  std::string Row(int id, const std::string& columns) {
    return RawDatabase(DatabasePath()).Text("SELECT " + columns + " FROM Event2 WHERE m_nRecordID = " + std::to_string(id));
  }
  std::string Timers() {
    std::string armed;
    for (const ArmedTimer& timer : ArmedTimersOf(view->GetSafeHwnd()))
      if (timer.id != kRefreshTimer) armed += std::to_string(timer.id) + "@" + std::to_string(timer.elapseMs) + " ";
    return armed;
  }

  FakeClock clock;
  CShiftRS* shift = nullptr;
};

const char* const kChargeColumns =
    "m_strBatchedMatrialName || '|' || printf('%g', m_fStartMatrialDose) || '|' || printf('%g', m_fEndMatrialDose) || "
    "'|' || m_strDisChargeDir || '|' || m_nBatchNumber || '|' || m_bIsAutoBatching || '|' || m_bChrageIsEnd || '|' || "
    "m_bBatchIsCompleted";

TEST_F(PlantFormInterlocksTest, DirectionValvesSetTheBatchersDirectionOnlyWithABatchNumber) {
  Command(4, true);  // Batcher02-DirectionValve1
  Command(6, true);  // Batcher02-DirectionValve3: Mixer3
  EXPECT_EQ(GetDischargeDirection(2), 2);
  for (int valve = 4; valve < 8; ++valve) EXPECT_EQ(Commanded(valve), valve == 6) << valve;

  // No number for Mixer2 and Cancel at the prompt: refused, and nothing moved.
  shift->SetActiveMixerBatchNumber(1, 0);
  CPlantOperatorServices::SetBatchNumberDialogRunner([] { return IDCANCEL; });
  // The question is the one box: no "operating!" follows it.
  boxes.Expect(IDOK, "لطفا شماره بچ را براي ميكسر 2 وارد كنيد");
  Command(5, true);
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Boxes().front().caption, "Enter Mixer Number");
  EXPECT_FALSE(Commanded(5));
  EXPECT_TRUE(Commanded(6));
  EXPECT_EQ(GetDischargeDirection(2), 2);
}

// Batcher02's discharge valve taken on with Mixer 1 unnumbered, and while its
// question is on screen a second command that needs the same number (Batcher02's
// direction valve to Mixer 1): one question, one dialog; the second command is
// refused without a box of its own.
TEST_F(PlantFormInterlocksTest, ACommandOfferedWhileABatchNumberIsAskedForAsksNoSecondQuestion) {
  const int labsDischarge = ePlantBatcher01DischargeValve + 1;
  SetDischargeDirection(2, 0);
  shift->SetActiveMixerBatchNumber(0, 0);
  int dialogs = 0;
  CPlantOperatorServices::SetBatchNumberDialogRunner([&dialogs] {
    ++dialogs;
    return IDCANCEL;
  });
  bool offered = false;
  boxes.SetOnShow([&offered](const std::string&) {
    if (!std::exchange(offered, true)) Command(4, true);  // Batcher02-DirectionValve1: Mixer1
  });
  boxes.Expect(IDOK, "لطفا شماره بچ را براي ميكسر 1 وارد كنيد");
  Command(labsDischarge, true);
  PumpPendingMessages();
  boxes.SetOnShow(nullptr);
  EXPECT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(dialogs, 1);
  EXPECT_FALSE(Commanded(4));
  EXPECT_FALSE(Commanded(labsDischarge));
}

// A batcher's discharge goes into the mixer of its direction: without that
// mixer's batch number the open is refused, before any row is touched.
TEST_F(PlantFormInterlocksTest, ADischargeValveOpensOnlyWithItsMixersBatchNumber) {
  const int labsDischarge = ePlantBatcher01DischargeValve + 1;
  SetDischargeDirection(2, 0);
  Switch(Pump(kLabsPump), true);
  PumpPendingMessages();
  Switch(Pump(kLabsPump), false);
  const int row = RowOf(2);
  ASSERT_GE(row, 1);
  shift->SetActiveMixerBatchNumber(0, 0);
  CPlantOperatorServices::SetBatchNumberDialogRunner([] { return IDCANCEL; });
  boxes.Expect(IDOK, "لطفا شماره بچ را براي ميكسر 1 وارد كنيد");
  Command(labsDischarge, true);
  PumpPendingMessages();
  EXPECT_FALSE(Commanded(labsDischarge));
  EXPECT_EQ(Row(row, "m_strDisChargeDir || '|' || m_nBatchNumber"), "?|-1");

  // Closing needs no number; with one given at the prompt the open goes on.
  Command(labsDischarge, false);
  CPlantOperatorServices::SetBatchNumberDialogRunner([this] {
    shift->SetActiveMixerBatchNumber(0, 21);
    return IDOK;
  });
  boxes.Expect(IDOK, "لطفا شماره بچ را براي ميكسر 1 وارد كنيد");
  Command(labsDischarge, true);
  PumpPendingMessages();
  EXPECT_TRUE(Commanded(labsDischarge));
  EXPECT_EQ(Row(row, "m_strDisChargeDir || '|' || m_nBatchNumber"), "Mixer1|21");

  // With the valve open the pump would charge straight into Mixer 1 unweighed:
  // it does not start, and one box says why.
  boxes.Expect(IDOK, "the discharge valve of Batcher02 is open");
  Switch(Pump(kLabsPump), true);
  PumpPendingMessages();
  EXPECT_FALSE(Running(Pump(kLabsPump)));
  EXPECT_EQ(RowOf(2), row);
  Command(labsDischarge, false);
  PumpPendingMessages();
}

// Batcher02's discharge valve taken on while L.A.B.S is charged into it, Mixer 1
// without a batch number: while the question and then the refusal are up the
// valve is shut, for the Demo's feedback pass that runs meanwhile too, so it
// is drawn shut.
TEST_F(PlantFormInterlocksTest, ARefusedValveIsShutAndDrawnShutWhileItsBoxesAreUp) {
  const int labsDischarge = ePlantBatcher01DischargeValve + 1;
  SetDischargeDirection(2, 0);
  Switch(Pump(kLabsPump), true);
  PumpPendingMessages();
  shift->SetActiveMixerBatchNumber(0, 0);
  CPlantOperatorServices::SetBatchNumberDialogRunner([this] {
    shift->SetActiveMixerBatchNumber(0, 21);
    return IDOK;
  });
  std::string whileUp;
  boxes.SetOnShow([&](const std::string&) {
    GetEngineRoot()->MirrorDemoFeedback();  // the data obtainer's pass meanwhile
    whileUp += std::string(Commanded(labsDischarge) ? "open" : "shut") +
               (Valve(labsDischarge).IsOpenLook() ? ", drawn open; " : ", drawn shut; ");
  });
  boxes.Expect(IDOK, "لطفا شماره بچ را براي ميكسر 1 وارد كنيد");
  boxes.Expect(IDOK, "does not open while L.A.B.S is being charged");
  Command(labsDischarge, true);
  boxes.SetOnShow(nullptr);
  EXPECT_EQ(whileUp, "shut, drawn shut; shut, drawn shut; ");
  EXPECT_FALSE(Commanded(labsDischarge));
  Switch(Pump(kLabsPump), false);
  PumpPendingMessages();
}

TEST_F(PlantFormInterlocksTest, TheWaterPumpNeedsADirectionAndStopsWhenAWaterValveCloses) {
  boxes.Expect(IDOK, "مسير بارگيري آب مشخص نيست");
  Switch(Pump(kWaterPump), true);
  EXPECT_FALSE(Running(Pump(kWaterPump)));
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Boxes().front().caption, "Invalid Discharge Direction");
  EXPECT_EQ(boxes.Boxes().front().style, kStopBox);
  // Into Batcher02 the water has no mixer: only Water-Ex is charged.
  Feedback(ePlantWaterDirectionValve5, true);
  Switch(Pump(kWaterPump), true);
  EXPECT_TRUE(Running(Pump(kWaterPump)));
  Switch(Pump(kWaterPump), false);
  EXPECT_EQ(Timers(), "304@7500 ");

  for (int valve = ePlantWaterDirectionValve1; valve <= ePlantWaterDirectionValve5; ++valve) {
    Command(valve, true);
    for (int other = ePlantWaterDirectionValve1; other <= ePlantWaterDirectionValve5; ++other)
      EXPECT_EQ(Commanded(other), other == valve) << valve << " " << other;
    Switch(Pump(kWaterPump), true);
    Command(valve, false);
    EXPECT_FALSE(Running(Pump(kWaterPump))) << valve;
  }
  PumpPendingMessages();
}

TEST_F(PlantFormInterlocksTest, LocalModeStopsItsBatcherOnlyWhenSwitchedOn) {
  // A batcher is charged or discharged, never both, and by one pump at a
  // time: a pump first, then the valve.
  Switch(g_cntrFglPumps[1], true);
  SetDischargeDirection(6, 3);
  const int flag = ePrcBatcher1IsInLocalMode + 3;  // "Batcher4_IsInLocalMode"
  view->OnLocalModeChanged(flag);                   // still false: nothing
  EXPECT_TRUE(Running(g_cntrFglPumps[1]));
  EXPECT_EQ(GetDischargeDirection(6), 3);

  GetProcessDataGen()->SetAttribBool(flag, true);
  EXPECT_FALSE(Running(g_cntrFglPumps[0]));
  EXPECT_FALSE(Running(g_cntrFglPumps[1]));
  EXPECT_EQ(GetDischargeDirection(6), 0);
  GetProcessDataGen()->SetAttribBool(flag, false);
  PumpPendingMessages();
  Command(ePlantBatcher01DischargeValve + 3, true);
  ASSERT_TRUE(Commanded(ePlantBatcher01DischargeValve + 3));
  GetProcessDataGen()->SetAttribBool(flag, true);
  EXPECT_FALSE(Commanded(ePlantBatcher01DischargeValve + 3));
  GetProcessDataGen()->SetAttribBool(flag, false);
  PumpPendingMessages();
}

TEST_F(PlantFormInterlocksTest, AChargeAndItsDischargeFillOneRowEach) {
  Feedback(ePlantWaterDirectionValve1 + 1, true);  // water runs to Mixer2
  Command(6, true);                                 // Batcher02 discharges into Mixer3
  SetLevel(kMixer2, 120.0f);
  SetLevel(kBatcher02, 40.0f);
  // A start the dosing makes is automatic, whatever else runs meanwhile.
  GetMaterialLedger().ExpectAutomaticStart(0);
  Switch(Pump(kWaterPump), true);
  GetMaterialLedger().TakeAutomaticStart(0);
  PumpPendingMessages();
  ASSERT_GE(RowOf(0), 1);
  EXPECT_EQ(Row(RowOf(0), kChargeColumns), "Water|120|120|Mixer2|12|1|0|0");
  // The pump serves Water-Ex too, but Water-DirectionValve5 is closed: no row for it.
  EXPECT_EQ(RowOf(3), -1);

  // Off: the charge ends after half its settle delay, once.
  Switch(Pump(kWaterPump), false);
  EXPECT_EQ(Timers(), "301@2500 ");
  clock.SetNow(At(10, 5));
  SetLevel(kMixer2, 150.0f);
  ASSERT_TRUE(FireTimerNow(view->GetSafeHwnd(), 301));
  PumpPendingMessages();
  EXPECT_EQ(Row(RowOf(0), kChargeColumns), "Water|120|150|Mixer2|12|1|1|0");
  EXPECT_EQ(Row(RowOf(0), "m_strChargeEndTimeShamsi"), "1405/09/16 - 10:05:00");

  // Into Batcher02 through Water-DirectionValve5: only Water-Ex is charged.
  Feedback(ePlantWaterDirectionValve1 + 1, false);
  Feedback(ePlantWaterDirectionValve5, true);
  Switch(Pump(kWaterPump), true);
  PumpPendingMessages();
  ASSERT_GE(RowOf(3), 1);
  EXPECT_EQ(Row(RowOf(3), kChargeColumns), "Water-Ex|40|40|?|-1|0|0|0");
  // Its feedback gone before the pump stops, the charge it started still ends.
  Feedback(ePlantWaterDirectionValve5, false);
  Switch(Pump(kWaterPump), false);
  EXPECT_EQ(Timers(), "304@7500 ");
  SetLevel(kBatcher02, 70.0f);
  ASSERT_TRUE(FireTimerNow(view->GetSafeHwnd(), 304));
  PumpPendingMessages();
  EXPECT_EQ(Row(RowOf(3), kChargeColumns), "Water-Ex|40|70|?|-1|0|1|0");

  // Batcher02's valve serves L.A.B.S (no row yet) and Water-Ex.
  clock.SetNow(At(10, 7));
  Command(ePlantBatcher01DischargeValve + 1, true);
  PumpPendingMessages();
  EXPECT_EQ(Row(RowOf(3), kChargeColumns), "Water-Ex|40|70|Mixer3|13|0|1|0");
  // A discharge that ends part-way leaves what it did not take on a row of its own.
  clock.SetNow(At(10, 9));
  SetLevel(kBatcher02, 50.0f);
  Command(ePlantBatcher01DischargeValve + 1, false);
  PumpPendingMessages();
  EXPECT_EQ(Row(RowOf(3), kChargeColumns), "Water-Ex|40|60|Mixer3|13|0|1|1");
  EXPECT_EQ(Row(RowOf(3) + 1, kChargeColumns), "Water-Ex|60|70|?|-1|0|1|0");

  // L.A.B.S charged next; the shared valve's discharge takes the rest of
  // Water-Ex first, then L.A.B.S, and leaves the finished row alone.
  Switch(Pump(kLabsPump), true);
  PumpPendingMessages();
  SetLevel(kBatcher02, 65.0f);
  Switch(Pump(kLabsPump), false);
  PumpPendingMessages();
  clock.SetNow(At(10, 20));
  Command(ePlantBatcher01DischargeValve + 1, true);
  PumpPendingMessages();
  SetLevel(kBatcher02, 0.0f);
  Command(ePlantBatcher01DischargeValve + 1, false);
  PumpPendingMessages();
  EXPECT_EQ(Row(RowOf(3), "m_strDisChargeStartTimeShamsi || '|' || m_bBatchIsCompleted"), "1405/09/16 - 10:07:00|1");
  EXPECT_EQ(Row(RowOf(3) + 1, kChargeColumns), "Water-Ex|60|70|Mixer3|13|0|1|1");
  EXPECT_EQ(Row(RowOf(2), kChargeColumns), "L.A.B.S|50|65|Mixer3|13|0|1|1");
  EXPECT_EQ(Row(RowOf(2), "m_strDisChargeStartTimeShamsi"), "1405/09/16 - 10:20:00");
}

TEST_F(PlantFormInterlocksTest, AWaitingChargeEndRunsWhenThePumpRestartsOrTheFormCloses) {
  SetLevel(kBatcher02, 10.0f);
  Switch(Pump(kLabsPump), true);
  PumpPendingMessages();
  const int first = RowOf(2);
  Switch(Pump(kLabsPump), false);
  EXPECT_EQ(Timers(), "303@7500 ");
  SetLevel(kBatcher02, 25.0f);
  Switch(Pump(kLabsPump), true);
  EXPECT_EQ(Timers(), "");
  PumpPendingMessages();
  const int second = RowOf(2);
  ASSERT_NE(second, first);
  EXPECT_EQ(Row(first, kChargeColumns), "L.A.B.S|10|25|?|-1|0|1|0");
  EXPECT_EQ(Row(second, kChargeColumns), "L.A.B.S|25|25|?|-1|0|0|0");

  SetLevel(kBatcher02, 30.0f);
  Switch(Pump(kLabsPump), false);
  main->DestroyWindow();
  main = nullptr;
  EXPECT_EQ(Row(second, kChargeColumns), "L.A.B.S|25|30|?|-1|0|1|0");
}

TEST_F(PlantFormInterlocksTest, AFailedRowLeavesNoOlderRowToChange) {
  SetLevel(kBatcher01, 0.0f);
  Switch(Pump(0), true);  // Batcher01-ChargePump: Caus. Soda
  PumpPendingMessages();
  const int older = RowOf(1);
  ASSERT_GE(older, 1);
  Switch(Pump(0), false);
  ASSERT_EQ(RawDatabase(DatabasePath()).Exec("CREATE TRIGGER NoEvents BEFORE INSERT ON Event2 "
                                             "BEGIN SELECT RAISE(ABORT, 'events are read-only'); END;"),
            SQLITE_OK);
  boxes.Expect(IDOK, "events are read-only");
  Switch(Pump(0), true);
  PumpPendingMessages();
  EXPECT_EQ(RowOf(1), -1);
  EXPECT_EQ(RawDatabase(DatabasePath()).Text("SELECT COUNT(*) FROM Event2"), "1");
  // The older row is not taken for the failed one; its charge is still in
  // the batcher, so the discharge takes it along.
  Switch(Pump(0), false);
  Command(ePlantBatcher01DischargeValve, true);
  PumpPendingMessages();
  EXPECT_EQ(Row(older, kChargeColumns), "Caus. Soda|0|0|Mixer1|11|0|1|0");
  EXPECT_EQ(Row(older, "m_strDisChargeStartTimeShamsi"), "1405/09/16 - 10:00:00");
}

using PlantFormWithoutTablesTest = PlantFormFixture;
using PlantFormOpenRowsTest = PlantFormFixture;

// A charge an earlier session left in its weigher whose row cannot be read
// (binary data where its weight belongs): the start says so, in the database's words.
TEST_F(PlantFormOpenRowsTest, OpenRowsThatCannotBeReadAreToldAtTheStart) {
  MakeDatabase(std::string(kRunningShift) +
               "INSERT INTO Event2 (m_strBatchedMatrialName, m_fStartMatrialDose, m_fEndMatrialDose, "
               "m_bBatchIsCompleted) VALUES ('L.A.B.S', X'00', 20, 0), ('Water', 0, 20, 1);");
  boxes.Expect(IDOK, "The records of the charges still in the weighers could not be read from the database (The "
                     "column 'm_fStartMatrialDose' holds binary data, not a SINGLE value.).\nTheir rows stay as they "
                     "are: what those charges hold is credited to no batch.");
  ASSERT_TRUE(StartApplication());
  EXPECT_EQ(boxes.Pending(), 0u);
}

TEST_F(PlantFormWithoutTablesTest, EventsWriteNothingAfterAFailedStart) {
  boxes.Expect(IDOK, "DataBase file not found!");
  ASSERT_TRUE(StartApplication());
  ASSERT_FALSE(view->IsEngineStarted());
  EXPECT_EQ(view->SendMessage(WM_CHARGE_START, 1, 2), 0);
  EXPECT_EQ(RowOf(2), CMaterialLedger::kNoRow);
  EXPECT_EQ(view->SendMessage(WM_CHARGE_EVENT, 4, 2), 1);
}

}  // namespace
