#include "links/AdvantechCards.h"

#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include "datacenter/ConfigurationBoxes.h"
#include "platform/base/MessageBoxService.h"
#include "platform/base/Text.h"
#include "platform/daq/CardDriver.h"

namespace {


std::atomic<DRV_HANDLE> g_digitalHandle{0};
std::atomic<DRV_HANDLE> g_analogHandle{0};
std::atomic<bool> g_opening{false};

bool BothOpen() { return g_digitalHandle.load() != 0 && g_analogHandle.load() != 0; }

// Opens one listed card into `handle`; reports and leaves 0 when it cannot.
bool OpenListedCard(const DEVLIST& entry, std::atomic<DRV_HANDLE>& handle, const char* failureFormat) {
  DRV_HANDLE opened = 0;
  if (DRV_DeviceOpen(entry.dwDeviceNum, &opened) != DRV_SUCCESS || opened == 0) {
    handle.store(0);
    const std::string name(entry.szDeviceName, strnlen(entry.szDeviceName, sizeof entry.szDeviceName));
    ShowMessageBox(ruv::Format(failureFormat, name.c_str()), "", kConfigReportStyle);
    return false;
  }
  handle.store(opened);
  return true;
}

void CloseCard(std::atomic<DRV_HANDLE>& handle) {
  DRV_HANDLE open = handle.exchange(0);
  if (open != 0) DRV_DeviceClose(&open);
}

}  // namespace

int OpenCards() {
  if (BothOpen()) return 1;
  if (g_opening.exchange(true)) return 0;
  struct ClearOnExit {
    ~ClearOnExit() { g_opening.store(false); }
  } clearOnExit;

  std::int16_t count = 0;
  if (DRV_DeviceGetNumOfList(&count) != DRV_SUCCESS) return 0;
  if (count <= 0) {
    ShowMessageBox("No Advantech Driver installed!", "", kConfigReportStyle);
    return 0;
  }
  std::vector<DEVLIST> list(static_cast<std::size_t>(count));
  std::int16_t returned = 0;
  if (DRV_DeviceGetList(list.data(), count, &returned) != DRV_SUCCESS) return 0;
  if (returned > count) returned = count;

  for (std::int16_t i = 0; i < returned; ++i) {
    const DEVLIST& entry = list[static_cast<std::size_t>(i)];
    const std::string name(entry.szDeviceName, strnlen(entry.szDeviceName, sizeof entry.szDeviceName));
    if (g_analogHandle.load() == 0 && name == kAnalogCardDeviceName) {
      if (!OpenListedCard(entry, g_analogHandle, "Program cannot open Analog IO card [%s]!\n")) break;
    } else if (g_digitalHandle.load() == 0 && name == kDigitalCardDeviceName) {
      if (!OpenListedCard(entry, g_digitalHandle, "Program cannot open Digital IO card [%s]!\n")) break;
    }
  }
  return BothOpen() ? 1 : 0;
}

int ReadAnalog(std::uint16_t channel, float& volts) {
  if (g_analogHandle.load() == 0 && !OpenCards()) return 0;
  const DRV_HANDLE handle = g_analogHandle.load();
  PT_AIConfig config;
  config.DasChan = channel;
  config.DasGain = 0;
  if (DRV_AIConfig(handle, &config) != DRV_SUCCESS) return 0;
  float reading = 0.0f;
  PT_AIVoltageIn input;
  input.chan = channel;
  input.gain = 0;
  input.TrigMode = 0;
  input.voltage = &reading;
  if (DRV_AIVoltageIn(handle, &input) != DRV_SUCCESS) return 0;
  volts = reading;
  return 1;
}

int ReadDigitalBit(std::uint16_t group, std::uint16_t bit, bool& state) {
  state = false;
  if (g_digitalHandle.load() == 0 && !OpenCards()) return 0;
  std::uint16_t word = 0;
  PT_DioGetCurrentDOBit read;
  read.port = DigitalPortOf(group, bit);
  read.bit = DigitalBitInPort(bit);
  read.state = &word;
  if (DRV_DioGetCurrentDOBit(g_digitalHandle.load(), &read) != DRV_SUCCESS) return 0;
  state = word != 0;
  return 1;
}

int WriteDigitalBit(std::uint16_t group, std::uint16_t bit, bool state) {
  if (g_digitalHandle.load() == 0 && !OpenCards()) return 0;
  PT_DioWriteBit write;
  write.port = DigitalPortOf(group, bit);
  write.bit = DigitalBitInPort(bit);
  write.state = state ? 1 : 0;
  return DRV_DioWriteBit(g_digitalHandle.load(), &write) == DRV_SUCCESS ? 1 : 0;
}

void CloseCards() {
  CloseCard(g_digitalHandle);
  CloseCard(g_analogHandle);
}
