#include "grid/CUGTab.h"

#include <algorithm>

#include "grid/CUGCtrl.h"
#include "grid/CUGGridInfo.h"

CUGTab::~CUGTab() = default;

void CUGTab::SetStripWidth(int width) {
  if (!m_GI || !m_ctrl) return;
  m_GI->m_tabWidth = std::max(width, kMinWidth);
  m_ctrl->m_tabSizing = 1;
  m_ctrl->AdjustComponentSizes();
  m_ctrl->m_tabSizing = 0;
}

void CUGTab::Update() {
  if (!GetSafeHwnd()) return;
  Invalidate();
  UpdateWindow();
}
