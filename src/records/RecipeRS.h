#pragma once
// The table "Recipe": a recipe's name, last change, active flag and its 30
// steps, which are stored together as one XML text in "strRecipeAllStepInfo":
//   <AllStepsInfo>\r\n<StepInfo nStepID="1" .../>\r\n ... </AllStepsInfo>\r\n
// one StepInfo element per slot in slot order. The active recipe is the latest
// row whose active flag is set; the process cycle reads its steps from the
// active set, so that set is used under the table's lock (LockActive).
#include <array>
#include <string>

#include "platform/base/WinTypes.h"
#include "records/RecipeStepInfo.h"
#include "records/SharedActiveTableRS.h"

class CRecipeRS : public CSharedActiveTableRS {
 public:
  static constexpr int kStepCount = 30;

  class CSTFields : public CBaseTableRS::CBaseSTFields {
   public:
    CSTFields();
    // Reset (steps numbered 1..30 by slot), owner and record id, name, date,
    // active flag, then each slot's step contents (not its number).
    void CopyFrom(const CBaseSTFields& other) override;
    // Record id -1, name "?", modified now, not active; every step reset and numbered slot + 1.
    void Reset() override;

    // The step in slot 0..29 (std::out_of_range for any other slot).
    CRecipeStepInfo& GetStep(int slot) { return m_steps.at(static_cast<std::size_t>(slot)); }
    const CRecipeStepInfo& GetStep(int slot) const { return m_steps.at(static_cast<std::size_t>(slot)); }
    std::string GetRecipeName() const { return m_strRecipeName; }
    void SetRecipeName(const std::string& name) { m_strRecipeName = name; }
    DATE GetModifyDateTime() const { return m_dtModifyDateTime; }
    // Also writes the date's Shamsi text with the time.
    void SetModifyDateTime(DATE date);
    bool IsRecipeActive() const { return m_bRecipeIsActv; }
    void SetRecipeActive(bool active) { m_bRecipeIsActv = active; }

    // Order of two steps: 1 when a is active and b not, -1 the other way round,
    // 0 when neither is; both active: 1, 0 or -1 as a's mixer is lower, equal or
    // higher. Negative: the pair is out of order.
    virtual int CompareSteps(const CRecipeStepInfo& a, const CRecipeStepInfo& b) const;
    // Trades the contents of two steps of this set; the numbers stay with their
    // slots, and in the table's current set every reference follows the contents.
    virtual void SwapSteps(CRecipeStepInfo& a, CRecipeStepInfo& b);
    // Stable bubble sort: active steps first by ascending mixer, then the inactive ones.
    void SortSteps();
    // An active step uses the mixer.
    bool IsMixerUsed(int mixer) const;

    std::string m_strRecipeName;
    DATE m_dtModifyDateTime = 0;
    std::string m_strModifyDateTimeShamsi;
    bool m_bRecipeIsActv = false;

   private:
    std::array<CRecipeStepInfo, kStepCount> m_steps;
  };

  CRecipeRS();
  ~CRecipeRS() override;

  bool LoadFields() override;
  bool StoreFields() override;
  bool IsActive() const override { return m_current.m_bRecipeIsActv; }

  // In the current set only: every reference to step `oldNumber` becomes
  // `newNumber` (0 when it is -1); inactive steps lose both references.
  virtual void RenumberSteps(CSTFields& set, int oldNumber, int newNumber);
  // In the current set only, in one pass: references to a become b and
  // references to b become a; inactive steps lose both references.
  void SwapStepNumbers(CSTFields& set, int a, int b);

  // The steps as stored: the XML text of the 30 steps of `set`; false when a step could not be written.
  static bool StepsToXml(const CSTFields& set, std::string& text);
  // Fills the steps of `set` from a stored text; slots without a StepInfo element stay as they are.
  static void StepsFromXml(CSTFields& set, const std::string& text);

  // Locked reads of the active recipe, for the engine root.
  int GetActiveRecipeID() const;
  std::string GetActiveRecipeName() const;
  // The engine root's answers: -1 and "?" without a recipe table.
  static int ActiveRecipeIDOf(const CRecipeRS* recipe);
  static std::string ActiveRecipeNameOf(const CRecipeRS* recipe);

  CSTFields& Current() { return m_current; }
  // Hold LockActive() while using it where another thread may.
  CSTFields& Active() { return m_active; }
  CSTFields& Scratch() { return m_scratch; }

 private:
  CSTFields m_current, m_active, m_scratch;
};
