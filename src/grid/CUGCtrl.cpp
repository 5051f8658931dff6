#include "grid/CUGCtrl.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "grid/CUGCell.h"
#include "grid/CUGCellFormat.h"
#include "grid/CUGCnrBtn.h"
#include "grid/CUGDataSource.h"
#include "grid/CUGGrid.h"
#include "grid/CUGGridInfo.h"
#include "grid/CUGHScroll.h"
#include "grid/CUGHint.h"
#include "grid/CUGSideHdg.h"
#include "grid/CUGTab.h"
#include "grid/CUGTopHdg.h"
#include "grid/CUGVScroll.h"
#include "grid/UGFindReplaceRequest.h"
#include "grid/UGTheme.h"
#include "platform/base/Text.h"
#include "platform/ui/CBitmap.h"
#include "platform/ui/CBrush.h"
#include "platform/ui/CDC.h"
#include "platform/ui/CDialog.h"
#include "platform/ui/CFont.h"
#include "platform/ui/CPaintDC.h"
#include "platform/ui/ControlConstants.h"
#include "platform/ui/SystemMetrics.h"

namespace {

constexpr int kTopHeadingStyleCode = 0x20;
constexpr int kSideHeadingStyleCode = 0x40;
constexpr int kCornerStyleCode = 0x80;  // the square between the scroll bars
constexpr int kMaxFaceNameLength = 31;
constexpr int kHeadingFontExtraWeight = 200;
constexpr int kBestFitStartWidth = 3;
constexpr int kBestFitWidestWithoutArea = 300;
constexpr int kFindWholeCellOff = 1;
constexpr int kFindCaseOff = 2;
constexpr int kFindUpwards = 4;
constexpr int kFindFromStart = 8;

// The client width of a window, 0 without one.
int ClientWidth(const CWnd* window) {
  if (!window || !window->GetSafeHwnd()) return 0;
  RECT rect{};
  window->GetClientRect(&rect);
  return rect.right - rect.left;
}

// The smallest first row (column) from which the rows (columns) to the end
// fit into `available` pixels, counted from the last one upwards; within
// [locked, count - 1] (locked when there are none).
template <typename Index, typename SizeOf>
Index LargestFirst(Index count, Index locked, long long available, SizeOf sizeOf) {
  Index first = count - 1;
  long long used = first >= 0 ? sizeOf(first) : 0;
  while (first - 1 >= locked && used + sizeOf(first - 1) <= available) used += sizeOf(--first);
  return std::max(locked, std::min(first, count - 1));
}

bool SameFontDescription(const LOGFONT& a, const LOGFONT& b) {
  return a.lfHeight == b.lfHeight && a.lfWidth == b.lfWidth && a.lfEscapement == b.lfEscapement &&
         a.lfOrientation == b.lfOrientation && a.lfWeight == b.lfWeight && a.lfItalic == b.lfItalic &&
         a.lfUnderline == b.lfUnderline && a.lfStrikeOut == b.lfStrikeOut && a.lfCharSet == b.lfCharSet &&
         a.lfOutPrecision == b.lfOutPrecision && a.lfClipPrecision == b.lfClipPrecision &&
         a.lfQuality == b.lfQuality && a.lfPitchAndFamily == b.lfPitchAndFamily && a.lfFaceName == b.lfFaceName;
}

// Puts a flag back when the scope ends.
template <typename T>
class ScopedValue {
 public:
  ScopedValue(T& place, T value) : m_place(place), m_saved(place) { m_place = value; }
  ~ScopedValue() { m_place = m_saved; }
  ScopedValue(const ScopedValue&) = delete;
  ScopedValue& operator=(const ScopedValue&) = delete;

 private:
  T& m_place;
  T m_saved;
};

}  // namespace

// ---------------------------------------------------------------- construction

CUGCtrl::CUGCtrl()
    : m_CUGGrid(std::make_unique<CUGGrid>()),
      m_CUGTopHdg(std::make_unique<CUGTopHdg>()),
      m_CUGSideHdg(std::make_unique<CUGSideHdg>()),
      m_CUGCnrBtn(std::make_unique<CUGCnrBtn>()),
      m_CUGVScroll(std::make_unique<CUGVScroll>()),
      m_CUGHScroll(std::make_unique<CUGHScroll>()),
      m_CUGHint(std::make_unique<CUGHint>()),
      m_CUGTab(std::make_unique<CUGTab>()) {
  m_CUGGrid->m_ctrl = this;
  m_CUGTopHdg->m_ctrl = this;
  m_CUGSideHdg->m_ctrl = this;
  m_CUGCnrBtn->m_ctrl = this;
  m_CUGVScroll->m_ctrl = this;
  m_CUGHScroll->m_ctrl = this;
  m_CUGHint->m_ctrl = this;
  m_CUGTab->m_ctrl = this;
  m_defEditCtrl.m_ctrl = this;
  m_defMaskedEditCtrl.m_ctrl = this;
  m_menu.CreatePopupMenu();
  MakePens();
  // The first sheet is set up by whoever shows the control (BindToDialogItem).
  MakeSheets(1, false);
  RegisterCellType(&m_normalCellType);
  RegisterCellType(&m_dropListType);
  RegisterCellType(&m_checkBoxType);
  RegisterCellType(&m_arrowType);
  m_enableUpdate = 1;
}

CUGCtrl::~CUGCtrl() {
  // The windows go while every part they may call is still here.
  if (GetSafeHwnd()) DestroyWindow();
  if (m_CUGHint->GetSafeHwnd()) m_CUGHint->DestroyWindow();
}

void CUGCtrl::MakePens() {
  m_threeDLightPen.DeleteObject();
  m_threeDLightPen.CreatePen(PS_SOLID, 1, GetSysColor(COLOR_3DHILIGHT));
  m_threeDDarkPen.DeleteObject();
  m_threeDDarkPen.CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
}

void CUGCtrl::PointChildrenAt(CUGGridInfo* sheet) {
  m_GI = sheet;
  m_CUGGrid->m_GI = sheet;
  m_CUGTopHdg->m_GI = sheet;
  m_CUGSideHdg->m_GI = sheet;
  m_CUGCnrBtn->m_GI = sheet;
  m_CUGVScroll->m_GI = sheet;
  m_CUGHScroll->m_GI = sheet;
  m_CUGTab->m_GI = sheet;
}

int CUGCtrl::BindToDialogItem(CWnd* dialog, UINT controlId) {
  auto* owner = dynamic_cast<CDialog*>(dialog);
  if (!owner) return 0;
  {
    ScopedValue<bool> binding(m_binding, true);
    if (!owner->SubclassDlgItem(controlId, *this)) return 0;
  }
  ModifyStyle(0, WS_CLIPCHILDREN | WS_TABSTOP);
  if (auto* font = reinterpret_cast<CFont*>(owner->SendMessage(WM_GETFONT))) {
    LOGFONT lf;
    if (font->GetLogFont(&lf)) {
      SetDefFont(AddFontIndirect(lf));
      lf.lfWeight += kHeadingFontExtraWeight;
      if (CFont* heading = GetFont(AddFontIndirect(lf))) m_GI->m_hdgDefaults->SetFont(heading);
    }
  }
  BuildChildWindows();
  if (GetExStyle() & WS_EX_RTLREADING) SetRightToLeft(1);
  OnSetup();
  OnSheetSetup(0);
  m_GI->m_paintMode = 1;
  AdjustComponentSizes();
  return 1;
}

void CUGCtrl::BuildChildWindows() {
  if (!GetSafeHwnd() || m_CUGGrid->GetSafeHwnd()) return;
  const CRect none(0, 0, 0, 0);
  constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
  m_CUGGrid->CreateEx(0, "", "", kChild, none, this, kIdCellArea);
  m_CUGTopHdg->CreateEx(0, "", "", kChild, none, this, kIdTopHeading);
  m_CUGSideHdg->CreateEx(0, "", "", kChild, none, this, kIdSideHeading);
  m_CUGCnrBtn->CreateEx(0, "", "", kChild, none, this, kIdCornerButton);
  m_CUGTab->CreateEx(0, "", "", kChild, none, this, kIdTabStrip);
  m_CUGVScroll->CreateEx(0, "", "", kChild | SBS_VERT, none, this, kIdVScroll);
  m_CUGHScroll->CreateEx(0, "", "", kChild, none, this, kIdHScroll);
  m_CUGHint->Create(this);
  m_defEditCtrl.CreateEx(0, "", "", WS_CHILD | ES_MULTILINE | ES_AUTOVSCROLL, none, this, kIdEdit);
  m_defMaskedEditCtrl.CreateEx(0, "", "", WS_CHILD | ES_AUTOHSCROLL, none, this, kIdMaskedEdit);
  // Qt would show them with the control; they stay hidden until an edit opens.
  m_defEditCtrl.ShowWindow(SW_HIDE);
  m_defMaskedEditCtrl.ShowWindow(SW_HIDE);
}

// ---------------------------------------------------------------- window messages

BOOL CUGCtrl::PreCreateWindow(CREATESTRUCT& cs) {
  cs.style |= WS_CLIPCHILDREN;
  return CWnd::PreCreateWindow(cs);
}

int CUGCtrl::OnCreate(LPCREATESTRUCT cs) {
  if (CWnd::OnCreate(cs) == -1) return -1;
  // A control taken over from a dialog builds its children once it is bound.
  if (!m_binding) BuildChildWindows();
  return 0;
}

LRESULT CUGCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  static const UINT findReplaceMessage = RegisterWindowMessage(kFindReplaceMessageName);
  switch (message) {
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTALLKEYS;
    case UGCT_MESSAGE: return GetCellType(static_cast<int>(wParam))->OnMessage(lParam);
    case WM_SYSCOLORCHANGE: {
      const LRESULT result = CWnd::WindowProc(message, wParam, lParam);
      for (int id = 0; id < m_cellTypeList.GetCount(); ++id) {
        if (auto* type = static_cast<CUGCellType*>(m_cellTypeList.GetPointer(id))) type->OnSystemChange();
      }
      m_GI->m_hdgDefaults->SetBackColor(GetSysColor(COLOR_BTNFACE));
      MakePens();
      return result;
    }
    default: break;
  }
  if (findReplaceMessage != 0 && message == findReplaceMessage)
    return OnFindReplace(reinterpret_cast<UGFindReplaceRequest*>(lParam));
  return CWnd::WindowProc(message, wParam, lParam);
}

void CUGCtrl::OnSetFocus(CWnd*) {
  if (!m_CUGGrid->GetSafeHwnd()) return;
  m_CUGGrid->SetFocus();
  m_CUGGrid->Invalidate(FALSE);
}

void CUGCtrl::OnSize(UINT, int, int) {
  Invalidate();
  m_enableUpdate = 0;
  AdjustComponentSizes();
  m_enableUpdate = 1;
}

void CUGCtrl::OnPaint() {
  CPaintDC dc(this);
  if (!m_GI || !m_GI->m_paintMode) return;
  // Only the square between the two scroll bars is the control's own; the
  // children cover the rest.
  RECT client{};
  GetClientRect(&client);
  RECT square{client.right - m_GI->m_vScrollWidth, client.bottom - m_GI->m_hScrollHeight, client.right,
              client.bottom};
  if (!(UGThemeIsActive() && UGThemeDrawBackground(this, &dc, kCornerStyleCode, 0, &square, nullptr))) {
    CBrush face(GetSysColor(COLOR_BTNFACE));
    dc.FillRect(&square, &face);
  }
}

void CUGCtrl::OnDestroy() {
  CWnd::OnDestroy();
  if (m_CUGHint->GetSafeHwnd()) m_CUGHint->DestroyWindow();
}

CScrollBar* CUGCtrl::GetScrollBarCtrl(int bar) const {
  if (bar == SB_VERT) return m_CUGVScroll.get();
  return m_CUGHScroll.get();
}

void CUGCtrl::OnHScroll(UINT code, UINT position, CWnd*) { m_CUGHScroll->HScroll(code, position); }

void CUGCtrl::OnVScroll(UINT code, UINT position, CWnd*) { m_CUGVScroll->VScroll(code, position); }

BOOL CUGCtrl::OnCommand(WPARAM wParam, LPARAM lParam) {
  const UINT id = LOWORD(wParam);
  if (id >= kFirstMenuCommand) OnMenuCommand(m_menuCol, m_menuRow, m_menuSection, static_cast<int>(id));
  return CWnd::OnCommand(wParam, lParam);
}

void CUGCtrl::AddDrawHint(int startCol, long startRow, int endCol, long endRow) {
  m_CUGGrid->AddDrawHint(startCol, startRow, endCol, endRow);
}

// ---------------------------------------------------------------- cells

CUGDataSource* CUGCtrl::SourceOf(int col, int* sourceCol) const {
  if (col >= 0 && col < m_GI->m_numberCols) {
    const CUGGridInfo::ColumnInfo& column = m_GI->m_colInfo[static_cast<size_t>(col)];
    if (sourceCol) *sourceCol = column.colTranslation;
    return column.dataSource ? column.dataSource : m_GI->m_defDataSource;
  }
  if (sourceCol) *sourceCol = col;
  return m_GI->m_defDataSource;
}

int CUGCtrl::FetchCell(int col, long row, CUGCell* cell) {
  if (!cell) return 1;
  cell->SetPropertyFlags(0);
  if (col >= 0 && row >= 0 && col < m_GI->m_numberCols) {
    if (const CUGCell* columnDefault = m_GI->m_colInfo[static_cast<size_t>(col)].colDefault.get())
      cell->CopyInfoFrom(columnDefault);
  } else {
    cell->CopyInfoFrom(m_GI->m_hdgDefaults.get());
    if (row == -m_GI->m_numberTopHdgRows) cell->SetVisualStyleCode(kTopHeadingStyleCode);
    else if (col == -m_GI->m_numberSideHdgCols) cell->SetVisualStyleCode(kSideHeadingStyleCode);
  }
  if (row < m_GI->m_numberRows) {
    int sourceCol = col;
    if (CUGDataSource* source = SourceOf(col, &sourceCol)) source->GetCell(sourceCol, row, cell);
    OnGetCell(sourceCol, row, cell);
  }
  if (cell->IsPropertySet(CUGCell::kPropFormat) && cell->GetFormatClass()) cell->GetFormatClass()->ApplyFormat(cell);
  if (cell->IsPropertySet(CUGCell::kPropCellStyle) && cell->GetCellStyle()) cell->GetCellStyle()->AddInfoTo(cell);
  return 0;
}

int CUGCtrl::ReadCell(int col, long row, CUGCell* cell) {
  if (!cell) return 1;
  cell->SetAttached(nullptr);
  if (col >= m_GI->m_numberCols) return 1;
  cell->SetPropertyFlags(0);
  int sourceCol = col;
  CUGDataSource* source = SourceOf(col, &sourceCol);
  return source ? source->GetCell(sourceCol, row, cell) : 1;
}

int CUGCtrl::WriteCell(int col, long row, CUGCell* cell) {
  if (!cell) return 1;
  if (col < -m_GI->m_numberSideHdgCols || col >= m_GI->m_numberCols) return 1;
  // A row at the row count would be stored where the grid shows nothing.
  if (row < -m_GI->m_numberTopHdgRows || row >= m_GI->m_numberRows) return 1;
  OnSetCell(col, row, cell);
  // Headings of a column are kept under its data-source column like its cells,
  // so they move with it.
  int sourceCol = col;
  if (CUGDataSource* source = SourceOf(col, &sourceCol)) source->SetCell(sourceCol, row, cell);
  return 0;
}

int CUGCtrl::PutCellText(int col, long row, const char* text) {
  return PutThroughScratch<const char*>(col, row, &CUGCell::SetText, text);
}

int CUGCtrl::PutCellNumber(int col, long row, double number) {
  return PutThroughScratch<double>(col, row, &CUGCell::SetNumber, number);
}

int CUGCtrl::PutCellTextColor(int col, long row, COLORREF color) {
  return PutThroughScratch<COLORREF>(col, row, &CUGCell::SetTextColor, color);
}

int CUGCtrl::PutCellBackColor(int col, long row, COLORREF color) {
  return PutThroughScratch<COLORREF>(col, row, &CUGCell::SetBackColor, color);
}

int CUGCtrl::PutCellType(int col, long row, int cellType) {
  return PutThroughScratch<int>(col, row, &CUGCell::SetCellType, cellType);
}

const char* CUGCtrl::GetCellText(int col, long row) {
  FetchCell(col, row, &m_cell);
  return m_cell.GetText();
}

int CUGCtrl::GetHeadingDefault(CUGCell* cell) {
  if (!cell) return 1;
  cell->CopyInfoFrom(m_GI->m_hdgDefaults.get());
  return 0;
}

int CUGCtrl::SetHeadingDefault(CUGCell* cell) {
  if (!cell) return 1;
  m_GI->m_hdgDefaults->CopyInfoFrom(cell);
  return 0;
}

int CUGCtrl::GetDataSourceCol(int col) {
  if (col < 0 || col >= m_GI->m_numberCols) return col;
  return m_GI->m_colInfo[static_cast<size_t>(col)].colTranslation;
}

int CUGCtrl::GridColOfDataSourceCol(int dataSourceCol) const {
  for (int col = 0; col < m_GI->m_numberCols; ++col)
    if (m_GI->m_colInfo[static_cast<size_t>(col)].colTranslation == dataSourceCol) return col;
  return -1;
}

// ---------------------------------------------------------------- cell types and data sources

CUGCellType* CUGCtrl::GetCellType(int id) {
  if (id < 1) return &m_normalCellType;
  auto* type = static_cast<CUGCellType*>(m_cellTypeList.GetPointer(id));
  return type ? type : &m_normalCellType;
}

CUGCellType* CUGCtrl::CellTypeOf(CUGCell* cell) {
  if (!cell || !cell->IsPropertySet(CUGCell::kPropCellType)) return &m_normalCellType;
  return GetCellType(cell->GetCellType());
}

CUGCellType* CUGCtrl::CellTypeOf(int col, long row) {
  CUGCell cell;
  FetchCell(col, row, &cell);
  return CellTypeOf(&cell);
}

int CUGCtrl::RegisterCellType(CUGCellType* cellType) {
  if (!cellType) return -1;
  const int id = m_cellTypeList.AddPointer(cellType);
  if (id < 0) return -1;
  cellType->SetControl(this);
  cellType->SetID(id);
  return id;
}

int CUGCtrl::AddDataSource(CUGDataSource* source) {
  if (!source) return -1;
  source->m_ctrl = this;
  // Sources are never taken out again: the next index is the table's end.
  if (static_cast<int>(m_dataSources.size()) > kMaxDataSources) return -1;
  const int index = static_cast<int>(m_dataSources.size());
  m_dataSources.push_back(source);
  source->m_ID = index;
  return index;
}

CUGDataSource* CUGCtrl::GetDataSource(int index) const {
  if (index < 1 || index >= static_cast<int>(m_dataSources.size())) return nullptr;
  return m_dataSources[static_cast<size_t>(index)];
}

// ---------------------------------------------------------------- redrawing

void CUGCtrl::RepaintCell(int col, long row) {
  if (col < 0) {
    m_CUGSideHdg->Update();
  } else if (row < 0) {
    m_CUGTopHdg->Update();
  } else {
    m_CUGGrid->RefreshCell(col, row);
  }
}

void CUGCtrl::RedrawAll() { UpdateChildWindows(); }

void CUGCtrl::UpdateChildWindows() {
  if (!m_enableUpdate) return;
  m_CUGGrid->Update();
  m_CUGCnrBtn->Update();
  m_CUGVScroll->Update();
  m_CUGHScroll->Update();
  m_CUGTab->Update();
  m_CUGTopHdg->Update();
  m_CUGSideHdg->Update();
}

void CUGCtrl::RedrawRange(int startCol, long startRow, int endCol, long endRow) {
  m_CUGGrid->RefreshRange(startCol, startRow, endCol, endRow);
}

int CUGCtrl::EnableGridWindows(BOOL enable) {
  m_CUGGrid->EnableWindow(enable);
  m_CUGTopHdg->EnableWindow(enable);
  m_CUGSideHdg->EnableWindow(enable);
  m_CUGCnrBtn->EnableWindow(enable);
  m_GI->m_enableMarker = 1;
  return 0;
}

int CUGCtrl::SetRightToLeft(int mode) {
  const bool mirrored = (GetExStyle() & WS_EX_LAYOUTRTL) != 0;
  if ((mode != 0) == mirrored) return 1;
  const DWORD remove = mode ? 0 : WS_EX_LAYOUTRTL;
  const DWORD add = mode ? WS_EX_LAYOUTRTL : 0;
  CWnd* windows[] = {this,
                     m_CUGGrid.get(),
                     m_CUGTopHdg.get(),
                     m_CUGSideHdg.get(),
                     m_CUGCnrBtn.get(),
                     m_CUGVScroll.get(),
                     m_CUGHScroll.get(),
                     m_CUGTab.get(),
                     &m_defEditCtrl,
                     &m_defMaskedEditCtrl};
  for (CWnd* window : windows) {
    window->ModifyStyleEx(remove, add);
    window->Invalidate();
  }
  if (m_CUGTab->GetSafeHwnd()) {
    RECT strip{};
    m_CUGTab->GetClientRect(&strip);
    m_CUGTab->SendMessage(WM_SIZE, SIZE_RESTORED, MAKELPARAM(strip.right, strip.bottom));
  }
  RedrawWindow();
  return 0;
}

// ---------------------------------------------------------------- sizes

int CUGCtrl::ColCount() const { return m_GI->m_numberCols; }
long CUGCtrl::RowCount() const { return m_GI->m_numberRows; }

int CUGCtrl::ColWidth(int col) const {
  if (col < 0 || col >= m_GI->m_numberCols) return 0;
  return m_GI->m_colInfo[static_cast<size_t>(col)].width;
}

int CUGCtrl::GetColWidth(int col, int* width) const {
  if (!width || col >= m_GI->m_numberCols) return 1;
  if (col < 0) {
    const int index = -col - 1;
    if (index >= m_GI->m_numberSideHdgCols) return 1;
    *width = m_GI->m_sideHdgWidths[static_cast<size_t>(index)];
    return 0;
  }
  *width = m_GI->m_colInfo[static_cast<size_t>(col)].width;
  return 0;
}

int CUGCtrl::RowHeight(long row) const {
  if (row < 0 || row >= m_GI->m_numberRows) return 0;
  if (m_GI->m_uniformRowHeightFlag || static_cast<size_t>(row) >= m_GI->m_rowHeights.size())
    return m_GI->m_defRowHeight;
  return m_GI->m_rowHeights[static_cast<size_t>(row)];
}

int CUGCtrl::SetDefColWidth(int width) {
  if (width < 0) return 1;
  m_GI->m_defColWidth = width;
  return 0;
}

int CUGCtrl::SetUniformRowHeight(int flag) {
  if (flag) {
    m_GI->m_uniformRowHeightFlag = 1;
    m_GI->m_rowHeights.clear();
  } else {
    m_GI->m_uniformRowHeightFlag = 0;
    if (m_GI->m_rowHeights.empty())
      m_GI->m_rowHeights.assign(static_cast<size_t>(m_GI->m_numberRows), m_GI->m_defRowHeight);
  }
  return 0;
}

void CUGCtrl::NotifyColumnCellsOfWidth(int col, int* width) {
  CUGCell cell;
  for (long row = m_GI->m_topRow; row < m_GI->m_bottomRow; ++row) {
    FetchCell(col, row, &cell);
    CellTypeOf(&cell)->OnChangedCellWidth(col, row, width);
  }
}

int CUGCtrl::ChangeColumnWidth(int col, int width) {
  if (col < 0) {
    if (-col - 1 < m_GI->m_numberSideHdgCols) return SetSideHeadingColWidth(col, width);
    return 1;
  }
  if (col >= m_GI->m_numberCols) return 1;
  if (IsWindowVisible() && m_GI->m_paintMode == 1) {
    NotifyColumnCellsOfWidth(col, &width);
    OnColSized(col, &width);
  }
  m_GI->m_colInfo[static_cast<size_t>(col)].width = width;
  if (col < m_GI->m_numLockCols) CalcLockColWidth();
  return 0;
}

int CUGCtrl::ChangeRowHeight(long row, int height) {
  if (row < 0) {
    if (-row - 1 < m_GI->m_numberTopHdgRows) return SetTopHeadingRowHeight(static_cast<int>(row), height);
    return 1;
  }
  if (row >= m_GI->m_numberRows) return 1;
  if (IsWindowVisible() && m_GI->m_paintMode == 1) {
    CUGCell cell;
    for (int col = m_GI->m_leftCol; col < m_GI->m_rightCol; ++col) {
      FetchCell(col, row, &cell);
      CellTypeOf(&cell)->OnChangedCellHeight(col, row, &height);
    }
    OnRowSized(row, &height);
  }
  if (m_GI->m_uniformRowHeightFlag || m_GI->m_rowHeights.empty()) m_GI->m_defRowHeight = height;
  else m_GI->m_rowHeights[static_cast<size_t>(row)] = height;
  if (row < m_GI->m_numLockRows) CalcLockRowHeight();
  return 0;
}

int CUGCtrl::SetTopHeadingRowHeight(int row, int height) {
  return SetHeadingSize(m_GI->m_topHdgHeights, m_GI->m_numberTopHdgRows, &m_GI->m_topHdgHeight, row, height);
}

int CUGCtrl::SetSideHeadingColWidth(int col, int width) {
  return SetHeadingSize(m_GI->m_sideHdgWidths, m_GI->m_numberSideHdgCols, &m_GI->m_sideHdgWidth, col, width);
}

// Heading row (column) -k is entry k - 1; with one heading row (column) its
// size is the whole heading's.
int CUGCtrl::SetHeadingSize(std::vector<int>& sizes, int count, int* total, int number, int size) {
  const int index = -number - 1;
  if (index < 0 || index >= count || index >= static_cast<int>(sizes.size())) return 1;
  if (size > kMaxHeadingSize) return 2;
  sizes[static_cast<size_t>(index)] = size;
  if (count == 1) *total = size;
  return 0;
}

int CUGCtrl::SetSideHeadingWidth(int width) {
  if (width < 0 || width > kMaxHeadingSize) return 1;
  m_GI->m_sideHdgWidth = width;
  ScaleHeadingSizes(m_GI->m_sideHdgWidths, width);
  AdjustComponentSizes();
  return 0;
}

void CUGCtrl::ScaleHeadingSizes(std::vector<int>& sizes, int total) {
  long long sum = 0;
  for (int size : sizes) sum += size;
  if (sum == 0) {
    // Nothing to scale by: the outermost heading row or column takes the whole size.
    std::fill(sizes.begin(), sizes.end(), 0);
    if (!sizes.empty()) sizes.back() = total;
  } else {
    const double scale = static_cast<double>(total) / static_cast<double>(sum);
    for (int& size : sizes) size = static_cast<int>(size * scale + 0.5);
  }
}

int CUGCtrl::SetTopHeadingHeight(int height) {
  if (height < 0 || height > kMaxHeadingSize) return 1;
  m_GI->m_topHdgHeight = height;
  ScaleHeadingSizes(m_GI->m_topHdgHeights, height);
  AdjustComponentSizes();
  return 0;
}

void CUGCtrl::CalcLockColWidth() {
  int width = 0;
  for (int col = 0; col < m_GI->m_numLockCols && col < m_GI->m_numberCols; ++col) width += ColWidth(col);
  m_GI->m_lockColWidth = width;
}

void CUGCtrl::CalcLockRowHeight() {
  int height = 0;
  for (long row = 0; row < m_GI->m_numLockRows && row < m_GI->m_numberRows; ++row) height += RowHeight(row);
  m_GI->m_lockRowHeight = height;
}

void CUGCtrl::CalcMaxTopRow() {
  const long before = m_GI->m_maxTopRow;
  m_GI->m_maxTopRow = LargestFirst<long>(m_GI->m_numberRows, m_GI->m_numLockRows,
                                         m_GI->m_gridHeight - m_GI->m_lockRowHeight,
                                         [this](long row) { return RowHeight(row); });
  m_GI->m_topRow = std::max(m_GI->m_numLockRows, std::min(m_GI->m_topRow, m_GI->m_maxTopRow));
  if ((before == 0) != (m_GI->m_maxTopRow == 0)) AdjustComponentSizes();
}

void CUGCtrl::CalcMaxLeftCol() {
  const int before = m_GI->m_maxLeftCol;
  m_GI->m_maxLeftCol = LargestFirst<int>(m_GI->m_numberCols, m_GI->m_numLockCols,
                                         m_GI->m_gridWidth - m_GI->m_lockColWidth,
                                         [this](int col) { return ColWidth(col); });
  m_GI->m_leftCol = std::max(m_GI->m_numLockCols, std::min(m_GI->m_leftCol, m_GI->m_maxLeftCol));
  if ((before == 0) != (m_GI->m_maxLeftCol == 0)) AdjustComponentSizes();
}

int CUGCtrl::SetLockedCols(int count) {
  if (count < 0 || count > m_GI->m_numberCols) return 1;
  m_GI->m_numLockCols = count;
  CalcLockColWidth();
  m_GI->m_leftCol = count;
  m_GI->m_lastLeftCol = count;
  CalcMaxLeftCol();
  return 0;
}

int CUGCtrl::SetLockedRows(long count) {
  if (count < 0 || count > m_GI->m_numberRows) return 1;
  m_GI->m_numLockRows = count;
  CalcLockRowHeight();
  m_GI->m_topRow = count;
  m_GI->m_lastTopRow = count;
  CalcMaxTopRow();
  return 0;
}

int CUGCtrl::MoveColPosition(int col, int position, BOOL before) {
  const int target = before ? position : position + 1;
  if (col < 0 || col >= m_GI->m_numberCols || target < 0 || target > m_GI->m_numberCols) return 1;
  if (target == col || target == col + 1) return 0;
  auto& columns = m_GI->m_colInfo;
  CUGGridInfo::ColumnInfo moving = std::move(columns[static_cast<size_t>(col)]);
  columns.erase(columns.begin() + col);
  const int place = target > col ? target - 1 : target;
  columns.insert(columns.begin() + place, std::move(moving));
  CalcLockColWidth();
  return 0;
}

void CUGCtrl::InitColumn(CUGGridInfo::ColumnInfo& column, int col) {
  column.width = m_GI->m_defColWidth;
  column.dataSource = nullptr;
  column.colDefault = std::make_unique<CUGCell>();
  column.colDefault->CopyInfoFrom(m_GI->m_gridDefaults.get());
  column.colTranslation = col;
}

int CUGCtrl::ResizeCols(int count, BOOL redraw) {
  if (count < 0 || count > kMaxCols) return 1;
  if (count >= 1 && count <= m_GI->m_numLockCols) m_GI->m_numLockCols = count - 1;
  const int before = m_GI->m_numberCols;
  m_GI->m_colInfo.resize(static_cast<size_t>(count));
  for (int col = before; col < count; ++col) InitColumn(m_GI->m_colInfo[static_cast<size_t>(col)], col);
  m_GI->m_numberCols = count;
  CalcMaxLeftCol();
  if (m_GI->m_currentCol >= count) {
    m_GI->m_currentCol = count - 1;
    m_GI->m_dragCol = count - 1;
  }
  CalcLockColWidth();
  if (m_GI->m_currentCol < 0 && count >= 1) GotoCol(0);
  if (redraw && m_enableUpdate) RedrawAll();
  return 0;
}

int CUGCtrl::ResizeRows(long count, BOOL redraw) {
  if (count < 0) return 1;
  if (count >= 1 && count <= m_GI->m_numLockRows) m_GI->m_numLockRows = count - 1;
  m_GI->m_numberRows = count;
  if (count >= kUniformRowsFrom) {
    m_GI->m_uniformRowHeightFlag = 1;
    m_GI->m_rowHeights.clear();
    m_GI->m_rowHeights.shrink_to_fit();
  }
  if (!m_GI->m_uniformRowHeightFlag) m_GI->m_rowHeights.resize(static_cast<size_t>(count), m_GI->m_defRowHeight);
  const long topBefore = m_GI->m_topRow;
  CalcMaxTopRow();
  if (m_GI->m_topRow != topBefore) NotifyMoved();
  if (m_GI->m_currentRow >= count) m_GI->m_currentRow = count - 1;
  if (m_GI->m_lastRow >= count) m_GI->m_lastRow = count - 1;
  if (m_GI->m_dragRow >= count) m_GI->m_dragRow = count - 1;
  CalcLockRowHeight();
  if (m_GI->m_currentRow < 0 && count >= 1) GotoRow(0);
  if (redraw && m_enableUpdate) RedrawAll();
  return 0;
}

int CUGCtrl::SetVScrollMode(int mode) {
  m_GI->m_vScrollMode = mode;
  m_CUGVScroll->Update();
  return 0;
}

int CUGCtrl::SetHScrollMode(int mode) {
  m_GI->m_hScrollMode = mode;
  m_CUGHScroll->Update();
  return 0;
}

int CUGCtrl::VScrollWidth() const { return m_GI->m_vScrollWidth; }
int CUGCtrl::HScrollHeight() const { return m_GI->m_hScrollHeight; }

int CUGCtrl::SetPaintingEnabled(int flag) {
  m_GI->m_paintMode = flag;
  if (flag) AdjustComponentSizes();
  return 0;
}

int CUGCtrl::SetTextOverflow(int flag) {
  m_GI->m_textOverflow = flag ? 1 : 0;
  return 0;
}

// ---------------------------------------------------------------- layout

void CUGCtrl::AdjustComponentSizes() {
  if (!m_GI || !GetSafeHwnd() || m_adjusting) return;
  ScopedValue<bool> adjusting(m_adjusting, true);
  CUGGridInfo& gi = *m_GI;
  // The bars' sizes and the tab width are zeroed for this layout only.
  ScopedValue<int> keepVScroll(gi.m_vScrollWidth, gi.m_vScrollWidth);
  ScopedValue<int> keepHScroll(gi.m_hScrollHeight, gi.m_hScrollHeight);
  ScopedValue<int> keepTab(gi.m_tabWidth, gi.m_tabWidth);

  RECT client{};
  GetClientRect(&client);
  const int clientWidth = client.right - client.left;
  const int clientHeight = client.bottom - client.top;
  int availableWidth = clientWidth - gi.m_sideHdgWidth;
  int availableHeight = clientHeight - gi.m_topHdgHeight;

  long long columnsWidth = 0;
  for (int col = 0; col < gi.m_numberCols && columnsWidth <= availableWidth; ++col) columnsWidth += ColWidth(col);
  long long rowsHeight = 0;
  for (long row = 0; row < gi.m_numberRows && rowsHeight <= availableHeight; ++row) rowsHeight += RowHeight(row);

  if (gi.m_tabWidth > 0 || columnsWidth > availableWidth) availableHeight -= gi.m_hScrollHeight;
  const bool rowsFit = rowsHeight <= availableHeight;
  if (!rowsFit) availableWidth -= gi.m_vScrollWidth;
  const bool columnsFit = columnsWidth <= availableWidth;
  if (columnsFit && gi.m_tabWidth == 0) gi.m_hScrollHeight = 0;
  if (rowsFit) gi.m_vScrollWidth = 0;

  if (columnsFit && gi.m_tabWidth > 0) gi.m_tabWidth = clientWidth + 6;
  else gi.m_tabWidth = std::min(gi.m_tabWidth, availableWidth - gi.m_vScrollWidth);

  const int vWidth = gi.m_vScrollWidth;
  const int hHeight = gi.m_hScrollHeight;
  const int sideWidth = gi.m_sideHdgWidth;
  const int topHeight = gi.m_topHdgHeight;
  RECT vScroll{clientWidth - vWidth, 0, clientWidth, clientHeight - hHeight};
  RECT hScroll{gi.m_tabWidth, clientHeight - hHeight, clientWidth - vWidth, clientHeight};
  RECT tab{0, clientHeight - hHeight, gi.m_tabWidth, clientHeight};
  RECT corner{0, 0, sideWidth, topHeight};
  RECT topHeading{sideWidth, 0, clientWidth - vWidth, topHeight};
  RECT sideHeading{0, topHeight, sideWidth, clientHeight - hHeight};
  RECT cellArea{sideWidth, topHeight, clientWidth - vWidth, clientHeight - hHeight};
  gi.m_gridWidth = cellArea.right - cellArea.left;
  gi.m_gridHeight = cellArea.bottom - cellArea.top;

  OnAdjustComponentSizes(&cellArea, &topHeading, &sideHeading, &corner, &vScroll, &hScroll, &tab);
  gi.m_gridRect = cellArea;
  gi.m_topHdgRect = topHeading;
  gi.m_sideHdgRect = sideHeading;
  gi.m_cnrBtnRect = corner;
  gi.m_vScrollRect = vScroll;
  gi.m_hScrollRect = hScroll;
  gi.m_tabRect = tab;

  if (gi.m_paintMode == 1 && m_CUGGrid->GetSafeHwnd()) {
    if (m_tabSizing) {
      m_CUGHScroll->MoveWindow(hScroll);
      m_CUGTab->MoveWindow(tab);
      m_CUGTab->Update();
      m_CUGHScroll->Update();
    } else {
      m_CUGGrid->MoveWindow(cellArea);
      m_CUGTopHdg->MoveWindow(topHeading);
      m_CUGSideHdg->MoveWindow(sideHeading);
      m_CUGCnrBtn->MoveWindow(corner);
      m_CUGVScroll->MoveWindow(vScroll);
      m_CUGHScroll->MoveWindow(hScroll);
      m_CUGTab->MoveWindow(tab);
      CalcMaxTopRow();
      CalcMaxLeftCol();
      UpdateChildWindows();
    }
  }
  gi.m_lastTopRow = gi.m_topRow;
  gi.m_lastLeftCol = gi.m_leftCol;
}

int CUGCtrl::BestFitColumns(int startCol, int endCol, int rowsToCheck, int flags) {
  if (startCol < -m_GI->m_numberSideHdgCols) return 1;
  if (endCol >= m_GI->m_numberCols) return 2;
  if (startCol > endCol) return 3;

  std::vector<int> best(static_cast<size_t>(endCol - startCol + 1), kBestFitStartWidth);
  CDC dc;
  dc.CreateCompatibleDC(nullptr);
  CBitmap surface;
  surface.CreateCompatibleBitmap(&dc, 1, 1);
  CBitmap* oldSurface = dc.SelectObject(&surface);
  CUGCell cell;
  long row = (flags & 1) ? -m_GI->m_numberTopHdgRows : 0;
  for (int visited = 0; visited < rowsToCheck && row < m_GI->m_numberRows; ++visited, ++row) {
    // The rows hidden above the top row are not looked at.
    if (row >= m_GI->m_numLockRows && row < m_GI->m_topRow) row = m_GI->m_topRow;
    if (row >= m_GI->m_numberRows) break;
    for (int col = startCol; col <= endCol; ++col) {
      FetchCell(col, row, &cell);
      if (cell.GetJoinInfo(nullptr, nullptr, nullptr) == 0) continue;
      CSize size(0, row < 0 ? m_GI->m_topHdgHeights[static_cast<size_t>(-row - 1)] : RowHeight(row));
      CellTypeOf(&cell)->GetBestSize(&dc, &size, &cell);
      int& width = best[static_cast<size_t>(col - startCol)];
      width = std::max(width, static_cast<int>(size.cx));
    }
  }
  if (oldSurface) dc.SelectObject(oldSurface);

  const int areaWidth = ClientWidth(m_CUGGrid.get());
  const int widest = areaWidth == 0 ? kBestFitWidestWithoutArea : areaWidth - m_GI->m_vScrollWidth;
  int sideHeadingWidth = 0;
  for (int col = startCol; col <= endCol; ++col) {
    const int fit = best[static_cast<size_t>(col - startCol)];
    int width = fit > widest ? widest : fit + 2;
    if (col >= 0) NotifyColumnCellsOfWidth(col, &width);
    OnColSized(col, &width);
    if (col >= 0) {
      m_GI->m_colInfo[static_cast<size_t>(col)].width = width;
      if (col < m_GI->m_numLockCols) CalcLockColWidth();
    } else {
      SetSideHeadingColWidth(col, width);
      sideHeadingWidth += width;
    }
  }
  if (sideHeadingWidth > 0) SetSideHeadingWidth(sideHeadingWidth);
  AdjustComponentSizes();
  return 0;
}

int CUGCtrl::FitColumnsToWindow(int firstCol, int lastCol) {
  const int paintMode = m_GI->m_paintMode;
  if (!paintMode) {
    m_GI->m_paintMode = 1;
    AdjustComponentSizes();
  }
  int result = 1;
  if (firstCol >= 0 && firstCol <= lastCol && lastCol < m_GI->m_numberCols) {
    long long sum = 0;
    for (int col = firstCol; col <= lastCol; ++col) sum += ColWidth(col);
    // Columns without width cannot be scaled to anything.
    if (sum > 0) {
      const int areaWidth = m_CUGGrid->GetSafeHwnd() ? ClientWidth(m_CUGGrid.get()) : m_GI->m_gridWidth;
      const float scale = static_cast<float>(areaWidth) / static_cast<float>(sum);
      int remaining = areaWidth;
      for (int col = firstCol; col < lastCol; ++col) {
        auto& column = m_GI->m_colInfo[static_cast<size_t>(col)];
        column.width = static_cast<int>(static_cast<float>(column.width) * scale);
        remaining -= column.width;
      }
      m_GI->m_colInfo[static_cast<size_t>(lastCol)].width = remaining;
      CalcLockColWidth();
      result = 0;
    }
  }
  m_GI->m_paintMode = paintMode;
  RedrawAll();
  return result;
}

// ---------------------------------------------------------------- sheets

int CUGCtrl::ResizeSheets(int count) {
  if (count < 1 || count > kMaxSheets) return 1;
  MakeSheets(count, true);
  return 0;
}

void CUGCtrl::MakeSheets(int count, bool setUp) {
  if (m_currentSheet >= count) SetSheet(count - 1, TRUE);
  m_sheets.resize(std::min(static_cast<size_t>(count), m_sheets.size()));
  while (static_cast<int>(m_sheets.size()) < count) {
    const int index = static_cast<int>(m_sheets.size());
    auto sheet = std::make_unique<CUGGridInfo>();
    sheet->SetOwner(this);
    sheet->m_editCtrl = &m_defEditCtrl;
    sheet->m_maskedEditCtrl = &m_defMaskedEditCtrl;
    CUGGridInfo* made = sheet.get();
    m_sheets.push_back(std::move(sheet));
    if (!m_GI) {
      m_currentSheet = index;
      PointChildrenAt(made);
    }
    if (setUp) {
      // The new sheet is the current one while its owner sets it up.
      CUGGridInfo* shown = m_GI;
      const int shownIndex = m_currentSheet;
      m_currentSheet = index;
      PointChildrenAt(made);
      OnSheetSetup(index);
      made->m_paintMode = 1;
      m_currentSheet = shownIndex;
      PointChildrenAt(shown);
    }
  }
}

int CUGCtrl::SetSheet(int index, BOOL redraw) {
  if (index < 0 || index >= static_cast<int>(m_sheets.size())) return 1;
  if (m_CUGGrid->GetSafeHwnd()) m_CUGGrid->SetFocus();
  CUGGridInfo* next = m_sheets[static_cast<size_t>(index)].get();
  if (m_GI) next->m_tabWidth = m_GI->m_tabWidth;
  m_currentSheet = index;
  PointChildrenAt(next);
  m_GI->m_lastTopRow = -1;
  m_GI->m_lastLeftCol = -1;
  ScopedValue<int> holdRedraw(m_enableUpdate, redraw ? m_enableUpdate : 0);
  AdjustComponentSizes();
  return 0;
}

// ---------------------------------------------------------------- fonts

int CUGCtrl::AddFont(int height, int width, int escapement, int orientation, int weight, BYTE italic,
                     BYTE underline, BYTE strikeOut, BYTE charSet, BYTE outputPrecision, BYTE clipPrecision,
                     BYTE quality, BYTE pitchAndFamily, const std::string& faceName) {
  LOGFONT wanted;
  wanted.lfHeight = height;
  wanted.lfWidth = width;
  wanted.lfEscapement = escapement;
  wanted.lfOrientation = orientation;
  wanted.lfWeight = weight;
  wanted.lfItalic = italic;
  wanted.lfUnderline = underline;
  wanted.lfStrikeOut = strikeOut;
  wanted.lfCharSet = charSet;
  wanted.lfOutPrecision = outputPrecision;
  wanted.lfClipPrecision = clipPrecision;
  wanted.lfQuality = quality;
  wanted.lfPitchAndFamily = pitchAndFamily;
  wanted.lfFaceName = faceName;
  return AddFontIndirect(wanted);
}

int CUGCtrl::AddFontIndirect(LOGFONT wanted) {
  // A face name too long for the description is no face name at all.
  if (static_cast<int>(wanted.lfFaceName.size()) > kMaxFaceNameLength) wanted.lfFaceName.clear();
  for (int index = 0; index < m_fontList.GetCount(); ++index) {
    auto* font = static_cast<CFont*>(m_fontList.GetPointer(index));
    LOGFONT existing;
    if (font && font->GetLogFont(&existing) && SameFontDescription(existing, wanted)) {
      m_fontList.UpdateParam(index, m_fontList.GetParam(index) + 1);
      return index;
    }
  }
  auto font = std::make_unique<CFont>();
  if (!font->CreateFontIndirect(&wanted)) return -1;
  const int index = m_fontList.AddPointer(font.get(), 1);
  if (index < 0) return -1;
  m_fonts.push_back(std::move(font));
  return index;
}

CFont* CUGCtrl::GetFont(int index) const { return static_cast<CFont*>(m_fontList.GetPointer(index)); }

int CUGCtrl::FontUseCount(int index) const { return GetFont(index) ? static_cast<int>(m_fontList.GetParam(index)) : 0; }

int CUGCtrl::SetDefFont(int index) {
  CFont* font = GetFont(index);
  if (!font) return 1;
  m_GI->m_defFont = font;
  return 0;
}

// ---------------------------------------------------------------- popup menu

int CUGCtrl::ClearPopupMenu() {
  while (m_menu.GetMenuItemCount() > 0) {
    if (!m_menu.DeleteMenu(0, MF_BYPOSITION)) return 1;
  }
  return 0;
}

int CUGCtrl::AppendPopupItem(UINT id, const std::string& text) {
  const BOOL added = text.empty() || id == 0xFFFFFFFFu ? m_menu.AppendMenu(MF_SEPARATOR)
                                                        : m_menu.AppendMenu(MF_STRING, id, text);
  return added ? 0 : 1;
}

int CUGCtrl::StartPopupMenu(int col, long row, POINT* point, int section) {
  if (!m_GI->m_enablePopupMenu) return 1;
  if (section != kSectionTabStrip) GetJoinStart(&col, &row, nullptr);
  if (!OnMenuStart(col, row, section)) return 2;
  m_menuCol = col;
  m_menuRow = row;
  m_menuSection = section;
  if (!point || !GetSafeHwnd()) return 3;
  if (!m_menu.TrackPopupMenu(TPM_RIGHTBUTTON, point->x, point->y, GetSafeHwnd())) return 3;
  return 0;
}

int CUGCtrl::EnablePopupMenu(int flag) {
  m_GI->m_enablePopupMenu = flag;
  return 0;
}

// ---------------------------------------------------------------- find and replace

LRESULT CUGCtrl::OnFindReplace(UGFindReplaceRequest* request) {
  if (!request) return 0;
  if (request->flags & FR_DIALOGTERM) {
    m_findFromStart = false;
    Invalidate();
    return 1;
  }
  int col = m_GI->m_currentCol;
  long row = m_GI->m_currentRow;
  int flags = 0;
  if (!(request->flags & FR_WHOLEWORD)) flags |= kFindWholeCellOff;
  if (!(request->flags & FR_MATCHCASE)) flags |= kFindCaseOff;
  if (!(request->flags & FR_DOWN)) flags |= kFindUpwards;
  if (m_findFromStart) flags |= kFindFromStart;
  m_findFromStart = false;
  const std::string& findWhat = request->findWhat;
  const std::string& replaceWith = request->replaceWith;

  if (request->flags & FR_REPLACE) {
    PutCellText(col, row, replaceWith.c_str());
    RedrawRange(col, row, col, row);
  }
  if (findWhat == replaceWith) return 0;
  if ((flags & kFindWholeCellOff) && replaceWith.find(findWhat) != std::string::npos) return 0;

  CUGDataSource* source = m_GI->m_defDataSource;
  if (!source) return 0;
  const bool replaceAll = (request->flags & FR_REPLACEALL) != 0;
  int sourceCol = GetDataSourceCol(col);
  // Replacing everything stops once the search comes back to a cell it has
  // already been through: a replacement the search still finds would
  // otherwise be found for ever.
  std::vector<std::pair<int, long>> visited;
  bool foundAny = false;
  for (;;) {
    if (source->FindText(findWhat, &sourceCol, &row, flags) != 0) {
      if (!foundAny) {
        CWnd* owner = request->dialog ? request->dialog : this;
        owner->MessageBox("Item not found", "Not Found");
        if (request->dialog) request->dialog->SetFocus();
      }
      return 0;
    }
    if (replaceAll && std::find(visited.begin(), visited.end(), std::make_pair(sourceCol, row)) != visited.end())
      return 0;
    foundAny = true;
    const int gridCol = GridColOfDataSourceCol(sourceCol);
    GotoCell(gridCol < 0 ? sourceCol : gridCol, row);
    if (!replaceAll) return 0;
    visited.emplace_back(sourceCol, row);
    // The found cell itself: the move to it may have been refused, and the
    // current cell then holds something else. A column no grid column shows
    // cannot be written through the grid and is left as it is.
    if (gridCol < 0) continue;
    PutCellText(gridCol, row, replaceWith.c_str());
    RedrawRange(gridCol, row, gridCol, row);
  }
}

// ---------------------------------------------------------------- notifications

void CUGCtrl::OnSetFocus(int) {}
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

int CUGCtrl::DrawFocusByCellType(CDC* dc, RECT* rect) {
  if (!m_GI) return 0;
  const int col = m_GI->m_currentCol;
  const long row = m_GI->m_currentRow;
  if (col < 0 || row < 0 || col >= m_GI->m_numberCols || row >= m_GI->m_numberRows) return 0;
  CUGCell cell;
  FetchCell(col, row, &cell);
  return CellTypeOf(&cell)->OnDrawFocusRect(dc, rect, col, row);
}

void CUGCtrl::OnKillFocus(int section, CWnd*) { OnKillFocusSection(section); }
void CUGCtrl::OnKillFocusSection(int) {}
int CUGCtrl::OnColDragStart(int) { return TRUE; }
int CUGCtrl::OnCanMoveCol(int, int) { return TRUE; }
void CUGCtrl::OnColMoved(int, int) {}
