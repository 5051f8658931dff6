// A change of a charge's Event2 row that the database refuses (a trigger
// here; a read-only file or a full disk refuse the same way): the operator is
// told once per cause, the form's report says what is not written,
// and the change goes in quietly once the database takes it.
#include <string>

#include "e2e/PlantScenarioFixture.h"

namespace {

class RefusedRowChangesTest : public PlantScenarioFixture {
 protected:
  static constexpr int kLabsPump = 1;

  static void LabsPump(bool on) { ChargePump(kLabsPump, on); }
  static void ChargePump(int pump, bool on) {
    g_gearPumps[static_cast<std::size_t>(pump)].SetAttribBool(ePumpDoOnOffSpeed, on);
    PumpPendingMessages();
  }
  static std::string RefuseUpdates(const std::string& why) {
    return "DROP TRIGGER IF EXISTS refuse_changes; CREATE TRIGGER refuse_changes BEFORE UPDATE ON Event2 "
           "BEGIN SELECT RAISE(ABORT, '" + why + "'); END;";
  }
  std::string Report() { return view->Label(IDC_REPORT_LABEL).GetText(); }
  // Ten form refreshes.
  void TenRefreshes() {
    for (int pass = 0; pass < 10 * m_refreshEveryPasses; ++pass) Pass();
  }
};

TEST_F(RefusedRowChangesTest, IsToldOncePerCauseShownInTheReportAndWrittenOnceTaken) {
  StartInDemo();
  OpenShift("A");
  EnterBatchNumber("501");
  LabsPump(true);
  for (int pass = 0; pass < 4; ++pass) Pass();
  ASSERT_EQ(Sql("SELECT COUNT(*) || ' ' || m_bChrageIsEnd FROM Event2"), "1 0");
  RawDatabase other(DatabasePath());
  const std::size_t boxesBefore = boxes.Count();

  struct Refusal {
    const char* cause;  // the database's own words
    bool endsTheCharge;
    std::size_t boxesSoFar;
  };
  // The same cause at every refresh is told once; a new cause once more.
  for (const Refusal& refusal : {Refusal{"charges are closed", true, 1}, Refusal{"the disk is full", false, 2}}) {
    SCOPED_TRACE(refusal.cause);
    ASSERT_EQ(other.Exec(RefuseUpdates(refusal.cause)), SQLITE_OK);
    boxes.Expect(IDOK, refusal.cause);
    if (refusal.endsTheCharge) {
      LabsPump(false);
      ASSERT_TRUE(ChargeEndsDone());
    }
    TenRefreshes();
    EXPECT_EQ(boxes.Count() - boxesBefore, refusal.boxesSoFar);
    EXPECT_EQ(Report().rfind("1 record not written: ", 0), 0u) << Report();
    EXPECT_NE(Report().find(refusal.cause), std::string::npos) << Report();
    EXPECT_EQ(Sql("SELECT m_bChrageIsEnd FROM Event2"), "0");
  }

  ASSERT_EQ(other.Exec("DROP TRIGGER refuse_changes"), SQLITE_OK);
  TenRefreshes();
  EXPECT_EQ(boxes.Count() - boxesBefore, 2u);
  EXPECT_EQ(Sql("SELECT COUNT(*) || ' ' || m_bChrageIsEnd FROM Event2"), "1 1");
  EXPECT_EQ(Report().find("not written"), std::string::npos) << Report();

  // Refused again later: told anew, and once more by the close that loses it.
  ASSERT_EQ(other.Exec(RefuseUpdates("charges are closed")), SQLITE_OK);
  LabsPump(true);
  for (int pass = 0; pass < 4; ++pass) Pass();
  boxes.Expect(IDOK, "charges are closed");
  LabsPump(false);
  ASSERT_TRUE(ChargeEndsDone());
  TenRefreshes();
  EXPECT_EQ(boxes.Count() - boxesBefore, 3u);
  boxes.Expect(IDOK, "these changes are lost");
}

// Rows refused one after another for the same cause: one box, and the report
// line counts them.
TEST_F(RefusedRowChangesTest, RowsRefusedForOneCauseAreToldInOneBox) {
  StartInDemo();
  OpenShift("A");
  EnterBatchNumber("501");
  RawDatabase other(DatabasePath());
  ASSERT_EQ(other.Exec(RefuseUpdates("charges are closed")), SQLITE_OK);
  const std::size_t boxesBefore = boxes.Count();
  boxes.Expect(IDOK, "charges are closed");
  for (int pump : {0, 1, 2}) {
    ChargePump(pump, true);
    TenRefreshes();
  }
  EXPECT_EQ(Sql("SELECT COUNT(*) FROM Event2"), "3");
  EXPECT_EQ(boxes.Count() - boxesBefore, 1u);
  EXPECT_EQ(Report().rfind("3 records not written: ", 0), 0u) << Report();
  EXPECT_NE(Report().find("charges are closed"), std::string::npos) << Report();
  boxes.Expect(IDOK, "these changes are lost");
}

}  // namespace
