#pragma once
// The corner button: the cell (-1, -1) where the headings meet.
// For now a plain window of the control that is repainted as a whole; its
// painting, sizing by the mouse and clicks come with the headings' own work.
#include "platform/ui/CWnd.h"

class CUGCtrl;
class CUGGridInfo;

class CUGCnrBtn : public CWnd {
 public:
  CUGCnrBtn() = default;
  ~CUGCnrBtn() override;

  // Brings the window up to date with the sheet.
  void Update();

  CUGCtrl* m_ctrl = nullptr;
  CUGGridInfo* m_GI = nullptr;
};
