#include "platform/opc/OpcStandInServer.h"

#include "platform/base/Text.h"
#include "platform/opc/ComMemory.h"
#include "platform/opc/OpcStandIn.h"
#include "platform/opc/OpcStandInGroup.h"
#include "platform/ui/MessageCore.h"

OpcStandInServer::OpcStandInServer() : m_shutdownPoint(ComPtr<ConnectionPoint>::Attach(new ConnectionPoint(IID_IOPCShutdown))) {
  OpcStandIn::Instance().Attach(this);
}

OpcStandInServer::~OpcStandInServer() {
  OpcStandIn::Instance().Detach(this);
  for (auto& entry : m_groups) entry.second->Detach();
  m_groups.clear();
  m_shutdownPoint->UnadviseAll();
}

HRESULT OpcStandInServer::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_INVALIDARG;
  if (iid == IID_IUnknown || iid == IID_IOPCServer) {
    *out = static_cast<IOPCServer*>(this);
  } else if (iid == IID_IOPCCommon) {
    *out = static_cast<IOPCCommon*>(this);
  } else if (iid == IID_IConnectionPointContainer) {
    *out = static_cast<IConnectionPointContainer*>(this);
  } else {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG OpcStandInServer::AddRef() { return ++m_refs; }

ULONG OpcStandInServer::Release() {
  const ULONG left = --m_refs;
  if (left == 0) delete this;
  return left;
}

HRESULT OpcStandInServer::AddGroup(LPCWSTR name, BOOL active, DWORD requestedUpdateRate, OPCHANDLE clientGroup,
                                   LONG* timeBias, float* percentDeadband, LCID locale, OPCHANDLE* serverGroup,
                                   DWORD* revisedUpdateRate, REFIID iid, IUnknown** group) {
  if (!serverGroup || !revisedUpdateRate || !group) return E_INVALIDARG;
  *group = nullptr;
  *serverGroup = 0;
  *revisedUpdateRate = 0;
  if (percentDeadband && (*percentDeadband < 0.0f || *percentDeadband > 100.0f)) return E_INVALIDARG;
  OpcStandInGroup::Settings settings;
  settings.name = ruv::Utf16ToUtf8(WideText(name));
  if (settings.name.empty()) settings.name = ruv::Format("Group%u", static_cast<unsigned>(m_nextGroupHandle));
  if (GroupsNamed(settings.name) > 0) return OPC_E_DUPLICATENAME;
  if (HRESULT refusal = OpcStandIn::Instance().GroupRefusal(settings.name); FAILED(refusal)) return refusal;
  settings.active = active ? TRUE : FALSE;
  settings.updateRate = requestedUpdateRate < kOpcStandInMinimumUpdateRate ? kOpcStandInMinimumUpdateRate
                                                                            : requestedUpdateRate;
  settings.clientGroup = clientGroup;
  settings.timeBias = timeBias ? *timeBias : 0;
  settings.percentDeadband = percentDeadband ? *percentDeadband : 0.0f;
  settings.locale = locale;
  settings.serverGroup = m_nextGroupHandle;
  ComPtr<OpcStandInGroup> created = ComPtr<OpcStandInGroup>::Attach(new OpcStandInGroup(this, settings));
  HRESULT hr = created->QueryInterface(iid, reinterpret_cast<void**>(group));
  if (FAILED(hr)) {
    created->Detach();
    return hr;
  }
  ++m_nextGroupHandle;
  m_groups[settings.serverGroup] = created;
  *serverGroup = settings.serverGroup;
  *revisedUpdateRate = settings.updateRate;
  return settings.updateRate != requestedUpdateRate ? OPC_S_UNSUPPORTEDRATE : S_OK;
}

std::string OpcStandInServer::ErrorText(HRESULT error) {
  switch (error) {
    case S_OK: return "The operation succeeded.";
    case E_FAIL: return "Unspecified error.";
    case E_INVALIDARG: return "The value of one or more parameters was not valid.";
    case E_NOINTERFACE: return "No such interface supported.";
    case E_OUTOFMEMORY: return "Not enough memory.";
    case OPC_E_INVALIDHANDLE: return "The handle is not valid.";
    case OPC_E_BADTYPE: return "The server cannot convert the data between the requested data type and the canonical data type.";
    case OPC_E_PUBLIC: return "The requested operation cannot be done on a public group.";
    case OPC_E_BADRIGHTS: return "The item's access rights do not allow the operation.";
    case OPC_E_UNKNOWNITEMID: return "The item is no longer available in the server address space.";
    case OPC_E_INVALIDITEMID: return "The item definition doesn't conform to the server's syntax.";
    case OPC_E_UNKNOWNPATH: return "The item's access path is not known to the server.";
    case OPC_E_RANGE: return "The value was out of range.";
    case OPC_E_DUPLICATENAME: return "Duplicate name not allowed.";
    case OPC_S_UNSUPPORTEDRATE: return "The server does not support the requested data rate but will use the closest available rate.";
    case DISP_E_TYPEMISMATCH: return "Type mismatch.";
    case DISP_E_OVERFLOW: return "Out of present range.";
    default: return ruv::Format("Unknown error code 0x%08X.", static_cast<unsigned>(error));
  }
}

HRESULT OpcStandInServer::GetErrorString(HRESULT error, LCID, LPWSTR* text) {
  if (!text) return E_INVALIDARG;
  *text = CoTaskMemAllocString(ruv::Utf8ToUtf16(ErrorText(error)));
  return *text ? S_OK : E_OUTOFMEMORY;
}

HRESULT OpcStandInServer::RemoveGroup(OPCHANDLE serverGroup, BOOL) {
  auto it = m_groups.find(serverGroup);
  if (it == m_groups.end()) return E_FAIL;
  ComPtr<OpcStandInGroup> group = std::move(it->second);
  m_groups.erase(it);
  group->Detach();
  return S_OK;
}

HRESULT OpcStandInServer::SetLocaleID(LCID locale) {
  m_locale = locale;
  return S_OK;
}

HRESULT OpcStandInServer::GetLocaleID(LCID* locale) {
  if (!locale) return E_INVALIDARG;
  *locale = m_locale;
  return S_OK;
}

HRESULT OpcStandInServer::SetClientName(LPCWSTR name) {
  m_clientName = ruv::Utf16ToUtf8(WideText(name));
  return S_OK;
}

HRESULT OpcStandInServer::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
  if (!point) return E_POINTER;
  *point = nullptr;
  if (iid != IID_IOPCShutdown) return CONNECT_E_NOCONNECTION;
  m_shutdownPoint->AddRef();
  *point = m_shutdownPoint.Get();
  return S_OK;
}

std::size_t OpcStandInServer::GroupsNamed(const std::string& name) const {
  std::size_t n = 0;
  for (const auto& entry : m_groups) n += entry.second->State().name == name ? 1 : 0;
  return n;
}

std::size_t OpcStandInServer::ItemUseCount(const std::string& itemId) const {
  std::size_t n = 0;
  for (const auto& entry : m_groups) n += entry.second->ItemUseCount(itemId);
  return n;
}

void OpcStandInServer::ItemChanged(const std::string& itemId) {
  for (const auto& entry : m_groups) entry.second->ItemChanged(itemId);
}

void OpcStandInServer::ServiceGroups() {
  for (const auto& entry : m_groups) entry.second->ScheduleDelivery();
}

void OpcStandInServer::PostShutdownRequest(const std::string& reason) {
  ComPtr<OpcStandInServer> self = ComPtr<OpcStandInServer>::Share(this);
  PostToUiThread([self, reason] {
    const std::u16string wide = ruv::Utf8ToUtf16(reason);
    for (const ComPtr<IUnknown>& sink : self->m_shutdownPoint->Sinks()) {
      static_cast<IOPCShutdown*>(sink.Get())->ShutdownRequest(wide.c_str());
    }
  });
}
