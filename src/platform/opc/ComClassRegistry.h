#pragma once
// The process's class registry and activation: program identifiers to class ids,
// class ids to factories. Every class is in-process; a machine other than this PC
// is unreachable, so activation there fails as an unreachable server does.
// The OPC server stand-in and the OPC server list are always registered.
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/opc/ComBase.h"

class ComClassRegistry {
 public:
  // Creates one new object with one reference held for the caller, or null.
  using Factory = std::function<IUnknown*()>;

  static ComClassRegistry& Instance();

  // Registers (or replaces) a class; an empty program identifier registers the class id only.
  void Register(const std::string& progId, REFCLSID clsid, Factory factory);
  void Unregister(REFCLSID clsid);
  // Back to the built-in classes only (tests that replaced or added classes).
  void RestoreBuiltIns();

  bool FindClassId(const std::string& progId, CLSID& clsid) const;
  Factory FindFactory(REFCLSID clsid) const;

 private:
  ComClassRegistry();
  void RegisterBuiltIns();

  struct ClassEntry {
    std::string progId;
    Factory factory;
  };
  mutable std::mutex m_mutex;
  std::map<std::string, CLSID> m_byProgId;  // upper-case program identifier
  std::vector<std::pair<CLSID, ClassEntry>> m_classes;
};

// Registers the built-in classes (the OPC server stand-in and the server list).
void RegisterBuiltInComClasses(ComClassRegistry& registry);

// True for an empty name and the names of this PC ("localhost", "127.0.0.1", "::1",
// ".", and the host's own name, with or without leading "\\").
bool IsLocalMachineName(const std::u16string& name);

HRESULT CLSIDFromProgID(LPCWSTR progId, CLSID* clsid);
// Creates the class and asks it for every interface of `results` at once: S_OK when all
// were given, CO_S_NOTALLINTERFACES when some, E_NOINTERFACE when none; each entry
// carries its own result.
HRESULT CoCreateInstanceEx(REFCLSID clsid, IUnknown* outer, DWORD context, const COSERVERINFO* server,
                           ULONG count, MULTI_QI* results);
