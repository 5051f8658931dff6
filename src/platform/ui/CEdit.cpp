#include "platform/ui/CEdit.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextBlock>

#include "platform/base/InputState.h"
#include "platform/base/Text.h"

QWidget* CEdit::CreateWidget(QWidget* parent, const CREATESTRUCT& cs) {
  const QString text = QString::fromStdString(cs.lpszName);
  m_modified = false;
  if (cs.style & ES_MULTILINE) {
    auto* edit = new QPlainTextEdit(parent);
    edit->setPlainText(text);
    edit->setReadOnly((cs.style & ES_READONLY) != 0);
    edit->setLineWrapMode((cs.style & WS_HSCROLL) ? QPlainTextEdit::NoWrap : QPlainTextEdit::WidgetWidth);
    edit->setVerticalScrollBarPolicy((cs.style & WS_VSCROLL) ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    edit->setTabChangesFocus(true);
    QObject::connect(edit, &QPlainTextEdit::textChanged, edit, [this, edit] {
      if (GetWidget() == edit) TextChanged();
    });
    return edit;
  }
  auto* edit = new QLineEdit(text, parent);
  edit->setReadOnly((cs.style & ES_READONLY) != 0);
  if (cs.style & ES_PASSWORD) edit->setEchoMode(QLineEdit::Password);
  const DWORD align = cs.style & 0x3;
  edit->setAlignment(align == ES_CENTER ? Qt::AlignHCenter : align == ES_RIGHT ? Qt::AlignRight : Qt::AlignLeft);
  edit->setFrame(true);
  QObject::connect(edit, &QLineEdit::textChanged, edit, [this, edit] {
    if (GetWidget() == edit) TextChanged();
  });
  return edit;
}

void CEdit::TextChanged() {
  m_modified = true;
  NotifyParent(EN_UPDATE);
  if (GetWidget()) NotifyParent(EN_CHANGE);
}

void CEdit::ApplyTextToWidget(const std::string& text) {
  const QString value = QString::fromStdString(text);
  if (auto* line = qobject_cast<QLineEdit*>(GetWidget())) {
    if (line->text() != value) line->setText(value);
    else TextChanged();  // setting the same text still notifies, as the platform does
  } else if (auto* plain = qobject_cast<QPlainTextEdit*>(GetWidget())) {
    plain->setPlainText(value);
  }
  m_modified = false;
}

std::string CEdit::TextFromWidget() const {
  if (auto* line = qobject_cast<QLineEdit*>(GetWidget())) return line->text().toStdString();
  if (auto* plain = qobject_cast<QPlainTextEdit*>(GetWidget())) {
    // The platform's multi-line edits hold CR LF line ends.
    return ruv::ReplaceAll(plain->toPlainText().toStdString(), "\n", "\r\n");
  }
  return CWnd::TextFromWidget();
}

void CEdit::SetSel(int start, int end, BOOL) {
  if (auto* line = qobject_cast<QLineEdit*>(GetWidget())) {
    const int length = static_cast<int>(line->text().size());
    if (start == 0 && end == -1) {
      line->selectAll();
      return;
    }
    if (start == -1) {
      line->deselect();
      return;
    }
    if (end < 0 || end > length) end = length;
    start = std::clamp(start, 0, length);
    line->setSelection(start, end - start);
  } else if (auto* plain = qobject_cast<QPlainTextEdit*>(GetWidget())) {
    QTextCursor cursor = plain->textCursor();
    const int length = static_cast<int>(plain->toPlainText().size());
    if (start == -1) {
      cursor.clearSelection();
    } else {
      if (end < 0 || end > length) end = length;
      cursor.setPosition(std::clamp(start, 0, length));
      cursor.setPosition(end, QTextCursor::KeepAnchor);
    }
    plain->setTextCursor(cursor);
  }
}

void CEdit::GetSel(int& start, int& end) const {
  start = end = 0;
  if (auto* line = qobject_cast<QLineEdit*>(GetWidget())) {
    if (line->hasSelectedText()) {
      start = line->selectionStart();
      end = line->selectionEnd();
    } else {
      start = end = line->cursorPosition();
    }
  } else if (auto* plain = qobject_cast<QPlainTextEdit*>(GetWidget())) {
    const QTextCursor cursor = plain->textCursor();
    start = cursor.selectionStart();
    end = cursor.selectionEnd();
  }
}

DWORD CEdit::GetSel() const {
  int start = 0, end = 0;
  GetSel(start, end);
  return static_cast<DWORD>(MAKELPARAM(start, end));
}

void CEdit::ReplaceSel(const std::string& text, BOOL) {
  const QString value = QString::fromStdString(text);
  if (auto* line = qobject_cast<QLineEdit*>(GetWidget())) {
    line->insert(value);  // undoable, replaces the selection
  } else if (auto* plain = qobject_cast<QPlainTextEdit*>(GetWidget())) {
    plain->insertPlainText(value);
  }
}

void CEdit::SetLimitText(UINT maxChars) {
  m_limit = maxChars;
  if (auto* line = qobject_cast<QLineEdit*>(GetWidget())) line->setMaxLength(maxChars == 0 ? 32767 : static_cast<int>(maxChars));
}

BOOL CEdit::SetReadOnly(BOOL readOnly) {
  if (readOnly) ModifyStyle(0, ES_READONLY);
  else ModifyStyle(ES_READONLY, 0);
  if (auto* line = qobject_cast<QLineEdit*>(GetWidget())) line->setReadOnly(readOnly != FALSE);
  else if (auto* plain = qobject_cast<QPlainTextEdit*>(GetWidget())) plain->setReadOnly(readOnly != FALSE);
  else return FALSE;
  GetWidget()->update();
  return TRUE;
}

int CEdit::GetLineCount() const {
  if (auto* plain = qobject_cast<QPlainTextEdit*>(GetWidget())) return plain->document()->blockCount();
  return GetWidget() ? 1 : 0;
}

BOOL CEdit::Undo() {
  if (auto* line = qobject_cast<QLineEdit*>(GetWidget())) {
    const bool could = line->isUndoAvailable();
    line->undo();
    return could ? TRUE : FALSE;
  }
  if (auto* plain = qobject_cast<QPlainTextEdit*>(GetWidget())) {
    const bool could = plain->document()->isUndoAvailable();
    plain->undo();
    return could ? TRUE : FALSE;
  }
  return FALSE;
}

void CEdit::Clear() {
  if (auto* line = qobject_cast<QLineEdit*>(GetWidget())) line->del();
  else if (auto* plain = qobject_cast<QPlainTextEdit*>(GetWidget())) plain->textCursor().removeSelectedText();
}

void CEdit::Copy() {
  if (auto* line = qobject_cast<QLineEdit*>(GetWidget())) line->copy();
  else if (auto* plain = qobject_cast<QPlainTextEdit*>(GetWidget())) plain->copy();
}

void CEdit::Cut() {
  if (auto* line = qobject_cast<QLineEdit*>(GetWidget())) line->cut();
  else if (auto* plain = qobject_cast<QPlainTextEdit*>(GetWidget())) plain->cut();
}

void CEdit::Paste() {
  if (!GetWidget()) return;
  const std::string text = FilterPastedText(Clipboard().Text());
  ReplaceSel(text, TRUE);
}

BOOL CEdit::GetModify() const { return m_modified ? TRUE : FALSE; }
void CEdit::SetModify(BOOL modified) { m_modified = modified != FALSE; }

bool CEdit::FilterTypedChar(UINT&) { return true; }
std::string CEdit::FilterPastedText(const std::string& text) { return text; }

bool CEdit::PreTranslateQtEvent(QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    // Pastes go through the paste filter (Ctrl+V and Shift+Insert).
    if (key->matches(QKeySequence::Paste)) {
      Paste();
      return true;
    }
    const QString typed = key->text();
    const bool ctrl = key->modifiers() & Qt::ControlModifier;
    if (!ctrl && typed.size() == 1 && typed[0].isPrint()) {
      UINT ch = typed[0].unicode();
      if (!FilterTypedChar(ch)) return true;
      if (ch != typed[0].unicode()) {
        ReplaceSel(ruv::Utf16ToUtf8(std::u16string(1, static_cast<char16_t>(ch))), TRUE);
        return true;
      }
    }
    if (auto* line = qobject_cast<QLineEdit*>(GetWidget()); line && m_limit != 0 && !typed.isEmpty() &&
                                                            typed[0].isPrint() && !line->hasSelectedText() &&
                                                            static_cast<UINT>(line->text().size()) >= m_limit) {
      NotifyParent(EN_MAXTEXT);
    }
  }
  return CControlBase::PreTranslateQtEvent(event);
}
