#include "records/Event2RS.h"

#include "common/ShamsiCalendar.h"
#include "common/TimeAndKeys.h"
#include "records/OperatorServices.h"
#include "records/TableEngineServices.h"

void CEvent2RS::CSTFields::Reset() {
  CBaseSTFields::Reset();
  const DATE now = GetNowDate();
  SetRecDateTime(now);
  ITableEngineServices* engine = GetTableEngine();
  m_strActiveOperatorName = engine->GetActiveOperatorName();
  m_nActiveRecipeID = engine->GetActiveRecipeID();
  m_strActiveRecipeName = engine->GetActiveRecipeName();
  m_strDataSourceType = engine->GetDataSourceText();
  m_strBatchedMatrialName = "?";
  m_fStartMatrialDose = 0.0f;
  m_fEndMatrialDose = 0.0f;
  m_strDisChargeDir = "?";
  SetChargeStartTime(now);
  SetChargeEndTime(now);
  SetDisChargeStartTime(now);
  SetDisChargeEndTime(now);
  m_bIsAutoBatching = 0;
  m_bChrageIsEnd = 0;
  m_bBatchIsCompleted = 0;
  m_nBatchNumber = -1;
}

void CEvent2RS::CSTFields::CopyFrom(const CBaseSTFields& other) {
  CBaseSTFields::CopyFrom(other);
  const auto& from = static_cast<const CSTFields&>(other);
  m_dtRecDateTime = from.m_dtRecDateTime;
  m_strRecDateTimeShamsi = from.m_strRecDateTimeShamsi;
  m_strActiveOperatorName = from.m_strActiveOperatorName;
  m_nActiveRecipeID = from.m_nActiveRecipeID;
  m_strActiveRecipeName = from.m_strActiveRecipeName;
  m_strDataSourceType = from.m_strDataSourceType;
  m_strBatchedMatrialName = from.m_strBatchedMatrialName;
  m_fStartMatrialDose = from.m_fStartMatrialDose;
  m_fEndMatrialDose = from.m_fEndMatrialDose;
  m_strDisChargeDir = from.m_strDisChargeDir;
  m_dtChargeStartTime = from.m_dtChargeStartTime;
  m_dtChargeEndTime = from.m_dtChargeEndTime;
  m_dtDisChargeStartTime = from.m_dtDisChargeStartTime;
  m_dtDisChargeEndTime = from.m_dtDisChargeEndTime;
  m_strChargeStartTimeShamsi = from.m_strChargeStartTimeShamsi;
  m_strChargeEndTimeShamsi = from.m_strChargeEndTimeShamsi;
  m_strDisChargeStartTimeShamsi = from.m_strDisChargeStartTimeShamsi;
  m_strDisChargeEndTimeShamsi = from.m_strDisChargeEndTimeShamsi;
  m_bIsAutoBatching = from.m_bIsAutoBatching;
  m_bChrageIsEnd = from.m_bChrageIsEnd;
  m_bBatchIsCompleted = from.m_bBatchIsCompleted;
  m_nBatchNumber = from.m_nBatchNumber;
}

void CEvent2RS::CSTFields::SetRecDateTime(DATE date) {
  m_dtRecDateTime = date;
  m_strRecDateTimeShamsi = FormatShamsiDate(date, true);
}

void CEvent2RS::CSTFields::SetChargeStartTime(DATE date) {
  m_dtChargeStartTime = date;
  SetChargeStartTimeShamsi(FormatShamsiDate(date, true));
}

void CEvent2RS::CSTFields::SetChargeEndTime(DATE date) {
  m_dtChargeEndTime = date;
  SetChargeEndTimeShamsi(FormatShamsiDate(date, true));
}

void CEvent2RS::CSTFields::SetDisChargeStartTime(DATE date) {
  m_dtDisChargeStartTime = date;
  SetDisChargeStartTimeShamsi(FormatShamsiDate(date, true));
}

void CEvent2RS::CSTFields::SetDisChargeEndTime(DATE date) {
  m_dtDisChargeEndTime = date;
  SetDisChargeEndTimeShamsi(FormatShamsiDate(date, true));
}

CEvent2RS::CEvent2RS() {
  AttachFieldSets(&m_current, &m_active, &m_scratch);
  SetOwnerWnd(GetOperatorServices()->GetPlantFormWindow());
}

CEvent2RS::~CEvent2RS() = default;

template <class Column>
bool CEvent2RS::ExchangeColumns(CSTFields& f, Column&& column) {
  // Every column is handled even when an earlier one reported failure.
  bool ok = column("m_dtRecDateTime", f.m_dtRecDateTime);
  ok = column("m_strRecDateTimeShamsi", f.m_strRecDateTimeShamsi) && ok;
  ok = column("m_strActiveOperatorName", f.m_strActiveOperatorName) && ok;
  ok = column("m_nActiveRecipeID", f.m_nActiveRecipeID) && ok;
  ok = column("m_strActiveRecipeName", f.m_strActiveRecipeName) && ok;
  ok = column("m_strDataSourceType", f.m_strDataSourceType) && ok;
  ok = column("m_strBatchedMatrialName", f.m_strBatchedMatrialName) && ok;
  ok = column("m_fStartMatrialDose", f.m_fStartMatrialDose) && ok;
  ok = column("m_fEndMatrialDose", f.m_fEndMatrialDose) && ok;
  ok = column("m_strDisChargeDir", f.m_strDisChargeDir) && ok;
  ok = column("m_dtChargeStartTime", f.m_dtChargeStartTime) && ok;
  ok = column("m_dtChargeEndTime", f.m_dtChargeEndTime) && ok;
  ok = column("m_dtDisChargeStartTime", f.m_dtDisChargeStartTime) && ok;
  ok = column("m_dtDisChargeEndTime", f.m_dtDisChargeEndTime) && ok;
  ok = column("m_strChargeStartTimeShamsi", f.m_strChargeStartTimeShamsi) && ok;
  ok = column("m_strChargeEndTimeShamsi", f.m_strChargeEndTimeShamsi) && ok;
  ok = column("m_strDisChargeStartTimeShamsi", f.m_strDisChargeStartTimeShamsi) && ok;
  ok = column("m_strDisChargeEndTimeShamsi", f.m_strDisChargeEndTimeShamsi) && ok;
  ok = column("m_bIsAutoBatching", f.m_bIsAutoBatching) && ok;
  ok = column("m_bChrageIsEnd", f.m_bChrageIsEnd) && ok;
  ok = column("m_bBatchIsCompleted", f.m_bBatchIsCompleted) && ok;
  ok = column("m_nBatchNumber", f.m_nBatchNumber) && ok;
  return ok;
}

bool CEvent2RS::LoadFields() {
  if (!CBaseTableRS::LoadFields()) return false;
  return ExchangeColumns(m_current, [this](const char* name, auto& member) { return ReadColumn(name, member); });
}

bool CEvent2RS::StoreFields() {
  if (!CBaseTableRS::StoreFields()) return false;
  return ExchangeColumns(m_current, [this](const char* name, auto& member) { return WriteColumn(name, member); });
}
