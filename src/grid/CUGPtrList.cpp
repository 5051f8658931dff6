#include "grid/CUGPtrList.h"

int CUGPtrList::AddPointer(void* pointer, long param, const UGID* id) {
  if (m_used >= GetCount()) m_entries.resize(m_entries.size() + kGrowBy);
  for (int index = 0; index < GetCount(); ++index) {
    Entry& entry = m_entries[static_cast<size_t>(index)];
    if (entry.inUse) continue;
    entry.inUse = true;
    entry.pointer = pointer;
    entry.param = param;
    if (id != nullptr) entry.id = *id;
    ++m_used;
    return index;
  }
  return -1;
}

const CUGPtrList::Entry* CUGPtrList::UsedEntry(int index) const {
  if (index < 0 || index >= GetCount()) return nullptr;
  const Entry& entry = m_entries[static_cast<size_t>(index)];
  return entry.inUse ? &entry : nullptr;
}

void* CUGPtrList::GetPointer(int index) const {
  const Entry* entry = UsedEntry(index);
  return entry != nullptr ? entry->pointer : nullptr;
}

long CUGPtrList::GetParam(int index) const {
  if (index < 0 || index >= GetCount()) return 0;
  return m_entries[static_cast<size_t>(index)].param;
}

int CUGPtrList::UpdateParam(int index, long param) {
  if (index < 0 || index >= GetCount()) return 1;
  Entry& entry = m_entries[static_cast<size_t>(index)];
  if (!entry.inUse) return 2;
  entry.param = param;
  return 0;
}

const UGID* CUGPtrList::GetID(int index) const {
  const Entry* entry = UsedEntry(index);
  return entry != nullptr ? &entry->id : nullptr;
}

void CUGPtrList::EmptyList() {
  m_entries.clear();
  m_entries.shrink_to_fit();
  m_used = 0;
}
