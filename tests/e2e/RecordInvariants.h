#pragma once
// The records' agreement after an operator sequence, read from the database
// and the plant at a quiet point (nothing moving on the test's clock):
//  (a) the ledger: each material's automatic Event2 rows sum to the shifts'
//      totals for it, no booking lowers a total, "Total Produced" is their sum;
//  (b) a discharged weigher's rows all carry their batch and are completed;
//  (c) one row per charge that ran: automatic rows charged something, rows
//      without the automatic flag are the operator's own, every charge ended;
//  (d) a pump's learned in-pipe amount moves only by a charge that reached
//      its dose in one go;
//  (e) a started process has no step standing in charging or discharging
//      with its outputs off, and no run standing with every step waiting to
//      begin, with nothing said (a box excuses only the step it names);
//  (f) what entered each mixer while a batch number was its batch (the
//      plant's truth) is what the rows credit to that batch;
//  (g) what left a source tank is on its material's rows, hand and
//      automatic; no row is negative; a hand charge is never automatic;
//  (h) material that left the plant outside a mixer is credited to no batch.
// Each finding is a line starting with its tag, the invariant's letter and
// the kind of disagreement, e.g. "(a3) L.A.B.S: the shift's total fell ...":
//  (a1) Event2 and the shift differ   (a2) the shift books more than Event2
//  (a3) a total fell                   (a4) Total Produced is not the sum
//  (b1) an earlier row of a discharged weigher has no batch
//  (b2) a row discharged into a mixer has no batch number
//  (b3) a weigher holds more than its rows not yet completed (it never emptied)
//  (c1) a row that is no hand charge lacks the automatic flag
//  (c2) a charge never ended           (c3) a step "charged" a full weigher
//  (d1) a learned amount moved unexplained
//  (e1) a step charges with its pump off, (e2) discharges with its valve shut
//  (e3) the run stands still: no step past its start, none ended them all
//  (f1) a batch received kilograms its rows do not credit
//  (f2) a batch is credited kilograms it never received
//  (f3) kilograms entered a mixer that had no batch number
//  (g1) a row of negative amount      (g2) a hand charge flagged automatic
//  (g3) a tank's loss is not what its material's rows hold
//  (h1) material vanished, and more is credited to batches than entered the mixers
//  (i1) another program's row is not as it wrote it (or its rolled-back row is there)
//  (l1) a ledger entry with nothing left to write is not as its Event2 row says
//       (checked whenever nothing waits for another program's lock, started or not)
// The walk adds (x1): the program said its threads did not close.
#include <map>
#include <set>
#include <string>
#include <vector>

#include "common/PlantObjectId.h"

class PlantTruth;

class RecordInvariants {
 public:
  explicit RecordInvariants(std::string databasePath);

  // Rows added between these two calls were made by the operator's hand: all
  // of them while the process is stopped, else those of `pump`'s materials.
  void BeginHandAction();
  void EndHandAction(bool started, PlantObjectId pump);
  // Another program takes the database's lock and lets it go: rows kept
  // meanwhile get their ids when written, so hand rows made under the lock
  // cannot be told by id; their flags are left unchecked.
  void NoteLockTaken() { m_lockedFrom = HighestRowId(); m_handUnderLock = false; }
  void NoteLockGone();
  // Another program's rows: left out of every check, and checked to be
  // exactly as it wrote them (`text` as RowText reads it; empty: rolled back).
  void NoteForeignRow(const std::string& table, int id, const std::string& text) {
    m_foreign[table == "Batch" ? -id : id] = text;
  }
  // The doses the run's charging steps have: a learned amount is checked
  // against these (called every pass while started).
  void NoteChargingSteps();
  // A dose a recipe of the run may give `material` (the learned amount is checked against these).
  void AllowDose(int material, float dose) { m_doses[material].insert(dose); }
  // A weigher's maximum is about to change: a charge already under way may
  // find its weigher full under it (and a lowered maximum cuts its level).
  void NoteCapacityChange() { m_capacityChangedUpTo = HighestRowId(); }
  // Takes the pumps' learned amounts as they stand (the start of the walk).
  void TakeLearnedBaseline();

  struct QuietPoint {
    bool started = false;          // the process is started (checks (e) only)
    bool locked = false;           // another program holds the database, or writes wait for its lock (checks (e) only)
    std::set<int> excusedSteps;    // steps (1..) a box named since the last Start
    int passesSinceStart = 0;
  };
  // The findings at this point (empty when the records agree).
  std::vector<std::string> Check(const QuietPoint& point, const PlantTruth& truth);
  // Another program's rows as they stand ("" when it is not there).
  std::string RowText(const std::string& table, int id) const;
  // A box saying that a step's batcher holds what the run did not charge
  // (`text`), of the run whose rows have ids above `runFrom`: what the box
  // counts as another charge is no part of the run's own (split or not).
  //  (r3) the box counts the run's own charge as another
  std::vector<std::string> CheckLeftInWeigherBox(const std::string& text, int runFrom) const;

 private:
  struct EventRow {
    int id = 0;
    int material = -1;
    double start = 0, end = 0;
    std::string direction;
    int batch = 0;
    int automatic = 0, chargeEnded = 0, completed = 0;
    bool dischargeStarted = false;
    int partOf = 0;  // the first row of the charge a discharge split this one from (0: its own charge)
    double charged = 0;  // a charge's first row: what the whole charge charged, its split parts included
    double Amount() const { return end - start; }
  };
  std::vector<EventRow> ReadRows() const;
  int HighestRowId() const;
  std::vector<double> ReadShiftTotals(double& produced) const;

  void CheckLedger(const std::vector<EventRow>& rows, std::vector<std::string>& findings);
  void CheckDischargedRows(const std::vector<EventRow>& rows, std::vector<std::string>& findings) const;
  void CheckOneRowPerCharge(const std::vector<EventRow>& rows, std::vector<std::string>& findings) const;
  void CheckLearning(const std::vector<EventRow>& rows, std::vector<std::string>& findings);
  void CheckTruth(const std::vector<EventRow>& rows, const PlantTruth& truth, std::vector<std::string>& findings) const;
  void CheckForeignRows(std::vector<std::string>& findings) const;
  void CheckLedgerEntries(std::vector<std::string>& findings) const;
  static void CheckStandingSteps(const QuietPoint& point, std::vector<std::string>& findings);
  void CheckWaitingRun(const QuietPoint& point, std::vector<std::string>& findings);

  std::string m_path;
  int m_handFrom = 0;
  std::set<int> m_handRows;
  std::set<int> m_flagUnknown;  // rows a hand action may have made under another program's lock
  int m_lockedFrom = -1;
  bool m_handUnderLock = false;
  int m_capacityChangedUpTo = 0;
  int m_standingSince = -1;  // passes since the Start when the run was last seen standing
  std::map<int, std::set<float>> m_doses;
  std::map<int, std::set<float>> m_chargingDoses;  // by material, since its pump last learned
  std::map<int, std::string> m_foreign;           // another program's rows: id -> text ("Batch:" ids negative)
  std::vector<double> m_lastTotals;
  std::map<PlantObjectId, float> m_learned;   // by pump
  std::map<PlantObjectId, int> m_learnedRow;  // by pump: the last row its learning was explained by
};
