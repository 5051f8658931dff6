#include "links/OpcStandInAddressSpace.h"

#include <string>
#include <utility>
#include <vector>

#include "datacenter/DCTag.h"
#include "datacenter/DCTagTypes.h"
#include "datacenter/DataCenterBase.h"
#include "platform/opc/OpcStandIn.h"

bool FillOpcStandInFromTags(const CDataCenterBase& dataCenter) {
  std::vector<std::pair<std::string, VARTYPE>> items;
  for (int i = 0; i < dataCenter.GetTagCount(); ++i) {
    const CDCTag* tag = dataCenter.GetTagAt(i);
    if (tag && tag->IsEnabled() && tag->GetHWType() == eHWOpc) items.emplace_back(tag->GetTagName(), tag->GetDataType());
  }
  return OpcStandIn::Instance().LoadItems(items);
}
