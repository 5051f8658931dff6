#pragma once
// An edit control: single line (QLineEdit) or ES_MULTILINE (QPlainTextEdit),
// read-only, password, a text limit, and the selection in character positions.
// Every change of its text, by typing or by SetWindowText, sends EN_UPDATE then
// EN_CHANGE; typing past the limit sends EN_MAXTEXT.
#include "platform/ui/CControlBase.h"

class CEdit : public CControlBase {
 public:
  QWidget* CreateWidget(QWidget* parent, const CREATESTRUCT& cs) override;

  void SetSel(int start, int end, BOOL noScroll = FALSE);
  void SetSel(DWORD selection, BOOL noScroll = FALSE) {
    SetSel(static_cast<int>(LOWORD(selection)), static_cast<int>(HIWORD(selection)), noScroll);
  }
  void GetSel(int& start, int& end) const;
  DWORD GetSel() const;
  // Replaces the selection (inserts at the caret when nothing is selected).
  void ReplaceSel(const std::string& text, BOOL canUndo = FALSE);
  void SetLimitText(UINT maxChars);  // 0: no limit
  void LimitText(UINT maxChars = 0) { SetLimitText(maxChars); }
  UINT GetLimitText() const { return m_limit; }
  BOOL SetReadOnly(BOOL readOnly = TRUE);
  int GetLineCount() const;
  BOOL Undo();
  void Clear();  // deletes the selection
  void Copy();
  void Cut();
  virtual void Paste();
  BOOL GetModify() const;
  void SetModify(BOOL modified = TRUE);

  // Typing filter: a derived edit may drop or change a typed character before
  // it is inserted (return false to drop). The default keeps it.
  virtual bool FilterTypedChar(UINT& ch);
  // Paste filter: the text that a paste inserts (the default keeps it).
  virtual std::string FilterPastedText(const std::string& text);

 protected:
  void ApplyTextToWidget(const std::string& text) override;
  std::string TextFromWidget() const override;
  UINT ControlColorKind() const override {
    return (GetStyle() & ES_READONLY) ? CTLCOLOR_STATIC : CTLCOLOR_EDIT;
  }
  bool PreTranslateQtEvent(QEvent* event) override;
  bool IsMultiLine() const { return (GetStyle() & ES_MULTILINE) != 0; }

 private:
  void TextChanged();
  UINT m_limit = 0;
  bool m_modified = false;
};
