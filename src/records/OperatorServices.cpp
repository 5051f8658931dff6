#include "records/OperatorServices.h"

#include <atomic>

namespace {

class CNoOperatorInterface final : public IOperatorServices {
 public:
  HWND GetPlantFormWindow() const override { return nullptr; }
  int RunBatchNumberDialog() override { return 2; }
};

CNoOperatorInterface g_noInterface;
std::atomic<IOperatorServices*> g_services{nullptr};

}  // namespace

IOperatorServices* GetOperatorServices() {
  IOperatorServices* services = g_services.load();
  return services ? services : &g_noInterface;
}

void SetOperatorServices(IOperatorServices* services) { g_services.store(services); }

int RunBatchNumberDialog() { return GetOperatorServices()->RunBatchNumberDialog(); }
