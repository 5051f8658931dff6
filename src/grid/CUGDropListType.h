#pragma once
// The drop-list cell type (id 1): the cell with a button at its right edge
// that drops a list of choices under the cell. The choices are the cell's
// label split at line feeds ("True\nFalse\n" offers two); text after the last
// line feed is not a choice. Before the list drops the control is told
// (kDropping, the address of a Choices list it may read); an answer of 0 keeps
// the list closed. The list writes the chosen line into the cell.
//
// Extended-style bit kNormalUnlessCurrent draws a cell that is not current
// as a normal cell, without the button.
#include <memory>
#include <string>
#include <vector>

#include "grid/CUGCellType.h"
#include "platform/ui/CBrush.h"
#include "platform/ui/CPen.h"

class CFont;
class CUGLstBox;

class CUGDropListType : public CUGCellType {
 public:
  using Choices = std::vector<std::string>;
  enum : long { kNormalUnlessCurrent = 0x200 };
  // Sent through NotifyControl with the address of the Choices as parameter.
  static constexpr long kDropping = 100;
  // The list's window id (a child of the cell area).
  static constexpr UINT kListId = 123;
  // The list is never taller than this many lines.
  static constexpr int kMaxListLines = 15;
  // Dropped-cell column of a list just closed by a click elsewhere.
  static constexpr int kJustClosed = -2;

  CUGDropListType();
  ~CUGDropListType() override;

  const char* GetName() override;
  const UGID* GetTypeGuid() override;
  // The editor leaves the button free.
  int GetEditArea(RECT* rect) override;
  BOOL OnLClicked(int col, long row, int upDown, RECT* rect, POINT* point) override;
  BOOL OnDClicked(int col, long row, RECT* rect, POINT* point) override;
  BOOL OnKeyDown(int col, long row, UINT* key) override;
  BOOL OnCharDown(int col, long row, UINT* key) override;
  BOOL OnMouseMove(int col, long row, POINT* point, UINT keyFlags) override;
  void OnDraw(CDC* dc, RECT* rect, int col, long row, CUGCell* cell, int selected, int current) override;
  void OnKillFocus(int col, long row, CUGCell* cell) override;
  void GetBestSize(CDC* dc, CSize* size, CUGCell* cell) override;

  // The choices a label offers.
  static Choices SplitChoices(const char* label);
  // Drops the list for the dropped cell; 1 when it was shown.
  int StartDropList();

  int GetButtonWidth() const { return m_btnWidth; }
  // The cell whose list is dropped: -1 when none, column kJustClosed after a click elsewhere closed it.
  int DroppedCol() const { return m_btnCol; }
  long DroppedRow() const { return m_btnRow; }
  // The list window (null until first dropped); shown while a list is open.
  CUGLstBox* ListWindow() const { return m_listBox.get(); }

 private:
  bool ListShown() const;
  void HideList();
  // Creates the list window when needed, fills, places and shows it with the focus.
  void ShowList(const Choices& choices, const RECT& place, CFont* font);
  // The font that sets the list's line height, and that height in pixels.
  CFont* ListFont(CUGCell* cell) const;
  static int LineHeight(CFont* font);
  void RepaintDropped();
  void DrawButton(CDC* dc, const RECT& button, bool pressed, bool readOnly);

  int m_btnWidth;
  BOOL m_btnDown = FALSE;
  RECT m_btnRect{0, 0, 0, 0};
  int m_btnCol = -1;
  long m_btnRow = -1;
  CPen m_pen;
  CBrush m_brush;
  std::unique_ptr<CUGLstBox> m_listBox;
};
