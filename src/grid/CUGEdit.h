#pragma once
// The in-place editor of plain cells (id 123): while the sheet lets text
// overflow, it grows over the neighbouring cells as its text needs room.
#include "grid/CUGEditBase.h"
#include "platform/ui/CRect.h"

class CUGEdit : public CUGEditBase {
 public:
  CUGEdit() = default;
  ~CUGEdit() override;

  BOOL PreTranslateMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnSetFocus(CWnd* oldWnd) override;
  BOOL OnSetCursor(CWnd* wnd, UINT hitTest, UINT message) override;
  BOOL OnReflectedCommand(UINT code) override;
  // Fits the editor to its text, never smaller than the cell it started on.
  void AutoSize();

  BOOL m_autoSize = TRUE;      // the setting
  BOOL m_autoSizeEdit = FALSE;  // on for the current edit
  int m_startHeight = 0;
  int m_currentHeight = 0;

 private:
  CRect m_startRect;  // in the cell area's coordinates
};
