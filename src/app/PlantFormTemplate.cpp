#include "app/PlantFormTemplate.h"

#include <QImage>
#include <QPainter>

#include "platform/ui/DialogTemplate.h"
#include "platform/ui/ResourceRegistry.h"

namespace {

// Pixels to dialog units, so the layout below reads in the plant's own pixels.
int Dx(int pixels) { return PixelsToDialogUnitsX(pixels); }
int Dy(int pixels) { return PixelsToDialogUnitsY(pixels); }

DialogItemTemplate Label(UINT id, const char* text, int x, int y, int width, int height, DWORD align = SS_LEFT) {
  DialogItemTemplate item;
  item.id = id;
  item.className = kStaticClass;
  item.text = text;
  item.style = WS_VISIBLE | align | SS_NOTIFY;
  item.x = Dx(x);
  item.y = Dy(y);
  item.cx = Dx(width);
  item.cy = Dy(height);
  return item;
}

DialogTemplate PlantFormTemplate() {
  DialogTemplate form;
  form.id = IDD_RUVFRAME_FORM;
  form.style = WS_CHILD;
  // The plant reaches about 1000 by 690 pixels once arranged.
  form.cx = Dx(1040);
  form.cy = Dy(720);
  form.items = {
      Label(IDC_REPORT_LABEL, "Report 1", 540, 660, 490, 40),
      Label(IDC_CAPTION_COLOR, "Color", 780, 130, 90, 18),
      Label(IDC_CAPTION_ESSENCE, "Essence", 780, 180, 90, 18),
      Label(IDC_CAPTION_DM_WATER, "DM Water", 900, 280, 90, 18),
      Label(IDC_CAPTION_PRESERVATIVE, "Preservative", 900, 310, 90, 18),
      Label(IDC_CAPTION_LITRON, "Litron", 900, 340, 90, 18),
      Label(IDC_TITLE_LABEL, kPlantFormTitleText, 10, 660, 520, 40, SS_CENTER),
      Label(IDC_DATA_SOURCE_LABEL, "Data Source ...", 800, 225, 230, 24),
      Label(IDC_BATCH_LABEL_MIXER1, "Batch Number 1", 30, 610, 140, 20),
      Label(IDC_BATCH_LABEL_MIXER1 + 1, "Batch Number 2", 230, 610, 140, 20),
      Label(IDC_BATCH_LABEL_MIXER1 + 2, "Batch Number 3", 430, 610, 140, 20),
      Label(IDC_BATCH_LABEL_MIXER1 + 3, "Batch Number 4", 630, 610, 140, 20),
  };
  return form;
}

// A stopwatch: the recording interval's icon.
QImage StopwatchPicture() {
  QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(QColor(40, 40, 40), 2));
  painter.setBrush(QColor(60, 60, 60));
  painter.drawRect(13, 1, 6, 4);
  painter.setBrush(QColor(250, 250, 235));
  painter.drawEllipse(QRectF(3, 5, 26, 26));
  painter.setPen(QPen(QColor(180, 0, 0), 2));
  painter.drawLine(QPointF(16, 18), QPointF(16, 9));
  painter.setPen(QPen(QColor(40, 40, 40), 2));
  painter.drawLine(QPointF(16, 18), QPointF(22, 21));
  return image;
}

}  // namespace

void RegisterPlantFormResources() {
  RegisterDialogTemplate(PlantFormTemplate());
  RegisterIconResource(IDI_RECORD_INTERVAL, StopwatchPicture());
}
