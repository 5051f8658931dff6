#pragma once
// The records' agreement after an operator sequence, read from the database
// and the plant at a quiet point (nothing moving on the test's clock):
//  (a) the ledger: each material's automatic Event2 rows sum to the shift's
//      total for it, no booking lowers a total, "Total Produced" is their sum;
//  (b) a discharged weigher's rows all carry their batch and are completed;
//  (c) one row per charge that ran: automatic rows charged something, rows
//      without the automatic flag are the operator's own, every charge ended;
//  (d) a pump's learned in-pipe amount moves only by a charge that reached
//      its dose in one go;
//  (e) a started process has no step standing in charging or discharging
//      with its outputs off, and no run standing with every step waiting to
//      begin, with nothing said.
// Each finding is a line starting with its tag, the invariant's letter and
// the kind of disagreement, e.g. "(a3) L.A.B.S: the shift's total fell ...":
//  (a1) Event2 and the shift differ   (a2) the shift books more than Event2
//  (a3) a total fell                   (a4) Total Produced is not the sum
//  (b1) an earlier row of a discharged weigher has no batch
//  (b2) a row discharged into a mixer has no batch number
//  (c1) a row that is no hand charge lacks the automatic flag
//  (c2) a charge never ended           (c3) a step "charged" a full weigher
//  (d1) a learned amount moved unexplained
//  (e1) a step charges with its pump off, (e2) discharges with its valve shut
//  (e3) the run stands still: no step past its start, none ended them all
#include <map>
#include <set>
#include <string>
#include <vector>

#include "common/PlantObjectId.h"

class RecordInvariants {
 public:
  explicit RecordInvariants(std::string databasePath);

  // Rows added between these two calls were made by the operator's hand.
  void BeginHandAction();
  void EndHandAction();
  // A dose a recipe of the run may give `material` (the learned amount is checked against these).
  void AllowDose(int material, float dose) { m_doses[material].insert(dose); }
  // A weigher's maximum is about to change: a charge already under way may
  // find its weigher full under it (and a lowered maximum cuts its level).
  void NoteCapacityChange() { m_capacityChangedUpTo = HighestRowId(); }
  // Takes the pumps' learned amounts as they stand (the start of the walk).
  void TakeLearnedBaseline();

  struct QuietPoint {
    bool started = false;          // the process is started (checks (e) only)
    bool boxSinceStart = false;    // a box spoke since the last Start
    int passesSinceStart = 0;
  };
  // The findings at this point (empty when the records agree).
  std::vector<std::string> Check(const QuietPoint& point);

 private:
  struct EventRow {
    int id = 0;
    int material = -1;
    double start = 0, end = 0;
    std::string direction;
    int batch = 0;
    int automatic = 0, chargeEnded = 0, completed = 0;
    bool dischargeStarted = false;
    int partOf = 0;  // the row whose charge a discharge split this one from (0: its own charge)
    double Amount() const { return end - start; }
  };
  std::vector<EventRow> ReadRows() const;
  int HighestRowId() const;
  std::vector<double> ReadShiftTotals(double& produced) const;

  void CheckLedger(const std::vector<EventRow>& rows, std::vector<std::string>& findings);
  void CheckDischargedRows(const std::vector<EventRow>& rows, std::vector<std::string>& findings) const;
  void CheckOneRowPerCharge(const std::vector<EventRow>& rows, std::vector<std::string>& findings) const;
  void CheckLearning(const std::vector<EventRow>& rows, std::vector<std::string>& findings);
  static void CheckStandingSteps(const QuietPoint& point, std::vector<std::string>& findings);
  void CheckWaitingRun(const QuietPoint& point, std::vector<std::string>& findings);

  std::string m_path;
  int m_handFrom = 0;
  std::set<int> m_handRows;
  int m_capacityChangedUpTo = 0;
  int m_standingSince = -1;  // passes since the Start when the run was last seen standing
  std::map<int, std::set<float>> m_doses;
  std::vector<double> m_lastTotals;
  std::map<PlantObjectId, float> m_learned;   // by pump
  std::map<PlantObjectId, int> m_learnedRow;  // by pump: the last row its learning was explained by
};
