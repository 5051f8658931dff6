#pragma once
// A small table of pointers found by their index: the grid keeps its fonts,
// its registered cell types and a sheet's objects in one each. Entries are
// never freed one by one, so an index stays valid until the list is emptied.
#include <array>
#include <cstddef>
#include <vector>

using UGID = std::array<unsigned char, 16>;

class CUGPtrList {
 public:
  CUGPtrList() = default;
  CUGPtrList(const CUGPtrList&) = delete;
  CUGPtrList& operator=(const CUGPtrList&) = delete;

  // Puts the pointer in the first free entry (growing the table when full)
  // and answers its index; -1 when no entry can be had.
  int AddPointer(void* pointer, long param = 0, const UGID* id = nullptr);
  void* GetPointer(int index) const;  // null outside the table or for a free entry
  long GetParam(int index) const;     // 0 outside the table
  // 0 when stored; 1 for an index outside the table, 2 for a free entry.
  int UpdateParam(int index, long param);
  const UGID* GetID(int index) const;  // null outside the table or for a free entry

  // The table's capacity: callers loop over every entry up to it.
  int GetCount() const { return static_cast<int>(m_entries.size()); }
  void EmptyList();

 private:
  static constexpr int kGrowBy = 10;

  struct Entry {
    bool inUse = false;
    void* pointer = nullptr;
    long param = 0;
    UGID id{};
  };
  const Entry* UsedEntry(int index) const;

  std::vector<Entry> m_entries;
  int m_used = 0;
};
