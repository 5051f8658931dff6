#include "platform/ui/CToolTipCtrl.h"

#include <QWidget>

BOOL CToolTipCtrl::Create(CWnd* parent, DWORD) {
  m_created = parent != nullptr;
  return m_created ? TRUE : FALSE;
}

BOOL CToolTipCtrl::AddTool(CWnd* tool, const std::string& text) {
  if (!m_created || !tool || !tool->GetSafeHwnd()) return FALSE;
  m_tools[tool->GetSafeHwnd()] = text;
  Apply(tool->GetSafeHwnd());
  return TRUE;
}

void CToolTipCtrl::UpdateTipText(const std::string& text, CWnd* tool) {
  if (!tool) return;
  auto it = m_tools.find(tool->GetSafeHwnd());
  if (it == m_tools.end()) return;
  it->second = text;
  Apply(it->first);
}

void CToolTipCtrl::DelTool(CWnd* tool) {
  if (!tool) return;
  const HWND handle = tool->GetSafeHwnd();
  m_tools.erase(handle);
  if (CWnd* window = CWnd::FromHandle(handle); window && window->GetWidget()) window->GetWidget()->setToolTip(QString());
}

void CToolTipCtrl::Activate(BOOL active) {
  m_active = active != FALSE;
  for (const auto& [handle, text] : m_tools) Apply(handle);
}

void CToolTipCtrl::Apply(HWND tool) const {
  CWnd* window = CWnd::FromHandle(tool);
  if (!window || !window->GetWidget()) return;
  auto it = m_tools.find(tool);
  window->GetWidget()->setToolTip(m_active && it != m_tools.end() ? QString::fromStdString(it->second) : QString());
}
