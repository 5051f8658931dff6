#pragma once
// What the grid's in-place editors share: keys that end an edit (accept, cancel,
// or accept and go on in a neighbouring cell), every typed character verified by
// the data source and the grid, and the text handed back to the grid when the
// editor loses the focus. A grid that refuses the text keeps the editor open.
#include <string>

#include "platform/ui/CEdit.h"

class CUGCtrl;

// Marks a WM_CHAR that the program sends (no key behind it): the editor types
// it in itself. Bit 31 of a character message's lParam is never set by a key.
constexpr LPARAM kUGProgramCharFlag = static_cast<LPARAM>(0x80000000u);

class CUGEditBase : public CEdit {
 public:
  CUGEditBase() = default;
  ~CUGEditBase() override;

  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnSetFocus(CWnd* oldWnd) override;
  void OnKillFocus(CWnd* newWnd) override;
  void OnKeyDown(UINT key, UINT repeatCount, UINT flags) override;
  void OnChar(UINT key, UINT repeatCount, UINT flags) override;

  CUGCtrl* m_ctrl = nullptr;  // the grid editing with this editor; not owned
  int m_continueCol = 0;
  long m_continueRow = 0;
  BOOL m_cancel = FALSE;        // the edit ends without storing the text
  BOOL m_continueFlag = FALSE;  // editing goes on at the continue column and row
  UINT m_lastKey = 0;

 protected:
  // The grid, taken from the parent window while still unset.
  CUGCtrl* Grid();
  // The data source and then the grid may refuse the character or change it.
  bool VerifyChar(UINT* ch);
  // A character both accepted may still be refused by a particular editor.
  virtual bool AcceptVerifiedChar(UINT* ch);
  // Ends the edit towards (col, row): the grid takes the focus, and the edit goes on there.
  void Leave(int col, long row);
  void CancelEdit();
  // The text's length in characters (positions count characters, not bytes).
  int TextLength() const;
  // Inserts a character at the caret (replacing the selection) as the editor's own input.
  void InsertChar(UINT ch);

 private:
  void RetakeFocus();
};
