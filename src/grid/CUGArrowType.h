#pragma once
// The side-arrow cell type (id 3). For now it draws as
// the normal type; its own drawing and events come with the built-in types'
// own work.
#include "grid/CUGCellType.h"

class CUGArrowType : public CUGCellType {
 public:
  CUGArrowType();
  ~CUGArrowType() override;

  const char* GetName() override;
};
