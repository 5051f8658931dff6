#pragma once
// The auto-font cell type: the cell's text drawn in a bold font sized to fill
// the cell (as wide as the text allows, never taller than the cell). Its text
// never spills into neighbouring cells.
#include <memory>
#include <string>

#include "grid/CUGCellType.h"

class CFont;

class CUGAutoFontType : public CUGCellType {
 public:
  static constexpr int kFittedWeight = 600;
  static constexpr int kLargestHeight = 500;

  CUGAutoFontType();
  ~CUGAutoFontType() override;

  const char* GetName() override;
  const UGID* GetTypeGuid() override;
  void OnDraw(CDC* dc, RECT* rect, int col, long row, CUGCell* cell, int selected, int current) override;

  // A font in the context's current face whose text fills the rectangle's width
  // and is no taller than it; null for an empty text or rectangle.
  static std::unique_ptr<CFont> CreateFittedFont(CDC* dc, const RECT& rect, const std::string& text);
};
