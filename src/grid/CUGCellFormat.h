#pragma once
// A cell's format object: when a fetched cell names one, the grid lets it adjust
// the cell before anyone sees it. Nothing in the program sets one yet.
class CUGCell;

class CUGCellFormat {
 public:
  virtual ~CUGCellFormat() = default;
  virtual void ApplyFormat(CUGCell* cell) = 0;
};
