#include "e2e/RecordInvariants.h"

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <utility>

#include "e2e/PlantTruth.h"
#include "engine/EngineTables.h"
#include "engine/ProcessEngineApp.h"
#include "plant/Material.h"
#include "plant/MaterialLedger.h"
#include "plant/PlantModel.h"
#include "records/Event2RS.h"
#include "records/MaterialNames.h"
#include "records/RecipeRS.h"
#include "records/RecipeStepInfo.h"

namespace {

// Event2 and the shift keep single-precision amounts: sums of a few dozen
// rows agree to within this.
constexpr double kLedgerTolerance = 0.05;
// The rows and the Demo read and move the same level values inside a pass, so
// the physical balances (f), (g), (h) hold to the rounding of single-precision
// sums: this plus the rounding bound the truth keeps (a few grams per pass
// that moved something). One pass of a pump or a discharge moves kilograms
// (L.A.B.S 23.8 kg, water 5.95 kg, a discharge 34 kg), so a fault of one
// pass's flow cannot hide.
constexpr double kBalanceTolerance = 0.05;
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

void RecordInvariants::BeginHandAction() {
  if (m_lockedFrom >= 0) m_handUnderLock = true;
  m_handFrom = HighestRowId();
}

void RecordInvariants::EndHandAction(bool started, PlantObjectId pump) {
  if (m_lockedFrom >= 0) return;
  std::set<int> pumped;
  for (int material = 0; material < kChargedMaterialCount; ++material)
    if (g_materials[static_cast<std::size_t>(material)].GetChargePumpId() == pump) pumped.insert(material);
  for (const EventRow& row : ReadRows())
    if (row.id > m_handFrom && (!started || pumped.count(row.material) != 0)) m_handRows.insert(row.id);
}

void RecordInvariants::NoteLockGone() {
  if (m_handUnderLock)
    for (int id = m_lockedFrom + 1, last = HighestRowId(); id <= last; ++id) m_flagUnknown.insert(id);
  m_lockedFrom = -1;
}

void RecordInvariants::NoteChargingSteps() {
  ForEachRunStepIn(kInvariantCharging, kInvariantCharging, [&](int, const CRecipeStepInfo& step, int) {
    m_chargingDoses[step.GetMaterialIndex()].insert(step.GetDose());
  });
}

std::string RecordInvariants::RowText(const std::string& table, int id) const {
  std::string text;
  const std::string key = table == "Batch" ? "nRecordID" : "m_nRecordID";
  ForEachRow(m_path, "SELECT * FROM " + table + " WHERE " + key + " = " + std::to_string(id), [&](sqlite3_stmt* stmt) {
    for (int column = 0; column < sqlite3_column_count(stmt); ++column) text += ColumnText(stmt, column) + "|";
  });
  return text;
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
             "o.m_dtChargeStartTime = Event2.m_dtChargeStartTime AND o.m_bIsAutoBatching = Event2.m_bIsAutoBatching "
             "AND o.m_bBatchIsCompleted = 1 AND o.m_fEndMatrialDose = Event2.m_fStartMatrialDose) "
             "FROM Event2 ORDER BY m_nRecordID",
             [&](sqlite3_stmt* stmt) {
               EventRow row;
               row.id = sqlite3_column_int(stmt, 0);
               const auto foreign = m_foreign.find(row.id);
               if (foreign != m_foreign.end() && !foreign->second.empty()) return;
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
               // row of its own: the charge's start time and flag, starting
               // where the completed part ended.
               row.partOf = sqlite3_column_int(stmt, 10);
               rows.push_back(row);
             });
  // A part split from a part belongs to the same charge: to its first row.
  std::map<int, std::size_t> index;
  for (std::size_t k = 0; k < rows.size(); ++k) index[rows[k].id] = k;
  for (EventRow& row : rows) {
    for (auto up = index.find(row.partOf); up != index.end() && rows[up->second].partOf != 0;
         up = index.find(row.partOf))
      row.partOf = rows[up->second].partOf;
    row.charged = row.Amount();
  }
  for (const EventRow& row : rows)
    if (const auto first = index.find(row.partOf); row.partOf != 0 && first != index.end())
      rows[first->second].charged += row.Amount();
  return rows;
}

std::vector<double> RecordInvariants::ReadShiftTotals(double& produced) const {
  // Every shift's: a shift change starts the new shift's totals from nothing.
  std::string sql = "SELECT TOTAL(m_fTotalProduced)";
  for (const char* column : kShiftTotalColumns) sql += std::string(", TOTAL(") + column + ")";
  sql += " FROM Shift";
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
    // At most the charge of the step still under way may wait for its booking.
    double newest = 0.0;
    for (const EventRow& row : rows)
      if (row.material == m && row.automatic != 0) newest = std::max(0.0, row.Amount());
    if (pending.count(m) != 0) {
      if (booked > charged + kLedgerTolerance)
        findings.push_back("(a2) " + name + ": the shift books " + Kg(booked) + " kg, more than Event2's " + Kg(charged) +
                           " kg while a step still charges");
      else if (booked < charged - newest - kLedgerTolerance)
        findings.push_back("(a1) " + name + ": Event2 holds " + Kg(charged) + " kg, the shift books " + Kg(booked) +
                           " kg: more than the step's own charge waits for its booking");
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
    // The weigher's rows in the order a discharge takes them, oldest charge
    // first (the part a discharge left keeps its charge's place); the last one
    // whose discharge began marks what left the weigher: every row before it
    // went with it.
    std::vector<const EventRow*> own;
    for (const EventRow& row : rows)
      if (BatcherOf(row.material) == batcher) own.push_back(&row);
    const auto chargeOf = [](const EventRow* row) { return row->partOf != 0 ? row->partOf : row->id; };
    std::stable_sort(own.begin(), own.end(),
                     [&](const EventRow* a, const EventRow* b) { return chargeOf(a) < chargeOf(b); });
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
    // The part of a charge a discharge left is the charge's own: hand or automatic as it was.
    const int charge = row.partOf != 0 ? row.partOf : row.id;
    const bool flagKnown = m_flagUnknown.count(charge) == 0;
    const bool hand = m_handRows.count(charge) != 0 || !flagKnown;
    if (flagKnown && !hand && row.automatic == 0)
      findings.push_back("(c1) " + what + " is no hand charge, yet has no automatic flag");
    if (flagKnown && hand && row.automatic != 0) findings.push_back("(g2) " + what + " is a hand charge flagged automatic");
    if (row.Amount() < -kBalanceTolerance) findings.push_back("(g1) " + what + " is a negative amount");
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
    // Explained by charges of a material of this pump since the last
    // learning, each of which alone reached its step's dose and taught
    // lead' = clamp(lead + charged - dose); the values each chain of them
    // may have reached (several, when checks were skipped under a lock).
    std::vector<std::pair<double, int>> reached{{learned, fromRow}};
    for (const EventRow& row : rows) {
      // A charge a discharge split teaches by its whole amount, on its first row.
      if (row.id <= fromRow || row.automatic == 0 || row.chargeEnded == 0 || row.partOf != 0 || row.material < 0 ||
          row.material >= kChargedMaterialCount)
        continue;
      if (g_materials[static_cast<std::size_t>(row.material)].GetChargePumpId() != pump) continue;
      // The dose of the step that charged it (any dose the walk gave, when
      // no pass saw the step charging).
      const std::set<float>& doses =
          m_chargingDoses[row.material].empty() ? m_doses[row.material] : m_chargingDoses[row.material];
      const std::size_t before = reached.size();
      for (std::size_t k = 0; k < before && reached.size() < 64; ++k) {
        const double lead = reached[k].first;
        for (const float dose : doses) {
          const double limit = static_cast<double>(0.7f) * dose;
          const bool reachedDose = row.charged >= (dose - lead) * (1.0 - 0.001) - kLedgerTolerance;
          if (!reachedDose) continue;
          // A value some chain already reached is kept once (its earliest row): charges that
          // each teach nothing new would else double the chains and fill the bound before a later one.
          const double next = std::clamp(lead + row.charged - dose, 0.0, limit);
          const bool known = std::any_of(reached.begin(), reached.end(), [&](const std::pair<double, int>& chain) {
            return chain.second > fromRow && std::fabs(chain.first - next) <= 1e-6;
          });
          if (!known) reached.emplace_back(next, row.id);
        }
      }
    }
    // Two chains can reach the same amount (two equal charges, one teaching,
    // the other not yet): the earliest explains it, and the later may teach next.
    bool explained = false;
    int explainedBy = fromRow;
    for (const auto& [lead, row] : reached)
      if (row > fromRow && std::fabs(lead - now) <= kLedgerTolerance) {
        explainedBy = explained ? std::min(explainedBy, row) : row;
        explained = true;
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
    for (int material = 0; material < kChargedMaterialCount; ++material)
      if (g_materials[static_cast<std::size_t>(material)].GetChargePumpId() == pump) m_chargingDoses[material].clear();
  }
}

void RecordInvariants::CheckStandingSteps(const QuietPoint& point, std::vector<std::string>& findings) {
  CProcessEngineApp& engine = GetProcessEngine();
  // A Start takes a few passes to open its ways; a box says why a step waits.
  if (!point.started || point.passesSinceStart < 10 || !engine.IsCycleActive()) return;
  ForEachRunStepIn(kInvariantCharging, kInvariantDischarging, [&](int i, const CRecipeStepInfo& step, int phase) {
    if (point.excusedSteps.count(i + 1) != 0) return;
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
  if (!point.started || !engine.IsCycleActive()) return;
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
  if (waiting < 0 || point.excusedSteps.count(waiting + 1) != 0) return;
  // A step whose turn has just come stands so for a pass or two: only a run
  // still standing at a later quiet point, well after, stands still.
  const bool sameStart = since >= 0 && point.passesSinceStart >= since;
  m_standingSince = sameStart ? since : point.passesSinceStart;
  if (sameStart && point.passesSinceStart - since >= kStandingPasses)
    findings.push_back("(e3) the run stands with step " + std::to_string(waiting + 1) +
                       " waiting to begin, nothing running and nothing said");
}

void RecordInvariants::CheckTruth(const std::vector<EventRow>& rows, const PlantTruth& truth,
                                  std::vector<std::string>& findings) const {
  // A charge still running has no end on its row yet: the balances wait for it.
  for (int material = 0; material < kChargedMaterialCount; ++material)
    if (GetShapeAttribBool(g_materials[static_cast<std::size_t>(material)].GetChargePumpId(), eCodeOnOffCommand)) return;
  const double tolerance = kBalanceTolerance + truth.Rounding();
  // What each batcher still holds: what its rows under way may not have delivered yet.
  const auto content = [](int batcher) {
    const C_Vessel& vessel = g_vessels[static_cast<std::size_t>(batcher)];
    return std::max(0.0, static_cast<double>(vessel.GetAttribFloat(eVesselLevel)) - vessel.GetAttribFloat(eVesselMinVluLevel));
  };
  // (f) per mixer and batch: completed rows delivered all, rows under way at most all.
  struct Credit {
    double completed = 0, underWay = 0, pending = 0;
    std::set<int> batchers;
  };
  std::map<std::pair<int, int>, Credit> credits;
  double creditedTotal = 0.0;
  std::map<int, double> open;  // by batcher: rows not completed
  // Rows of a batcher discharging now that no batch credits yet: on their way.
  std::map<int, double> inTransit;  // by mixer
  for (const EventRow& row : rows) {
    const int batcher = BatcherOf(row.material);
    if (batcher >= 0 && row.completed == 0) open[batcher] += std::max(0.0, row.Amount());
    const int mixer = GetMixerIndexByName(row.direction);
    const CMaterial& material = g_materials[static_cast<std::size_t>(std::max(0, row.material))];
    if (batcher >= 0 && row.completed == 0 && (mixer < 0 || row.batch <= 0) &&
        GetShapeAttribBool(material.GetDischargeValveId(), eCodeOnOffCommand))
      inTransit[GetDischargeDirection(row.material)] += std::max(0.0, row.Amount());
    if (mixer < 0 || row.batch <= 0) continue;
    Credit& credit = credits[{mixer, row.batch}];
    (row.completed != 0 || batcher < 0 ? credit.completed : credit.underWay) += row.Amount();
    if (row.completed == 0 && batcher >= 0) credit.batchers.insert(batcher);
    creditedTotal += row.Amount();
  }
  double pendingTotal = 0.0;
  for (auto& [key, credit] : credits)
    for (int batcher : credit.batchers) credit.pending += content(batcher);
  for (const auto& [batcher, kg] : open) pendingTotal += std::min(kg, content(batcher));
  std::set<std::pair<int, int>> keys;
  for (const auto& [key, kg] : truth.Entered()) keys.insert(key);
  for (const auto& [key, credit] : credits) keys.insert(key);
  for (const auto& key : keys) {
    const auto found = truth.Entered().find(key);
    const double entered = found == truth.Entered().end() ? 0.0 : found->second;
    const std::string mixer = GetMixerName(key.first);
    if (key.second == 0) {
      if (entered > tolerance)
        findings.push_back("(f3) " + Kg(entered) + " kg entered " + mixer + " while it had no batch number");
      continue;
    }
    const Credit credit = credits.count(key) != 0 ? credits.at(key) : Credit{};
    const std::string batch = mixer + "'s batch " + std::to_string(key.second);
    const double credited = credit.completed + credit.underWay;
    if (entered > credited + inTransit[key.first] + tolerance)
      findings.push_back("(f1) " + batch + " received " + Kg(entered) + " kg, its rows credit it " + Kg(credited) + " kg");
    else if (entered < credited - std::min(credit.underWay, credit.pending) - tolerance)
      findings.push_back("(f2) " + batch + " is credited " + Kg(credited) + " kg, it received " + Kg(entered) + " kg");
  }
  // (h) what vanished outside a mixer is credited to no batch.
  if (truth.Vanished() > tolerance && creditedTotal > truth.EnteredTotal() + pendingTotal + tolerance)
    findings.push_back("(h1) the rows credit " + Kg(creditedTotal) + " kg to batches, " + Kg(truth.EnteredTotal()) +
                       " kg entered the mixers (" + Kg(truth.Vanished()) + " kg left the plant outside a mixer)");
  // (b) a weigher whose rows are completed has emptied: it holds no more than its open rows.
  for (int batcher = ePlantBatcher01; batcher <= ePlantBatcher05; ++batcher) {
    const double held = content(batcher), onRows = open.count(batcher) != 0 ? open.at(batcher) : 0.0;
    if (held > onRows + tolerance)
      findings.push_back("(b3) " + g_vessels[static_cast<std::size_t>(batcher)].GetCaption() + " holds " + Kg(held) +
                         " kg, its rows not yet completed hold " + Kg(onRows) + " kg");
  }
  // (g) what left a tank is on its material's rows, hand and automatic.
  for (int material = 0; material < kChargedMaterialCount; ++material) {
    double loss = 0.0;
    if (!truth.TankLoss(material, loss)) continue;
    double onRows = 0.0;
    for (const EventRow& row : rows)
      if (row.material == material) onRows += row.Amount();
    if (std::fabs(loss - onRows) > tolerance)
      findings.push_back("(g3) " + NameOf(material) + ": its tank lost " + Kg(loss) + " kg, its rows hold " + Kg(onRows) +
                         " kg");
  }
}

void RecordInvariants::CheckForeignRows(std::vector<std::string>& findings) const {
  for (const auto& [key, text] : m_foreign) {
    const std::string table = key < 0 ? "Batch" : "Event2";
    const std::string now = RowText(table, key < 0 ? -key : key);
    // A rolled-back row may leave its id to one of the program's own.
    if (text.empty() ? now.find("Other program") != std::string::npos : now != text)
      findings.push_back("(i1) the other program's " + table + " row " + std::to_string(key < 0 ? -key : key) +
                         " was written as \"" + text + "\" and reads \"" + now + "\"");
  }
}

std::vector<std::string> RecordInvariants::Check(const QuietPoint& point, const PlantTruth& truth) {
  std::vector<std::string> findings;
  CheckStandingSteps(point, findings);
  CheckWaitingRun(point, findings);
  if (!point.locked) CheckLedgerEntries(findings);
  if (point.started || point.locked) return findings;
  const std::vector<EventRow> rows = ReadRows();
  CheckLedger(rows, findings);
  CheckDischargedRows(rows, findings);
  CheckOneRowPerCharge(rows, findings);
  CheckLearning(rows, findings);
  CheckTruth(rows, truth, findings);
  CheckForeignRows(findings);
  return findings;
}

std::vector<std::string> RecordInvariants::CheckLeftInWeigherBox(const std::string& text, int runFrom) const {
  const std::size_t stepAt = text.find("Step ");
  const std::size_t holdsAt = text.find(" still holds ");
  CRecipeStepInfo step;
  if (stepAt == std::string::npos || holdsAt == std::string::npos ||
      !GetProcessEngine().GetRunStep(std::atoi(text.c_str() + stepAt + 5) - 1, step))
    return {};
  const double told = std::strtod(text.c_str() + holdsAt + 13, nullptr);
  const int mixer = step.GetMixerNumber();
  const PlantObjectId weigher = GetMaterialWeigherId(step.GetMaterialIndex(), mixer);
  // The run's own rows still in the batcher: automatic charges it began, and
  // what discharges left of them on rows of their own.
  double own = 0.0;
  for (const EventRow& row : ReadRows()) {
    const int charge = row.partOf != 0 ? row.partOf : row.id;
    if (row.material <= 0 || GetMaterialWeigherId(row.material, mixer) != weigher || row.completed != 0 ||
        row.automatic == 0 || charge <= runFrom)
      continue;
    own += row.Amount();
  }
  const double other = static_cast<double>(GetShapeAttribFloat(weigher, eCodeLevel)) - own;
  if (told <= other + kLedgerTolerance) return {};
  return {"(r3) a box says the batcher holds " + Kg(told) + " kg the run did not charge, but " + Kg(own) +
          " kg of its level are on the run's own rows: \"" + text.substr(0, text.find('\n')) + "\""};
}

void RecordInvariants::CheckLedgerEntries(std::vector<std::string>& findings) const {
  const auto say = [](const std::string& name, double start, double end, const std::string& direction, int batch,
                      int automatic, int chargeEnded, int completed) {
    char text[200];
    std::snprintf(text, sizeof text, "%s %.3f->%.3f %s %d %d%d%d", name.c_str(), start, end, direction.c_str(), batch,
                  automatic, chargeEnded, completed);
    return std::string(text);
  };
  std::map<int, std::string> rows;
  ForEachRow(m_path,
             "SELECT m_nRecordID, m_strBatchedMatrialName, m_fStartMatrialDose, m_fEndMatrialDose, m_strDisChargeDir, "
             "m_nBatchNumber, m_bIsAutoBatching, m_bChrageIsEnd, m_bBatchIsCompleted FROM Event2",
             [&](sqlite3_stmt* stmt) {
               rows[sqlite3_column_int(stmt, 0)] =
                   say(ColumnText(stmt, 1), sqlite3_column_double(stmt, 2), sqlite3_column_double(stmt, 3),
                       ColumnText(stmt, 4), sqlite3_column_int(stmt, 5), sqlite3_column_int(stmt, 6),
                       sqlite3_column_int(stmt, 7), sqlite3_column_int(stmt, 8));
             });
  const CEvent2RS* table = g_pEvent2RS.load();
  for (const CMaterialLedger::RowState& state : GetMaterialLedger().WrittenRows()) {
    // The ledger learns a kept row's id at its next write; the table knows it now.
    const int id = table ? table->FollowRecordId(state.row) : state.row;
    const std::string direction = state.direction >= 0 ? GetMixerName(state.direction) : std::string("?");
    const std::string entry = say(NameOf(state.material), state.start, state.end, direction.empty() ? "?" : direction,
                                  state.batch, state.automatic, state.chargeEnded, state.completed);
    const auto row = rows.find(id);
    const std::string written = row == rows.end() ? std::string("no row") : row->second;
    if (written != entry) {
      findings.push_back("(l1) row " + std::to_string(id) + ": the ledger says " + entry + ", the row " + written);
      return;
    }
  }
}
