#include "links/RDataSink20.h"

#include "links/OpcGroup.h"
#include "links/OpcItem.h"
#include "links/OpcMessage.h"

HRESULT IRDataSink20::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_INVALIDARG;
  if (iid == IID_IUnknown || iid == IID_IOPCDataCallback) {
    *out = static_cast<IOPCDataCallback*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG IRDataSink20::AddRef() { return ++m_refs; }

ULONG IRDataSink20::Release() {
  const ULONG left = --m_refs;
  if (left == 0) delete this;
  return left;
}

HRESULT IRDataSink20::Deliver(bool always, DWORD transactionId, OPCHANDLE clientGroup, HRESULT masterError,
                              DWORD count, OPCHANDLE* clientItems, Variant* values, WORD* qualities,
                              FILETIME* timeStamps, HRESULT* errors) {
  if (clientGroup == 0 || count == 0 || !clientItems || !values || !qualities || !timeStamps || !errors) {
    return E_INVALIDARG;
  }
  if (always || transactionId != 0) {
    // Told later: a server may call back as a send, inside a wait that must run nothing else.
    const COpcGroup* group = COpcGroup::FromClientHandle(clientGroup);
    OpcMessageLater("Asynchronous 2.0 transaction %08X completed for %d items on group '%s' (HR = %08X).",
                    static_cast<unsigned>(transactionId), static_cast<int>(count),
                    group ? group->GetName().c_str() : "", static_cast<unsigned>(masterError));
  }
  for (DWORD i = 0; i < count; ++i) {
    try {
      // Looked up for each item: a box of an earlier one may have let them go.
      // Values sent to a group of an earlier run are no longer the link's.
      const COpcGroup* group = COpcGroup::FromClientHandle(clientGroup);
      COpcItem* item = COpcItem::FromClientHandle(clientItems[i]);
      if (group && item && item->GetGroup() == group) item->UpdateValue(values[i], qualities[i], timeStamps[i]);
    } catch (...) {
      // one item's failure does not stop the others
    }
  }
  return S_OK;
}

HRESULT IRDataSink20::OnDataChange(DWORD transactionId, OPCHANDLE clientGroup, HRESULT, HRESULT masterError,
                                   DWORD count, OPCHANDLE* clientItems, Variant* values, WORD* qualities,
                                   FILETIME* timeStamps, HRESULT* errors) {
  return Deliver(false, transactionId, clientGroup, masterError, count, clientItems, values, qualities, timeStamps,
                 errors);
}

HRESULT IRDataSink20::OnReadComplete(DWORD transactionId, OPCHANDLE clientGroup, HRESULT, HRESULT masterError,
                                     DWORD count, OPCHANDLE* clientItems, Variant* values, WORD* qualities,
                                     FILETIME* timeStamps, HRESULT* errors) {
  return Deliver(true, transactionId, clientGroup, masterError, count, clientItems, values, qualities, timeStamps,
                 errors);
}

HRESULT IRDataSink20::OnWriteComplete(DWORD transactionId, OPCHANDLE clientGroup, HRESULT, DWORD count,
                                      OPCHANDLE* clientItems, HRESULT* errors) {
  if (clientGroup == 0 || count == 0 || !clientItems || !errors) return E_INVALIDARG;
  for (DWORD i = 0; i < count; ++i) {
    try {
      // Looked up for each item: a box of an earlier one may have let them go.
      COpcItem* item = COpcItem::FromClientHandle(clientItems[i]);
      if (!item) continue;
      // Only the answer to a write of this run under way counts: one the stop
      // gave up already, or one of an earlier run, says nothing of the tag's commands.
      COpcGroup* group = COpcGroup::FromClientHandle(clientGroup);
      std::uint32_t commandCount = 0;
      if (!group || !group->TakeWriteUnderWay(transactionId, clientItems[i], commandCount)) continue;
      if (FAILED(errors[i])) {
        // Told later: a completion may come inside a wait that must run nothing else.
        OpcMessageLater("Failed on item '%s' for asynchronous 2.0 write transaction %08X (HR = %08X).",
                   item->GetItemId().c_str(), static_cast<unsigned>(transactionId), static_cast<unsigned>(errors[i]));
        COpcItem::GiveUpRefusedWriteOf(clientItems[i], commandCount);
      } else {
        item->EndWrittenCommand(commandCount);
      }
    } catch (...) {
    }
  }
  return S_OK;
}

HRESULT IRDataSink20::OnCancelComplete(DWORD, OPCHANDLE) { return S_OK; }
