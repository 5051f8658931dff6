#include "grid/CUGAutoFontType.h"

#include <algorithm>

#include "grid/CUGCell.h"
#include "grid/CUGGridInfo.h"
#include "platform/ui/CDC.h"
#include "platform/ui/CFont.h"

namespace {

constexpr UGID kAutoFontTypeId = {'U', 'G', 'A', 'u', 't', 'o', 'F', 'o', 'n', 't', 'T', 'y', 'p', 'e', 0, 0};

std::unique_ptr<CFont> MakeFont(int height, const std::string& face) {
  auto font = std::make_unique<CFont>();
  font->CreateFont(height, 0, 0, 0, CUGAutoFontType::kFittedWeight, 0, 0, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                   CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, face);
  return font;
}

CSize Measure(CDC* dc, CFont* font, const std::string& text) {
  CFont* old = dc->SelectObject(font);
  const CSize size = dc->GetTextExtent(text);
  if (old) dc->SelectObject(old);
  return size;
}

}  // namespace

CUGAutoFontType::CUGAutoFontType() { m_canOverflow = 0; }

CUGAutoFontType::~CUGAutoFontType() = default;

const char* CUGAutoFontType::GetName() { return "Auto Font"; }

const UGID* CUGAutoFontType::GetTypeGuid() { return &kAutoFontTypeId; }

std::unique_ptr<CFont> CUGAutoFontType::CreateFittedFont(CDC* dc, const RECT& rect, const std::string& text) {
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  if (!dc || text.empty() || width <= 0) return nullptr;
  LOGFONT current;
  std::string face;
  if (CFont* font = dc->GetCurrentFont(); font && font->GetLogFont(&current)) face = current.lfFaceName.substr(0, 60);

  // A first guess from the width per character, corrected by the text's proportions.
  int h = std::max(width / static_cast<int>(text.size()), 1);
  CSize size = Measure(dc, MakeFont(h + h / 2, face).get(), text);
  if (size.cx > 0) h = static_cast<int>(static_cast<double>(width) * size.cy / size.cx);
  h = std::clamp(h, 1, kLargestHeight);

  // Then grown while the text is narrower than the rectangle, shrunk while wider.
  size = Measure(dc, MakeFont(h, face).get(), text);
  while (size.cx < width && h < kLargestHeight) size = Measure(dc, MakeFont(++h, face).get(), text);
  size = Measure(dc, MakeFont(--h, face).get(), text);
  while (size.cx > width && h > 2) size = Measure(dc, MakeFont(--h, face).get(), text);
  h = std::max(h - 1, 1);
  if (h > height) h = std::max(height, 2);
  return MakeFont(h, face);
}

void CUGAutoFontType::OnDraw(CDC* dc, RECT* rect, int col, long row, CUGCell* cell, int selected, int current) {
  if (!dc || !rect || !cell) return;
  TakeVisualStyles(cell);
  RECT inner = *rect;
  DrawBorder(dc, rect, &inner, cell);
  const int saved = dc->SaveDC();
  if (cell->IsPropertySet(CUGCell::kPropFont) && cell->GetFont()) dc->SelectObject(cell->GetFont());

  // The fitted font stands in for the cell's own while the text is drawn.
  CUGCell drawn;
  drawn.CopyInfoFrom(cell);
  std::unique_ptr<CFont> fitted;
  if (cell->GetTextLength() > 0) {
    RECT textArea = inner;
    textArea.left += Sheet() ? Sheet()->m_margin : 4;
    fitted = CreateFittedFont(dc, textArea, DisplayText(cell));
    if (fitted) {
      dc->SelectObject(fitted.get());
      drawn.SetFont(nullptr);
    }
  }
  DrawCellText(dc, &inner, 0, col, row, &drawn, selected, current);
  dc->RestoreDC(saved);
}
