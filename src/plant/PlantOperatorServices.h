#pragma once
// What the plant gives the operator interface and takes from it: the active-
// shift check, the level question before an automatic start, and the
// batch-number dialog, which the interface registers as a runner (until then
// the dialog's answer is 2, Cancel). The engine root registers the plant's
// IOperatorServices when it is published (SetEngineRoot).
#include <functional>
#include <string>

#include "records/OperatorServices.h"

// The batch-number dialog, run modally without parent: 1 for OK, 2 for Cancel.
using BatchNumberDialogRunner = std::function<int()>;

class CPlantOperatorServices final : public IOperatorServices {
 public:
  // The engine root's owner view (the plant form), or null.
  HWND GetPlantFormWindow() const override;
  // 2 without an active shift (the operator is told and the shift table opens);
  // otherwise the registered dialog's answer, 2 while none is registered.
  int RunBatchNumberDialog() override;

  // Registers the dialog (an empty runner removes it). UI thread, at start-up.
  static void SetBatchNumberDialogRunner(BatchNumberDialogRunner runner);
};

// The plant's one instance, registered by SetEngineRoot.
CPlantOperatorServices& GetPlantOperatorServices();

// True when the shift table has an active shift. Otherwise, when `tell` and
// the plant form is attached, the operator is told (a box) and the shift table
// is asked for (command 115 posted to the plant form).
bool CheckActiveShift(bool tell);

// The levels of the mixers and the batchers, and whether automatic production
// should start with them: true for Yes. Shown from the process cycle.
bool ConfirmLevelReport();
// The question's text, as ConfirmLevelReport shows it.
std::string MakeLevelReportText();

inline constexpr UINT ID_SHIFT_TABLE_COMMAND = 115;
inline constexpr const char* kStartProcessErrorCaption = "Start Process Error";
