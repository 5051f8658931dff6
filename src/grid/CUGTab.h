#pragma once
// The sheet tab strip left of the horizontal scroll bar. For now a plain
// window with its width setter; tabs, arrows and sizing by the mouse come with
// the tab strip's own work.
#include "platform/ui/CWnd.h"

class CUGCtrl;
class CUGGridInfo;

class CUGTab : public CWnd {
 public:
  static constexpr int kMinWidth = 40;

  CUGTab() = default;
  ~CUGTab() override;

  // The sheet's tab-strip width (never below kMinWidth); the control lays out again.
  virtual void SetStripWidth(int width);
  virtual void Update();

  CUGCtrl* m_ctrl = nullptr;
  CUGGridInfo* m_GI = nullptr;
};
