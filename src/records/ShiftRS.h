#pragma once
// The table "Shift": one row per work shift: operator, recipe, start and end,
// stopped flag, recipe cycles, the four mixers' batch numbers and the amount of
// each material charged. The active shift is the latest row not stopped; the
// process cycle and the UI thread both work on it in memory (totals, end time,
// cycles, batch numbers), so every use of the active set goes through the
// table's lock (LockActive, or the locked operations below), and the plant
// form saves it with WriteBackActive when told of a change (code 6).
#include <array>
#include <string>

#include "platform/base/WinTypes.h"
#include "records/MaterialNames.h"
#include "records/SharedActiveTableRS.h"

class CShiftRS : public CSharedActiveTableRS {
 public:
  static constexpr int kMixerCount = 4;
  // Only the first nine materials have a total column; "Confirmation" and
  // "Delay Step" totals live in memory only.
  static constexpr int kStoredTotalCount = 9;

  class CSTFields : public CBaseTableRS::CBaseSTFields {
   public:
    CSTFields() { CSTFields::Reset(); }
    void CopyFrom(const CBaseSTFields& other) override;
    // Record id -1, operator -1 "?", the engine root's active recipe, both
    // dates now, times and totals 0, stopped, no cycles, batch numbers 0.
    void Reset() override;

    std::string GetOperatorName() const { return m_strOperatorName; }
    void SetOperatorName(const std::string& name) { m_strOperatorName = name; }
    int GetShiftRecipeID() const { return m_nShiftRecipeID; }
    void SetShiftRecipeID(int id) { m_nShiftRecipeID = id; }
    std::string GetShiftRecipeName() const { return m_strShiftRecipeName; }
    void SetShiftRecipeName(const std::string& name) { m_strShiftRecipeName = name; }
    DATE GetStartDateTime() const { return m_dtStartDateTime; }
    DATE GetEndDateTime() const { return m_dtEndDateTime; }
    // Each date setter also writes the date's Shamsi text with the time.
    void SetStartDateTime(DATE date);
    void SetEndDateTime(DATE date);
    bool IsShiftStopped() const { return m_bShiftStopped; }
    void SetShiftStopped(bool stopped) { m_bShiftStopped = stopped; }
    float GetTotalProduced() const { return m_fTotalProduced; }
    void SetTotalProduced(float total) { m_fTotalProduced = total; }
    void IncShiftTotalCycle() { ++m_nShiftTotalCycle; }
    // 0 for a material outside 0..10 (-1: a step without material).
    float GetTotalMaterial(int material) const;
    // A material outside 0..10 is ignored.
    void SetTotalMaterial(int material, float total);
    // A mixer outside 0..3 is ignored.
    void SetMixerBatchNumber(int mixer, int number);
    // The mixer's batch number when it is above 0. Otherwise, with `ask`, the
    // operator is asked for it (a box, then the batch-number dialog) until the
    // mixer has one or the dialog is not confirmed; without, the value (0, a
    // negative number, or -1 for a mixer outside 0..3). Call it on the UI thread;
    // for the active set use CShiftRS::GetActiveMixerBatchNumber.
    int GetMixerBatchNumber(int mixer, bool ask) const;
    int ReadMixerBatchNumber(int mixer) const;

    int m_nOperatorCode = -1;
    std::string m_strOperatorName;
    int m_nShiftRecipeID = -1;
    std::string m_strShiftRecipeName;
    DATE m_dtStartDateTime = 0;
    DATE m_dtEndDateTime = 0;  // the end, or the last charge while the shift runs
    std::string m_strStartDateTimeShamsi;
    std::string m_strEndDateTimeShamsi;
    int m_lUsefulTime = 0;
    int m_lTotalTime = 0;
    float m_fTotalProduced = 0.0f;
    bool m_bShiftStopped = true;
    int m_nShiftTotalCycle = 0;
    std::array<int, kMixerCount> m_nMxrBchNmbr{};            // columns "m_nMxr1BchNmbr" to "m_nMxr4BchNmbr"
    std::array<float, kMaterialCount> m_fTtlActlMtrl{};      // by material index
  };

  CShiftRS();
  ~CShiftRS() override;

  // The column of material i's total (0..8); "" for the totals kept in memory only.
  static std::string TotalColumnName(int material);
  // The column of mixer m's batch number (0..3): "m_nMxr1BchNmbr" to "m_nMxr4BchNmbr".
  static std::string BatchNumberColumnName(int mixer);
  // The box text that asks for mixer m's batch number (m + 1 in the text).
  static std::string BatchNumberPromptText(int mixer);
  static constexpr const char* kBatchNumberPromptCaption = "Enter Mixer Number";

  bool LoadFields() override;
  bool StoreFields() override;
  // The current row is a running shift.
  bool IsActive() const override { return !m_current.m_bShiftStopped; }
  // The frame's AddNew; the added row becomes the active shift.
  bool AddNew() override;

  // Locked operations on the active shift, safe from any thread.
  // A settled charge: the material's total and the total produced grow by the
  // amount and the end time becomes `now`.
  void AddChargeToActiveShift(int material, float amount, DATE now);
  void IncActiveShiftTotalCycle();
  float GetActiveTotalMaterial(int material) const;
  float GetActiveTotalProduced() const;
  void SetActiveMixerBatchNumber(int mixer, int number);
  std::string GetActiveOperatorName() const;
  // As CSTFields::GetMixerBatchNumber on the active set; the lock is taken for
  // each read only, never while the operator is asked. UI thread only.
  int GetActiveMixerBatchNumber(int mixer, bool ask) const;

  // The engine root's answer: the shift's active operator, "?" without a shift table.
  static std::string ActiveOperatorNameOf(const CShiftRS* shift);

  CSTFields& Current() { return m_current; }
  // Hold LockActive() while using it where another thread may.
  CSTFields& Active() { return m_active; }
  const CSTFields& Active() const { return m_active; }
  CSTFields& Scratch() { return m_scratch; }

 private:
  template <class Column>
  static bool ExchangeColumns(CSTFields& fields, Column&& column);

  CSTFields m_current, m_active, m_scratch;
};
