#pragma once
// Held keys and mouse buttons (GetKeyState's "held" bit). The window framework
// installs the Qt implementation; tests inject the state they need.
#include <mutex>
#include <string>
#include <set>

class IKeyState {
 public:
  virtual ~IKeyState() = default;
  virtual bool IsDown(int virtualKey) = 0;  // VK_CONTROL, VK_SHIFT, VK_RBUTTON, ...
};

IKeyState& KeyState();
void SetKeyState(IKeyState* state);  // nullptr: nothing is ever held
inline bool IsVirtualKeyDown(int virtualKey) { return KeyState().IsDown(virtualKey); }

// A key state set by hand (tests, and the default before the UI exists).
class InjectedKeyState : public IKeyState {
 public:
  bool IsDown(int virtualKey) override;
  void Press(int virtualKey);
  void Release(int virtualKey);
  void ReleaseAll();

 private:
  std::mutex m_mutex;
  std::set<int> m_down;
};

// The clipboard's plain text. The window framework installs the system clipboard.
class IClipboard {
 public:
  virtual ~IClipboard() = default;
  virtual bool SetText(const std::string& text) = 0;  // false when the clipboard cannot be opened
  virtual std::string Text() = 0;
  virtual void Clear() = 0;
};

IClipboard& Clipboard();
void SetClipboard(IClipboard* clipboard);  // nullptr: the in-memory clipboard

class MemoryClipboard final : public IClipboard {
 public:
  bool SetText(const std::string& text) override;
  std::string Text() override;
  void Clear() override;
  void SetFailing(bool failing) { m_failing = failing; }

 private:
  std::mutex m_mutex;
  std::string m_text;
  bool m_failing = false;
};
