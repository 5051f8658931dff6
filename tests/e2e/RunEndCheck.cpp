#include "e2e/RunEndCheck.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>

#include "engine/EngineTables.h"
#include "engine/ProcessEngineApp.h"
#include "plant/Material.h"
#include "plant/PlantModel.h"
#include "plant/RuvEngineApp.h"
#include "records/MaterialNames.h"
#include "records/RecipeRS.h"
#include "records/RecipeStepInfo.h"
#include "records/ShiftRS.h"

namespace {

// Single-precision rows and levels, and the stop rule's share of the dose.
constexpr double kRunEndTolerance = 0.05;
constexpr double kRunEndStopShare = 0.001;

double RunEndQuery(const std::string& path, const std::string& sql) {
  double value = 0.0;
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) == SQLITE_OK && sqlite3_step(stmt) == SQLITE_ROW)
      value = sqlite3_column_double(stmt, 0);
    sqlite3_finalize(stmt);
  }
  sqlite3_close(db);
  return value;
}

std::string RunEndKg(double kg) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", kg);
  return text;
}

}  // namespace

void RunEndCheck::NoteStart(bool rowsWaiting) {
  m_rowsAtStart = static_cast<int>(RunEndQuery(m_path, "SELECT IFNULL(MAX(m_nRecordID), 0) FROM Event2"));
  m_rowsAtStartKnown = !rowsWaiting;
}

void RunEndCheck::NoteBatchNumbers() {
  const CShiftRS* shift = g_pShiftRS.load();
  for (int mixer = 0; shift && mixer < kPlantMixerCount; ++mixer)
    if (const int batch = shift->GetActiveMixerBatchNumber(mixer, false); batch > 0) m_run.batches[mixer].insert(batch);
}

void RunEndCheck::NotePass() {
  CProcessEngineApp& engine = GetProcessEngine();
  std::map<int, Step> steps;
  for (int i = 0; i < CRecipeRS::kStepCount; ++i) {
    CRecipeStepInfo info;
    if (!engine.GetRunStep(i, info)) return;
    const int material = info.GetMaterialIndex();
    if (!info.IsStepActive() || info.m_bIsManualDosing || material < 0 || material >= kChargedMaterialCount) continue;
    if (material != 0 && !info.m_bStpHasDisChrg) continue;
    if (info.GetMixerNumber() < 0 || info.GetMixerNumber() >= kPlantMixerCount) continue;
    const PlantObjectId pump = g_materials[static_cast<std::size_t>(material)].GetChargePumpId();
    steps[i] = Step{material, info.GetMixerNumber(), info.GetDose(), GetShapeAttribFloat(pump, eCodeLoadInWay)};
  }
  // Another recipe, or other steps: a new run (the one before was given up).
  // Two recipes may have the same steps, so the recipe tells the runs apart;
  // its id follows the recipe through its saves.
  const CRecipeRS* recipes = g_pRecipeRS.load();
  const auto followed = [recipes](int id) { return recipes ? recipes->FollowRecordId(id) : id; };
  CRuvEngineApp* root = GetEngineRoot();
  const int recipe = followed(root ? root->GetRecipeSupervisor().GetRunRecipeID() : -1);
  if (m_run.from < 0 || followed(m_run.recipe) != recipe || steps.size() != m_run.steps.size() ||
      !std::equal(steps.begin(), steps.end(), m_run.steps.begin())) {
    m_run = Run{m_rowsAtStart, recipe, m_rowsAtStartKnown, steps, {}};
  }
  m_run.recipe = recipe;
  for (auto& [i, step] : m_run.steps) {
    step.dose = std::min(step.dose, steps[i].dose);
    step.lead = std::max(step.lead, steps[i].lead);
  }
  NoteBatchNumbers();
}

void RunEndCheck::RunEnded() {
  if (m_run.from < 0) return;
  NoteBatchNumbers();
  m_ended.push_back(m_run);
  m_run = Run{};
}

std::vector<std::string> RunEndCheck::Check() {
  std::vector<std::string> findings;
  for (const Run& run : m_ended) CheckRun(run, findings);
  m_ended.clear();
  return findings;
}

void RunEndCheck::CheckRun(const Run& run, std::vector<std::string>& findings) const {
  std::map<std::pair<int, int>, std::pair<double, double>> owed;  // (material, mixer) -> dose, slack
  for (const auto& [i, step] : run.steps) {
    auto& [dose, slack] = owed[{step.material, step.mixer}];
    dose += step.dose;
    slack += step.lead + kRunEndStopShare * step.dose;
  }
  for (const auto& [key, amounts] : owed) {
    const auto [material, mixer] = key;
    std::string batches;
    if (const auto found = run.batches.find(mixer); found != run.batches.end())
      for (const int batch : found->second) batches += (batches.empty() ? "" : ",") + std::to_string(batch);
    const std::string ended = material == 0 ? "m_bChrageIsEnd = 1" : "m_bBatchIsCompleted = 1";
    const double in = RunEndQuery(
        m_path, "SELECT IFNULL(SUM(m_fEndMatrialDose - m_fStartMatrialDose), 0) FROM Event2 WHERE m_nRecordID > " +
                    std::to_string(run.from) + " AND m_bIsAutoBatching = 1 AND " + ended +
                    " AND m_strBatchedMatrialName = '" + GetMaterialNameByIndex(material) +
                    "' AND m_strDisChargeDir = '" + GetMixerName(mixer) + "' AND m_nBatchNumber IN (" + batches + ")");
    if (in + amounts.second + kRunEndTolerance < amounts.first)
      findings.push_back("(r1) the run ended with the end-of-recipe message, but of " + GetMaterialNameByIndex(material) +
                         "'s " + RunEndKg(amounts.first) + " kg for " + GetMixerName(mixer) + " only " + RunEndKg(in) +
                         " kg are on rows completed into its batch (" + batches + ")");
  }
}
