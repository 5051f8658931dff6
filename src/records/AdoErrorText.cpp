#include "records/AdoErrorText.h"

#include <cstdint>

#include "platform/base/Text.h"

std::string AdoCodeMeaning(HRESULT code) {
  switch (code) {
    case S_OK: return "No error";
    case E_FAIL: return "Unspecified error";
    case E_POINTER: return "Invalid pointer";
    case E_INVALIDARG: return "The parameter is incorrect.";
    case E_OUTOFMEMORY: return "Not enough storage is available to complete this operation.";
    case DISP_E_TYPEMISMATCH: return "Type mismatch.";
    case DISP_E_OVERFLOW: return "Out of present range.";
    case DISP_E_BADVARTYPE: return "Bad variable type.";
    default: return ruv::Format("Unknown error 0x%08X", static_cast<unsigned>(code));
  }
}

std::string AdoErrorReport(const char* kind, HRESULT code, const std::string& description) {
  return ruv::Format("%s Error\n\tCode = %08lx\n\tCode meaning = %s\n\tSource = %s\n\tDescription = %s\n", kind,
                     static_cast<unsigned long>(static_cast<std::uint32_t>(code)), AdoCodeMeaning(code).c_str(),
                     kAdoErrorSource, description.c_str());
}
