#include "links/RShutdownSink.h"

#include "links/OpcServer.h"
#include "platform/base/Text.h"
#include "platform/opc/ComMemory.h"

HRESULT IRShutdownSink::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_INVALIDARG;
  if (iid == IID_IUnknown || iid == IID_IOPCShutdown) {
    *out = static_cast<IOPCShutdown*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG IRShutdownSink::AddRef() { return ++m_refs; }

ULONG IRShutdownSink::Release() {
  const ULONG left = --m_refs;
  if (left == 0) delete this;
  return left;
}

HRESULT IRShutdownSink::ShutdownRequest(LPCWSTR reason) {
  const std::string text = ruv::CutUtf8Chars(ruv::Utf16ToUtf8(WideText(reason)), 260);
  if (m_server) m_server->OnShutdownRequest(text.c_str());
  return S_OK;
}
