#include "platform/opc/ComClassRegistry.h"

#include <unistd.h>

#include <climits>

#include "platform/base/Text.h"
#include "platform/opc/ComPtr.h"

ComClassRegistry& ComClassRegistry::Instance() {
  static ComClassRegistry registry;
  return registry;
}

ComClassRegistry::ComClassRegistry() { RegisterBuiltIns(); }

void ComClassRegistry::RegisterBuiltIns() { RegisterBuiltInComClasses(*this); }

void ComClassRegistry::Register(const std::string& progId, REFCLSID clsid, Factory factory) {
  std::lock_guard<std::mutex> lock(m_mutex);
  for (auto it = m_classes.begin(); it != m_classes.end(); ++it) {
    if (it->first == clsid) {
      m_classes.erase(it);
      break;
    }
  }
  m_classes.push_back({clsid, ClassEntry{progId, std::move(factory)}});
  if (!progId.empty()) m_byProgId[ruv::ToUpperAscii(progId)] = clsid;
}

void ComClassRegistry::Unregister(REFCLSID clsid) {
  std::lock_guard<std::mutex> lock(m_mutex);
  for (auto it = m_classes.begin(); it != m_classes.end(); ++it) {
    if (it->first == clsid) {
      m_classes.erase(it);
      break;
    }
  }
  for (auto it = m_byProgId.begin(); it != m_byProgId.end();) {
    it = it->second == clsid ? m_byProgId.erase(it) : std::next(it);
  }
}

void ComClassRegistry::RestoreBuiltIns() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_classes.clear();
    m_byProgId.clear();
  }
  RegisterBuiltIns();
}

bool ComClassRegistry::FindClassId(const std::string& progId, CLSID& clsid) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  auto it = m_byProgId.find(ruv::ToUpperAscii(progId));
  if (it == m_byProgId.end()) return false;
  clsid = it->second;
  return true;
}

ComClassRegistry::Factory ComClassRegistry::FindFactory(REFCLSID clsid) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  for (const auto& entry : m_classes) {
    if (entry.first == clsid) return entry.second.factory;
  }
  return {};
}

bool IsLocalMachineName(const std::u16string& name) {
  std::string text = ruv::Trim(ruv::Utf16ToUtf8(name));
  while (!text.empty() && text.front() == '\\') text.erase(text.begin());
  if (text.empty() || text == "." || text == "127.0.0.1" || text == "::1" || ruv::EqualsNoCase(text, "localhost")) {
    return true;
  }
  char host[HOST_NAME_MAX + 1] = {};
  if (gethostname(host, sizeof host - 1) == 0 && ruv::EqualsNoCase(text, host)) return true;
  return false;
}

HRESULT CLSIDFromProgID(LPCWSTR progId, CLSID* clsid) {
  if (!progId || !clsid) return E_INVALIDARG;
  *clsid = CLSID{};
  return ComClassRegistry::Instance().FindClassId(ruv::Utf16ToUtf8(progId), *clsid) ? S_OK : CO_E_CLASSSTRING;
}

HRESULT CoCreateInstanceEx(REFCLSID clsid, IUnknown* outer, DWORD context, const COSERVERINFO* server,
                           ULONG count, MULTI_QI* results) {
  if (count == 0 || !results) return E_INVALIDARG;
  auto failAll = [&](HRESULT hr) {
    for (ULONG i = 0; i < count; ++i) {
      results[i].itf = nullptr;
      results[i].hr = hr;
    }
    return hr;
  };
  if (outer) return failAll(CLASS_E_NOAGGREGATION);
  // Only this PC exists: another machine does not answer.
  if (server && server->name && !IsLocalMachineName(server->name)) return failAll(HRESULT_RPC_S_SERVER_UNAVAILABLE);
  if ((context & CLSCTX_SERVER) == 0) return failAll(REGDB_E_CLASSNOTREG);
  ComClassRegistry::Factory factory = ComClassRegistry::Instance().FindFactory(clsid);
  if (!factory) return failAll(REGDB_E_CLASSNOTREG);
  ComPtr<IUnknown> object = ComPtr<IUnknown>::Attach(factory());
  if (!object) return failAll(E_OUTOFMEMORY);
  ULONG given = 0;
  for (ULONG i = 0; i < count; ++i) {
    results[i].itf = nullptr;
    if (!results[i].iid) {
      results[i].hr = E_INVALIDARG;
      continue;
    }
    void* itf = nullptr;
    results[i].hr = object->QueryInterface(*results[i].iid, &itf);
    if (SUCCEEDED(results[i].hr) && itf) {
      results[i].itf = static_cast<IUnknown*>(itf);
      ++given;
    } else if (SUCCEEDED(results[i].hr)) {
      results[i].hr = E_NOINTERFACE;
    }
  }
  if (given == count) return S_OK;
  return given > 0 ? CO_S_NOTALLINTERFACES : E_NOINTERFACE;
}
