#pragma once
// The OPC server's shut-down callback: a connected server's request reaches the
// COpcServer it was advised for.
#include "platform/opc/OpcDaInterfaces.h"

class COpcServer;

class IRShutdownSink final : public IOPCShutdown {
 public:
  explicit IRShutdownSink(COpcServer* server) : m_server(server) {}

  HRESULT QueryInterface(REFIID iid, void** out) override;
  ULONG AddRef() override;
  ULONG Release() override;
  // Shows the request with its reason (at most 260 characters, possibly empty).
  HRESULT ShutdownRequest(LPCWSTR reason) override;

  // The server goes: later requests reach nothing.
  void Detach() { m_server = nullptr; }
  ULONG RefCount() const { return m_refs; }

 private:
  ~IRShutdownSink() override = default;
  ULONG m_refs = 0;  // the owner adds the first reference
  COpcServer* m_server;
};
