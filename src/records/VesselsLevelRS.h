#pragma once
// The table "VesselsLevel": the levels of nine vessels at one moment, with the
// moment (and its Shamsi text) and the data source, operator and recipe active
// then. The table has no active record.
#include <array>
#include <string>

#include "platform/base/WinTypes.h"
#include "records/BaseTableRS.h"

class CVesselsLevelRS : public CBaseTableRS {
 public:
  static constexpr int kLevelCount = 9;

  class CSTFields : public CBaseTableRS::CBaseSTFields {
   public:
    CSTFields() { CSTFields::Reset(); }
    void CopyFrom(const CBaseSTFields& other) override;
    // Record id -1, the date now, the engine root's data source, operator and recipe, every level 0.
    void Reset() override;
    // Also writes the date's Shamsi text with the time.
    void SetRecDateTime(DATE date);

    DATE m_dtRecDateTime = 0;
    std::string m_strRecDateTimeShamsi;
    std::string m_strDataSourceType;
    std::string m_strActiveOperatorName;
    int m_nActiveRecipeID = -1;
    std::string m_strActiveRecipeName;
    std::array<float, kLevelCount> m_fLevel{};  // columns "fLevel_01" to "fLevel_09"
  };

  CVesselsLevelRS();
  ~CVesselsLevelRS() override;

  // The column of level i (0..8): "fLevel_01" to "fLevel_09".
  static std::string LevelColumnName(int index);

  bool LoadFields() override;
  bool StoreFields() override;
  bool FindActive() override { return false; }
  bool IsActive() const override { return false; }

  CSTFields& Current() { return m_current; }
  CSTFields& Scratch() { return m_scratch; }

 private:
  template <class Column>
  bool ExchangeColumns(CSTFields& fields, Column&& column);

  CSTFields m_current, m_active, m_scratch;
};
