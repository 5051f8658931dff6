#include "grid/CUGCnrBtn.h"

CUGCnrBtn::~CUGCnrBtn() = default;

void CUGCnrBtn::Update() {
  if (!GetSafeHwnd()) return;
  Invalidate();
  UpdateWindow();
}
