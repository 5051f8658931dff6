#pragma once
// Context help of the grid's windows. WM_HELP carries a HELPINFO; the
// application's help viewer has no counterpart here, so showing a context id
// only records it (tests read the record).
#include <vector>

#include "platform/ui/CPoint.h"
#include "platform/ui/CWnd.h"

constexpr UINT WM_HELPHITTEST = 0x0366;  // lParam: the point; answers the context id
constexpr int HELPINFO_WINDOW = 1;
constexpr UINT HELP_CONTEXT = 0x0001;

struct HELPINFO {
  UINT cbSize = sizeof(HELPINFO);
  int iContextType = HELPINFO_WINDOW;
  int iCtrlId = 0;
  HWND hItemHandle = nullptr;
  UINT_PTR dwContextId = 0;
  POINT MousePos{};  // screen coordinates
};

class CUGCtrl;

// Shows the topic OnGetContextHelpId names for the cell; 1 when one was shown
// (an id of 0 names none).
LRESULT UGShowContextHelp(CUGCtrl* ctrl, int col, long row, int section);
// Shows the help topic of the context id.
void UGWinHelp(DWORD contextId, UINT command);
// Every context id shown since the process began, oldest first.
const std::vector<DWORD>& UGHelpShown();
