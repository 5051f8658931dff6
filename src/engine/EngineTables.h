#pragma once

#include <atomic>

class CBatchRS;
class CShiftRS;
class CRecipeRS;
class CEvent2RS;
class CVesselsLevelRS;

// The plant's five table recordsets, process-wide. The engine root publishes
// each one once it is open and clears it before deleting it; null means the
// table is not there (no database yet, a failed start, or shut-down).
extern std::atomic<CBatchRS*> g_pBatchRS;
extern std::atomic<CShiftRS*> g_pShiftRS;
extern std::atomic<CRecipeRS*> g_pRecipeRS;
extern std::atomic<CEvent2RS*> g_pEvent2RS;
extern std::atomic<CVesselsLevelRS*> g_pVesselsLevelRS;
