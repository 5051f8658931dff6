#include "common/XmlRecordTable.h"

void XmlRecordTable::Reset(std::size_t reserveRecords) {
  m_records.clear();
  m_records.reserve(reserveRecords);
  m_records.emplace_back();
  m_freeListHead = 0;
}

void XmlRecordTable::Clear() {
  m_records.clear();
  m_records.shrink_to_fit();
  m_freeListHead = 0;
}

int XmlRecordTable::NewRecord() {
  if (m_freeListHead != 0) {
    const int index = m_freeListHead;
    m_freeListHead = m_records[static_cast<std::size_t>(index)].nextSibling;
    m_records[static_cast<std::size_t>(index)] = XmlElementRecord{};
    return index;
  }
  if (m_records.empty()) m_records.emplace_back();  // record 0 always exists first
  m_records.emplace_back();
  return Size() - 1;
}

void XmlRecordTable::DeleteRecord(int index) {
  XmlElementRecord& record = (*this)[index];
  record = XmlElementRecord{};
  record.flags = XmlElementRecord::kDeleted;
  record.nextSibling = m_freeListHead;
  m_freeListHead = index;
}

bool XmlRecordTable::IsElement(int index) const {
  return index > 0 && index < Size() && ((*this)[index].flags & XmlElementRecord::kDeleted) == 0;
}

int XmlRecordTable::LastChild(int parent) const {
  const int first = (*this)[parent].firstChild;
  return first == 0 ? 0 : (*this)[first].previousSibling;
}

void XmlRecordTable::LinkChild(int parent, int child, int previous) {
  XmlElementRecord& record = (*this)[child];
  record.parent = parent;
  const int first = (*this)[parent].firstChild;
  if (previous == 0) {
    record.flags |= XmlElementRecord::kFirstChild;
    record.nextSibling = first;
    if (first != 0) {
      record.previousSibling = (*this)[first].previousSibling;
      (*this)[first].previousSibling = child;
      (*this)[first].flags &= ~XmlElementRecord::kFirstChild;
    } else {
      record.previousSibling = child;
    }
    (*this)[parent].firstChild = child;
    return;
  }
  record.flags &= ~XmlElementRecord::kFirstChild;
  const int next = (*this)[previous].nextSibling;
  record.previousSibling = previous;
  record.nextSibling = next;
  (*this)[previous].nextSibling = child;
  if (next != 0) {
    (*this)[next].previousSibling = child;
  } else {
    (*this)[first].previousSibling = child;  // the new last child closes the ring
  }
}

void XmlRecordTable::UnlinkChildrenFrom(int parent, int first) {
  XmlElementRecord& parentRecord = (*this)[parent];
  if (parentRecord.firstChild == first) {
    parentRecord.firstChild = 0;
    return;
  }
  const int previous = (*this)[first].previousSibling;
  (*this)[previous].nextSibling = 0;
  (*this)[parentRecord.firstChild].previousSibling = previous;
}
