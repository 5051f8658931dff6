#pragma once
// A top-level window's placement: its normal (restored) rectangle in screen
// coordinates, its show command and flags, as saved in and restored from the
// profile.
#include "platform/ui/CWnd.h"

constexpr UINT WPF_SETMINPOSITION = 0x1;
constexpr UINT WPF_RESTORETOMAXIMIZED = 0x2;

struct WINDOWPLACEMENT {
  UINT length = sizeof(WINDOWPLACEMENT);
  UINT flags = 0;
  UINT showCmd = SW_SHOWNORMAL;
  POINT ptMinPosition{-1, -1};
  POINT ptMaxPosition{-1, -1};
  RECT rcNormalPosition{};
};

BOOL GetWindowPlacement(const CWnd* window, WINDOWPLACEMENT* placement);
BOOL SetWindowPlacement(CWnd* window, const WINDOWPLACEMENT* placement);
// The same, but the normal rectangle is the inner window's (the frame left
// out), both ways: the place kept between runs. A window manager frames a
// window only once it shows, so a frame kept and given back before then would
// become the inner window, and the window would grow and climb at every start.
BOOL GetKeptPlacement(const CWnd* window, WINDOWPLACEMENT* placement);
BOOL SetKeptPlacement(CWnd* window, const WINDOWPLACEMENT* placement);
// True when the rectangle shares at least one pixel with an available screen area.
bool RectMeetsAvailableScreen(const RECT& rect);
// The rectangle moved (and, when larger, cut) to lie wholly inside the available
// area of the screen it meets most, or of the primary screen when it meets none.
RECT FitRectInAvailableScreen(const RECT& rect);
