#include "engine/ProcessStepBase.h"

#include <cstdint>

#include "platform/base/CArchive.h"

CProcessStepBase::CProcessStepBase() = default;

CProcessStepBase::~CProcessStepBase() = default;

void CProcessStepBase::ResetPhase() { m_nPhase = 0; }

void CProcessStepBase::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar << std::uint32_t{1} << static_cast<std::uint32_t>(m_nPhase);
    return;
  }
  std::uint32_t version = 0;
  std::uint32_t phase = 0;
  ar >> version >> phase;
  m_nPhase = static_cast<int>(phase);
}

void CProcessStepBase::Reset() { ResetPhase(); }

void CProcessStepBase::OnChanged() {}
