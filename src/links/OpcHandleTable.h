#pragma once
// Client handles of the OPC link: the server hands them back in every callback,
// and they are 32 bits wide, so they are table numbers, never object addresses.
// A handle is never given twice; an unknown or retired handle finds nothing.
// Used on the UI thread only, like the whole OPC link.
#include <unordered_map>

#include "platform/opc/OpcDaInterfaces.h"

template <class T>
class OpcHandleTable {
 public:
  static OpcHandleTable& Instance() {
    static OpcHandleTable table;
    return table;
  }
  OPCHANDLE Register(T* object) {
    if (m_next == 0) m_next = 1;  // 0 means "no handle"
    const OPCHANDLE handle = m_next++;
    m_objects[handle] = object;
    return handle;
  }
  void Unregister(OPCHANDLE handle) { m_objects.erase(handle); }
  T* Find(OPCHANDLE handle) const {
    auto it = m_objects.find(handle);
    return it == m_objects.end() ? nullptr : it->second;
  }

 private:
  OPCHANDLE m_next = 1;
  std::unordered_map<OPCHANDLE, T*> m_objects;
};
