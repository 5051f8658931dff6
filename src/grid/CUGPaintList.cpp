#include "grid/CUGPaintList.h"

#include <algorithm>

void CUGPaintList::Widen(const Range& range) {
  if (m_ranges.empty()) {
    m_minCol = range.startCol;
    m_maxCol = range.endCol;
    m_minRow = range.startRow;
    m_maxRow = range.endRow;
    return;
  }
  m_minCol = std::min(m_minCol, range.startCol);
  m_maxCol = std::max(m_maxCol, range.endCol);
  m_minRow = std::min(m_minRow, range.startRow);
  m_maxRow = std::max(m_maxRow, range.endRow);
}

void CUGPaintList::AddRange(int startCol, long startRow, int endCol, long endRow) {
  const Range range{startCol, startRow, endCol, endRow};
  Widen(range);
  // A window that is not painted for a long while keeps collecting: past a
  // limit the list becomes its bounds (more cells drawn, none missed).
  if (m_ranges.size() >= kMaxRanges)
    m_ranges.assign(1, Range{m_minCol, m_minRow, m_maxCol, m_maxRow});
  else
    m_ranges.push_back(range);
  if (m_reporting && m_onAdded) m_onAdded(startCol, startRow, endCol, endRow);
}

void CUGPaintList::GrowFirst(int startCol, long startRow, int endCol, long endRow) {
  if (m_ranges.empty()) {
    AddRange(startCol, startRow, endCol, endRow);
    return;
  }
  Range& first = m_ranges.front();
  first.startCol = std::min(first.startCol, startCol);
  first.startRow = std::min(first.startRow, startRow);
  first.endCol = std::max(first.endCol, endCol);
  first.endRow = std::max(first.endRow, endRow);
  Widen(first);
  if (m_reporting && m_onAdded) m_onAdded(startCol, startRow, endCol, endRow);
}

BOOL CUGPaintList::Contains(int col, long row) const {
  if (m_ranges.empty()) return FALSE;
  if (col < m_minCol || col > m_maxCol || row < m_minRow || row > m_maxRow) return FALSE;
  for (const Range& r : m_ranges) {
    if (col >= r.startCol && col <= r.endCol && row >= r.startRow && row <= r.endRow) return TRUE;
  }
  return FALSE;
}

BOOL CUGPaintList::WasDrawn(int col, long row) const {
  return std::find(m_drawn.begin(), m_drawn.end(), std::make_pair(col, row)) != m_drawn.end() ? TRUE : FALSE;
}

void CUGPaintList::MarkDrawn(int col, long row) { m_drawn.emplace_back(col, row); }

void CUGPaintList::Clear() {
  m_ranges.clear();
  m_drawn.clear();
}
