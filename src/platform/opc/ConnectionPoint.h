#pragma once
// One connection point of an object: the sinks advised for one outgoing interface,
// each held with a reference under its cookie until it is unadvised.
#include <map>
#include <vector>

#include "platform/opc/ComPtr.h"
#include "platform/opc/OleInterfaces.h"

class ConnectionPoint final : public IConnectionPoint {
 public:
  explicit ConnectionPoint(REFIID outgoing);

  HRESULT QueryInterface(REFIID iid, void** out) override;
  ULONG AddRef() override;
  ULONG Release() override;

  HRESULT GetConnectionInterface(IID* iid) override;
  // The sink must offer the outgoing interface; it is held by that interface.
  HRESULT Advise(IUnknown* sink, DWORD* cookie) override;
  HRESULT Unadvise(DWORD cookie) override;

  // The advised sinks (by the outgoing interface), each with a reference for the caller.
  std::vector<ComPtr<IUnknown>> Sinks() const;
  std::size_t SinkCount() const { return m_sinks.size(); }
  // Drops every sink (the owner goes away).
  void UnadviseAll();

 private:
  ~ConnectionPoint() override;

  ULONG m_refs = 1;
  IID m_outgoing;
  DWORD m_nextCookie = 1;
  std::map<DWORD, ComPtr<IUnknown>> m_sinks;
};
