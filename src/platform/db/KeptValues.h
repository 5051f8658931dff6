#pragma once
// The values a kept write gives the columns of its table, packed into one
// string: a long journal is held in memory whole, and a Variant each (over a
// hundred bytes) would take many times the file's size. Each entry is the
// column's index, the value's type and its payload (a number's bytes, a
// text's length and bytes); values come back exactly as they were added.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/base/Variant.h"

namespace ruv::db {

class KeptValues {
 public:
  // Adds `value` for the column `column` (an index of the table, or -1 before
  // the table's columns name it). A value of another type than the scalar
  // ones a column takes is kept as its text.
  void Add(int column, const Variant& value);
  std::size_t size() const { return m_count; }
  bool empty() const { return m_count == 0; }
  void clear();
  // The values as the database takes them, in one form for every way a value
  // may come: the columns in the table's order (not the order they were
  // added in), a number by its value whatever its type or form (10, 10.0,
  // 0x1.4p+3 and the text '10' alike), NULL and an empty value alike. Two
  // kept writes give the same values exactly when their forms are equal; the
  // packed bytes are no such measure. `ignoredColumn` is left out (a kept new
  // row's id column, which shows a handle given anew at each reading).
  std::string Canonical(int ignoredColumn = -1) const;
  // Whether the two give the same values (their canonical forms are equal),
  // each without its ignored column; the same values held alike are told
  // apart without building either form (a file read again: many records).
  bool SameValues(const KeptValues& other, int ignoredColumn, int otherIgnoredColumn) const;

  // One entry: its column and value. A text is viewed in place (valid while
  // the values are unchanged).
  struct Entry {
    int column = -1;
    VARTYPE vt = VT_NULL;
    Variant number;         // every type but a text (its bstrVal unused)
    std::string_view text;  // VT_BSTR
    Variant ToVariant() const;
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
  static void Append(int column, const Variant& value, std::string& out);
  std::string m_bytes;
  std::uint32_t m_count = 0;
};

}  // namespace ruv::db
