#include "engine/ProcessEngineApp.h"

#include "engine/EngineTables.h"
#include "engine/ProcessStepApp.h"
#include "platform/base/CArchive.h"

CProcessEngineApp::CProcessEngineApp() { CProcessEngineApp::Reset(); }

CProcessEngineApp::~CProcessEngineApp() = default;

void CProcessEngineApp::ResetSteps() { CProcessEngineBase::ResetSteps(); }

void CProcessEngineApp::OnStepPhaseChanged(int i) { CProcessEngineBase::OnStepPhaseChanged(i); }

bool CProcessEngineApp::IsStepUsed(int i) {
  if (i < 0 || i >= CRecipeRS::kStepCount) return false;
  const std::int64_t mask = m_runUsedMask.load();
  if (mask != kNoRunCopy) return (mask >> i) & 1;
  CRecipeRS* recipe = g_pRecipeRS.load();
  if (!recipe) return false;
  auto lock = recipe->LockActive();
  return recipe->Active().GetStep(i).IsStepActive();
}

void CProcessEngineApp::Reset() { ResetSteps(); }

int CProcessEngineApp::Serialize(CArchive& ar) {
  if (!CProcessEngineBase::Serialize(ar)) return 0;
  if (ar.IsStoring()) {
    ar << std::uint32_t{1};
  } else {
    std::uint32_t version = 0;  // not examined
    ar >> version;
  }
  return 1;
}

void CProcessEngineApp::SetRunUsedSteps(const UsedSteps& used) {
  std::int64_t mask = 0;
  for (std::size_t i = 0; i < used.size(); ++i)
    if (used[i]) mask |= std::int64_t{1} << i;
  m_runUsedMask.store(mask);
}

void CProcessEngineApp::ClearRunUsedSteps() {
  m_runUsedMask.store(kNoRunCopy);
  std::lock_guard<std::mutex> lock(m_runRecipeMutex);
  m_runRecipe.reset();
}

void CProcessEngineApp::SetRunRecipe(const CRecipeRS::CSTFields& run) {
  auto copy = std::make_unique<CRecipeRS::CSTFields>();
  copy->CopyFrom(run);
  UsedSteps used{};
  for (int i = 0; i < CRecipeRS::kStepCount; ++i) used[static_cast<std::size_t>(i)] = copy->GetStep(i).IsStepActive();
  {
    std::lock_guard<std::mutex> lock(m_runRecipeMutex);
    m_runRecipe = std::move(copy);
  }
  SetRunUsedSteps(used);
}

bool CProcessEngineApp::GetRunStep(int i, CRecipeStepInfo& step) const {
  if (i < 0 || i >= CRecipeRS::kStepCount) return false;
  std::lock_guard<std::mutex> lock(m_runRecipeMutex);
  if (!m_runRecipe) return false;
  step.CopyFrom(m_runRecipe->GetStep(i));
  return true;
}

std::unique_ptr<CProcessStepBase> CProcessEngineApp::CreateStep() { return std::make_unique<CProcessStepApp>(); }

CProcessEngineApp& GetProcessEngine() {
  static CProcessEngineApp engine;
  return engine;
}
