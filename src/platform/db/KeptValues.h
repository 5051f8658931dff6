#pragma once
// The values a kept write gives the columns of its table, packed into one
// string: a long journal is held in memory whole, and a Variant each (over a
// hundred bytes) would take many times the file's size. Each entry is the
// column's index, the value's type with how its column stores it, and its
// payload (a number's bytes, a text's length and bytes); values come back
// exactly as they were added.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/base/Variant.h"
#include "platform/db/ColumnType.h"

namespace ruv::db {

class KeptValues {
 public:
  // Adds `value` for the column `column` (an index of the table, or -1 before
  // the table's columns name it), which stores it as `storage` (StorageOf;
  // by default as it is given). A value of another type than the scalar
  // ones a column takes is kept as its text.
  void Add(int column, const Variant& value, ColumnStorage storage = ColumnStorage());
  std::size_t size() const { return m_count; }
  bool empty() const { return m_count == 0; }
  void clear();
  // The values as the database holds them (StoreInColumn by each value's
  // column), in one form for every way a value may come: the columns in the
  // table's order (not the order they were added in), NULL and an empty value
  // alike, a number by what its column holds (10 and 10.0 alike in a numeric
  // column, and the text '10' there too), a text in a text column as that text
  // whatever its digits ('007' is not '7'). Two kept writes give the same
  // values exactly when their forms are equal; the packed bytes are no such
  // measure. `ignoredColumn` is left out (a kept new row's id column, which
  // shows a handle given anew at each reading).
  std::string Canonical(int ignoredColumn = -1) const;
  // The form an earlier version gave, in which every text that reads as a
  // number was that number: its digests are judged in it.
  std::string EarlierCanonical(int ignoredColumn) const;
  // Whether the two give the same values (their canonical forms are equal),
  // each without its ignored column; the same values held alike are told
  // apart without building either form (a file read again: many records).
  bool SameValues(const KeptValues& other, int ignoredColumn, int otherIgnoredColumn) const;

  // One entry: its column and value. A text is viewed in place (valid while
  // the values are unchanged).
  struct Entry {
    int column = -1;
    VARTYPE vt = VT_NULL;
    ColumnStorage storage;  // how its column stores it
    Variant number;         // every type but a text (its bstrVal unused)
    std::string_view text;  // VT_BSTR
    Variant ToVariant() const;
    // As the database holds it in its column.
    StoredValue Stored() const;
  };
  // Calls `visit(const Entry&)` for each entry, in order.
  template <typename Visit>
  void ForEach(Visit&& visit) const {
    std::size_t at = 0;
    Entry entry;
    for (std::size_t i = 0; i < m_count; ++i) {
      at = Read(at, entry);
      visit(entry);
    }
  }

 private:
  std::size_t Read(std::size_t at, Entry& entry) const;
  static void Append(int column, const Variant& value, ColumnStorage storage, std::string& out);
  template <typename AppendValue>
  std::string Form(int ignoredColumn, AppendValue&& appendValue) const;
  std::string m_bytes;
  std::uint32_t m_count = 0;
};

}  // namespace ruv::db
