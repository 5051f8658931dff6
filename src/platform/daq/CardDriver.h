#pragma once
// The data-acquisition card driver library, emulated. The call shapes are those
// the card link uses: a device list, open/close, analog configuration and
// voltage input, digital bit write and current-bit read. Every call returns 0 on
// success and a non-zero driver error code on failure.
//
// The emulation holds the cards named in its device list (by default the plant's
// two cards), the analog input voltages and the digital bits; tests set and read
// them through CardEmulation.h and can make any call fail.
#include <cstdint>

using DRV_RESULT = std::int32_t;
using DRV_HANDLE = std::intptr_t;  // 0 means "not open"

constexpr DRV_RESULT DRV_SUCCESS = 0;
constexpr DRV_RESULT DRV_ERR_INVALID_HANDLE = 1;
constexpr DRV_RESULT DRV_ERR_INVALID_DEVICE = 2;
constexpr DRV_RESULT DRV_ERR_INVALID_ARGUMENT = 3;
constexpr DRV_RESULT DRV_ERR_INVALID_CHANNEL = 4;
constexpr DRV_RESULT DRV_ERR_INVALID_PORT = 5;
constexpr DRV_RESULT DRV_ERR_DEVICE_IO = 6;
constexpr DRV_RESULT DRV_ERR_INJECTED = 100;  // the default code of an injected failure

constexpr int kDeviceNameLength = 50;

struct DEVLIST {
  std::uint32_t dwDeviceNum = 0;
  char szDeviceName[kDeviceNameLength] = {};
  std::int16_t nNumOfSubdevices = 0;
};

struct PT_AIConfig {
  std::uint16_t DasChan = 0;
  std::uint16_t DasGain = 0;
};

struct PT_AIVoltageIn {
  std::uint16_t chan = 0;
  std::uint16_t gain = 0;
  std::uint16_t TrigMode = 0;
  float* voltage = nullptr;
};

struct PT_DioGetCurrentDOBit {
  std::uint16_t port = 0;
  std::uint16_t bit = 0;
  std::uint16_t* state = nullptr;
};

struct PT_DioWriteBit {
  std::uint16_t port = 0;
  std::uint16_t bit = 0;
  std::uint16_t state = 0;
};

DRV_RESULT DRV_DeviceGetNumOfList(std::int16_t* count);
DRV_RESULT DRV_DeviceGetList(DEVLIST* list, std::int16_t maxEntries, std::int16_t* entriesReturned);
DRV_RESULT DRV_DeviceOpen(std::uint32_t deviceNum, DRV_HANDLE* handle);
DRV_RESULT DRV_DeviceClose(DRV_HANDLE* handle);
// Writes the text of an error code into `buffer` (at least 80 bytes).
void DRV_GetErrorMessage(DRV_RESULT code, char* buffer);
DRV_RESULT DRV_AIConfig(DRV_HANDLE handle, PT_AIConfig* config);
DRV_RESULT DRV_AIVoltageIn(DRV_HANDLE handle, PT_AIVoltageIn* input);
DRV_RESULT DRV_DioWriteBit(DRV_HANDLE handle, PT_DioWriteBit* write);
DRV_RESULT DRV_DioGetCurrentDOBit(DRV_HANDLE handle, PT_DioGetCurrentDOBit* read);
