#include "grid/CUGCheckBoxType.h"

#include <algorithm>
#include <cmath>

#include "grid/CUGCtrl.h"
#include "platform/ui/CBitmap.h"
#include "platform/ui/CDC.h"
#include "platform/ui/ColorRef.h"
#include "platform/ui/SystemMetrics.h"

namespace {

constexpr UGID kCheckBoxTypeId = {'U', 'G', 'C', 'h', 'e', 'c', 'k', 'B', 'o', 'x', 'T', 'y', 'p', 'e', 0, 0};

constexpr int kBoxSize = 12;
constexpr int kSmallestBox = 6;
constexpr int kBoxGap = 3;           // between the cell's edge and the box
constexpr int kBoxSpace = 18;        // what the box adds to the best width
constexpr COLORREF kLightColor = 0xE1E1E1;

// Halftone rows: alternating pixels, shifted on every other row.
constexpr unsigned short kDitherRows[8] = {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA};

}  // namespace

CUGCheckBoxType::CUGCheckBoxType() {
  m_canEdit = 0;
  m_canOverflow = 0;
  m_shadowPen.CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
  m_lightPen.CreatePen(PS_SOLID, 1, kLightColor);
  m_facePen.CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNFACE));
  CBitmap pattern;
  if (pattern.CreateBitmap(8, 8, 1, 1, kDitherRows)) m_ditherBrush.CreatePatternBrush(&pattern);
}

CUGCheckBoxType::~CUGCheckBoxType() = default;

const char* CUGCheckBoxType::GetName() { return "CheckBox"; }

const UGID* CUGCheckBoxType::GetTypeGuid() { return &kCheckBoxTypeId; }

RECT CUGCheckBoxType::BoxRect(const RECT& cellRect, CUGCell* cell) const {
  const int height = cellRect.bottom - cellRect.top;
  const int size = std::min(kBoxSize, height - 6);
  if (size < kSmallestBox) return RECT{cellRect.left, cellRect.top, cellRect.left, cellRect.top};
  const long style = cell->GetCellTypeEx();
  int left = cellRect.left + kBoxGap;
  int top = cellRect.top + (height - size) / 2;
  int width = size;
  if (style & kPlaceByAlignment) {
    const short alignment = cell->GetAlignment();
    if (alignment & kAlignCenter) left = cellRect.left + (cellRect.right - cellRect.left - size) / 2;
    else if (alignment & kAlignRight) left = cellRect.right - size - 6;
    if (alignment & kAlignTop) top = cellRect.top + kBoxGap;
    else if (alignment & kAlignBottom) top = cellRect.bottom - size - 6;
  } else if (style & kRound) {
    width = size + 1;
  }
  return RECT{left, top, left + width, top + size};
}

bool CUGCheckBoxType::Toggleable(CUGCell* cell) {
  return !cell->GetReadOnly() && !(cell->GetCellTypeEx() & kDisabled);
}

bool CUGCheckBoxType::Toggle(int col, long row, Order order) {
  if (!m_ctrl) return false;
  m_ctrl->FetchCell(col, row, &m_cell);
  if (!Toggleable(&m_cell)) return false;
  const int states = (m_cell.GetCellTypeEx() & kThreeStates) ? 3 : 2;
  // Whatever number the cell held (negative, huge, not a number), the next one is a state.
  double next = std::fmod(std::trunc(m_cell.GetNumber()) + 1, states);
  if (std::isnan(next)) next = 0;
  if (next < 0) next += states;
  const int value = static_cast<int>(next);

  // Only what the data source holds is written back, with the new value.
  m_cell.ClearAll();
  m_ctrl->ReadCell(col, row, &m_cell);
  m_cell.SetNumber(value);
  m_ctrl->WriteCell(col, row, &m_cell);
  if (order == Order::NotifyThenRepaint) {
    NotifyControl(m_ID, col, row, kToggled, value);
    m_ctrl->RepaintCell(col, row);
  } else {
    m_ctrl->RepaintCell(col, row);
    NotifyControl(m_ID, col, row, kToggled, value);
  }
  return true;
}

BOOL CUGCheckBoxType::OnLClicked(int col, long row, int upDown, RECT* rect, POINT* point) {
  if (!upDown || !rect || !point || !m_ctrl) return FALSE;
  m_ctrl->FetchCell(col, row, &m_cell);
  if (!Toggleable(&m_cell)) return FALSE;
  if (!CRect(BoxRect(*rect, &m_cell)).PtInRect(*point)) return FALSE;
  return Toggle(col, row, Order::NotifyThenRepaint) ? TRUE : FALSE;
}

BOOL CUGCheckBoxType::OnDClicked(int col, long row, RECT* rect, POINT* point) {
  return OnLClicked(col, row, 1, rect, point);
}

BOOL CUGCheckBoxType::OnCharDown(int col, long row, UINT* key) {
  if (!key || *key != ' ') return FALSE;
  return Toggle(col, row, Order::RepaintThenNotify) ? TRUE : FALSE;
}

void CUGCheckBoxType::GetBestSize(CDC* dc, CSize* size, CUGCell* cell) {
  if (!dc || !size || !cell) return;
  if (cell->GetCellTypeEx() & kPlaceByAlignment) {
    *size = CSize(kBoxSpace, 2);
    return;
  }
  CUGCellType::GetBestSize(dc, size, cell);
  size->cx += kBoxSpace;
}

// ---------------------------------------------------------------- drawing

void CUGCheckBoxType::OnDraw(CDC* dc, RECT* rect, int col, long row, CUGCell* cell, int selected, int current) {
  if (!dc || !rect || !cell) return;
  TakeVisualStyles(cell);
  const long style = cell->GetCellTypeEx();
  const RECT box = BoxRect(*rect, cell);

  // Background and text as the normal type; the text starts beside a box at the left.
  RECT inner = *rect;
  DrawBorder(dc, rect, &inner, cell);
  const int textOffset = (style & kPlaceByAlignment) ? 0 : std::max<int>(box.right - inner.left, 0);
  DrawCellText(dc, &inner, textOffset, col, row, cell, selected, current);
  if (box.right == box.left) return;

  const bool highlighted = DrawnHighlighted(selected, current);
  const double value = cell->GetNumber();
  const int saved = dc->SaveDC();
  DrawFrame(dc, box, style, highlighted);
  if (value > 1 || cell->GetReadOnly()) {
    // Greyed inside: a box that is neither on nor off, or cannot be changed.
    const RECT fill{box.left + 1, box.top + 1, box.right - 1, box.bottom - 1};
    if (m_ditherBrush.GetSafeHandle()) {
      dc->SetTextColor(GetSysColor(COLOR_BTNFACE));
      dc->SetBkColor(GetSysColor(COLOR_BTNHIGHLIGHT));
      dc->FillRect(&fill, &m_ditherBrush);
    } else {
      dc->FillSolidRect(&fill, GetSysColor(COLOR_WINDOW));
    }
  }
  if (value > 0) DrawMark(dc, box, style, value, highlighted);
  dc->RestoreDC(saved);
}

void CUGCheckBoxType::DrawFrame(CDC* dc, const RECT& box, long style, bool highlighted) {
  const int l = box.left, t = box.top, r = box.right - 1, b = box.bottom - 1;
  // A null pen stands for the stock black one.
  auto line = [dc](CPen* pen, int x1, int y1, int x2, int y2) {
    if (pen) dc->SelectObject(pen);
    else dc->SelectStockObject(BLACK_PEN);
    dc->MoveTo(x1, y1);
    dc->LineTo(x2, y2);
  };
  if (style & kSunken) {
    line(&m_shadowPen, l, b, l, t);
    line(&m_shadowPen, l, t, r + 1, t);
    line(nullptr, l + 1, b - 1, l + 1, t + 1);
    line(nullptr, l + 1, t + 1, r, t + 1);
    line(&m_lightPen, l, b, r + 1, b);
    line(&m_lightPen, r, t, r, b);
    line(&m_facePen, l + 1, b - 1, r, b - 1);
    line(&m_facePen, r - 1, t + 1, r - 1, b - 1);
    return;
  }
  if (style & kRaised) {
    line(&m_lightPen, l, b, l, t);
    line(&m_lightPen, l, t, r + 1, t);
    line(&m_shadowPen, l, b, r + 1, b);
    line(&m_shadowPen, r, t, r, b);
    return;
  }
  dc->SelectStockObject(highlighted ? WHITE_PEN : BLACK_PEN);
  if (style & kRound) {
    const POINT start{box.right, box.top + (box.bottom - box.top) / 2};
    dc->Arc(&box, start, start);
  } else {
    const POINT outline[] = {{l, t}, {r, t}, {r, b}, {l, b}, {l, t}};
    dc->Polyline(outline, 5);
  }
}

void CUGCheckBoxType::DrawMark(CDC* dc, const RECT& box, long style, double value, bool highlighted) {
  const COLORREF color =
      value > 1 ? GetSysColor(COLOR_BTNSHADOW) : (highlighted ? RGB(255, 255, 255) : RGB(0, 0, 0));
  CPen pen(PS_SOLID, 1, color);
  CBrush brush(color);
  dc->SelectObject(&pen);
  dc->SelectObject(&brush);
  const int l = box.left, t = box.top, r = box.right, b = box.bottom;
  const int size = b - t;
  if (style & kCheckMark) {
    // A short stroke down to the foot of the tick, then a long one up to the right;
    // larger boxes get two more above it for weight.
    const int strokes = size > 9 ? 3 : 1;
    for (int i = 0; i < strokes; ++i) {
      const POINT tick[] = {{l + 2, b - 6 - i}, {l + 4, b - 4 - i}, {r - 2, t + 4 - i}};
      dc->Polyline(tick, 3);
    }
  } else if (style & kRound) {
    dc->Ellipse(l + 2, t + 2, r - 2, b - 2);
  } else {
    dc->MoveTo(l + 2, t + 2);
    dc->LineTo(r - 2, b - 2);
    dc->MoveTo(r - 3, t + 2);
    dc->LineTo(l + 1, b - 2);
  }
}
