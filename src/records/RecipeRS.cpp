#include "records/RecipeRS.h"

#include "common/ShamsiCalendar.h"
#include "common/TimeAndKeys.h"
#include "common/XmlDocument.h"
#include "records/OperatorServices.h"

namespace {
const char* const kAllStepsElement = "AllStepsInfo";
const char* const kStepsColumn = "strRecipeAllStepInfo";
}  // namespace

CRecipeRS::CSTFields::CSTFields() {
  for (CRecipeStepInfo& step : m_steps) step.SetOwner(this);
  CSTFields::Reset();
}

void CRecipeRS::CSTFields::Reset() {
  CBaseSTFields::Reset();
  m_strRecipeName.assign(1, '?');
  SetModifyDateTime(GetNowDate());
  m_bRecipeIsActv = false;
  for (int slot = 0; slot < kStepCount; ++slot) {
    CRecipeStepInfo& step = m_steps[static_cast<std::size_t>(slot)];
    step.Reset();
    step.SetStepID(slot + 1);
  }
}

void CRecipeRS::CSTFields::CopyFrom(const CBaseSTFields& other) {
  CBaseSTFields::CopyFrom(other);
  const auto& from = static_cast<const CSTFields&>(other);
  m_strRecipeName = from.m_strRecipeName;
  m_dtModifyDateTime = from.m_dtModifyDateTime;
  m_strModifyDateTimeShamsi = from.m_strModifyDateTimeShamsi;
  m_bRecipeIsActv = from.m_bRecipeIsActv;
  for (std::size_t slot = 0; slot < m_steps.size(); ++slot) m_steps[slot].CopyFrom(from.m_steps[slot]);
}

void CRecipeRS::CSTFields::SetModifyDateTime(DATE date) {
  m_dtModifyDateTime = date;
  m_strModifyDateTimeShamsi = FormatShamsiDate(date, true);
}

int CRecipeRS::CSTFields::CompareSteps(const CRecipeStepInfo& a, const CRecipeStepInfo& b) const {
  if (a.IsStepActive() != b.IsStepActive()) return a.IsStepActive() ? 1 : -1;
  if (!a.IsStepActive()) return 0;
  if (a.GetMixerNumber() == b.GetMixerNumber()) return 0;
  return a.GetMixerNumber() < b.GetMixerNumber() ? 1 : -1;
}

void CRecipeRS::CSTFields::SwapSteps(CRecipeStepInfo& a, CRecipeStepInfo& b) {
  const int numberA = a.GetStepID();
  const int numberB = b.GetStepID();
  CRecipeStepInfo contentsOfA(a);
  a.CopyFrom(b);
  b.CopyFrom(contentsOfA);
  if (auto* table = dynamic_cast<CRecipeRS*>(GetOwner())) table->SwapStepNumbers(*this, numberA, numberB);
}

void CRecipeRS::CSTFields::SortSteps() {
  for (int pass = kStepCount - 1; pass >= 1; --pass) {
    bool swapped = false;
    for (int i = 0; i < pass; ++i) {
      CRecipeStepInfo& left = m_steps[static_cast<std::size_t>(i)];
      CRecipeStepInfo& right = m_steps[static_cast<std::size_t>(i + 1)];
      if (CompareSteps(left, right) < 0) {
        SwapSteps(left, right);
        swapped = true;
      }
    }
    if (!swapped) break;
  }
}

bool CRecipeRS::CSTFields::IsMixerUsed(int mixer) const {
  for (const CRecipeStepInfo& step : m_steps)
    if (step.IsStepActive() && step.GetMixerNumber() == mixer) return true;
  return false;
}

CRecipeRS::CRecipeRS() {
  AttachFieldSets(&m_current, &m_active, &m_scratch);
  SetOwnerWnd(GetOperatorServices()->GetPlantFormWindow());
}

CRecipeRS::~CRecipeRS() = default;

void CRecipeRS::RenumberSteps(CSTFields& set, int oldNumber, int newNumber) {
  if (&set != &m_current || oldNumber == -1) return;
  const int replacement = newNumber == -1 ? 0 : newNumber;
  for (int slot = 0; slot < kStepCount; ++slot) {
    CRecipeStepInfo& step = set.GetStep(slot);
    if (!step.IsStepActive()) {
      step.SetPrEndStpNmbr(0);
      step.SetSmulStrtStpNmbr(0);
      continue;
    }
    if (step.GetPrEndStpNmbr() == oldNumber) step.SetPrEndStpNmbr(replacement);
    if (step.GetSmulStrtStpNmbr() == oldNumber) step.SetSmulStrtStpNmbr(replacement);
  }
}

void CRecipeRS::SwapStepNumbers(CSTFields& set, int a, int b) {
  if (&set != &m_current) return;
  // One pass, each reference looked at once: no parking number is needed, so
  // no number a stored recipe may already use can capture a reference.
  auto swapped = [a, b](int reference) { return reference == a ? b : (reference == b ? a : reference); };
  for (int slot = 0; slot < kStepCount; ++slot) {
    CRecipeStepInfo& step = set.GetStep(slot);
    if (!step.IsStepActive()) {
      step.SetPrEndStpNmbr(0);
      step.SetSmulStrtStpNmbr(0);
      continue;
    }
    step.SetPrEndStpNmbr(swapped(step.GetPrEndStpNmbr()));
    step.SetSmulStrtStpNmbr(swapped(step.GetSmulStrtStpNmbr()));
  }
}

bool CRecipeRS::StepsToXml(const CSTFields& set, std::string& text) {
  CXmlDocument document;
  document.AddElement(kAllStepsElement);
  document.EnterElement();
  bool ok = true;
  for (int slot = 0; slot < kStepCount; ++slot) {
    std::string step;
    if (set.GetStep(slot).WriteXml(step) == 1)
      document.AddSubDoc(step);
    else
      ok = false;
  }
  text = document.GetDocText();
  return ok;
}

void CRecipeRS::StepsFromXml(CSTFields& set, const std::string& text) {
  if (text.empty()) return;
  CXmlDocument document;
  document.SetDocText(text);  // whatever the parser finds is used
  if (!document.FindElement(kAllStepsElement)) return;
  for (int slot = 0; slot < kStepCount; ++slot) {
    if (!document.FindChildElement(kStepElement)) return;
    set.GetStep(slot).ReadXml(document.GetChildSubDocText());
  }
}

bool CRecipeRS::LoadFields() {
  if (!CBaseTableRS::LoadFields()) return false;
  bool ok = ReadColumn("m_strRecipeName", m_current.m_strRecipeName);
  ok = ReadColumn("m_dtModifyDateTime", m_current.m_dtModifyDateTime) && ok;
  ok = ReadColumn("m_strModifyDateTimeShamsi", m_current.m_strModifyDateTimeShamsi) && ok;
  ok = ReadColumn("m_bRecipeIsActv", m_current.m_bRecipeIsActv) && ok;
  std::string steps;
  ok = ReadColumn(kStepsColumn, steps) && ok;
  StepsFromXml(m_current, steps);
  return ok;
}

bool CRecipeRS::StoreFields() {
  if (!CBaseTableRS::StoreFields()) return false;
  bool ok = WriteColumn("m_strRecipeName", m_current.m_strRecipeName);
  ok = WriteColumn("m_dtModifyDateTime", m_current.m_dtModifyDateTime) && ok;
  ok = WriteColumn("m_strModifyDateTimeShamsi", m_current.m_strModifyDateTimeShamsi) && ok;
  ok = WriteColumn("m_bRecipeIsActv", m_current.m_bRecipeIsActv) && ok;
  std::string steps;
  ok = StepsToXml(m_current, steps) && ok;
  // A recipe whose steps could not all be written keeps its stored steps.
  if (!ok) return false;
  return WriteColumn(kStepsColumn, steps);
}

// Followed: a recipe added under another program's lock has an id once written.
int CRecipeRS::GetActiveRecipeID() const {
  auto lock = LockActive();
  return FollowRecordId(m_active.m_nRecordID);
}

std::string CRecipeRS::GetActiveRecipeName() const {
  auto lock = LockActive();
  return m_active.GetRecipeName();
}

int CRecipeRS::ActiveRecipeIDOf(const CRecipeRS* recipe) { return recipe ? recipe->GetActiveRecipeID() : -1; }

std::string CRecipeRS::ActiveRecipeNameOf(const CRecipeRS* recipe) {
  return recipe ? recipe->GetActiveRecipeName() : std::string("?");
}
