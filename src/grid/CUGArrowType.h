#pragma once
// The side-arrow cell type (id 3): the cell as the normal type draws it, with
// a small arrow glyph centred over it. The extended style picks the glyph:
// 0 or kRight one arrow to the right, kLeft one to the left, kDoubleRight and
// kDoubleLeft two side by side. Arrow cells are never edited in place.
#include "grid/CUGCellType.h"

class CUGArrowType : public CUGCellType {
 public:
  enum : long { kRight = 0x10, kLeft = 0x20, kDoubleRight = 0x40, kDoubleLeft = 0x80 };

  CUGArrowType();
  ~CUGArrowType() override;

  const char* GetName() override;
  const UGID* GetTypeGuid() override;
  void OnDraw(CDC* dc, RECT* rect, int col, long row, CUGCell* cell, int selected, int current) override;
  // Only the width: the glyph needs 10 pixels, 14 for the double arrows.
  void GetBestSize(CDC* dc, CSize* size, CUGCell* cell) override;
};
