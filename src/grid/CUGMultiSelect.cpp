#include "grid/CUGMultiSelect.h"

#include <algorithm>

#include "grid/CUGCtrl.h"
#include "grid/CUGGridInfo.h"
#include "grid/CUGSheetOwner.h"
#include "platform/base/InputState.h"
#include "platform/base/WinTypes.h"
#include "platform/ui/WinMessages.h"

int CUGMultiSelect::ClearAll() {
  m_blocks.clear();
  m_enumRunning = false;
  m_lastCol = -1;
  m_lastRow = -1;
  return 0;
}

void CUGMultiSelect::Normalise(Block& block) const {
  block.left = std::min(block.startCol, block.endCol);
  block.right = std::max(block.startCol, block.endCol);
  block.top = std::min(block.startRow, block.endRow);
  block.bottom = std::max(block.startRow, block.endRow);
  if (WholeRows()) {
    block.left = 0;
    block.right = m_GI != nullptr ? m_GI->m_numberCols : 0;
  }
}

void CUGMultiSelect::TellSelectionChanged(const Block& block) const {
  if (m_ctrl != nullptr)
    m_ctrl->OnSelectionChanged(block.right, block.top, block.left, block.bottom, GetNumberBlocks());
}

void CUGMultiSelect::AppendBlock(int col, long row, bool selected) {
  m_origCol = col;
  m_origRow = row;
  Block block;
  block.startCol = block.endCol = col;
  block.startRow = block.endRow = row;
  block.selected = selected;
  Normalise(block);
  m_blocks.push_back(block);
  TellSelectionChanged(block);
}

int CUGMultiSelect::StartBlock(int col, long row) {
  AppendBlock(col, row, true);
  return 0;
}

int CUGMultiSelect::EndBlock(int col, long row) {
  if (m_blocks.empty()) return 1;
  const Block before = m_blocks.back();
  Block& block = m_blocks.back();
  block.endCol = col;
  block.endRow = row;
  Normalise(block);
  const Block after = block;  // the owner's notification may change the list
  // Whatever lies in the old or the new extent may have changed its look.
  AddDrawHint(std::min(before.left, after.left), std::min(before.top, after.top),
              std::max(before.right, after.right), std::max(before.bottom, after.bottom));
  TellSelectionChanged(after);
  return 0;
}

void CUGMultiSelect::RestartAt(int col, long row) {
  RedrawSelection();
  ClearAll();
  StartBlock(col, row);
}

int CUGMultiSelect::OnLClick(int col, long row, unsigned keyFlags) {
  if (keyFlags & MK_CONTROL)
    StartBlock(col, row);
  else if (!(keyFlags & MK_SHIFT))
    RestartAt(col, row);
  else
    EndBlock(col, row);
  RememberTold(col, row);
  return 0;
}

int CUGMultiSelect::OnRClick(int col, long row, unsigned /*keyFlags*/) {
  // A right click inside the selection keeps it for the pop-up menu.
  if (!IsSelected(col, row)) RestartAt(col, row);
  RememberTold(col, row);
  return 0;
}

int CUGMultiSelect::OnKeyMove(int col, long row) {
  if (IsLastTold(col, row)) return 0;
  if (IsVirtualKeyDown(VK_SHIFT))
    EndBlock(col, row);
  else if (IsVirtualKeyDown(VK_CONTROL))
    StartBlock(col, row);
  else
    RestartAt(col, row);
  RememberTold(col, row);
  return 0;
}

int CUGMultiSelect::OnMouseMove(int col, long row, unsigned /*keyFlags*/) {
  if (IsLastTold(col, row)) return 0;
  EndBlock(col, row);
  RememberTold(col, row);
  return 0;
}

int CUGMultiSelect::ToggleCell(int col, long row) {
  for (auto block = m_blocks.rbegin(); block != m_blocks.rend(); ++block) {
    if (block->left == col && block->right == col && block->top == row && block->bottom == row) {
      block->selected = !block->selected;
      AddDrawHint(col, row, col, row);
      TellSelectionChanged(*block);
      return 0;
    }
  }
  AppendBlock(col, row, IsSelected(col, row) == 0);
  AddDrawHint(col, row, col, row);
  return 0;
}

void CUGMultiSelect::AnswerCorners(const Block& block, int* left, long* top, int* right, long* bottom) {
  if (left != nullptr) *left = block.left;
  if (top != nullptr) *top = block.top;
  if (right != nullptr) *right = block.right;
  if (bottom != nullptr) *bottom = block.bottom;
}

int CUGMultiSelect::GetOrigCell(int* col, long* row) const {
  if (m_blocks.empty()) return 1;
  if (col != nullptr) *col = m_origCol;
  if (row != nullptr) *row = m_origRow;
  return 0;
}

int CUGMultiSelect::GetCurrentBlock(int* left, long* top, int* right, long* bottom) const {
  if (m_blocks.empty()) return 1;
  AnswerCorners(m_blocks.back(), left, top, right, bottom);
  return 0;
}

int CUGMultiSelect::GetTotalRange(int* left, long* top, int* right, long* bottom) const {
  if (m_blocks.empty()) return 1;
  Block total = m_blocks.front();
  for (const Block& block : m_blocks) {
    total.left = std::min(total.left, block.left);
    total.top = std::min(total.top, block.top);
    total.right = std::max(total.right, block.right);
    total.bottom = std::max(total.bottom, block.bottom);
  }
  AnswerCorners(total, left, top, right, bottom);
  return 0;
}

template <typename Holds>
int CUGMultiSelect::DecidingBlock(Holds holds) const {
  const int count = GetNumberBlocks();
  if (m_mode & UG_MULTISELECT_FIRSTWINS) {
    for (int index = 0; index < count; ++index)
      if (holds(m_blocks[static_cast<size_t>(index)])) return index;
  } else {
    for (int index = count - 1; index >= 0; --index)
      if (holds(m_blocks[static_cast<size_t>(index)])) return index;
  }
  return -1;
}

int CUGMultiSelect::StateOf(int index, int* blockNum) const {
  if (index < 0) return 0;
  if (blockNum != nullptr) *blockNum = index;
  return m_blocks[static_cast<size_t>(index)].selected ? 1 : 0;
}

int CUGMultiSelect::IsSelected(int col, long row, int* blockNum) const {
  return StateOf(DecidingBlock([&](const Block& block) {
                   return col >= block.left && col <= block.right && row >= block.top && row <= block.bottom;
                 }),
                 blockNum);
}

int CUGMultiSelect::IsColSelected(int col, int* blockNum) const {
  // Whole rows span every column; column 1 stands for any of them.
  if (WholeRows()) col = 1;
  return StateOf(DecidingBlock([&](const Block& block) { return col >= block.left && col <= block.right; }),
                 blockNum);
}

int CUGMultiSelect::IsRowSelected(long row, int* blockNum) const {
  return StateOf(DecidingBlock([&](const Block& block) { return row >= block.top && row <= block.bottom; }),
                 blockNum);
}

int CUGMultiSelect::SelectMode(int mode) {
  ClearAll();
  m_mode = mode;
  return 0;
}

int CUGMultiSelect::EnumFirstSelected(int* col, long* row) {
  if (m_blocks.empty()) {
    // Without a selection the current cell is the one selected.
    m_enumRunning = false;
    if (col != nullptr) *col = m_GI != nullptr ? m_GI->m_currentCol : -1;
    if (row != nullptr) *row = m_GI != nullptr ? m_GI->m_currentRow : -1;
    return 0;
  }
  GetTotalRange(&m_enumLeft, &m_enumTop, &m_enumRight, &m_enumBottom);
  m_enumCol = m_enumLeft;
  m_enumRow = m_enumTop;
  m_enumRunning = true;
  if (IsSelected(m_enumCol, m_enumRow)) {
    if (col != nullptr) *col = m_enumCol;
    if (row != nullptr) *row = m_enumRow;
    return 0;
  }
  return EnumNextSelected(col, row);
}

int CUGMultiSelect::EnumNextSelected(int* col, long* row) {
  while (m_enumRunning) {
    // Whole rows give one cell each, in the range's left column.
    if (!WholeRows() && m_enumCol < m_enumRight) {
      ++m_enumCol;
    } else {
      m_enumCol = m_enumLeft;
      ++m_enumRow;
    }
    if (m_enumRow > m_enumBottom) break;
    if (IsSelected(m_enumCol, m_enumRow)) {
      if (col != nullptr) *col = m_enumCol;
      if (row != nullptr) *row = m_enumRow;
      return 0;
    }
  }
  m_enumRunning = false;
  return 1;
}

int CUGMultiSelect::EnumFirstBlock(int* left, long* top, int* right, long* bottom) {
  m_enumBlock = 0;
  return EnumNextBlock(left, top, right, bottom);
}

int CUGMultiSelect::EnumNextBlock(int* left, long* top, int* right, long* bottom) {
  if (m_enumBlock >= m_blocks.size()) return 1;
  AnswerCorners(m_blocks[m_enumBlock++], left, top, right, bottom);
  return 0;
}

void CUGMultiSelect::RedrawSelection() const {
  int left = 0, right = 0;
  long top = 0, bottom = 0;
  if (GetTotalRange(&left, &top, &right, &bottom) == 0) AddDrawHint(left, top, right, bottom);
}

void CUGMultiSelect::AddDrawHint(int left, long top, int right, long bottom) const {
  if (CUGSheetOwner* owner = CUGSheetOwner::Of(m_ctrl)) owner->AddDrawHint(left, top, right, bottom);
}
