// The classes every process has: the OPC server stand-in under the program
// identifier the OPC link uses, and the OPC server list.
#include "platform/opc/ComClassRegistry.h"
#include "platform/opc/OpcStandIn.h"
#include "platform/opc/OpcStandInServer.h"
#include "platform/opc/OpcStandInServerList.h"

void RegisterBuiltInComClasses(ComClassRegistry& registry) {
  registry.Register(kOpcStandInProgId, CLSID_OpcStandIn,
                    [] { return static_cast<IUnknown*>(static_cast<IOPCServer*>(new OpcStandInServer())); });
  registry.Register("OPC.ServerList.1", CLSID_OpcServerList,
                    [] { return static_cast<IUnknown*>(new OpcStandInServerList()); });
}
