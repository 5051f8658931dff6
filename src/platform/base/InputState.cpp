#include "platform/base/InputState.h"

#include <atomic>

#include "platform/base/WinTypes.h"

namespace {
InjectedKeyState g_noKeys;
std::atomic<IKeyState*> g_keyState{nullptr};
MemoryClipboard g_memoryClipboard;
std::atomic<IClipboard*> g_clipboard{nullptr};
}  // namespace

IKeyState& KeyState() {
  IKeyState* state = g_keyState.load(std::memory_order_acquire);
  return state ? *state : g_noKeys;
}
void SetKeyState(IKeyState* state) { g_keyState.store(state, std::memory_order_release); }

namespace {
thread_local HeldAtEvent* t_innermostEvent = nullptr;
}  // namespace

HeldAtEvent::HeldAtEvent(bool shift, bool control, bool alt)
    : m_shift(shift), m_control(control), m_alt(alt), m_outer(t_innermostEvent) {
  t_innermostEvent = this;
}

HeldAtEvent::~HeldAtEvent() { t_innermostEvent = m_outer; }

bool HeldAtEvent::IsDown(int virtualKey, bool& known) {
  const HeldAtEvent* event = t_innermostEvent;
  known = event != nullptr && (virtualKey == VK_SHIFT || virtualKey == VK_CONTROL || virtualKey == VK_MENU);
  if (!known) return false;
  if (virtualKey == VK_SHIFT) return event->m_shift;
  if (virtualKey == VK_CONTROL) return event->m_control;
  return event->m_alt;
}

bool IsVirtualKeyDown(int virtualKey) {
  bool known = false;
  const bool atEvent = HeldAtEvent::IsDown(virtualKey, known);
  return known ? atEvent : KeyState().IsDown(virtualKey);
}

bool InjectedKeyState::IsDown(int virtualKey) {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_down.count(virtualKey) != 0;
}
void InjectedKeyState::Press(int virtualKey) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_down.insert(virtualKey);
}
void InjectedKeyState::Release(int virtualKey) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_down.erase(virtualKey);
}
void InjectedKeyState::ReleaseAll() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_down.clear();
}

IClipboard& Clipboard() {
  IClipboard* clipboard = g_clipboard.load(std::memory_order_acquire);
  return clipboard ? *clipboard : g_memoryClipboard;
}
void SetClipboard(IClipboard* clipboard) { g_clipboard.store(clipboard, std::memory_order_release); }

bool MemoryClipboard::SetText(const std::string& text) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_failing) return false;
  m_text = text;
  return true;
}
std::string MemoryClipboard::Text() {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_text;
}
void MemoryClipboard::Clear() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_text.clear();
}
