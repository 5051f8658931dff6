#include "engine/EngineTables.h"

std::atomic<CBatchRS*> g_pBatchRS{nullptr};
std::atomic<CShiftRS*> g_pShiftRS{nullptr};
std::atomic<CRecipeRS*> g_pRecipeRS{nullptr};
std::atomic<CEvent2RS*> g_pEvent2RS{nullptr};
std::atomic<CVesselsLevelRS*> g_pVesselsLevelRS{nullptr};
