// Completed Modbus RTU reads per second on a wire-timed line: a libmodbus slave
// on a pseudo-terminal that keeps the time a real 8N1 line at the given baud
// would take (each request's wire time and the line's silence before the reply,
// one character time per reply byte). The line's silence is 3.5 characters up
// to 19 200 baud and 1.75 ms above. Our master (polling thread, listener,
// receiver) and libmodbus's own master read the same registers.
//
// Arguments: the baud (9600, 38400) and the number of items (1, 8), one slave
// each. Figures, beside the rate:
//   line_pct     the reads per second as a share of the line's limit: one read is
//                (8 + 9) bytes x 10 bits / baud + 2 x the line's silence;
//   errors, timeouts  replies with a bad CRC or an exception, and reads unanswered;
//   rule_us      the line's silence;
//   port_min_us, port_mean_us  the silence our master left at its own port, from
//                the last byte it read to the next request it wrote (never below
//                the rule); port_short counts those below;
//   far_min_us, far_mean_us  the same silence as the slave saw it (the
//                pseudo-terminal's delays both ways added); far_short counts those
//                below the rule, unmeasured the replies the peer could not time on
//                a busy machine;
//   excess_us    how much longer a read took than the limit allows;
//   slave_late_us  how much later than its time the slave's reply ended (the
//                slave's thread waiting for the processor).
// Where the excess goes: port_mean_us - rule_us is our master's own wait,
// far_mean_us - port_mean_us the pseudo-terminal and the threads' wake-ups both
// ways, slave_late_us the slave's.
//
// Write latency (OurWrite, LibmodbusWrite): a write of two registers to slave 1,
// timed from the call (for ours, the hand-over to the polling thread) to its
// acknowledgement (for ours, the outcome the polling thread tells), while slave 2 is polled every
// 20 ms on the same line. The pause between writes changes from one to the next
// (not timed), so that writes meet the poll in each of its phases; a write that
// comes while a poll is on the line waits for the line. libmodbus's master
// polls from a thread of its own and shares its context with the writes under a
// lock, the way a program would. Figures: the time per iteration is the mean
// latency; max_ms the longest; failed the writes not acknowledged; polls the
// reads of slave 2 answered meanwhile.
// Run by hand for steady figures, e.g. --benchmark_min_time=5.
#include <benchmark/benchmark.h>
#include <modbus.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "MasterRig.h"
#include "datacenter/EngineServices.h"
#include "links/ModBusBase.h"
#include "peer/ModbusSlavePeer.h"

namespace {

constexpr int kRegister = 40001;
constexpr int kRequestBytes = 8;
constexpr int kReplyBytes = 9;  // two registers

class RealHardware : public IEngineServices {
 public:
  int GetDataSourceType() const override { return eDataSourceRealHW; }
  bool IsSuspended() const override { return false; }
  CDataCenterBase* GetDataCenter() const override { return nullptr; }
  CIniFile* GetIniFile() const override { return nullptr; }
  std::string GetSettingsFileName() const override { return {}; }
};

struct Line {
  ModbusSlavePeer peer;
  Line(int baud, int slaves) {
    for (int slave = 1; slave <= slaves; ++slave) {
      peer.AddSlave(slave);
      peer.SetValue(slave, kRegister, 1000 + slave);
    }
    peer.SetWireBaud(baud);
    peer.Start();
  }
};

// The line's silence at `baud`, 8N1.
double RuleSilence(int baud) { return baud > 19200 ? 1.75e-3 : 3.5 * 10.0 / baud; }

// Reads per second the line allows at `baud`: both frames and the silence before each.
double LineLimit(int baud) {
  const double character = 10.0 / baud;
  return 1.0 / ((kRequestBytes + kReplyBytes) * character + 2 * RuleSilence(baud));
}

using Clock = std::chrono::steady_clock;

// Our master on `line` at `baud`, handshaking off; false, the benchmark
// skipped, when the pseudo-terminal does not open.
bool OpenOurMaster(benchmark::State& state, CModBusBase& master, Line& line, int baud) {
  if (master.Open(line.peer.PortPath()) != 0 || master.Setup(baud, 8, NOPARITY, ONESTOPBIT) != 0) {
    state.SkipWithError("cannot open the pseudo-terminal");
    return false;
  }
  master.SetupHandshaking(CSerial::EHandshakeOff);
  return true;
}

// libmodbus's master connected to `line` at `baud`; nullptr, the benchmark
// skipped, when the pseudo-terminal does not open.
modbus_t* ConnectLibmodbus(benchmark::State& state, Line& line, int baud) {
  modbus_t* ctx = modbus_new_rtu(line.peer.PortPath().c_str(), baud, 'N', 8, 1);
  if (ctx == nullptr || modbus_connect(ctx) != 0) {
    state.SkipWithError("libmodbus cannot open the pseudo-terminal");
    if (ctx) modbus_free(ctx);
    return nullptr;
  }
  return ctx;
}

void Report(benchmark::State& state, ModbusSlavePeer& peer, std::int64_t reads, Clock::duration elapsed, int baud,
            double errors, double timeouts) {
  const double seconds = std::chrono::duration<double>(elapsed).count();
  const double rate = seconds > 0 ? reads / seconds : 0.0;
  const ModbusSlavePeer::Silences silences = peer.MeasuredSilences();
  const double microsPerChar = 1e6 * peer.CharacterSeconds();
  state.SetItemsProcessed(reads);
  state.counters["reads_per_s"] = rate;
  state.counters["line_pct"] = 100.0 * rate / LineLimit(baud);
  state.counters["errors"] = errors;
  state.counters["timeouts"] = timeouts;
  state.counters["rule_us"] = 1e6 * RuleSilence(baud);
  state.counters["far_min_us"] = silences.minChars * microsPerChar;
  state.counters["far_mean_us"] = silences.meanChars * microsPerChar;
  state.counters["far_short"] = silences.belowRule;
  state.counters["unmeasured"] = silences.unmeasured;
  state.counters["excess_us"] = rate > 0 ? 1e6 * (1.0 / rate - 1.0 / LineLimit(baud)) : 0.0;
  state.counters["slave_late_us"] = 1e6 * silences.lateMeanSeconds;
}

// The silences our master left at its own port.
void ReportPort(benchmark::State& state, LineWatchingMaster& master) {
  const LineWatchingMaster::Silences silences = master.MeasuredSilences();
  state.counters["port_min_us"] = 1e6 * silences.shortestSeconds;
  state.counters["port_mean_us"] = 1e6 * silences.meanSeconds;
  state.counters["port_short"] = silences.belowRule;
}

void OurMaster(benchmark::State& state) {
  const int baud = static_cast<int>(state.range(0));
  const int itemCount = static_cast<int>(state.range(1));
  RealHardware engine;
  SetEngine(&engine);
  Line line(baud, itemCount);
  std::vector<std::unique_ptr<CSerialLinkerItem>> items;
  std::vector<CSerialLinkerItem*> pointers;
  for (int slave = 1; slave <= itemCount; ++slave) {
    auto item = std::make_unique<CSerialLinkerItem>(nullptr);
    item->SetSlaveAddress(slave);
    item->SetRegister(kRegister);
    item->SetUpdateRate(0);  // every pass
    item->SetTimeoutBand(200);
    pointers.push_back(item.get());
    items.push_back(std::move(item));
  }
  LineWatchingMaster master;
  if (!OpenOurMaster(state, master, line, baud)) {
    SetEngine(nullptr);
    return;
  }
  master.SetItems(pointers);
  for (int i = 0; i < itemCount; ++i) master.SetItemReplyLength(i, kReplyBytes);
  master.StartPolling();
  auto answers = [&] {
    DWORD total = 0;
    for (auto* item : pointers) total += item->GetAnswerCount();
    return total;
  };
  // Waits for the next answer; false when none comes within a second.
  auto nextAnswer = [&](DWORD& seen) {
    const auto giveUp = Clock::now() + std::chrono::seconds(1);
    while (answers() == seen) {
      if (Clock::now() > giveUp) return false;
      std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    seen = answers();
    return true;
  };
  DWORD seen = answers();
  bool stalled = !nextAnswer(seen);  // the first read also opens the line
  const DWORD first = seen;
  line.peer.ResetSilences();
  master.ResetSilences();
  const Clock::time_point start = Clock::now();
  for (auto _ : state) {
    if (!stalled && !nextAnswer(seen)) stalled = true;
  }
  const Clock::duration elapsed = Clock::now() - start;
  master.StopAndClose();
  double timeouts = 0;
  double errors = 0;
  for (auto* item : pointers) {
    timeouts += item->GetTimeoutCount();
    errors += item->GetErrorCount();
  }
  if (stalled) state.SkipWithError("the master stopped answering");
  Report(state, line.peer, static_cast<std::int64_t>(seen - first), elapsed, baud, errors, timeouts);
  ReportPort(state, master);
  SetEngine(nullptr);
}
BENCHMARK(OurMaster)->ArgNames({"baud", "items"})->ArgsProduct({{9600, 38400}, {1, 8}})->UseRealTime()
    ->Unit(benchmark::kMillisecond);

void LibmodbusMaster(benchmark::State& state) {
  const int baud = static_cast<int>(state.range(0));
  const int itemCount = static_cast<int>(state.range(1));
  Line line(baud, itemCount);
  modbus_t* ctx = ConnectLibmodbus(state, line, baud);
  if (!ctx) return;
  std::uint16_t registers[2];
  std::int64_t done = 0;
  double timeouts = 0;
  double errors = 0;
  int next = 0;
  line.peer.ResetSilences();
  const Clock::time_point start = Clock::now();
  for (auto _ : state) {
    modbus_set_slave(ctx, 1 + next++ % itemCount);
    if (modbus_read_registers(ctx, kRegister - 40001, 2, registers) == 2) ++done;
    else if (errno == ETIMEDOUT) ++timeouts;
    else ++errors;
  }
  const Clock::duration elapsed = Clock::now() - start;
  modbus_close(ctx);
  modbus_free(ctx);
  Report(state, line.peer, done, elapsed, baud, errors, timeouts);
}
BENCHMARK(LibmodbusMaster)->ArgNames({"baud", "items"})->ArgsProduct({{9600, 38400}, {1, 8}})->UseRealTime()
    ->Unit(benchmark::kMillisecond);

constexpr int kWrittenSlave = 1;
constexpr int kPolledSlave = 2;
constexpr int kWrittenRegister = 40011;

// The untimed pause before the next write: 0 to 10 ms in 0.7 ms steps.
std::chrono::microseconds PauseBeforeWrite(std::int64_t write) { return std::chrono::microseconds(700 * (write % 15)); }

void ReportWrites(benchmark::State& state, const std::vector<double>& latenciesMs, double failed, double polls) {
  state.SetItemsProcessed(static_cast<std::int64_t>(latenciesMs.size()));
  state.counters["max_ms"] = latenciesMs.empty() ? 0.0 : *std::max_element(latenciesMs.begin(), latenciesMs.end());
  state.counters["failed"] = failed;
  state.counters["polls"] = polls;
}

void OurWrite(benchmark::State& state) {
  const int baud = static_cast<int>(state.range(0));
  RealHardware engine;
  SetEngine(&engine);
  Line line(baud, kPolledSlave);
  auto polled = std::make_unique<CSerialLinkerItem>(nullptr);
  polled->SetSlaveAddress(kPolledSlave);
  polled->SetRegister(kRegister);
  polled->SetUpdateRate(20);
  polled->SetTimeoutBand(100);
  CModBusBase master;
  if (!OpenOurMaster(state, master, line, baud)) {
    SetEngine(nullptr);
    return;
  }
  master.SetItems({polled.get()});
  master.SetItemReplyLength(0, kReplyBytes);
  master.StartPolling();
  std::vector<double> latencies;
  double failed = 0;
  std::int64_t write = 0;
  const DWORD pollsBefore = polled->GetAnswerCount();
  for (auto _ : state) {
    std::this_thread::sleep_for(PauseBeforeWrite(write));
    CModBusBase::Command command;
    command.commandCount = static_cast<std::uint32_t>(++write);
    command.slave = kWrittenSlave;
    command.address = kWrittenRegister - 40000;
    command.value = static_cast<std::int32_t>(write);
    const Clock::time_point asked = Clock::now();
    // Handed to the polling thread, as the link does, and timed to its outcome.
    bool done = false;
    bool told = !master.HandOver(command);
    while (!told) {
      for (const CModBusBase::CommandOutcome& outcome : master.TakeOutcomes()) {
        told = true;
        done = outcome.result == CModBusBase::CommandOutcome::kWritten;
      }
      if (!told) std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - asked).count();
    state.SetIterationTime(seconds);
    latencies.push_back(seconds * 1000.0);
    if (!done) ++failed;
  }
  const double polls = polled->GetAnswerCount() - pollsBefore;
  master.StopAndClose();
  ReportWrites(state, latencies, failed, polls);
  SetEngine(nullptr);
}
BENCHMARK(OurWrite)->ArgNames({"baud"})->Arg(9600)->Arg(38400)->UseManualTime()->Unit(benchmark::kMillisecond);

void LibmodbusWrite(benchmark::State& state) {
  const int baud = static_cast<int>(state.range(0));
  Line line(baud, kPolledSlave);
  modbus_t* ctx = ConnectLibmodbus(state, line, baud);
  if (!ctx) return;
  std::mutex lineLock;  // one request on the line at a time
  std::atomic<bool> polling{true};
  std::atomic<int> polls{0};
  std::thread poller([&] {
    auto due = Clock::now();
    while (polling.load()) {
      std::this_thread::sleep_until(due);
      due += std::chrono::milliseconds(20);
      std::uint16_t registers[2];
      std::lock_guard<std::mutex> lock(lineLock);
      modbus_set_slave(ctx, kPolledSlave);
      if (modbus_read_registers(ctx, kRegister - 40001, 2, registers) == 2) ++polls;
    }
  });
  std::vector<double> latencies;
  double failed = 0;
  std::int64_t write = 0;
  for (auto _ : state) {
    std::this_thread::sleep_for(PauseBeforeWrite(write));
    const auto value = static_cast<std::uint32_t>(++write);
    const std::uint16_t registers[2] = {static_cast<std::uint16_t>(value >> 16), static_cast<std::uint16_t>(value)};
    const Clock::time_point asked = Clock::now();
    int written;
    {
      std::lock_guard<std::mutex> lock(lineLock);
      modbus_set_slave(ctx, kWrittenSlave);
      written = modbus_write_registers(ctx, kWrittenRegister - 40001, 2, registers);
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - asked).count();
    state.SetIterationTime(seconds);
    latencies.push_back(seconds * 1000.0);
    if (written != 2) ++failed;
  }
  polling.store(false);
  poller.join();
  modbus_close(ctx);
  modbus_free(ctx);
  ReportWrites(state, latencies, failed, polls.load());
}
BENCHMARK(LibmodbusWrite)->ArgNames({"baud"})->Arg(9600)->Arg(38400)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
