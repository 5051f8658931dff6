#pragma once
// The drop-list cell type (id 1): a choice from a list under the cell. For now it draws as
// the normal type; its own drawing and events come with the built-in types'
// own work.
#include "grid/CUGCellType.h"

class CUGDropListType : public CUGCellType {
 public:
  CUGDropListType();
  ~CUGDropListType() override;

  const char* GetName() override;
};
