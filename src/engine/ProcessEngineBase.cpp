#include "engine/ProcessEngineBase.h"

#include <fcntl.h>

#include <array>
#include <cstdio>
#include <utility>

#include "platform/base/AtomicFile.h"
#include "platform/base/CArchive.h"
#include "platform/base/OwnFile.h"

namespace {

const char* StateText(int state) {
  switch (state) {
    case 0: return "باسكول متوقف است";
    case 1: return "منتظر استارت از بيرون";
    case 3: return "باسكول در حال كار اتومات است";
    case 4: return "باسكول در حال كار اتومات است ولي مكث شده است";
    case 5: return "درخواست اتمام كار اتومات باسكول داده شده است";
    default: return "";
  }
}

constexpr std::array<const char*, CProcessEngineBase::kPhaseCount> kPhaseTexts = {
    "ابتدا",
    "شروع بارگيري",
    "اتمام بارگيري تند",
    "اتمام بارگيري كند",
    "اتمام بارگيري",
    "شروع تخليه",
    "تاخير خاموش شدن اكچواتر تخليه",
    "اتمام تخليه",
    "شمارش تاخير",
    "تاييد اپراتور براي مرحله بعد",
    "آماده براي مرحله بعد",
    "مرحله پايان يافته",
};

}  // namespace

CProcessEngineBase::CProcessEngineBase() { CProcessEngineBase::Reset(); }

CProcessEngineBase::~CProcessEngineBase() { CProcessEngineBase::DeleteSteps(); }

void CProcessEngineBase::OnAlarmChanged(CAlarmStruct* alarm, int code) { CAlarmPack::OnAlarmChanged(alarm, code); }

void CProcessEngineBase::OnPackChanged(int /*code*/) { OnChanged(); }

void CProcessEngineBase::Reset() {
  AddAlarm(kCycleTimingOverLoadAlarm, "CycleTimingOverLoad");
  m_nPause.store(0);
  SetReserveBool4(1);
  SetReserveBool3(1);
  m_nState.store(0);
  m_nStarted.store(0);
  m_nRunning.store(0);
  m_nCycleActive.store(0);
  m_nLoadingEnded.store(0);
  DeleteSteps();
  m_nReserveInt1.store(0);
  m_nResetPulse.store(0);
  m_nCycleCount.store(0);
  ResetSteps();
}

void CProcessEngineBase::ResetSteps() {
  SetReserveBool1(0);
  SetReserveBool2(0);
  {
    // Phases, engine phase and cycle stopwatch under one hold of the lock, so
    // a phase change on the cycle's thread never leaves a stale engine phase.
    std::lock_guard<std::mutex> lock(m_mutex);
    StoreEnginePhaseLocked(0);
    for (auto& step : m_steps) step->ResetPhase();
    m_cycleTimer.Reset();
  }
  SetResetPulse(0);
  SetResetPulse(1);
}

void CProcessEngineBase::CreateSteps(int count) {
  DeleteSteps();
  std::vector<std::unique_ptr<CProcessStepBase>> steps;
  for (int i = 0; i < count; ++i) steps.push_back(CreateStep());
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_steps = std::move(steps);
    m_nStepCount.store(static_cast<int>(m_steps.size()));
  }
  ResetSteps();
}

void CProcessEngineBase::DeleteSteps() {
  std::vector<std::unique_ptr<CProcessStepBase>> old;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    old.swap(m_steps);
    m_nStepCount.store(0);
  }
  // The steps go with `old`, outside the lock.
}

std::string CProcessEngineBase::GetStateText() { return StateText(GetState()); }

void CProcessEngineBase::SetStarted(int start, int force) {
  m_nStarted.store(start);
  if (force != 0 && start == 0) SetCycleActive(0);
  if (GetState() == 1 && start == 0) SetCycleActive(0);
  OnStarted();
}

int CProcessEngineBase::GetStepPhase(int i) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (i < 0 || i >= static_cast<int>(m_steps.size())) return 0;
  return m_steps[static_cast<std::size_t>(i)]->GetPhase();
}

void CProcessEngineBase::SetStepPhase(int i, int phase) {
  bool changed = false;
  ChangeStepPhase(i, phase, nullptr, changed);
  if (changed) OnStepPhaseChanged(i);
}

bool CProcessEngineBase::CompareAndSetStepPhase(int i, int expected, int phase) {
  bool changed = false;
  const bool held = ChangeStepPhase(i, phase, &expected, changed);
  if (changed) OnStepPhaseChanged(i);
  return held;
}

bool CProcessEngineBase::ChangeStepPhase(int i, int phase, const int* expected, bool& changed) {
  changed = false;
  const std::vector<char> used = ReadUsedSteps();
  std::lock_guard<std::mutex> lock(m_mutex);
  if (i < 0 || i >= static_cast<int>(m_steps.size())) return false;
  CProcessStepBase& step = *m_steps[static_cast<std::size_t>(i)];
  if (expected && step.GetPhase() != *expected) return false;
  if (step.GetPhase() == phase) return true;
  step.SetPhase(phase);
  step.GetTimer().Restart();
  RecomputeEnginePhaseLocked(used);
  changed = true;
  return true;
}

std::vector<char> CProcessEngineBase::ReadUsedSteps() {
  const int count = GetStepCount();
  std::vector<char> used(static_cast<std::size_t>(count > 0 ? count : 0));
  for (int i = 0; i < count; ++i) used[static_cast<std::size_t>(i)] = IsStepUsed(i) ? 1 : 0;
  return used;
}

void CProcessEngineBase::RecomputeEnginePhaseLocked(const std::vector<char>& used) {
  // Steps made after `used` was read count as unused until their next change.
  int shared = -1;
  for (int p = 0; p < kPhaseCount && shared < 0; ++p) {
    bool all = true;
    for (std::size_t i = 0; i < m_steps.size() && i < used.size() && all; ++i)
      all = !used[i] || m_steps[i]->GetPhase() == p;
    if (all) shared = p;
  }
  if (shared != m_nEnginePhase) StoreEnginePhaseLocked(shared);
}

void CProcessEngineBase::StoreEnginePhaseLocked(int phase) {
  m_nEnginePhase = phase;
  if (phase == 0) m_nLoadingEnded.store(0);
  if (phase == 4) m_nLoadingEnded.store(1);
}

CRTimer CProcessEngineBase::GetStepTimer(int i) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (i < 0 || i >= static_cast<int>(m_steps.size())) return CRTimer();
  return m_steps[static_cast<std::size_t>(i)]->GetTimer();
}

int CProcessEngineBase::GetEnginePhase() {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_nEnginePhase;
}

void CProcessEngineBase::SetEnginePhase(int phase) {
  std::lock_guard<std::mutex> lock(m_mutex);
  StoreEnginePhaseLocked(phase);
}

void CProcessEngineBase::OnStepPhaseChanged(int /*i*/) {}

std::string CProcessEngineBase::GetPhaseText(int phase) {
  if (phase < 0 || phase >= kPhaseCount) return "";
  return kPhaseTexts[static_cast<std::size_t>(phase)];
}

void CProcessEngineBase::SetPause(int value) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_nPause.exchange(value) == value) return;
  if (value != 0)
    m_cycleTimer.Reset();
  else
    m_cycleTimer.Start();
}

void CProcessEngineBase::SetResetPulse(int value) {
  if (m_nResetPulse.exchange(LowByte(value)) != LowByte(value)) OnChanged();
}

void CProcessEngineBase::SetReserveBool3(int value) {
  if (m_nReserveBool3.exchange(LowByte(value)) != LowByte(value)) OnChanged();
}

void CProcessEngineBase::OnStarted() {}

void CProcessEngineBase::OnChanged() {}

int CProcessEngineBase::IncCycleCount() { return m_nCycleCount.fetch_add(1) + 1; }

void CProcessEngineBase::UpdateState() {
  int state = 0;
  if (m_nStarted.load() != 0)
    state = m_nRunning.load() != 0 ? (m_nPause.load() != 0 ? 4 : 3) : 1;
  else if (m_nCycleActive.load() != 0)
    state = m_nRunning.load() != 0 ? 5 : 1;
  m_nState.store(state);
}

int CProcessEngineBase::GetState() {
  UpdateState();
  return m_nState.load();
}

void CProcessEngineBase::SetFileName(const std::string& name) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_strFileName = name;
}

std::string CProcessEngineBase::GetFileName() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_strFileName;
}

int CProcessEngineBase::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    std::lock_guard<std::mutex> lock(m_mutex);
    ar << std::uint32_t{1} << static_cast<std::uint32_t>(m_steps.size());
    for (auto& step : m_steps) step->Serialize(ar);
    return 1;
  }
  std::uint32_t version = 0;  // not examined
  std::uint32_t count = 0;
  ar >> version >> count;
  if (count != static_cast<std::uint32_t>(GetStepCount())) return 0;
  // Read into fresh steps of the engine's own kind, so that a file that ends
  // early or holds a bad phase changes nothing.
  std::vector<int> phases;
  for (std::uint32_t i = 0; i < count; ++i) {
    std::unique_ptr<CProcessStepBase> step = CreateStep();
    step->Serialize(ar);
    if (step->GetPhase() < 0 || step->GetPhase() >= kPhaseCount) return 0;
    phases.push_back(step->GetPhase());
  }
  std::lock_guard<std::mutex> lock(m_mutex);
  m_loadedPhases = std::move(phases);
  return 1;
}

int CProcessEngineBase::SaveToFile() {
  CArchive ar(CArchive::store);
  if (!Serialize(ar)) return 0;
  const std::vector<std::uint8_t>& bytes = ar.Bytes();
  return WriteFileAtomically(GetFileName(), std::string(bytes.begin(), bytes.end())) ? 1 : 0;
}

int CProcessEngineBase::LoadFromFile() {
  ResetSteps();
  // The program's own file: a link is not followed and a pipe or device is
  // never opened (a pipe would hold the start, a device could be read forever).
  // A save never writes through it either: it renames a new file over the name.
  const std::string path = GetFileName();
  OwnFile file = OwnFile::Open(path, O_RDONLY);
  if (file.GetStatus() == OwnFile::Status::NotOwnFile)
    std::fputs((path + " is " + file.What() + ", not a file of its own: the process recovery is not read from it\n")
                   .c_str(),
               stderr);
  std::string content;
  if (!file.IsOpen() || !file.ReadAll(content)) return 1;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_loadedPhases.clear();
  }
  CArchive ar(CArchive::load, std::vector<std::uint8_t>(content.begin(), content.end()));
  int result = 0;
  try {
    result = Serialize(ar);
  } catch (const CArchiveException&) {
    result = 0;  // the file ends before its last word
  }
  if (result != 0) ApplyLoadedPhases();
  std::lock_guard<std::mutex> lock(m_mutex);
  m_loadedPhases.clear();
  return result;
}

void CProcessEngineBase::ApplyLoadedPhases() {
  const std::vector<char> used = ReadUsedSteps();
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_loadedPhases.size() != m_steps.size()) return;
  for (std::size_t i = 0; i < m_steps.size(); ++i) m_steps[i]->SetPhase(m_loadedPhases[i]);
  RecomputeEnginePhaseLocked(used);
}
