#pragma once
// Dialog templates defined in code, one table per dialog as a resource file
// would hold them: the dialog's caption, style and size, and each control with
// its id, window class ("BUTTON", "EDIT", "STATIC", "COMBOBOX", "LISTBOX",
// "SCROLLBAR", "msctls_trackbar32", "msctls_updown32", "SysTabControl32"),
// style word, text and rectangle. Sizes are in dialog units; MapDialogUnits
// turns them into pixels with the base units of the dialog font.
#include <string>
#include <vector>

#include "platform/ui/CRect.h"
#include "platform/ui/ControlConstants.h"

struct DialogItemTemplate {
  UINT id = 0;
  std::string className;
  std::string text;
  DWORD style = 0;  // WS_CHILD | WS_VISIBLE are added when the control is made
  int x = 0, y = 0, cx = 0, cy = 0;  // dialog units
  DWORD exStyle = 0;
};

struct DialogTemplate {
  UINT id = 0;
  std::string caption;
  DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  int x = 0, y = 0, cx = 0, cy = 0;  // dialog units, client area
  std::vector<DialogItemTemplate> items;
  DWORD exStyle = 0;

  const DialogItemTemplate* Item(UINT itemId) const;
};

// Window class names as templates and the layout code compare them.
inline constexpr const char* kButtonClass = "BUTTON";
inline constexpr const char* kEditClass = "EDIT";
inline constexpr const char* kStaticClass = "STATIC";
inline constexpr const char* kComboBoxClass = "COMBOBOX";
inline constexpr const char* kListBoxClass = "LISTBOX";
inline constexpr const char* kScrollBarClass = "SCROLLBAR";

// The id of a label no code looks up.
inline constexpr UINT kLabelId = 0xFFFF;
inline constexpr const char* kSliderClass = "msctls_trackbar32";
inline constexpr const char* kSpinClass = "msctls_updown32";
inline constexpr const char* kTabControlClass = "SysTabControl32";
inline constexpr const char* kDialogClass = "#32770";

// Dialog units to pixels: horizontal units are a quarter of the dialog font's
// average character width, vertical units an eighth of its height, measured
// on the font the dialogs are drawn with (DialogFont), as the original
// platform measures its dialog font: a wider or taller font gives larger
// windows and controls, in the same proportions, and their texts still fit.
struct DialogBaseUnits {
  int x = 6;
  int y = 13;
};
DialogBaseUnits GetDialogBaseUnits();
CRect MapDialogUnits(int x, int y, int cx, int cy);
int DialogUnitsToPixelsX(int units);
int DialogUnitsToPixelsY(int units);
// Pixels to dialog units (rounded down), for layouts written in pixels.
int PixelsToDialogUnitsX(int pixels);
int PixelsToDialogUnitsY(int pixels);

// The process-wide table of templates, by id. Registering an id again replaces it.
void RegisterDialogTemplate(const DialogTemplate& dialogTemplate);
const DialogTemplate* FindDialogTemplate(UINT id);
// The ids registered so far, in increasing order.
std::vector<UINT> RegisteredDialogTemplateIds();
