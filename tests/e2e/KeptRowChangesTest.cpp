// Hand charges whose rows were kept under another program's lock: a change the
// program makes between the lock's end and the database's retry still reaches
// its row.
#include <memory>

#include "e2e/PlantScenarioFixture.h"
#include "records/AdoDatabase.h"

namespace {

class KeptRowChangesTest : public PlantScenarioFixture {
 protected:
  static constexpr int kLabsPump = 1, kBatcher02ToMixer1 = 4, kBatcher02Discharge = 27;

  static void Hand(C_BaseShape& shape, int attribute, bool on) {
    shape.SetAttribBool(attribute, on);
    PumpPendingMessages();
  }
  static float Batcher02() { return GetShapeAttribFloat(GetMaterialWeigherId(kLabs, 0), eCodeLevel); }
};

TEST_F(KeptRowChangesTest, ADischargeEndedBeforeTheRetryCompletesEveryKeptRow) {
  StartInDemo();
  OpenShift("A");
  EnterBatchNumber("501");
  RawDatabase other(DatabasePath());
  ASSERT_EQ(other.Exec("BEGIN IMMEDIATE"), SQLITE_OK);
  for (int charge = 0; charge < 2; ++charge) {
    Hand(g_gearPumps[kLabsPump], ePumpDoOnOffSpeed, true);
    for (int pass = 0; pass < 4; ++pass) Pass();
    Hand(g_gearPumps[kLabsPump], ePumpDoOnOffSpeed, false);
    ASSERT_TRUE(ChargeEndsDone());
  }
  Hand(g_valves[kBatcher02ToMixer1], eValveDoOnOffPosition, true);
  Hand(g_valves[kBatcher02Discharge], eValveDoOnOffPosition, true);
  ASSERT_TRUE(PassUntil([] { return Batcher02() <= 0.05f; }, 200));
  ASSERT_GT(GetEngineRoot()->GetDatabase()->GetKeptWriteCount(), 0u);
  ASSERT_EQ(other.Exec("COMMIT"), SQLITE_OK);
  // Closed before the database's one-second retry wrote what it kept.
  Hand(g_valves[kBatcher02Discharge], eValveDoOnOffPosition, false);
  GetEngineRoot()->GetDatabase()->WriteKept();
  for (int pass = 0; pass < 5; ++pass) Pass();
  EXPECT_EQ(Sql("SELECT GROUP_CONCAT(m_nRecordID || ' ' || m_strBatchedMatrialName || ' ' || m_strDisChargeDir || ' ' || "
                "m_nBatchNumber || ' ' || m_bBatchIsCompleted, '; ') FROM Event2"),
            "1 L.A.B.S Mixer1 501 1; 2 L.A.B.S Mixer1 501 1");
}

}  // namespace
