#pragma once
// The slider cell type: the cell's value 0 to 100 shown as a horizontal track
// with a thumb the user drags. The value is the cell's text read as a whole
// number; the drag writes it back as the cell's number and tells the control
// (kValueChanged, the new value) once per change. Never edited in place.
#include "grid/CUGCell.h"
#include "grid/CUGCellType.h"
#include "platform/ui/CPen.h"

class CUGSliderType : public CUGCellType {
 public:
  static constexpr long kValueChanged = 100;

  CUGSliderType();
  ~CUGSliderType() override;

  const char* GetName() override;
  const UGID* GetTypeGuid() override;
  BOOL OnLClicked(int col, long row, int upDown, RECT* rect, POINT* point) override;
  BOOL OnMouseMove(int col, long row, POINT* point, UINT keyFlags) override;
  void OnDraw(CDC* dc, RECT* rect, int col, long row, CUGCell* cell, int selected, int current) override;

  // The leading digits of the text (none: 0), limited to 0..100; a long run of digits is 100.
  static int ValueOf(const char* text);
  // The thumb's x for a value over a rectangle from left of the given width.
  static int ThumbX(int left, int width, int value);

 private:
  CPen m_lightPen;
  CPen m_darkPen;
  bool m_dragging = false;
  CUGCell m_cell;  // scratch
};
