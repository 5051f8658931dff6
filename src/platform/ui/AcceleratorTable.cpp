#include "platform/ui/AcceleratorTable.h"

#include <cctype>
#include <map>
#include <mutex>
#include <unordered_map>

#include "platform/base/InputState.h"
#include "platform/ui/WinMessages.h"

namespace {

// Made on first use and never destroyed: objects built during static
// initialisation or destroyed at exit may still need it.
std::mutex& AcceleratorMutex() {
  static auto* mutex = new std::mutex();
  return *mutex;
}
std::map<UINT, std::vector<ACCEL>>& AcceleratorResources() {
  static auto* resources = new std::map<UINT, std::vector<ACCEL>>();
  return *resources;
}
std::unordered_map<std::uintptr_t, std::vector<ACCEL>>& AcceleratorTables() {
  static auto* tables = new std::unordered_map<std::uintptr_t, std::vector<ACCEL>>();
  return *tables;
}
std::uintptr_t g_nextAcceleratorHandle = 0x50000;

HACCEL NewTable(std::vector<ACCEL> entries) {  // AcceleratorMutex() held
  std::uintptr_t key = g_nextAcceleratorHandle;
  g_nextAcceleratorHandle += 4;
  AcceleratorTables()[key] = std::move(entries);
  return reinterpret_cast<HACCEL>(key);
}

std::uintptr_t Key(HACCEL h) { return reinterpret_cast<std::uintptr_t>(h); }




}  // namespace

void RegisterAcceleratorResource(UINT id, std::vector<ACCEL> table) {
  std::lock_guard<std::mutex> lock(AcceleratorMutex());
  AcceleratorResources()[id] = std::move(table);
}

void ClearAcceleratorResources() {
  std::lock_guard<std::mutex> lock(AcceleratorMutex());
  AcceleratorResources().clear();
}

HACCEL LoadAccelerators(UINT resourceId) {
  std::lock_guard<std::mutex> lock(AcceleratorMutex());
  auto it = AcceleratorResources().find(resourceId);
  if (it == AcceleratorResources().end()) return nullptr;
  return NewTable(it->second);
}

HACCEL CreateAcceleratorTable(const ACCEL* entries, int count) {
  if (!entries || count <= 0) return nullptr;
  std::lock_guard<std::mutex> lock(AcceleratorMutex());
  return NewTable(std::vector<ACCEL>(entries, entries + count));
}

BOOL DestroyAcceleratorTable(HACCEL table) {
  std::lock_guard<std::mutex> lock(AcceleratorMutex());
  return AcceleratorTables().erase(Key(table)) ? TRUE : FALSE;
}

int CopyAcceleratorTable(HACCEL table, ACCEL* entries, int count) {
  std::lock_guard<std::mutex> lock(AcceleratorMutex());
  auto it = AcceleratorTables().find(Key(table));
  if (it == AcceleratorTables().end()) return 0;
  int size = static_cast<int>(it->second.size());
  if (!entries) return size;
  int n = std::min(size, count);
  for (int i = 0; i < n; ++i) entries[i] = it->second[static_cast<size_t>(i)];
  return n;
}

WORD FindAcceleratorCommand(const std::vector<ACCEL>& table, bool virtualKey, WORD key, bool shift,
                            bool control, bool alt) {
  for (const ACCEL& entry : table) {
    bool entryVirtual = (entry.fVirt & FVIRTKEY) != 0;
    if (entryVirtual != virtualKey) continue;
    if (virtualKey) {
      if (entry.key != key) continue;
      if (((entry.fVirt & FSHIFT) != 0) != shift) continue;
      if (((entry.fVirt & FCONTROL) != 0) != control) continue;
      if (((entry.fVirt & FALT) != 0) != alt) continue;
    } else {
      // A character entry matches the character typed; only Alt is told apart.
      if (entry.key != key) continue;
      if (((entry.fVirt & FALT) != 0) != alt) continue;
    }
    return entry.cmd;
  }
  return 0;
}

int TranslateAccelerator(HWND window, HACCEL table, UINT message, WPARAM wParam) {
  std::vector<ACCEL> entries;
  {
    std::lock_guard<std::mutex> lock(AcceleratorMutex());
    auto it = AcceleratorTables().find(Key(table));
    if (it == AcceleratorTables().end()) return FALSE;
    entries = it->second;
  }
  bool virtualKey;
  if (message == WM_KEYDOWN || message == WM_SYSKEYDOWN) {
    virtualKey = true;
  } else if (message == WM_CHAR || message == WM_SYSCHAR) {
    virtualKey = false;
  } else {
    return FALSE;
  }
  bool shift = IsVirtualKeyDown(VK_SHIFT);
  bool control = IsVirtualKeyDown(VK_CONTROL);
  bool alt = message == WM_SYSKEYDOWN || message == WM_SYSCHAR || IsVirtualKeyDown(VK_MENU);
  WORD command = FindAcceleratorCommand(entries, virtualKey, static_cast<WORD>(wParam), shift, control, alt);
  if (command == 0 || !IsWindow(window)) return FALSE;
  SendMessage(window, WM_COMMAND, MAKEWPARAM(command, 1), 0);
  return TRUE;
}

std::string AcceleratorText(const ACCEL& entry) {
  std::string text;
  if (entry.fVirt & FCONTROL) text += "Ctrl+";
  if (entry.fVirt & FALT) text += "Alt+";
  if (entry.fVirt & FSHIFT) text += "Shift+";
  if (!(entry.fVirt & FVIRTKEY)) return text + static_cast<char>(entry.key);
  int key = entry.key;
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return text + static_cast<char>(key);
  if (key >= VK_F1 && key <= VK_F1 + 23) return text + "F" + std::to_string(key - VK_F1 + 1);
  switch (key) {
    case VK_BACK: return text + "Backspace";
    case VK_TAB: return text + "Tab";
    case VK_RETURN: return text + "Enter";
    case VK_ESCAPE: return text + "Esc";
    case VK_SPACE: return text + "Space";
    case VK_PRIOR: return text + "PgUp";
    case VK_NEXT: return text + "PgDn";
    case VK_END: return text + "End";
    case VK_HOME: return text + "Home";
    case VK_LEFT: return text + "Left";
    case VK_UP: return text + "Up";
    case VK_RIGHT: return text + "Right";
    case VK_DOWN: return text + "Down";
    case VK_INSERT: return text + "Ins";
    case VK_DELETE: return text + "Del";
    default: return text + "#" + std::to_string(key);
  }
}
