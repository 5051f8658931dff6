#pragma once
// The table "Event2": one row per charge of a material, followed from the
// charge start to the discharge end: the material, the doses at the charge's
// start and end, the receiving mixer and its batch number, the four moments
// (each with its Shamsi text), and whether the automatic cycle was running,
// the charge has ended and the discharge has ended. Rows are found again by
// their record id (the first column); the table has no active record.
#include <string>

#include "platform/base/WinTypes.h"
#include "records/BaseTableRS.h"

class CEvent2RS : public CBaseTableRS {
 public:
  class CSTFields : public CBaseTableRS::CBaseSTFields {
   public:
    CSTFields() { CSTFields::Reset(); }
    void CopyFrom(const CBaseSTFields& other) override;
    // Record id -1, every date now, the engine root's operator, recipe and data
    // source, material and direction "?", doses 0, flags 0, batch number -1.
    void Reset() override;

    // Each date setter also writes the date's Shamsi text with the time.
    void SetRecDateTime(DATE date);
    void SetChargeStartTime(DATE date);
    void SetChargeEndTime(DATE date);
    void SetDisChargeStartTime(DATE date);
    void SetDisChargeEndTime(DATE date);
    void SetChargeStartTimeShamsi(const std::string& text) { m_strChargeStartTimeShamsi = text; }
    void SetChargeEndTimeShamsi(const std::string& text) { m_strChargeEndTimeShamsi = text; }
    void SetDisChargeStartTimeShamsi(const std::string& text) { m_strDisChargeStartTimeShamsi = text; }
    void SetDisChargeEndTimeShamsi(const std::string& text) { m_strDisChargeEndTimeShamsi = text; }

    void SetBatchedMatrialName(const std::string& name) { m_strBatchedMatrialName = name; }
    void SetStartMatrialDose(float dose) { m_fStartMatrialDose = dose; }
    void SetEndMatrialDose(float dose) { m_fEndMatrialDose = dose; }
    void SetDisChargeDir(const std::string& mixer) { m_strDisChargeDir = mixer; }
    std::string GetDisChargeDir() const { return m_strDisChargeDir; }
    void SetIsAutoBatching(int flag) { m_bIsAutoBatching = flag; }
    void SetChrageIsEnd(int flag) { m_bChrageIsEnd = flag; }
    void SetBatchIsCompleted(int flag) { m_bBatchIsCompleted = flag; }
    void SetBatchNumber(int number) { m_nBatchNumber = number; }

    DATE m_dtRecDateTime = 0;
    std::string m_strRecDateTimeShamsi;
    std::string m_strActiveOperatorName;
    int m_nActiveRecipeID = -1;
    std::string m_strActiveRecipeName;
    std::string m_strDataSourceType;
    std::string m_strBatchedMatrialName;
    float m_fStartMatrialDose = 0.0f;
    float m_fEndMatrialDose = 0.0f;
    std::string m_strDisChargeDir;
    DATE m_dtChargeStartTime = 0;
    DATE m_dtChargeEndTime = 0;
    DATE m_dtDisChargeStartTime = 0;
    DATE m_dtDisChargeEndTime = 0;
    std::string m_strChargeStartTimeShamsi;
    std::string m_strChargeEndTimeShamsi;
    std::string m_strDisChargeStartTimeShamsi;
    std::string m_strDisChargeEndTimeShamsi;
    int m_bIsAutoBatching = 0;    // stored as integers (0 or 1), not as booleans
    int m_bChrageIsEnd = 0;
    int m_bBatchIsCompleted = 0;
    int m_nBatchNumber = -1;
  };

  CEvent2RS();
  ~CEvent2RS() override;

  bool LoadFields() override;
  bool StoreFields() override;
  // No active record: it neither moves nor notifies.
  bool FindActive() override { return false; }
  bool IsActive() const override { return false; }

  CSTFields& Current() { return m_current; }
  CSTFields& Active() { return m_active; }
  CSTFields& Scratch() { return m_scratch; }

 private:
  template <class Column>
  static bool ExchangeColumns(CSTFields& fields, Column&& column);

  CSTFields m_current, m_active, m_scratch;
};
