#pragma once
// The plant's document: it holds no data (the plant lives in the engine and the
// global plant objects) and stores nothing.
#include "platform/ui/CDocument.h"

class CRuvFrameDoc : public CDocument {
 public:
  BOOL OnNewDocument() override;
  // Keeps the flag only: there is nothing to save.
  void SetModifiedFlag(BOOL modified = TRUE) override;
};
