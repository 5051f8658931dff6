#pragma once
// The side heading: the heading columns left of the cell area.
// For now a plain window of the control that is repainted as a whole; its
// painting, sizing by the mouse and clicks come with the headings' own work.
#include "platform/ui/CWnd.h"

class CUGCtrl;
class CUGGridInfo;

class CUGSideHdg : public CWnd {
 public:
  CUGSideHdg() = default;
  ~CUGSideHdg() override;

  // Brings the window up to date with the sheet.
  void Update();

  CUGCtrl* m_ctrl = nullptr;
  CUGGridInfo* m_GI = nullptr;
};
