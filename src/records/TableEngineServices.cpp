#include "records/TableEngineServices.h"

#include <atomic>

namespace {

class CNoTableEngine final : public ITableEngineServices {
 public:
  std::string GetDataSourceText() const override { return "None"; }
  std::string GetActiveOperatorName() const override { return "?"; }
  int GetActiveRecipeID() const override { return -1; }
  std::string GetActiveRecipeName() const override { return "?"; }
};

CNoTableEngine g_noEngine;
std::atomic<ITableEngineServices*> g_engine{nullptr};

}  // namespace

ITableEngineServices* GetTableEngine() {
  ITableEngineServices* engine = g_engine.load();
  return engine ? engine : &g_noEngine;
}

void SetTableEngine(ITableEngineServices* engine) { g_engine.store(engine); }
