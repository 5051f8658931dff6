// Completed Modbus RTU read transactions per second against a libmodbus slave
// on a pseudo-terminal: our master (polling thread, listener, receiver) next to
// libmodbus's own master reading the same registers in the same run.
//
// Our master paces itself by design: a 2 ms polling pass and a 1 ms pause before
// each request, so its figure shows the link's real polling rate, not the line's.
#include <benchmark/benchmark.h>
#include <modbus.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "datacenter/EngineServices.h"
#include "links/ModBusBase.h"
#include "peer/ModbusSlavePeer.h"

namespace {

constexpr int kRegisters[] = {40001, 40003, 40005, 40007};

class RealHardware : public IEngineServices {
 public:
  int GetDataSourceType() const override { return eDataSourceRealHW; }
  bool IsSuspended() const override { return false; }
  CDataCenterBase* GetDataCenter() const override { return nullptr; }
  CIniFile* GetIniFile() const override { return nullptr; }
  std::string GetSettingsFileName() const override { return {}; }
};

struct Slave {
  ModbusSlavePeer peer;
  Slave() {
    peer.AddSlave(1);
    for (int r : kRegisters) peer.SetValue(1, r, r);
    peer.Start();
  }
};

void OurMaster(benchmark::State& state) {
  RealHardware engine;
  SetEngine(&engine);
  Slave slave;
  std::vector<std::unique_ptr<CSerialLinkerItem>> items;
  std::vector<CSerialLinkerItem*> pointers;
  for (int r : kRegisters) {
    auto item = std::make_unique<CSerialLinkerItem>(nullptr);
    item->SetSlaveAddress(1);
    item->SetRegister(r);
    item->SetUpdateRate(0);  // every pass
    item->SetTimeoutBand(100);
    pointers.push_back(item.get());
    items.push_back(std::move(item));
  }
  CModBusBase master;
  if (master.Open(slave.peer.PortPath()) != 0 || master.Setup(38400, 8, NOPARITY, ONESTOPBIT) != 0) {
    state.SkipWithError("cannot open the pseudo-terminal");
    SetEngine(nullptr);
    return;
  }
  master.SetupHandshaking(CSerial::EHandshakeOff);
  master.SetItems(pointers);
  master.SetItemReplyLength(0, 9);
  master.StartPolling();
  auto answers = [&] {
    DWORD total = 0;
    for (auto* item : pointers) total += item->GetAnswerCount();
    return total;
  };
  DWORD seen = answers();
  std::int64_t done = 0;
  for (auto _ : state) {
    while (answers() == seen) std::this_thread::sleep_for(std::chrono::microseconds(50));
    const DWORD now = answers();
    done += now - seen;
    seen = now;
  }
  master.StopAndClose();
  DWORD timeouts = 0;
  DWORD errors = 0;
  for (auto* item : pointers) {
    timeouts += item->GetTimeoutCount();
    errors += item->GetErrorCount();
  }
  state.SetItemsProcessed(done);
  state.counters["timeouts"] = timeouts;
  state.counters["errors"] = errors;
  SetEngine(nullptr);
}
BENCHMARK(OurMaster)->UseRealTime()->Unit(benchmark::kMicrosecond);

void LibmodbusMaster(benchmark::State& state) {
  Slave slave;
  modbus_t* ctx = modbus_new_rtu(slave.peer.PortPath().c_str(), 38400, 'N', 8, 1);
  if (ctx == nullptr || modbus_connect(ctx) != 0) {
    state.SkipWithError("libmodbus cannot open the pseudo-terminal");
    if (ctx) modbus_free(ctx);
    return;
  }
  modbus_set_slave(ctx, 1);
  std::uint16_t registers[2];
  std::int64_t done = 0;
  std::int64_t failed = 0;
  std::size_t next = 0;
  for (auto _ : state) {
    const int address = kRegisters[next++ % std::size(kRegisters)] - 40001;
    if (modbus_read_registers(ctx, address, 2, registers) == 2) ++done;
    else ++failed;
  }
  modbus_close(ctx);
  modbus_free(ctx);
  state.SetItemsProcessed(done);
  state.counters["failed"] = static_cast<double>(failed);
}
BENCHMARK(LibmodbusMaster)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
