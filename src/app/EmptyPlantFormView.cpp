#include "app/EmptyPlantFormView.h"

#include <QPainter>
#include <QWidget>

BOOL CEmptyPlantFormView::OnEraseBkgnd(CDC*) { return TRUE; }

void CEmptyPlantFormView::OnPaint() {
  QPainter painter(GetWidget());
  painter.fillRect(GetWidget()->rect(), Qt::black);
}
