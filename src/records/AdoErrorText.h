#pragma once
// The full texts the database layer keeps of its last failure (never shown by
// the layer itself; a caller may read them), e.g.
//   CADORecordset Error
//   	Code = 800a0cc1
//   	Code meaning = Unknown error 0x800A0CC1
//   	Source = SQLite
//   	Description = Item cannot be found ...
#include <string>

#include "platform/base/WinTypes.h"

// The store under the layer, named as an error's source.
inline constexpr const char* kAdoErrorSource = "SQLite";

// The system's message for a failure code.
std::string AdoCodeMeaning(HRESULT code);
// "<kind> Error\n\tCode = %08lx\n\tCode meaning = %s\n\tSource = %s\n\tDescription = %s\n".
std::string AdoErrorReport(const char* kind, HRESULT code, const std::string& description);
