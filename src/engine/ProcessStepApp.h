#pragma once
// The plant's process step: the base step with the plant's own version word
// after the base's fields in the recovery file.
#include "engine/ProcessStepBase.h"

class CProcessStepApp : public CProcessStepBase {
 public:
  void ResetPhase() override;
  void Serialize(CArchive& ar) override;
};
