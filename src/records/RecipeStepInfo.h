#pragma once
// One step of a recipe: which material, how much, into which mixer, whether it
// takes part, which steps must have ended before it may charge and before it
// may discharge, and whether it discharges at all. Its "StepInfo" XML element
// is how the recipe table stores it.
#include <string>

#include "records/BaseTableRS.h"

// The XML element one step is stored as in the recipe table.
inline constexpr const char* kStepElement = "StepInfo";

class CRecipeStepInfo {
 public:
  // Owner none, step number -1, then Reset.
  CRecipeStepInfo();
  // As the default constructor, then CopyFrom: the number and owner are not copied.
  CRecipeStepInfo(const CRecipeStepInfo& other);
  CRecipeStepInfo& operator=(const CRecipeStepInfo&) = delete;
  virtual ~CRecipeStepInfo() = default;

  // Reset, then every member but the step number and the owner.
  virtual void CopyFrom(const CRecipeStepInfo& other);
  // Inactive, no references, no discharge, not manual, no mixer, no material,
  // dose 0; the step number and the owner stay.
  virtual void Reset();

  int GetStepID() const { return m_nStepID; }
  // A number read from a stored recipe is taken as it is: the steps' references
  // stay as they were stored.
  void SetStepID(int id) { m_nStepID = id; }
  bool IsStepActive() const { return m_bStpIsActv; }
  void SetStepActive(bool active) { m_bStpIsActv = active; }
  int GetPrEndStpNmbr() const { return m_nPrEndStpNmbr; }
  void SetPrEndStpNmbr(int step) { m_nPrEndStpNmbr = step; }
  int GetSmulStrtStpNmbr() const { return m_nSmulStrtStpNmbr; }
  void SetSmulStrtStpNmbr(int step) { m_nSmulStrtStpNmbr = step; }
  int GetMixerNumber() const { return m_eMixerNumber; }
  int GetMaterialIndex() const { return m_nMaterialIndex; }
  void SetMaterialIndex(int material) { m_nMaterialIndex = material; }
  float GetDose() const { return m_fDose; }
  void SetDose(float dose) { m_fDose = dose; }

  CBaseTableRS::CBaseSTFields* GetOwner() const { return m_pOwner; }
  void SetOwner(CBaseTableRS::CBaseSTFields* owner) { m_pOwner = owner; }

  // `text` becomes one StepInfo element with the nine attributes; returns 1.
  int WriteXml(std::string& text) const;
  // Reset, then the attributes of the first StepInfo element of `text` (an
  // empty text, or one without that element, leaves the step reset; a missing
  // attribute reads as ""). Returns 1 in every case.
  int ReadXml(const std::string& text);

  int m_nStepID = -1;
  bool m_bStpIsActv = false;
  int m_nPrEndStpNmbr = 0;     // the step that must have ended before this one begins; 0 for none
  int m_nSmulStrtStpNmbr = 0;  // the step that must have ended before this one discharges; 0 for none
  bool m_bStpHasDisChrg = false;
  bool m_bIsManualDosing = false;
  int m_eMixerNumber = -1;     // 0..3 for Mixer1..Mixer4, -1 for none
  int m_nMaterialIndex = -1;   // 0..10, -1 for none, -2 for a stored name no material has
  float m_fDose = 0.0f;        // kg; seconds for a delay step

 private:
  CBaseTableRS::CBaseSTFields* m_pOwner = nullptr;
};
