#pragma once
// Everything that belongs to one sheet of the grid: sizes, positions,
// defaults, its default data source, its multiple selection, cursors and the
// grid-line pen. The control and each of its child windows point at the record
// of the sheet on show.
#include <memory>
#include <vector>

#include "grid/CUGCell.h"
#include "platform/ui/CPen.h"
#include "platform/ui/CRect.h"
#include "platform/ui/CWnd.h"

class CFont;
class CUGCtrl;
class CUGDataSource;
class CUGMem;
class CUGMultiSelect;

class CUGGridInfo {
 public:
  CUGGridInfo();
  ~CUGGridInfo();
  CUGGridInfo(const CUGGridInfo&) = delete;
  CUGGridInfo& operator=(const CUGGridInfo&) = delete;

  // The control the sheet belongs to: its own data source and its selection
  // report to it.
  void SetOwner(CUGCtrl* ctrl);

  struct ColumnInfo {
    int width = 0;
    CUGDataSource* dataSource = nullptr;  // null: the sheet's default source
    std::unique_ptr<CUGCell> colDefault;  // copied from the grid default cell when made
    int colTranslation = 0;               // the column number the data source is asked for
  };

  // Columns. The control keeps m_colInfo as long as m_numberCols.
  int m_numberCols = 0;
  int m_currentCol = -1;
  int m_lastCol = -1;  // the current column at the last move notification
  int m_leftCol = 0;   // first scrolling visible column
  int m_lastLeftCol = 0;
  int m_maxLeftCol = 0;
  int m_defColWidth = 75;  // width of the columns made later
  int m_rightCol = 0;      // last visible column
  int m_dragCol = -1;      // where the last move asked to go
  std::vector<ColumnInfo> m_colInfo;

  // Rows.
  long m_numberRows = 0;
  long m_currentRow = -1;
  long m_lastRow = -1;
  long m_topRow = 0;
  long m_lastTopRow = 0;
  long m_maxTopRow = 0;
  std::vector<int> m_rowHeights;  // one per row while heights are not uniform
  int m_defRowHeight = 20;
  int m_uniformRowHeightFlag = 0;
  long m_bottomRow = 0;  // last visible row
  long m_dragRow = -1;

  // Headings: heading row (column) -k is entry k - 1.
  int m_numberTopHdgRows = 1;
  std::vector<int> m_topHdgHeights{20};
  int m_numberSideHdgCols = 1;
  std::vector<int> m_sideHdgWidths{25};

  std::unique_ptr<CUGCell> m_gridDefaults;  // copied into each new column's default cell
  std::unique_ptr<CUGCell> m_hdgDefaults;   // used for every heading cell
  CUGCell m_cell;                           // scratch

  // Layout.
  int m_topHdgHeight = 20;  // total height of the top heading
  int m_sideHdgWidth = 40;  // total width of the side heading
  int m_vScrollWidth;
  int m_hScrollHeight;
  int m_tabWidth = 0;  // 0: no tab strip
  int m_gridWidth = 0;
  int m_gridHeight = 0;
  CRect m_gridRect, m_topHdgRect, m_sideHdgRect, m_cnrBtnRect, m_tabRect, m_vScrollRect, m_hScrollRect;

  // Switches of the child windows and the control.
  int m_multiSelectFlag = 0;
  int m_highlightStyle = 1;  // bit 2: the current cell is drawn in the highlight colours
  int m_edgeDepth = 1;       // how often raised and sunken cell edges are drawn
  int m_paintMode = 0;       // layout and painting happen only while set
  int m_enablePopupMenu = 0;
  int m_enableMarker = 0;      // set by EnableGridWindows
  int m_userSizingMode = 1;    // 0 no sizing with the mouse, 1 outline sizing, else live sizing
  int m_bestFitOnDClick = 1;   // a double click on a column border best-fits the column
  int m_enableJoins = 1;
  int m_enableColMove = 0;     // heading columns may be dragged to a new place
  int m_textOverflow = 1;      // text may run into an empty neighbour; the editor grows with it
  int m_drawGridLines = 1;     // the right and bottom line of each cell
  int m_vScrollMode = 0;
  int m_hScrollMode = 0;
  int m_dragOntoPartlyVisible = 1;  // 0: a drag selection stops at a partly visible last row or column
  int m_ballisticMode = 0;          // exponent of the drag-scroll acceleration
  int m_ballisticDelay = 200;       // milliseconds slept after a one-cell drag-scroll step
  int m_ballisticKeyMode = 0;
  int m_ballisticKeyDelay = 0;
  int m_highlightRow = 0;         // the whole current row is drawn as current
  int m_fullWidthFocusRect = 0;   // the focus rectangle runs to the cell area's right edge
  int m_enableCellTips = 0;       // the cell area shows tooltips
  int m_enableVScrollHint = 0;    // a hint window follows the vertical thumb
  int m_enableHScrollHint = 0;    // a hint window follows the horizontal thumb
  int m_cancelEditOnLeaving = 0;  // an edit whose focus leaves the grid is cancelled

  // Locked columns and rows stay fixed at the left and top.
  int m_numLockCols = 0;
  long m_numLockRows = 0;
  int m_lockColWidth = 0;
  int m_lockRowHeight = 0;

  CFont* m_defFont = nullptr;
  CUGDataSource* m_defDataSource;  // the sheet's own memory unless replaced
  std::unique_ptr<CUGMem> m_CUGMem;

  // How the current cell is being moved: 0 keyboard or program, 1 left button,
  // 2 right button, 3 mouse drag, 4 scroll bar or wheel; and the key flags of
  // the last button message.
  int m_moveType = 0;
  unsigned m_moveFlags = 0;

  std::unique_ptr<CUGMultiSelect> m_multiSelect;

  HCURSOR m_arrowCursor;
  HCURSOR m_WEResizeCursor;
  HCURSOR m_NSResizeCursor;

  CWnd* m_editCtrl = nullptr;  // the control's two editors
  CWnd* m_maskedEditCtrl = nullptr;

  int m_margin = 4;  // pixels between a cell's edge and its text
  CPen m_defPen;  // the border pen of cells without one
};
