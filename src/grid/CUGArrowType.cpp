#include "grid/CUGArrowType.h"

#include "grid/CUGCell.h"
#include "platform/ui/CDC.h"
#include "platform/ui/CPen.h"

namespace {

constexpr UGID kArrowTypeId = {'U', 'G', 'S', 'i', 'd', 'e', 'A', 'r', 'r', 'o', 'w', 's', 'T', 'y', 'p', 'e'};

// One arrow: vertical lines 7, 5, 3 and 1 pixels tall, the tall one at `tallX`,
// the others stepping towards the tip (`step` +1 points right, -1 left).
void DrawArrow(CDC* dc, int tallX, int step, int middle) {
  for (int i = 0; i < 4; ++i) {
    const int half = 3 - i;
    dc->MoveTo(tallX + i * step, middle - half);
    dc->LineTo(tallX + i * step, middle + half + 1);
  }
}

}  // namespace

CUGArrowType::CUGArrowType() { m_canEdit = 0; }

CUGArrowType::~CUGArrowType() = default;

const char* CUGArrowType::GetName() { return "Side Arrows"; }

const UGID* CUGArrowType::GetTypeGuid() { return &kArrowTypeId; }

void CUGArrowType::GetBestSize(CDC*, CSize* size, CUGCell* cell) {
  if (!size || !cell) return;
  const long style = cell->GetCellTypeEx();
  size->cx = (style == kDoubleRight || style == kDoubleLeft) ? 14 : 10;
}

void CUGArrowType::OnDraw(CDC* dc, RECT* rect, int col, long row, CUGCell* cell, int selected, int current) {
  if (!dc || !rect || !cell) return;
  CUGCellType::OnDraw(dc, rect, col, row, cell, selected, current);
  const int width = rect->right - rect->left;
  if (width < 4) return;

  const long style = cell->GetCellTypeEx();
  const bool pointsLeft = style == kLeft || style == kDoubleLeft;
  const bool twoArrows = style == kDoubleRight || style == kDoubleLeft;
  if (style != 0 && style != kRight && !pointsLeft && !twoArrows) return;

  const bool highlighted = DrawnHighlighted(selected, current);
  CPen pen(PS_SOLID, 1, highlighted ? cell->GetHTextColor() : cell->GetTextColor());
  CPen* oldPen = dc->SelectObject(&pen);

  // The glyph is 4 pixels wide, or two arrows whose tall lines are 6 apart.
  const int glyphWidth = twoArrows ? 10 : 4;
  const int left = rect->left + (width - glyphWidth) / 2;
  const int middle = rect->top + (rect->bottom - rect->top) / 2;
  const int step = pointsLeft ? -1 : 1;
  const int firstTall = pointsLeft ? left + 3 : left;
  DrawArrow(dc, firstTall, step, middle);
  if (twoArrows) DrawArrow(dc, firstTall + 6, step, middle);
  dc->SelectObject(oldPen);
}
