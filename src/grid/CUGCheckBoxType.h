#pragma once
// The check-box cell type (id 2): a box beside the cell's text whose value is
// the cell's number: 0 unchecked, 1 checked, 2 indeterminate. A press inside
// the box, a double click on it or the space key moves it on to the next
// state, writes the cell and tells the control (kToggled, the new value).
// The extended-style bits below choose the look.
#include "grid/CUGCell.h"
#include "grid/CUGCellType.h"
#include "platform/ui/CBrush.h"
#include "platform/ui/CPen.h"

class CUGCheckBoxType : public CUGCellType {
 public:
  enum : long {
    kSunken = 0x100,
    kRaised = 0x200,
    kRound = 0x400,
    kPlaceByAlignment = 0x800,
    kCheckMark = 0x1000,
    kThreeStates = 0x2000,
    kDisabled = 0x4000,
  };
  // Sent through NotifyControl with the new value.
  static constexpr long kToggled = 53;

  CUGCheckBoxType();
  ~CUGCheckBoxType() override;

  const char* GetName() override;
  const UGID* GetTypeGuid() override;
  BOOL OnLClicked(int col, long row, int upDown, RECT* rect, POINT* point) override;
  BOOL OnDClicked(int col, long row, RECT* rect, POINT* point) override;
  BOOL OnCharDown(int col, long row, UINT* key) override;
  void OnDraw(CDC* dc, RECT* rect, int col, long row, CUGCell* cell, int selected, int current) override;
  void GetBestSize(CDC* dc, CSize* size, CUGCell* cell) override;

  // The box inside the cell's rectangle; empty (right == left) when it is too small to draw.
  RECT BoxRect(const RECT& cellRect, CUGCell* cell) const;

 private:
  // The next value written, told and redrawn in the order the caller asks for.
  enum class Order { NotifyThenRepaint, RepaintThenNotify };
  bool Toggle(int col, long row, Order order);
  // Whether the cell lets its box be toggled (not read-only, not disabled).
  static bool Toggleable(CUGCell* cell);
  void DrawFrame(CDC* dc, const RECT& box, long style, bool highlighted);
  void DrawMark(CDC* dc, const RECT& box, long style, double value, bool highlighted);

  CPen m_shadowPen;
  CPen m_lightPen;
  CPen m_facePen;
  CBrush m_ditherBrush;  // no handle when it could not be made
  CUGCell m_cell;        // scratch
};
