#include "engine/ProcessStepApp.h"

#include <cstdint>

#include "platform/base/CArchive.h"

void CProcessStepApp::ResetPhase() { CProcessStepBase::ResetPhase(); }

void CProcessStepApp::Serialize(CArchive& ar) {
  CProcessStepBase::Serialize(ar);
  if (ar.IsStoring()) {
    ar << std::uint32_t{1};
  } else {
    std::uint32_t version = 0;  // not examined
    ar >> version;
  }
}
