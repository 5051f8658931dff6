#include "grid/CUGCellType.h"

#include <algorithm>
#include <string>

#include "grid/CUGCell.h"
#include "grid/CUGCtrl.h"
#include "grid/CUGDataSource.h"
#include "grid/CUGGridInfo.h"
#include "grid/UGTheme.h"
#include "platform/ui/CBitmap.h"
#include "platform/ui/CBrush.h"
#include "platform/ui/CDC.h"
#include "platform/ui/CFont.h"
#include "platform/ui/CPen.h"

namespace {

// The normal type's identifier: the letters of its name, zero-padded.
constexpr UGID kNormalTypeId = {'U', 'G', 'N', 'o', 'r', 'm', 'a', 'l', 'C', 'e', 'l', 'l', 'T', 'y', 'p', 'e'};

constexpr int kBitmapMargin = 2;
constexpr int kEllipsisIndent = 3;

// Border bits per side: one, two and three pixels wide.
struct SideBits {
  short thin, medium, thick;
};
constexpr SideBits kLeftBits{0x1, 0x10, 0x100};
constexpr SideBits kTopBits{0x2, 0x20, 0x200};
constexpr SideBits kRightBits{0x4, 0x40, 0x400};
constexpr SideBits kBottomBits{0x8, 0x80, 0x800};

int SideWidth(short style, const SideBits& bits) {
  if (style & bits.thick) return 3;
  if (style & bits.medium) return 2;
  if (style & bits.thin) return 1;
  return 0;
}

// Lines of the current pen, each one pixel wide: the first at `from`, moving inwards by `step`.
void VerticalLines(CDC* dc, int from, int step, int count, int top, int bottom) {
  for (int i = 0; i < count; ++i) {
    dc->MoveTo(from + i * step, top);
    dc->LineTo(from + i * step, bottom);
  }
}

void HorizontalLines(CDC* dc, int from, int step, int count, int left, int right) {
  for (int i = 0; i < count; ++i) {
    dc->MoveTo(left, from + i * step);
    dc->LineTo(right, from + i * step);
  }
}

}  // namespace

CUGCellType::CUGCellType() = default;
CUGCellType::~CUGCellType() = default;

CUGGridInfo* CUGCellType::Sheet() const { return m_ctrl ? m_ctrl->m_GI : nullptr; }

bool CUGCellType::ThemesActive() const { return m_useThemes && UGThemeIsActive(); }

const char* CUGCellType::DisplayText(CUGCell* cell) const {
  const char* text = nullptr;
  if (m_drawLabelText || (cell->GetCellTypeEx() & kExLabelText)) text = cell->GetLabel();
  else text = cell->GetText();
  return text ? text : "";
}

// ---------------------------------------------------------------- drawing

void CUGCellType::TakeVisualStyles(CUGCell* cell) {
  if (!m_drawThemesSet) m_useThemes = cell->GetUseVisualStyles();
}

bool CUGCellType::DrawnHighlighted(int selected, int current) const {
  if (selected) return true;
  CUGGridInfo* sheet = Sheet();
  return current && sheet && (sheet->m_highlightStyle & 2);
}

void CUGCellType::OnDraw(CDC* dc, RECT* rect, int col, long row, CUGCell* cell, int selected, int current) {
  if (!dc || !rect || !cell) return;
  TakeVisualStyles(cell);

  CUGGridInfo* sheet = Sheet();
  if (sheet && sheet->m_textOverflow && MaySpill(cell)) {
    if (cell->GetTextLength() == 0) {
      int sourceCol = col;
      const int offset = GetOverflowSource(dc, col, row, &sourceCol, cell);
      if (offset < 0 && sourceCol != col) {
        // Draw this cell's look with the text of the cell that spills into it.
        CUGCell source;
        m_ctrl->FetchCell(sourceCol, row, &source);
        CUGCell spilled;
        spilled.CopyInfoFrom(cell);
        spilled.SetText(source.GetText());
        if (source.IsPropertySet(CUGCell::kPropFont)) spilled.SetFont(source.GetFont());
        if (source.IsPropertySet(CUGCell::kPropTextColor)) spilled.SetTextColor(source.GetTextColor());
        RECT inner = *rect;
        DrawBorder(dc, rect, &inner, cell);
        DrawCellText(dc, &inner, offset - (inner.left - rect->left), col, row, &spilled, selected, current);
        m_ctrl->AddDrawHint(col + 1, row, col + 1, row);
        return;
      }
    } else {
      // The text may run on into the next cell: that one is drawn again too.
      m_ctrl->AddDrawHint(col + 1, row, col + 1, row);
    }
  }

  RECT inner = *rect;
  DrawBorder(dc, rect, &inner, cell);
  DrawCellText(dc, &inner, 0, col, row, cell, selected, current);
}

bool CUGCellType::MaySpill(CUGCell* cell) const {
  if (cell->IsPropertySet(CUGCell::kPropCellTypeEx)) return false;
  if (cell->GetJoinInfo(nullptr, nullptr, nullptr) == 0) return false;
  if (!(cell->GetAlignment() & kAlignLeft)) return false;
  return m_canOverflow == 1;
}

void CUGCellType::DrawBorder(CDC* dc, RECT* rect, RECT* rectOut, CUGCell* cell) {
  if (!dc || !rect || !rectOut || !cell) return;
  *rectOut = *rect;
  if (ThemesActive()) {
    RECT content = *rect;
    if (UGThemeDrawEdge(m_ctrl, dc, cell->GetVisualStyleCode(), 0, rect, cell->GetBorder(), BF_RECT, &content)) {
      *rectOut = content;
      return;
    }
  }
  CUGGridInfo* sheet = Sheet();
  const bool gridLines = sheet ? sheet->m_drawGridLines != 0 : false;
  short style = cell->IsPropertySet(CUGCell::kPropBorder) ? cell->GetBorder() : 0;
  if (style == 0 && !gridLines) return;

  int left = SideWidth(style, kLeftBits);
  int top = SideWidth(style, kTopBits);
  int right = SideWidth(style, kRightBits);
  int bottom = SideWidth(style, kBottomBits);
  const bool edge = (style & (CUGCell::kBorderSunken | CUGCell::kBorderRaised)) != 0;
  // Grid lines close every cell at the right and bottom, unless it has an edge of its own.
  if (gridLines && !edge) {
    right = std::max(right, 1);
    bottom = std::max(bottom, 1);
  }

  CPen* pen = cell->IsPropertySet(CUGCell::kPropBorderPen) ? cell->GetBorderColor() : nullptr;
  if (!pen && sheet) pen = &sheet->m_defPen;
  const int saved = dc->SaveDC();
  if (pen) dc->SelectObject(pen);
  VerticalLines(dc, rect->left, 1, left, rect->top, rect->bottom);
  HorizontalLines(dc, rect->top, 1, top, rect->left, rect->right);
  VerticalLines(dc, rect->right - 1, -1, right, rect->top, rect->bottom);
  HorizontalLines(dc, rect->bottom - 1, -1, bottom, rect->left, rect->right);

  RECT inner{rect->left + left, rect->top + top, rect->right - right, rect->bottom - bottom};
  if (edge && m_ctrl) {
    const int depth = sheet ? std::max(sheet->m_edgeDepth, 0) : 1;
    const bool sunken = (style & CUGCell::kBorderSunken) != 0;
    CPen* topLeft = sunken ? &m_ctrl->m_threeDDarkPen : &m_ctrl->m_threeDLightPen;
    CPen* bottomRight = sunken ? &m_ctrl->m_threeDLightPen : &m_ctrl->m_threeDDarkPen;
    for (int i = 0; i < depth && inner.right > inner.left && inner.bottom > inner.top; ++i) {
      dc->SelectObject(topLeft);
      HorizontalLines(dc, inner.top, 1, 1, inner.left, inner.right);
      VerticalLines(dc, inner.left, 1, 1, inner.top, inner.bottom);
      dc->SelectObject(bottomRight);
      VerticalLines(dc, inner.right - 1, 1, 1, inner.top, inner.bottom);
      HorizontalLines(dc, inner.bottom - 1, 1, 1, inner.left, inner.right);
      inner = RECT{inner.left + 1, inner.top + 1, inner.right - 1, inner.bottom - 1};
    }
  }
  dc->RestoreDC(saved);
  *rectOut = inner;
}

void CUGCellType::DrawBackground(CDC* dc, RECT* rect, COLORREF color, int col, long row, CUGCell* cell,
                                 int selected, int current) {
  if (!dc || !rect) return;
  if (ThemesActive() && cell) {
    const int state = UGThemeStateFromFlags(selected != 0, current != 0);
    if (UGThemeDrawBackground(m_ctrl, dc, cell->GetVisualStyleCode(), state, rect, nullptr)) return;
  }
  (void)col;
  (void)row;
  CBrush brush(color);
  dc->FillRect(rect, &brush);
}

void CUGCellType::DrawCellText(CDC* dc, RECT* rect, int offset, int col, long row, CUGCell* cell, int selected,
                               int current) {
  if (!dc || !rect || !cell) return;
  CUGGridInfo* sheet = Sheet();
  const std::string text = DisplayText(cell);
  const long extension = cell->GetCellTypeEx();
  const short alignment = cell->GetAlignment();

  const int saved = dc->SaveDC();
  if (cell->IsPropertySet(CUGCell::kPropFont) && cell->GetFont()) dc->SelectObject(cell->GetFont());

  COLORREF textColor = cell->GetTextColor();
  COLORREF backColor = cell->GetBackColor();
  if (cell->IsPropertySet(CUGCell::kPropCellTypeEx) && (extension & kExDisabled)) {
    textColor = kDisabledTextColor;
  } else if (DrawnHighlighted(selected, current)) {
    textColor = cell->GetHTextColor();
    backColor = cell->GetHBackColor();
  }

  RECT area = *rect;
  DrawBackground(dc, &area, backColor, col, row, cell, selected, current);
  if (cell->IsPropertySet(CUGCell::kPropBitmap) && cell->GetBitmap())
    area.left += DrawBitmap(dc, cell->GetBitmap(), &area, backColor);

  dc->SetTextColor(textColor);
  dc->SetBkColor(backColor);
  dc->SetBkMode(TRANSPARENT);
  const int margin = sheet ? sheet->m_margin : 4;

  if (extension & kExMultiLine) {
    RECT box = area;
    UINT format = DT_NOPREFIX | DT_WORDBREAK;
    if (alignment & kAlignCenter) {
      format |= DT_CENTER;
    } else if (alignment & kAlignRight) {
      format |= DT_RIGHT;
      box.right -= margin;
    } else {
      box.left += margin + offset;
    }
    dc->DrawText(text, &box, format);
  } else if (extension & kExEllipsis) {
    RECT box = area;
    box.left += kEllipsisIndent + offset;
    dc->DrawText(text, &box, DT_END_ELLIPSIS | DT_NOPREFIX | DT_SINGLELINE);
  } else if (!text.empty()) {
    const CSize size = dc->GetTextExtent(text);
    int x = area.left + margin + offset;
    if (alignment & kAlignCenter) x = area.left + (area.right - area.left - size.cx) / 2 + offset;
    else if (alignment & kAlignRight) x = area.right - margin - size.cx + offset;
    int y = area.top + 1;
    if (alignment & kAlignVCenter) y = area.top + (area.bottom - area.top - size.cy) / 2;
    else if (alignment & kAlignBottom) y = area.bottom - size.cy - 1;
    dc->ExtTextOut(x, y, ETO_CLIPPED, &area, text);
  }
  dc->RestoreDC(saved);
}

int CUGCellType::DrawBitmap(CDC* dc, CBitmap* bitmap, RECT* rect, COLORREF backColor) {
  if (!dc || !bitmap || !rect) return 0;
  const CSize own = bitmap->GetSize();
  if (own.cx <= 0 || own.cy <= 0) return 0;
  const int height = rect->bottom - rect->top;
  const int width = rect->right - rect->left;
  int drawWidth = own.cx;
  int drawHeight = own.cy;
  if (own.cy > height - 2 * kBitmapMargin) {
    // Too tall: scaled to the cell's height, keeping its proportions.
    drawHeight = std::max(height - 4, 0);
    drawWidth = static_cast<int>(static_cast<long long>(own.cx) * drawHeight / own.cy);
  }
  drawWidth = std::max(std::min(drawWidth, width - 2 * kBitmapMargin), 0);
  RECT area{rect->left, rect->top, rect->left + drawWidth + 2 * kBitmapMargin, rect->bottom};
  if (!ThemesActive()) DrawBackground(dc, &area, backColor, 0, 0, nullptr, 0, 0);
  if (drawWidth > 0 && drawHeight > 0) {
    CDC memory;
    memory.CreateCompatibleDC(dc);
    CBitmap* old = memory.SelectObject(bitmap);
    const int top = rect->top + (height - drawHeight) / 2;
    dc->StretchBlt(rect->left + kBitmapMargin, top, drawWidth, drawHeight, &memory, 0, 0, own.cx, own.cy, SRCCOPY);
    if (old) memory.SelectObject(old);
  }
  return drawWidth + 2 * kBitmapMargin;
}

// ---------------------------------------------------------------- measuring

void CUGCellType::GetBestSize(CDC* dc, CSize* size, CUGCell* cell) {
  if (!dc || !size || !cell) return;
  CUGGridInfo* sheet = Sheet();
  CFont* font = cell->IsPropertySet(CUGCell::kPropFont) ? cell->GetFont() : nullptr;
  if (!font && sheet) font = sheet->m_defFont;
  CFont* oldFont = font ? dc->SelectObject(font) : nullptr;

  int bitmapWidth = 0;
  if (cell->IsPropertySet(CUGCell::kPropBitmap) && cell->GetBitmap()) {
    const CSize own = cell->GetBitmap()->GetSize();
    if (own.cy > 0) bitmapWidth = static_cast<int>(static_cast<long long>(own.cx) * size->cy / own.cy);
  }
  RECT box{0, 0, 0, 0};
  dc->DrawText(DisplayText(cell), &box, DT_CALCRECT | DT_NOPREFIX);
  size->cx = bitmapWidth + (box.right - box.left) + 6;
  size->cy = (box.bottom - box.top) + 2;
  if (oldFont) dc->SelectObject(oldFont);
}

int CUGCellType::GetOverflowSource(CDC* dc, int col, long row, int* sourceCol, CUGCell* cell) {
  (void)cell;
  CUGGridInfo* sheet = Sheet();
  if (!sheet || !sheet->m_textOverflow || !sourceCol || col <= 0 || col >= sheet->m_numberCols) return 0;
  const CUGGridInfo::ColumnInfo& column = sheet->m_colInfo[static_cast<size_t>(col)];
  CUGDataSource* source = column.dataSource ? column.dataSource : sheet->m_defDataSource;
  if (!source) return 0;
  int filled = column.colTranslation;
  if (source->FindNextFilledCol(&filled, row) != 0) return 0;
  const int from = m_ctrl->GridColOfDataSourceCol(filled);
  if (from < 0 || from >= col) return 0;

  CUGCell fromCell;
  m_ctrl->FetchCell(from, row, &fromCell);
  CUGCellType* type = m_ctrl->CellTypeOf(&fromCell);
  CSize best(0, m_ctrl->RowHeight(row));
  type->GetBestSize(dc, &best, &fromCell);
  if (best.cx <= m_ctrl->ColWidth(from) || !type->m_canOverflow) return 0;

  int covered = 0;
  for (int c = from; c < col; ++c) {
    covered += m_ctrl->ColWidth(c);
    if (covered > best.cx) return 0;
  }
  m_dScaleFactor = 1.0;
  *sourceCol = from;
  return -covered;
}

// ---------------------------------------------------------------- identity and events

const char* CUGCellType::GetName() { return "Normal Cell Type (default)"; }
const UGID* CUGCellType::GetTypeGuid() { return &kNormalTypeId; }
int CUGCellType::GetEditArea(RECT*) { return 0; }

BOOL CUGCellType::OnLClicked(int, long, int, RECT*, POINT*) { return FALSE; }
BOOL CUGCellType::OnRClicked(int, long, int, RECT*, POINT*) { return FALSE; }
BOOL CUGCellType::OnDClicked(int, long, RECT*, POINT*) { return FALSE; }
BOOL CUGCellType::OnKeyDown(int, long, UINT*) { return FALSE; }
BOOL CUGCellType::OnKeyUp(int, long, UINT*) { return FALSE; }
BOOL CUGCellType::OnCharDown(int, long, UINT*) { return FALSE; }
BOOL CUGCellType::OnMouseMove(int, long, POINT*, UINT) { return FALSE; }
int CUGCellType::OnDrawFocusRect(CDC*, RECT*, int, long) { return 0; }
void CUGCellType::OnSetFocus(int, long, CUGCell*) {}
void CUGCellType::OnKillFocus(int, long, CUGCell*) {}
void CUGCellType::OnChangedCellWidth(int, long, int*) {}
void CUGCellType::OnChangingCellWidth(int, long, int*) {}
void CUGCellType::OnChangedCellHeight(int, long, int*) {}
void CUGCellType::OnChangingCellHeight(int, long, int*) {}
void CUGCellType::OnScrolled(int, long, CUGCell*) {}
int CUGCellType::OnSystemChange() { return 0; }
int CUGCellType::OnMessage(std::intptr_t) { return 0; }

int CUGCellType::NotifyControl(long id, int col, long row, long message, std::intptr_t param) {
  if (!m_ctrl) return 0;
  return m_ctrl->OnCellTypeNotify(id, col, row, message, param);
}
