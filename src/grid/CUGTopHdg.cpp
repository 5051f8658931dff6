#include "grid/CUGTopHdg.h"

CUGTopHdg::~CUGTopHdg() = default;

void CUGTopHdg::Update() {
  if (!GetSafeHwnd()) return;
  Invalidate();
  UpdateWindow();
}
