#pragma once
// The in-place editor of cells with an edit mask (id 124). For now an edit control that
// stays hidden; editing comes with the editors' own work.
#include "platform/ui/CEdit.h"

class CUGCtrl;

class CUGMaskedEdit : public CEdit {
 public:
  CUGMaskedEdit() = default;
  ~CUGMaskedEdit() override;

  CUGCtrl* m_ctrl = nullptr;
};
