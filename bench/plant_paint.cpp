// What a repaint of the plant costs through the drawing layer: the plant form's
// double-buffered pipe picture (drawn again when a shape moves), a running
// mixer's redraw (every 90 ms), a batcher and a valve drawn whole (when a value
// they show changed), and a picture copied unchanged.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/IniFile.h"
#include "platform/ui/CDC.h"
#include "platform/ui/ColorRef.h"
#include "platform/ui/ShapePictureCache.h"
#include "platform/ui/WindowTimers.h"
#include "shapes/Valve.h"
#include "shapes/Vessel.h"

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

// The plant's shapes as the plant form shows them: live child windows of a
// form, loaded from a settings file that holds their sections.
class PlantShapes {
 public:
  PlantShapes() {
    const std::string settings = m_folder.filePath("Bench-Setting.ini").toStdString();
    std::FILE* file = std::fopen(settings.c_str(), "w");
    for (const char* section : {"Vessel.Mixer1", "Vessel.Batcher01", "Valve.Valve1"})
      std::fprintf(file, "[%s]\nDeviceCaption.Data=\n", section);
    std::fclose(file);
    C_BaseShape::InitIniTable(2);
    C_BaseShape::SetIniTableEntry(1, std::make_unique<CIniFile>(settings));
    m_form.CreateEx(0, "", "plant", WS_OVERLAPPEDWINDOW, CRect(0, 0, 800, 600), nullptr, 0);
    m_mixer.CreateShape(&m_form);
    m_batcher.CreateShape(&m_form);
    m_valve.CreateShape(&m_form);
    m_mixer.SetAttribFloat(eVesselLevel, 1750.0f);
    m_mixer.SetAttribFloat(eVesselTemperature, 24.5f);
    m_mixer.SetAttribFloat(eVesselSpeed, 1500.0f);
    m_mixer.SetAttribBool(eVesselDiOnOffSpeed, true);
    m_batcher.SetAttribFloat(eVesselLevel, 64.0f);
    m_valve.SetAttribBool(eValveDoOnOffPosition, true);
  }
  ~PlantShapes() {
    m_valve.DestroyWindow();
    m_batcher.DestroyWindow();
    m_mixer.DestroyWindow();
    m_form.DestroyWindow();
    C_BaseShape::FreeIniTable();
  }

  C_Vessel& Mixer() { return m_mixer; }
  C_Vessel& Batcher() { return m_batcher; }
  C_Valve& Valve() { return m_valve; }

 private:
  QTemporaryDir m_folder;
  CWnd m_form;
  C_Vessel m_mixer{1, ShapeRecord(10, 10, 110, 160, 0, 4, "Mixer1", 0x593C7), 0};
  C_Vessel m_batcher{1, ShapeRecord(130, 10, 80, 140, 0x40214102, 1, "Batcher01", 0x8400), 1};
  C_Valve m_valve{1, ShapeRecord(230, 10, 60, 40, 0, 1, "Valve1"), 0};
};

// Made after the application and gone before it (windows need it).
std::unique_ptr<PlantShapes> g_shapes;
PlantShapes& Shapes() {
  if (!g_shapes) g_shapes = std::make_unique<PlantShapes>();
  return *g_shapes;
}

// One repaint of a shape into a window-sized image (its kept picture copied to
// the window included); `change` runs before each, outside nothing.
void PaintShape(benchmark::State& state, C_BaseShape& shape, const std::function<void()>& change) {
  CRect client;
  shape.GetClientRect(&client);
  QImage window(client.Width(), client.Height(), QImage::Format_RGB32);
  for (auto _ : state) {
    change();
    CDC target;
    target.AttachImage(&window);
    shape.Draw(&target);
  }
}

// A mixer with its agitator running, every 90 ms while it runs: the redraw tick
// moves the blades and the paint draws them over the kept still picture.
void BM_MixerPicture(benchmark::State& state) {
  C_Vessel& mixer = Shapes().Mixer();
  PaintShape(state, mixer, [&mixer] { FireTimerNow(mixer.GetSafeHwnd(), SHAPE_REDRAW_TIMER); });
}
BENCHMARK(BM_MixerPicture)->Unit(benchmark::kMicrosecond);

// Pictures drawn whole, as after a value they show changed.
void BM_BatcherPicture(benchmark::State& state) {
  C_Vessel& batcher = Shapes().Batcher();
  PaintShape(state, batcher, [] { ShapePictureCache::ForgetAll(); });
}
BENCHMARK(BM_BatcherPicture)->Unit(benchmark::kMicrosecond);

void BM_ValvePicture(benchmark::State& state) {
  C_Valve& valve = Shapes().Valve();
  PaintShape(state, valve, [] { ShapePictureCache::ForgetAll(); });
}
BENCHMARK(BM_ValvePicture)->Unit(benchmark::kMicrosecond);

// A repaint with nothing changed (an exposure, a full repaint): the kept picture copied.
void BM_UnchangedPictureCopied(benchmark::State& state) { PaintShape(state, Shapes().Batcher(), [] {}); }
BENCHMARK(BM_UnchangedPictureCopied)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
  QApplication app(argc, argv);  // the shapes are widgets; text needs the font database
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  g_shapes.reset();
  return 0;
}
