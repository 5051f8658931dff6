#include "links/OpcServer.h"

#include <type_traits>

#include "links/OpcGroup.h"
#include "links/OpcMessage.h"
#include "links/RShutdownSink.h"
#include "platform/base/Text.h"
#include "platform/opc/ComClassRegistry.h"

namespace {

constexpr std::size_t kMaxOpcNameChars = 260;

std::u16string WideName(const std::string& text) { return ruv::Utf8ToUtf16(ruv::CutUtf8Chars(text, kMaxOpcNameChars)); }

HWND g_mainWindow = nullptr;

}  // namespace

COpcServer::COpcServer(CHwLinkerEngine* owner, const std::string& progId, const std::string& machine)
    : m_owner(owner), m_progId(progId), m_machine(machine) {}

COpcServer::~COpcServer() {
  RemoveAllGroups(TRUE);
  ReleaseInterfaces();
}

void COpcServer::SetMainWindow(HWND window) { g_mainWindow = window; }
HWND COpcServer::GetMainWindow() { return g_mainWindow; }

std::vector<COpcGroup*> COpcServer::GetGroups() const {
  std::vector<COpcGroup*> groups;
  for (COpcGroup* group = m_firstGroup; group; group = group->m_nextGroup) groups.push_back(group);
  return groups;
}

void COpcServer::LinkGroup(COpcGroup* group) {
  group->m_prevGroup = nullptr;
  group->m_nextGroup = m_firstGroup;
  if (m_firstGroup) m_firstGroup->m_prevGroup = group;
  m_firstGroup = group;
  ++m_groupCount;
}

void COpcServer::UnlinkGroup(COpcGroup* group) {
  if (group->m_prevGroup) group->m_prevGroup->m_nextGroup = group->m_nextGroup;
  if (group->m_nextGroup) group->m_nextGroup->m_prevGroup = group->m_prevGroup;
  if (m_firstGroup == group) m_firstGroup = group->m_nextGroup;
  group->m_prevGroup = group->m_nextGroup = nullptr;
  if (m_groupCount > 0) --m_groupCount;
}

BOOL COpcServer::Connect() {
  m_flags &= ~1u;
  ReleaseInterfaces();

  const std::u16string progId = WideName(m_progId);
  const std::u16string machine = ruv::Utf8ToUtf16(m_machine);
  COSERVERINFO serverInfo;
  serverInfo.name = machine.c_str();
  CLSID clsid;
  HRESULT hr = S_OK;
  if (m_machine.empty()) {
    hr = CLSIDFromProgID(progId.c_str(), &clsid);
  } else {
    MULTI_QI list;
    list.iid = &IID_IOPCServerList;
    hr = CoCreateInstanceEx(CLSID_OpcServerList, nullptr, CLSCTX_SERVER, &serverInfo, 1, &list);
    if (SUCCEEDED(hr) && SUCCEEDED(list.hr) && list.itf) {
      ComPtr<IOPCServerList> servers = ComPtr<IOPCServerList>::Attach(static_cast<IOPCServerList*>(list.itf));
      hr = servers->CLSIDFromProgID(progId.c_str(), &clsid);
    } else if (SUCCEEDED(hr)) {
      hr = FAILED(list.hr) ? list.hr : E_NOINTERFACE;
    }
  }
  if (FAILED(hr)) {
    OpcMessage("Failed to obtain a valid CLSID for server '%s'. ", m_progId.c_str());
    return FALSE;
  }

  HRESULT serverResult = E_FAIL;
  try {
    const IID* asked[] = {&IID_IOPCServer, &IID_IOPCCommon,
                          &IID_IConnectionPointContainer, &IID_IOPCItemProperties,
                          &IID_IOPCBrowseServerAddressSpace, &IID_IOPCServerPublicGroups, &IID_IPersistFile};
    MULTI_QI results[7];
    for (int i = 0; i < 7; ++i) results[i].iid = asked[i];
    hr = m_machine.empty()
             ? CoCreateInstanceEx(clsid, nullptr, CLSCTX_SERVER, nullptr, 7, results)
             : CoCreateInstanceEx(clsid, nullptr, CLSCTX_REMOTE_SERVER, &serverInfo, 7, results);
    if (FAILED(hr)) {
      for (MULTI_QI& result : results) {
        if (result.itf) result.itf->Release();
      }
      OpcMessage("Failed to connect to server '%s' (HR = %08X).", m_progId.c_str(), static_cast<unsigned>(hr));
      return FALSE;
    }
    auto keep = [&](int i, auto& slot) {
      using Interface = std::remove_reference_t<decltype(*slot.Get())>;
      if (SUCCEEDED(results[i].hr) && results[i].itf) {
        slot = ComPtr<Interface>::Attach(static_cast<Interface*>(results[i].itf));
      } else if (results[i].itf) {
        results[i].itf->Release();
      }
    };
    keep(0, m_opcServer);
    keep(1, m_opcCommon);
    keep(2, m_connectionPoints);
    keep(3, m_itemProperties);
    keep(4, m_browser);
    keep(5, m_publicGroups);
    keep(6, m_persistFile);
    serverResult = results[0].hr;
    if (m_connectionPoints) {
      ComPtr<IConnectionPoint> point;
      if (SUCCEEDED(m_connectionPoints->FindConnectionPoint(IID_IOPCShutdown, point.Put())) && point) {
        m_shutdownSink = new IRShutdownSink(this);
        m_shutdownSink->AddRef();
        hr = point->Advise(static_cast<IOPCShutdown*>(m_shutdownSink), &m_shutdownCookie);
      }
    }
  } catch (...) {
    serverResult = E_FAIL;
  }
  m_connected = m_opcServer ? TRUE : FALSE;
  if (!m_connected) {
    OpcMessage("Failed to connect to server '%s', required interfaces not supported (HR = %08X).", m_progId.c_str(),
               static_cast<unsigned>(serverResult));
  }
  return m_connected;
}

BOOL COpcServer::ConnectAll() {
  if (!Connect()) return FALSE;
  for (COpcGroup* group : GetGroups()) {
    AddGroup(group, TRUE);
    group->AddAllItems();
  }
  return TRUE;
}

void COpcServer::Disconnect() {
  RemoveAllGroups(FALSE);
  ReleaseInterfaces();
}

void COpcServer::AddGroup(COpcGroup* group, BOOL alreadyLinked) {
  if (!group) return;
  if (!alreadyLinked) LinkGroup(group);
  if (!m_connected || !m_opcServer) return;
  const std::u16string name = WideName(group->GetName());
  LONG timeBias = group->GetTimeBias();
  float deadband = group->GetDeadband();
  OPCHANDLE serverHandle = 0;
  DWORD revisedRate = 0;
  ComPtr<IUnknown> unknown;
  const HRESULT hr = m_opcServer->AddGroup(name.c_str(), group->IsActive(), group->GetUpdateRate(),
                                           group->GetClientHandle(), &timeBias, &deadband, group->GetLocaleId(),
                                           &serverHandle, &revisedRate, IID_IUnknown, unknown.Put());
  if (FAILED(hr)) {
    OpcMessage("Failed to add group '%s' to '%s' (HR = %08X).", group->GetName().c_str(), m_progId.c_str(),
               static_cast<unsigned>(hr));
    return;
  }
  group->SetAdded(TRUE);
  if (unknown) {
    group->SetServerHandle(serverHandle);
    if (revisedRate != group->GetUpdateRate()) group->SetUpdateRate(revisedRate);
    group->ConnectInterfaces(unknown.Get());
  }
}

void COpcServer::RemoveGroup(COpcGroup* group, BOOL destroy) {
  if (!group) return;
  group->Disconnect(destroy);
  if (group->IsAdded() && m_opcServer) {
    const HRESULT hr = m_opcServer->RemoveGroup(group->GetServerHandle(), (group->GetFlags() & 1u) ? TRUE : FALSE);
    if (FAILED(hr)) {
      OpcMessage("Failed to remove group '%s' from '%s' (HR = %08X).", group->GetName().c_str(), m_progId.c_str(),
                 static_cast<unsigned>(hr));
    }
  }
  if (destroy) {
    UnlinkGroup(group);
    delete group;
  } else {
    group->SetAdded(FALSE);
  }
}

void COpcServer::RemoveAllGroups(BOOL destroy) {
  if (destroy) {
    while (COpcGroup* group = m_firstGroup) RemoveGroup(group, TRUE);
    return;
  }
  for (COpcGroup* group : GetGroups()) RemoveGroup(group, FALSE);
}

void COpcServer::ReleaseInterfaces() {
  m_connected = FALSE;
  m_opcServer.Reset();
  m_opcCommon.Reset();
  if (m_connectionPoints && m_shutdownCookie != 0) {
    ComPtr<IConnectionPoint> point;
    if (SUCCEEDED(m_connectionPoints->FindConnectionPoint(IID_IOPCShutdown, point.Put())) && point) {
      point->Unadvise(m_shutdownCookie);
    }
  }
  m_shutdownCookie = 0;
  if (m_shutdownSink) {
    m_shutdownSink->Detach();  // a reference the server may still hold must not reach this object
    m_shutdownSink->Release();
    m_shutdownSink = nullptr;
  }
  m_connectionPoints.Reset();
  m_itemProperties.Reset();
  m_browser.Reset();
  m_publicGroups.Reset();
  m_persistFile.Reset();
}

void COpcServer::OnShutdownRequest(const char* reason) {
  if (reason) OpcMessage("Server '%s' requested shutdown, reason '%s'.", m_progId.c_str(), reason);
  const HWND window = g_mainWindow;
  if (IsWindow(window)) PostMessage(window, WM_OPC_SERVER_SHUTDOWN, 0, reinterpret_cast<LPARAM>(this));
}
