#pragma once
// The OPC server list of this PC: names a server's class by its program identifier.
#include "platform/opc/OpcDaInterfaces.h"

class OpcStandInServerList final : public IOPCServerList {
 public:
  HRESULT QueryInterface(REFIID iid, void** out) override;
  ULONG AddRef() override;
  ULONG Release() override;
  HRESULT CLSIDFromProgID(LPCWSTR progId, CLSID* clsid) override;

 private:
  ~OpcStandInServerList() override = default;
  ULONG m_refs = 1;
};
