#include "grid/CUGMem.h"

#include <QString>
#include <algorithm>
#include <iterator>

#include "grid/CUGCell.h"
#include "grid/CUGCtrl.h"
#include "grid/CUGGridInfo.h"
#include "grid/CUGSheetOwner.h"

CUGMem::CUGMem() = default;

CUGMem::~CUGMem() { Empty(); }

std::unique_ptr<CUGCell>* CUGMem::Place(int col, long row) {
  if (!HasRow(row)) return nullptr;
  Row& entry = RowAt(row);
  auto& cols = col >= 0 ? entry.cols : entry.sideCols;
  const size_t index = static_cast<size_t>(col >= 0 ? col : -col - 1);
  return index < cols.size() ? &cols[index] : nullptr;
}

CUGMem::Row& CUGMem::MakeRow(long row) {
  if (m_rows.empty()) {
    m_firstRow = 0;
    m_rows.emplace_back();
  }
  if (row < m_firstRow) {
    std::vector<Row> above(static_cast<size_t>(m_firstRow - row));
    m_rows.insert(m_rows.begin(), std::make_move_iterator(above.begin()), std::make_move_iterator(above.end()));
    m_firstRow = row;
  } else if (row > LastRow()) {
    m_rows.resize(static_cast<size_t>(row - m_firstRow + 1));
  }
  return RowAt(row);
}

void CUGMem::DeleteCellOf(std::unique_ptr<CUGCell>& place) {
  if (!place) return;
  place->ClearAttached();
  place.reset();
}

long CUGMem::GetNumRows() { return m_rows.empty() ? 0 : LastRow(); }

int CUGMem::GetCell(int col, long row, CUGCell* cell) {
  std::unique_ptr<CUGCell>* place = Place(col, row);
  if (cell == nullptr || place == nullptr || !*place) return 1;
  (*place)->AddInfoTo(cell);
  return 0;
}

int CUGMem::SetCell(int col, long row, CUGCell* cell) {
  if (cell == nullptr) return 1;
  Row& entry = MakeRow(row);
  auto& cols = col >= 0 ? entry.cols : entry.sideCols;
  const size_t index = static_cast<size_t>(col >= 0 ? col : -col - 1);
  if (index >= cols.size()) cols.resize(index + 1);
  if (!cols[index]) cols[index] = std::make_unique<CUGCell>();
  cols[index]->CopyInfoFrom(cell);
  return 0;
}

int CUGMem::InsertRow(long row) {
  if (!HasRow(row)) return 1;
  m_rows.insert(m_rows.begin() + (row - m_firstRow), Row{});
  return 0;
}

int CUGMem::InsertCol(int col) {
  if (m_rows.empty() || col < 0) return 1;
  const int position = GridColumnOf(col);
  for (Row& entry : m_rows) {
    const size_t index = static_cast<size_t>(position);
    if (index < entry.cols.size()) entry.cols.insert(entry.cols.begin() + position, nullptr);
  }
  ShiftGridColumns(position, +1);
  return 0;
}

int CUGMem::DeleteRow(long row) {
  if (!HasRow(row)) return 0;
  Row& entry = RowAt(row);
  for (auto& place : entry.cols) DeleteCellOf(place);
  for (auto& place : entry.sideCols) DeleteCellOf(place);
  m_rows.erase(m_rows.begin() + (row - m_firstRow));
  // The last row gone leaves a source that starts again from row 0.
  if (m_rows.empty()) m_firstRow = 0;
  return 0;
}

int CUGMem::DeleteCol(int col) {
  if (m_rows.empty() || col < 0) return 1;
  const size_t index = static_cast<size_t>(col);
  for (Row& entry : m_rows) {
    if (index >= entry.cols.size()) continue;
    DeleteCellOf(entry.cols[index]);
    // A row's last column stays, empty.
    if (index + 1 < entry.cols.size()) entry.cols.erase(entry.cols.begin() + col);
  }
  ShiftGridColumns(col, -1);
  return 0;
}

int CUGMem::DeleteCell(int col, long row) {
  std::unique_ptr<CUGCell>* place = Place(col, row);
  if (place == nullptr) return 1;
  DeleteCellOf(*place);
  return 0;
}

int CUGMem::Empty() {
  for (Row& entry : m_rows) {
    for (auto& place : entry.cols) DeleteCellOf(place);
    for (auto& place : entry.sideCols) DeleteCellOf(place);
  }
  m_rows.clear();
  m_firstRow = 0;
  return 0;
}

CUGGridInfo* CUGMem::OwnerSheet() const {
  CUGSheetOwner* owner = CUGSheetOwner::Of(m_ctrl);
  return owner != nullptr ? owner->CurrentSheet() : nullptr;
}

int CUGMem::GridColumnOf(int dataSourceCol) const {
  if (const CUGGridInfo* sheet = OwnerSheet()) {
    for (size_t col = 0; col < sheet->m_colInfo.size(); ++col)
      if (sheet->m_colInfo[col].colTranslation == dataSourceCol) return static_cast<int>(col);
  }
  return dataSourceCol;
}

void CUGMem::ShiftGridColumns(int col, int step) {
  CUGGridInfo* sheet = OwnerSheet();
  if (sheet == nullptr) return;
  for (CUGGridInfo::ColumnInfo& column : sheet->m_colInfo) {
    // Columns of another source keep their numbers: this source's columns moved, not theirs.
    const CUGDataSource* source = column.dataSource != nullptr ? column.dataSource : sheet->m_defDataSource;
    if (source == this && column.colTranslation >= col) column.colTranslation += step;
  }
}

namespace {
bool TextMatches(const char* cellText, const QString& wanted, int flags) {
  if (cellText == nullptr) return false;
  const QString text = QString::fromUtf8(cellText);
  const Qt::CaseSensitivity sensitivity = (flags & UG_FIND_CASEINSENSITIVE) ? Qt::CaseInsensitive : Qt::CaseSensitive;
  if (flags & UG_FIND_PARTIAL) return text.contains(wanted, sensitivity);
  return text.compare(wanted, sensitivity) == 0;
}
}  // namespace

int CUGMem::FindText(const std::string& text, int* col, long* row, int flags) {
  const CUGGridInfo* sheet = OwnerSheet();
  if (sheet == nullptr || col == nullptr || row == nullptr) return 1;
  const int numCols = sheet->m_numberCols;
  const long numRows = sheet->m_numberRows;
  if (numCols <= 0 || numRows <= 0) return 1;
  const bool across = (flags & UG_FIND_ALLCOLUMNS) != 0;
  const bool backwards = (flags & UG_FIND_UP) != 0;
  const QString wanted = QString::fromStdString(text);

  int c = *col;
  long r = *row;
  // Every place once, and the start place again last.
  const long long places = (static_cast<long long>(numRows) + 1) * (across ? numCols : 1);
  for (long long visited = 0; visited < places; ++visited) {
    if (across && !backwards) {
      if (++c >= numCols) {
        c = 0;
        if (++r >= numRows) r = 0;
      }
    } else if (across) {
      if (--c < 0) {
        c = numCols - 1;
        if (--r < 0) r = numRows - 1;
      }
    } else if (!backwards) {
      if (++r >= numRows) r = 0;
    } else if (--r < 0) {
      r = numRows - 1;
    }
    std::unique_ptr<CUGCell>* place = Place(c, r);
    if (place != nullptr && *place && TextMatches((*place)->GetText(), wanted, flags)) {
      *col = c;
      *row = r;
      return 0;
    }
  }
  return 1;
}

int CUGMem::FindNext(const std::string& text, int* col, long* row, int flags) {
  if (col == nullptr || row == nullptr) return 1;
  if (flags & UG_FIND_ALLCOLUMNS) {
    *col = -1;
    *row = 0;
  } else {
    *row = -1;
  }
  return FindText(text, col, row, flags);
}

int CUGMem::SortBy(const int* cols, int count, int flags) {
  if (m_ctrl == nullptr || cols == nullptr || count <= 0) return 1;
  const size_t firstData = static_cast<size_t>(-std::min(m_firstRow, 0L));
  if (firstData >= m_rows.size()) return 0;

  // A missing cell sorts as an empty one.
  CUGCell empty;
  struct Keyed {
    std::vector<CUGCell*> keys;
    Row* row;
  };
  std::vector<Keyed> order;
  order.reserve(m_rows.size() - firstData);
  for (size_t index = firstData; index < m_rows.size(); ++index) {
    Keyed keyed{{}, &m_rows[index]};
    for (int key = 0; key < count; ++key) {
      const int col = cols[key];
      CUGCell* cell = &empty;
      const auto& rowCols = m_rows[index].cols;
      if (col >= 0 && static_cast<size_t>(col) < rowCols.size() && rowCols[static_cast<size_t>(col)])
        cell = rowCols[static_cast<size_t>(col)].get();
      keyed.keys.push_back(cell);
    }
    order.push_back(std::move(keyed));
  }
  std::stable_sort(order.begin(), order.end(), [&](const Keyed& a, const Keyed& b) {
    for (size_t key = 0; key < a.keys.size(); ++key) {
      const int result = m_ctrl->OnSortEvaluate(a.keys[key], b.keys[key], flags);
      if (result != 0) return result < 0;
    }
    return false;
  });
  std::vector<Row> sorted;
  sorted.reserve(m_rows.size());
  for (size_t index = 0; index < firstData; ++index) sorted.push_back(std::move(m_rows[index]));
  for (Keyed& keyed : order) sorted.push_back(std::move(*keyed.row));
  m_rows = std::move(sorted);
  return 0;
}

int CUGMem::SortByCol(int col, int flags) { return SortBy(&col, 1, flags); }

int CUGMem::FindNextFilledCol(int* col, long row) {
  if (col == nullptr || *col < 0) return 1;
  std::unique_ptr<CUGCell>* place = Place(*col, row);
  if (place == nullptr) return 1;
  for (int c = *col - 1; c >= 0; --c) {
    std::unique_ptr<CUGCell>* left = Place(c, row);
    if (left != nullptr && *left && (*left)->IsPropertySet(CUGCell::kPropText)) {
      *col = c;
      return 0;
    }
  }
  return 1;
}
