#pragma once
// The table "Batch": one row per batch a mixer makes, with its mixer and
// number, when it was opened and finished (each with its Shamsi text), the
// mixer's level at both moments, and the data source, operator and recipe
// that were active when the row was made. Written only by the batch-number
// dialog; a newly added row becomes the table's active record.
#include <string>

#include "platform/base/WinTypes.h"
#include "records/BaseTableRS.h"

class CBatchRS : public CBaseTableRS {
 public:
  class CSTFields : public CBaseTableRS::CBaseSTFields {
   public:
    CSTFields() { CSTFields::Reset(); }
    void CopyFrom(const CBaseSTFields& other) override;
    // Record id -1, the engine root's data source, operator and recipe, mixer
    // "?", number 0, open, both dates now, both levels -1 (no level).
    void Reset() override;

    void SetBatchNumber(int number) { m_nBatchNumber = number; }
    int GetBatchNumber() const { return m_nBatchNumber; }
    void SetMixerName(const std::string& name) { m_strMixerName = name; }
    std::string GetMixerName() const { return m_strMixerName; }
    void SetFinished(bool finished) { m_bBatchIsFinshed = finished; }
    bool IsFinished() const { return m_bBatchIsFinshed; }
    // Each date setter also writes the date's Shamsi text with the time.
    void SetStartDateTime(DATE date);
    void SetEndDateTime(DATE date);
    void SetMixerLevelAtStartTime(float level) { m_fMixerLevelAtStartTime = level; }
    float GetMixerLevelAtStartTime() const { return m_fMixerLevelAtStartTime; }
    void SetMixerLevelAtEndTime(float level) { m_fMixerLevelAtEndTime = level; }
    float GetMixerLevelAtEndTime() const { return m_fMixerLevelAtEndTime; }
    std::string GetStartDateTimeShamsi() const { return m_strStartDateTimeShamsi; }
    std::string GetEndDateTimeShamsi() const { return m_strEndDateTimeShamsi; }
    std::string GetOperatorName() const { return m_strOperatorName; }
    std::string GetRecipeName() const { return m_strRecipeName; }

    // The row as the operator reads it: starts with a line break, none at the end.
    std::string GetReportText() const;

    std::string m_strDataSourceType;
    int m_nBatchNumber = 0;
    bool m_bBatchIsFinshed = false;
    std::string m_strMixerName;
    DATE m_dtStartDateTime = 0;
    DATE m_dtEndDateTime = 0;
    std::string m_strStartDateTimeShamsi;
    std::string m_strEndDateTimeShamsi;
    float m_fMixerLevelAtStartTime = -1.0f;  // -1: no level taken
    float m_fMixerLevelAtEndTime = -1.0f;
    std::string m_strOperatorName;
    int m_nRecipeID = -1;
    std::string m_strRecipeName;
  };

  CBatchRS();
  ~CBatchRS() override;

  bool LoadFields() override;
  bool StoreFields() override;
  // A batch row is never found as active; only AddNew activates one.
  bool IsActive() const override { return false; }
  // The frame's AddNew; the added row becomes the active record.
  bool AddNew() override;

  CSTFields& Current() { return m_current; }
  CSTFields& Active() { return m_active; }
  CSTFields& Scratch() { return m_scratch; }

 private:
  template <class Column>
  static bool ExchangeColumns(CSTFields& fields, Column&& column);

  CSTFields m_current, m_active, m_scratch;
};
