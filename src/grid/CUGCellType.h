#pragma once
// How a cell is drawn, measured and edited, and how it takes the mouse and the
// keyboard. This base is also the normal type that every cell without a
// cell-type property uses; the other types derive from it and override what
// they do differently.
//
// The grid registers each type (RegisterCellType), which gives it its id and
// its control; the cell area and the headings call the drawing and event
// operations with the fully fetched cell.
#include <cstdint>

#include "grid/CUGPtrList.h"
#include "platform/base/WinTypes.h"
#include "platform/ui/CPoint.h"
#include "platform/ui/CRect.h"
#include "platform/ui/CSize.h"

class CBitmap;
class CDC;
class CUGCell;
class CUGCtrl;
class CUGGridInfo;

class CUGCellType {
 public:
  // Cell-type extension bits the normal type reads.
  enum : long {
    kExMultiLine = 2,     // several lines with word breaking
    kExEllipsis = 4,      // one line ending with an ellipsis
    kExLabelText = 8,     // draw the label instead of the text
    kExDisabled = 0x4000  // drawn greyed
  };
  // Alignment bits.
  enum : short {
    kAlignLeft = 1,
    kAlignRight = 2,
    kAlignCenter = 4,
    kAlignTop = 8,
    kAlignBottom = 16,
    kAlignVCenter = 32
  };
  static constexpr COLORREF kDisabledTextColor = 0x8C8C8C;

  CUGCellType();
  virtual ~CUGCellType();
  CUGCellType(const CUGCellType&) = delete;
  CUGCellType& operator=(const CUGCellType&) = delete;

  // Draws the bitmap at the rectangle's left; answers the width used, margins included.
  virtual int DrawBitmap(CDC* dc, CBitmap* bitmap, RECT* rect, COLORREF backColor);
  // Draws the cell's border lines; rectOut receives what is left inside them.
  virtual void DrawBorder(CDC* dc, RECT* rect, RECT* rectOut, CUGCell* cell);
  // Fills the background and draws the text, offset pixels to the right of its
  // place (negative for a text spilling in from a cell to the left).
  virtual void DrawCellText(CDC* dc, RECT* rect, int offset, int col, long row, CUGCell* cell, int selected,
                            int current);
  virtual void DrawBackground(CDC* dc, RECT* rect, COLORREF color, int col, long row, CUGCell* cell, int selected,
                              int current);
  // For an empty cell: the column to the left whose text spills into it, and
  // the offset (0 or less) at which that text is drawn here; 0 when none does.
  virtual int GetOverflowSource(CDC* dc, int col, long row, int* sourceCol, CUGCell* cell);

  virtual const char* GetName();
  virtual const UGID* GetTypeGuid();
  // May shrink the rectangle the in-place editor takes; 0.
  virtual int GetEditArea(RECT* rect);

  // Events; TRUE when the type handled them. upDown: 1 button down, 0 up.
  virtual BOOL OnLClicked(int col, long row, int upDown, RECT* rect, POINT* point);
  virtual BOOL OnRClicked(int col, long row, int upDown, RECT* rect, POINT* point);
  virtual BOOL OnDClicked(int col, long row, RECT* rect, POINT* point);
  // The key may be changed; 0 stops the grid's own handling of it.
  virtual BOOL OnKeyDown(int col, long row, UINT* key);
  virtual BOOL OnKeyUp(int col, long row, UINT* key);
  virtual BOOL OnCharDown(int col, long row, UINT* key);
  virtual BOOL OnMouseMove(int col, long row, POINT* point, UINT keyFlags);

  virtual void OnDraw(CDC* dc, RECT* rect, int col, long row, CUGCell* cell, int selected, int current);
  // Non-zero when the type drew the focus itself.
  virtual int OnDrawFocusRect(CDC* dc, RECT* rect, int col, long row);
  virtual void OnSetFocus(int col, long row, CUGCell* cell);
  virtual void OnKillFocus(int col, long row, CUGCell* cell);
  // Column and row sizes: while a heading drags them, and once they are set.
  virtual void OnChangedCellWidth(int col, long row, int* width);
  virtual void OnChangingCellWidth(int col, long row, int* width);
  virtual void OnChangedCellHeight(int col, long row, int* height);
  virtual void OnChangingCellHeight(int col, long row, int* height);
  // The size the cell needs to show all of its content; size comes in with
  // the height available and leaves with the width and height needed.
  virtual void GetBestSize(CDC* dc, CSize* size, CUGCell* cell);
  virtual void OnScrolled(int col, long row, CUGCell* cell);
  // The system colours or settings changed.
  virtual int OnSystemChange();
  // Message 0x464 sent to the grid with this type's id.
  virtual int OnMessage(std::intptr_t value);
  // Hands a notification to the control's OnCellTypeNotify; its answer.
  virtual int NotifyControl(long id, int col, long row, long message, std::intptr_t param);

  // Any non-zero flag is stored as 1.
  void SetEditFlag(int flag) { m_canEdit = flag != 0 ? 1 : 0; }
  int GetEditFlag() const { return m_canEdit; }
  int GetOverflowFlag() const { return m_canOverflow; }
  int GetID() const { return m_ID; }
  CUGCtrl* GetControl() const { return m_ctrl; }
  // Set by the control when it registers the type.
  void SetControl(CUGCtrl* ctrl) { m_ctrl = ctrl; }
  void SetID(int id) { m_ID = id; }

 protected:
  // The settings of the control's sheet on show, or null before registration.
  CUGGridInfo* Sheet() const;
  // The text a cell shows: its label for label types, else its text ("" for none).
  const char* DisplayText(CUGCell* cell) const;
  // Every drawing starts here: unless the type's own setting overrides it, the
  // cell's visual-styles flag decides whether the visual-style layer draws.
  void TakeVisualStyles(CUGCell* cell);
  // A cell is drawn in its highlight colours when selected, or when current
  // while the sheet highlights the current cell.
  bool DrawnHighlighted(int selected, int current) const;

  BOOL m_drawThemesSet = FALSE;  // while clear, each drawing takes the cell's visual-styles flag
  BOOL m_useThemes = TRUE;
  int m_canEdit = 1;
  int m_drawLabelText = 0;
  int m_canOverflow = 1;
  double m_dScaleFactor = 1.0;
  CUGCtrl* m_ctrl = nullptr;
  int m_ID = -1;

 public:
  // Whether the cell may spill its text into empty cells to its right (the editor grows the same way).
  bool MaySpill(CUGCell* cell) const;

 private:
  bool ThemesActive() const;
};
