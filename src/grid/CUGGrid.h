#pragma once
// The cell area: the child window of the control that shows the cells and
// takes the keyboard. For now every change repaints the whole area and keys
// go straight to the control's key notifications; the paint list, cell
// painting, scrolling and the mouse come with the cell area's own work.
#include "platform/ui/CWnd.h"

class CUGCtrl;
class CUGGridInfo;

class CUGGrid : public CWnd {
 public:
  CUGGrid() = default;
  ~CUGGrid() override;

  // Cells whose look changed: drawn at the next paint.
  void AddDrawHint(int startCol, long startRow, int endCol, long endRow);
  void RefreshCell(int col, long row);
  void RefreshRange(int startCol, long startRow, int endCol, long endRow);
  // After the current cell, the left column or the top row changed.
  void UpdateAfterMove();
  void Update();

  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnKeyDown(UINT key, UINT repeatCount, UINT flags) override;
  void OnKeyUp(UINT key, UINT repeatCount, UINT flags) override;
  void OnChar(UINT key, UINT repeatCount, UINT flags) override;

  CUGCtrl* m_ctrl = nullptr;
  CUGGridInfo* m_GI = nullptr;
};
