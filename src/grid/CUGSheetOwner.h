#pragma once
// What a sheet's helpers (its data sources and its multiple selection) need of
// the grid control that owns them beyond the control's notification
// operations: the settings of the sheet on show, and cells to repaint. The
// control answers these; tests stand in for it.
class CUGCtrl;
class CUGGridInfo;

class CUGSheetOwner {
 public:
  virtual ~CUGSheetOwner() = default;
  virtual CUGGridInfo* CurrentSheet() = 0;
  // Cells whose look changed: the cell area draws them at its next paint.
  virtual void AddDrawHint(int startCol, long startRow, int endCol, long endRow) = 0;

  // The owner calls of a control, or null when it has none (no owner yet).
  static CUGSheetOwner* Of(CUGCtrl* ctrl);
};
