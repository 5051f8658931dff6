#pragma once
// The list a drop-list cell shows: it holds the mouse while open, and the line
// chosen (click or Return) is offered to the cell type and its owner before it
// is written into the cell. Escape or losing the focus closes it unchosen.
#include "platform/ui/CListBox.h"

class CUGCellType;
class CUGCtrl;

class CUGLstBox : public CListBox {
 public:
  // Codes reported through the cell type's NotifyControl.
  enum : long { kNotifySelected = 101, kNotifySelectedIndex = 102, kNotifyWritten = 103 };

  CUGLstBox() = default;
  ~CUGLstBox() override;

  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnSetFocus(CWnd* oldWnd) override;
  void OnKillFocus(CWnd* newWnd) override;
  void OnLButtonUp(UINT flags, CPoint point) override;
  void OnKeyDown(UINT key, UINT repeatCount, UINT flags) override;
  // Writes the selected line into the cell.
  void SelectItem();

  CUGCtrl* m_ctrl = nullptr;
  BOOL m_inUse = FALSE;
  int* m_col = nullptr;  // the dropped cell, owned by the cell type
  long* m_row = nullptr;
  BOOL m_selectionMade = FALSE;
  CUGCellType* m_cellType = nullptr;
  int m_cellTypeId = -1;

 private:
  void Close();
  bool m_closing = false;
};
