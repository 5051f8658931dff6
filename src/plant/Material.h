#pragma once
// One material of the plant's recipes: how it is charged (pump, source tanker,
// weigher), how it leaves its batcher (discharge valve, a direction valve per
// mixer), the settling delays of the dosing, and what the shift has booked.
// Each charge itself is an entry of the material ledger (MaterialLedger.h). The materials are process-wide objects (PlantModel.h);
// the dosing (process cycle) and the plant form (UI thread) share them, so the
// booked values are atomic. The stopwatch belongs to the dosing alone.
#include <array>
#include <atomic>
#include <mutex>
#include <string>

#include "common/PlantObjectId.h"
#include "datacenter/RStack.h"
#include "datacenter/RTimer.h"

inline constexpr PlantObjectId kNoPlantObject = static_cast<PlantObjectId>(-1);

class CMaterial {
 public:
  static constexpr int kMixerCount = 4;

  // What the plant's table gives for one material.
  struct Definition {
    std::string name;
    int index = -1;
    std::string unit;
    int code = -1;
    PlantObjectId chargePump = kNoPlantObject;
    int firstDelayMs = 0;
    int secondDelayMs = 0;
    PlantObjectId dischargeValve = kNoPlantObject;
    PlantObjectId weigher = kNoPlantObject;
    std::array<PlantObjectId, kMixerCount> dirValves{kNoPlantObject, kNoPlantObject, kNoPlantObject, kNoPlantObject};
    PlantObjectId sourceTanker = kNoPlantObject;
  };

  // Reset, then the definition's values (the second pump is the charge pump).
  explicit CMaterial(const Definition& definition);
  virtual ~CMaterial();
  CMaterial(const CMaterial&) = delete;
  CMaterial& operator=(const CMaterial&) = delete;

  // Every id, delay and code -1, both levels -1.0, the total 0 (the name and the
  // unit stay).
  virtual void Reset();

  std::string GetName() const;
  void SetName(const std::string& name);
  std::string GetUnit() const;
  int GetIndex() const { return m_index.load(); }
  int GetCode() const { return m_code.load(); }
  PlantObjectId GetChargePumpId() const { return m_chargePump.load(); }
  PlantObjectId GetSecondPumpId() const { return m_secondPump.load(); }
  int GetFirstDelayMs() const { return m_firstDelayMs.load(); }
  int GetSecondDelayMs() const { return m_secondDelayMs.load(); }
  PlantObjectId GetSourceTankerId() const { return m_sourceTanker.load(); }
  PlantObjectId GetDischargeValveId() const { return m_dischargeValve.load(); }
  // The table's weigher; for "Water" Mixer1, which stands for the step's mixer
  // (GetMaterialWeigherId gives the right one).
  PlantObjectId GetWeigherId() const { return m_weigher.load(); }
  // The direction valve towards mixer 0..3; -1 for any other mixer.
  PlantObjectId GetDirValveId(int mixer) const;

  // The amount charged in the current shift.
  float GetTotal() const { return m_total.load(); }
  void SetTotal(float total) { m_total.store(total); }


  CRTimer& GetStopwatch() { return m_stopwatch; }
  CRStack& GetHistory(int i) { return m_histories.at(static_cast<std::size_t>(i)); }

 private:
  CRTimer m_stopwatch;
  mutable std::mutex m_textMutex;
  std::string m_name;
  std::string m_unit;
  std::atomic<int> m_index{-1};
  std::atomic<PlantObjectId> m_chargePump{kNoPlantObject};
  std::atomic<PlantObjectId> m_secondPump{kNoPlantObject};
  std::atomic<int> m_firstDelayMs{-1};
  std::atomic<int> m_secondDelayMs{-1};
  std::atomic<int> m_code{-1};
  std::atomic<PlantObjectId> m_sourceTanker{kNoPlantObject};
  std::atomic<float> m_total{0.0f};
  std::array<CRStack, 3> m_histories;
  std::atomic<PlantObjectId> m_dischargeValve{kNoPlantObject};
  std::atomic<PlantObjectId> m_weigher{kNoPlantObject};
  std::array<std::atomic<PlantObjectId>, kMixerCount> m_dirValves{};
};
