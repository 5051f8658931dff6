#include "grid/CUGCtrl.h"

#include <cstring>
#include <utility>

#include "grid/CUGCell.h"
#include "platform/base/Text.h"
#include "platform/ui/CDC.h"
#include "platform/ui/SystemMetrics.h"

CUGCtrl::CUGCtrl() = default;

CUGCtrl::~CUGCtrl() = default;

void CUGCtrl::OnSetFocus(int) {}

// The control holds no columns yet: every range is out of bounds.
int CUGCtrl::FitColumnsToWindow(int, int) { return 1; }

int CUGCtrl::BestFitColumns(int, int, int, int) { return 1; }

void CUGCtrl::OnSetup() {}
void CUGCtrl::OnSheetSetup(int) {}
int CUGCtrl::OnCanMove(int, long, int, long) { return TRUE; }
int CUGCtrl::OnCanViewMove(int, long, int, long) { return TRUE; }
void CUGCtrl::OnHitBottom(long, long, long) {}
int CUGCtrl::OnCanSizeCol(int) { return TRUE; }
void CUGCtrl::OnColSizing(int, int*) {}
void CUGCtrl::OnColSized(int, int*) {}
int CUGCtrl::OnCanSizeRow(long) { return TRUE; }
void CUGCtrl::OnRowSizing(long, int*) {}
void CUGCtrl::OnRowSized(long, int*) {}
int CUGCtrl::OnCanSizeTopHdg() { return TRUE; }
int CUGCtrl::OnCanSizeSideHdg() { return TRUE; }
int CUGCtrl::OnTopHdgSizing(int*) { return TRUE; }
int CUGCtrl::OnSideHdgSizing(int*) { return TRUE; }
int CUGCtrl::OnTopHdgSized(int*) { return TRUE; }
int CUGCtrl::OnSideHdgSized(int*) { return TRUE; }
void CUGCtrl::OnColChange(int, int) {}
void CUGCtrl::OnRowChange(long, long) {}
void CUGCtrl::OnCellChange(int, int, long, long) {}
void CUGCtrl::OnLeftColChange(int, int) {}
void CUGCtrl::OnTopRowChange(long, long) {}
void CUGCtrl::OnViewMoved(int, long, long) {}
void CUGCtrl::OnSelectionChanged(int, long, int, long, int) {}
void CUGCtrl::OnLClicked(int, long, int, RECT*, POINT*, BOOL) {}
void CUGCtrl::OnRClicked(int, long, int, RECT*, POINT*, BOOL) {}
void CUGCtrl::OnDClicked(int, long, RECT*, POINT*, BOOL) {}
void CUGCtrl::OnMouseMove(int, long, POINT*, UINT, BOOL) {}
void CUGCtrl::OnTopHdgLClicked(int, long, int, RECT*, POINT*, BOOL) {}
void CUGCtrl::OnTopHdgRClicked(int, long, int, RECT*, POINT*, BOOL) {}
void CUGCtrl::OnTopHdgDClicked(int, long, RECT*, POINT*, BOOL) {}
void CUGCtrl::OnSideHdgLClicked(int, long, int, RECT*, POINT*, BOOL) {}
void CUGCtrl::OnSideHdgRClicked(int, long, int, RECT*, POINT*, BOOL) {}
void CUGCtrl::OnSideHdgDClicked(int, long, RECT*, POINT*, BOOL) {}
void CUGCtrl::OnCornerLClicked(int, RECT*, POINT*, BOOL) {}
void CUGCtrl::OnCornerRClicked(int, RECT*, POINT*, BOOL) {}
void CUGCtrl::OnCornerDClicked(RECT*, POINT*, BOOL) {}
void CUGCtrl::OnKeyDown(UINT*, BOOL) {}
void CUGCtrl::OnKeyUp(UINT*, BOOL) {}
void CUGCtrl::OnCharDown(UINT*, BOOL) {}
void CUGCtrl::OnGetCell(int, long, CUGCell*) {}
void CUGCtrl::OnSetCell(int, long, CUGCell*) {}
int CUGCtrl::OnCellTypeNotify(long, int, long, long, std::intptr_t) { return TRUE; }
int CUGCtrl::OnEditStart(int, long, CWnd**) { return TRUE; }
int CUGCtrl::OnEditVerify(int, long, CWnd*, UINT*) { return TRUE; }
int CUGCtrl::OnEditFinish(int, long, CWnd*, const char*, BOOL) { return TRUE; }
int CUGCtrl::OnEditContinue(int, long, int*, long*) { return TRUE; }
void CUGCtrl::OnMenuCommand(int, long, int, int) {}
int CUGCtrl::OnMenuStart(int, long, int) { return TRUE; }
DWORD CUGCtrl::OnGetContextHelpId(int, long, int) { return 0; }

int CUGCtrl::OnHint(int col, long row, int, std::string* text) {
  if (text) *text = ruv::Format("Col:%d Row:%ld", col, row);
  return TRUE;
}

int CUGCtrl::OnVScrollHint(long, std::string*) { return TRUE; }
int CUGCtrl::OnHScrollHint(int, std::string*) { return TRUE; }

int CUGCtrl::OnSortEvaluate(CUGCell* cell1, CUGCell* cell2, int flags) {
  if (!cell1) return cell2 ? 1 : 0;
  if (!cell2) return -1;
  if (flags & kSortDescending) std::swap(cell1, cell2);

  const short type = cell1->GetDataType();
  if (type == CUGCell::kDataNumber || type == 3 || type == CUGCell::kDataCurrency) {
    const double a = cell1->GetNumber();
    const double b = cell2->GetNumber();
    if (a < b) return -1;
    if (a > b) return 1;
    return 0;
  }

  // Cells without text sort after every text.
  const char* text1 = cell1->GetText();
  if (!text1) return 1;
  const char* text2 = cell2->GetText();
  if (!text2) return -1;
  const int order = std::strcmp(text1, text2);  // compares as unsigned characters
  return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

void CUGCtrl::OnPaintDCSetup(CDC*, CDC*, int) {}
void CUGCtrl::OnAdjustComponentSizes(RECT*, RECT*, RECT*, RECT*, RECT*, RECT*, RECT*) {}
void CUGCtrl::OnTabSelected(int) {}

COLORREF CUGCtrl::OnGetDefBackColor(int section) {
  return GetSysColor(section == kSectionCellArea ? COLOR_WINDOW : COLOR_BTNFACE);
}

int CUGCtrl::OnDrawFocusRect(CDC* dc, RECT* rect) {
  if (!dc || !rect) return 0;
  if (const int drawn = DrawFocusByCellType(dc, rect)) return drawn;
  RECT focus = *rect;
  focus.right -= 1;
  focus.bottom -= 1;
  dc->DrawFocusRect(&focus);
  return 0;
}

// No cell type is registered with the control yet; the normal type leaves the focus to the grid.
int CUGCtrl::DrawFocusByCellType(CDC*, RECT*) { return 0; }

void CUGCtrl::OnKillFocus(int section, CWnd*) { OnKillFocusSection(section); }
void CUGCtrl::OnKillFocusSection(int) {}
int CUGCtrl::OnColDragStart(int) { return TRUE; }
int CUGCtrl::OnCanMoveCol(int, int) { return TRUE; }
void CUGCtrl::OnColMoved(int, int) {}
