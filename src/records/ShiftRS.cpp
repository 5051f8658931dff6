#include "records/ShiftRS.h"

#include <functional>

#include "common/ShamsiCalendar.h"
#include "common/TimeAndKeys.h"
#include "platform/base/MessageBoxService.h"
#include "platform/base/Text.h"
#include "records/OperatorServices.h"
#include "records/TableEngineServices.h"

namespace {

const char* const kTotalColumns[CShiftRS::kStoredTotalCount] = {
    "m_fTtlActlMtrlWater",     "m_fTtlActlMtrlCasSoda", "m_fTtlActlMtrlLABS",
    "m_fTtlActlMtrlWaterEx",   "m_fTtlActlMtrlDiethanol", "m_fTtlActlMtrlLitron",
    "m_fTtlActlMtrlColor",     "m_fTtlActlMtrlEssanc",  "m_fTtlActlMtrlPreserv"};

bool IsMaterialIndex(int material) { return material >= 0 && material < kMaterialCount; }
bool IsMixerIndex(int mixer) { return mixer >= 0 && mixer < CShiftRS::kMixerCount; }

// Asks until the mixer has a positive number or the dialog is not confirmed:
// a loop, so an operator confirming again and again never deepens the stack.
int AskForBatchNumber(int mixer, bool ask, const std::function<int()>& read) {
  for (;;) {
    const int value = read();
    if (value > 0 || !ask) return value;
    ShowMessageBox(CShiftRS::BatchNumberPromptText(mixer), CShiftRS::kBatchNumberPromptCaption,
                   MB_OK | MB_ICONSTOP | MB_SYSTEMMODAL);
    if (RunBatchNumberDialog() != IDOK) return value;
  }
}

}  // namespace

void CShiftRS::CSTFields::Reset() {
  CBaseSTFields::Reset();
  const DATE now = GetNowDate();
  ITableEngineServices* engine = GetTableEngine();
  m_nOperatorCode = -1;
  m_strOperatorName.assign(1, '?');
  m_nShiftRecipeID = engine->GetActiveRecipeID();
  m_strShiftRecipeName = engine->GetActiveRecipeName();
  SetStartDateTime(now);
  SetEndDateTime(now);
  m_lUsefulTime = 0;
  m_lTotalTime = 0;
  m_fTotalProduced = 0.0f;
  m_bShiftStopped = true;
  m_nShiftTotalCycle = 0;
  m_nMxrBchNmbr.fill(0);
  m_fTtlActlMtrl.fill(0.0f);
}

void CShiftRS::CSTFields::CopyFrom(const CBaseSTFields& other) {
  CBaseSTFields::CopyFrom(other);
  const auto& from = static_cast<const CSTFields&>(other);
  m_nOperatorCode = from.m_nOperatorCode;
  m_strOperatorName = from.m_strOperatorName;
  m_nShiftRecipeID = from.m_nShiftRecipeID;
  m_strShiftRecipeName = from.m_strShiftRecipeName;
  m_dtStartDateTime = from.m_dtStartDateTime;
  m_dtEndDateTime = from.m_dtEndDateTime;
  m_strStartDateTimeShamsi = from.m_strStartDateTimeShamsi;
  m_strEndDateTimeShamsi = from.m_strEndDateTimeShamsi;
  m_lUsefulTime = from.m_lUsefulTime;
  m_lTotalTime = from.m_lTotalTime;
  m_fTotalProduced = from.m_fTotalProduced;
  m_bShiftStopped = from.m_bShiftStopped;
  m_nShiftTotalCycle = from.m_nShiftTotalCycle;
  m_nMxrBchNmbr = from.m_nMxrBchNmbr;
  m_fTtlActlMtrl = from.m_fTtlActlMtrl;
}

void CShiftRS::CSTFields::SetStartDateTime(DATE date) {
  m_dtStartDateTime = date;
  m_strStartDateTimeShamsi = FormatShamsiDate(date, true);
}

void CShiftRS::CSTFields::SetEndDateTime(DATE date) {
  m_dtEndDateTime = date;
  m_strEndDateTimeShamsi = FormatShamsiDate(date, true);
}

float CShiftRS::CSTFields::GetTotalMaterial(int material) const {
  return IsMaterialIndex(material) ? m_fTtlActlMtrl[static_cast<std::size_t>(material)] : 0.0f;
}

void CShiftRS::CSTFields::SetTotalMaterial(int material, float total) {
  if (IsMaterialIndex(material)) m_fTtlActlMtrl[static_cast<std::size_t>(material)] = total;
}

void CShiftRS::CSTFields::SetMixerBatchNumber(int mixer, int number) {
  if (IsMixerIndex(mixer)) m_nMxrBchNmbr[static_cast<std::size_t>(mixer)] = number;
}

int CShiftRS::CSTFields::ReadMixerBatchNumber(int mixer) const {
  return IsMixerIndex(mixer) ? m_nMxrBchNmbr[static_cast<std::size_t>(mixer)] : -1;
}

int CShiftRS::CSTFields::GetMixerBatchNumber(int mixer, bool ask) const {
  return AskForBatchNumber(mixer, ask, [&] { return ReadMixerBatchNumber(mixer); });
}

CShiftRS::CShiftRS() {
  AttachFieldSets(&m_current, &m_active, &m_scratch);
  SetOwnerWnd(GetOperatorServices()->GetPlantFormWindow());
}

CShiftRS::~CShiftRS() = default;

std::string CShiftRS::TotalColumnName(int material) {
  return material >= 0 && material < kStoredTotalCount ? kTotalColumns[material] : std::string();
}

std::string CShiftRS::BatchNumberColumnName(int mixer) { return ruv::Format("m_nMxr%dBchNmbr", mixer + 1); }

std::string CShiftRS::BatchNumberPromptText(int mixer) {
  return ruv::Format("لطفا شماره بچ را براي ميكسر %d وارد كنيد", mixer + 1);
}

template <class Column>
bool CShiftRS::ExchangeColumns(CSTFields& f, Column&& column) {
  // Every column is handled even when an earlier one reported failure.
  bool ok = column("m_nOperatorCode", f.m_nOperatorCode);
  ok = column("m_strOperatorName", f.m_strOperatorName) && ok;
  ok = column("m_nShiftRecipeID", f.m_nShiftRecipeID) && ok;
  ok = column("m_strShiftRecipeName", f.m_strShiftRecipeName) && ok;
  ok = column("m_dtStartDateTime", f.m_dtStartDateTime) && ok;
  ok = column("m_dtEndDateTime", f.m_dtEndDateTime) && ok;
  ok = column("m_strStartDateTimeShamsi", f.m_strStartDateTimeShamsi) && ok;
  ok = column("m_strEndDateTimeShamsi", f.m_strEndDateTimeShamsi) && ok;
  ok = column("m_lUsefulTime", f.m_lUsefulTime) && ok;
  ok = column("m_lTotalTime", f.m_lTotalTime) && ok;
  ok = column("m_fTotalProduced", f.m_fTotalProduced) && ok;
  ok = column("m_bShiftStopped", f.m_bShiftStopped) && ok;
  ok = column("m_nShiftTotalCycle", f.m_nShiftTotalCycle) && ok;
  for (int mixer = 0; mixer < kMixerCount; ++mixer)
    ok = column(BatchNumberColumnName(mixer).c_str(), f.m_nMxrBchNmbr[static_cast<std::size_t>(mixer)]) && ok;
  for (int material = 0; material < kStoredTotalCount; ++material)
    ok = column(kTotalColumns[material], f.m_fTtlActlMtrl[static_cast<std::size_t>(material)]) && ok;
  return ok;
}

bool CShiftRS::LoadFields() {
  if (!CBaseTableRS::LoadFields()) return false;
  return ExchangeColumns(m_current, [this](const char* name, auto& member) { return ReadColumn(name, member); });
}

bool CShiftRS::StoreFields() {
  if (!CBaseTableRS::StoreFields()) return false;
  return ExchangeColumns(m_current, [this](const char* name, auto& member) { return WriteColumn(name, member); });
}

bool CShiftRS::AddNew() {
  if (!CBaseTableRS::AddNew()) return false;
  return SetActiveRecord(true);
}

void CShiftRS::AddChargeToActiveShift(int material, float amount, DATE now) {
  auto lock = LockActive();
  m_active.SetTotalMaterial(material, m_active.GetTotalMaterial(material) + amount);
  m_active.SetTotalProduced(m_active.GetTotalProduced() + amount);
  m_active.SetEndDateTime(now);
}

void CShiftRS::IncActiveShiftTotalCycle() {
  auto lock = LockActive();
  m_active.IncShiftTotalCycle();
}

float CShiftRS::GetActiveTotalMaterial(int material) const {
  auto lock = LockActive();
  return m_active.GetTotalMaterial(material);
}

float CShiftRS::GetActiveTotalProduced() const {
  auto lock = LockActive();
  return m_active.GetTotalProduced();
}

void CShiftRS::SetActiveMixerBatchNumber(int mixer, int number) {
  auto lock = LockActive();
  m_active.SetMixerBatchNumber(mixer, number);
}

std::string CShiftRS::GetActiveOperatorName() const {
  auto lock = LockActive();
  return m_active.GetOperatorName();
}

int CShiftRS::GetActiveMixerBatchNumber(int mixer, bool ask) const {
  return AskForBatchNumber(mixer, ask, [&] {
    auto lock = LockActive();
    return m_active.ReadMixerBatchNumber(mixer);
  });
}

std::string CShiftRS::ActiveOperatorNameOf(const CShiftRS* shift) {
  return shift ? shift->GetActiveOperatorName() : std::string("?");
}
