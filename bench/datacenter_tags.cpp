// How fast the data center loads a large tag file, finds tags by name, and how
// much a value change costs with one listener window (posted message included).
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "datacenter/DataCenterBase.h"
#include "platform/base/ProgramFolder.h"
#include "platform/base/Text.h"
#include "platform/ui/MessageCore.h"

namespace {

constexpr int kTagCount = 10000;

// A tag file of kTagCount lines over the four hardware types, every address unique.
std::string WriteTagFile() {
  static std::string folder;
  if (!folder.empty()) return folder;
  folder = (std::filesystem::temp_directory_path() / ("ruv-bench-dct-" + std::to_string(::getpid()))).string();
  std::filesystem::create_directories(folder);
  std::ofstream out(folder + "/" + DCTAG_FILE_NAME);
  out << "// generated for the benchmark\n";
  for (int i = 0; i < kTagCount; ++i) {
    switch (i % 4) {
      case 0: out << ruv::Format("1,Tank%d.Level,SRL,MBRTU16DA%dREG%d,INPUT,Float,NULL,NULL,NULL\n", i, i / 100, i); break;
      case 1: out << ruv::Format("1,Valve%d.Open,ADV,BA2C0CBL%dBIT%d,OUTPUT,Bool,Negative,NULL,NULL\n", i, i / 8, i % 8); break;
      case 2: out << ruv::Format("1,Flow%d,OPC,Plant.Flow%d,INPUT,Double,NULL,NULL,NULL\n", i, i); break;
      default: out << ruv::Format("1,Counter%d,NULL,NULL,NULL,Int,NULL,NULL,NULL\n", i); break;
    }
  }
  return folder;
}

class Sink final : public IMessageTarget {
 public:
  LRESULT DispatchMessageToTarget(UINT, WPARAM, LPARAM) override {
    ++received;
    return 0;
  }
  long received = 0;
};

struct LoadedCenter {
  LoadedCenter() {
    SetProgramFolderOverride(WriteTagFile());
    if (center.LoadTagFile(DCTAG_FILE_NAME) != eDCSuccess || center.GetTagCount() != kTagCount) std::abort();
  }
  CDataCenterBase center;
};

LoadedCenter& Center() {
  static LoadedCenter loaded;
  return loaded;
}

void BM_LoadTagFile10k(benchmark::State& state) {
  SetProgramFolderOverride(WriteTagFile());
  CDataCenterBase center;
  for (auto _ : state) {
    if (center.LoadTagFile(DCTAG_FILE_NAME) != eDCSuccess) state.SkipWithError("load failed");
    benchmark::DoNotOptimize(center.GetTagCount());
  }
  state.SetItemsProcessed(state.iterations() * kTagCount);
}
BENCHMARK(BM_LoadTagFile10k)->Unit(benchmark::kMillisecond);

void BM_FindTagAmong10k(benchmark::State& state) {
  CDataCenterBase& center = Center().center;
  int i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(center.FindTag(ruv::Format("Tank%d.Level", (i++ % (kTagCount / 4)) * 4)));
  }
}
BENCHMARK(BM_FindTagAmong10k);

// SetValue with one listener: the change is stored and one message posted.
// Delivery runs outside the timing every 4096 changes so the queue stays short.
void BM_SetValueOneListener(benchmark::State& state) {
  CDCTag* tag = Center().center.FindTag("Tank0.Level");
  Sink sink;
  HWND handle = RegisterMessageTarget(&sink);
  tag->AddListener(handle);
  float value = 0.0f;
  long changes = 0;
  for (auto _ : state) {
    tag->SetValue(Variant::R4(value += 1.0f));
    if (++changes % 4096 == 0) {
      state.PauseTiming();
      PumpPendingMessages();
      state.ResumeTiming();
    }
  }
  PumpPendingMessages();
  tag->RemoveListener(handle);
  UnregisterMessageTarget(handle);
  state.counters["delivered"] = static_cast<double>(sink.received);
}
BENCHMARK(BM_SetValueOneListener);

// The same with the delivery to the listener window counted in.
void BM_SetValueAndDeliver(benchmark::State& state) {
  CDCTag* tag = Center().center.FindTag("Tank4.Level");
  Sink sink;
  HWND handle = RegisterMessageTarget(&sink);
  tag->AddListener(handle);
  float value = 0.0f;
  long changes = 0;
  for (auto _ : state) {
    tag->SetValue(Variant::R4(value += 1.0f));
    if (++changes % 256 == 0) PumpPendingMessages();
  }
  PumpPendingMessages();
  tag->RemoveListener(handle);
  UnregisterMessageTarget(handle);
}
BENCHMARK(BM_SetValueAndDeliver);

// An equal value: compared under the tag's lock, nothing posted.
void BM_SetEqualValue(benchmark::State& state) {
  CDCTag* tag = Center().center.FindTag("Tank8.Level");
  tag->SetValue(Variant::R4(5.0f));
  for (auto _ : state) tag->SetValue(Variant::R4(5.0f));
}
BENCHMARK(BM_SetEqualValue);

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QCoreApplication app(argc, argv);
  std::setlocale(LC_NUMERIC, "C");
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ignored;
  std::filesystem::remove_all(WriteTagFile(), ignored);
  return 0;
}
