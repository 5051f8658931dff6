#pragma once
// The grid's visual-style layer: maps the grid's style codes to a theme class,
// part and state and draws through the system's theme library when one is in
// use. Every drawing operation answers whether it drew; callers draw plainly
// when it did not.
//
// The layer is gated by a process-wide switch that starts off and that nothing
// turns on, and no theme library exists on this platform: nothing is ever
// loaded or drawn here, but the style maps answer as they would. UI thread only.
#include <string>

#include "platform/ui/CRect.h"

class CDC;
class CWnd;

// Sent to the cell area when the desktop theme changes.
constexpr UINT WM_THEMECHANGED = 0x031A;

using HTHEME = void*;

// A style key's theme class, part and state.
struct UGThemeStyle {
  std::string className;
  int part = 0;
  int state = 0;
};

// Element code of the plain cell background.
constexpr int kUGThemeCellBackground = 0x10;

// Whether cells are drawn with visual styles at all.
bool UGThemeIsActive();
// Whether the theme library is held or loads now.
bool UGThemeLoadLibrary();
// The style of (element code | state code); null for a key that no table has.
const UGThemeStyle* UGThemeLookup(int elementCode, int stateCode);
// The theme handle of a class, cached when asked to; null when none opens.
HTHEME UGThemeOpen(CWnd* window, const char* className, bool cache);

bool UGThemeDrawBackground(CWnd* window, CDC* dc, int elementCode, int stateCode, const RECT* rect,
                           const RECT* clipRect);
bool UGThemeDrawPartBackground(CWnd* window, CDC* dc, const char* className, int part, int state, const RECT* rect,
                               const RECT* clipRect, bool cache);
bool UGThemeDrawText(CWnd* window, CDC* dc, int elementCode, int stateCode, const char* text, int count, DWORD flags,
                     const RECT* rect);
// borderStyle bit 0x2000 draws a raised edge, else a sunken one; contentRect receives the drawn rectangle.
bool UGThemeDrawEdge(CWnd* window, CDC* dc, int elementCode, int stateCode, const RECT* rect, int borderStyle,
                     UINT flags, RECT* contentRect);

// The state code of two flags: neither 1, only the second 2, only the first 4, both 6.
int UGThemeStateFromFlags(bool first, bool second);
// Forgets every style entry and closes every cached theme handle.
void UGThemeReset();

// 1 picks the second style table when the map is next built, anything else the first.
void UGThemeSetTableSelector(int selector);
