#include "grid/UGHelp.h"

#include "grid/CUGCtrl.h"

namespace {
std::vector<DWORD>& Shown() {
  static std::vector<DWORD> shown;
  return shown;
}
}  // namespace

void UGWinHelp(DWORD contextId, UINT) { Shown().push_back(contextId); }

const std::vector<DWORD>& UGHelpShown() { return Shown(); }

LRESULT UGShowContextHelp(CUGCtrl* ctrl, int col, long row, int section) {
  if (!ctrl) return 0;
  const DWORD id = ctrl->OnGetContextHelpId(col, row, section);
  if (id == 0) return 0;
  UGWinHelp(id, HELP_CONTEXT);
  return 1;
}
