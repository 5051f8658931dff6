#include "shapes/Valve.h"

#include <iterator>

#include "datacenter/EngineServices.h"
#include "platform/base/Text.h"
#include "platform/ui/CDC.h"
#include "platform/ui/CMenu.h"
#include "platform/ui/ColorRef.h"
#include "platform/ui/MenuTable.h"
#include "shapes/ShapeClamp.h"
#include "shapes/ShapePainting.h"
#include "shapes/ValveAction.h"
#include "shapes/ValveGeometry.h"

namespace {

const char* const kValveAttribNames[VALVE_ATTRIB_COUNT - SHAPE_COMMON_ATTRIB_COUNT] = {
    "ReserveFloat1",      "Position",           "MinVluPosition",    "MaxVluPosition",   "LlaVluPosition",
    "HlaVluPosition",     "Position",           "MinVluPositionPort", "MaxVluPositionPort", "ReserveBool1",
    "DoOnOffPosition",    "DiOnOffPosition",    "DoLowFlow",         "DoHighFlow",       "MinFlgPosition",
    "MaxFlgPosition",     "LlaFlgPosition",     "HlaFlgPosition",    "DiOnAlarmPosition", "LocalCntrlPosition",
    "AutoCntrlPosition",  "ReserveInt1",        "ReserveStr1"};
static_assert(std::size(kValveAttribNames) == VALVE_ATTRIB_COUNT - SHAPE_COMMON_ATTRIB_COUNT);
constexpr ShapeTypeRanges kValveRanges{eValveReserveFloat1, eValveReserveBool1, eValveReserveInt1,
                                  eValveReserveStr1, VALVE_ATTRIB_COUNT};

constexpr int kUprightForm = 2;

// "ActuatorControlType": which flow an opened valve takes by itself.
constexpr int kActuatorLowFlow = 0;
constexpr int kActuatorHighFlow = 1;
constexpr int kActuatorLowFlowToo = 2;

void RegisterValveMenu() {
  if (FindMenuResource(IDR_VALVE_MENU)) return;
  RegisterMenuResource(IDR_VALVE_MENU, {MenuTableItem::Popup("Valve", {
                                            MenuTableItem::Command(ID_VALVE_TAKE_ON_OFF, "Take On/Off"),
                                            MenuTableItem::Command(ID_VALVE_ACTION, "&Action"),
                                            MenuTableItem::Command(ID_VALVE_PROPERTIES, "Properties"),
                                        })});
}

COLORREF Inverted(COLORREF color) { return 16777215u - color; }

}  // namespace

C_Valve::C_Valve(BYTE settingsIndex, const ShapeRecord& record, int instanceIndex)
    : C_BaseShape(settingsIndex, record, eShapeKindValve, instanceIndex) {
  CreateAnalogUnits(1);
  SetAttribCount(VALVE_ATTRIB_COUNT);
  CAnalogUnit* unit = GetAnalogUnit(0);
  unit->SetAttribIndex(eValvePosition);
  unit->SetName("Position");
  unit->SetUnitText("Kgr/h");
}

BOOL C_Valve::CreateShape(CWnd* parent) {
  RegisterValveMenu();
  LoadPopupMenu(IDR_VALVE_MENU);
  return C_BaseShape::CreateShape(parent);
}

// ---------------------------------------------------------------- attributes

int C_Valve::GetFirstIndex(VARTYPE type) const { return kValveRanges.First(type); }

int C_Valve::GetLastIndex(VARTYPE type) const { return kValveRanges.Last(type); }

std::string C_Valve::GetAttribNameAt(int index) const {
  if (index >= SHAPE_COMMON_ATTRIB_COUNT && index < VALVE_ATTRIB_COUNT)
    return kValveAttribNames[index - SHAPE_COMMON_ATTRIB_COUNT];
  return GetAttribName(index);
}

int C_Valve::GetColor(int index) const {
  switch (index) {
    case eShapeColorBG: return static_cast<int>(RGB(255, 215, 0));
    case eShapeColorFG: return static_cast<int>(RGB(220, 250, 250));
    case eShapeColorBody: return static_cast<int>(RGB(0, 0, 0));
    default: return C_BaseShape::GetColor(index);
  }
}

float C_Valve::GetDefaultFloat(int index) const {
  switch (index) {
    case eValveMaxVluPosition: return GetRecord().form == kUprightForm ? 6500.0f : 8500.0f;
    case eValveHlaVluPosition: return 8500.0f;
    default: return C_BaseShape::GetDefaultFloat(index);
  }
}

int C_Valve::GetAnalogRole(int index) const {
  switch (index) {
    case eValvePosition: return eAnalogPhysical;
    case eValveMinVluPosition: return eAnalogMin;
    case eValveMaxVluPosition: return eAnalogMax;
    case eValvePositionPort: return eAnalogPort;
    case eValveMinVluPositionPort: return eAnalogPortMin;
    case eValveMaxVluPositionPort: return eAnalogPortMax;
    default: return eAnalogNone;
  }
}

// ---------------------------------------------------------------- setters and reactions

void C_Valve::SetAttribBool(int index, bool value) { StoreAttribBool(index, value); }

void C_Valve::SetAttribFloat(int index, float value) { SetShapeFloatClamped(*this, index, value); }

BOOL C_Valve::OnAttribAccepted(int index) {
  switch (index) {
    case eValveDoOnOffPosition:
      m_openAccepted.store(GetAttribBool(index));
      OnCommandChanged(GetAttribBool(index));
      break;
    case eValveDiOnOffPosition: OnFeedbackChanged(GetAttribBool(index)); break;
    case eValveDoLowFlow: return OnFlowChanged(index, eValveDoHighFlow, 0.5f);
    case eValveDoHighFlow: return OnFlowChanged(index, eValveDoLowFlow, 1.0f);
    case eValveDiOnAlarmPosition: UpdateAlarmActive(); break;
    default: break;
  }
  return TRUE;
}

void C_Valve::OnCommandChanged(bool on) {
  // Without a device to answer, the feedback follows the command.
  const CRAttrib* feedback = GetAttrib(eValveDiOnOffPosition);
  if (GetEngine()->GetDataSourceType() == eDataSourceDemo || !feedback || !feedback->GetDCTag())
    SetAttribBool(eValveDiOnOffPosition, on);
  if (on) {
    StartRedrawTimer();
  } else {
    SetAttribBool(eValveDoLowFlow, false);
    SetAttribBool(eValveDoHighFlow, false);
  }
}

void C_Valve::OnFeedbackChanged(bool on) {
  if (!on) {
    SetAttribBool(eValveDoLowFlow, false);
    SetAttribBool(eValveDoHighFlow, false);
    return;
  }
  StartRedrawTimer();
  if (GetAttribBool(eValveDoLowFlow) || GetAttribBool(eValveDoHighFlow)) return;
  switch (GetAttribInt(eShapeActuatorControlType)) {
    case kActuatorLowFlow:
    case kActuatorLowFlowToo: SetAttribBool(eValveDoLowFlow, true); break;
    case kActuatorHighFlow: SetAttribBool(eValveDoHighFlow, true); break;
    default: break;
  }
}

BOOL C_Valve::OnFlowChanged(int index, int other, float positionShare) {
  if (GetAttribBool(index)) {
    SetAttribBool(eValveDoOnOffPosition, true);
    // A flow through a valve the plant form keeps shut is no flow.
    if (!GetAttribBool(eValveDoOnOffPosition)) return FALSE;
    SetAttribBool(other, false);
    SetAttribFloat(eValvePosition, positionShare * GetAttribFloat(eValveMaxVluPosition));
  }
  if (!GetAttribBool(eValveDoLowFlow) && !GetAttribBool(eValveDoHighFlow)) SetAttribBool(eValveDoOnOffPosition, false);
  return TRUE;
}

void C_Valve::OnPackChanged(int code) {
  C_BaseShape::OnPackChanged(code);
  if (code == eAlarmChangeActive) UpdateAlarmActive();
}

void C_Valve::UpdateAlarmActive() { SetAlarmActive(IsAnyActive() || GetAttribBool(eValveDiOnAlarmPosition)); }

// ---------------------------------------------------------------- menu

LRESULT C_Valve::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITMENUPOPUP) {
    if (CMenu* popup = GetPopupMenu()) {
      const bool open = GetAttribBool(eValveDoOnOffPosition);
      PromiseMenuCommand(ID_VALVE_TAKE_ON_OFF, !open);
      popup->ModifyMenu(ID_VALVE_TAKE_ON_OFF, MF_BYCOMMAND | MF_STRING, ID_VALVE_TAKE_ON_OFF,
                        ruv::Format("Take %s", open ? "OFF" : "ON"));
    }
  }
  return C_BaseShape::WindowProc(message, wParam, lParam);
}

BOOL C_Valve::OnCommand(WPARAM wParam, LPARAM lParam) {
  switch (LOWORD(wParam)) {
    case ID_VALVE_TAKE_ON_OFF: TakeMenuCommand(ID_VALVE_TAKE_ON_OFF, eValveDoOnOffPosition); return TRUE;
    case ID_VALVE_ACTION: {
      C_ValveAction dialog(this);
      dialog.DoModal();
      return TRUE;
    }
    case ID_VALVE_PROPERTIES: ShowProperties(); return TRUE;
    default: return C_BaseShape::OnCommand(wParam, lParam);
  }
}

// ---------------------------------------------------------------- drawing

bool C_Valve::IsOpenLook() const {
  const bool swapped = ((static_cast<unsigned>(GetRecord().drawFlags) >> 28) & 0xF) != 0;
  return GetAttribBool(eValveDiOnOffPosition) != swapped;
}

C_Valve::Look C_Valve::GetLook() const {
  Look look;
  look.background = GetAttribBool(eValveLocalCntrlPosition) ? static_cast<COLORREF>(GetAttribInt(eShapeColorBgLocal))
                                                             : GetShapeBackColor();
  look.halves = static_cast<COLORREF>(GetAttribInt(eShapeColorBG));
  look.actuator = static_cast<COLORREF>(GetAttribInt(eShapeColorFG));
  const CAlarmStruct* alarm = FindFirstUnacknowledgedAlarm(*this);
  if (GetBlinkPhase() && alarm && alarm->GetID() == 0 && GetAttribBool(eValveDiOnOffPosition)) {
    look.halves = Inverted(look.halves);
    look.actuator = Inverted(look.actuator);
  }
  look.edge = static_cast<COLORREF>(GetAttribInt(eShapeColorBody));
  look.open = IsOpenLook();
  look.hasAlarm = alarm != nullptr;
  if (alarm) look.alarmName = alarm->GetName();
  return look;
}

void C_Valve::Draw(CDC* dc) {
  PaintPicture(
      dc, [this](CDC& memory, const CRect& client) { DrawPicture(memory, client); },
      [this](CDC& memory, const CRect&) { DrawSelectionFrame(&memory); });
}

void C_Valve::AddStillPictureKey(ShapePictureKey& key) const {
  C_BaseShape::AddStillPictureKey(key);
  const Look look = GetLook();
  key << look.background << look.halves << look.actuator << look.edge << look.open << look.hasAlarm << look.alarmName;
}

void C_Valve::DrawPicture(CDC& dc, const CRect& client) {
  const Look look = GetLook();
  dc.FillSolidRect(&client, look.background);
  const ValveSymbol symbol = ComputeValveSymbol(GetRecord().form, client.Width(), client.Height(), look.open);
  FillShapePolygon(dc, symbol.firstHalf.data(), 6, look.halves, look.edge);
  FillShapePolygon(dc, symbol.secondHalf.data(), 6, look.halves, look.edge);
  FillShapePolygon(dc, symbol.actuator.data(), 4, look.actuator, look.edge);
  if (look.hasAlarm) DrawShapeBandText(dc, client, 8, look.alarmName, RGB(255, 0, 0));
}
