#pragma once
// The scaling companion of one analog channel of a shape (a level, a speed, a
// position): it names the channel's physical-value attribute, keeps the unit
// text and fill percentage the shape draws, and decides once whether the
// program itself computes the physical value from the port value.
//
// The engine's cycles set the percentage while the UI thread paints it: the
// numbers are atomic and the texts guarded.
#include <atomic>
#include <mutex>
#include <string>

class CRAttribsPack;

class CAnalogUnit {
 public:
  explicit CAnalogUnit(CRAttribsPack* owner);
  virtual ~CAnalogUnit();
  CAnalogUnit(const CAnalogUnit&) = delete;
  CAnalogUnit& operator=(const CAnalogUnit&) = delete;

  std::string GetName() const;
  void SetName(const std::string& name);  // trimmed at both ends
  std::string GetUnitText() const;
  void SetUnitText(const std::string& text);
  float GetPercent() const { return m_percent.load(); }
  void SetPercent(float percent) { m_percent.store(percent); }
  // Index of the physical-value attribute in the owner; -1 for none.
  int GetAttribIndex() const { return m_attribIndex.load(); }
  void SetAttribIndex(int index) { m_attribIndex.store(index); }
  void SetAutoCalcPhyValueFromPortValue(bool on) { m_autoCalc.store(on); }

  // Whether the physical value is to be computed from the port value. Checks the
  // tag bindings of the physical and port values against the flag and asks about
  // a contradiction (Cancel ends the process); once the answer is final it is
  // kept. Without a port value there is nothing mapped to compute from.
  bool CheckAutoCalcConfig();

 private:
  CRAttribsPack* m_owner;
  mutable std::mutex m_textMutex;
  std::string m_name;
  std::string m_unitText = "Unit?";
  std::atomic<int> m_attribIndex{-1};
  std::atomic<float> m_percent{0.0f};
  std::atomic<bool> m_autoCalc{false};
  std::atomic<bool> m_settled{false};
};
