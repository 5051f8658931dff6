#pragma once
// Shared by the card-link tests: a data center holding "ADV" tags, the emulated
// driver and the process-wide card handles put back to their defaults around
// each test.
#include <string>

#include "HwLinkerTestSupport.h"
#include "datacenter/DataCenterBase.h"
#include "links/AdvantechCards.h"
#include "links/AdvantechLinkerEngine.h"
#include "links/AdvantechLinkerItem.h"
#include "platform/daq/CardEmulation.h"

// Fresh cards: nothing open, both listed, no failures.
struct FreshCards {
  FreshCards() {
    CloseCards();
    daqemu::Reset();
  }
  ~FreshCards() {
    CloseCards();
    daqemu::Reset();
  }
};

// The card link without its own polling thread: tests drive PollOnce themselves.
class DrivenAdvantechLink final : public CAdvantechLinkerEngine {
 public:
  DrivenAdvantechLink() { SetUsePollThread(FALSE); }
  CAdvantechLinkerItem* ItemOf(CDCTag* tag) { return static_cast<CAdvantechLinkerItem*>(FindItem(tag)); }
};

inline CDCTag* AddAdvTag(CDataCenterBase& dataCenter, const std::string& name, const std::string& path, int ioType,
                         VARTYPE type, const std::string& expression = "NULL") {
  auto tag = MakeHardwareTag(name, eHWAdv, ioType, type);
  tag->SetAccessPath(path);
  tag->SetDataExpression(expression);
  tag->SetLineNumber(dataCenter.GetTagCount() + 1);
  CDCTag* raw = tag.get();
  if (dataCenter.AddTag(tag) != eDCSuccess) return nullptr;
  return raw;
}
