#pragma once
// What the grid tests that place a grid in a dialog share: a dialog made from
// a template registered under its id, which records the commands it gets and
// stays open on OK and Cancel, and key presses sent straight to a window.
#include <QApplication>
#include <QKeyEvent>
#include <QString>
#include <vector>

#include "platform/ui/CDialog.h"
#include "platform/ui/CWnd.h"
#include "platform/ui/DialogTemplate.h"

class CommandRecordingDialog : public CDialog {
 public:
  explicit CommandRecordingDialog(const DialogTemplate& dialogTemplate) : CDialog(dialogTemplate.id) {
    RegisterDialogTemplate(dialogTemplate);
  }
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
    commands.push_back(LOWORD(wParam));
    return CDialog::OnCommand(wParam, lParam);
  }
  void OnOK() override {}
  void OnCancel() override {}
  std::vector<UINT> commands;
};

inline void Press(CWnd* window, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, const QString& text = {}) {
  QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
  QApplication::sendEvent(window->GetWidget(), &press);
}
