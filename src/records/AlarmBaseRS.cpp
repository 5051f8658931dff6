#include "records/AlarmBaseRS.h"

#include "common/Conversions.h"
#include "common/ShamsiCalendar.h"
#include "common/TimeAndKeys.h"
#include "platform/base/Text.h"
#include "records/OperatorServices.h"
#include "records/TableEngineServices.h"

void CAlarmBaseRS::CSTFields::Reset() {
  CBaseSTFields::Reset();
  const DATE now = GetNowDate();
  SetAlarmDateTime(now);
  m_dtAlarmResponseDateTime = now;
  m_strUserResponse = "?";
  ITableEngineServices* engine = GetTableEngine();
  m_strDataSourceType = engine->GetDataSourceText();
  m_strAlarmName = "?";
  m_strAlarmDescription = "?";
  m_strOperatorName = engine->GetActiveOperatorName();
  m_strRecipeName = engine->GetActiveRecipeName();
}

void CAlarmBaseRS::CSTFields::CopyFrom(const CBaseSTFields& other) {
  CBaseSTFields::CopyFrom(other);
  const auto& from = static_cast<const CSTFields&>(other);
  m_dtAlarmDateTime = from.m_dtAlarmDateTime;
  m_strAlarmDateTimeShamsi = from.m_strAlarmDateTimeShamsi;
  m_dtAlarmResponseDateTime = from.m_dtAlarmResponseDateTime;
  m_strUserResponse = from.m_strUserResponse;
  m_strDataSourceType = from.m_strDataSourceType;
  m_strAlarmName = from.m_strAlarmName;
  m_strAlarmDescription = from.m_strAlarmDescription;
  m_strOperatorName = from.m_strOperatorName;
  m_strRecipeName = from.m_strRecipeName;
}

void CAlarmBaseRS::CSTFields::SetAlarmDateTime(DATE date) {
  m_dtAlarmDateTime = date;
  m_strAlarmDateTimeShamsi = FormatShamsiDate(date, true);
}

void CAlarmBaseRS::CSTFields::SetAlarmName(const std::string& name) { m_strAlarmName = ReplaceLineBreaks(name, '-'); }

void CAlarmBaseRS::CSTFields::SetAlarmDescription(const std::string& description) {
  m_strAlarmDescription = ruv::CutUtf8Chars(ReplaceLineBreaks(description, '-'), kMaxDescriptionLength);
}

CAlarmBaseRS::CAlarmBaseRS() {
  AttachFieldSets(&m_current, nullptr, &m_scratch);
  SetOwnerWnd(GetOperatorServices()->GetPlantFormWindow());
}

CAlarmBaseRS::~CAlarmBaseRS() = default;

template <class Column>
bool CAlarmBaseRS::ExchangeColumns(CSTFields& f, Column&& column) {
  // Every column is handled even when an earlier one reported failure.
  bool ok = column("m_dtAlarmDateTime", f.m_dtAlarmDateTime);
  ok = column("m_strAlarmDateTimeShamsi", f.m_strAlarmDateTimeShamsi) && ok;
  ok = column("m_dtAlarmResponseDateTime", f.m_dtAlarmResponseDateTime) && ok;
  ok = column("m_strUserResponse", f.m_strUserResponse) && ok;
  ok = column("m_strDataSourceType", f.m_strDataSourceType) && ok;
  ok = column("m_strAlarmName", f.m_strAlarmName) && ok;
  ok = column("m_strAlarmDescription", f.m_strAlarmDescription) && ok;
  ok = column("m_strOperatorName", f.m_strOperatorName) && ok;
  ok = column("m_strRecipeName", f.m_strRecipeName) && ok;
  return ok;
}

bool CAlarmBaseRS::LoadFields() {
  if (!CBaseTableRS::LoadFields()) return false;
  return ExchangeColumns(m_current, [this](const char* name, auto& member) { return ReadColumn(name, member); });
}

bool CAlarmBaseRS::StoreFields() {
  if (!CBaseTableRS::StoreFields()) return false;
  return ExchangeColumns(m_current, [this](const char* name, auto& member) { return WriteColumn(name, member); });
}
