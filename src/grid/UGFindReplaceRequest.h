#pragma once
// A find or replace request as a find/replace dialog would send it to the
// grid with the registered message "commdlg_FindReplace" (lParam points at
// the record). Nothing in the program opens such a dialog; the record carries
// what the grid reads of one.
#include <string>

#include "platform/base/WinTypes.h"

class CWnd;

// Request flags.
constexpr DWORD FR_DOWN = 0x00000001;
constexpr DWORD FR_WHOLEWORD = 0x00000002;
constexpr DWORD FR_MATCHCASE = 0x00000004;
constexpr DWORD FR_FINDNEXT = 0x00000008;
constexpr DWORD FR_REPLACE = 0x00000010;
constexpr DWORD FR_REPLACEALL = 0x00000020;
constexpr DWORD FR_DIALOGTERM = 0x00000040;

// The registered message's name.
constexpr const char* kFindReplaceMessageName = "commdlg_FindReplace";

struct UGFindReplaceRequest {
  DWORD flags = 0;
  std::string findWhat;
  std::string replaceWith;
  CWnd* dialog = nullptr;  // the window "Item not found" is shown on; null: the grid
};
