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

std::vector<std::unique_ptr<CUGCell>>& CUGMem::Row::ColumnsOf(int col) { return col >= 0 ? cols : sideCols; }

size_t CUGMem::Row::IndexOf(int col) { return static_cast<size_t>(col >= 0 ? col : -col - 1); }

void CUGMem::Row::Clear() {
  for (auto& place : cols) DeleteCellOf(place);
  for (auto& place : sideCols) DeleteCellOf(place);
}

std::unique_ptr<CUGCell>* CUGMem::Place(int col, long row) {
  if (!HasRow(row)) return nullptr;
  auto& cols = RowAt(row).ColumnsOf(col);
  const size_t index = Row::IndexOf(col);
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
  auto& cols = MakeRow(row).ColumnsOf(col);
  const size_t index = Row::IndexOf(col);
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
  RowAt(row).Clear();
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
  for (Row& entry : m_rows) entry.Clear();
  m_rows.clear();
  m_firstRow = 0;
  return 0;
}

CUGGridInfo* CUGMem::OwnerSheet() const {
  CUGSheetOwner* owner = CUGSheetOwner::Of(m_ctrl);
  return owner != nullptr ? owner->CurrentSheet() : nullptr;
}

bool CUGMem::Serves(const CUGGridInfo& sheet, const CUGGridInfo::ColumnInfo& column) const {
  return (column.dataSource != nullptr ? column.dataSource : sheet.m_defDataSource) == this;
}

int CUGMem::GridColumnOf(int dataSourceCol) const {
  if (const CUGGridInfo* sheet = OwnerSheet()) {
    for (size_t col = 0; col < sheet->m_colInfo.size(); ++col) {
      const CUGGridInfo::ColumnInfo& column = sheet->m_colInfo[col];
      if (Serves(*sheet, column) && column.colTranslation == dataSourceCol) return static_cast<int>(col);
    }
  }
  return dataSourceCol;
}

void CUGMem::ShiftGridColumns(int col, int step) {
  CUGGridInfo* sheet = OwnerSheet();
  if (sheet == nullptr) return;
  // Columns of another source keep their numbers: this source's columns moved, not theirs.
  for (CUGGridInfo::ColumnInfo& column : sheet->m_colInfo)
    if (Serves(*sheet, column) && column.colTranslation >= col) column.colTranslation += step;
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

namespace {
// A bottom-up merge sort that keeps equal items in order and stays within
// bounds whatever the comparison answers: a user's OnSortEvaluate need not be
// a strict ordering (mixed numbers and texts compare by the first cell's type).
template <typename Less>
void StableMergeSort(std::vector<size_t>& items, Less less) {
  std::vector<size_t> merged(items.size());
  for (size_t width = 1; width < items.size(); width *= 2) {
    for (size_t low = 0; low < items.size(); low += 2 * width) {
      const size_t middle = std::min(low + width, items.size());
      const size_t high = std::min(low + 2 * width, items.size());
      size_t left = low, right = middle, out = low;
      while (left < middle && right < high) merged[out++] = less(items[right], items[left]) ? items[right++] : items[left++];
      while (left < middle) merged[out++] = items[left++];
      while (right < high) merged[out++] = items[right++];
    }
    items.swap(merged);
  }
}
}  // namespace

int CUGMem::SortBy(const int* cols, int count, int flags) {
  if (m_ctrl == nullptr || cols == nullptr || count <= 0) return 1;
  // Heading rows stay where they are.
  const size_t firstData = static_cast<size_t>(-std::min(m_firstRow, 0L));
  if (firstData >= m_rows.size()) return 0;

  // Each row's cells in the sort columns; a missing cell sorts as an empty one.
  CUGCell empty;
  const size_t keyCount = static_cast<size_t>(count);
  std::vector<CUGCell*> keys;
  keys.reserve((m_rows.size() - firstData) * keyCount);
  std::vector<size_t> order;
  for (size_t index = firstData; index < m_rows.size(); ++index) {
    order.push_back(order.size());
    const auto& rowCols = m_rows[index].cols;
    for (size_t key = 0; key < keyCount; ++key) {
      const size_t col = static_cast<size_t>(cols[key]);
      keys.push_back(cols[key] >= 0 && col < rowCols.size() && rowCols[col] ? rowCols[col].get() : &empty);
    }
  }
  StableMergeSort(order, [&](size_t a, size_t b) {
    for (size_t key = 0; key < keyCount; ++key) {
      const int result = m_ctrl->OnSortEvaluate(keys[a * keyCount + key], keys[b * keyCount + key], flags);
      if (result != 0) return result < 0;
    }
    return false;
  });

  std::vector<Row> sorted;
  sorted.reserve(m_rows.size());
  for (size_t index = 0; index < firstData; ++index) sorted.push_back(std::move(m_rows[index]));
  for (size_t position : order) sorted.push_back(std::move(m_rows[firstData + position]));
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
