#pragma once
// The check-box cell type (id 2). For now it draws as
// the normal type; its own drawing and events come with the built-in types'
// own work.
#include "grid/CUGCellType.h"

class CUGCheckBoxType : public CUGCellType {
 public:
  CUGCheckBoxType();
  ~CUGCheckBoxType() override;

  const char* GetName() override;
};
