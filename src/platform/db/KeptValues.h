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
  bool operator==(const KeptValues& other) const { return m_count == other.m_count && m_bytes == other.m_bytes; }

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
