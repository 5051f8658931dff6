#pragma once
// The message-box service on Qt. Any thread may ask; the box is shown on the UI
// thread and the caller waits for the answer (a UI thread that is waiting in
// WaitPumping still shows it). A worker's box opens without a loop of its own and
// its answer reaches the worker as soon as the operator gives it. A system-modal box is application-modal and
// stays on top; an empty caption means the application's title. A box asked
// inside a worker's send's handler opens later, without a loop, and the handler
// gets the box's marked default button at once (no send's handler runs a loop).
#include "platform/base/MessageBoxService.h"

class QMessageBox;

class QtMessageBox final : public IMessageBoxService {
 public:
  int Show(const std::string& text, const std::string& caption, UINT style) override;
  // Queued to the UI thread and opened there without a nested loop; the caller
  // (any thread, the UI thread too) goes on at once.
  void ShowWithoutWaiting(const std::string& text, const std::string& caption, UINT style) override;

  // Builds the box a style asks for (UI thread); the caller runs it.
  static QMessageBox* Build(const std::string& text, const std::string& caption, UINT style);
  // The ID of the button the box was answered with.
  static int AnswerOf(const QMessageBox& box);
  // A close nobody attends has begun (UI thread): every box still open is
  // written to standard error and answered with its default button, so the
  // code that waits for it goes on.
  static void AnswerOpenBoxesUnattended();
};
