#pragma once
// The cells the next paint of a grid window draws: rectangles of cells, with
// the cells already drawn in the current paint (a joined cell is drawn once).
// Negative column and row numbers are heading cells.
//
// A window whose list it is may ask to hear of every range added, to mark the
// range's pixels invalid: Qt then paints them in the window's paint event.
#include <functional>
#include <utility>
#include <vector>

#include "platform/base/WinTypes.h"

class CUGPaintList {
 public:
  using RangeAdded = std::function<void(int startCol, long startRow, int endCol, long endRow)>;

  void SetRangeAdded(RangeAdded onAdded) { m_onAdded = std::move(onAdded); }
  // While held, added ranges are not reported (the paint itself adds them).
  void SetReporting(bool report) { m_reporting = report; }

  void AddRange(int startCol, long startRow, int endCol, long endRow);
  void AddCell(int col, long row) { AddRange(col, row, col, row); }
  // Widens the first range (added when the list is empty) to hold the given one.
  void GrowFirst(int startCol, long startRow, int endCol, long endRow);
  BOOL Contains(int col, long row) const;
  BOOL WasDrawn(int col, long row) const;
  void MarkDrawn(int col, long row);
  // Empties both lists; the bounds are reset by the next range.
  void Clear();

 private:
  struct Range {
    int startCol;
    long startRow;
    int endCol;
    long endRow;
  };
  static constexpr size_t kMaxRanges = 512;
  void Widen(const Range& range);
  std::vector<Range> m_ranges;
  std::vector<std::pair<int, long>> m_drawn;
  int m_minCol = 0;
  int m_maxCol = 0;
  long m_minRow = 0;
  long m_maxRow = 0;
  RangeAdded m_onAdded;
  bool m_reporting = true;
};
