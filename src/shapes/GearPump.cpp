#include "shapes/GearPump.h"

#include <cmath>

#include "common/PlantObjectId.h"
#include "platform/ui/CBrush.h"
#include "platform/ui/CDC.h"
#include "platform/ui/CPen.h"
#include "platform/ui/ColorRef.h"
#include "shapes/GearPumpAction.h"
#include "shapes/ShapeClamp.h"
#include "shapes/ShapePainting.h"

namespace {

constexpr PumpMenuIds kGearPumpMenu{IDR_GEARPUMP_MENU,  ID_GEARPUMP_TAKE_ON_OFF, ID_GEARPUMP_INCREASE,
                                    ID_GEARPUMP_DECREASE, ID_GEARPUMP_ACTION,    ID_GEARPUMP_PROPERTIES};
constexpr int kNarrowForm = 2;  // the smaller pump of form 2 delivers less
constexpr double kGearTurnPerPercent = 0.008;
constexpr int kGearTeeth = 8;

}  // namespace

C_GearPump::C_GearPump(BYTE settingsIndex, const ShapeRecord& record, int instanceIndex)
    : C_PumpShape(settingsIndex, record, eShapeKindGearPump, instanceIndex, kGearPumpMenu) {}

int C_GearPump::GetColor(int index) const {
  switch (index) {
    case eShapeColorBG: return static_cast<int>(RGB(0, 0, 0));
    case eShapeColorFG: return static_cast<int>(RGB(255, 255, 0));
    case eShapeColorBody: return static_cast<int>(RGB(60, 180, 115));
    default: return C_PumpShape::GetColor(index);
  }
}

float C_GearPump::GetDefaultFloat(int index) const {
  switch (index) {
    case ePumpMaxVluSpeed: return GetRecord().form == kNarrowForm ? 6500.0f : 8500.0f;
    case ePumpHlaVluSpeed: return 8500.0f;
    default: return C_PumpShape::GetDefaultFloat(index);
  }
}

void C_GearPump::SetAttribFloat(int index, float value) { SetShapeFloatClamped(*this, index, value); }

C_PumpShape::SpeedItemWords C_GearPump::GetSpeedItemWords(int speedBits) const {
  if (speedBits == 0) return SpeedItemWords::IncDec;
  return speedBits == 1 ? SpeedItemWords::HighLow : SpeedItemWords::AsLoaded;
}

COLORREF C_GearPump::GetCasingColor() const {
  return static_cast<COLORREF>(GetAttribInt(GetAttribBool(ePumpLocalCntrlSpeed) ? eShapeColorBgLocal : eShapeColorBG));
}

void C_GearPump::AddStillPictureKey(ShapePictureKey& key) const {
  C_PumpShape::AddStillPictureKey(key);
  key << GetCasingColor() << GetAttribInt(eShapeColorBody);
}

void C_GearPump::AdvanceAnimation() {
  if (GetAttribBool(ePumpDiOnOffSpeed)) m_angle -= GetSpeedPercent() * kGearTurnPerPercent;
}

void C_GearPump::Draw(CDC* dc) {
  PaintPicture(
      dc,
      [this](CDC& mem, const CRect& client) {
        const int w = client.Width();
        const int h = client.Height();
        const COLORREF casing = GetCasingColor();
        // The casing colour covers the whole client: no background fill under it.
        mem.FillSolidRect(&client, casing);

        // Body: the outer rounded block.
        const COLORREF bodyColor = static_cast<COLORREF>(GetAttribInt(eShapeColorBody));
        CPen bodyPen(PS_SOLID, 1, bodyColor);
        CBrush bodyBrush(bodyColor);
        CPen* oldPen = mem.SelectObject(&bodyPen);
        CBrush* oldBrush = mem.SelectObject(&bodyBrush);
        mem.RoundRect(0, 0, w, h, w / 2, h / 2);

        // The inner casing the gears turn in.
        CBrush casingBrush(casing);
        mem.SelectStockObject(BLACK_PEN);
        mem.SelectObject(&casingBrush);
        mem.RoundRect(RoundToPixel(0.06 * w), RoundToPixel(0.02 * h), RoundToPixel(0.94 * w), RoundToPixel(0.98 * h), w, RoundToPixel(2.0 * h / 3.0));
        mem.SelectObject(oldPen);
        mem.SelectObject(oldBrush);
      },
      [this](CDC& mem, const CRect& client) {
        const int w = client.Width();
        const int h = client.Height();
        // The two gears, one above the other.
        const double r = RoundToPixel(h * 0.86 / 3.26);
        const double rInner = RoundToPixel(0.3 * r);
        m_secondAngle = kShapePi / 4 - m_angle;
        const double step = kShapePi / 4;
        const std::vector<POINT> first =
            MakeToothedOutline(w / 2.0, r + 0.02 * h, rInner, r, kGearTeeth, m_angle, step);
        const std::vector<POINT> second =
            MakeToothedOutline(w / 2.0, 0.98 * h - r - 2, rInner, r, kGearTeeth, m_secondAngle, -step);
        const COLORREF gearColor = static_cast<COLORREF>(GetAttribInt(eShapeColorFG));
        CPen gearPen(PS_SOLID, 1, gearColor);
        CBrush gearBrush(gearColor);
        CPen* oldPen = mem.SelectObject(&gearPen);
        CBrush* oldBrush = mem.SelectObject(&gearBrush);
        mem.Polygon(first.data(), static_cast<int>(first.size()));
        mem.Polygon(second.data(), static_cast<int>(second.size()));
        mem.SelectObject(oldPen);
        mem.SelectObject(oldBrush);

        if (MarkAlarmsForDrawing()) mem.InvertRect(&client);
        DrawSelectionFrame(&mem);
      });
}

void C_GearPump::ShowActionDialog() {
  C_GearPumpAction dialog(this);
  dialog.DoModal();
}
