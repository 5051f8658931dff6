#pragma once
// Control of the emulated card driver (tests, bench and the simulator).
// All functions are thread-safe: the card link polls from a worker thread.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/daq/CardDriver.h"

namespace daqemu {

// The plant's two cards, in the order the driver lists them by default.
constexpr const char* kAnalogCardName = "PCL-818L I/O=300H";
constexpr const char* kDigitalCardName = "PCL-722 I/O=2c0H";

enum class Call {
  GetNumOfList,
  GetList,
  Open,
  Close,
  AIConfig,
  AIVoltageIn,
  DioWriteBit,
  DioGetCurrentDOBit,
};

// Back to the defaults: both cards listed, nothing open, all voltages 0, all bits clear, no failures.
void Reset();
// Replaces the device list (names in list order). Open handles stay valid.
void SetDevices(const std::vector<std::string>& names);

void SetVoltage(std::uint16_t channel, float volts);
float Voltage(std::uint16_t channel);
// Digital bits by port (0..255) and bit in the port (0..7).
void SetBit(std::uint16_t port, std::uint16_t bit, bool state);
bool Bit(std::uint16_t port, std::uint16_t bit);

// Makes every later call of that kind fail with `code` (0 turns the failure off).
void FailCall(Call call, DRV_RESULT code = DRV_ERR_INJECTED);
void ClearFailures();

// Counters for tests.
int CallCount(Call call);
int OpenDeviceCount();  // devices open right now

}  // namespace daqemu
