#pragma once
// A grid control standing in for the real one: it shows one sheet, records
// the cells it is asked to repaint and the selection changes it is told of.
#include <array>
#include <vector>

#include "grid/CUGCtrl.h"
#include "grid/CUGGridInfo.h"
#include "grid/CUGSheetOwner.h"

class FakeGridOwner : public CUGCtrl {
 public:
  using Range = std::array<long, 5>;

  FakeGridOwner() { sheet.SetOwner(this); }

  // Columns 0 .. count - 1, each showing the data-source column of its own number.
  void SetColumns(int count) {
    sheet.m_numberCols = count;
    sheet.m_colInfo.resize(static_cast<size_t>(count));
    for (int col = 0; col < count; ++col) sheet.m_colInfo[static_cast<size_t>(col)].colTranslation = col;
  }
  std::vector<int> Translations() const {
    std::vector<int> result;
    for (const auto& column : sheet.m_colInfo) result.push_back(column.colTranslation);
    return result;
  }

  CUGGridInfo* CurrentSheet() override { return &sheet; }
  void AddDrawHint(int startCol, long startRow, int endCol, long endRow) override {
    hints.push_back({startCol, startRow, endCol, endRow, 0});
  }
  void OnSelectionChanged(int right, long top, int left, long bottom, int blocks) override {
    selections.push_back({right, top, left, bottom, blocks});
  }

  CUGGridInfo sheet;
  std::vector<Range> hints;       // start col, start row, end col, end row
  std::vector<Range> selections;  // as told: right, top, left, bottom, block count
};
