#pragma once
// Keyboard translation: Qt key codes to virtual-key codes, and the characters a
// key-down turns into (what WM_CHAR carries after WM_KEYDOWN). Pure functions,
// so the rules are testable without events.
#include <string>

#include "platform/base/WinTypes.h"

constexpr int VK_CLEAR = 0x0C;
constexpr int VK_PAUSE = 0x13;
constexpr int VK_CAPITAL = 0x14;
constexpr int VK_SNAPSHOT = 0x2C;
constexpr int VK_HELP = 0x2F;
constexpr int VK_LWIN = 0x5B;
constexpr int VK_APPS = 0x5D;
constexpr int VK_NUMPAD0 = 0x60;
constexpr int VK_MULTIPLY = 0x6A;
constexpr int VK_ADD = 0x6B;
constexpr int VK_SEPARATOR = 0x6C;
constexpr int VK_SUBTRACT = 0x6D;
constexpr int VK_DECIMAL = 0x6E;
constexpr int VK_DIVIDE = 0x6F;
constexpr int VK_F3 = 0x72;
constexpr int VK_F4 = 0x73;
constexpr int VK_F6 = 0x75;
constexpr int VK_F7 = 0x76;
constexpr int VK_F8 = 0x77;
constexpr int VK_F9 = 0x78;
constexpr int VK_F10 = 0x79;
constexpr int VK_F11 = 0x7A;
constexpr int VK_F12 = 0x7B;
constexpr int VK_NUMLOCK = 0x90;
constexpr int VK_SCROLL = 0x91;
constexpr int VK_OEM_1 = 0xBA;      // ;:
constexpr int VK_OEM_PLUS = 0xBB;   // =+
constexpr int VK_OEM_COMMA = 0xBC;  // ,<
constexpr int VK_OEM_MINUS = 0xBD;  // -_
constexpr int VK_OEM_PERIOD = 0xBE; // .>
constexpr int VK_OEM_2 = 0xBF;      // /?
constexpr int VK_OEM_3 = 0xC0;      // `~
constexpr int VK_OEM_4 = 0xDB;      // [{
constexpr int VK_OEM_5 = 0xDC;      // \|
constexpr int VK_OEM_6 = 0xDD;      // ]}
constexpr int VK_OEM_7 = 0xDE;      // '"

// The virtual key of a Qt key (Qt::Key value); `keypad` when the key came from
// the numeric keypad. 0 for keys with no virtual key.
int VirtualKeyFromQtKey(int qtKey, bool keypad);

// The characters that translating a key-down gives, as UTF-16 code units (one
// WM_CHAR each): control characters for Return, Tab, Escape, Backspace and
// Ctrl+letter, nothing for navigation and function keys, else the typed text.
std::u16string CharsForKeyDown(int virtualKey, bool ctrl, bool alt, const std::u16string& typedText);
