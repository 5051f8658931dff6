#include "shapes/Vessel.h"

#include <iterator>

#include "common/Conversions.h"
#include "platform/base/MessageBoxService.h"
#include "platform/base/Text.h"
#include "platform/ui/CDC.h"
#include "platform/ui/CMenu.h"
#include "platform/ui/ColorRef.h"
#include "platform/ui/CPropertySheet.h"
#include "platform/ui/MenuTable.h"
#include "shapes/ShapeClamp.h"
#include "shapes/ShapePainting.h"
#include "shapes/VesselPageCtrl.h"

namespace {

const char* const kVesselAttribNames[VESSEL_ATTRIB_COUNT - SHAPE_COMMON_ATTRIB_COUNT] = {
    "ReserveFloat1",         "Level",                 "MinVluLevel",          "MaxVluLevel",
    "LlaVluLevel",           "HlaVluLevel",           "LevelPort",            "MinVluLevelPort",
    "MaxVluLevelPort",       "Speed",                 "MinVluSpeed",          "MaxVluSpeed",
    "LlaVluSpeed",           "HlaVluSpeed",           "SpeedPort",            "MinVluSpeedPort",
    "MaxVluSpeedPort",       "Temperature",           "MinVluTemperature",    "MaxVluTemperature",
    "LlaVluTemperature",     "HlaVluTemperature",     "TemperaturePort",      "MinVluTemperaturePort",
    "MaxVluTemperaturePort", "TareLevel",             "OverloadWarningLevel", "OverloadErrorLevel",
    "ReserveBool1",          "MinFlgLevel",           "MaxFlgLevel",          "LlaFlgLevel",
    "HlaFlgLevel",           "LocalCntrlLevel",       "AutoCntrlLevel",       "DoIncreaseLevel",
    "DoDecreaseLevel",       "MinFlgSpeed",           "MaxFlgSpeed",          "LlaFlgSpeed",
    "HlaFlgSpeed",           "LocalCntrlSpeed",       "AutoCntrlSpeed",       "DoIncreaseSpeed",
    "DoDecreaseSpeed",       "DiOnOffSpeed",          "DoOnOffSpeed",         "DiOnAlarmSpeed",
    "MinFlgTemperature",     "MaxFlgTemperature",     "LlaFlgTemperature",    "HlaFlgTemperature",
    "LocalCntrlTemperature", "AutoCntrlTemperature",  "DoIncreaseTemperature", "DoDecreaseTemperature",
    "ReserveInt1",           "ReserveStr1"};
static_assert(std::size(kVesselAttribNames) == VESSEL_ATTRIB_COUNT - SHAPE_COMMON_ATTRIB_COUNT);
constexpr ShapeTypeRanges kVesselRanges{eVesselReserveFloat1, eVesselReserveBool1, eVesselReserveInt1,
                                  eVesselReserveStr1, VESSEL_ATTRIB_COUNT};

// The three analog groups, in channel order.
constexpr int kGroupStarts[] = {eVesselLevel, eVesselSpeed, eVesselTemperature};
constexpr int kFirstVesselGroupAttrib = eVesselLevel;
constexpr int kLastVesselGroupAttrib = eVesselMaxVluTemperaturePort;

// The flags that make the frame blink red.
constexpr int kAlarmFlags[] = {eVesselLlaFlgLevel, eVesselHlaFlgLevel, eVesselLlaFlgSpeed, eVesselDiOnAlarmSpeed};

constexpr int kFormSmall = 1;
constexpr int kFormLarge = 4;

void RegisterVesselMenu() {
  if (FindMenuResource(IDR_VESSEL_MENU)) return;
  RegisterMenuResource(IDR_VESSEL_MENU, {MenuTableItem::Popup("Vessel", {
                                             MenuTableItem::Command(ID_VESSEL_TAKE_ON_OFF, "Take On/Off"),
                                             MenuTableItem::Command(ID_VESSEL_INCREASE, "&Increase"),
                                             MenuTableItem::Command(ID_VESSEL_DECREASE, "&Decrease"),
                                             MenuTableItem::Command(ID_VESSEL_ACTION, "&Action"),
                                             MenuTableItem::Command(ID_VESSEL_PROPERTIES, "Properties"),
                                         })});
}

// The start of the analog group holding `index`, or -1.
int GroupStartOf(int index) {
  if (index < kFirstVesselGroupAttrib || index > kLastVesselGroupAttrib) return -1;
  return index - (index - kFirstVesselGroupAttrib) % ANALOG_GROUP_SIZE;
}

int ChannelOfGroup(int groupStart) { return (groupStart - kFirstVesselGroupAttrib) / ANALOG_GROUP_SIZE; }

int DrawFlagRow(int drawFlags, int shift) { return (drawFlags >> shift) & 0xF; }

}  // namespace

C_Vessel::C_Vessel(BYTE settingsIndex, const ShapeRecord& record, int instanceIndex)
    : C_BaseShape(settingsIndex, record, eShapeKindVessel, instanceIndex) {
  CreateAnalogUnits(3);
  SetAttribCount(VESSEL_ATTRIB_COUNT);
  const struct {
    const char* name;
    const char* unit;
  } channels[] = {{"Level", "Kg"}, {"Speed", "RPM"}, {"Temperature", "\u00B0C"}};
  for (int channel = 0; channel < 3; ++channel) {
    CAnalogUnit* unit = GetAnalogUnit(channel);
    unit->SetAttribIndex(kGroupStarts[channel]);
    unit->SetName(channels[channel].name);
    unit->SetUnitText(channels[channel].unit);
  }
  AddAlarm(eVesselAlarmCHLFR, "CHLFR");
  AddAlarm(eVesselAlarmCHOVR, "CHOVR");
  AddAlarm(eVesselAlarmDCHLFR, "DCHLFR");
  AddAlarm(eVesselAlarmAM, "AM");
}

BOOL C_Vessel::CreateShape(CWnd* parent) {
  RegisterVesselMenu();
  LoadPopupMenu(IDR_VESSEL_MENU);
  if (!C_BaseShape::CreateShape(parent)) return FALSE;
  CRect client;
  GetClientRect(&client);
  m_outline = ComputeVesselOutline(GetRecord().form, GetRecord().shapeCode, client.Width(), client.Height());
  return TRUE;
}

// ---------------------------------------------------------------- attributes

int C_Vessel::GetFirstIndex(VARTYPE type) const { return kVesselRanges.First(type); }

int C_Vessel::GetLastIndex(VARTYPE type) const { return kVesselRanges.Last(type); }

std::string C_Vessel::GetAttribNameAt(int index) const {
  if (index >= SHAPE_COMMON_ATTRIB_COUNT && index < VESSEL_ATTRIB_COUNT)
    return kVesselAttribNames[index - SHAPE_COMMON_ATTRIB_COUNT];
  return GetAttribName(index);
}

int C_Vessel::GetColor(int index) const {
  switch (index) {
    case eShapeColorBG: return static_cast<int>(RGB(60, 180, 110));
    case eShapeColorFG: return static_cast<int>(RGB(255, 255, 225));
    default: return C_BaseShape::GetColor(index);
  }
}

float C_Vessel::GetDefaultFloat(int index) const {
  const int form = GetRecord().form;
  switch (index) {
    case eVesselMaxVluLevel: return form == kFormSmall ? 100.0f : form == kFormLarge ? 3500.0f : 1800.0f;
    case eVesselMaxVluSpeed:
    case eVesselMaxVluTemperature: return form == kFormSmall ? 2500.0f : form == kFormLarge ? 3500.0f : 1800.0f;
    case eVesselLlaVluLevel:
    case eVesselLlaVluSpeed:
    case eVesselLlaVluTemperature: return 12.0f;
    case eVesselHlaVluLevel:
    case eVesselHlaVluSpeed:
    case eVesselHlaVluTemperature: return 86.0f;
    case eVesselLevelPort:
    case eVesselSpeedPort:
    case eVesselTemperaturePort: return 10000.0f;
    case eVesselMaxVluLevelPort:
    case eVesselMaxVluSpeedPort:
    case eVesselMaxVluTemperaturePort: return 5.0f;
    case eVesselSpeed: return 100.0f;
    case eVesselTareLevel: return 0.2f;
    case eVesselOverloadWarningLevel: return 5.0f;
    case eVesselOverloadErrorLevel: return 30.0f;
    default: return C_BaseShape::GetDefaultFloat(index);
  }
}

int C_Vessel::GetAnalogRole(int index) const {
  const int start = GroupStartOf(index);
  if (start < 0) return eAnalogNone;
  const int offset = index - start;
  return offset == eAnalogLowAlarm || offset == eAnalogHighAlarm ? eAnalogNone : offset;
}

int C_Vessel::GetAnalogGroupAttrib(int index, int role) const {
  const int start = GroupStartOf(index);
  if (start < 0 || role < 0 || role >= ANALOG_GROUP_SIZE) return -1;
  if (index != start && index != start + eAnalogPort) return -1;
  return start + role;
}

// ---------------------------------------------------------------- setters and reactions

void C_Vessel::SetAttribBool(int index, bool value) { StoreAttribBool(index, value); }

void C_Vessel::SetAttribFloat(int index, float value) {
  const int start = GroupStartOf(index);
  if (start >= 0 && index == start) {
    SetShapeFloatClamped(*this, index, value);
  } else if (start >= 0 && index == start + eAnalogPort) {
    SetPortValue(index, value);
  } else {
    StoreAttribFloat(index, value);
  }
}

void C_Vessel::SetPortValue(int portIndex, float value) {
  if (GetAttribValue(portIndex).vt == VT_R4 && GetAttribFloat(portIndex) == value) return;
  StoreAttribFloat(portIndex, value);
  const int start = portIndex - eAnalogPort;
  CAnalogUnit* unit = GetAnalogUnit(ChannelOfGroup(start));
  if (!unit || !unit->CheckAutoCalcConfig()) return;
  // Scaled from the port value held: a refused one leaves the channel as it was.
  const float port = GetAttribFloat(portIndex);
  const float portMin = GetAttribFloat(start + eAnalogPortMin);
  const float portMax = GetAttribFloat(start + eAnalogPortMax);
  const float min = GetAttribFloat(start + eAnalogMin);
  const float max = GetAttribFloat(start + eAnalogMax);
  // An empty port range maps nothing: the channel shows its minimum.
  SetAttribFloat(start, portMin == portMax ? min : LinearScale(port, portMin, portMax, min, max));
}

BOOL C_Vessel::OnAttribAccepted(int index) {
  switch (index) {
    case eVesselLlaFlgLevel:
    case eVesselHlaFlgLevel:
    case eVesselLlaFlgSpeed:
    case eVesselDiOnAlarmSpeed: UpdateAlarmActive(); break;
    case eVesselDoIncreaseSpeed: return KeepExclusive(index, eVesselDoDecreaseSpeed);
    case eVesselDoDecreaseSpeed: return KeepExclusive(index, eVesselDoIncreaseSpeed);
    case eVesselDiOnOffSpeed:
      if (GetAttribBool(index)) {
        StartRedrawTimer();
      } else {
        SetAttribBool(eVesselDoDecreaseSpeed, false);
        SetAttribBool(eVesselDoIncreaseSpeed, false);
      }
      break;
    case eVesselDoOnOffSpeed:
      if (GetAttribBool(index)) StartRedrawTimer();
      break;
    default: break;
  }
  return TRUE;
}

BOOL C_Vessel::KeepExclusive(int index, int other) {
  if (!GetAttribBool(index)) return TRUE;
  SetAttribBool(other, false);
  // Both commands on would drive the motor both ways.
  return GetAttribBool(other) ? FALSE : TRUE;
}

void C_Vessel::OnPackChanged(int code) {
  C_BaseShape::OnPackChanged(code);
  if (code == eAlarmChangeActive) UpdateAlarmActive();
}

void C_Vessel::UpdateAlarmActive() {
  bool active = IsAnyActive();
  for (int flag : kAlarmFlags) active = active || GetAttribBool(flag);
  SetAlarmActive(active);
}

// ---------------------------------------------------------------- menu

LRESULT C_Vessel::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITMENUPOPUP) UpdatePopupTexts();
  return C_BaseShape::WindowProc(message, wParam, lParam);
}

void C_Vessel::UpdatePopupTexts() {
  CMenu* popup = GetPopupMenu();
  if (!popup) return;
  // The word and what the item will do are fixed together.
  auto take = [&](UINT item, int command, const char* what) {
    const bool on = GetAttribBool(command);
    PromiseMenuCommand(item, !on);
    popup->ModifyMenu(item, MF_BYCOMMAND | MF_STRING, item, ruv::Format("Take %s%s", on ? "OFF" : "ON", what));
  };
  const bool highLow = ((GetRecord().drawFlags >> 20) & 0xF) != 0;
  take(ID_VESSEL_TAKE_ON_OFF, eVesselDoOnOffSpeed, "");
  take(ID_VESSEL_INCREASE, eVesselDoIncreaseSpeed, highLow ? " High" : " Inc");
  take(ID_VESSEL_DECREASE, eVesselDoDecreaseSpeed, highLow ? " Low" : " Dec");
}

BOOL C_Vessel::OnCommand(WPARAM wParam, LPARAM lParam) {
  switch (LOWORD(wParam)) {
    case ID_VESSEL_TAKE_ON_OFF: TakeMenuCommand(ID_VESSEL_TAKE_ON_OFF, eVesselDoOnOffSpeed); return TRUE;
    case ID_VESSEL_INCREASE:
      TakeSpeedCommand(ID_VESSEL_INCREASE, eVesselDoIncreaseSpeed, eVesselDoDecreaseSpeed);
      return TRUE;
    case ID_VESSEL_DECREASE:
      TakeSpeedCommand(ID_VESSEL_DECREASE, eVesselDoDecreaseSpeed, eVesselDoIncreaseSpeed);
      return TRUE;
    case ID_VESSEL_ACTION: ShowMessageBox("No Action defined!", "", MB_OK); return TRUE;
    case ID_VESSEL_PROPERTIES: ShowProperties(); return TRUE;
    default: return C_BaseShape::OnCommand(wParam, lParam);
  }
}

// ---------------------------------------------------------------- drawing

std::string C_Vessel::GetLevelText() const {
  const float max = GetAttribFloat(eVesselMaxVluLevel);
  const char* format = max < 10.0f ? "%0.2f %s" : max < 100.0f ? "%0.1f %s" : "%0.0f %s";
  return ruv::Format(format, static_cast<double>(GetAttribFloat(eVesselLevel)),
                     GetAnalogUnit(eVesselChannelLevel)->GetUnitText().c_str());
}

// The name line's text and colour: the first unacknowledged alarm, else the caption.
std::pair<std::string, COLORREF> C_Vessel::GetNameLine() const {
  if (const CAlarmStruct* alarm = FindFirstUnacknowledgedAlarm(*this)) {
    const bool warning = alarm->GetID() == eVesselAlarmDCHLFR || alarm->GetID() == eVesselAlarmAM;
    return {alarm->GetName(), warning ? RGB(255, 255, 0) : RGB(255, 0, 0)};
  }
  return {GetCaption(), RGB(0, 0, 0)};
}

std::string C_Vessel::GetTemperatureText() const {
  return ruv::Format("%0.1f %s", static_cast<double>(GetAttribFloat(eVesselTemperature)),
                     GetAnalogUnit(eVesselChannelTemperature)->GetUnitText().c_str());
}

int C_Vessel::GetBodyColorAttrib() const {
  return GetAttribBool(eVesselLocalCntrlLevel)    ? eShapeColorBgLocal
         : GetAttribBool(eShapeDeviceIsInRecipe) ? eShapeColorBG
                                                  : eShapeColorBgOutOfRecipe;
}

int C_Vessel::GetContentColorAttrib() const {
  return GetAttribBool(eShapeDeviceIsOverloaded) ? eShapeColorFgOverload : eShapeColorFG;
}

int C_Vessel::GetLevelPercent() const { return static_cast<int>(GetAnalogUnit(eVesselChannelLevel)->GetPercent()); }

void C_Vessel::Draw(CDC* dc) {
  PaintPicture(
      dc, [this](CDC& memory, const CRect& client) { DrawStillPicture(memory, client); },
      [this](CDC& memory, const CRect& client) { DrawMovingPicture(memory, client); });
}

void C_Vessel::AddStillPictureKey(ShapePictureKey& key) const {
  C_BaseShape::AddStillPictureKey(key);
  key << GetAttribInt(GetBodyColorAttrib()) << GetAttribInt(GetContentColorAttrib()) << GetLevelPercent();
  const int flags = GetRecord().drawFlags;
  if (DrawFlagRow(flags, 12)) {
    const auto [text, color] = GetNameLine();
    key << text << color;
  }
  if (DrawFlagRow(flags, 0) == 0) AddLevelAndTemperatureKey(key);
}

void C_Vessel::AddLevelAndTemperatureKey(ShapePictureKey& key) const {
  const int flags = GetRecord().drawFlags;
  if (DrawFlagRow(flags, 8)) key << GetLevelText();
  if (DrawFlagRow(flags, 16)) key << GetTemperatureText();
}

void C_Vessel::AddMovingPictureKey(ShapePictureKey& key) const {
  C_BaseShape::AddMovingPictureKey(key);
  if (DrawFlagRow(GetRecord().drawFlags, 0)) {
    key << m_agitator.phase << GetAttribInt(eShapeColorBody) << GetAttribInt(GetBodyColorAttrib());
    AddLevelAndTemperatureKey(key);
  }
}

void C_Vessel::AdvanceAnimation() {
  if (DrawFlagRow(GetRecord().drawFlags, 0) && GetAttribBool(eVesselDiOnOffSpeed))
    AdvanceAgitator(m_agitator, GetAnalogUnit(eVesselChannelSpeed)->GetPercent());
}

void C_Vessel::DrawStillPicture(CDC& dc, const CRect& client) {
  dc.FillSolidRect(&client, GetShapeBackColor());
  const int body = GetAttribInt(GetBodyColorAttrib());
  const int content = GetAttribInt(GetContentColorAttrib());
  FillShapePolygon(dc, m_outline.data(), static_cast<int>(m_outline.size()), static_cast<COLORREF>(body),
                   RGB(0, 0, 0));
  const std::vector<POINT> filled = ComputeVesselContent(m_outline, GetLevelPercent());
  FillShapePolygon(dc, filled.data(), static_cast<int>(filled.size()), static_cast<COLORREF>(content));

  const int flags = GetRecord().drawFlags;
  if (const int row = DrawFlagRow(flags, 12)) {
    const auto [text, color] = GetNameLine();
    DrawShapeBandText(dc, client, row, text, color);
  }
  // Over an agitator the level and temperature are drawn after it, with the
  // moving picture.
  if (DrawFlagRow(flags, 0) == 0) DrawLevelAndTemperature(dc, client, std::nullopt);
}

void C_Vessel::DrawLevelAndTemperature(CDC& dc, const CRect& client, std::optional<COLORREF> backdrop) {
  const int flags = GetRecord().drawFlags;
  if (const int row = DrawFlagRow(flags, 8))
    DrawShapeBandText(dc, client, row, GetLevelText(), RGB(64, 0, 0), backdrop);
  if (const int row = DrawFlagRow(flags, 16))
    DrawShapeBandText(dc, client, row, GetTemperatureText(), RGB(64, 0, 0), backdrop);
}

void C_Vessel::DrawMovingPicture(CDC& dc, const CRect& client) {
  if (const int row = DrawFlagRow(GetRecord().drawFlags, 0)) {
    const AgitatorPicture agitator =
        ComputeAgitator(client.Width(), client.Height(), row * client.Height() / 16, m_agitator.phase);
    const COLORREF color = static_cast<COLORREF>(GetAttribInt(eShapeColorBody));
    FillShapePolygon(dc, agitator.shaft.data(), 4, color);
    FillShapePolygon(dc, agitator.leftBlade.data(), 4, color, RGB(0, 0, 0));
    FillShapePolygon(dc, agitator.rightBlade.data(), 4, color, RGB(0, 0, 0));
    // The texts stand over the agitator's shaft on a box of the body's colour,
    // not hidden under it nor crossed by it.
    DrawLevelAndTemperature(dc, client, static_cast<COLORREF>(GetAttribInt(GetBodyColorAttrib())));
  }
  DrawSelectionFrame(&dc);
}

void C_Vessel::AddPropertyPages(CPropertySheet* sheet) {
  if (sheet) sheet->AddPage(new C_VesselPageCtrl());
  C_BaseShape::AddPropertyPages(sheet);
}
