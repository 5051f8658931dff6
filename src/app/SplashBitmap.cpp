#include "app/SplashBitmap.h"

#include <QFont>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include "platform/ui/ResourceRegistry.h"

namespace {

constexpr int kWidth = 540;
constexpr int kHeight = 150;
constexpr int kCornerRadius = 26;
// The band the running text is drawn in (the splash's text rectangle, 180,55 to 510,75).
const QRect kTextBand(172, 52, 346, 26);

QPainterPath Outline() {
  QPainterPath path;
  path.addRoundedRect(QRectF(0, 0, kWidth, kHeight), kCornerRadius, kCornerRadius);
  return path;
}

// A mixer vessel with its stirrer, as the plant diagram draws one.
void DrawVessel(QPainter& painter) {
  painter.setPen(QPen(QColor(235, 242, 250), 3));
  painter.setBrush(QColor(70, 110, 160));
  painter.drawPolygon(QPolygonF({{40, 30}, {140, 30}, {140, 100}, {105, 128}, {75, 128}, {40, 100}}));
  painter.setBrush(QColor(120, 190, 230));
  painter.setPen(Qt::NoPen);
  painter.drawPolygon(QPolygonF({{42, 62}, {138, 62}, {138, 99}, {104, 126}, {76, 126}, {42, 99}}));
  painter.setPen(QPen(QColor(235, 242, 250), 3));
  painter.drawLine(90, 14, 90, 104);
  painter.drawLine(72, 104, 108, 104);
  painter.drawLine(90, 140, 90, 128);
}

QImage DrawContent() {
  QImage content(kWidth, kHeight, QImage::Format_RGB32);
  QPainter painter(&content);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
  QLinearGradient plate(0, 0, 0, kHeight);
  plate.setColorAt(0.0, QColor(40, 78, 128));
  plate.setColorAt(1.0, QColor(18, 40, 72));
  painter.fillRect(content.rect(), plate);
  painter.setPen(QPen(QColor(150, 180, 215), 2));
  painter.setBrush(Qt::NoBrush);
  painter.drawRoundedRect(QRectF(3, 3, kWidth - 6, kHeight - 6), kCornerRadius - 3, kCornerRadius - 3);
  DrawVessel(painter);

  QFont title("Arial");
  title.setPixelSize(34);
  title.setBold(true);
  painter.setFont(title);
  painter.setPen(QColor(245, 248, 252));
  painter.drawText(QRect(172, 8, 346, 42), Qt::AlignLeft | Qt::AlignVCenter, "RuvFrame");

  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(225, 232, 240));
  painter.drawRoundedRect(kTextBand, 6, 6);

  QFont subtitle("Arial");
  subtitle.setPixelSize(14);
  painter.setFont(subtitle);
  painter.setPen(QColor(200, 215, 232));
  painter.drawText(QRect(172, 86, 346, 22), Qt::AlignLeft | Qt::AlignVCenter, "Batch plant supervision and control");
  painter.drawText(QRect(172, 108, 346, 22), Qt::AlignLeft | Qt::AlignVCenter, "Starting ...");
  return content;
}

QImage DrawSplash() {
  // The outline is filled without smoothing, so every pixel is either the
  // plate's or the transparent colour: a blended edge would show as a pink seam.
  QImage mask(kWidth, kHeight, QImage::Format_RGB32);
  mask.fill(Qt::black);
  {
    QPainter painter(&mask);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillPath(Outline(), Qt::white);
  }
  const QImage content = DrawContent();
  QImage splash(kWidth, kHeight, QImage::Format_RGB32);
  const QRgb transparent = qRgb(GetRValue(kSplashTransparentColor), GetGValue(kSplashTransparentColor),
                                GetBValue(kSplashTransparentColor));
  for (int y = 0; y < kHeight; ++y) {
    const auto* inside = reinterpret_cast<const QRgb*>(mask.constScanLine(y));
    const auto* from = reinterpret_cast<const QRgb*>(content.constScanLine(y));
    auto* to = reinterpret_cast<QRgb*>(splash.scanLine(y));
    for (int x = 0; x < kWidth; ++x) {
      // A content pixel that happened to be the transparent colour would leave a hole.
      const QRgb pixel = from[x] == transparent ? qRgb(254, 0, 254) : from[x];
      to[x] = qRed(inside[x]) ? pixel : transparent;
    }
  }
  return splash;
}

}  // namespace

void RegisterSplashBitmap() {
  if (FindBitmapResource(IDB_SPLASH).isNull()) RegisterBitmapResource(IDB_SPLASH, DrawSplash());
}
