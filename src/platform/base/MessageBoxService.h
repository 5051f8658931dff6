#pragma once
// The message-box service. Every operator box of the system goes through here,
// from any thread: the window framework's implementation marshals the box to the
// UI thread and waits for the answer; tests install a scripted double.
#include <functional>
#include <string>

#include "platform/base/WinTypes.h"

class IMessageBoxService {
 public:
  virtual ~IMessageBoxService() = default;
  // Shows `text` with `caption` ("" means the application title) and the MB_ style;
  // returns the ID of the button pressed.
  virtual int Show(const std::string& text, const std::string& caption, UINT style) = 0;
  // Shows a box without making the caller wait for the answer, which is dropped:
  // a worker cycle that must keep running (outputs may be on) only informs.
  virtual void ShowWithoutWaiting(const std::string& text, const std::string& caption, UINT style) {
    Show(text, caption, style);
  }
};

void SetMessageBoxService(IMessageBoxService* service);  // nullptr: the console fallback
IMessageBoxService& MessageBoxService();

// Shows a box through the installed service.
int ShowMessageBox(const std::string& text, const std::string& caption = std::string(), UINT style = MB_OK);
// Shows a box through the installed service and returns at once.
void ShowMessageBoxWithoutWaiting(const std::string& text, const std::string& caption = std::string(),
                                  UINT style = MB_OK);
// The framework's AfxMessageBox shape: the application title as caption.
inline int AfxMessageBox(const std::string& text, UINT style = MB_OK) { return ShowMessageBox(text, "", style); }

// Told on the asking thread just before each box is shown, whatever the service:
// a window that would hide boxes (the start-up splash) gets out of their way.
// One watch at a time; an empty function removes it.
void SetMessageBoxOpeningWatch(std::function<void()> watch);

// The button a box answers when nobody can press one: the first button of its type.
int DefaultButtonOf(UINT style);
// The button the box's style marks as its default (the one Enter presses).
int MarkedDefaultButtonOf(UINT style);

// A close nobody attends (a termination signal asked for it: a logout, a
// service manager): nobody may be there to answer a box. From the start of such
// a close on, every box goes to standard error as "[caption] text" and is
// answered at once with its marked default button; no box opens and nothing waits.
void BeginUnattendedClose();
bool IsUnattendedClose();
// Back to boxes that wait for an answer (a new run of the application).
void EndUnattendedClose();
