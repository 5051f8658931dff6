#pragma once
// Context help of the grid's windows. WM_HELP carries a HELPINFO; the
// application's help viewer has no counterpart here, so showing a context id
// only records it (tests read the record).
#include <functional>
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
// WM_HELPHITTEST (the id for the cell at lParam's point) and WM_HELP (the
// topic for the cell at the help point) of a window whose cells cellAt finds
// from client coordinates.
LRESULT UGWindowHelp(CWnd* window, CUGCtrl* ctrl, int section, UINT message, LPARAM lParam,
                     const std::function<void(POINT, int*, long*)>& cellAt);
// Shows the help topic of the context id.
void UGWinHelp(DWORD contextId, UINT command);
// Every context id shown since the process began, oldest first.
const std::vector<DWORD>& UGHelpShown();
