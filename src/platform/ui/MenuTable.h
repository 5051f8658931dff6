#pragma once
// Menus written in code as tables, registered under resource ids and loaded by
// CMenu::LoadMenu like the platform's menu resources. Text keeps "&" mnemonics
// and "\t" before the accelerator text ("&Open...\tCtrl+O").
#include <optional>
#include <string>
#include <vector>

#include "platform/base/WinTypes.h"

// Item flags (the platform's MF_ values).
constexpr UINT MF_STRING = 0x0000;
constexpr UINT MF_ENABLED = 0x0000;
constexpr UINT MF_UNCHECKED = 0x0000;
constexpr UINT MF_BYCOMMAND = 0x0000;
constexpr UINT MF_GRAYED = 0x0001;
constexpr UINT MF_DISABLED = 0x0002;
constexpr UINT MF_BITMAP = 0x0004;
constexpr UINT MF_CHECKED = 0x0008;
constexpr UINT MF_POPUP = 0x0010;
constexpr UINT MF_MENUBARBREAK = 0x0020;
constexpr UINT MF_MENUBREAK = 0x0040;
constexpr UINT MF_HILITE = 0x0080;
constexpr UINT MF_OWNERDRAW = 0x0100;
constexpr UINT MFT_RADIOCHECK = 0x0200;
constexpr UINT MF_BYPOSITION = 0x0400;
constexpr UINT MF_SEPARATOR = 0x0800;
constexpr UINT MF_DEFAULT = 0x1000;

struct MenuTableItem {
  UINT id = 0;       // command id; 0 for separators and pop-ups
  std::string text;  // UTF-8
  UINT flags = MF_STRING;
  std::vector<MenuTableItem> popup;  // the items of a pop-up (flags has MF_POPUP)

  static MenuTableItem Command(UINT id, std::string text, UINT flags = MF_STRING) {
    return MenuTableItem{id, std::move(text), flags & ~MF_POPUP, {}};
  }
  static MenuTableItem Separator() { return MenuTableItem{0, {}, MF_SEPARATOR, {}}; }
  static MenuTableItem Popup(std::string text, std::vector<MenuTableItem> items, UINT flags = MF_STRING) {
    return MenuTableItem{0, std::move(text), flags | MF_POPUP, std::move(items)};
  }
};
using MenuTable = std::vector<MenuTableItem>;

// A later registration under the same id replaces the earlier one.
void RegisterMenuResource(UINT id, MenuTable table);
std::optional<MenuTable> FindMenuResource(UINT id);
void ClearMenuResources();
