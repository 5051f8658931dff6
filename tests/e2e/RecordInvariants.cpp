#include "e2e/RecordInvariants.h"

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <utility>

#include "engine/EngineTables.h"
#include "engine/ProcessEngineApp.h"
#include "plant/Material.h"
#include "plant/PlantModel.h"
#include "records/MaterialNames.h"
#include "records/RecipeRS.h"
#include "records/RecipeStepInfo.h"

namespace {

// Event2 and the shift keep single-precision amounts: sums of a few dozen
// rows agree to within this.
constexpr double kLedgerTolerance = 0.05;
// Passes a run may stand with every step waiting to begin before someone must say why.
constexpr int kStandingPasses = 20;
constexpr int kInvariantCharging = 1, kInvariantSecondDelay = 3, kInvariantDischarging = 5, kInvariantEnded = 11;

const char* const kShiftTotalColumns[kChargedMaterialCount] = {
    "m_fTtlActlMtrlWater",     "m_fTtlActlMtrlCasSoda", "m_fTtlActlMtrlLABS",
    "m_fTtlActlMtrlWaterEx",   "m_fTtlActlMtrlDiethanol", "m_fTtlActlMtrlLitron",
    "m_fTtlActlMtrlColor",     "m_fTtlActlMtrlEssanc",  "m_fTtlActlMtrlPreserv"};

std::string Kg(double value) {
  std::ostringstream text;
  text.setf(std::ios::fixed);
  text.precision(2);
  text << value;
  return text.str();
}

std::string NameOf(int material) { return GetMaterialNameByIndex(material); }

// Runs `sql` on its own connection and hands each row to `row`.
template <class Row>
void ForEachRow(const std::string& path, const std::string& sql, Row row) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    sqlite3_close(db);
    return;
  }
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) == SQLITE_OK) {
    while (sqlite3_step(stmt) == SQLITE_ROW) row(stmt);
  }
  sqlite3_finalize(stmt);
  sqlite3_close(db);
}

std::string ColumnText(sqlite3_stmt* stmt, int column) {
  const unsigned char* text = sqlite3_column_text(stmt, column);
  return text ? reinterpret_cast<const char*>(text) : std::string();
}

// The run's used automatic steps of real materials in phases `from`..`to`.
template <class Action>
void ForEachRunStepIn(int from, int to, Action action) {
  CProcessEngineApp& engine = GetProcessEngine();
  for (int i = 0; i < CRecipeRS::kStepCount; ++i) {
    CRecipeStepInfo step;
    if (!engine.GetRunStep(i, step)) return;
    const int material = step.GetMaterialIndex();
    if (!step.IsStepActive() || step.m_bIsManualDosing || material < 0 || material >= kChargedMaterialCount) continue;
    const int phase = engine.GetStepPhase(i);
    if (phase >= from && phase <= to) action(i, step, phase);
  }
}

// The batcher a material is weighed in (-1: water, weighed in its mixer).
int BatcherOf(int material) {
  if (material <= 0 || material >= kChargedMaterialCount) return -1;
  return static_cast<int>(GetMaterialWeigherId(material, 0) & 0xFFFF);
}

float LearnedOf(PlantObjectId pump) { return GetShapeAttribFloat(pump, eCodeLoadInWay); }

}  // namespace

RecordInvariants::RecordInvariants(std::string databasePath) : m_path(std::move(databasePath)) {}

int RecordInvariants::HighestRowId() const {
  int highest = 0;
  ForEachRow(m_path, "SELECT MAX(m_nRecordID) FROM Event2",
             [&](sqlite3_stmt* stmt) { highest = sqlite3_column_int(stmt, 0); });
  return highest;
}

void RecordInvariants::BeginHandAction() { m_handFrom = HighestRowId(); }

void RecordInvariants::EndHandAction() {
  for (int id = m_handFrom + 1, last = HighestRowId(); id <= last; ++id) m_handRows.insert(id);
}

void RecordInvariants::TakeLearnedBaseline() {
  m_learned.clear();
  for (int material = 0; material < kChargedMaterialCount; ++material) {
    const PlantObjectId pump = g_materials[static_cast<std::size_t>(material)].GetChargePumpId();
    m_learned[pump] = LearnedOf(pump);
    m_learnedRow[pump] = HighestRowId();
  }
}

std::vector<RecordInvariants::EventRow> RecordInvariants::ReadRows() const {
  std::vector<EventRow> rows;
  ForEachRow(m_path,
             "SELECT m_nRecordID, m_strBatchedMatrialName, m_fStartMatrialDose, m_fEndMatrialDose, "
             "m_strDisChargeDir, m_nBatchNumber, m_bIsAutoBatching, m_bChrageIsEnd, m_bBatchIsCompleted, "
             "m_strDisChargeDir <> '?', (SELECT MIN(o.m_nRecordID) FROM Event2 o WHERE o.m_nRecordID < "
             "Event2.m_nRecordID AND o.m_strBatchedMatrialName = Event2.m_strBatchedMatrialName AND "
             "o.m_dtChargeStartTime = Event2.m_dtChargeStartTime) FROM Event2 ORDER BY m_nRecordID",
             [&](sqlite3_stmt* stmt) {
               EventRow row;
               row.id = sqlite3_column_int(stmt, 0);
               row.material = GetMaterialIndexByName(ColumnText(stmt, 1));
               row.start = sqlite3_column_double(stmt, 2);
               row.end = sqlite3_column_double(stmt, 3);
               row.direction = ColumnText(stmt, 4);
               row.batch = sqlite3_column_int(stmt, 5);
               row.automatic = sqlite3_column_int(stmt, 6);
               row.chargeEnded = sqlite3_column_int(stmt, 7);
               row.completed = sqlite3_column_int(stmt, 8);
               // A discharge into a mixer gives the row the mixer's name (the
               // water's row has it from its start: it is weighed in the mixer).
               row.dischargeStarted = sqlite3_column_int(stmt, 9) != 0;
               // A discharge that took part of a charge left the rest on a
               // row of its own, with the charge's start time.
               row.partOf = sqlite3_column_int(stmt, 10);
               rows.push_back(row);
             });
  return rows;
}

std::vector<double> RecordInvariants::ReadShiftTotals(double& produced) const {
  std::string sql = "SELECT m_fTotalProduced";
  for (const char* column : kShiftTotalColumns) sql += std::string(", ") + column;
  sql += " FROM Shift ORDER BY m_nRecordID DESC LIMIT 1";
  std::vector<double> totals(kChargedMaterialCount, 0.0);
  produced = 0.0;
  ForEachRow(m_path, sql, [&](sqlite3_stmt* stmt) {
    produced = sqlite3_column_double(stmt, 0);
    for (int m = 0; m < kChargedMaterialCount; ++m) totals[static_cast<std::size_t>(m)] = sqlite3_column_double(stmt, m + 1);
  });
  return totals;
}

void RecordInvariants::CheckLedger(const std::vector<EventRow>& rows, std::vector<std::string>& findings) {
  double produced = 0.0;
  const std::vector<double> totals = ReadShiftTotals(produced);
  // A step charging or settling has its rows in Event2 before its booking:
  // for its material the shift may lag behind Event2, never run ahead of it.
  std::set<int> pending;
  ForEachRunStepIn(kInvariantCharging, kInvariantSecondDelay,
                   [&](int, const CRecipeStepInfo& step, int) { pending.insert(step.GetMaterialIndex()); });
  double sum = 0.0;
  for (int m = 0; m < kChargedMaterialCount; ++m) {
    double charged = 0.0;
    for (const EventRow& row : rows)
      if (row.material == m && row.automatic != 0) charged += row.Amount();
    const double booked = totals[static_cast<std::size_t>(m)];
    sum += booked;
    const std::string name = NameOf(m);
    if (pending.count(m) != 0) {
      if (booked > charged + kLedgerTolerance)
        findings.push_back("(a2) " + name + ": the shift books " + Kg(booked) + " kg, more than Event2's " + Kg(charged) +
                           " kg while a step still charges");
    } else if (std::fabs(booked - charged) > kLedgerTolerance) {
      findings.push_back("(a1) " + name + ": Event2 holds " + Kg(charged) + " kg, the shift books " + Kg(booked) + " kg");
    }
    if (!m_lastTotals.empty() && booked < m_lastTotals[static_cast<std::size_t>(m)] - kLedgerTolerance)
      findings.push_back("(a3) " + name + ": the shift's total fell from " + Kg(m_lastTotals[static_cast<std::size_t>(m)]) +
                         " to " + Kg(booked) + " kg (a negative booking)");
  }
  if (std::fabs(produced - sum) > kLedgerTolerance)
    findings.push_back("(a4) Total Produced is " + Kg(produced) + " kg, the materials' totals sum to " + Kg(sum));
  m_lastTotals = totals;
}

void RecordInvariants::CheckDischargedRows(const std::vector<EventRow>& rows,
                                           std::vector<std::string>& findings) const {
  for (int batcher = ePlantBatcher01; batcher <= ePlantBatcher05; ++batcher) {
    // The weigher's rows in order; the last one whose discharge began marks
    // what left the weigher: every row before it went with it.
    std::vector<const EventRow*> own;
    for (const EventRow& row : rows)
      if (BatcherOf(row.material) == batcher) own.push_back(&row);
    int lastDischarged = -1;
    for (int k = 0; k < static_cast<int>(own.size()); ++k)
      if (own[static_cast<std::size_t>(k)]->dischargeStarted) lastDischarged = k;
    // A discharge still under way has not completed the last row either: the
    // rows that went with it are asked for its batch, not yet for its end.
    const bool dischargeEnded = lastDischarged >= 0 && own[static_cast<std::size_t>(lastDischarged)]->completed != 0;
    for (int k = 0; k < lastDischarged; ++k) {
      const EventRow& row = *own[static_cast<std::size_t>(k)];
      // Emptied by a Demo restart: left the plant into no mixer.
      const bool gone = row.completed != 0 && row.direction == "?" && row.batch == -1;
      if (!gone && ((dischargeEnded && row.completed == 0) || row.batch <= 0))
        findings.push_back("(b1) row " + std::to_string(row.id) + " (" + NameOf(row.material) + " " + Kg(row.start) +
                           " -> " + Kg(row.end) + ", batch " + std::to_string(row.batch) + ", completed " +
                           std::to_string(row.completed) + ") was discharged with row " +
                           std::to_string(own[static_cast<std::size_t>(lastDischarged)]->id) +
                           " but is not credited to a batch");
    }
    // Whatever went into a mixer went into its batch. (A discharge cut by a
    // Stop, a change of data source or a close is not complete, and a Demo
    // started again may have emptied the weigher meanwhile: only the batch
    // is asked of the last discharged row.)
    if (lastDischarged >= 0) {
      const EventRow& row = *own[static_cast<std::size_t>(lastDischarged)];
      if (row.batch <= 0)
        findings.push_back("(b2) row " + std::to_string(row.id) + " (" + NameOf(row.material) + ") was discharged into " +
                           row.direction + " without a batch number (batch " + std::to_string(row.batch) + ")");
    }
  }
}

void RecordInvariants::CheckOneRowPerCharge(const std::vector<EventRow>& rows,
                                            std::vector<std::string>& findings) const {
  // The latest row of each material whose pump still runs is still charging.
  std::map<int, int> latest;
  for (const EventRow& row : rows) latest[row.material] = row.id;
  for (const EventRow& row : rows) {
    const std::string what = "row " + std::to_string(row.id) + " (" + NameOf(row.material) + " " + Kg(row.start) +
                             " -> " + Kg(row.end) + ")";
    const bool hand = m_handRows.count(row.partOf != 0 ? row.partOf : row.id) != 0;
    if (!hand && row.automatic == 0) findings.push_back("(c1) " + what + " is no hand charge, yet has no automatic flag");
    if (row.material < 0 || row.material >= kChargedMaterialCount) continue;
    const PlantObjectId pump = g_materials[static_cast<std::size_t>(row.material)].GetChargePumpId();
    const bool charging = latest[row.material] == row.id && GetShapeAttribBool(pump, eCodeOnOffCommand);
    if (!charging && row.chargeEnded == 0) findings.push_back("(c2) " + what + " never had its charge ended");
    // A step that found its weigher full had nothing to charge: its pump
    // went on and off in one pass, and that is no charge.
    const float full = GetShapeAttribFloat(GetMaterialWeigherId(row.material, 0), eCodeMaxLevel);
    const bool capacityChanged = row.id <= m_capacityChangedUpTo;
    if (!hand && !charging && !capacityChanged && row.material != 0 && !(row.Amount() > 0.0) && row.start >= full - 0.01)
      findings.push_back("(c3) " + what + " is a row for a charge that charged nothing");
  }
}

void RecordInvariants::CheckLearning(const std::vector<EventRow>& rows, std::vector<std::string>& findings) {
  for (auto& [pump, learned] : m_learned) {
    const float now = LearnedOf(pump);
    int& fromRow = m_learnedRow[pump];
    if (std::fabs(now - learned) <= 0.001f) continue;
    // Explained by one charge of a material of this pump, since the last
    // learning, that alone reached a dose: lead' = clamp(lead + charged - dose).
    bool explained = false;
    int explainedBy = fromRow;
    for (const EventRow& row : rows) {
      if (row.id <= fromRow || row.automatic == 0 || row.chargeEnded == 0 || row.material < 0 ||
          row.material >= kChargedMaterialCount)
        continue;
      if (g_materials[static_cast<std::size_t>(row.material)].GetChargePumpId() != pump) continue;
      for (const float dose : m_doses[row.material]) {
        const double limit = static_cast<double>(0.7f) * dose;
        const double target = std::clamp(static_cast<double>(learned) + row.Amount() - dose, 0.0, limit);
        const bool reachedDose = row.Amount() >= (dose - learned) * (1.0 - 0.001) - kLedgerTolerance;
        if (reachedDose && std::fabs(target - now) <= kLedgerTolerance) {
          explained = true;
          explainedBy = row.id;
        }
      }
    }
    if (!explained) {
      const PlantObjectId id = pump;
      std::string name;
      for (const CMaterial& material : g_materials)
        if (material.GetChargePumpId() == id) name += (name.empty() ? "" : "/") + material.GetName();
      findings.push_back("(d1) the in-pipe amount of " + name + "'s pump went from " + Kg(learned) + " to " + Kg(now) +
                         " kg with no charge that reached its dose in one go to teach it");
    }
    learned = now;
    fromRow = explained ? explainedBy : (rows.empty() ? fromRow : rows.back().id);
  }
}

void RecordInvariants::CheckStandingSteps(const QuietPoint& point, std::vector<std::string>& findings) {
  CProcessEngineApp& engine = GetProcessEngine();
  // A Start takes a few passes to open its ways; a box says why a step waits.
  if (!point.started || point.boxSinceStart || point.passesSinceStart < 10 || !engine.IsCycleActive()) return;
  ForEachRunStepIn(kInvariantCharging, kInvariantDischarging, [&](int i, const CRecipeStepInfo& step, int phase) {
    const CMaterial& material = g_materials[static_cast<std::size_t>(step.GetMaterialIndex())];
    if (phase == kInvariantCharging && !GetShapeAttribBool(material.GetChargePumpId(), eCodeOnOffCommand))
      findings.push_back("(e1) step " + std::to_string(i + 1) + " (" + material.GetName() +
                         ") stands charging with its pump off while the process runs");
    if (phase == kInvariantDischarging && !GetShapeAttribBool(material.GetDischargeValveId(), eCodeOnOffCommand))
      findings.push_back("(e2) step " + std::to_string(i + 1) + " (" + material.GetName() +
                         ") stands discharging with its valve shut while the process runs");
  });
}

void RecordInvariants::CheckWaitingRun(const QuietPoint& point, std::vector<std::string>& findings) {
  CProcessEngineApp& engine = GetProcessEngine();
  const int since = m_standingSince;
  m_standingSince = -1;
  if (!point.started || point.boxSinceStart || !engine.IsCycleActive()) return;
  // A run whose steps all wait to begin, none charging, settling, discharging
  // or waiting for a delay or a confirmation, stands still: someone must say why.
  int waiting = -1;
  for (int i = 0; i < CRecipeRS::kStepCount; ++i) {
    CRecipeStepInfo step;
    if (!engine.GetRunStep(i, step)) return;
    if (!step.IsStepActive() || step.m_bIsManualDosing) continue;
    const int phase = engine.GetStepPhase(i);
    if (phase > 0 && phase < kInvariantEnded) return;
    if (phase == 0 && waiting < 0) waiting = i;
  }
  if (waiting < 0) return;
  // A step whose turn has just come stands so for a pass or two: only a run
  // still standing at a later quiet point, well after, stands still.
  const bool sameStart = since >= 0 && point.passesSinceStart >= since;
  m_standingSince = sameStart ? since : point.passesSinceStart;
  if (sameStart && point.passesSinceStart - since >= kStandingPasses)
    findings.push_back("(e3) the run stands with step " + std::to_string(waiting + 1) +
                       " waiting to begin, nothing running and nothing said");
}

std::vector<std::string> RecordInvariants::Check(const QuietPoint& point) {
  std::vector<std::string> findings;
  CheckStandingSteps(point, findings);
  CheckWaitingRun(point, findings);
  if (point.started) return findings;
  const std::vector<EventRow> rows = ReadRows();
  CheckLedger(rows, findings);
  CheckDischargedRows(rows, findings);
  CheckOneRowPerCharge(rows, findings);
  CheckLearning(rows, findings);
  return findings;
}
