#pragma once
// The item of one Advantech tag: which card (by base address) and, on the
// digital card, the group and bit, or on the analog card, the channel.
#include <cstdint>

#include "links/HwLinkerItem.h"

class CAdvantechLinkerItem : public CHwLinkerItem {
 public:
  static constexpr int kDigitalBaseAddress = 0x2C0;
  static constexpr int kAnalogBaseAddress = 0x300;
  static constexpr std::uint16_t kUnset = 0xFFFF;

  explicit CAdvantechLinkerItem(CHwLinkerEngine* engine);
  ~CAdvantechLinkerItem() override;

  int GetBaseAddress() const { return m_baseAddress; }
  void SetBaseAddress(int address) { m_baseAddress = address; }
  std::uint16_t GetDigitalGroup() const { return m_digitalGroup; }
  void SetDigitalGroup(std::uint16_t group) { m_digitalGroup = group; }
  std::uint16_t GetDigitalBit() const { return m_digitalBit; }
  void SetDigitalBit(std::uint16_t bit) { m_digitalBit = bit; }
  std::uint16_t GetAnalogChannel() const { return m_analogChannel; }
  void SetAnalogChannel(std::uint16_t channel) { m_analogChannel = channel; }

 private:
  // Fixed when the items are built, before the polling thread reads them.
  int m_baseAddress = -1;
  std::uint16_t m_digitalGroup = kUnset;
  std::uint16_t m_digitalBit = kUnset;
  std::uint16_t m_analogChannel = kUnset;
};
