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
// Held or not. While an input event is handled on this thread (see
// HeldAtEvent), Shift, Ctrl and Alt are as that event had them, whatever the
// keyboard says by now: a quick hand has let Ctrl go before the Return it
// came with is handled to its end. Otherwise the key state's answer.
bool IsVirtualKeyDown(int virtualKey);

// The modifier keys held at the input event being handled, for the time this
// object lives on the handling thread; nested events hold their own.
class HeldAtEvent {
 public:
  HeldAtEvent(bool shift, bool control, bool alt);
  ~HeldAtEvent();
  HeldAtEvent(const HeldAtEvent&) = delete;
  HeldAtEvent& operator=(const HeldAtEvent&) = delete;
  // The innermost event's state of VK_SHIFT, VK_CONTROL or VK_MENU; false for
  // any other key, or with no event handled on this thread (`known` false then).
  static bool IsDown(int virtualKey, bool& known);

 private:
  bool m_shift;
  bool m_control;
  bool m_alt;
  HeldAtEvent* m_outer;
};

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
