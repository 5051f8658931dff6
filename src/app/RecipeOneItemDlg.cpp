#include "app/RecipeOneItemDlg.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/Conversions.h"
#include "common/ProcessUtils.h"
#include "common/WindowUtils.h"
#include "engine/ProcessEngineApp.h"
#include "engine/ProcessEngineBase.h"
#include "platform/base/Text.h"
#include "platform/ui/CDataExchange.h"
#include "records/RecipeRS.h"

namespace {

constexpr std::array<const char*, 4> kMixerNames{"Mixer 1", "Mixer 2", "Mixer 3", "Mixer 4"};

void Enable(CWnd& control, bool enable) {
  if (control.GetSafeHwnd()) control.EnableWindow(enable ? TRUE : FALSE);
}

int ItemDataOf(const CComboBox& combo, int item) {
  if (item < 0) return -1;
  return static_cast<int>(static_cast<std::intptr_t>(combo.GetItemData(item)));
}

// Selects the item carrying `data`; no selection when none does.
void SelectByData(CComboBox& combo, int data) {
  combo.SetCurSel(FindComboItemByData(&combo, static_cast<DWORD>(data)));
}

// The fewest digits (six at least, as "%g" gives) that read back as the same
// float: a dose just over a capacity must not print as the capacity itself.
std::string ExactDoseText(float value) {
  for (int digits = 6; digits < 9; ++digits) {
    const std::string text = ruv::Format("%.*g", digits, static_cast<double>(value));
    if (std::strtof(text.c_str(), nullptr) == value) return text;
  }
  return ruv::Format("%.9g", static_cast<double>(value));
}

bool IsPseudoMaterial(int material) {
  return material == CRecipeOneItemDlg::kConfirmationMaterial || material == CRecipeOneItemDlg::kDelayMaterial;
}

}  // namespace

void CRecipeOneItemDlg::RegisterTemplate() {
  static const bool registered = [] {
    DialogTemplate row;
    row.id = IDD_RECIPE_ONE_ITEM;
    row.style = WS_CHILD | WS_VISIBLE;
    row.cx = 448;
    row.cy = 14;
    const DWORD label = WS_VISIBLE | SS_CENTER;
    const DWORD check = WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX;
    const DWORD edit = WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL;
    const DWORD list = WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST;
    row.items = {
        {IDC_STEP_NUMBER, kStaticClass, "", label, 0, 3, 12, 9},
        {IDC_STEP_ACTIVE, kButtonClass, "", check, 14, 2, 10, 10},
        {IDC_STEP_MATERIAL, kComboBoxClass, "", list, 26, 1, 68, 120},
        {IDC_STEP_DOSE, kEditClass, "", edit, 96, 1, 36, 12},
        {IDC_STEP_UNIT, kStaticClass, "", WS_VISIBLE | SS_LEFT, 134, 3, 14, 9},
        {IDC_STEP_MANUAL_DOSING, kButtonClass, "", check, 150, 2, 10, 10},
        {IDC_STEP_DISCHARGE, kButtonClass, "", check, 176, 2, 10, 10},
        {IDC_STEP_START_AFTER, kEditClass, "", edit, 192, 1, 28, 12},
        {IDC_STEP_DISCHARGE_AFTER, kEditClass, "", edit, 222, 1, 28, 12},
        {IDC_STEP_MIXER, kComboBoxClass, "", list, 252, 1, 44, 80},
        // Wide enough for the longest phase, the actuator's switch-off delay.
        {IDC_STEP_PHASE, kComboBoxClass, "", list, 298, 1, 118, 120},
        {IDC_STEP_NEXT, kButtonClass, ">", WS_TABSTOP | BS_PUSHBUTTON, 418, 1, 28, 12},
    };
    RegisterDialogTemplate(row);
    return true;
  }();
  (void)registered;
}

CRecipeOneItemDlg::CRecipeOneItemDlg() {
  RegisterTemplate();
  const RecipeMaterials& materials = GetRecipeMaterials();
  SetMaterials(materials.data(), static_cast<int>(materials.size()));
}

CRecipeOneItemDlg::~CRecipeOneItemDlg() = default;

void CRecipeOneItemDlg::SetMaterials(const RecipeMaterialInfo* materials, int count) {
  m_pMaterials = materials;
  m_nMaterialCount = materials ? count : 0;
}

void CRecipeOneItemDlg::DoDataExchange(CDataExchange* dx) {
  CChildDlgCtrl::DoDataExchange(dx);
  DDX_Control(dx, IDC_STEP_NUMBER, m_number);
  DDX_Control(dx, IDC_STEP_ACTIVE, m_active);
  DDX_Control(dx, IDC_STEP_MATERIAL, m_material);
  DDX_Control(dx, IDC_STEP_DOSE, m_dose);
  DDX_Control(dx, IDC_STEP_UNIT, m_unit);
  DDX_Control(dx, IDC_STEP_MANUAL_DOSING, m_manualDosing);
  DDX_Control(dx, IDC_STEP_DISCHARGE, m_discharge);
  DDX_Control(dx, IDC_STEP_START_AFTER, m_startAfter);
  DDX_Control(dx, IDC_STEP_DISCHARGE_AFTER, m_dischargeAfter);
  DDX_Control(dx, IDC_STEP_MIXER, m_mixer);
  DDX_Control(dx, IDC_STEP_PHASE, m_phase);
  DDX_Control(dx, IDC_STEP_NEXT, m_next);
}

BOOL CRecipeOneItemDlg::OnInitDialog() {
  CChildDlgCtrl::OnInitDialog();
  if (!m_pTable || !m_pProcessEngine || !HasStep()) {
    // A row without its step has nothing to show.
    EndDialog(IDCANCEL);
    return TRUE;
  }
  m_number.SetWindowText(IntToText(m_nIndex + 1));
  m_phase.ResetContent();
  for (int phase = 0; phase < CProcessEngineBase::kPhaseCount; ++phase)
    m_phase.SetItemData(m_phase.AddString(m_pProcessEngine->GetPhaseText(phase)), static_cast<std::uintptr_t>(phase));
  RefreshRuntime();

  m_material.ResetContent();
  for (int material = 0; material < kMaterialCount; ++material)
    m_material.SetItemData(m_material.AddString(MaterialNames()[static_cast<std::size_t>(material)]),
                           static_cast<std::uintptr_t>(material));
  // The separator keeps the two pseudo-materials apart from the real ones.
  for (int item = 0; item < m_material.GetCount(); ++item) {
    if (ItemDataOf(m_material, item) == kConfirmationMaterial) {
      m_material.SetItemData(m_material.InsertString(item, kSeparator), static_cast<std::uintptr_t>(-1));
      break;
    }
  }
  m_mixer.ResetContent();
  for (const char* mixer : kMixerNames) m_mixer.AddString(mixer);
  return TRUE;
}

BOOL CRecipeOneItemDlg::OnCmdMsg(UINT id, int code) {
  const bool clicked = code == static_cast<int>(BN_CLICKED);
  const bool selected = code == static_cast<int>(CBN_SELCHANGE);
  switch (id) {
    case IDC_STEP_NEXT:
      if (!clicked) break;
      OnNext();
      return TRUE;
    case IDC_STEP_DISCHARGE:
    case IDC_STEP_MANUAL_DOSING:
      if (!clicked) break;
      UpdateEnables();
      return TRUE;
    case IDC_STEP_ACTIVE:
      if (!clicked) break;
      UpdateEnables();
      Invalidate();
      return TRUE;
    case IDC_STEP_PHASE:
      if (!selected) break;
      UpdateEnables();
      return TRUE;
    case IDC_STEP_MATERIAL:
      if (!selected) break;
      OnMaterialChanged();
      return TRUE;
    default: break;
  }
  return CChildDlgCtrl::OnCmdMsg(id, code);
}

bool CRecipeOneItemDlg::HasStep() const { return m_pTable && m_nIndex >= 0 && m_nIndex < CRecipeRS::kStepCount; }

CRecipeStepInfo& CRecipeOneItemDlg::Step() const { return m_pTable->Current().GetStep(m_nIndex); }

bool CRecipeOneItemDlg::IsShownRecipeActive() const {
  if (!m_pTable) return false;
  auto lock = m_pTable->LockActive();
  return m_pTable->IsCurrentActive();
}

int CRecipeOneItemDlg::SelectedMaterial() const {
  if (!m_material.GetSafeHwnd()) return -1;
  return ItemDataOf(m_material, m_material.GetCurSel());
}

bool CRecipeOneItemDlg::HasDischargeValve(int material) const {
  return material >= 0 && material < m_nMaterialCount && m_pMaterials[material].hasDischargeValve;
}

int CRecipeOneItemDlg::StepPhase() const { return m_pProcessEngine ? m_pProcessEngine->GetStepPhase(m_nIndex) : 0; }

float CRecipeOneItemDlg::RunningDose() const {
  if (!HasStep()) return 0.0f;
  // The run times its own copy: a recipe saved since it started changes the next run only.
  if (auto* engine = dynamic_cast<CProcessEngineApp*>(m_pProcessEngine)) {
    CRecipeStepInfo running;
    if (engine->GetRunStep(m_nIndex, running)) return running.GetDose();
  }
  auto lock = m_pTable->LockActive();
  return m_pTable->Active().GetStep(m_nIndex).GetDose();
}

BOOL CRecipeOneItemDlg::LoadStep() {
  if (!HasStep() || !m_active.GetSafeHwnd()) return TRUE;
  CRecipeStepInfo& step = Step();
  m_active.SetCheck(step.m_bStpIsActv ? BST_CHECKED : BST_UNCHECKED);
  if (!step.m_bStpIsActv) {
    // An inactive step keeps no settings that could surprise when it is switched on.
    step.m_bStpHasDisChrg = true;
    step.m_bIsManualDosing = false;
    step.m_nPrEndStpNmbr = 0;
    step.m_nSmulStrtStpNmbr = 0;
    m_material.SetCurSel(-1);
    m_unit.SetWindowText("");
  }
  m_startAfter.SetWindowText(IntToText(step.m_nPrEndStpNmbr));
  if (step.m_bStpIsActv) {
    SelectByData(m_material, step.m_nMaterialIndex);
    OnMaterialChanged();
  }
  m_dose.SetWindowText(FloatToText(step.m_fDose));
  m_manualDosing.SetCheck(step.m_bIsManualDosing ? BST_CHECKED : BST_UNCHECKED);
  m_discharge.SetCheck(step.m_bStpHasDisChrg ? BST_CHECKED : BST_UNCHECKED);
  m_dischargeAfter.SetWindowText(IntToText(step.m_nSmulStrtStpNmbr));
  const int mixer = step.m_eMixerNumber;
  m_mixer.SetCurSel(step.m_bStpIsActv && mixer >= 0 && mixer < static_cast<int>(kMixerNames.size()) ? mixer : -1);
  UpdateEnables();
  return TRUE;
}

BOOL CRecipeOneItemDlg::StoreStep() {
  if (!UpdateData(TRUE)) return FALSE;
  if (!HasStep() || !m_active.GetSafeHwnd()) return TRUE;
  CRecipeStepInfo& step = Step();
  step.m_bStpIsActv = m_active.GetCheck() == BST_CHECKED;
  step.m_nPrEndStpNmbr = TextToInt(m_startAfter.GetWindowText());
  step.m_bIsManualDosing = m_manualDosing.GetCheck() == BST_CHECKED;
  step.m_nMaterialIndex = SelectedMaterial();
  step.m_fDose = TextToFloat(m_dose.GetWindowText());
  step.m_bStpHasDisChrg = m_discharge.GetCheck() == BST_CHECKED;
  step.m_nSmulStrtStpNmbr = TextToInt(m_dischargeAfter.GetWindowText());
  step.m_eMixerNumber = m_mixer.GetCurSel();
  return TRUE;
}

std::string CRecipeOneItemDlg::FindBrokenRule() const {
  if (!HasStep()) return std::string();
  const CRecipeRS::CSTFields& recipe = m_pTable->Current();
  const CRecipeStepInfo& step = recipe.GetStep(m_nIndex);
  if (!step.m_bStpIsActv) return std::string();
  // A precondition names a step by its number, 1..30; 0 is none.
  const auto refersToInactive = [&](int number) {
    return number > CRecipeRS::kStepCount || (number > 0 && !recipe.GetStep(number - 1).m_bStpIsActv);
  };
  const int start = step.m_nPrEndStpNmbr;
  const int discharge = step.m_nSmulStrtStpNmbr;
  const int material = step.m_nMaterialIndex;
  if (material < 0 || material >= kMaterialCount) return kNoMaterialText;
  if (start < 0) return kNegativeStartText;
  if (refersToInactive(start)) return kInactiveStartText;
  if (start - 1 == m_nIndex) return kSelfStartText;
  if (discharge < 0) return kNegativeDischargeText;
  if (refersToInactive(discharge)) return kInactiveDischargeText;
  if (discharge - 1 == m_nIndex) return kSelfDischargeText;
  if (step.m_fDose <= 0.0f && material != kConfirmationMaterial) return kNoDoseText;
  if (!std::isfinite(step.m_fDose) && material != kConfirmationMaterial) return MakeDoseNotANumberText(step.m_fDose);
  if (const auto weigher = FindRecipeWeigher(material);
      m_checksCapacity && weigher && step.m_fDose > weigher->capacity) {
    const std::string unit = material < m_nMaterialCount ? m_pMaterials[material].unit : std::string();
    return MakeDoseAboveCapacityText(GetRecipeMaterialName(material), step.m_fDose, unit, weigher->name,
                                     weigher->capacity);
  }
  if (step.m_eMixerNumber < 0 || step.m_eMixerNumber >= static_cast<int>(kMixerNames.size())) return kNoMixerText;
  if (step.m_bIsManualDosing) return kManualDosingText;
  // The operator confirms only once the step before has ended.
  if (material == kConfirmationMaterial && start < 1) return kConfirmationStartText;
  return std::string();
}

std::string CRecipeOneItemDlg::MakeDoseNotANumberText(float dose) {
  return ruv::Format("The dose %g is not a finite number.", static_cast<double>(dose));
}

std::string CRecipeOneItemDlg::MakeDoseAboveCapacityText(const std::string& material, float dose,
                                                         const std::string& unit, const std::string& weigher,
                                                         float capacity) {
  const std::string space = unit.empty() ? std::string() : " " + unit;
  return ruv::Format("The dose of %s, %s%s, is more than %s holds: its capacity is %s%s.", material.c_str(),
                     ExactDoseText(dose).c_str(), space.c_str(), weigher.c_str(), ExactDoseText(capacity).c_str(),
                     space.c_str());
}

BOOL CRecipeOneItemDlg::ValidateStep() {
  const std::string rule = FindBrokenRule();
  if (rule.empty()) return TRUE;
  MessageBox(kStepErrorPrefix + IntToText(m_nIndex + 1) + "\r\n\r\n" + rule, GetAppModuleName(),
             MB_ICONSTOP | MB_SYSTEMMODAL);
  return FALSE;
}

void CRecipeOneItemDlg::OnMaterialChanged() {
  const int material = SelectedMaterial();
  const bool discharges = m_discharge.GetCheck() == BST_CHECKED;
  if (material != -1 && HasDischargeValve(material)) {
    if (!discharges) m_discharge.SetCheck(BST_CHECKED);
  } else if (discharges) {
    m_discharge.SetCheck(BST_UNCHECKED);
  }
  const bool known = material >= 0 && material < m_nMaterialCount;
  m_unit.SetWindowText(known ? m_pMaterials[material].unit : std::string());
  UpdateEnables();
}

BOOL CRecipeOneItemDlg::RefreshRuntime() {
  if (!m_phase.GetSafeHwnd() || !m_pProcessEngine) return TRUE;
  const int phase = StepPhase();
  const int shown = ItemDataOf(m_phase, m_phase.GetCurSel());
  if (IsShownRecipeActive()) {
    if (phase != shown) SelectByData(m_phase, phase);
  } else {
    // Another recipe's rows have no live phase.
    if (shown != -1) m_phase.SetCurSel(-1);
    m_phase.EnableWindow(FALSE);
  }
  // Every tick: a delay's count-down moves while the phase stays.
  UpdateEnables();
  return TRUE;
}

BOOL CRecipeOneItemDlg::UpdateEnables() {
  if (!m_active.GetSafeHwnd()) return TRUE;
  const bool active = m_active.GetCheck() == BST_CHECKED;
  const int material = SelectedMaterial();
  const bool shownIsActive = IsShownRecipeActive();
  const bool cycleActive = m_pProcessEngine && m_pProcessEngine->IsCycleActive();
  const bool started = m_pProcessEngine && m_pProcessEngine->IsStarted();
  const bool realMaterial = !IsPseudoMaterial(material);

  Enable(m_number, active);
  Enable(m_startAfter, active);
  Enable(m_material, active);
  Enable(m_mixer, active);
  Enable(m_active, !shownIsActive || !cycleActive);
  Enable(m_manualDosing, active && realMaterial);
  Enable(m_dose, active && material != kConfirmationMaterial);
  Enable(m_unit, active && material != kConfirmationMaterial);
  Enable(m_discharge, active && realMaterial && HasDischargeValve(material));
  Enable(m_dischargeAfter, active && realMaterial && m_discharge.GetCheck() == BST_CHECKED);
  if (m_phase.GetSafeHwnd()) {
    m_phase.ShowWindow(shownIsActive ? SW_SHOW : SW_HIDE);
    Enable(m_phase, shownIsActive && started && active);
  }
  UpdateNextButton(shownIsActive);
  return TRUE;
}

void CRecipeOneItemDlg::UpdateNextButton(bool shownIsActive) {
  if (!m_next.GetSafeHwnd()) return;
  const int phase = StepPhase();
  std::string text = ">";
  bool visible = false;
  // Only the rows of the recipe that runs act on the running steps.
  if (shownIsActive && phase == kConfirmationPhase) {
    visible = true;
  } else if (shownIsActive && phase == kDelayPhase) {
    const int elapsed = m_pProcessEngine->GetStepTimer(m_nIndex).GetElapsedWholeSeconds();
    text = FloatToText(RunningDose() - static_cast<float>(elapsed)) + " >";
    visible = true;
  }
  if (m_next.GetWindowText() != text) m_next.SetWindowText(text);
  m_next.ShowWindow(visible ? SW_SHOW : SW_HIDE);
}

bool CRecipeOneItemDlg::WaitsForConfirmation() const {
  return m_pProcessEngine && IsShownRecipeActive() && StepPhase() == kConfirmationPhase;
}

void CRecipeOneItemDlg::OnNext() {
  if (!m_pProcessEngine || !HasStep()) return;
  const int phase = StepPhase();
  if (phase == kDelayPhase) {
    if (MessageBox(kNextQuestion, std::string(), MB_YESNOCANCEL | MB_SYSTEMMODAL) != IDYES) return;
    // The delay may have ended, or the run with it, while the question was open.
    m_pProcessEngine->CompareAndSetStepPhase(m_nIndex, kDelayPhase, kEndedPhase);
  } else if (phase == kConfirmationPhase) {
    m_pProcessEngine->CompareAndSetStepPhase(m_nIndex, kConfirmationPhase, kEndedPhase);
  } else {
    return;
  }
  RefreshRuntime();
}
