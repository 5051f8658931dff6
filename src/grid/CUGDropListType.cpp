#include "grid/CUGDropListType.h"

#include <QWidget>
#include <algorithm>
#include <cstdlib>

#include "grid/CUGCell.h"
#include "grid/CUGCtrl.h"
#include "grid/CUGGrid.h"
#include "grid/CUGGridInfo.h"
#include "grid/CUGLstBox.h"
#include "platform/base/InputState.h"
#include "platform/ui/CDC.h"
#include "platform/ui/CFont.h"
#include "platform/ui/ColorRef.h"
#include "platform/ui/SystemMetrics.h"

namespace {

constexpr UGID kDropListTypeId = {'U', 'G', 'D', 'r', 'o', 'p', 'L', 'i', 's', 't', 'T', 'y', 'p', 'e', 0, 0};

constexpr int kListIndent = 10;       // the list starts this far right of the cell
constexpr int kListFrame = 6;         // added to the lines' height
constexpr int kFallbackLineHeight = 12;
constexpr COLORREF kReadOnlyTriangle = 0x808080;

}  // namespace

CUGDropListType::CUGDropListType()
    : m_btnWidth(GetSystemMetrics(SM_CXVSCROLL)), m_listBox(std::make_unique<CUGLstBox>()) {
  m_canOverflow = 0;
  m_useThemes = TRUE;
  m_pen.CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNFACE));
  m_brush.CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
}

CUGDropListType::~CUGDropListType() {
  if (m_listBox->GetSafeHwnd()) m_listBox->DestroyWindow();
}

const char* CUGDropListType::GetName() { return "DropList"; }

const UGID* CUGDropListType::GetTypeGuid() { return &kDropListTypeId; }

int CUGDropListType::GetEditArea(RECT* rect) {
  if (rect) rect->right -= m_btnWidth + 1;
  return 0;
}

void CUGDropListType::GetBestSize(CDC* dc, CSize* size, CUGCell* cell) {
  if (!dc || !size || !cell) return;
  CUGCellType::GetBestSize(dc, size, cell);
  if (!(cell->GetCellTypeEx() & kNormalUnlessCurrent)) size->cx += m_btnWidth;
}

CUGDropListType::Choices CUGDropListType::SplitChoices(const char* label) {
  Choices choices;
  if (!label) return choices;
  const std::string text(label);
  size_t start = 0;
  for (size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', start)) {
    choices.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return choices;
}

// ---------------------------------------------------------------- mouse and keys

BOOL CUGDropListType::OnLClicked(int col, long row, int upDown, RECT* rect, POINT* point) {
  if (!rect || !point) return FALSE;
  CUGGridInfo* sheet = Sheet();
  // Shift or Ctrl extend the selection: the list stays closed.
  if (sheet && sheet->m_multiSelectFlag && (IsVirtualKeyDown(VK_SHIFT) || IsVirtualKeyDown(VK_CONTROL))) return TRUE;

  if (upDown) {
    if (point->x > rect->right - m_btnWidth) {
      if (m_btnCol == col && m_btnRow == row && ListShown()) {
        // A second press on the dropped cell's button closes its list.
        HideList();
        m_btnCol = -1;
        m_btnRow = -1;
        return FALSE;
      }
      m_btnRect = RECT{rect->right - m_btnWidth, rect->top, rect->right, rect->bottom};
      m_btnDown = TRUE;
      m_btnCol = col;
      m_btnRow = row;
      RepaintDropped();
      StartDropList();
      return TRUE;
    }
    if (m_btnCol == kJustClosed) m_btnCol = -1;
    return FALSE;
  }
  if (m_btnDown) {
    m_btnDown = FALSE;
    if (m_ctrl) m_ctrl->RepaintCell(col, row);
    return TRUE;
  }
  return FALSE;
}

BOOL CUGDropListType::OnDClicked(int col, long row, RECT* rect, POINT* point) {
  if (!rect || !point || point->x <= rect->right - m_btnWidth) return FALSE;
  return OnLClicked(col, row, 1, rect, point);
}

BOOL CUGDropListType::OnMouseMove(int, long, POINT* point, UINT keyFlags) {
  if (!(keyFlags & MK_LBUTTON)) return TRUE;
  if (!point) return FALSE;
  const BOOL inside = CRect(m_btnRect).PtInRect(*point) ? TRUE : FALSE;
  if (inside != m_btnDown) {
    m_btnDown = inside;
    RepaintDropped();
  }
  return FALSE;
}

BOOL CUGDropListType::OnKeyDown(int col, long row, UINT* key) {
  if (!key) return FALSE;
  if (*key == VK_RETURN || (*key == VK_DOWN && IsVirtualKeyDown(VK_CONTROL))) {
    m_btnCol = col;
    m_btnRow = row;
    StartDropList();
    *key = 0;
    return TRUE;
  }
  return FALSE;
}

BOOL CUGDropListType::OnCharDown(int, long, UINT* key) {
  // Return and Down open the list; they must not start the editor.
  return (key && (*key == VK_RETURN || *key == VK_DOWN)) ? TRUE : FALSE;
}

void CUGDropListType::OnKillFocus(int, long, CUGCell*) {
  m_btnCol = -1;
  m_btnRow = -1;
  HideList();
}

void CUGDropListType::RepaintDropped() {
  if (m_ctrl && m_btnCol >= 0 && m_btnRow >= 0) m_ctrl->RepaintCell(m_btnCol, m_btnRow);
}

// ---------------------------------------------------------------- the list

int CUGDropListType::StartDropList() {
  if (!m_ctrl || ListShown()) return 0;
  CUGCell cell;
  m_ctrl->FetchCell(m_btnCol, m_btnRow, &cell);
  if (cell.GetReadOnly()) return 0;

  CUGGridInfo* sheet = Sheet();
  m_btnCol = sheet->m_currentCol;
  m_btnRow = sheet->m_currentRow;
  const Choices choices = SplitChoices(cell.GetLabel());
  if (NotifyControl(m_ID, m_btnCol, m_btnRow, kDropping, reinterpret_cast<std::intptr_t>(&choices)) == 0) return 0;

  CFont* font = ListFont(&cell);
  const int lineHeight = LineHeight(font);
  RECT place{0, 0, 0, 0};
  int placeCol = m_btnCol;
  long placeRow = m_btnRow;
  m_ctrl->GetCellRect(&placeCol, &placeRow, &place);
  place.left += kListIndent;
  place.right += kListIndent;
  place.top = place.bottom;
  place.bottom = place.top + static_cast<int>(std::min<size_t>(choices.size(), kMaxListLines)) * lineHeight + kListFrame;

  // Kept inside the cell area: moved up, then left, never past its top or left edge.
  RECT area{0, 0, sheet->m_gridWidth, sheet->m_gridHeight};
  if (m_ctrl->m_CUGGrid->GetSafeHwnd()) m_ctrl->m_CUGGrid->GetClientRect(&area);
  if (place.bottom > area.bottom) {
    const int up = std::min<int>(place.bottom - area.bottom, std::max<int>(place.top, 0));
    place.top -= up;
    place.bottom -= up;
  }
  if (place.right > area.right) {
    const int left = std::min<int>(place.right - area.right, std::max<int>(place.left, 0));
    place.left -= left;
    place.right -= left;
  }

  ShowList(choices, place, font);
  m_btnDown = FALSE;
  RepaintDropped();
  return 1;
}

CFont* CUGDropListType::ListFont(CUGCell* cell) const {
  if (cell->IsPropertySet(CUGCell::kPropFont) && cell->GetFont()) return cell->GetFont();
  if (Sheet() && Sheet()->m_defFont) return Sheet()->m_defFont;
  return CFont::FromHandle(static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
}

int CUGDropListType::LineHeight(CFont* font) {
  LOGFONT description;
  if (!font || !font->GetLogFont(&description) || description.lfHeight == 0) return kFallbackLineHeight;
  // The font's height is taken as points and turned into pixels.
  return static_cast<int>(std::labs(description.lfHeight)) * kLogicalDpi / 72;
}

// Shown by its own state: the cell area may itself be hidden.
bool CUGDropListType::ListShown() const {
  return m_listBox->GetSafeHwnd() && m_listBox->GetWidget() && !m_listBox->GetWidget()->isHidden();
}

void CUGDropListType::HideList() {
  if (!m_listBox->GetSafeHwnd()) return;
  m_listBox->ShowWindow(SW_HIDE);
  m_listBox->ResetContent();
}

void CUGDropListType::ShowList(const Choices& choices, const RECT& place, CFont* font) {
  CWnd* area = m_ctrl->m_CUGGrid.get();
  if (!area->GetSafeHwnd()) return;
  if (!m_listBox->GetSafeHwnd() &&
      !m_listBox->CreateEx(0, "", "", WS_CHILD | WS_BORDER | WS_VSCROLL, place, area, kListId))
    return;
  // The list reports the choice through this type and writes it into the dropped cell.
  m_listBox->m_ctrl = m_ctrl;
  m_listBox->m_cellType = this;
  m_listBox->m_cellTypeId = m_ID;
  m_listBox->m_col = &m_btnCol;
  m_listBox->m_row = &m_btnRow;
  if (font) m_listBox->SetFont(font, FALSE);
  m_listBox->MoveWindow(place, FALSE);
  m_listBox->ResetContent();
  for (const std::string& choice : choices) m_listBox->AddString(choice);
  m_listBox->ShowWindow(SW_SHOW);
  m_listBox->SetFocus();
}

// ---------------------------------------------------------------- drawing

void CUGDropListType::OnDraw(CDC* dc, RECT* rect, int col, long row, CUGCell* cell, int selected, int current) {
  if (!dc || !rect || !cell) return;
  if ((cell->GetCellTypeEx() & kNormalUnlessCurrent) && !current) {
    CUGCellType::OnDraw(dc, rect, col, row, cell, selected, current);
    return;
  }
  TakeVisualStyles(cell);

  RECT inner = *rect;
  DrawBorder(dc, rect, &inner, cell);
  const int buttonLeft = std::max<int>(inner.right - m_btnWidth, inner.left);
  RECT text{inner.left, inner.top, buttonLeft, inner.bottom};
  DrawCellText(dc, &text, 0, col, row, cell, selected, current);
  const bool pressed = m_btnDown && col == m_btnCol && row == m_btnRow;
  DrawButton(dc, RECT{buttonLeft, inner.top, inner.right, inner.bottom}, pressed, cell->GetReadOnly() != 0);
}

void CUGDropListType::DrawButton(CDC* dc, const RECT& button, bool pressed, bool readOnly) {
  if (button.right <= button.left || button.bottom <= button.top) return;
  const int saved = dc->SaveDC();
  RECT face = button;
  dc->FillRect(&face, &m_brush);
  dc->DrawEdge(&face, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
  // The separator keeps the text off the button.
  dc->SelectObject(&m_pen);
  dc->MoveTo(button.left - 1, button.top);
  dc->LineTo(button.left - 1, button.bottom);

  // A down-pointing triangle of lines 5, 3 and 1 wide, nudged while pressed.
  const int shift = pressed ? 1 : 0;
  const int x = button.left + (button.right - button.left) / 2 - 2 + shift;
  const int y = button.top + (button.bottom - button.top) / 2 - 1 + shift;
  auto triangle = [dc, x, y](int dx, int dy) {
    for (int i = 0; i < 3; ++i) {
      dc->MoveTo(x + dx + i, y + dy + i);
      dc->LineTo(x + dx + 5 - i, y + dy + i);
    }
  };
  if (readOnly) {
    CPen white(PS_SOLID, 1, RGB(255, 255, 255));
    dc->SelectObject(&white);
    triangle(1, 1);
    CPen grey(PS_SOLID, 1, kReadOnlyTriangle);
    dc->SelectObject(&grey);
    triangle(0, 0);
    dc->RestoreDC(saved);
    return;
  }
  dc->SelectStockObject(BLACK_PEN);
  triangle(0, 0);
  dc->RestoreDC(saved);
}
