#include "app/PlantPipes.h"

#include <algorithm>
#include <array>

#include "common/WindowUtils.h"
#include "platform/base/Text.h"
#include "platform/ui/CDC.h"
#include "platform/ui/CPen.h"
#include "plant/PlantModel.h"

namespace {

// One pipe group: its pen is selected for the group and put back after it.
class PipeGroup {
 public:
  PipeGroup(CDC& dc, COLORREF color) : m_dc(dc), m_pen(PS_SOLID, kPipeWidth, color), m_old(dc.SelectObject(&m_pen)) {}
  ~PipeGroup() { m_dc.SelectObject(m_old); }
  PipeGroup(const PipeGroup&) = delete;
  PipeGroup& operator=(const PipeGroup&) = delete;
  void Move(int x, int y) { m_dc.MoveTo(x, y); }
  void Move(CPoint p) { m_dc.MoveTo(p.x, p.y); }
  void Line(int x, int y) { m_dc.LineTo(x, y); }

 private:
  CDC& m_dc;
  CPen m_pen;
  CPen* m_old;
};

std::string BatcherName(int n) { return ruv::Format("Batcher%02d", n); }

void DrawWater(CDC& dc) {
  PipeGroup pipe(dc, kWaterPipeColor);
  std::array<CPoint, 6> w{};
  for (int k = 1; k <= 5; ++k) w[static_cast<std::size_t>(k)] = PlantAnchor(ruv::Format("Water-DirectionValve%d", k), 1);
  const CPoint p = PlantAnchor("Water-ChargePump", 5);
  const CPoint w1 = w[1], w4 = w[4], w5 = w[5];
  pipe.Move(w1.x, w1.y + 45);
  pipe.Line(w1.x - 15, w1.y + 45);
  pipe.Move(w1.x, w1.y + 45);
  pipe.Line(w1.x, w1.y - 25);
  pipe.Line(std::max(p.x, w4.x) + 10, w1.y - 25);
  pipe.Line(p.x + 10, p.y);
  pipe.Line(p.x - 100, p.y);
  for (int k = 2; k <= 4; ++k) {
    const CPoint wk = w[static_cast<std::size_t>(k)];
    pipe.Move(wk.x, wk.y - 25);
    pipe.Line(wk.x, wk.y + 45);
    pipe.Line(wk.x - 15, wk.y + 45);
  }
  pipe.Move(w1.x, w1.y - 25);
  pipe.Line(w1.x, w5.y - 15);
  pipe.Line(w5.x, w5.y - 15);
  pipe.Line(w5.x, w5.y + 50);
}

void DrawBatcher01Feed(CDC& dc) {
  PipeGroup pipe(dc, kBatcherPipeColors[0]);
  const CPoint t1a = PlantAnchor("TankerBatcher1A", 7), t1b = PlantAnchor("TankerBatcher1B", 7),
               t1c = PlantAnchor("TankerBatcher1C", 7);
  const CPoint p = PlantAnchor("Batcher01-ChargePump", 3), b = PlantAnchor("Batcher01", 1);
  pipe.Move(t1c);
  pipe.Line(t1c.x, t1c.y + 10);
  pipe.Line(t1a.x, t1c.y + 10);
  pipe.Move(t1b);
  pipe.Line(t1b.x, t1b.y + 10);
  pipe.Move(t1a);
  pipe.Line(t1a.x, p.y);
  pipe.Line(b.x, p.y);
  pipe.Line(b.x, b.y);
}

void DrawBatcher02Feed(CDC& dc) {
  PipeGroup pipe(dc, kBatcherPipeColors[1]);
  const CPoint p = PlantAnchor("Batcher02-ChargePump", 3), b = PlantAnchor("Batcher02", 1);
  for (const char* tanker : {"TankerBatcher2A", "TankerBatcher2B", "TankerBatcher2C", "TankerBatcher2D"}) {
    const CPoint t = PlantAnchor(tanker, 7);
    pipe.Move(t);
    pipe.Line(t.x, p.y);
  }
  pipe.Line(b.x, p.y);
  pipe.Line(b.x, b.y);
}

void DrawBatcher03Feed(CDC& dc) {
  PipeGroup pipe(dc, kBatcherPipeColors[2]);
  const CPoint t3a = PlantAnchor("TankerBatcher3A", 7), t3b = PlantAnchor("TankerBatcher3B", 7);
  const CPoint pa = PlantAnchor("Batcher3A-ChargePump", 4), pb = PlantAnchor("Batcher3B-ChargePump", 4);
  const CPoint b = PlantAnchor("Batcher03", 1);
  pipe.Move(t3a);
  pipe.Line(t3a.x, pa.y);
  pipe.Move(t3b);
  pipe.Line(t3b.x, pa.y);
  pipe.Line(b.x, pa.y);
  pipe.Line(b.x, b.y);
  pipe.Move(pb.x + 70, pb.y);
  pipe.Line(b.x + 10, pb.y);
  pipe.Line(b.x + 10, b.y + 5);
}

void DrawBatcher04Feed(CDC& dc) {
  PipeGroup pipe(dc, kBatcherPipeColors[3]);
  const CPoint p1 = PlantAnchor("Batcher04-ChargePump1", 3), p2 = PlantAnchor("Batcher04-ChargePump2", 3);
  const CPoint b = PlantAnchor("Batcher04", 1);
  const int middle = (p1.y + p2.y) / 2;
  pipe.Move(p1);
  pipe.Line(p1.x - 20, p1.y);
  pipe.Move(p2);
  pipe.Line(p2.x - 20, p2.y);
  pipe.Line(p2.x - 20, p1.y);
  pipe.Move(p2.x - 20, middle);
  pipe.Line(b.x, middle);
  pipe.Line(b.x, b.y);
}

void DrawBatcher05Feed(CDC& dc) {
  PipeGroup pipe(dc, kBatcherPipeColors[4]);
  const CPoint p = PlantAnchor("Batcher05-ChargePump", 3);
  const CPoint b1 = PlantAnchor("Batcher05", 1), b2 = PlantAnchor("Batcher05", 2);
  pipe.Move(p.x + 130, p.y);
  pipe.Line(b2.x + 10, p.y);
  pipe.Line(b2.x + 10, b2.y - 10);
  pipe.Line(b1.x, b2.y - 10);
  pipe.Line(b1.x, b2.y + 5);
}

// Batcher n (1..5): its header sits h pixels above the valves, a different
// height per batcher so the five headers stay apart.
void DrawDirectionValves(CDC& dc, int n) {
  PipeGroup pipe(dc, kBatcherPipeColors[n - 1]);
  const std::string batcher = BatcherName(n);
  std::array<CPoint, 5> d{};
  for (int k = 1; k <= 4; ++k)
    d[static_cast<std::size_t>(k)] = PlantAnchor(ruv::Format("%s-DirectionValve%d", batcher.c_str(), k), 1);
  const CPoint b = PlantAnchor(batcher, n <= 3 ? 7 : 1);
  const int h = 70 - 10 * n;
  const CPoint d1 = d[1];
  pipe.Move(d1.x, d1.y + 45);
  pipe.Line(d1.x, d1.y - h);
  pipe.Line(d[4].x, d1.y - h);
  for (int k = 2; k <= 4; ++k) {
    const CPoint dk = d[static_cast<std::size_t>(k)];
    pipe.Move(dk.x, dk.y + 45);
    pipe.Line(dk.x, dk.y - h);
  }
  pipe.Move(b);
  pipe.Line(b.x, d1.y - h);
}

void DrawMixerOutlets(CDC& dc) {
  PipeGroup pipe(dc, kMixerOutletPipeColor);
  const CPoint p = PlantAnchor("Mixer-GearPump", 5);
  const CPoint m1 = PlantAnchor("Mixer1", 7), m4 = PlantAnchor("Mixer4", 7);
  pipe.Move(m1);
  pipe.Line(m1.x, p.y);
  pipe.Line(m4.x + 170, p.y);
  for (const char* mixer : {"Mixer2", "Mixer3", "Mixer4"}) {
    const CPoint m = PlantAnchor(mixer, 7);
    pipe.Move(m);
    pipe.Line(m.x, p.y);
  }
  const CPoint d = PlantAnchor("TankerDaily-DisChargeValve", 7);
  pipe.Move(d);
  pipe.Line(d.x, d.y + 20);
  pipe.Line(d.x + 25, d.y + 20);
}

}  // namespace

C_BaseShape* FindPlantShapeByName(const std::string& name) {
  for (C_BaseShape* shape : GetPlantShapes()) {
    if (shape->GetDeviceName() == name) return shape;
  }
  return nullptr;
}

CPoint PlantAnchor(const std::string& name, int code) {
  CPoint point(0, 0);
  if (const C_BaseShape* shape = FindPlantShapeByName(name); shape && shape->GetSafeHwnd())
    GetWindowAnchorPoint(point, shape, code);
  return point;
}

void DrawPlantPipes(CDC& dc) {
  DrawWater(dc);
  DrawBatcher01Feed(dc);
  DrawBatcher02Feed(dc);
  DrawBatcher03Feed(dc);
  DrawBatcher04Feed(dc);
  DrawBatcher05Feed(dc);
  for (int n = 1; n <= 5; ++n) DrawDirectionValves(dc, n);
  DrawMixerOutlets(dc);
}
