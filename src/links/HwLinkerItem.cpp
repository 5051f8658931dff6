#include "links/HwLinkerItem.h"

#include <string>

#include "common/CommonUtils.h"
#include "datacenter/ConfigurationBoxes.h"
#include "datacenter/DCTag.h"
#include "datacenter/DataCenterBase.h"
#include "platform/base/Clock.h"
#include "platform/base/ExitHook.h"
#include "platform/base/MessageBoxService.h"
#include "platform/base/Text.h"

namespace {

// A link item whose type differs from its tag's ends the process with its own code,
// so the operator's support can tell it from the other configuration errors (321).
constexpr int kTypeMismatchExitCode = 123;

// Both null or both empty, two dates by their date number, or the same type and equal.
bool SameItemValue(const Variant& stored, const Variant& incoming) {
  if (stored.vt == incoming.vt && (stored.vt == VT_NULL || stored.vt == VT_EMPTY)) return true;
  if (stored.vt != incoming.vt) return false;
  if (stored.vt == VT_DATE) return stored.date == incoming.date;
  if (stored.IsArray()) return stored == incoming;
  bool comparable = false;
  const int order = VariantCompare(stored, incoming, &comparable);
  return comparable && order == 0;
}

}  // namespace

CHwLinkerItem::CHwLinkerItem(CHwLinkerEngine* engine) : m_engine(engine) {}

CHwLinkerItem::~CHwLinkerItem() = default;

CDCTag* CHwLinkerItem::GetDCTag() const { return m_tag.load(); }

void CHwLinkerItem::SetDCTag(CDCTag* tag) { m_tag.store(tag); }

VARTYPE CHwLinkerItem::GetNormalizedValueType() const { return NormalizeVarType(GetValueType()); }

void CHwLinkerItem::ListenToTag(HWND window) {
  CDCTag* tag = GetDCTag();
  if (!tag) return;
  tag->AddListener(window);
  NoteCommandsWritten(tag->GetCommandCount());
}

VARTYPE CHwLinkerItem::NormalizeVarType(VARTYPE type) const {
  if (type == VT_I2 || type == VT_UI2) return VT_I4;
  return type;
}

Variant CHwLinkerItem::GetValue() const {
  std::lock_guard<std::mutex> lock(m_valueMutex);
  return m_value;
}

VARTYPE CHwLinkerItem::GetValueType() const {
  std::lock_guard<std::mutex> lock(m_valueMutex);
  return m_value.vt;
}

void CHwLinkerItem::SetValue(const Variant& value) {
  SetLastPollTick(GetTickCount());
  const Variant current = GetValue();
  if (SameItemValue(current, value)) return;
  if (current.vt != VT_EMPTY) {
    if (current.vt != value.vt) return;
  } else {
    // Never under the value lock: the type check may ask the operator.
    SetValueType(value.vt);
    if (value.vt == VT_EMPTY) return;
  }
  std::lock_guard<std::mutex> lock(m_valueMutex);
  if (m_value.vt != VT_EMPTY && m_value.vt != value.vt) return;
  m_value = value;
}

void CHwLinkerItem::ClearValue() {
  std::lock_guard<std::mutex> lock(m_valueMutex);
  m_value.Clear();
}

void CHwLinkerItem::SetValueType(VARTYPE type) {
  CDCTag* tag = GetDCTag();
  if (tag && !IsShiftKeyDown()) {
    const VARTYPE tagType = tag->GetDataType();
    // Both sides normalised: a 16-bit tag served by a 16-bit item is no mismatch either.
    if (NormalizeVarType(type) != NormalizeVarType(tagType)) {
      std::string text = "The DataType of DataCenter Tag and Linker Item are different!\n\n";
      text += ruv::Format(" - DataCenter Tag DataType: %s\n - Linker Item DataType: %s\n\n",
                          VarTypeToText(tagType).c_str(), VarTypeToText(type).c_str());
      text += "Please update the DataCenter file or the configuration of the Linker.\n";
      text += tag->GetInfoText();
      text += AppendClipboardTips("DataCenter TagName", tag->GetTagName());
      if (ShowMessageBox(text, "", kConfigPromptStyle) == IDCANCEL) {
        RequestProcessExit(kTypeMismatchExitCode);
        return;
      }
    }
  }
  std::lock_guard<std::mutex> lock(m_valueMutex);
  if (m_value.vt == VT_EMPTY && type != VT_EMPTY) {
    Variant zero;
    if (VariantChangeType(zero, m_value, type) == S_OK) m_value = zero;
  }
}

void CHwLinkerItem::SetLastPollTick(DWORD tick) {
  m_lastPollTick.store(tick);
  SetWaiting(FALSE);
}

BOOL CHwLinkerItem::IsPollNotDue() const {
  return TicksSince(GetLastPollTick(), GetTickCount()) < GetUpdateRate();
}

BOOL CHwLinkerItem::IsTimedOut() const {
  return TicksSince(GetLastRequestTick(), GetTickCount()) > GetTimeoutBand();
}

void CHwLinkerItem::ResetCounters() {
  SetAnswerCount(0);
  SetErrorCount(0);
  SetTimeoutCount(0);
}

void CHwLinkerItem::SetQueryRate(float rate) {
  m_queryRate.store(rate);
  SetAnswerCount(0);
}

void CHwLinkerItem::SetReading(BOOL reading) {
  m_reading.store(reading != FALSE);
  if (!reading) {
    if (CDCTag* tag = GetDCTag()) tag->SetReadPending(FALSE);
  }
}

void CHwLinkerItem::NoteCommandOutcome() {
  int underWay = m_commandsUnderWay.load();
  while (underWay > 0 && !m_commandsUnderWay.compare_exchange_weak(underWay, underWay - 1)) {
  }
}

BOOL CHwLinkerItem::ShowReading(const Variant& value) {
  CDCTag* tag = GetDCTag();
  if (!tag || HasCommandUnderWay()) return FALSE;
  if (tag->GetSize() == 0) return tag->SetReading(value, GetCommandsWritten());
  if (HoldsCommandNotYetWritten(tag->GetCommandCount())) return FALSE;
  tag->Push(value);
  return TRUE;
}

void CHwLinkerItem::SetWriting(BOOL writing) {
  m_writing.store(writing != FALSE);
  if (!writing) {
    if (CDCTag* tag = GetDCTag()) tag->SetWritePending(FALSE);
  }
}
