#include "links/OpcItem.h"

#include "datacenter/DCTag.h"
#include "links/HwLinkerEngine.h"
#include "links/OpcGroup.h"
#include "links/OpcHandleTable.h"
#include "links/OpcServer.h"

COpcItem::COpcItem(COpcGroup* group)
    : CHwLinkerItem(group && group->GetServer() ? group->GetServer()->GetOwner() : nullptr),
      m_group(group),
      m_clientHandle(OpcHandleTable<COpcItem>::Instance().Register(this)),
      m_timeStamp(CurrentFileTime()) {}

COpcItem::~COpcItem() { OpcHandleTable<COpcItem>::Instance().Unregister(m_clientHandle); }

COpcItem* COpcItem::FromClientHandle(OPCHANDLE handle) { return OpcHandleTable<COpcItem>::Instance().Find(handle); }

void COpcItem::SetAdded(BOOL added) {
  m_added = added;
  if (added) return;
  std::lock_guard<std::recursive_mutex> lock(m_lock);
  m_quality = OPC_QUALITY_OUT_OF_SERVICE;
  m_timeStampValid = FALSE;
  m_updateCount = 0;
  m_value.Clear();
}

Variant COpcItem::GetValue() const {
  std::lock_guard<std::recursive_mutex> lock(m_lock);
  return m_value;
}

WORD COpcItem::GetQuality() const {
  std::lock_guard<std::recursive_mutex> lock(m_lock);
  return m_quality;
}

BOOL COpcItem::IsTimeStampValid() const {
  std::lock_guard<std::recursive_mutex> lock(m_lock);
  return m_timeStampValid;
}

FILETIME COpcItem::GetTimeStamp() const {
  std::lock_guard<std::recursive_mutex> lock(m_lock);
  return m_timeStamp;
}

DWORD COpcItem::GetUpdateCount() const {
  std::lock_guard<std::recursive_mutex> lock(m_lock);
  return m_updateCount;
}

void COpcItem::UpdateValue(const Variant& value, WORD quality) { Update(value, quality, nullptr); }

void COpcItem::UpdateValue(const Variant& value, WORD quality, FILETIME timeStamp) {
  Update(value, quality, &timeStamp);
}

void COpcItem::Update(const Variant& value, WORD quality, const FILETIME* timeStamp) {
  Variant copy;
  {
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    m_value = value;
    m_quality = quality;
    m_timeStampValid = timeStamp ? TRUE : FALSE;
    if (timeStamp) m_timeStamp = *timeStamp;
    ++m_updateCount;
    copy = m_value;
  }
  // The type check may ask the operator: no lock is held across it.
  if (GetValueType() == VT_EMPTY && copy.vt != VT_EMPTY) SetValueType(copy.vt);
  ShowLatestValue();
}

void COpcItem::ShowLatestValue() {
  CDCTag* tag = GetDCTag();
  if (!tag) return;
  Variant copy = GetValue();
  const VARTYPE normalized = GetNormalizedValueType();
  if (normalized != copy.vt) {
    Variant converted;
    if (SUCCEEDED(VariantChangeType(converted, copy, normalized))) copy = std::move(converted);
  }
  // A value the server sent before a command was given, arriving while the
  // command's own message is still queued, leaves the command in the tag to be written.
  // Shown, it ends the mark of the command the server completed last, and of
  // no newer one (the version 1.0 path ends a write's mark at the next value).
  const BOOL shown = ShowReading(copy);
  if (shown) EndCompletedWrite();
  SetReading(FALSE);
}

void COpcItem::GiveUpRefusedWrite(std::uint32_t commandCount) {
  if (CHwLinkerEngine* engine = GetEngine()) engine->GiveUpRefusedCommand(*this, commandCount, Variant(), "", false);
}

void COpcItem::GiveUpRefusedWriteOf(OPCHANDLE clientItem, std::uint32_t commandCount) {
  if (COpcItem* item = FromClientHandle(clientItem)) item->GiveUpRefusedWrite(commandCount);
}

void COpcItem::EndWrittenCommand(std::uint32_t commandCount) {
  NoteWriteCompleted(commandCount);
  if (CHwLinkerEngine* engine = GetEngine()) {
    engine->EndCommand(*this, commandCount);
  } else if (CDCTag* tag = GetDCTag()) {
    tag->EndWriteOfCommand(commandCount);
  }
}

void COpcItem::EndCompletedWrite() {
  CDCTag* tag = GetDCTag();
  if (tag) tag->EndWriteOfCommand(m_commandCompleted.load());
}
