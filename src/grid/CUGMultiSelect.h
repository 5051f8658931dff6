#pragma once
// The multiple selection of one sheet: a list of rectangular blocks, made from
// clicks, drags and keyboard moves. A later block overrides an earlier one for
// the cells they share (the first one with UG_MULTISELECT_FIRSTWINS), so a
// one-cell block with its selected flag clear cuts a hole in a selection.
#include <cstddef>
#include <vector>

class CUGCtrl;
class CUGGridInfo;

constexpr int UG_MULTISELECT_ROW = 2;         // blocks span whole rows
constexpr int UG_MULTISELECT_FIRSTWINS = 16;  // a cell takes the state of the first block holding it

class CUGMultiSelect {
 public:
  CUGMultiSelect() = default;
  virtual ~CUGMultiSelect() = default;
  CUGMultiSelect(const CUGMultiSelect&) = delete;
  CUGMultiSelect& operator=(const CUGMultiSelect&) = delete;

  // The control and the sheet the selection belongs to (given by the control).
  void SetOwner(CUGCtrl* ctrl, CUGGridInfo* sheet) {
    m_ctrl = ctrl;
    m_GI = sheet;
  }

  virtual int ClearAll();
  virtual int StartBlock(int col, long row);
  virtual int EndBlock(int col, long row);
  virtual int OnLClick(int col, long row, unsigned keyFlags);
  virtual int OnRClick(int col, long row, unsigned keyFlags);
  virtual int OnKeyMove(int col, long row);
  virtual int OnMouseMove(int col, long row, unsigned keyFlags);
  virtual int ToggleCell(int col, long row);
  virtual int GetOrigCell(int* col, long* row) const;
  virtual int GetCurrentBlock(int* left, long* top, int* right, long* bottom) const;
  virtual int GetTotalRange(int* left, long* top, int* right, long* bottom) const;
  virtual int GetNumberBlocks() const { return static_cast<int>(m_blocks.size()); }
  virtual int IsSelected(int col, long row, int* blockNum = nullptr) const;
  virtual int IsColSelected(int col, int* blockNum = nullptr) const;
  virtual int IsRowSelected(long row, int* blockNum = nullptr) const;
  virtual int SelectMode(int mode);
  virtual int GetSelectMode() const { return m_mode; }
  virtual int EnumFirstSelected(int* col, long* row);
  virtual int EnumNextSelected(int* col, long* row);
  virtual int EnumFirstBlock(int* left, long* top, int* right, long* bottom);
  virtual int EnumNextBlock(int* left, long* top, int* right, long* bottom);

 private:
  struct Block {
    int startCol = 0, endCol = 0;  // as dragged
    long startRow = 0, endRow = 0;
    int left = 0, right = 0;  // normalised
    long top = 0, bottom = 0;
    bool selected = true;  // false: a hole cut by ToggleCell
  };

  bool WholeRows() const { return (m_mode & UG_MULTISELECT_ROW) != 0; }
  void Normalise(Block& block) const;
  static void AnswerCorners(const Block& block, int* left, long* top, int* right, long* bottom);
  void AppendBlock(int col, long row, bool selected);
  void TellSelectionChanged(const Block& block) const;
  // The last block (the first with UG_MULTISELECT_FIRSTWINS) that the test
  // holds; -1 for none.
  template <typename Holds>
  int DecidingBlock(Holds holds) const;
  int StateOf(int index, int* blockNum) const;
  void RedrawSelection() const;
  void AddDrawHint(int left, long top, int right, long bottom) const;
  void RestartAt(int col, long row);
  void RememberTold(int col, long row) {
    m_lastCol = col;
    m_lastRow = row;
  }
  bool IsLastTold(int col, long row) const { return col == m_lastCol && row == m_lastRow; }

  std::vector<Block> m_blocks;  // in the order they were made
  int m_origCol = -1;
  long m_origRow = -1;
  int m_mode = 0;

  // Enumeration of the selected cells and of the blocks.
  bool m_enumRunning = false;
  int m_enumLeft = 0, m_enumRight = 0;
  long m_enumTop = 0, m_enumBottom = 0;
  int m_enumCol = 0;
  long m_enumRow = 0;
  size_t m_enumBlock = 0;

  CUGCtrl* m_ctrl = nullptr;
  CUGGridInfo* m_GI = nullptr;
  int m_lastCol = -1;  // the last cell told, so a repeat is ignored
  long m_lastRow = -1;
};
