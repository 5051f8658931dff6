#pragma once
// The table "Alarm": the log of operator messages and alarms, one row per event
// with its name and description, when it happened, the operator's answer and
// when it was given, and the data source, operator and recipe of that moment.
// Only a current and a scratch set: the table has no active record.
#include <string>

#include "platform/base/WinTypes.h"
#include "records/BaseTableRS.h"

class CAlarmBaseRS : public CBaseTableRS {
 public:
  // The description column holds at most this many characters.
  static constexpr std::size_t kMaxDescriptionLength = 255;

  class CSTFields : public CBaseTableRS::CBaseSTFields {
   public:
    CSTFields() { CSTFields::Reset(); }
    void CopyFrom(const CBaseSTFields& other) override;
    // Record id -1; both dates one and the same now; response, name and
    // description "?"; the engine root's data source, operator and recipe.
    void Reset() override;

    // Also writes the date's Shamsi text with the time.
    void SetAlarmDateTime(DATE date);
    // The response date has no Shamsi text.
    void SetAlarmResponseDateTime(DATE date) { m_dtAlarmResponseDateTime = date; }
    void SetUserResponse(const std::string& response) { m_strUserResponse = response; }
    // Every CR and LF becomes "-", one for one.
    void SetAlarmName(const std::string& name);
    // As the name, then cut to its first 255 characters so that it fits its column.
    void SetAlarmDescription(const std::string& description);

    DATE m_dtAlarmDateTime = 0;
    std::string m_strAlarmDateTimeShamsi;
    DATE m_dtAlarmResponseDateTime = 0;
    std::string m_strUserResponse;
    std::string m_strDataSourceType;
    std::string m_strAlarmName;
    std::string m_strAlarmDescription;
    std::string m_strOperatorName;
    std::string m_strRecipeName;
  };

  CAlarmBaseRS();
  ~CAlarmBaseRS() override;

  bool LoadFields() override;
  bool StoreFields() override;

  CSTFields& Current() { return m_current; }
  CSTFields& Scratch() { return m_scratch; }

 private:
  template <class Column>
  static bool ExchangeColumns(CSTFields& fields, Column&& column);

  CSTFields m_current, m_scratch;
};
