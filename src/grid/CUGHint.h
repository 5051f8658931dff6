#pragma once
// The hint beside a scroll bar's thumb while it is dragged. For now a hidden
// frameless window of its own that shows nothing; its text, placement and
// painting come with the scroll bars' own work.
#include "platform/ui/CWnd.h"

class CUGCtrl;

class CUGHint : public CWnd {
 public:
  CUGHint() = default;
  ~CUGHint() override;

  // 1 when the window exists.
  int Create(CUGCtrl* owner);

  CUGCtrl* m_ctrl = nullptr;
};
