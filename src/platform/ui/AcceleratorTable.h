#pragma once
// Accelerator tables: key plus modifiers to command id, registered in code
// under resource ids. TranslateAccelerator looks a key message up and sends
// WM_COMMAND (low word the id, high word 1) to the window.
#include <string>
#include <vector>

#include "platform/ui/GdiTypes.h"
#include "platform/ui/MessageCore.h"

constexpr BYTE FVIRTKEY = 0x01;  // key is a virtual-key code, else a character
constexpr BYTE FNOINVERT = 0x02;
constexpr BYTE FSHIFT = 0x04;
constexpr BYTE FCONTROL = 0x08;
constexpr BYTE FALT = 0x10;

struct ACCEL {
  BYTE fVirt = FVIRTKEY;
  WORD key = 0;
  WORD cmd = 0;
};

void RegisterAcceleratorResource(UINT id, std::vector<ACCEL> table);
void ClearAcceleratorResources();
// A table of its own for the caller (nullptr when the id is not registered).
HACCEL LoadAccelerators(UINT resourceId);
HACCEL CreateAcceleratorTable(const ACCEL* entries, int count);
BOOL DestroyAcceleratorTable(HACCEL table);
// Copies up to count entries; with entries null returns the table's size.
int CopyAcceleratorTable(HACCEL table, ACCEL* entries, int count);

// message WM_KEYDOWN / WM_SYSKEYDOWN with a virtual key, or WM_CHAR / WM_SYSCHAR
// with a character; the held modifiers come from the key-state service. Returns
// TRUE when an entry matched and its command was sent.
int TranslateAccelerator(HWND window, HACCEL table, UINT message, WPARAM wParam);
// The command an entry gives for the key and modifiers, or 0 (the pure lookup).
WORD FindAcceleratorCommand(const std::vector<ACCEL>& table, bool virtualKey, WORD key, bool shift,
                            bool control, bool alt);
// "Ctrl+N", "Shift+Del", "F6": the text a menu shows after "\t".
std::string AcceleratorText(const ACCEL& entry);
