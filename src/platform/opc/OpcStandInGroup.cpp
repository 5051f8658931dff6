#include "platform/opc/OpcStandInGroup.h"

#include <QTimer>
#include <cstring>
#include <functional>
#include <memory>
#include <utility>

#include "platform/base/Clock.h"
#include "platform/base/Text.h"
#include "platform/opc/ClipboardFormats.h"
#include "platform/opc/ComMemory.h"
#include "platform/opc/GlobalMemory.h"
#include "platform/opc/OpcStandIn.h"
#include "platform/opc/OpcStandInCourier.h"
#include "platform/opc/OpcStreamWriter.h"
#include "platform/ui/MessageCore.h"

namespace {

CLIPFORMAT FormatNumber(const char* name) { return static_cast<CLIPFORMAT>(RegisterClipboardFormatA(name)); }

template <class T>
T* AllocArray(DWORD count) {
  return static_cast<T*>(CoTaskMemAlloc(sizeof(T) * (count == 0 ? 1 : count)));
}

}  // namespace

OpcStandInGroup::OpcStandInGroup(OpcStandInServer* server, const Settings& settings)
    : m_server(server), m_settings(settings) {}

OpcStandInGroup::~OpcStandInGroup() = default;

HRESULT OpcStandInGroup::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_INVALIDARG;
  if (iid == IID_IUnknown || iid == IID_IOPCGroupStateMgt) {
    *out = static_cast<IOPCGroupStateMgt*>(this);
  } else if (iid == IID_IOPCItemMgt) {
    *out = static_cast<IOPCItemMgt*>(this);
  } else if (iid == IID_IOPCSyncIO) {
    *out = static_cast<IOPCSyncIO*>(this);
  } else if (iid == IID_IOPCAsyncIO) {
    *out = static_cast<IOPCAsyncIO*>(this);
  } else if (iid == IID_IDataObject) {
    *out = static_cast<IDataObject*>(this);
  } else {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG OpcStandInGroup::AddRef() { return ++m_refs; }

ULONG OpcStandInGroup::Release() {
  const ULONG left = --m_refs;
  if (left == 0) delete this;
  return left;
}

HRESULT OpcStandInGroup::GetState(DWORD* updateRate, BOOL* active, LPWSTR* name, LONG* timeBias,
                                  float* percentDeadband, LCID* locale, OPCHANDLE* clientGroup,
                                  OPCHANDLE* serverGroup) {
  if (updateRate) *updateRate = m_settings.updateRate;
  if (active) *active = m_settings.active;
  if (name) *name = CoTaskMemAllocString(ruv::Utf8ToUtf16(m_settings.name));
  if (timeBias) *timeBias = m_settings.timeBias;
  if (percentDeadband) *percentDeadband = m_settings.percentDeadband;
  if (locale) *locale = m_settings.locale;
  if (clientGroup) *clientGroup = m_settings.clientGroup;
  if (serverGroup) *serverGroup = m_settings.serverGroup;
  return S_OK;
}

HRESULT OpcStandInGroup::AddItems(DWORD count, OPCITEMDEF* items, OPCITEMRESULT** results, HRESULT** errors) {
  if (!results || !errors) return E_INVALIDARG;
  *results = nullptr;
  *errors = nullptr;
  if (count == 0 || !items) return E_INVALIDARG;
  if (!m_server) return E_FAIL;
  OPCITEMRESULT* resultArray = AllocArray<OPCITEMRESULT>(count);
  HRESULT* errorArray = AllocArray<HRESULT>(count);
  bool allAdded = true;
  OpcStandIn& space = OpcStandIn::Instance();
  for (DWORD i = 0; i < count; ++i) {
    resultArray[i] = OPCITEMRESULT{};
    const std::string itemId = ruv::Utf16ToUtf8(WideText(items[i].szItemID));
    const std::string accessPath = ruv::Utf16ToUtf8(WideText(items[i].szAccessPath));
    OpcStandIn::ItemState state;
    HRESULT error = S_OK;
    if (itemId.empty()) {
      error = OPC_E_INVALIDITEMID;
    } else if (!accessPath.empty()) {
      error = OPC_E_UNKNOWNPATH;
    } else if (HRESULT refusal = space.ItemRefusal(itemId); FAILED(refusal)) {
      error = refusal;
    } else if (!space.Item(itemId, state)) {
      error = OPC_E_UNKNOWNITEMID;
    } else if (items[i].vtRequestedDataType != VT_EMPTY && items[i].vtRequestedDataType != state.type) {
      Variant converted;
      if (FAILED(VariantChangeType(converted, state.value, items[i].vtRequestedDataType)) ||
          !OpcStreamCarriesType(items[i].vtRequestedDataType)) {
        error = OPC_E_BADTYPE;
      }
    }
    errorArray[i] = error;
    if (FAILED(error)) {
      allAdded = false;
      continue;
    }
    ItemEntry entry;
    entry.live = true;
    entry.itemId = itemId;
    entry.clientItem = items[i].hClient;
    entry.active = items[i].bActive;
    entry.requestedType = items[i].vtRequestedDataType;
    m_items.push_back(entry);
    resultArray[i].hServer = static_cast<OPCHANDLE>(m_items.size());
    resultArray[i].vtCanonicalDataType = state.type;
    resultArray[i].dwAccessRights = state.accessRights;
  }
  *results = resultArray;
  *errors = errorArray;
  ScheduleDelivery();  // the new items' first values, from the event loop
  return allAdded ? S_OK : S_FALSE;
}

HRESULT OpcStandInGroup::RemoveItems(DWORD count, OPCHANDLE* serverItems, HRESULT** errors) {
  if (!errors) return E_INVALIDARG;
  *errors = nullptr;
  if (count == 0 || !serverItems) return E_INVALIDARG;
  HRESULT* errorArray = AllocArray<HRESULT>(count);
  bool allRemoved = true;
  for (DWORD i = 0; i < count; ++i) {
    ItemEntry* entry = FindItem(serverItems[i]);
    if (!entry) {
      errorArray[i] = OPC_E_INVALIDHANDLE;
      allRemoved = false;
      continue;
    }
    *entry = ItemEntry{};
    errorArray[i] = S_OK;
  }
  *errors = errorArray;
  return allRemoved ? S_OK : S_FALSE;
}

HRESULT OpcStandInGroup::Write(DWORD count, OPCHANDLE* serverItems, Variant* values, HRESULT** errors) {
  if (!errors) return E_INVALIDARG;
  *errors = nullptr;
  if (count == 0 || !serverItems || !values) return E_INVALIDARG;
  HRESULT* errorArray = AllocArray<HRESULT>(count);
  bool allWritten = true;
  OpcStandIn& space = OpcStandIn::Instance();
  for (DWORD i = 0; i < count; ++i) {
    ItemEntry* entry = FindItem(serverItems[i]);
    OpcStandIn::ItemState state;
    HRESULT error = S_OK;
    if (!entry || !space.Item(entry->itemId, state)) {
      error = OPC_E_INVALIDHANDLE;
    } else if ((state.accessRights & OPC_WRITEABLE) == 0) {
      error = OPC_E_BADRIGHTS;
    } else {
      error = space.ApplyWrite(entry->itemId, values[i]);
    }
    errorArray[i] = error;
    allWritten = allWritten && SUCCEEDED(error);
  }
  *errors = errorArray;
  return allWritten ? S_OK : S_FALSE;
}

HRESULT OpcStandInGroup::Write(DWORD connection, DWORD count, OPCHANDLE* serverItems, Variant* values,
                               DWORD* transactionId, HRESULT** errors) {
  if (!errors || !transactionId) return E_INVALIDARG;
  *errors = nullptr;
  *transactionId = 0;
  if (count == 0 || !serverItems || !values) return E_INVALIDARG;
  const Advise* advise = FindAdvise(connection);
  if (!advise || advise->format != FormatNumber(kOpcFormatWriteCompleteName)) return CONNECT_E_NOCONNECTION;
  HRESULT* errorArray = AllocArray<HRESULT>(count);
  bool allAccepted = true;
  std::vector<PendingWrite> accepted;
  OpcStandIn& space = OpcStandIn::Instance();
  for (DWORD i = 0; i < count; ++i) {
    ItemEntry* entry = FindItem(serverItems[i]);
    OpcStandIn::ItemState state;
    HRESULT error = S_OK;
    Variant converted;
    if (!entry || !space.Item(entry->itemId, state)) {
      error = OPC_E_INVALIDHANDLE;
    } else if ((state.accessRights & OPC_WRITEABLE) == 0) {
      error = OPC_E_BADRIGHTS;
    } else if (FAILED(VariantChangeType(converted, values[i], state.type))) {
      error = OPC_E_BADTYPE;
    } else {
      accepted.push_back({entry->clientItem, entry->itemId, values[i]});
    }
    errorArray[i] = error;
    allAccepted = allAccepted && SUCCEEDED(error);
  }
  *errors = errorArray;
  if (!accepted.empty()) {
    const DWORD id = m_nextTransaction++;
    *transactionId = id;
    if (space.LeavesWritesUncompleted()) return allAccepted ? S_OK : S_FALSE;
    // The completion comes from the event loop, or, when the client waits
    // servicing only sends, from the server's own thread: whichever comes
    // first delivers it, once. Both run it on the UI thread.
    auto completion = std::make_shared<std::function<void()>>(
        [self = ComPtr<OpcStandInGroup>::Share(this), connection, id, writes = std::move(accepted)]() mutable {
          self->CompleteWrites(connection, id, std::move(writes));
        });
    auto deliverOnce = [completion] {
      // Moved out first: the call (and the group it holds) ends on this thread.
      if (std::function<void()> call = std::exchange(*completion, nullptr)) call();
    };
    PostToUiThread(deliverOnce);
    OpcStandInCourier::Instance().Send(deliverOnce);
  }
  return allAccepted ? S_OK : S_FALSE;
}

HRESULT OpcStandInGroup::Refresh(DWORD connection, OPCDATASOURCE source, DWORD* transactionId) {
  if (!transactionId) return E_INVALIDARG;
  *transactionId = 0;
  if (source != OPC_DS_CACHE && source != OPC_DS_DEVICE) return E_INVALIDARG;
  const Advise* advise = FindAdvise(connection);
  if (!advise || advise->format == FormatNumber(kOpcFormatWriteCompleteName)) return CONNECT_E_NOCONNECTION;
  if (!m_settings.active) return E_FAIL;
  const DWORD id = m_nextTransaction++;
  *transactionId = id;
  ComPtr<OpcStandInGroup> self = ComPtr<OpcStandInGroup>::Share(this);
  PostToUiThread([self, connection, id] { self->SendRefresh(connection, id); });
  return S_OK;
}

HRESULT OpcStandInGroup::DAdvise(FORMATETC* format, DWORD, IAdviseSink* sink, DWORD* connection) {
  if (!format || !sink || !connection) return E_INVALIDARG;
  *connection = 0;
  const CLIPFORMAT data = FormatNumber(kOpcFormatDataName);
  const CLIPFORMAT dataTime = FormatNumber(kOpcFormatDataTimeName);
  const CLIPFORMAT writeComplete = FormatNumber(kOpcFormatWriteCompleteName);
  if (format->cfFormat != data && format->cfFormat != dataTime && format->cfFormat != writeComplete) {
    return DV_E_FORMATETC;
  }
  if ((format->tymed & TYMED_HGLOBAL) == 0) return DV_E_TYMED;
  for (const Advise& existing : m_advises) {
    if (existing.format == format->cfFormat) return CONNECT_E_ADVISELIMIT;
  }
  Advise advise;
  advise.connection = m_nextConnection++;
  advise.format = format->cfFormat;
  advise.sink = ComPtr<IAdviseSink>::Share(sink);
  m_advises.push_back(advise);
  *connection = advise.connection;
  if (advise.format != writeComplete) {
    // A new data sink starts with every item's value.
    for (ItemEntry& entry : m_items) entry.sentVersion = 0;
    m_hasDelivered = false;
    ScheduleDelivery();
  }
  return S_OK;
}

HRESULT OpcStandInGroup::DUnadvise(DWORD connection) {
  for (auto it = m_advises.begin(); it != m_advises.end(); ++it) {
    if (it->connection == connection) {
      Advise dropped = std::move(*it);
      m_advises.erase(it);
      return S_OK;
    }
  }
  return OLE_E_ADVISENOTSUPPORTED;
}

std::size_t OpcStandInGroup::ItemUseCount(const std::string& itemId) const {
  std::size_t n = 0;
  for (const ItemEntry& entry : m_items) n += entry.live && entry.itemId == itemId ? 1 : 0;
  return n;
}

void OpcStandInGroup::ItemChanged(const std::string& itemId) {
  if (ItemUseCount(itemId) > 0) ScheduleDelivery();
}

void OpcStandInGroup::Detach() {
  m_server = nullptr;
  m_advises.clear();
  m_timer.reset();
}

OpcStandInGroup::ItemEntry* OpcStandInGroup::FindItem(OPCHANDLE serverItem) {
  if (serverItem == 0 || serverItem > m_items.size()) return nullptr;
  ItemEntry& entry = m_items[serverItem - 1];
  return entry.live ? &entry : nullptr;
}

const OpcStandInGroup::Advise* OpcStandInGroup::FindAdvise(DWORD connection) const {
  for (const Advise& advise : m_advises) {
    if (advise.connection == connection) return &advise;
  }
  return nullptr;
}

bool OpcStandInGroup::ItemValue(const ItemEntry& entry, OpcStreamItem& out, std::uint64_t& version) const {
  OpcStandIn::ItemState state;
  if (!OpcStandIn::Instance().Item(entry.itemId, state)) return false;
  out.clientItem = entry.clientItem;
  out.quality = state.quality;
  out.timeStamp = state.timeStamp;
  out.value = state.value;
  if (entry.requestedType != VT_EMPTY && entry.requestedType != state.type) {
    if (FAILED(VariantChangeType(out.value, state.value, entry.requestedType))) {
      out.value = Variant();
      out.quality = OPC_QUALITY_BAD;
    }
  }
  version = state.version;
  return true;
}

void OpcStandInGroup::ScheduleDelivery() {
  if (m_scheduled || !m_server) return;
  m_scheduled = true;
  ComPtr<OpcStandInGroup> self = ComPtr<OpcStandInGroup>::Share(this);
  PostToUiThread([self] {
    self->m_scheduled = false;
    self->RunDelivery();
  });
}

void OpcStandInGroup::RunDelivery() {
  if (!m_server || !m_settings.active) return;
  if (m_delivering) {  // a box inside a callback pumps the event loop: come back afterwards
    ScheduleDelivery();
    return;
  }
  const CLIPFORMAT writeComplete = FormatNumber(kOpcFormatWriteCompleteName);
  bool hasDataSink = false;
  for (const Advise& advise : m_advises) hasDataSink = hasDataSink || advise.format != writeComplete;
  if (!hasDataSink) return;

  const std::uint32_t now = GetTickCount();
  if (m_hasDelivered) {
    const std::uint32_t elapsed = TicksSince(m_lastDelivery, now);
    if (elapsed < m_settings.updateRate) {
      if (!m_timer) {
        m_timer = std::make_unique<QTimer>();
        m_timer->setSingleShot(true);
        QObject::connect(m_timer.get(), &QTimer::timeout, [this] { ScheduleDelivery(); });
      }
      if (!m_timer->isActive()) m_timer->start(static_cast<int>(m_settings.updateRate - elapsed));
      return;
    }
  }

  OpcDataStream stream;
  stream.clientGroup = m_settings.clientGroup;
  std::vector<std::pair<std::size_t, std::uint64_t>> sent;
  for (std::size_t i = 0; i < m_items.size(); ++i) {
    const ItemEntry& entry = m_items[i];
    if (!entry.live || !entry.active) continue;
    OpcStreamItem item;
    std::uint64_t version = 0;
    if (!ItemValue(entry, item, version) || version == entry.sentVersion) continue;
    stream.items.push_back(std::move(item));
    sent.emplace_back(i, version);
  }
  if (stream.items.empty()) return;
  for (const auto& [index, version] : sent) m_items[index].sentVersion = version;
  m_lastDelivery = now;
  m_hasDelivered = true;

  ComPtr<OpcStandInGroup> self = ComPtr<OpcStandInGroup>::Share(this);  // a sink may release the group
  m_delivering = true;
  const std::vector<Advise> advises = m_advises;
  for (const Advise& advise : advises) {
    if (advise.format != writeComplete && m_server) SendData(advise, stream);
  }
  m_delivering = false;
}

void OpcStandInGroup::SendData(const Advise& advise, const OpcDataStream& stream) {
  const bool withTime = advise.format == FormatNumber(kOpcFormatDataTimeName);
  std::vector<std::uint8_t> bytes;
  if (!WriteOpcDataStream(stream, withTime, bytes)) return;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  if (!block) return;
  std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
  FORMATETC format;
  format.cfFormat = advise.format;
  STGMEDIUM medium;
  medium.tymed = TYMED_HGLOBAL;
  medium.hGlobal = block;
  advise.sink->OnDataChange(&format, &medium);
  GlobalFree(block);
}

void OpcStandInGroup::SendWriteComplete(DWORD connection, const OpcWriteCompleteStream& stream) {
  const Advise* advise = FindAdvise(connection);
  if (!advise) return;
  const Advise held = *advise;  // the sink may unadvise while it runs
  const std::vector<std::uint8_t> bytes = WriteOpcWriteCompleteStream(stream);
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  if (!block) return;
  std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
  FORMATETC format;
  format.cfFormat = held.format;
  STGMEDIUM medium;
  medium.tymed = TYMED_HGLOBAL;
  medium.hGlobal = block;
  held.sink->OnDataChange(&format, &medium);
  GlobalFree(block);
}

void OpcStandInGroup::CompleteWrites(DWORD connection, DWORD transactionId, std::vector<PendingWrite> writes) {
  if (!m_server) return;
  OpcWriteCompleteStream stream;
  stream.clientGroup = m_settings.clientGroup;
  stream.transactionId = transactionId;
  OpcStandIn& space = OpcStandIn::Instance();
  for (const PendingWrite& write : writes) {
    space.NoteCompletion(write.itemId);
    const HRESULT error = space.ApplyWrite(write.itemId, write.value);
    stream.items.push_back({write.clientItem, error});
    if (FAILED(error)) stream.status = S_FALSE;
  }
  ComPtr<OpcStandInGroup> self = ComPtr<OpcStandInGroup>::Share(this);
  SendWriteComplete(connection, stream);
}

void OpcStandInGroup::SendRefresh(DWORD connection, DWORD transactionId) {
  const Advise* advise = FindAdvise(connection);
  if (!advise || !m_server) return;
  const Advise held = *advise;
  OpcDataStream stream;
  stream.clientGroup = m_settings.clientGroup;
  stream.transactionId = transactionId;
  for (const ItemEntry& entry : m_items) {
    if (!entry.live || !entry.active) continue;
    OpcStreamItem item;
    std::uint64_t version = 0;
    if (ItemValue(entry, item, version)) stream.items.push_back(std::move(item));
  }
  ComPtr<OpcStandInGroup> self = ComPtr<OpcStandInGroup>::Share(this);
  SendData(held, stream);
}
