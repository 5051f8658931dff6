#include "records/BatchRS.h"

#include "common/Conversions.h"
#include "common/ShamsiCalendar.h"
#include "common/TimeAndKeys.h"
#include "records/TableEngineServices.h"
#include "records/OperatorServices.h"

void CBatchRS::CSTFields::Reset() {
  CBaseSTFields::Reset();
  const DATE now = GetNowDate();
  ITableEngineServices* engine = GetTableEngine();
  m_strDataSourceType = engine->GetDataSourceText();
  m_nBatchNumber = 0;
  m_bBatchIsFinshed = false;
  m_strMixerName = "?";
  SetStartDateTime(now);
  SetEndDateTime(now);
  m_fMixerLevelAtStartTime = -1.0f;
  m_fMixerLevelAtEndTime = -1.0f;
  m_strOperatorName = engine->GetActiveOperatorName();
  m_nRecipeID = engine->GetActiveRecipeID();
  m_strRecipeName = engine->GetActiveRecipeName();
}

void CBatchRS::CSTFields::CopyFrom(const CBaseSTFields& other) {
  CBaseSTFields::CopyFrom(other);
  const auto& from = static_cast<const CSTFields&>(other);
  m_strDataSourceType = from.m_strDataSourceType;
  m_nBatchNumber = from.m_nBatchNumber;
  m_bBatchIsFinshed = from.m_bBatchIsFinshed;
  m_strMixerName = from.m_strMixerName;
  m_dtStartDateTime = from.m_dtStartDateTime;
  m_dtEndDateTime = from.m_dtEndDateTime;
  m_strStartDateTimeShamsi = from.m_strStartDateTimeShamsi;
  m_strEndDateTimeShamsi = from.m_strEndDateTimeShamsi;
  m_fMixerLevelAtStartTime = from.m_fMixerLevelAtStartTime;
  m_fMixerLevelAtEndTime = from.m_fMixerLevelAtEndTime;
  m_strOperatorName = from.m_strOperatorName;
  m_nRecipeID = from.m_nRecipeID;
  m_strRecipeName = from.m_strRecipeName;
}

void CBatchRS::CSTFields::SetStartDateTime(DATE date) {
  m_dtStartDateTime = date;
  m_strStartDateTimeShamsi = FormatShamsiDate(date, true);
}

void CBatchRS::CSTFields::SetEndDateTime(DATE date) {
  m_dtEndDateTime = date;
  m_strEndDateTimeShamsi = FormatShamsiDate(date, true);
}

std::string CBatchRS::CSTFields::GetReportText() const {
  auto level = [](float value) { return value == -1.0f ? std::string("?") : FloatToText(value); };
  std::string text;
  text += "\n Batch number: " + IntToText(m_nBatchNumber);
  text += "\n Mixer Name: " + m_strMixerName;
  text += "\n\n MixerLevelAtStartTime: " + level(m_fMixerLevelAtStartTime);
  text += "\n MixerLevelAtEndTime: " + level(m_fMixerLevelAtEndTime);
  text += "\n\n Start Time: " + m_strStartDateTimeShamsi;
  text += "\n End Time: " + (m_bBatchIsFinshed ? m_strEndDateTimeShamsi : std::string("Not End (Batch is open)"));
  text += "\n\n Operator Name: " + m_strOperatorName;
  text += "\n Recipe Name: " + m_strRecipeName;
  return text;
}

CBatchRS::CBatchRS() {
  AttachFieldSets(&m_current, &m_active, &m_scratch);
  SetOwnerWnd(GetOperatorServices()->GetPlantFormWindow());
}

CBatchRS::~CBatchRS() = default;

template <class Column>
bool CBatchRS::ExchangeColumns(CSTFields& f, Column&& column) {
  // Every column is handled even when an earlier one reported failure.
  bool ok = column("m_strDataSourceType", f.m_strDataSourceType);
  ok = column("m_nBatchNumber", f.m_nBatchNumber) && ok;
  ok = column("m_bBatchIsFinshed", f.m_bBatchIsFinshed) && ok;
  ok = column("m_strMixerName", f.m_strMixerName) && ok;
  ok = column("m_dtStartDateTime", f.m_dtStartDateTime) && ok;
  ok = column("m_dtEndDateTime", f.m_dtEndDateTime) && ok;
  ok = column("m_strStartDateTimeShamsi", f.m_strStartDateTimeShamsi) && ok;
  ok = column("m_strEndDateTimeShamsi", f.m_strEndDateTimeShamsi) && ok;
  ok = column("m_fMixerLevelAtStartTime", f.m_fMixerLevelAtStartTime) && ok;
  ok = column("m_fMixerLevelAtEndTime", f.m_fMixerLevelAtEndTime) && ok;
  ok = column("m_strOperatorName", f.m_strOperatorName) && ok;
  ok = column("m_nRecipeID", f.m_nRecipeID) && ok;
  ok = column("m_strRecipeName", f.m_strRecipeName) && ok;
  return ok;
}

bool CBatchRS::LoadFields() {
  if (!CBaseTableRS::LoadFields()) return false;
  return ExchangeColumns(m_current, [this](const char* name, auto& member) { return ReadColumn(name, member); });
}

bool CBatchRS::StoreFields() {
  if (!CBaseTableRS::StoreFields()) return false;
  return ExchangeColumns(m_current, [this](const char* name, auto& member) { return WriteColumn(name, member); });
}

bool CBatchRS::AddNew() {
  if (!CBaseTableRS::AddNew()) return false;
  return SetActiveRecord(true);
}
