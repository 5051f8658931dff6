#pragma once
// Installs the Qt implementations of the base services (message boxes,
// clipboard, held keys) for as long as it lives; the application object makes
// one right after the Qt application exists. Tests install their doubles.
#include <memory>

class QtMessageBox;
class QtClipboard;
class QtKeyState;

class QtServices {
 public:
  QtServices();
  ~QtServices();
  QtServices(const QtServices&) = delete;
  QtServices& operator=(const QtServices&) = delete;

 private:
  std::unique_ptr<QtMessageBox> m_messageBox;
  std::unique_ptr<QtClipboard> m_clipboard;
  std::unique_ptr<QtKeyState> m_keyState;
};
