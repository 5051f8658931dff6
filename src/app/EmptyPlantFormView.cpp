#include "app/EmptyPlantFormView.h"

#include "platform/ui/CDC.h"
#include "platform/ui/ColorRef.h"

BOOL CEmptyPlantFormView::OnEraseBkgnd(CDC* dc) {
  CRect client;
  GetClientRect(&client);
  dc->FillSolidRect(&client, RGB(0, 0, 0));
  return TRUE;
}
