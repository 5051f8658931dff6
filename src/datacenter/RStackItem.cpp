#include "datacenter/RStackItem.h"

#include "platform/base/Clock.h"

CRStackItem::CRStackItem() : time(NowOleDate()) {}
