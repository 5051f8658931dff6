#include "grid/UGTheme.h"

#include <cstdint>
#include <map>
#include <memory>

namespace {

struct StyleRow {
  std::uint32_t key;
  const char* className;
  int part;
  int state;
};

// Check boxes, radio buttons and push buttons look the same in both tables.
constexpr StyleRow kButtonRows[] = {
    {0x201, "BUTTON", 3, 1}, {0x202, "BUTTON", 3, 2}, {0x204, "BUTTON", 3, 3},
    {0x208, "BUTTON", 3, 4}, {0x401, "BUTTON", 3, 5}, {0x402, "BUTTON", 3, 6},
    {0x404, "BUTTON", 3, 7}, {0x408, "BUTTON", 3, 8}, {0x801, "BUTTON", 3, 9},
    {0x802, "BUTTON", 3, 10}, {0x804, "BUTTON", 3, 11}, {0x808, "BUTTON", 3, 12},
    {0x1001, "BUTTON", 2, 1}, {0x1002, "BUTTON", 2, 2}, {0x1004, "BUTTON", 2, 3},
    {0x2001, "BUTTON", 2, 5}, {0x2002, "BUTTON", 2, 6}, {0x2004, "BUTTON", 2, 7},
    {0x4001, "BUTTON", 2, 5}, {0x4002, "BUTTON", 2, 6}, {0x4004, "BUTTON", 2, 7},
    {0x8001, "BUTTON", 1, 1}, {0x8002, "BUTTON", 1, 2}, {0x8004, "BUTTON", 1, 5},
    {0x8010, "BUTTON", 1, 3},
};

// Tabs, headings and corner, combo boxes, spin arrows and progress bars.
constexpr StyleRow kFirstTable[] = {
    {0x11, "TAB", 1, 1}, {0x12, "TAB", 1, 3}, {0x14, "TAB", 1, 2},
    {0x18, "TAB", 1, 4}, {0x16, "TAB", 1, 5}, {0x41, "TASKBAR", 4, 0},
    {0x42, "TASKBAR", 8, 0}, {0x21, "TASKBAR", 3, 0}, {0x22, "TASKBAR", 7, 0},
    {0x81, "WINDOW", 11, 0}, {0x101, "COMBOBOX", 1, 0}, {0x102, "COMBOBOX", 1, 0},
    {0x104, "COMBOBOX", 1, 0}, {0x106, "COMBOBOX", 1, 0}, {0x10001, "SPIN", 1, 1},
    {0x10002, "SPIN", 1, 2}, {0x10004, "SPIN", 1, 2}, {0x10010, "SPIN", 1, 3},
    {0x20001, "SPIN", 2, 1}, {0x20002, "SPIN", 2, 2}, {0x20004, "SPIN", 2, 2},
    {0x20010, "SPIN", 2, 3}, {0x80001, "PROGRESS", 1, 1}, {0x80002, "PROGRESS", 1, 1},
    {0x80004, "PROGRESS", 1, 1}, {0x80006, "PROGRESS", 1, 1}, {0x40001, "PROGRESS", 3, 0},
    {0x40002, "PROGRESS", 3, 0}, {0x40004, "PROGRESS", 3, 0}, {0x40006, "PROGRESS", 3, 0},
};

// The same keys drawn with list-view and explorer-bar parts.
constexpr StyleRow kSecondTable[] = {
    {0x11, "LISTVIEW", 1, 1}, {0x12, "LISTVIEW", 1, 3}, {0x14, "LISTVIEW", 1, 2},
    {0x18, "LISTVIEW", 1, 4}, {0x16, "LISTVIEW", 1, 5}, {0x41, "EXPLORERBAR", 1, 0},
    {0x42, "EXPLORERBAR", 9, 0}, {0x21, "EXPLORERBAR", 5, 0}, {0x22, "EXPLORERBAR", 9, 0},
    {0x81, "EXPLORERBAR", 5, 0}, {0x101, "EXPLORERBAR", 4, 1}, {0x102, "EXPLORERBAR", 4, 2},
    {0x104, "EXPLORERBAR", 4, 3}, {0x106, "EXPLORERBAR", 4, 3}, {0x10001, "SCROLLBAR", 1, 1},
    {0x10002, "SCROLLBAR", 1, 2}, {0x10004, "SCROLLBAR", 1, 2}, {0x10010, "SCROLLBAR", 1, 3},
    {0x20001, "SCROLLBAR", 1, 5}, {0x20002, "SCROLLBAR", 1, 6}, {0x20004, "SCROLLBAR", 1, 6},
    {0x20010, "SCROLLBAR", 1, 7}, {0x80001, "EXPLORERBAR", 1, 0}, {0x80002, "EXPLORERBAR", 1, 0},
    {0x80004, "EXPLORERBAR", 1, 0}, {0x80006, "EXPLORERBAR", 1, 0}, {0x40001, "EXPLORERBAR", 12, 0},
    {0x40002, "EXPLORERBAR", 12, 0}, {0x40004, "EXPLORERBAR", 12, 0}, {0x40006, "EXPLORERBAR", 12, 0},
};

struct ThemeState {
  bool switchOn = false;  // nothing in the program turns visual styles on
  int tableSelector = 0;
  // A key no table holds keeps a null entry, so it is not looked for again.
  std::map<std::uint32_t, std::unique_ptr<UGThemeStyle>> styles;
  std::map<std::string, HTHEME> openThemes;
};

ThemeState& State() {
  static ThemeState state;
  return state;
}

void BuildStyleMap(ThemeState& state) {
  auto fill = [&state](const auto& table) {
    for (const StyleRow& row : table) {
      if (state.styles.count(row.key)) continue;
      state.styles[row.key] = std::make_unique<UGThemeStyle>(UGThemeStyle{row.className, row.part, row.state});
    }
  };
  if (state.tableSelector == 1)
    fill(kSecondTable);
  else
    fill(kFirstTable);
  fill(kButtonRows);
}

// Whether a style key has a style whose theme class opens (cached).
bool StyleOpens(CWnd* window, int elementCode, int stateCode) {
  const UGThemeStyle* style = UGThemeLookup(elementCode, stateCode);
  return style && UGThemeOpen(window, style->className.c_str(), true);
}

}  // namespace

bool UGThemeIsActive() {
  // Visual styles need the switch, a theme library and an active theme; this
  // platform has no theme library, so even with the switch on there is none.
  return false;
}

bool UGThemeLoadLibrary() { return false; }

const UGThemeStyle* UGThemeLookup(int elementCode, int stateCode) {
  ThemeState& state = State();
  const auto key = static_cast<std::uint32_t>(elementCode | stateCode);
  auto found = state.styles.find(key);
  if (found == state.styles.end()) {
    BuildStyleMap(state);
    found = state.styles.try_emplace(key).first;
  }
  return found->second.get();
}

HTHEME UGThemeOpen(CWnd*, const char* className, bool) {
  ThemeState& state = State();
  if (className) {
    if (auto cached = state.openThemes.find(className); cached != state.openThemes.end()) return cached->second;
  }
  // Opening a theme needs the theme library, which this platform lacks.
  UGThemeLoadLibrary();
  return nullptr;
}

// Drawing needs an open theme handle, and without a theme library none opens:
// each operation checks what it would need and reports that it did not draw.
bool UGThemeDrawBackground(CWnd* window, CDC* dc, int elementCode, int stateCode, const RECT* rect, const RECT*) {
  if (!State().switchOn || !dc || !rect || !StyleOpens(window, elementCode, stateCode)) return false;
  return false;
}

bool UGThemeDrawPartBackground(CWnd* window, CDC* dc, const char* className, int, int, const RECT* rect, const RECT*,
                               bool cache) {
  if (!State().switchOn || !dc || !rect || !UGThemeOpen(window, className, cache)) return false;
  return false;
}

bool UGThemeDrawText(CWnd* window, CDC* dc, int elementCode, int stateCode, const char*, int, DWORD, const RECT*) {
  if (!State().switchOn || !dc || !StyleOpens(window, elementCode, stateCode)) return false;
  return false;
}

bool UGThemeDrawEdge(CWnd* window, CDC* dc, int elementCode, int stateCode, const RECT*, int, UINT, RECT*) {
  if (!State().switchOn || !dc || !StyleOpens(window, elementCode, stateCode)) return false;
  return false;
}

int UGThemeStateFromFlags(bool first, bool second) {
  if (first && second) return 6;
  if (first) return 4;
  if (second) return 2;
  return 1;
}

void UGThemeReset() {
  ThemeState& state = State();
  state.styles.clear();
  // Cached handles would be closed through the theme library; none is ever opened here.
  state.openThemes.clear();
}

void UGThemeSetTableSelector(int selector) { State().tableSelector = selector; }
