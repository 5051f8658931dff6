#include "links/OpcGroup.h"

#include <algorithm>
#include <stdexcept>

#include "common/ProcessUtils.h"
#include "links/OpcClipboardFormats.h"
#include "links/OpcHandleTable.h"
#include "links/OpcItem.h"
#include "links/OpcMessage.h"
#include "links/OpcServer.h"
#include "links/OpcValueText.h"
#include "links/RAdviseSink.h"
#include "links/RDataSink20.h"
#include "platform/base/ExitHook.h"
#include "platform/base/MessageBoxService.h"
#include "platform/base/Text.h"
#include "platform/opc/ComMemory.h"

namespace {

// Names travel as UTF-16 of at most 260 characters.
constexpr std::size_t kMaxGroupNameChars = 260;

}  // namespace

COpcGroup::COpcGroup(COpcServer* server)
    : m_server(server), m_clientHandle(OpcHandleTable<COpcGroup>::Instance().Register(this)) {}

COpcGroup::~COpcGroup() {
  // Disconnect has run before; the items still listed are the group's own.
  COpcItem* item = m_firstItem;
  while (item) {
    COpcItem* next = item->m_nextItem;
    delete item;
    item = next;
  }
  OpcHandleTable<COpcGroup>::Instance().Unregister(m_clientHandle);
}

COpcGroup* COpcGroup::FromClientHandle(OPCHANDLE handle) { return OpcHandleTable<COpcGroup>::Instance().Find(handle); }

std::vector<COpcItem*> COpcGroup::GetItems() const {
  std::vector<COpcItem*> items;
  for (COpcItem* item = m_firstItem; item; item = item->m_nextItem) items.push_back(item);
  return items;
}

void COpcGroup::LinkItem(COpcItem* item) {
  item->m_prevItem = nullptr;
  item->m_nextItem = m_firstItem;
  if (m_firstItem) m_firstItem->m_prevItem = item;
  m_firstItem = item;
  ++m_itemCount;
}

void COpcGroup::UnlinkItem(COpcItem* item) {
  if (item->m_prevItem) item->m_prevItem->m_nextItem = item->m_nextItem;
  if (item->m_nextItem) item->m_nextItem->m_prevItem = item->m_prevItem;
  if (m_firstItem == item) m_firstItem = item->m_nextItem;
  item->m_prevItem = item->m_nextItem = nullptr;
  if (m_itemCount > 0) --m_itemCount;
}

void COpcGroup::ConnectInterfaces(IUnknown* group) {
  if (!group) return;
  if (SUCCEEDED(group->QueryInterface(IID_IOPCGroupStateMgt, m_groupStateMgt.PutVoid())) && m_groupStateMgt &&
      m_name.empty()) {
    LPWSTR name = nullptr;
    if (SUCCEEDED(m_groupStateMgt->GetState(&m_updateRate, &m_active, &name, &m_timeBias, &m_percentDeadband,
                                            &m_localeId, nullptr, &m_serverHandle))) {
      m_name = ruv::CutUtf8Chars(ruv::Utf16ToUtf8(WideText(name)), kMaxGroupNameChars);
    }
    CoTaskMemFree(name);
  }
  group->QueryInterface(IID_IOPCPublicGroupStateMgt, m_publicGroupStateMgt.PutVoid());
  group->QueryInterface(IID_IOPCItemMgt, m_itemMgt.PutVoid());
  group->QueryInterface(IID_IOPCSyncIO, m_syncIO.PutVoid());
  group->QueryInterface(IID_IOPCAsyncIO, m_asyncIO.PutVoid());
  group->QueryInterface(IID_IDataObject, m_dataObject.PutVoid());
  group->QueryInterface(IID_IOPCAsyncIO2, m_asyncIO2.PutVoid());
  group->QueryInterface(IID_IConnectionPointContainer, m_connectionPoints.PutVoid());

  if (m_updateMode == eUpdateCallback20) {
    HRESULT hr = E_FAIL;
    try {
      ComPtr<IConnectionPoint> point;
      if (m_connectionPoints) hr = m_connectionPoints->FindConnectionPoint(IID_IOPCDataCallback, point.Put());
      if (SUCCEEDED(hr) && point) {
        m_callbackSink = new IRDataSink20();
        m_callbackSink->AddRef();
        hr = point->Advise(static_cast<IOPCDataCallback*>(m_callbackSink), &m_callbackCookie);
      } else if (SUCCEEDED(hr)) {
        hr = E_FAIL;
      }
    } catch (...) {
      hr = E_FAIL;
    }
    if (FAILED(hr)) {
      OpcMessage("Failed to connect to 2.0 data access interface for group '%s' on server '%s' (HR = %08X).  "
                 "Falling back to 1.0 interface.",
                 m_name.c_str(), m_server->GetProgId().c_str(), static_cast<unsigned>(hr));
      m_updateMode = eUpdateAdvise10Time;
    }
  }
  if (m_updateMode != eUpdateCallback20 && m_dataObject) {
    m_adviseSink = new CRAdviseSink();
    m_adviseSink->AddRef();
    FORMATETC format;
    format.cfFormat = m_updateMode == eUpdateAdvise10 ? OpcFormatData() : OpcFormatDataTime();
    format.ptd = nullptr;
    format.dwAspect = DVASPECT_CONTENT;
    format.lindex = -1;
    format.tymed = TYMED_HGLOBAL;
    m_dataObject->DAdvise(&format, 0, m_adviseSink, &m_dataConnection);
    format.cfFormat = OpcFormatWriteComplete();
    m_dataObject->DAdvise(&format, 0, m_adviseSink, &m_writeConnection);
  }
}

void COpcGroup::AddAllItems() {
  const std::vector<COpcItem*> items = GetItems();
  if (!items.empty()) AddItems(items.data(), static_cast<DWORD>(items.size()), TRUE);
}

void COpcGroup::AddItems(COpcItem* const* items, DWORD count, BOOL alreadyLinked) {
  if (!items || count == 0) return;
  if (!alreadyLinked) {
    for (DWORD i = 0; i < count; ++i) LinkItem(items[i]);
  }
  if (!m_server || !m_server->IsConnected()) return;
  if (!m_itemMgt) {
    OpcMessage("Failed to add items to group '%s' (No Interface).", m_name.c_str());
    return;
  }
  std::vector<std::u16string> accessPaths(count);
  std::vector<std::u16string> itemIds(count);
  std::vector<OPCITEMDEF> definitions(count);
  for (DWORD i = 0; i < count; ++i) {
    accessPaths[i] = ruv::Utf8ToUtf16(items[i]->GetAccessPath());
    itemIds[i] = ruv::Utf8ToUtf16(items[i]->GetItemId());
    definitions[i].szAccessPath = accessPaths[i].empty() ? nullptr : accessPaths[i].data();
    definitions[i].szItemID = itemIds[i].data();
    definitions[i].bActive = items[i]->IsActive();
    definitions[i].hClient = items[i]->GetClientHandle();
    definitions[i].dwBlobSize = 0;
    definitions[i].pBlob = nullptr;
    definitions[i].vtRequestedDataType = VT_EMPTY;
  }
  OPCITEMRESULT* results = nullptr;
  HRESULT* errors = nullptr;
  const HRESULT hr = m_itemMgt->AddItems(count, definitions.data(), &results, &errors);
  auto freeResults = [&] {
    if (results) {
      for (DWORD i = 0; i < count; ++i) CoTaskMemFree(results[i].pBlob);
    }
    CoTaskMemFree(results);
    CoTaskMemFree(errors);
    results = nullptr;
    errors = nullptr;
  };
  for (DWORD i = 0; i < count; ++i) {
    COpcItem* item = items[i];
    if (SUCCEEDED(hr) && results && errors && SUCCEEDED(errors[i])) {
      item->SetAdded(TRUE);
      item->SetServerHandle(results[i].hServer);
      item->SetValueType(results[i].vtCanonicalDataType);
      item->SetAccessRights(results[i].dwAccessRights);
      CoTaskMemFree(results[i].pBlob);
      results[i].pBlob = nullptr;
      continue;
    }
    std::string serverText;
    IOPCServer* server = m_server->GetOPCServer();
    if (errors && server) {
      LPWSTR text = nullptr;
      if (SUCCEEDED(server->GetErrorString(errors[i], 1033, &text))) serverText = ruv::Utf16ToUtf8(WideText(text));
      CoTaskMemFree(text);
    }
    std::string message = ruv::Format("Error at adding Item \"%s\".\r\n%s\n", item->GetItemId().c_str(), serverText.c_str());
    message += "\n - If you want to EXIT program, press Abort!";
    message += "\n - The OpcItemName is copied to clipboard.";
    CopyTextToClipboard(item->GetItemId());
    item->SetAdded(FALSE);
    const int answer = ShowMessageBox(message, "", MB_ABORTRETRYIGNORE | MB_ICONSTOP | MB_SYSTEMMODAL | MB_DEFBUTTON3);
    if (answer == IDABORT) {
      freeResults();
      RequestProcessExit(0);
      return;
    }
    item->SetServerHandle(0);  // Retry and Ignore go on with the next item; nothing is retried
  }
  freeResults();
}

void COpcGroup::RemoveAllItems(BOOL destroy) {
  if (!m_firstItem) return;
  if (!m_itemMgt) {
    if (destroy) {
      while (COpcItem* item = m_firstItem) {
        UnlinkItem(item);
        delete item;
      }
      m_itemCount = 0;
    }
    return;
  }
  std::vector<COpcItem*> added;
  for (COpcItem* item = m_firstItem; item; item = item->m_nextItem) {
    if (!item->IsAdded()) continue;
    item->SetAdded(FALSE);
    added.push_back(item);
  }
  if (!added.empty()) RemoveItems(added.data(), static_cast<DWORD>(added.size()), destroy);
  if (destroy) {
    while (COpcItem* item = m_firstItem) {
      UnlinkItem(item);
      delete item;
    }
    m_itemCount = 0;
  }
}

void COpcGroup::RemoveItems(COpcItem* const* items, DWORD count, BOOL destroy) {
  if (!items || count == 0) return;
  if (!m_server || !m_server->IsConnected() || !m_itemMgt) {
    if (destroy) {
      for (DWORD i = 0; i < count; ++i) {
        UnlinkItem(items[i]);
        delete items[i];
      }
    }
    return;
  }
  std::vector<OPCHANDLE> handles(count);
  for (DWORD i = 0; i < count; ++i) handles[i] = items[i]->GetServerHandle();
  HRESULT* errors = nullptr;
  m_itemMgt->RemoveItems(count, handles.data(), &errors);
  for (DWORD i = 0; i < count; ++i) {
    if (destroy) {
      UnlinkItem(items[i]);
      delete items[i];
    } else {
      items[i]->SetAdded(FALSE);
    }
  }
  CoTaskMemFree(errors);
}

void COpcGroup::Disconnect(BOOL destroy) {
  if (m_dataConnection != 0) {
    if (m_dataObject) m_dataObject->DUnadvise(m_dataConnection);
    m_dataConnection = 0;
  }
  if (m_writeConnection != 0) {
    if (m_dataObject) m_dataObject->DUnadvise(m_writeConnection);
    m_writeConnection = 0;
  }
  if (m_adviseSink) {
    m_adviseSink->Release();
    m_adviseSink = nullptr;
  }
  if (m_callbackCookie != 0) {
    ComPtr<IConnectionPoint> point;
    if (m_connectionPoints &&
        SUCCEEDED(m_connectionPoints->FindConnectionPoint(IID_IOPCDataCallback, point.Put())) && point) {
      point->Unadvise(m_callbackCookie);
    }
    m_callbackCookie = 0;
  }
  if (m_callbackSink) {
    m_callbackSink->Release();
    m_callbackSink = nullptr;
  }
  // No completion reaches the group any more: those still under way were
  // given up, and one the server sends late names the retired handle.
  m_writesUnderWay.clear();
  OpcHandleTable<COpcGroup>::Instance().Unregister(m_clientHandle);
  m_clientHandle = OpcHandleTable<COpcGroup>::Instance().Register(this);
  RemoveAllItems(destroy);
  ReleaseInterfaces();
}

void COpcGroup::ReleaseInterfaces() {
  m_groupStateMgt.Reset();
  m_publicGroupStateMgt.Reset();
  m_itemMgt.Reset();
  m_syncIO.Reset();
  m_asyncIO.Reset();
  m_dataObject.Reset();
  m_asyncIO2.Reset();
  m_connectionPoints.Reset();
}

// ---- writes ----------------------------------------------------------------

void COpcGroup::WriteSync(const std::vector<COpcItem*>& items, const std::vector<std::string>& texts) {
  Write(WriteKind::Sync, items, texts);
}

void COpcGroup::WriteAsync10(const std::vector<COpcItem*>& items, const std::vector<std::string>& texts) {
  Write(WriteKind::Async10, items, texts);
}

void COpcGroup::WriteAsync20(const std::vector<COpcItem*>& items, const std::vector<std::string>& texts) {
  Write(WriteKind::Async20, items, texts);
}

void COpcGroup::Write(WriteKind kind, const std::vector<COpcItem*>& items, const std::vector<std::string>& texts) {
  if (!m_server || !m_server->IsConnected()) return;
  if ((kind == WriteKind::Sync && !m_syncIO) || (kind == WriteKind::Async10 && !m_asyncIO) ||
      (kind == WriteKind::Async20 && !m_asyncIO2))
    return;

  // Convert every text; an item whose text does not fit its type is left out.
  // Each write carries the command it sends (the item's count dealt with): the
  // answer to it gives up that command, never a newer one given meanwhile.
  struct Sent {
    OPCHANDLE clientItem;
    std::uint32_t commandCount;
    std::string itemId;
  };
  std::vector<Sent> sent;
  std::vector<OPCHANDLE> handles;
  std::vector<Variant> values;
  const std::size_t count = std::min(items.size(), texts.size());
  for (std::size_t i = 0; i < count; ++i) {
    COpcItem* item = items[i];
    if (!item) continue;
    Variant value;
    const VARTYPE type = item->GetValueType();
    const bool converted = (type & VT_ARRAY) ? TextToArrayVariant(item->GetValue(), texts[i], value)
                                             : TextToVariant(texts[i], type, value);
    if (!converted) {
      const OPCHANDLE handle = item->GetClientHandle();
      const std::uint32_t commandCount = item->GetCommandsWritten();
      OpcMessage("Unable to map write data to variant data for item '%s'.", item->GetItemId().c_str());
      COpcItem::GiveUpRefusedWriteOf(handle, commandCount);
      continue;
    }
    sent.push_back({item->GetClientHandle(), item->GetCommandsWritten(), item->GetItemId()});
    handles.push_back(item->GetServerHandle());
    values.push_back(std::move(value));
  }
  if (sent.empty()) return;

  const DWORD n = static_cast<DWORD>(sent.size());
  HRESULT* errors = nullptr;
  HRESULT hr = E_FAIL;
  DWORD transactionId = 0;
  switch (kind) {
    case WriteKind::Sync:
      hr = m_syncIO->Write(n, handles.data(), values.data(), &errors);
      break;
    case WriteKind::Async10:
      hr = m_asyncIO->Write(m_writeConnection, n, handles.data(), values.data(), &transactionId, &errors);
      break;
    case WriteKind::Async20: {
      transactionId = m_nextTransactionId++;
      DWORD cancelId = 0;
      hr = m_asyncIO2->Write(n, handles.data(), values.data(), transactionId, &cancelId, &errors);
      break;
    }
  }

  // The writes taken first: the boxes of those refused may let this group go.
  std::vector<std::size_t> refused;
  for (std::size_t k = 0; k < sent.size(); ++k) {
    const HRESULT itemResult = errors ? errors[k] : hr;
    if (!(SUCCEEDED(hr) && errors && SUCCEEDED(itemResult))) {
      refused.push_back(k);
    } else if (kind == WriteKind::Sync) {
      // Done; an asynchronous one waits for its completion.
      if (COpcItem* item = COpcItem::FromClientHandle(sent[k].clientItem)) {
        item->EndWrittenCommand(sent[k].commandCount);
      }
    } else {
      KeepWriteUnderWay({transactionId, sent[k].clientItem, sent[k].commandCount, values[k]});
    }
  }
  std::vector<unsigned> codes;
  for (std::size_t k : refused) codes.push_back(static_cast<unsigned>(FAILED(hr) ? hr : errors[k]));
  if (errors) CoTaskMemFree(errors);
  const std::string name = m_name;
  for (std::size_t r = 0; r < refused.size(); ++r) {
    const Sent& write = sent[refused[r]];
    const char* id = write.itemId.c_str();
    switch (kind) {
      case WriteKind::Sync:
        OpcMessage("Failed on item '%s' synchronous write for group '%s' (HR = %08X). ", id, name.c_str(), codes[r]);
        break;
      case WriteKind::Async10:
        OpcMessage("Failed to add item '%s' to an asynchronous 1.0 write transaction for group '%s' (HR = %08X).", id,
                   name.c_str(), codes[r]);
        break;
      case WriteKind::Async20:
        OpcMessage("Failed to add item '%s' to an asynchronous 2.0 write transaction for group '%s' (HR = %08X).", id,
                   name.c_str(), codes[r]);
        break;
    }
    COpcItem::GiveUpRefusedWriteOf(write.clientItem, write.commandCount);
  }
}

bool COpcGroup::TakeWriteUnderWay(DWORD transactionId, OPCHANDLE clientItem, std::uint32_t& commandCount) {
  auto found = std::find_if(m_writesUnderWay.begin(), m_writesUnderWay.end(), [&](const WriteUnderWay& write) {
    return write.transactionId == transactionId && write.clientItem == clientItem;
  });
  if (found == m_writesUnderWay.end()) return false;
  commandCount = found->commandCount;
  m_writesUnderWay.erase(found);
  return true;
}

std::vector<COpcGroup::WriteUnderWay> COpcGroup::TakeWritesUnderWay() {
  std::vector<WriteUnderWay> writes;
  writes.swap(m_writesUnderWay);
  return writes;
}
