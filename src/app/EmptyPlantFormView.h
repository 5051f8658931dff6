#pragma once
// The plant form's place in the child frame until the plant form view exists:
// a black area (the shapes' background colour) that shows nothing else.
#include "platform/ui/CView.h"

class CEmptyPlantFormView : public CView {
 public:
  BOOL OnEraseBkgnd(CDC* dc) override;
};
