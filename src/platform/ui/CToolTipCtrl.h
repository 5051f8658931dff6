#pragma once
// Tool tips: each tool is a window with a text shown when the mouse rests on
// it. Kept to what the dialogs use: adding, changing and removing a tool's text
// and switching the tips on and off.
#include <map>
#include <string>

#include "platform/ui/CWnd.h"

class CToolTipCtrl {
 public:
  BOOL Create(CWnd* parent, DWORD style = 0);
  BOOL AddTool(CWnd* tool, const std::string& text);
  void UpdateTipText(const std::string& text, CWnd* tool);
  void DelTool(CWnd* tool);
  void Activate(BOOL active);
  int GetToolCount() const { return static_cast<int>(m_tools.size()); }
  void SetDelayTime(UINT) {}
  void SetMaxTipWidth(int) {}
  // The tips take their mouse events from Qt directly; relaying is not needed.
  void RelayEvent(const void*) {}

 private:
  void Apply(HWND tool) const;
  std::map<HWND, std::string> m_tools;
  bool m_active = true;
  bool m_created = false;
};
