// How long the window's thread goes unanswered while the serial link tries a
// command on a device that never answers (three tries, each the request's wire
// time plus the reply time), at 110 and 9 600 baud. The real link runs: its
// engine window, the Modbus master's polling thread and listener, on a
// pseudo-terminal whose far end (a libmodbus slave) stays silent. The tag's
// value is given as the plant gives it (its message queued to the window), and
// the window's loop runs with a 1 ms timer until the command is given up.
//
// Figures, per command:
//   gap_ms   the longest time between two turns of the window's loop (timer
//            ticks or any other event handled): what the operator would wait for
//            a menu, a click or a timer at the worst moment;
//   tries_ms how long the command took to be given up (the line's own time).
// Iterations run one command each; the benchmark's time is the command's.
//
// NoneWhileACommandIsTried: at 110 baud, *None* is chosen (the data source
// leaves Real and the link is stopped, from the window's loop) while the
// command is tried. Figures:
//   none_gap_ms the longest time from *None* chosen to the next turn of the
//               window's loop: how long the choice holds the window;
//   stop_ms     how long the link took to be stopped (its thread's own time).
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <string>

#include "datacenter/DCTag.h"
#include "datacenter/DataCenterBase.h"
#include "datacenter/EngineServices.h"
#include "links/SerialLinkerEngine.h"
#include "peer/ModbusSlavePeer.h"
#include "platform/base/MessageBoxService.h"

namespace {

using Clock = std::chrono::steady_clock;

class RealHardwareRoot final : public IEngineServices {
 public:
  RealHardwareRoot(CDataCenterBase* dataCenter, std::string settings)
      : m_dataCenter(dataCenter), m_settings(std::move(settings)) {
    SetEngine(this);
  }
  ~RealHardwareRoot() override { SetEngine(nullptr); }
  int GetDataSourceType() const override { return m_dataSource.load(); }
  void SetDataSource(int type) { m_dataSource.store(type); }
  bool IsSuspended() const override { return false; }
  CDataCenterBase* GetDataCenter() const override { return m_dataCenter; }
  CIniFile* GetIniFile() const override { return nullptr; }
  std::string GetSettingsFileName() const override { return m_settings; }

 private:
  CDataCenterBase* m_dataCenter;
  std::string m_settings;
  std::atomic<int> m_dataSource{eDataSourceRealHW};
};

// The given-up notices are not what is measured: they go nowhere.
class SilentBoxes final : public IMessageBoxService {
 public:
  SilentBoxes() { SetMessageBoxService(this); }
  ~SilentBoxes() override { SetMessageBoxService(nullptr); }
  int Show(const std::string&, const std::string&, UINT) override { return IDOK; }
};

// A folder with "COM2" leading to the pseudo-terminal and the settings file.
struct PortFolder {
  std::string dir;
  explicit PortFolder(const std::string& port, int baud) {
    char name[] = "/tmp/ruv-serial-gap-XXXXXX";
    dir = ::mkdtemp(name) ? name : "/tmp";
    (void)::symlink(port.c_str(), (dir + "/COM2").c_str());
    ::setenv("RUV_COM_DIR", dir.c_str(), 1);
    FILE* file = std::fopen(Settings().c_str(), "w");
    if (file) {
      std::fprintf(file, "[SerialPortSetting]\nPortNumber=COM2\nBuadRate=%d\n", baud);
      std::fclose(file);
    }
  }
  ~PortFolder() {
    ::unlink((dir + "/COM2").c_str());
    ::unlink(Settings().c_str());
    ::rmdir(dir.c_str());
    ::unsetenv("RUV_COM_DIR");
  }
  std::string Settings() const { return dir + "/Bench-Setting.ini"; }
};

// The valve of device 1 the benchmarks command. A long update rate: the polls
// of the silent device do not stand between the commands.
CDCTag* AddValve(CDataCenterBase& dataCenter) {
  auto owned = std::make_unique<CDCTag>();
  owned->SetTagName("Valve");
  owned->SetHWType(eHWSerial);
  owned->SetIOType(eIODuplex);
  owned->SetDataType(VT_R4);
  owned->SetAccessPath("MBRTU16-DA1-REG40001-FP0-UR60000-TOB50");
  owned->SetLineNumber(1);
  CDCTag* tag = owned.get();
  dataCenter.AddTag(owned);
  return tag;
}

void CommandToASilentDevice(benchmark::State& state) {
  const int baud = static_cast<int>(state.range(0));
  SilentBoxes boxes;
  ModbusSlavePeer peer;
  peer.AddSlave(1);
  peer.SetSilent(1, true);
  peer.SetWireBaud(baud);
  peer.Start();
  PortFolder folder(peer.PortPath(), baud);
  CDataCenterBase dataCenter;
  CDCTag* tag = AddValve(dataCenter);
  RealHardwareRoot root(&dataCenter, folder.Settings());
  auto link = CHwLinkerEngine::Make<CSerialLinkerEngine>();
  if (!link->Start()) {
    state.SkipWithError("the serial link does not start on the pseudo-terminal");
    return;
  }
  double longestGapMs = 0;
  double triesMs = 0;
  float value = 1.0f;
  for (auto _ : state) {
    Clock::time_point lastTurn = Clock::now();
    const Clock::time_point given = lastTurn;
    double gapMs = 0;
    QEventLoop loop;
    QTimer ticker;
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
      const Clock::time_point now = Clock::now();
      gapMs = std::max(gapMs, std::chrono::duration<double, std::milli>(now - lastTurn).count());
      lastTurn = now;
      if (!tag->IsWritePending()) loop.quit();  // given up: the tag no longer waits
    });
    ticker.start();
    tag->SetWritePending(TRUE);
    tag->SetValue(Variant::R4(value));  // its message is queued to the link's window
    value += 1.0f;
    loop.exec();
    ticker.stop();
    const double elapsed = std::chrono::duration<double>(Clock::now() - given).count();
    state.SetIterationTime(elapsed);
    longestGapMs = std::max(longestGapMs, gapMs);
    triesMs += elapsed * 1000.0;
  }
  state.counters["gap_ms"] = longestGapMs;
  state.counters["tries_ms"] = state.iterations() > 0 ? triesMs / static_cast<double>(state.iterations()) : 0.0;
  link->Stop();
  peer.Stop();
}
BENCHMARK(CommandToASilentDevice)
    ->ArgNames({"baud"})
    ->Arg(110)
    ->Arg(9600)
    ->UseManualTime()
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);

void NoneWhileACommandIsTried(benchmark::State& state) {
  constexpr int kBaud = 110;
  // The tries have begun by then: the request is on the line.
  constexpr double kNoneAfterMs = 500;
  SilentBoxes boxes;
  ModbusSlavePeer peer;
  peer.AddSlave(1);
  peer.SetSilent(1, true);
  peer.SetWireBaud(kBaud);
  peer.Start();
  PortFolder folder(peer.PortPath(), kBaud);
  CDataCenterBase dataCenter;
  CDCTag* tag = AddValve(dataCenter);
  RealHardwareRoot root(&dataCenter, folder.Settings());
  auto link = CHwLinkerEngine::Make<CSerialLinkerEngine>();
  double longestGapMs = 0;
  double stopMs = 0;
  float value = 1.0f;
  for (auto _ : state) {
    root.SetDataSource(eDataSourceRealHW);
    if (!link->Start()) {
      state.SkipWithError("the serial link does not start on the pseudo-terminal");
      break;
    }
    const Clock::time_point given = Clock::now();
    Clock::time_point noneChosen{};
    bool noneAsked = false;
    double gapMs = -1;
    QEventLoop loop;
    QTimer ticker;
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
      const Clock::time_point now = Clock::now();
      if (noneAsked && gapMs < 0) gapMs = std::chrono::duration<double, std::milli>(now - noneChosen).count();
      if (!noneAsked && std::chrono::duration<double, std::milli>(now - given).count() >= kNoneAfterMs) {
        noneAsked = true;
        // As the menu's choice does it: from the window's loop, the data source first, then the link.
        QTimer::singleShot(0, [&] {
          noneChosen = Clock::now();
          root.SetDataSource(eDataSourceNone);
          link->Stop();
        });
      }
      if (noneAsked && link->GetLinkState() == CHwLinkerEngine::LinkState::kStopped) loop.quit();
    });
    ticker.start();
    tag->SetWritePending(TRUE);
    tag->SetValue(Variant::R4(value));  // its message is queued to the link's window
    value += 1.0f;
    loop.exec();
    ticker.stop();
    const double elapsed = std::chrono::duration<double>(Clock::now() - given).count();
    state.SetIterationTime(elapsed);
    longestGapMs = std::max(longestGapMs, gapMs);
    stopMs += std::chrono::duration<double, std::milli>(Clock::now() - noneChosen).count();
  }
  state.counters["none_gap_ms"] = longestGapMs;
  state.counters["stop_ms"] = state.iterations() > 0 ? stopMs / static_cast<double>(state.iterations()) : 0.0;
  link->Stop();
  peer.Stop();
}
BENCHMARK(NoneWhileACommandIsTried)->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
