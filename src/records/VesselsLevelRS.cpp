#include "records/VesselsLevelRS.h"

#include "common/ShamsiCalendar.h"
#include "common/TimeAndKeys.h"
#include "platform/base/Text.h"
#include "records/OperatorServices.h"
#include "records/TableEngineServices.h"

void CVesselsLevelRS::CSTFields::Reset() {
  CBaseSTFields::Reset();
  SetRecDateTime(GetNowDate());
  ITableEngineServices* engine = GetTableEngine();
  m_strDataSourceType = engine->GetDataSourceText();
  m_strActiveOperatorName = engine->GetActiveOperatorName();
  m_nActiveRecipeID = engine->GetActiveRecipeID();
  m_strActiveRecipeName = engine->GetActiveRecipeName();
  m_fLevel.fill(0.0f);
}

void CVesselsLevelRS::CSTFields::CopyFrom(const CBaseSTFields& other) {
  CBaseSTFields::CopyFrom(other);
  const auto& from = static_cast<const CSTFields&>(other);
  m_dtRecDateTime = from.m_dtRecDateTime;
  m_strRecDateTimeShamsi = from.m_strRecDateTimeShamsi;
  m_strDataSourceType = from.m_strDataSourceType;
  m_strActiveOperatorName = from.m_strActiveOperatorName;
  m_nActiveRecipeID = from.m_nActiveRecipeID;
  m_strActiveRecipeName = from.m_strActiveRecipeName;
  m_fLevel = from.m_fLevel;
}

void CVesselsLevelRS::CSTFields::SetRecDateTime(DATE date) {
  m_dtRecDateTime = date;
  m_strRecDateTimeShamsi = FormatShamsiDate(date, true);
}

CVesselsLevelRS::CVesselsLevelRS() {
  AttachFieldSets(&m_current, &m_active, &m_scratch);
  SetOwnerWnd(GetOperatorServices()->GetPlantFormWindow());
}

CVesselsLevelRS::~CVesselsLevelRS() = default;

std::string CVesselsLevelRS::LevelColumnName(int index) { return ruv::Format("fLevel_%02d", index + 1); }

template <class Column>
bool CVesselsLevelRS::ExchangeColumns(CSTFields& f, Column&& column) {
  // Every column is handled even when an earlier one reported failure.
  bool ok = column("m_dtRecDateTime", f.m_dtRecDateTime);
  ok = column("m_strRecDateTimeShamsi", f.m_strRecDateTimeShamsi) && ok;
  ok = column("m_strDataSourceType", f.m_strDataSourceType) && ok;
  ok = column("m_strActiveOperatorName", f.m_strActiveOperatorName) && ok;
  ok = column("m_nActiveRecipeID", f.m_nActiveRecipeID) && ok;
  ok = column("m_strActiveRecipeName", f.m_strActiveRecipeName) && ok;
  for (int i = 0; i < kLevelCount; ++i)
    ok = column(LevelColumnName(i).c_str(), f.m_fLevel[static_cast<std::size_t>(i)]) && ok;
  return ok;
}

bool CVesselsLevelRS::LoadFields() {
  if (!CBaseTableRS::LoadFields()) return false;
  return ExchangeColumns(m_current, [this](const char* name, auto& member) { return ReadColumn(name, member); });
}

bool CVesselsLevelRS::StoreFields() {
  if (!CBaseTableRS::StoreFields()) return false;
  return ExchangeColumns(m_current, [this](const char* name, auto& member) { return WriteColumn(name, member); });
}
