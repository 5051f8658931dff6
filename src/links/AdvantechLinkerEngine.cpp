#include "links/AdvantechLinkerEngine.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "common/CommonUtils.h"
#include "datacenter/ConfigurationBoxes.h"
#include "datacenter/DCTag.h"
#include "datacenter/DataCenterBase.h"
#include "datacenter/EngineServices.h"
#include "links/AdvantechCards.h"
#include "links/AdvantechLinkerItem.h"
#include "platform/base/MessageBoxService.h"

namespace {

constexpr const char* kInvalidPath = "Invalid AccessPath!";

bool IsNegative(const CDCTag& tag) { return tag.GetDataExpression() == "Negative"; }

void CountError(CHwLinkerItem& item) { item.SetErrorCount(item.GetErrorCount() + 1); }

// The bit a tag value stands for: its first data byte not 0.
bool FirstByteSet(const Variant& value) {
  unsigned char first = 0;
  std::memcpy(&first, &value.llVal, 1);
  return first != 0;
}

}  // namespace

CAdvantechLinkerEngine::CAdvantechLinkerEngine() { SetUsePollThread(TRUE); }

CAdvantechLinkerEngine::~CAdvantechLinkerEngine() { CAdvantechLinkerEngine::Stop(); }

BOOL CAdvantechLinkerEngine::Start() {
  if (GetLinkState() == LinkState::kRunning) return TRUE;
  SetLinkState(LinkState::kStarting);
  if (!CHwLinkerEngine::Start()) {
    SetLinkState(LinkState::kStopped);
    return FALSE;
  }
  if (!OpenCards()) {
    // The frame runs until the next mode stops the link, as a link started before a failure does.
    SetLinkState(LinkState::kRunning);
    ShowMessageBox("System cannot connect to real Advantech Mode", "", kConfigReportStyle);
    return FALSE;
  }
  SetLinkState(LinkState::kRunning);
  return TRUE;
}

BOOL CAdvantechLinkerEngine::Stop() {
  // The cards are written at once, from the window: nothing is left to write
  // when the link stops, so its stop ends here.
  if (GetLinkState() != LinkState::kStopped) SetLinkState(LinkState::kStopping);
  CHwLinkerEngine::Stop();
  CloseCards();
  LinkStopped();
  return TRUE;
}

BOOL CAdvantechLinkerEngine::BuildItems() {
  if (IsReady()) return TRUE;
  CHwLinkerEngine::BuildItems();
  CDataCenterBase* dataCenter = GetDataCenter();
  if (!dataCenter || !dataCenter->HasAdvTags()) return FALSE;

  for (int i = 0; i < dataCenter->GetTagCount(); ++i) {
    CDCTag* tag = dataCenter->GetTagAt(i);
    if (!tag || !tag->IsEnabled() || tag->GetHWType() != eHWAdv) continue;
    auto* item = new CAdvantechLinkerItem(this);
    item->SetDCTag(tag);
    item->SetValueType(tag->GetDataType());
    const std::string error = ParseAccessPath(*tag, *item);
    if (!error.empty()) {
      tag->ReportInvalidFormat(error);
      delete item;
      continue;
    }
    if (tag->IsEnabled()) {
      AddItem(item);
    } else {
      delete item;
    }
  }
  SetReady(TRUE);
  return IsReady();
}

std::string CAdvantechLinkerEngine::ParseAccessPath(CDCTag& tag, CAdvantechLinkerItem& item) {
  std::string path = tag.GetAccessPath();
  std::string baseText;
  if (!ReadPathField(path, "BA", baseText)) return kInvalidPath;
  const int base = static_cast<int>(HexTextToDword(baseText));
  const VARTYPE dataType = tag.GetDataType();
  const int ioType = tag.GetIOType();
  if (base == CAdvantechLinkerItem::kDigitalBaseAddress) {
    if (dataType != VT_BOOL) return "Unsupported DataType for Digital card!";
    if (ioType != eIOInput && ioType != eIOOutput) return "Unsupported IOType for Digital card!";
    int group = -1;
    int bit = -1;
    if (!ReadPathInt(path, "CBL", group) || !ReadPathInt(path, "BIT", bit)) return kInvalidPath;
    item.SetDigitalGroup(static_cast<std::uint16_t>(group));
    item.SetDigitalBit(static_cast<std::uint16_t>(bit));
  } else if (base == CAdvantechLinkerItem::kAnalogBaseAddress) {
    if (dataType != VT_R4) return "Unsupported DataType for Analog card!";
    if (ioType != eIOInput) return "Unsupported IOType for Analog card!";
    int channel = -1;
    if (!ReadPathInt(path, "CH", channel)) return kInvalidPath;
    item.SetAnalogChannel(static_cast<std::uint16_t>(channel));
  } else {
    return "Invalid AccessPath (invalid BaseAddress)!";
  }
  if (!path.empty()) return kInvalidPath;
  item.SetBaseAddress(base);
  return std::string();
}

void CAdvantechLinkerEngine::PollOnce() {
  for (CHwLinkerItem* base : m_items) {
    auto* item = static_cast<CAdvantechLinkerItem*>(base);
    CDCTag* tag = item->GetDCTag();
    if (!tag || !tag->IsEnabled()) continue;
    if (item->GetBaseAddress() == CAdvantechLinkerItem::kDigitalBaseAddress) {
      PollDigital(*item, *tag);
    } else if (item->GetBaseAddress() == CAdvantechLinkerItem::kAnalogBaseAddress) {
      PollAnalog(*item, *tag);
    }
  }
}

void CAdvantechLinkerEngine::PollDigital(CAdvantechLinkerItem& item, CDCTag& tag) {
  const int ioType = tag.GetIOType();
  if (ioType == eIOOutput) return;  // outputs are written from the tag messages
  if (ioType != eIOInput) {
    tag.ReportInvalidFormat("Invalid IOType!");
    return;
  }
  bool state = false;
  if (!ReadDigitalBit(item.GetDigitalGroup(), item.GetDigitalBit(), state)) {
    // Nothing was read: the tag keeps its value and still waits for a reading.
    CountError(item);
    return;
  }
  if (IsNegative(tag)) state = !state;
  // Cleared first: a shape that ignores values while the tag is read-pending
  // must see the first reading even when it equals the value already held.
  tag.SetReadPending(FALSE);
  tag.SetValue(Variant::Bool(state));
}

void CAdvantechLinkerEngine::PollAnalog(CAdvantechLinkerItem& item, CDCTag& tag) {
  float volts = -1.0f;
  if (!ReadAnalog(item.GetAnalogChannel(), volts)) {
    CountError(item);
    return;
  }
  tag.SetWritePending(FALSE);
  tag.SetReadPending(FALSE);
  if (tag.GetSize() != 0) {
    tag.Push(Variant::R4(volts));
  } else {
    tag.SetValue(Variant::R4(volts));
  }
}

LRESULT CAdvantechLinkerEngine::OnTagMessage(CDCTag* tag, int changeCode) {
  if (!tag || !tag->IsEnabled()) return 1;
  if (changeCode != eTagChangeValue) return 0;
  auto* item = static_cast<CAdvantechLinkerItem*>(FindOrCreateItem(tag));
  if (!item) return 1;
  if ((tag->GetIOType() & eIOOutput) != 0 && item->GetBaseAddress() == CAdvantechLinkerItem::kDigitalBaseAddress) {
    std::uint32_t commandCount = 0;
    bool state = FirstByteSet(tag->GetValue(commandCount));
    if (IsNegative(*tag)) state = !state;
    if (WriteDigitalBit(item->GetDigitalGroup(), item->GetDigitalBit(), state)) {
      // The mark of this command only: one given meanwhile is still to be written.
      EndCommand(*item, commandCount);
    } else {
      // Still pending: the plant sees that its command has not reached the card.
      CountError(*item);
    }
  }
  return 0;
}

CHwLinkerItem* CAdvantechLinkerEngine::CreateItem(CDCTag* tag) {
  for (CHwLinkerItem* item : m_items) {
    if (item->GetDCTag() == tag) return item;
  }
  return nullptr;
}
