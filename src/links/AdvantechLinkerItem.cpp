#include "links/AdvantechLinkerItem.h"

CAdvantechLinkerItem::CAdvantechLinkerItem(CHwLinkerEngine* engine) : CHwLinkerItem(engine) {}

CAdvantechLinkerItem::~CAdvantechLinkerItem() = default;
