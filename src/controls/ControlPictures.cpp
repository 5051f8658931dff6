#include "controls/ControlPictures.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <mutex>

#include "platform/ui/ColorRef.h"
#include "platform/ui/ResourceRegistry.h"

namespace {

constexpr int kLampSize = 32;

// A round lamp: a dark rim and a lens lit from the upper left.
QImage LampPicture(const QColor& lens) {
  QImage image(kLampSize, kLampSize, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(64, 64, 64));
  painter.drawEllipse(QRectF(1, 1, kLampSize - 2, kLampSize - 2));
  QRadialGradient light(QPointF(12, 11), 18);
  light.setColorAt(0, lens.lighter(170));
  light.setColorAt(1, lens);
  painter.setBrush(light);
  painter.drawEllipse(QRectF(4, 4, kLampSize - 8, kLampSize - 8));
  return image;
}

// A pointing hand, black outline on white, hot spot at the finger tip.
QImage HandPicture() {
  QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  QPainterPath hand;
  hand.addRoundedRect(QRectF(6, 1, 5, 16), 2.5, 2.5);    // the pointing finger
  hand.addRoundedRect(QRectF(11, 8, 4, 9), 2, 2);        // the folded fingers
  hand.addRoundedRect(QRectF(15, 9, 4, 8), 2, 2);
  hand.addRoundedRect(QRectF(19, 10, 4, 7), 2, 2);
  hand.addRoundedRect(QRectF(5, 13, 18, 12), 4, 4);      // the palm
  hand.addRoundedRect(QRectF(1, 11, 6, 4), 2, 2);        // the thumb
  painter.setPen(QPen(Qt::black, 1));
  painter.setBrush(Qt::white);
  painter.drawPath(hand.simplified());
  return image;
}

}  // namespace

QImage MaskedByColor(const QImage& image, COLORREF transparent) {
  QImage masked = image.convertToFormat(QImage::Format_ARGB32);
  const QRgb key = ColorRefToQColor(transparent).rgb() & 0x00FFFFFFu;
  for (int y = 0; y < masked.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(masked.scanLine(y));
    for (int x = 0; x < masked.width(); ++x)
      if ((row[x] & 0x00FFFFFFu) == key) row[x] = 0;
  }
  return masked;
}

void EnsureControlPictures() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterIconResource(IDI_LAMP_OFF, LampPicture(QColor(0, 90, 0)));
    RegisterIconResource(IDI_LAMP_ON, LampPicture(QColor(0, 220, 0)));
    RegisterIconResource(IDI_LAMP_INACTIVE, LampPicture(QColor(150, 150, 150)));
    RegisterCursorResource(IDC_HAND_POINTER, HandPicture(), 8, 1);
  });
}
