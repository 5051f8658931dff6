#include "platform/ui/DialogFont.h"

#include <QWidget>

#include "platform/ui/CFont.h"

QFont DialogFont() { return DialogFontObject().GetQFont(); }

CFont& DialogFontObject() {
  static CFont* const font = [] {
    auto* made = new CFont();  // never deleted: windows may hold it to the end
    made->CreateStockObject(DEFAULT_GUI_FONT);
    return made;
  }();
  return *font;
}

void UseDialogFont(QWidget* window) {
  if (window) window->setFont(DialogFont());
}
