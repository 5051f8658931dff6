#include "platform/opc/OpcStandIn.h"

#include <algorithm>
#include <utility>

#include "platform/opc/OpcStandInServer.h"
#include "platform/opc/OpcStream.h"

OpcStandIn& OpcStandIn::Instance() {
  static OpcStandIn standIn;
  return standIn;
}

bool OpcStandIn::LoadItems(const std::vector<std::pair<std::string, VARTYPE>>& items) {
  bool all = true;
  for (const auto& [itemId, type] : items) {
    if (HasItem(itemId)) continue;
    all = AddItem(itemId, type) && all;
  }
  return all;
}

bool OpcStandIn::AddItem(const std::string& itemId, VARTYPE type, DWORD accessRights) {
  if (itemId.empty() || type == VT_EMPTY || type == VT_NULL || !OpcStreamCarriesType(type)) return false;
  ItemState state;
  state.type = type;
  state.accessRights = accessRights;
  if (type & VT_ARRAY) {
    state.value.vt = type;  // an empty one-dimensional array
    state.value.bounds.push_back({0, 0});
  } else if (FAILED(VariantChangeType(state.value, Variant(), type))) {
    return false;
  }
  state.timeStamp = CurrentFileTime();
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_items.find(itemId);
    if (it != m_items.end()) state.version = it->second.version + 1;
    m_items[itemId] = state;
  }
  NotifyChanged(itemId);
  return true;
}

bool OpcStandIn::SetValue(const std::string& itemId, const Variant& value) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_items.find(itemId);
    if (it == m_items.end()) return false;
    Variant converted;
    if (value.vt == it->second.type) {
      converted = value;
    } else if (FAILED(VariantChangeType(converted, value, it->second.type))) {
      return false;
    }
    if (!OpcStreamCarriesType(converted.vt)) return false;
    it->second.value = std::move(converted);
    it->second.quality = OPC_QUALITY_GOOD;
    it->second.timeStamp = CurrentFileTime();
    ++it->second.version;
  }
  NotifyChanged(itemId);
  return true;
}

bool OpcStandIn::SetQuality(const std::string& itemId, WORD quality) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_items.find(itemId);
    if (it == m_items.end()) return false;
    it->second.quality = quality;
    ++it->second.version;
  }
  NotifyChanged(itemId);
  return true;
}

bool OpcStandIn::SetTimeStamp(const std::string& itemId, FILETIME timeStamp) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_items.find(itemId);
    if (it == m_items.end()) return false;
    it->second.timeStamp = timeStamp;
    ++it->second.version;
  }
  NotifyChanged(itemId);
  return true;
}

bool OpcStandIn::SetAccessRights(const std::string& itemId, DWORD accessRights) {
  std::lock_guard<std::mutex> lock(m_mutex);
  auto it = m_items.find(itemId);
  if (it == m_items.end()) return false;
  it->second.accessRights = accessRights;
  return true;
}

void OpcStandIn::RefuseItem(const std::string& itemId, HRESULT error) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (SUCCEEDED(error)) {
    m_refusedItems.erase(itemId);
  } else {
    m_refusedItems[itemId] = error;
  }
}

void OpcStandIn::FailWrites(const std::string& itemId, HRESULT error) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (SUCCEEDED(error)) {
    m_failedWrites.erase(itemId);
  } else {
    m_failedWrites[itemId] = error;
  }
}

void OpcStandIn::LeaveWritesUncompleted(bool leave) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_leaveWritesUncompleted = leave;
}

bool OpcStandIn::LeavesWritesUncompleted() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_leaveWritesUncompleted;
}

void OpcStandIn::ObserveCompletions(std::function<void(const std::string& itemId)> observer) {
  m_completionObserver = std::move(observer);
}

void OpcStandIn::NoteCompletion(const std::string& itemId) {
  if (m_completionObserver) m_completionObserver(itemId);
}

void OpcStandIn::RefuseGroup(const std::string& groupName, HRESULT error) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (SUCCEEDED(error)) {
    m_refusedGroups.erase(groupName);
  } else {
    m_refusedGroups[groupName] = error;
  }
}

void OpcStandIn::RequestShutdown(const std::string& reason) {
  const std::vector<OpcStandInServer*> servers = m_servers;
  for (OpcStandInServer* server : servers) server->PostShutdownRequest(reason);
}

void OpcStandIn::ServiceGroups() {
  const std::vector<OpcStandInServer*> servers = m_servers;
  for (OpcStandInServer* server : servers) server->ServiceGroups();
}

void OpcStandIn::Reset() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_items.clear();
  m_refusedItems.clear();
  m_failedWrites.clear();
  m_refusedGroups.clear();
  m_writeCount = 0;
  m_leaveWritesUncompleted = false;
  m_completionObserver = nullptr;
}

bool OpcStandIn::HasItem(const std::string& itemId) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_items.count(itemId) != 0;
}

bool OpcStandIn::Item(const std::string& itemId, ItemState& state) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  auto it = m_items.find(itemId);
  if (it == m_items.end()) return false;
  state = it->second;
  return true;
}

Variant OpcStandIn::Value(const std::string& itemId) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  auto it = m_items.find(itemId);
  return it == m_items.end() ? Variant() : it->second.value;
}

std::size_t OpcStandIn::ServerCount() const { return m_servers.size(); }

std::size_t OpcStandIn::GroupCount() const {
  std::size_t n = 0;
  for (const OpcStandInServer* server : m_servers) n += server->GroupCount();
  return n;
}

std::size_t OpcStandIn::GroupsNamed(const std::string& groupName) const {
  std::size_t n = 0;
  for (const OpcStandInServer* server : m_servers) n += server->GroupsNamed(groupName);
  return n;
}

std::size_t OpcStandIn::ItemUseCount(const std::string& itemId) const {
  std::size_t n = 0;
  for (const OpcStandInServer* server : m_servers) n += server->ItemUseCount(itemId);
  return n;
}

void OpcStandIn::Attach(OpcStandInServer* server) { m_servers.push_back(server); }

void OpcStandIn::Detach(OpcStandInServer* server) {
  m_servers.erase(std::remove(m_servers.begin(), m_servers.end(), server), m_servers.end());
}

HRESULT OpcStandIn::GroupRefusal(const std::string& groupName) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  auto it = m_refusedGroups.find(groupName);
  return it == m_refusedGroups.end() ? S_OK : it->second;
}

HRESULT OpcStandIn::ItemRefusal(const std::string& itemId) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  auto it = m_refusedItems.find(itemId);
  return it == m_refusedItems.end() ? S_OK : it->second;
}

HRESULT OpcStandIn::ApplyWrite(const std::string& itemId, const Variant& value) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_writeCount;
    auto failed = m_failedWrites.find(itemId);
    if (failed != m_failedWrites.end()) return failed->second;
    auto it = m_items.find(itemId);
    if (it == m_items.end()) return OPC_E_UNKNOWNITEMID;
    if ((it->second.accessRights & OPC_WRITEABLE) == 0) return OPC_E_BADRIGHTS;
    Variant converted;
    if (value.vt == it->second.type) {
      converted = value;
    } else if (FAILED(VariantChangeType(converted, value, it->second.type))) {
      return OPC_E_BADTYPE;
    }
    it->second.value = std::move(converted);
    it->second.quality = OPC_QUALITY_GOOD;
    it->second.timeStamp = CurrentFileTime();
    ++it->second.version;
  }
  NotifyChanged(itemId);
  return S_OK;
}

void OpcStandIn::NotifyChanged(const std::string& itemId) {
  const std::vector<OpcStandInServer*> servers = m_servers;
  for (OpcStandInServer* server : servers) server->ItemChanged(itemId);
}
