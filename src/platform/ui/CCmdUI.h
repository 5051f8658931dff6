#pragma once
// The state a command handler gives a menu item or tool-bar button before it
// shows: enabled, checked, default (bold) and, optionally, a new text. The menu
// or bar that asks reads the fields back.
#include <optional>
#include <string>

#include "platform/base/WinTypes.h"

class CCmdUI {
 public:
  explicit CCmdUI(UINT id = 0) : m_nID(id) {}
  virtual ~CCmdUI() = default;

  virtual void Enable(BOOL on = TRUE) { m_enabled = on != FALSE, m_handled = true; }
  virtual void SetCheck(int check = 1) { m_check = check, m_handled = true; }
  virtual void SetRadio(BOOL on = TRUE) { m_check = on ? 1 : 0, m_handled = true; }
  virtual void SetDefault(BOOL on = TRUE) { m_default = on != FALSE, m_handled = true; }
  virtual void SetText(const std::string& text) { m_text = text, m_handled = true; }

  UINT m_nID = 0;
  bool m_enabled = true;
  int m_check = 0;
  bool m_default = false;
  std::optional<std::string> m_text;
  bool m_handled = false;  // some handler answered
};
