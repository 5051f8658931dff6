#include "links/RAdviseSink.h"

#include <vector>

#include "links/OpcClipboardFormats.h"
#include "links/OpcGroup.h"
#include "links/OpcItem.h"
#include "links/OpcMessage.h"
#include "platform/opc/ComPtr.h"
#include "platform/opc/HGlobalStream.h"
#include "platform/opc/OpcStreamReader.h"

HRESULT CRAdviseSink::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_INVALIDARG;
  if (iid == IID_IUnknown || iid == IID_IAdviseSink) {
    *out = static_cast<IAdviseSink*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG CRAdviseSink::AddRef() { return ++m_refs; }

ULONG CRAdviseSink::Release() {
  const ULONG left = --m_refs;
  if (left == 0) delete this;
  return left;
}

void CRAdviseSink::OnDataChange(FORMATETC* format, STGMEDIUM* medium) {
  if (!format || !medium) return;
  if (format->tymed != TYMED_HGLOBAL && medium->tymed != TYMED_HGLOBAL) return;
  // The memory stays the caller's: the stream does not free it.
  ComPtr<IStream> stream;
  if (FAILED(CreateStreamOnHGlobal(medium->hGlobal, FALSE, stream.Put())) || !stream) return;
  std::uint64_t size = 0;
  if (FAILED(stream->Seek(0, STREAM_SEEK_SET, nullptr)) || FAILED(stream->GetSize(&size))) return;
  if (size > 0xFFFFFFFFu) return;
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  ULONG read = 0;
  if (!bytes.empty() && (FAILED(stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read)) || read != size)) {
    return;
  }
  if (format->cfFormat == OpcFormatData()) {
    OnData(bytes.data(), bytes.size(), false);
  } else if (format->cfFormat == OpcFormatDataTime()) {
    OnData(bytes.data(), bytes.size(), true);
  } else if (format->cfFormat == OpcFormatWriteComplete()) {
    OnWriteComplete(bytes.data(), bytes.size());
  }
}

void CRAdviseSink::OnData(const std::uint8_t* bytes, std::size_t size, bool withTimeStamps) {
  OpcDataStream stream;
  if (ReadOpcDataStream(bytes, size, withTimeStamps, stream) != OpcStreamError::None) return;
  COpcGroup* group = COpcGroup::FromClientHandle(stream.clientGroup);
  if (!group) return;  // a group that is gone: nothing of it is ours any more
  if (stream.transactionId != 0) {
    // Told later: a server may call back as a send, inside a wait that must run nothing else.
    OpcMessageLater("Asynchronous 1.0 transaction %08X completed for %d items on group '%s' (HR = %08X).",
                    static_cast<unsigned>(stream.transactionId), static_cast<int>(stream.items.size()),
                    group->GetName().c_str(), static_cast<unsigned>(stream.status));
  }
  for (const OpcStreamItem& entry : stream.items) {
    COpcItem* item = COpcItem::FromClientHandle(entry.clientItem);
    if (!item || item->GetGroup() != group) continue;
    if (withTimeStamps) {
      item->UpdateValue(entry.value, entry.quality, entry.timeStamp);
    } else {
      item->UpdateValue(entry.value, entry.quality);
    }
  }
}

void CRAdviseSink::OnWriteComplete(const std::uint8_t* bytes, std::size_t size) {
  OpcWriteCompleteStream stream;
  if (ReadOpcWriteCompleteStream(bytes, size, stream) != OpcStreamError::None) return;
  if (stream.clientGroup == 0 || !COpcGroup::FromClientHandle(stream.clientGroup)) return;
  for (const OpcWriteResult& result : stream.items) {
    // Looked up for each result: a box of an earlier one may have let them go.
    COpcGroup* group = COpcGroup::FromClientHandle(stream.clientGroup);
    COpcItem* item = COpcItem::FromClientHandle(result.clientItem);
    if (!group) return;
    if (!item) continue;
    // Only the answer to a write of this run under way counts: one the stop
    // gave up already, or one of an earlier run, says nothing of the tag's commands.
    std::uint32_t commandCount = 0;
    if (!group->TakeWriteUnderWay(stream.transactionId, result.clientItem, commandCount)) continue;
    if (!FAILED(result.error)) {
      item->NoteWriteCompleted(commandCount);  // the next value clears the mark
      continue;
    }
    // Told later: a completion may come inside a wait that must run nothing else.
    OpcMessageLater("Failed on item '%s'  for asynchronous 1.0 write transaction %08X (HR = %08X).",
               item->GetItemId().c_str(), static_cast<unsigned>(stream.transactionId),
               static_cast<unsigned>(result.error));
    COpcItem::GiveUpRefusedWriteOf(result.clientItem, commandCount);
  }
}
