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

LRESULT UGWindowHelp(CWnd* window, CUGCtrl* ctrl, int section, UINT message, LPARAM lParam,
                     const std::function<void(POINT, int*, long*)>& cellAt) {
  if (!ctrl) return 0;
  POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  if (message == WM_HELP) {
    const auto* info = reinterpret_cast<const HELPINFO*>(lParam);
    if (!info || info->iContextType != HELPINFO_WINDOW) return 0;
    at = info->MousePos;
    window->ScreenToClient(&at);
  }
  int col = -1;
  long row = -1;
  cellAt(at, &col, &row);
  if (message == WM_HELPHITTEST) return static_cast<LRESULT>(ctrl->OnGetContextHelpId(col, row, section));
  return UGShowContextHelp(ctrl, col, row, section);
}
