#include "platform/daq/CardDriver.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/daq/CardEmulation.h"

namespace {

constexpr int kPorts = 256;
constexpr int kChannels = 16;
// Handles are device numbers offset so that 0 never names an open device.
constexpr DRV_HANDLE kHandleBase = 0x5000;

struct Emulation {
  std::mutex mutex;
  std::vector<std::string> devices{daqemu::kAnalogCardName, daqemu::kDigitalCardName};
  std::set<DRV_HANDLE> open;
  float volts[kChannels] = {};
  std::uint8_t ports[kPorts] = {};
  std::map<daqemu::Call, DRV_RESULT> failures;
  std::map<daqemu::Call, int> calls;
};

Emulation& State() {
  static Emulation emulation;
  return emulation;
}

// Counts the call and returns its injected failure (0 when none). Caller holds the mutex.
DRV_RESULT Enter(Emulation& e, daqemu::Call call) {
  ++e.calls[call];
  auto it = e.failures.find(call);
  return it == e.failures.end() ? DRV_SUCCESS : it->second;
}

// The name of the open device behind a handle, or "" when the handle is not open.
std::string DeviceOf(Emulation& e, DRV_HANDLE handle) {
  if (!e.open.count(handle)) return std::string();
  std::size_t index = static_cast<std::size_t>(handle - kHandleBase);
  return index < e.devices.size() ? e.devices[index] : std::string();
}

bool IsAnalog(const std::string& name) { return name.find("PCL-818") == 0; }
bool IsDigital(const std::string& name) { return name.find("PCL-722") == 0; }

}  // namespace

DRV_RESULT DRV_DeviceGetNumOfList(std::int16_t* count) {
  Emulation& e = State();
  std::lock_guard<std::mutex> lock(e.mutex);
  if (DRV_RESULT failure = Enter(e, daqemu::Call::GetNumOfList)) return failure;
  if (!count) return DRV_ERR_INVALID_ARGUMENT;
  *count = static_cast<std::int16_t>(e.devices.size());
  return DRV_SUCCESS;
}

DRV_RESULT DRV_DeviceGetList(DEVLIST* list, std::int16_t maxEntries, std::int16_t* entriesReturned) {
  Emulation& e = State();
  std::lock_guard<std::mutex> lock(e.mutex);
  if (DRV_RESULT failure = Enter(e, daqemu::Call::GetList)) return failure;
  if (!list || !entriesReturned || maxEntries < 0) return DRV_ERR_INVALID_ARGUMENT;
  std::int16_t n = 0;
  for (std::size_t i = 0; i < e.devices.size() && n < maxEntries; ++i, ++n) {
    list[n] = DEVLIST();
    list[n].dwDeviceNum = static_cast<std::uint32_t>(i);
    std::snprintf(list[n].szDeviceName, sizeof list[n].szDeviceName, "%s", e.devices[i].c_str());
  }
  *entriesReturned = n;
  return DRV_SUCCESS;
}

DRV_RESULT DRV_DeviceOpen(std::uint32_t deviceNum, DRV_HANDLE* handle) {
  Emulation& e = State();
  std::lock_guard<std::mutex> lock(e.mutex);
  if (DRV_RESULT failure = Enter(e, daqemu::Call::Open)) return failure;
  if (!handle) return DRV_ERR_INVALID_ARGUMENT;
  if (deviceNum >= e.devices.size()) return DRV_ERR_INVALID_DEVICE;
  *handle = kHandleBase + static_cast<DRV_HANDLE>(deviceNum);
  e.open.insert(*handle);
  return DRV_SUCCESS;
}

DRV_RESULT DRV_DeviceClose(DRV_HANDLE* handle) {
  Emulation& e = State();
  std::lock_guard<std::mutex> lock(e.mutex);
  if (DRV_RESULT failure = Enter(e, daqemu::Call::Close)) return failure;
  if (!handle || !e.open.erase(*handle)) return DRV_ERR_INVALID_HANDLE;
  *handle = 0;
  return DRV_SUCCESS;
}

void DRV_GetErrorMessage(DRV_RESULT code, char* buffer) {
  const char* text = "Unknown error";
  switch (code) {
    case DRV_SUCCESS: text = "Success"; break;
    case DRV_ERR_INVALID_HANDLE: text = "Invalid driver handle"; break;
    case DRV_ERR_INVALID_DEVICE: text = "Invalid device number"; break;
    case DRV_ERR_INVALID_ARGUMENT: text = "Invalid argument"; break;
    case DRV_ERR_INVALID_CHANNEL: text = "Invalid channel"; break;
    case DRV_ERR_INVALID_PORT: text = "Invalid port or bit"; break;
    case DRV_ERR_DEVICE_IO: text = "Device I/O failed"; break;
    case DRV_ERR_INJECTED: text = "Injected failure"; break;
    default: break;
  }
  if (buffer) std::snprintf(buffer, 80, "%s (%d)", text, static_cast<int>(code));
}

DRV_RESULT DRV_AIConfig(DRV_HANDLE handle, PT_AIConfig* config) {
  Emulation& e = State();
  std::lock_guard<std::mutex> lock(e.mutex);
  if (DRV_RESULT failure = Enter(e, daqemu::Call::AIConfig)) return failure;
  if (!config) return DRV_ERR_INVALID_ARGUMENT;
  if (!IsAnalog(DeviceOf(e, handle))) return DRV_ERR_INVALID_HANDLE;
  if (config->DasChan >= kChannels) return DRV_ERR_INVALID_CHANNEL;
  return DRV_SUCCESS;
}

DRV_RESULT DRV_AIVoltageIn(DRV_HANDLE handle, PT_AIVoltageIn* input) {
  Emulation& e = State();
  std::lock_guard<std::mutex> lock(e.mutex);
  if (DRV_RESULT failure = Enter(e, daqemu::Call::AIVoltageIn)) return failure;
  if (!input || !input->voltage) return DRV_ERR_INVALID_ARGUMENT;
  if (!IsAnalog(DeviceOf(e, handle))) return DRV_ERR_INVALID_HANDLE;
  if (input->chan >= kChannels) return DRV_ERR_INVALID_CHANNEL;
  *input->voltage = e.volts[input->chan];
  return DRV_SUCCESS;
}

DRV_RESULT DRV_DioWriteBit(DRV_HANDLE handle, PT_DioWriteBit* write) {
  Emulation& e = State();
  std::lock_guard<std::mutex> lock(e.mutex);
  if (DRV_RESULT failure = Enter(e, daqemu::Call::DioWriteBit)) return failure;
  if (!write) return DRV_ERR_INVALID_ARGUMENT;
  if (!IsDigital(DeviceOf(e, handle))) return DRV_ERR_INVALID_HANDLE;
  if (write->port >= kPorts || write->bit > 7) return DRV_ERR_INVALID_PORT;
  std::uint8_t mask = static_cast<std::uint8_t>(1u << write->bit);
  if (write->state) e.ports[write->port] |= mask;
  else e.ports[write->port] &= static_cast<std::uint8_t>(~mask);
  return DRV_SUCCESS;
}

DRV_RESULT DRV_DioGetCurrentDOBit(DRV_HANDLE handle, PT_DioGetCurrentDOBit* read) {
  Emulation& e = State();
  std::lock_guard<std::mutex> lock(e.mutex);
  if (DRV_RESULT failure = Enter(e, daqemu::Call::DioGetCurrentDOBit)) return failure;
  if (!read || !read->state) return DRV_ERR_INVALID_ARGUMENT;
  if (!IsDigital(DeviceOf(e, handle))) return DRV_ERR_INVALID_HANDLE;
  if (read->port >= kPorts || read->bit > 7) return DRV_ERR_INVALID_PORT;
  *read->state = (e.ports[read->port] >> read->bit) & 1u;
  return DRV_SUCCESS;
}

namespace daqemu {

void Reset() {
  Emulation& e = State();
  std::lock_guard<std::mutex> lock(e.mutex);
  e.devices = {kAnalogCardName, kDigitalCardName};
  e.open.clear();
  std::memset(e.volts, 0, sizeof e.volts);
  std::memset(e.ports, 0, sizeof e.ports);
  e.failures.clear();
  e.calls.clear();
}

void SetDevices(const std::vector<std::string>& names) {
  Emulation& e = State();
  std::lock_guard<std::mutex> lock(e.mutex);
  e.devices = names;
}

void SetVoltage(std::uint16_t channel, float volts) {
  Emulation& e = State();
  std::lock_guard<std::mutex> lock(e.mutex);
  if (channel < kChannels) e.volts[channel] = volts;
}

float Voltage(std::uint16_t channel) {
  Emulation& e = State();
  std::lock_guard<std::mutex> lock(e.mutex);
  return channel < kChannels ? e.volts[channel] : 0.0f;
}

void SetBit(std::uint16_t port, std::uint16_t bit, bool state) {
  Emulation& e = State();
  std::lock_guard<std::mutex> lock(e.mutex);
  if (port >= kPorts || bit > 7) return;
  std::uint8_t mask = static_cast<std::uint8_t>(1u << bit);
  if (state) e.ports[port] |= mask;
  else e.ports[port] &= static_cast<std::uint8_t>(~mask);
}

bool Bit(std::uint16_t port, std::uint16_t bit) {
  Emulation& e = State();
  std::lock_guard<std::mutex> lock(e.mutex);
  if (port >= kPorts || bit > 7) return false;
  return (e.ports[port] >> bit) & 1u;
}

void FailCall(Call call, DRV_RESULT code) {
  Emulation& e = State();
  std::lock_guard<std::mutex> lock(e.mutex);
  if (code == DRV_SUCCESS) e.failures.erase(call);
  else e.failures[call] = code;
}

void ClearFailures() {
  Emulation& e = State();
  std::lock_guard<std::mutex> lock(e.mutex);
  e.failures.clear();
}

int CallCount(Call call) {
  Emulation& e = State();
  std::lock_guard<std::mutex> lock(e.mutex);
  auto it = e.calls.find(call);
  return it == e.calls.end() ? 0 : it->second;
}

int OpenDeviceCount() {
  Emulation& e = State();
  std::lock_guard<std::mutex> lock(e.mutex);
  return static_cast<int>(e.open.size());
}

}  // namespace daqemu
