#include "grid/CUGSheetOwner.h"

#include "grid/CUGCtrl.h"

CUGSheetOwner* CUGSheetOwner::Of(CUGCtrl* ctrl) { return dynamic_cast<CUGSheetOwner*>(ctrl); }
