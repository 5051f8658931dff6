#include "shapes/CntrFglPmp.h"

#include <cmath>

#include "common/Conversions.h"
#include "common/PlantObjectId.h"
#include "platform/ui/CBrush.h"
#include "platform/ui/CDC.h"
#include "platform/ui/ColorRef.h"
#include "shapes/CntrFglPmpAction.h"
#include "shapes/ShapeClamp.h"
#include "shapes/ShapePainting.h"

namespace {

constexpr PumpMenuIds kCntrFglPumpMenu{IDR_CNTRFGLPUMP_MENU,     ID_CNTRFGLPUMP_TAKE_ON_OFF, ID_CNTRFGLPUMP_INCREASE,
                                       ID_CNTRFGLPUMP_DECREASE,  ID_CNTRFGLPUMP_ACTION,     ID_CNTRFGLPUMP_PROPERTIES};
constexpr double kImpellerTurnPerPercent = 0.003;
constexpr int kImpellerVertices = 16;

// Forms 1 and 2 face the other way: their impeller turns backwards.
bool TurnsBackwards(int form) { return form == 1 || form == 2; }

}  // namespace

C_CntrFglPmp::C_CntrFglPmp(BYTE settingsIndex, const ShapeRecord& record, int instanceIndex)
    : C_PumpShape(settingsIndex, record, eShapeKindCntrFglPump, instanceIndex, kCntrFglPumpMenu) {}

int C_CntrFglPmp::GetColor(int index) const {
  switch (index) {
    case eShapeColorBG: return static_cast<int>(RGB(128, 128, 128));
    case eShapeColorFG: return static_cast<int>(RGB(255, 175, 90));
    case eShapeColorBody: return static_cast<int>(RGB(60, 180, 110));
    default: return C_PumpShape::GetColor(index);
  }
}

float C_CntrFglPmp::GetDefaultFloat(int index) const {
  switch (index) {
    case ePumpSpeed: return 70.0f;
    case ePumpMaxVluSpeed:
    case ePumpHlaVluSpeed: return 100.0f;
    case ePumpSpeedPort: return 10000.0f;
    case ePumpMinVluSpeedPort: return 5500.0f;
    case ePumpMaxVluSpeedPort: return 21000.0f;
    default: return C_PumpShape::GetDefaultFloat(index);
  }
}

void C_CntrFglPmp::SetAttribFloat(int index, float value) {
  if (index != ePumpSpeedPort) {
    SetShapeFloatClamped(*this, index, value);
    return;
  }
  if (std::isnan(value)) return;  // no place in a range
  if (GetAttribValue(index).vt == VT_R4 && GetAttribFloat(index) == value) return;
  const float portMin = GetAttribFloat(ePumpMinVluSpeedPort);
  const float portMax = GetAttribFloat(ePumpMaxVluSpeedPort);
  if (value < portMin) {
    value = portMin;
  } else if (value > portMax) {
    value = portMax;
  }
  CAnalogUnit* speed = GetAnalogUnit(0);
  if (speed && speed->CheckAutoCalcConfig())
    SetAttribFloat(ePumpSpeed, LinearScale(value, portMin, portMax, GetAttribFloat(ePumpMinVluSpeed),
                                           GetAttribFloat(ePumpMaxVluSpeed)));
  StoreAttribFloat(index, value);
}

C_PumpShape::SpeedItemWords C_CntrFglPmp::GetSpeedItemWords(int speedBits) const {
  return speedBits == 0 ? SpeedItemWords::IncDec : SpeedItemWords::HighLow;
}

COLORREF C_CntrFglPmp::GetBackgroundColor() const {
  return GetAttribBool(ePumpLocalCntrlSpeed) ? static_cast<COLORREF>(GetAttribInt(eShapeColorBgLocal))
                                             : GetShapeBackColor();
}

void C_CntrFglPmp::AddStillPictureKey(ShapePictureKey& key) const {
  C_PumpShape::AddStillPictureKey(key);
  key << GetBackgroundColor() << GetAttribInt(eShapeColorBody);
}

void C_CntrFglPmp::AdvanceAnimation() {
  if (!GetAttribBool(ePumpDiOnOffSpeed)) return;
  const double turn = GetSpeedPercent() * kImpellerTurnPerPercent;
  m_angle += TurnsBackwards(GetRecord().form) ? -turn : turn;
}

void C_CntrFglPmp::Draw(CDC* dc) {
  PaintPicture(
      dc,
      [this](CDC& mem, const CRect& client) {
        const int w = client.Width();
        const int h = client.Height();
        mem.FillSolidRect(&client, GetBackgroundColor());

        // The casing and its outlet block.
        CBrush bodyBrush(static_cast<COLORREF>(GetAttribInt(eShapeColorBody)));
        CBrush* oldBrush = mem.SelectObject(&bodyBrush);
        mem.Ellipse(&client);
        CGdiObject* oldPen = mem.SelectStockObject(NULL_PEN);
        switch (GetRecord().form) {
          case 1: mem.Rectangle(0, 0, w / 2, h / 2); break;
          case 2: mem.Rectangle(RoundToPixel(0.75 * w), 0, w, h); break;
          case 3: mem.Rectangle(0, 0, w / 4, h); break;
          default: mem.Rectangle(w / 2, 0, w, h / 2); break;
        }
        if (oldPen) mem.SelectObject(static_cast<CPen*>(oldPen));
        mem.SelectObject(oldBrush);
      },
      [this](CDC& mem, const CRect& client) {
        const int w = client.Width();
        const int h = client.Height();
        // The impeller.
        const double step = TurnsBackwards(GetRecord().form) ? kShapePi / 8 : -kShapePi / 8;
        const std::vector<POINT> impeller =
            MakeToothedOutline(w / 2.0, h / 2.0, RoundToPixel(0.15 * w), RoundToPixel(0.45 * w), kImpellerVertices, m_angle, step);
        CBrush impellerBrush(static_cast<COLORREF>(GetAttribInt(eShapeColorFG)));
        CBrush* oldBrush = mem.SelectObject(&impellerBrush);
        mem.Polygon(impeller.data(), static_cast<int>(impeller.size()));
        mem.SelectObject(oldBrush);

        MarkAlarmsForDrawing();  // only the gear pump shows the inverted picture
        DrawSelectionFrame(&mem);
      });
}

void C_CntrFglPmp::ShowActionDialog() {
  C_CntrFglPmpAction dialog(this);
  dialog.DoModal();
}
