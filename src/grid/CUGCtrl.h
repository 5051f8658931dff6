#pragma once
// The grid control: a spreadsheet-like window whose user derives from it and
// overrides the notification operations it needs.
//
// The control owns its child windows (cell area, headings, corner button,
// scroll bars, tab strip, hint and the two in-place editors), the sheets and
// their settings, the registered cell types, data sources and fonts, and a
// pop-up menu. Cells are asked of data sources and drawn by the cell type
// each names.
//
// Every event the grid reports and every permission it asks goes through one of
// the virtual notification operations below. Their defaults grant every
// permission and ignore every report. UI thread only.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "grid/CUGArrowType.h"
#include "grid/CUGCell.h"
#include "grid/CUGCellType.h"
#include "grid/CUGCheckBoxType.h"
#include "grid/CUGDropListType.h"
#include "grid/CUGEdit.h"
#include "grid/CUGGridInfo.h"
#include "grid/CUGMaskedEdit.h"
#include "grid/CUGPtrList.h"
#include "grid/CUGSheetOwner.h"
#include "platform/ui/CMenu.h"
#include "platform/ui/CPen.h"
#include "platform/ui/CPoint.h"
#include "platform/ui/CRect.h"
#include "platform/ui/CWnd.h"

class CDC;
class CFont;
class CUGCnrBtn;
class CUGDataSource;
class CUGGrid;
class CUGGridInfo;
class CUGHint;
class CUGHScroll;
class CUGSideHdg;
class CUGTab;
class CUGTopHdg;
class CUGVScroll;
class CScrollBar;
struct UGFindReplaceRequest;

// Sent to the grid: wParam a cell-type id, lParam a value for that type's OnMessage.
constexpr UINT UGCT_MESSAGE = 0x0464;

class CUGCtrl : public CWnd, public CUGSheetOwner {
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
  // Child-window ids.
  enum : UINT {
    kIdCellArea = 1,
    kIdTopHeading = 2,
    kIdSideHeading = 3,
    kIdCornerButton = 4,
    kIdTabStrip = 5,
    kIdVScroll = 6,
    kIdHScroll = 7,
    kIdEdit = 123,
    kIdMaskedEdit = 124,
  };
  // Ids of the built-in cell types.
  enum : int { kCellTypeNormal = 0, kCellTypeDropList = 1, kCellTypeCheckBox = 2, kCellTypeArrow = 3 };
  static constexpr int kMaxDataSources = 63;
  static constexpr int kMaxCols = 32000;
  static constexpr int kMaxSheets = 1024;
  static constexpr int kMaxHeadingSize = 1024;
  // From this many rows on every row has the default height.
  static constexpr long kUniformRowsFrom = 64001;
  // Popup-menu commands from this id on reach OnMenuCommand.
  static constexpr UINT kFirstMenuCommand = 1000;

  CUGCtrl();
  ~CUGCtrl() override;

  // ---- windows ----
  // Takes over the dialog's control of that id, builds the children, runs
  // OnSetup and OnSheetSetup(0) and shows the first sheet; 1 on success, 0
  // when the control cannot be taken over.
  int BindToDialogItem(CWnd* dialog, UINT controlId);
  void BuildChildWindows();
  // Places the child windows over the client area (and redraws them).
  void AdjustComponentSizes();
  void RedrawAll();
  void UpdateChildWindows();
  void RedrawRange(int startCol, long startRow, int endCol, long endRow);
  void RepaintCell(int col, long row);
  // EnableWindow on the cell area, the headings and the corner button.
  int EnableGridWindows(BOOL enable);
  // 0 left to right, 1 right to left; 1 when the control already is so.
  int SetRightToLeft(int mode);

  // ---- cells ----
  // Everything the control knows of the cell: defaults, the data source's
  // content, OnGetCell, format and style.
  int FetchCell(int col, long row, CUGCell* cell);
  // What the data source holds alone.
  int ReadCell(int col, long row, CUGCell* cell);
  // OnSetCell, then the data source stores the cell.
  int WriteCell(int col, long row, CUGCell* cell);
  int PutCellText(int col, long row, const char* text);
  int PutCellNumber(int col, long row, double number);
  int PutCellTextColor(int col, long row, COLORREF color);
  int PutCellBackColor(int col, long row, COLORREF color);
  int PutCellType(int col, long row, int cellType);
  // The displayed text; null when the cell has none. Valid until the next cell call.
  const char* GetCellText(int col, long row);
  int GetHeadingDefault(CUGCell* cell);
  int SetHeadingDefault(CUGCell* cell);
  int GetDataSourceCol(int col);
  // The first grid column that shows the data-source column, or -1.
  int GridColOfDataSourceCol(int dataSourceCol) const;

  // ---- cell types and data sources ----
  // The type registered with that id; the normal type for any other id.
  CUGCellType* GetCellType(int id);
  CUGCellType* CellTypeOf(CUGCell* cell);
  CUGCellType* CellTypeOf(int col, long row);
  // The new type's id, or -1.
  int RegisterCellType(CUGCellType* cellType);
  // The source's index (1 to 63), or -1.
  int AddDataSource(CUGDataSource* source);
  CUGDataSource* GetDataSource(int index) const;

  // ---- sizes ----
  int ColCount() const;
  long RowCount() const;
  int ColWidth(int col) const;
  int GetColWidth(int col, int* width) const;
  int RowHeight(long row) const;
  int SetDefColWidth(int width);
  int SetUniformRowHeight(int flag);
  int ChangeColumnWidth(int col, int width);
  int ChangeRowHeight(long row, int height);
  int SetTopHeadingRowHeight(int row, int height);
  int SetSideHeadingColWidth(int col, int width);
  int SetSideHeadingWidth(int width);
  // The top heading's total height, shared out over its rows as SetSideHeadingWidth does.
  int SetTopHeadingHeight(int height);
  int SetLockedCols(int count);
  int SetLockedRows(long count);
  int MoveColPosition(int col, int position, BOOL before);
  int ResizeCols(int count, BOOL redraw = TRUE);
  int ResizeRows(long count, BOOL redraw = TRUE);
  int SetVScrollMode(int mode);
  int SetHScrollMode(int mode);
  int VScrollWidth() const;
  int HScrollHeight() const;
  int SetPaintingEnabled(int flag);
  int SetTextOverflow(int flag);
  // The largest top row and left column the view may scroll to.
  void CalcMaxTopRow();
  void CalcMaxLeftCol();
  void CalcLockRowHeight();
  void CalcLockColWidth();

  // ---- moves, selection and in-place editing (CUGCtrlNavigation.cpp) ----
  // Each answers 0 on success, 1 for a bad argument, 2 when vetoed.
  int GotoCell(int col, long row);
  int GotoCol(int col);
  int GotoRow(long row);
  // Scroll without moving the current cell.
  int SetTopRow(long row);
  int SetLeftCol(int col);
  // Codes: 0 previous, 1 next, 2 page up (left), 3 page down (right), 4 first,
  // 5 last; a code above 5 does nothing.
  int MoveCurrentRow(int code);
  int MoveCurrentCol(int code);
  int MoveTopRow(int code);
  int MoveLeftCol(int code);
  int CurrentCol() const { return m_GI->m_currentCol; }
  long CurrentRow() const { return m_GI->m_currentRow; }
  int LeftCol() const { return m_GI->m_leftCol; }
  int RightCol() const { return m_GI->m_rightCol; }
  long FirstVisibleRow() const { return m_GI->m_topRow; }
  long LastVisibleRow() const { return m_GI->m_bottomRow; }
  // Clears the multiple selection; the target cell becomes the current one.
  int ClearSelections();
  // A move target clamped into the grid, past its end after asking for more
  // rows, and over joins in the direction of travel; 1 refuses the move.
  int VerifyTargetRow(long* row);
  int VerifyTargetCol(int* col);
  // Reports a move of the current cell or of the view to everyone concerned.
  void NotifyMoved();
  // 1 when joins are off, 2 when the cell is in no join; else the join's start cell in col and row.
  int GetJoinStart(int* col, long* row, CUGCell* cell);
  // As GetJoinStart, with the join's last cell in endCol and endRow.
  int GetJoinRange(int* col, long* row, int* endCol, long* endRow);
  // In cell-area coordinates; what is scrolled out of sight lies 10 pixels beyond the area.
  int GetRangeRect(int startCol, long startRow, int endCol, long endRow, RECT* rect);
  // 1 when (x, y) of the cell area is on no cell; a joined cell answers its join.
  int CellFromPoint(int x, int y, int* col, long* row, RECT* rect);
  // In the coordinates of the window showing the cell (a heading for negative numbers).
  int GetCellRect(int* col, long* row, RECT* rect);
  // 0 editing, 1 not editable (or already editing), 2 the move to the cell was refused.
  // A key above 0 is typed into the editor.
  int BeginCellEditAt(int col, long row, UINT key = 0);
  int BeginCellEdit();
  // Called by the editors; 0 when the text is refused and the editor stays open.
  int FinishCellEdit(const char* text, BOOL cancelled, BOOL continueEdit, int nextCol, long nextRow);
  int CloseEditor();

  // ---- sheets ----
  int ResizeSheets(int count);
  int SetSheet(int index, BOOL redraw = TRUE);
  int GetNumberSheets() const { return static_cast<int>(m_sheets.size()); }
  int GetSheetNumber() const { return m_currentSheet; }

  // ---- fonts ----
  // The index of an equal font already made (its use count raised) or of a new one.
  int AddFont(int height, int width, int escapement, int orientation, int weight, BYTE italic, BYTE underline,
              BYTE strikeOut, BYTE charSet, BYTE outputPrecision, BYTE clipPrecision, BYTE quality,
              BYTE pitchAndFamily, const std::string& faceName);
  CFont* GetFont(int index) const;
  // How many AddFont calls asked for the font (0 for no font).
  int FontUseCount(int index) const;
  int SetDefFont(int index);

  // ---- popup menu ----
  int ClearPopupMenu();
  // An empty text (or id 0xFFFFFFFF) appends a separator.
  int AppendPopupItem(UINT id, const std::string& text);
  // point in screen coordinates. 1 while the menu is disabled, 2 when OnMenuStart
  // refuses, 3 when the menu cannot be shown.
  int StartPopupMenu(int col, long row, POINT* point, int section);
  int EnablePopupMenu(int flag);
  CMenu* GetPopupMenu() { return &m_menu; }

  // ---- find and replace ----
  // The reaction to a find/replace request (the registered "commdlg_FindReplace" message).
  LRESULT OnFindReplace(UGFindReplaceRequest* request);

  // ---- window messages ----
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  BOOL PreCreateWindow(CREATESTRUCT& cs) override;
  int OnCreate(LPCREATESTRUCT cs) override;
  void OnSize(UINT type, int cx, int cy) override;
  void OnPaint() override;
  void OnSetFocus(CWnd* oldWnd) override;
  void OnDestroy() override;
  // The vertical bar for SB_VERT, the horizontal one otherwise.
  CScrollBar* GetScrollBarCtrl(int bar) const;
  void OnHScroll(UINT code, UINT position, CWnd* scrollBar) override;
  void OnVScroll(UINT code, UINT position, CWnd* scrollBar) override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

  // ---- what the sheet's helpers ask of the control ----
  CUGGridInfo* CurrentSheet() override { return m_GI; }
  void AddDrawHint(int startCol, long startRow, int endCol, long endRow) override;

  // The framework's focus, mouse and key handlers stay reachable beside the
  // notifications of the same names.
  using CWnd::OnKeyDown;
  using CWnd::OnKeyUp;
  using CWnd::OnKillFocus;
  using CWnd::OnMouseMove;

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

 public:
  // ---- parts the child windows, editors and cell types reach ----
  CUGGridInfo* m_GI = nullptr;  // the current sheet's settings
  // The child windows; each holds the control and the current sheet's settings.
  std::unique_ptr<CUGGrid> m_CUGGrid;
  std::unique_ptr<CUGTopHdg> m_CUGTopHdg;
  std::unique_ptr<CUGSideHdg> m_CUGSideHdg;
  std::unique_ptr<CUGCnrBtn> m_CUGCnrBtn;
  std::unique_ptr<CUGVScroll> m_CUGVScroll;
  std::unique_ptr<CUGHScroll> m_CUGHScroll;
  std::unique_ptr<CUGHint> m_CUGHint;
  std::unique_ptr<CUGTab> m_CUGTab;
  CUGEdit m_defEditCtrl;
  CUGMaskedEdit m_defMaskedEditCtrl;
  CUGCellType m_normalCellType;
  CUGDropListType m_dropListType;
  CUGCheckBoxType m_checkBoxType;
  CUGArrowType m_arrowType;
  CPen m_threeDLightPen;
  CPen m_threeDDarkPen;

  int m_enableUpdate = 1;  // UpdateChildWindows does nothing while 0
  int m_tabSizing = 0;     // 1 while the tab strip resizes itself by a drag
  // In-place editing.
  int m_editInProgress = 0;
  int m_editCol = -1;
  long m_editRow = -1;
  CWnd* m_editCtrl = nullptr;
  CUGCell m_editCell;
  CWnd* m_editParent = nullptr;
  // Find and replace: the next search starts from the top.
  bool m_findFromStart = false;
  CWnd* m_findDialog = nullptr;  // nothing opens a find dialog

 private:
  // The current cell's cell type may draw the focus itself; non-zero when it did.
  int DrawFocusByCellType(CDC* dc, RECT* rect);
  // The data source of a grid column (the sheet's default for heading columns
  // and columns without one) and the column number it is asked with.
  CUGDataSource* SourceOf(int col, int* sourceCol) const;
  void MakePens();
  // AddFont with the description in one record.
  int AddFontIndirect(LOGFONT wanted);
  // The cell shortcuts: the scratch cell is cleared, read, given one property and written.
  template <typename Value>
  int PutThroughScratch(int col, long row, void (CUGCell::*set)(Value), Value value) {
    m_cell.ClearAll();
    ReadCell(col, row, &m_cell);
    (m_cell.*set)(value);
    WriteCell(col, row, &m_cell);
    return 0;
  }
  void NotifyColumnCellsOfWidth(int col, int* width);
  static void ScaleHeadingSizes(std::vector<int>& sizes, int total);
  static int SetHeadingSize(std::vector<int>& sizes, int count, int* total, int number, int size);
  // A new column entry for column `col` of the current sheet.
  void InitColumn(CUGGridInfo::ColumnInfo& column, int col);
  // The sheets up to count; new ones are set up by their owner when asked.
  void MakeSheets(int count, bool setUp);
  void PointChildrenAt(CUGGridInfo* sheet);
  // Moves (CUGCtrlNavigation.cpp).
  void ReturnToSelectionOrigin();
  int AskCanMove(int fromCol, long fromRow, int toCol, long toRow);
  void KeepTargetRowVisible();
  void KeepTargetColVisible();
  void TellSelectionOfMove();
  void TellCellTypesScrolled(long bottomBefore, int rightBefore);
  // The x of a column's left or right edge (y of a row's top or bottom edge) in the cell area.
  int ColumnEdge(int col, bool rightEdge) const;
  int RowEdge(long row, bool bottomEdge) const;
  int HeadingCellRect(int col, long row, RECT* rect) const;
  int ContinueEdit(int editCol, long editRow, int nextCol, long nextRow);
  void RedrawIfEditOverflows(const char* text);

  std::vector<CUGDataSource*> m_dataSources{nullptr};  // index 0 is never used
  CUGPtrList m_fontList;                      // CFont objects, each with its use count
  std::vector<std::unique_ptr<CFont>> m_fonts;
  CUGPtrList m_cellTypeList;
  CMenu m_menu;
  int m_menuCol = -1;
  long m_menuRow = -1;
  int m_menuSection = 0;
  CUGCell m_cell;  // scratch for the cell shortcuts
  std::vector<std::unique_ptr<CUGGridInfo>> m_sheets;
  int m_currentSheet = 0;
  bool m_binding = false;      // the dialog's control is being taken over
  bool m_adjusting = false;    // AdjustComponentSizes is running
};
