#include "platform/ui/QtClipboard.h"

#include <QClipboard>
#include <QGuiApplication>

#include "platform/ui/MessageCore.h"

bool QtClipboard::SetText(const std::string& text) {
  bool done = false;
  RunOnUiThreadAndWait([&] {
    if (QClipboard* clipboard = QGuiApplication::clipboard()) {
      clipboard->setText(QString::fromStdString(text));
      done = true;
    }
  });
  return done;
}

std::string QtClipboard::Text() {
  std::string text;
  RunOnUiThreadAndWait([&] {
    if (QClipboard* clipboard = QGuiApplication::clipboard()) text = clipboard->text().toStdString();
  });
  return text;
}

void QtClipboard::Clear() {
  RunOnUiThreadAndWait([] {
    if (QClipboard* clipboard = QGuiApplication::clipboard()) clipboard->clear();
  });
}
