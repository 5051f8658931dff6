#include "platform/ui/QtServices.h"

#include "platform/ui/QtClipboard.h"
#include "platform/ui/QtKeyState.h"
#include "platform/ui/QtMessageBox.h"

QtServices::QtServices()
    : m_messageBox(std::make_unique<QtMessageBox>()),
      m_clipboard(std::make_unique<QtClipboard>()),
      m_keyState(std::make_unique<QtKeyState>()) {
  SetMessageBoxService(m_messageBox.get());
  SetClipboard(m_clipboard.get());
  SetKeyState(m_keyState.get());
}

QtServices::~QtServices() {
  SetKeyState(nullptr);
  SetClipboard(nullptr);
  SetMessageBoxService(nullptr);
}
