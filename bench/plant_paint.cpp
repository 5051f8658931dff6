// What a repaint of the plant costs through the drawing layer: the plant form's
// double-buffered pipe picture (every second) and one vessel's picture with its
// outline, level fill and texts (every 90 ms while its agitator runs).
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <cmath>
#include <vector>

#include "platform/ui/CDC.h"
#include "platform/ui/ColorRef.h"

namespace {

void BM_PlantFormPipes(benchmark::State& state) {
  QImage window(1280, 900, QImage::Format_RGB32);
  std::vector<POINT> path;
  for (int i = 0; i < 12; ++i) path.push_back({60 + i * 90, 100 + (i % 3) * 200});
  const COLORREF colours[] = {RGB(155, 220, 255), RGB(170, 170, 255), RGB(235, 165, 0), RGB(200, 255, 50),
                              RGB(245, 50, 110), RGB(50, 150, 250), RGB(255, 215, 110)};
  for (auto _ : state) {
    CDC target;
    target.AttachImage(&window);
    CDC memory;
    memory.CreateCompatibleDC(&target);
    CBitmap bitmap;
    bitmap.CreateCompatibleBitmap(&target, 1280, 900);
    CBitmap* oldBitmap = memory.SelectObject(&bitmap);
    CBrush background(RGB(0, 0, 0));
    CRect client(0, 0, 1280, 900);
    memory.FillRect(&client, &background);
    for (int group = 0; group < 12; ++group) {
      CPen pen(PS_SOLID, 3, colours[group % 7]);
      CPen* oldPen = memory.SelectObject(&pen);
      for (int segment = 0; segment < 6; ++segment) {
        memory.MoveTo(path[0].x + group * 7, path[0].y + segment * 13);
        for (const POINT& p : path) memory.LineTo(p.x + group * 7, p.y + segment * 13);
      }
      memory.SelectObject(oldPen);
    }
    target.BitBlt(0, 0, 1280, 900, &memory, 0, 0, SRCCOPY);
    memory.SelectObject(oldBitmap);
  }
}
BENCHMARK(BM_PlantFormPipes)->Unit(benchmark::kMillisecond);

void BM_VesselPicture(benchmark::State& state) {
  const int w = 110;
  const int h = 160;
  QImage window(w, h, QImage::Format_RGB32);
  std::vector<POINT> outline;
  for (int k = 0; k < 100; ++k) outline.push_back({k < 10 ? w * 42 / 100 : 0, k * h / 99});
  for (int k = 99; k >= 0; --k) outline.push_back({k < 10 ? w * 58 / 100 : w, k * h / 99});
  CFont font;
  font.CreatePointFont(80, "MS Sans Serif");
  for (auto _ : state) {
    CDC target;
    target.AttachImage(&window);
    CDC memory;
    memory.CreateCompatibleDC(&target);
    CBitmap bitmap;
    bitmap.CreateCompatibleBitmap(&target, w, h);
    CBitmap* oldBitmap = memory.SelectObject(&bitmap);
    memory.FillSolidRect(0, 0, w, h, RGB(0, 0, 0));
    CBrush body(RGB(60, 180, 110));
    memory.SelectObject(&body);
    memory.Polygon(outline.data(), static_cast<int>(outline.size()));
    CBrush content(RGB(255, 255, 225));
    memory.SelectObject(&content);
    memory.SelectStockObject(NULL_PEN);
    memory.Polygon(outline.data() + 40, 120);
    memory.SelectObject(&font);
    memory.SetBkMode(TRANSPARENT);
    CRect name(0, 9 * h / 16 - 10, w, 9 * h / 16 + 10);
    memory.DrawText("Mixer1", &name, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
    CRect level(0, 3 * h / 16 - 10, w, 3 * h / 16 + 10);
    memory.DrawText("1250 Kg", &level, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
    memory.SelectStockObject(HOLLOW_BRUSH);
    CPen frame(PS_SOLID, 1, RGB(0, 255, 0));
    memory.SelectObject(&frame);
    memory.Rectangle(0, 0, w, h);
    target.BitBlt(0, 0, w, h, &memory, 0, 0, SRCCOPY);
    memory.SelectObject(oldBitmap);
  }
}
BENCHMARK(BM_VesselPicture)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
  QGuiApplication app(argc, argv);  // text needs the font database
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
