#include "grid/CUGSideHdg.h"

CUGSideHdg::~CUGSideHdg() = default;

void CUGSideHdg::Update() {
  if (!GetSafeHwnd()) return;
  Invalidate();
  UpdateWindow();
}
