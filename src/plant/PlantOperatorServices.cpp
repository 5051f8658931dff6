#include "plant/PlantOperatorServices.h"

#include <mutex>
#include <utility>

#include "engine/EngineTables.h"
#include "platform/base/MessageBoxService.h"
#include "platform/base/Text.h"
#include "platform/ui/CWnd.h"
#include "plant/PlantModel.h"
#include "plant/RuvEngineApp.h"
#include "records/ShiftRS.h"

namespace {

// "An active shift must be registered to start the process."
constexpr const char* kNoActiveShiftText = "براي شروع پروسس، نياز به ثبت شيفت فعال است";
// "Should the automatic production process start under the above conditions?"
constexpr const char* kLevelQuestion = "آيا پروسه توليد اتومات با شرائط فوق شروع شود؟";

struct RunnerSlot {
  std::mutex mutex;
  BatchNumberDialogRunner runner;
};

RunnerSlot& Runner() {
  static RunnerSlot slot;
  return slot;
}

CWnd* OwnerView() {
  const CRuvEngineApp* engine = GetEngineRoot();
  return engine ? engine->GetOwnerView() : nullptr;
}

void AppendLevel(std::string& text, const char* format, const C_Vessel& vessel) {
  text += ruv::Format(format, vessel.GetCaption().c_str(), static_cast<double>(vessel.GetAttribFloat(eVesselLevel)));
}

}  // namespace

HWND CPlantOperatorServices::GetPlantFormWindow() const {
  const CWnd* view = OwnerView();
  return view ? view->GetSafeHwnd() : nullptr;
}

int CPlantOperatorServices::RunBatchNumberDialog() {
  if (!CheckActiveShift(true)) return IDCANCEL;
  BatchNumberDialogRunner runner;
  {
    RunnerSlot& slot = Runner();
    std::lock_guard<std::mutex> lock(slot.mutex);
    runner = slot.runner;
  }
  return runner ? runner() : IDCANCEL;
}

void CPlantOperatorServices::SetBatchNumberDialogRunner(BatchNumberDialogRunner runner) {
  RunnerSlot& slot = Runner();
  std::lock_guard<std::mutex> lock(slot.mutex);
  slot.runner = std::move(runner);
}

CPlantOperatorServices& GetPlantOperatorServices() {
  static CPlantOperatorServices services;
  return services;
}

bool CheckActiveShift(bool tell) {
  if (const CShiftRS* shift = g_pShiftRS.load()) {
    auto lock = shift->LockActive();
    if (shift->HasActiveRecord()) return true;
  }
  if (!tell) return false;
  CWnd* view = OwnerView();
  if (!view) return false;
  ShowMessageBox(kNoActiveShiftText, kStartProcessErrorCaption, MB_OK | MB_ICONSTOP | MB_SYSTEMMODAL);
  view->PostMessage(WM_COMMAND, ID_SHIFT_TABLE_COMMAND, 0);
  return false;
}

std::string MakeLevelReportText() {
  std::string text = "The level of Batchers & Mixers is:\r\n\r\n";
  for (int vessel = ePlantMixer1; vessel <= ePlantMixer4; ++vessel)
    AppendLevel(text, "%s: %0.1f.\r\n", g_vessels[static_cast<std::size_t>(vessel)]);
  for (int vessel = ePlantBatcher01; vessel <= ePlantBatcher05; ++vessel)
    AppendLevel(text, "Batcher %s: %0.1f.\r\n", g_vessels[static_cast<std::size_t>(vessel)]);
  text += "\r\n";
  text += kLevelQuestion;
  return text;
}

bool ConfirmLevelReport() {
  return ShowMessageBox(MakeLevelReportText(), "", MB_YESNO | MB_ICONQUESTION) == IDYES;
}
