#pragma once
// The in-memory data source every sheet owns as its default source. Cells are
// kept per row, each row holding its columns from 0 up to the highest one
// written; rows are made from row 0 in either direction (heading rows are the
// negative ones), so a row may have fewer columns than another.
#include <cstddef>
#include <memory>
#include <vector>

#include "grid/CUGDataSource.h"
#include "grid/CUGGridInfo.h"

class CUGMem : public CUGDataSource {
 public:
  CUGMem();
  ~CUGMem() override;

  // The number of the last row (0 when there is none).
  long GetNumRows() override;
  int InsertRow(long row) override;
  int InsertCol(int col) override;
  int DeleteRow(long row) override;
  int DeleteCol(int col) override;
  int DeleteCell(int col, long row) override;
  int Empty() override;
  int GetCell(int col, long row, CUGCell* cell) override;
  int SetCell(int col, long row, CUGCell* cell) override;
  int FindNext(const std::string& text, int* col, long* row, int flags) override;
  int FindText(const std::string& text, int* col, long* row, int flags) override;
  int SortBy(const int* cols, int count, int flags) override;
  int SortByCol(int col, int flags) override;
  int FindNextFilledCol(int* col, long row) override;

 private:
  struct Row {
    std::vector<std::unique_ptr<CUGCell>> cols;      // columns 0, 1, ...; null: an empty place
    std::vector<std::unique_ptr<CUGCell>> sideCols;  // heading columns -1, -2, ...

    std::vector<std::unique_ptr<CUGCell>>& ColumnsOf(int col);
    static size_t IndexOf(int col);  // the place of col in ColumnsOf(col)
    void Clear();                    // every cell deleted, the places kept
  };

  bool HasRow(long row) const { return !m_rows.empty() && row >= m_firstRow && row <= LastRow(); }
  long LastRow() const { return m_firstRow + static_cast<long>(m_rows.size()) - 1; }
  Row& RowAt(long row) { return m_rows[static_cast<size_t>(row - m_firstRow)]; }
  // The place of (col, row), or null when its row or column was never made.
  std::unique_ptr<CUGCell>* Place(int col, long row);
  Row& MakeRow(long row);
  static void DeleteCellOf(std::unique_ptr<CUGCell>& place);
  // The settings of the owner's sheet on show, or null without an owner.
  CUGGridInfo* OwnerSheet() const;
  // Moves the data-source column of every grid column this source serves at
  // or after col by step, so the grid goes on showing the same data.
  void ShiftGridColumns(int col, int step);
  int GridColumnOf(int dataSourceCol) const;
  bool Serves(const CUGGridInfo& sheet, const CUGGridInfo::ColumnInfo& column) const;

  std::vector<Row> m_rows;
  long m_firstRow = 0;  // the row number of m_rows[0]: 0, or the topmost heading row
};
