#include "platform/opc/ConnectionPoint.h"

ConnectionPoint::ConnectionPoint(REFIID outgoing) : m_outgoing(outgoing) {}

ConnectionPoint::~ConnectionPoint() = default;

HRESULT ConnectionPoint::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_INVALIDARG;
  if (iid == IID_IUnknown || iid == IID_IConnectionPoint) {
    *out = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG ConnectionPoint::AddRef() { return ++m_refs; }

ULONG ConnectionPoint::Release() {
  const ULONG left = --m_refs;
  if (left == 0) delete this;
  return left;
}

HRESULT ConnectionPoint::GetConnectionInterface(IID* iid) {
  if (!iid) return E_POINTER;
  *iid = m_outgoing;
  return S_OK;
}

HRESULT ConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
  if (!sink || !cookie) return E_POINTER;
  *cookie = 0;
  ComPtr<IUnknown> held;
  if (FAILED(sink->QueryInterface(m_outgoing, held.PutVoid())) || !held) return CONNECT_E_CANNOTCONNECT;
  const DWORD assigned = m_nextCookie++;
  m_sinks[assigned] = std::move(held);
  *cookie = assigned;
  return S_OK;
}

HRESULT ConnectionPoint::Unadvise(DWORD cookie) {
  auto it = m_sinks.find(cookie);
  if (it == m_sinks.end()) return CONNECT_E_NOCONNECTION;
  ComPtr<IUnknown> sink = std::move(it->second);
  m_sinks.erase(it);
  return S_OK;  // the sink's reference goes here, after the table no longer names it
}

std::vector<ComPtr<IUnknown>> ConnectionPoint::Sinks() const {
  std::vector<ComPtr<IUnknown>> sinks;
  for (const auto& entry : m_sinks) sinks.push_back(entry.second);
  return sinks;
}

void ConnectionPoint::UnadviseAll() {
  std::map<DWORD, ComPtr<IUnknown>> dropped;
  dropped.swap(m_sinks);
}
