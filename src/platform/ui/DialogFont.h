#pragma once
// The font the program's dialogs and form views are drawn with, and on which
// their dialog units are measured: the stock dialog font (8-point MS Shell Dlg),
// as the font layer resolves it on this system.
#include <QFont>

class CFont;
class QWidget;

QFont DialogFont();
// The same font as a font object, shared by the whole program: what a dialog
// answers to WM_GETFONT, so that controls drawing their own texts use it too.
CFont& DialogFontObject();
// A dialog's window takes the dialog font; its controls inherit it.
void UseDialogFont(QWidget* window);
