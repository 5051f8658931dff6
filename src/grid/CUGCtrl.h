#pragma once
// The grid control: a spreadsheet-like window whose user derives from it and
// overrides the notification operations it needs.
//
// Every event the grid reports and every permission it asks goes through one of
// the virtual operations below. Their defaults grant every permission and
// ignore every report.
#include <cstdint>
#include <string>

#include "platform/ui/CPoint.h"
#include "platform/ui/CRect.h"
#include "platform/ui/CWnd.h"

class CDC;
class CUGCell;

class CUGCtrl : public CWnd {
 public:
  // Section numbers passed to the notifications: which part of the control an event concerns.
  enum : int {
    kSectionCellArea = 1,
    kSectionTopHeading = 2,
    kSectionSideHeading = 3,
    kSectionCornerButton = 4,
    kSectionHScroll = 5,
    kSectionVScroll = 6,
    kSectionTabStrip = 7,
  };
  // OnSortEvaluate flag: descending order.
  enum : int { kSortDescending = 2 };

  CUGCtrl();
  ~CUGCtrl() override;

  // The framework's focus, mouse and key handlers stay reachable beside the
  // notifications of the same names.
  using CWnd::OnKeyDown;
  using CWnd::OnKeyUp;
  using CWnd::OnKillFocus;
  using CWnd::OnMouseMove;
  using CWnd::OnSetFocus;

  // ---- notification operations, in the control's fixed order ----
  virtual void OnSetFocus(int section);
  virtual int FitColumnsToWindow(int firstCol, int lastCol);
  virtual int BestFitColumns(int startCol, int endCol, int rowsToCheck, int flags);
  virtual void OnSetup();
  virtual void OnSheetSetup(int sheetIndex);
  virtual int OnCanMove(int oldCol, long oldRow, int newCol, long newRow);
  virtual int OnCanViewMove(int oldLeftCol, long oldTopRow, int newLeftCol, long newTopRow);
  virtual void OnHitBottom(long rowCount, long rowsPast, long rowsFound);
  virtual int OnCanSizeCol(int col);
  virtual void OnColSizing(int col, int* width);
  virtual void OnColSized(int col, int* width);
  virtual int OnCanSizeRow(long row);
  virtual void OnRowSizing(long row, int* height);
  virtual void OnRowSized(long row, int* height);
  virtual int OnCanSizeTopHdg();
  virtual int OnCanSizeSideHdg();
  virtual int OnTopHdgSizing(int* height);
  virtual int OnSideHdgSizing(int* width);
  virtual int OnTopHdgSized(int* height);
  virtual int OnSideHdgSized(int* width);
  virtual void OnColChange(int oldCol, int newCol);
  virtual void OnRowChange(long oldRow, long newRow);
  virtual void OnCellChange(int oldCol, int newCol, long oldRow, long newRow);
  virtual void OnLeftColChange(int oldCol, int newCol);
  virtual void OnTopRowChange(long oldRow, long newRow);
  // section: kSectionHScroll or kSectionVScroll.
  virtual void OnViewMoved(int section, long oldPosition, long newPosition);
  virtual void OnSelectionChanged(int rightCol, long topRow, int leftCol, long bottomRow, int blockCount);
  // upDown: 1 button down, 0 button up. processed: the grid already acted on the event.
  virtual void OnLClicked(int col, long row, int upDown, RECT* rect, POINT* point, BOOL processed);
  virtual void OnRClicked(int col, long row, int upDown, RECT* rect, POINT* point, BOOL processed);
  virtual void OnDClicked(int col, long row, RECT* rect, POINT* point, BOOL processed);
  virtual void OnMouseMove(int col, long row, POINT* point, UINT keyFlags, BOOL processed);
  virtual void OnTopHdgLClicked(int col, long row, int upDown, RECT* rect, POINT* point, BOOL processed);
  virtual void OnTopHdgRClicked(int col, long row, int upDown, RECT* rect, POINT* point, BOOL processed);
  virtual void OnTopHdgDClicked(int col, long row, RECT* rect, POINT* point, BOOL processed);
  virtual void OnSideHdgLClicked(int col, long row, int upDown, RECT* rect, POINT* point, BOOL processed);
  virtual void OnSideHdgRClicked(int col, long row, int upDown, RECT* rect, POINT* point, BOOL processed);
  virtual void OnSideHdgDClicked(int col, long row, RECT* rect, POINT* point, BOOL processed);
  virtual void OnCornerLClicked(int upDown, RECT* rect, POINT* point, BOOL processed);
  virtual void OnCornerRClicked(int upDown, RECT* rect, POINT* point, BOOL processed);
  virtual void OnCornerDClicked(RECT* rect, POINT* point, BOOL processed);
  virtual void OnKeyDown(UINT* key, BOOL processed);
  virtual void OnKeyUp(UINT* key, BOOL processed);
  virtual void OnCharDown(UINT* key, BOOL processed);
  // After the data source filled the cell, before anyone sees it.
  virtual void OnGetCell(int col, long row, CUGCell* cell);
  // Before the data source stores the cell.
  virtual void OnSetCell(int col, long row, CUGCell* cell);
  virtual int OnCellTypeNotify(long typeId, int col, long row, long message, std::intptr_t param);
  // editor may be replaced by another editor window.
  virtual int OnEditStart(int col, long row, CWnd** editor);
  // Per typed character; false refuses it, and the character may be changed.
  virtual int OnEditVerify(int col, long row, CWnd* editor, UINT* key);
  virtual int OnEditFinish(int col, long row, CWnd* editor, const char* text, BOOL cancelled);
  virtual int OnEditContinue(int oldCol, long oldRow, int* newCol, long* newRow);
  // Popup-menu items with ids of 1000 or more.
  virtual void OnMenuCommand(int col, long row, int section, int item);
  virtual int OnMenuStart(int col, long row, int section);
  // 0: no help.
  virtual DWORD OnGetContextHelpId(int col, long row, int section);
  // The tooltip text; the tip shows only when this answers TRUE.
  virtual int OnHint(int col, long row, int section, std::string* text);
  virtual int OnVScrollHint(long row, std::string* text);
  virtual int OnHScrollHint(int col, std::string* text);
  // <0 when cell1 sorts before cell2, >0 after, 0 equal; flags kSortDescending reverses.
  virtual int OnSortEvaluate(CUGCell* cell1, CUGCell* cell2, int flags);
  virtual void OnPaintDCSetup(CDC* dc, CDC* memoryDc, int section);
  // May change the placement of the child windows.
  virtual void OnAdjustComponentSizes(RECT* cellArea, RECT* topHeading, RECT* sideHeading, RECT* cornerButton,
                                      RECT* vScroll, RECT* hScroll, RECT* tabStrip);
  virtual void OnTabSelected(int tabId);
  // The colour of areas without cells.
  virtual COLORREF OnGetDefBackColor(int section);
  // Draws the focus of the current cell.
  virtual int OnDrawFocusRect(CDC* dc, RECT* rect);
  virtual void OnKillFocus(int section, CWnd* newWindow);
  virtual void OnKillFocusSection(int section);
  // Non-zero lets the column be dragged to another place.
  virtual int OnColDragStart(int col);
  virtual int OnCanMoveCol(int fromCol, int toCol);
  virtual void OnColMoved(int fromCol, int toCol);

 private:
  // The current cell's cell type may draw the focus itself; non-zero when it did.
  int DrawFocusByCellType(CDC* dc, RECT* rect);
};
