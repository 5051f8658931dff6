#include "grid/CUGSliderType.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "grid/CUGCtrl.h"
#include "platform/ui/CDC.h"

namespace {

constexpr UGID kSliderTypeId = {'U', 'G', 'S', 'l', 'i', 'd', 'e', 'r', 'C', 'e', 'l', 'l', 'T', 'y', 'p', 'e'};

constexpr int kMaxValue = 100;
constexpr int kTrackInset = 3;  // the track leaves this much free at each side

}  // namespace

CUGSliderType::CUGSliderType() {
  m_canEdit = 0;
  m_lightPen.CreatePen(PS_SOLID, 1, 0xC8C8C8);
  m_darkPen.CreatePen(PS_SOLID, 1, 0x646464);
}

CUGSliderType::~CUGSliderType() = default;

const char* CUGSliderType::GetName() { return "Slider Control"; }

const UGID* CUGSliderType::GetTypeGuid() { return &kSliderTypeId; }

int CUGSliderType::ValueOf(const char* text) {
  if (!text) return 0;
  const char* p = text;
  while (std::isspace(static_cast<unsigned char>(*p))) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  // Past 100 the further digits change nothing: the value is read saturated.
  int value = 0;
  for (; std::isdigit(static_cast<unsigned char>(*p)); ++p) value = std::min(value * 10 + (*p - '0'), kMaxValue + 1);
  if (negative) return 0;
  return std::min(value, kMaxValue);
}

int CUGSliderType::ThumbX(int left, int width, int value) { return left + (width - 2 * kTrackInset) * value / kMaxValue; }

BOOL CUGSliderType::OnLClicked(int col, long row, int upDown, RECT* rect, POINT* point) {
  if (upDown) m_dragging = false;
  if (!rect || !point || !m_ctrl) return FALSE;
  m_ctrl->FetchCell(col, row, &m_cell);
  const int thumb = ThumbX(rect->left, rect->right - rect->left, ValueOf(m_cell.GetText()));
  if (point->x > thumb - 3 && point->x < thumb + 9) {
    m_dragging = true;
    return TRUE;
  }
  return FALSE;
}

BOOL CUGSliderType::OnMouseMove(int col, long row, POINT* point, UINT keyFlags) {
  if (!(keyFlags & MK_LBUTTON) || !m_dragging || !point || !m_ctrl) return FALSE;
  RECT rect{0, 0, 0, 0};
  int rectCol = col;
  long rectRow = row;
  m_ctrl->GetCellRect(&rectCol, &rectRow, &rect);
  m_ctrl->FetchCell(col, row, &m_cell);
  if (m_cell.GetReadOnly()) return FALSE;
  const int track = rect.right - rect.left - 2 * kTrackInset;
  if (track <= 0) return TRUE;  // no track to follow: the value stays

  const int value =
      std::clamp(std::max<int>(point->x - rect.left - kTrackInset, 0) * kMaxValue / track, 0, kMaxValue);
  if (static_cast<double>(value) != std::trunc(m_cell.GetNumber())) {
    // Only what the data source holds is written back, with the new number.
    m_cell.ClearAll();
    m_ctrl->ReadCell(col, row, &m_cell);
    m_cell.SetNumber(value);
    m_ctrl->WriteCell(col, row, &m_cell);
    m_ctrl->RepaintCell(col, row);
    NotifyControl(m_ID, col, row, kValueChanged, value);
  }
  return TRUE;
}

void CUGSliderType::OnDraw(CDC* dc, RECT* rect, int col, long row, CUGCell* cell, int selected, int current) {
  if (!dc || !rect || !cell) return;
  TakeVisualStyles(cell);
  RECT r = *rect;
  DrawBorder(dc, rect, &r, cell);
  DrawBackground(dc, &r, cell->GetBackColor(), col, row, cell, selected, current);

  const int value = ValueOf(cell->GetText());
  const int width = r.right - r.left;
  if (width - 2 * kTrackInset <= 6) return;
  const int x = ThumbX(r.left + kTrackInset, width, value);
  const int middle = r.top + (r.bottom - r.top) / 2;

  CPen* oldPen = dc->GetCurrentPen();
  auto line = [dc](int x1, int y1, int x2, int y2) {
    dc->MoveTo(x1, y1);
    dc->LineTo(x2, y2);
  };
  // The track: a dark groove between two black lines.
  dc->SelectStockObject(BLACK_PEN);
  line(r.left + 1, middle - 1, r.right, middle - 1);
  line(r.left + 1, middle + 1, r.right, middle + 1);
  dc->SelectObject(&m_darkPen);
  line(r.left + 1, middle, r.right, middle);

  // The thumb: a black outline, lit at the top and left, shaded at the bottom and right.
  dc->SelectStockObject(BLACK_PEN);
  const POINT outline[] = {{x + 3, r.top + 2}, {x - 2, r.top + 2}, {x - 2, r.bottom - 2}, {x + 3, r.bottom - 2},
                           {x + 3, r.top + 2}};
  dc->Polyline(outline, 5);
  dc->SelectStockObject(WHITE_PEN);
  const POINT lit[] = {{x + 2, r.top + 3}, {x - 1, r.top + 3}, {x - 1, r.bottom - 3}};
  dc->Polyline(lit, 3);
  dc->SelectObject(&m_darkPen);
  const POINT shaded[] = {{x - 1, r.bottom - 3}, {x + 2, r.bottom - 3}, {x + 2, r.top + 3}};
  dc->Polyline(shaded, 3);
  dc->SelectObject(&m_lightPen);
  const POINT inner[] = {{x + 1, r.top + 4}, {x, r.top + 4}, {x, r.bottom - 4}, {x + 1, r.bottom - 4},
                         {x + 1, r.top + 4}};
  dc->Polyline(inner, 5);
  if (oldPen) dc->SelectObject(oldPen);
}
