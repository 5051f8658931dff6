#pragma once
// The in-place editor of plain cells (id 123). For now an edit control that
// stays hidden; editing comes with the editors' own work.
#include "platform/ui/CEdit.h"

class CUGCtrl;

class CUGEdit : public CEdit {
 public:
  CUGEdit() = default;
  ~CUGEdit() override;

  CUGCtrl* m_ctrl = nullptr;
};
