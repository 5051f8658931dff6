#pragma once
// The main frame's menu bar and tool bar, built from tables of command ids. A
// chosen item sends WM_COMMAND to the frame; before a menu opens each item asks
// the frame's command routing for its state (enabled, check mark, default).
#include <string>
#include <vector>

#include "platform/base/WinTypes.h"

class CFrameWnd;
class QToolBar;

struct MenuEntry {
  std::string text;                // "" for a separator
  UINT id = 0;                     // 0 for a sub-menu
  std::vector<MenuEntry> entries;  // the sub-menu's items
  bool grayed = false;             // starts grayed
};

// The menu shown while the plant form is open.
const std::vector<MenuEntry>& PlantFormMenu();

// Installs the menu bar and the tool bar in the frame; returns the tool bar.
QToolBar* BuildMainFrameBars(CFrameWnd& frame);
