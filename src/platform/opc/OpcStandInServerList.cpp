#include "platform/opc/OpcStandInServerList.h"

#include "platform/opc/ComClassRegistry.h"

HRESULT OpcStandInServerList::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_INVALIDARG;
  if (iid == IID_IUnknown || iid == IID_IOPCServerList) {
    *out = static_cast<IOPCServerList*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG OpcStandInServerList::AddRef() { return ++m_refs; }

ULONG OpcStandInServerList::Release() {
  const ULONG left = --m_refs;
  if (left == 0) delete this;
  return left;
}

HRESULT OpcStandInServerList::CLSIDFromProgID(LPCWSTR progId, CLSID* clsid) { return ::CLSIDFromProgID(progId, clsid); }
