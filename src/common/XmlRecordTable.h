#pragma once
// The element records of an XML document: each one indexes the document text
// (nothing is copied) and links to its parent, first child and siblings.
// Record 0 stands for the document itself.
#include <cstdint>
#include <vector>

struct XmlElementRecord {
  // Record flags.
  static constexpr std::uint32_t kDeleted = 0x20000;
  static constexpr std::uint32_t kFirstChild = 0x80000;
  static constexpr std::uint32_t kNoEndTag = 0x100000;
  static constexpr std::uint32_t kProblemInside = 0x200000;
  static constexpr std::uint32_t kIllFormed = 0x800000;

  int start = 0;        // offset of the "<" in the document text
  int length = 0;       // from "<" to the end of the end tag (or of the lone start tag)
  int startTagLength = 0;
  int endTagLength = 0;  // 0 for an empty-element tag or an element without end tag
  std::uint32_t flags = 0;
  int parent = 0;
  int firstChild = 0;
  int nextSibling = 0;
  // For the first child this is the parent's last child, so the last child is
  // one step away from the first.
  int previousSibling = 0;
};

class XmlRecordTable {
 public:
  // Drops every record and starts over with a cleared document record 0.
  void Reset(std::size_t reserveRecords);
  // Drops every record, record 0 included.
  void Clear();

  bool Empty() const { return m_records.empty(); }
  int Size() const { return static_cast<int>(m_records.size()); }

  // A cleared record, reused from the deleted ones when there are any.
  int NewRecord();
  // Puts the record on the free list; it must be unlinked already.
  void DeleteRecord(int index);

  // True for an index that names a live element (never record 0).
  bool IsElement(int index) const;

  XmlElementRecord& operator[](int index) { return m_records[static_cast<std::size_t>(index)]; }
  const XmlElementRecord& operator[](int index) const { return m_records[static_cast<std::size_t>(index)]; }

  int LastChild(int parent) const;
  // Links `child` under `parent` right after `previous` (0: as the first child).
  void LinkChild(int parent, int child, int previous);
  // Unlinks the whole run of children of `parent` from `first` to its last child.
  void UnlinkChildrenFrom(int parent, int first);

 private:
  std::vector<XmlElementRecord> m_records;
  int m_freeListHead = 0;
};
