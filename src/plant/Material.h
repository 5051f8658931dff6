#pragma once
// One material of the plant's recipes: how it is charged (pump, source tanker,
// weigher), how it leaves its batcher (discharge valve, a direction valve per
// mixer), the settling delays of the dosing, and what the current charge and
// shift have booked. The materials are process-wide objects (PlantModel.h);
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

  int GetEventRecordId() const { return m_eventRecordId.load(); }
  void SetEventRecordId(int id) { m_eventRecordId.store(id); }
  float GetChargeStartLevel() const { return m_chargeStartLevel.load(); }
  void SetChargeStartLevel(float level) { m_chargeStartLevel.store(level); }
  float GetChargeEndLevel() const { return m_chargeEndLevel.load(); }
  void SetChargeEndLevel(float level) { m_chargeEndLevel.store(level); }
  // The amount charged in the current shift.
  float GetTotal() const { return m_total.load(); }
  void SetTotal(float total) { m_total.store(total); }

  // The charges the plant form records, numbered at their pump's start: the
  // dosing books a settled charge from the levels its Event2 row recorded, so
  // the shift and the row never tell two amounts of one charge.
  // The end is settled once, by whichever side reads it first (the row's
  // charge end, or the dosing booking a cut charge): the other takes it.
  unsigned NoteChargeStart() { return m_chargeStarts.fetch_add(1) + 1; }
  unsigned GetChargeStarts() const { return m_chargeStarts.load(); }
  // Charge `charge`'s start and end: those settled before, else `start` and
  // `level`, settled now. Charge 0 is no recorded charge: settles nothing.
  void SettleChargeEnd(unsigned charge, float& start, float& level);

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
  std::atomic<int> m_eventRecordId{-1};
  std::atomic<PlantObjectId> m_sourceTanker{kNoPlantObject};
  std::atomic<float> m_chargeStartLevel{-1.0f};
  std::atomic<float> m_chargeEndLevel{-1.0f};
  std::atomic<float> m_total{0.0f};
  std::array<CRStack, 3> m_histories;
  std::atomic<unsigned> m_chargeStarts{0};
  mutable std::mutex m_recordedMutex;
  unsigned m_recordedCharge = 0;
  float m_recordedStart = 0.0f;
  float m_recordedEnd = 0.0f;
  std::atomic<PlantObjectId> m_dischargeValve{kNoPlantObject};
  std::atomic<PlantObjectId> m_weigher{kNoPlantObject};
  std::array<std::atomic<PlantObjectId>, kMixerCount> m_dirValves{};
};
