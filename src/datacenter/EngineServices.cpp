#include "datacenter/EngineServices.h"

#include <atomic>

namespace {

// Answers for the time before the engine root registers itself.
class NoEngine final : public IEngineServices {
 public:
  int GetDataSourceType() const override { return eDataSourceNone; }
  bool IsSuspended() const override { return false; }
  CDataCenterBase* GetDataCenter() const override { return nullptr; }
  CIniFile* GetIniFile() const override { return nullptr; }
  std::string GetSettingsFileName() const override { return std::string(); }
};

NoEngine g_noEngine;
std::atomic<IEngineServices*> g_engine{nullptr};

}  // namespace

IEngineServices* GetEngine() {
  IEngineServices* engine = g_engine.load(std::memory_order_acquire);
  return engine ? engine : &g_noEngine;
}

void SetEngine(IEngineServices* engine) { g_engine.store(engine, std::memory_order_release); }

CDataCenterBase* GetDataCenter() { return GetEngine()->GetDataCenter(); }

CIniFile* GetIniFile() { return GetEngine()->GetIniFile(); }
