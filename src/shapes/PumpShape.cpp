#include "shapes/PumpShape.h"

#include "platform/base/Text.h"
#include "platform/ui/CMenu.h"
#include "platform/ui/MenuTable.h"

namespace {

const char* const kPumpAttribNames[PUMP_ATTRIB_COUNT - SHAPE_COMMON_ATTRIB_COUNT] = {
    "ReserveFloat1",   "Speed",          "MinVluSpeed",     "MaxVluSpeed",     "LlaVluSpeed",
    "HlaVluSpeed",     "SpeedPort",      "MinVluSpeedPort", "MaxVluSpeedPort", "ReserveBool1",
    "MinFlgSpeed",     "MaxFlgSpeed",    "LlaFlgSpeed",     "HlaFlgSpeed",     "LocalCntrlSpeed",
    "AutoCntrlSpeed",  "DoIncreaseSpeed", "DoDecreaseSpeed", "DiOnOffSpeed",   "DiOnAlarmSpeed",
    "DoOnOffSpeed",    "ReserveInt1",    "ReserveStr1"};

constexpr ShapeTypeRanges kPumpRanges{ePumpReserveFloat1, ePumpReserveBool1, ePumpReserveInt1,
                                  ePumpReserveStr1, PUMP_ATTRIB_COUNT};

constexpr int kFirstPumpGroupAttrib = ePumpSpeed;
constexpr int kLastPumpGroupAttrib = ePumpMaxVluSpeedPort;

MenuTable PumpMenuTable(const PumpMenuIds& ids) {
  return {MenuTableItem::Popup("Pump", {MenuTableItem::Command(ids.takeOnOff, "Take On/Off"),
                                        MenuTableItem::Command(ids.increase, "&Increase"),
                                        MenuTableItem::Command(ids.decrease, "&Decrease"),
                                        MenuTableItem::Command(ids.action, "&Action"),
                                        MenuTableItem::Command(ids.properties, "Properties")})};
}

}  // namespace

C_PumpShape::C_PumpShape(BYTE settingsIndex, const ShapeRecord& record, BYTE kind, int instanceIndex,
                         const PumpMenuIds& menuIds)
    : C_BaseShape(settingsIndex, record, kind, instanceIndex), m_menuIds(menuIds) {
  CreateAnalogUnits(1);
  CAnalogUnit* speed = GetAnalogUnit(0);
  speed->SetAttribIndex(ePumpSpeed);
  speed->SetName("Speed");
  speed->SetUnitText("Kgr/h");
  SetAttribCount(PUMP_ATTRIB_COUNT);
}

BOOL C_PumpShape::CreateShape(CWnd* parent) {
  // The menu comes with the program; a table registered by the program first stays.
  if (!FindMenuResource(m_menuIds.menu)) RegisterMenuResource(m_menuIds.menu, PumpMenuTable(m_menuIds));
  LoadPopupMenu(m_menuIds.menu);
  return C_BaseShape::CreateShape(parent);
}

// ---------------------------------------------------------------- attributes

int C_PumpShape::GetFirstIndex(VARTYPE type) const { return kPumpRanges.First(type); }

int C_PumpShape::GetLastIndex(VARTYPE type) const { return kPumpRanges.Last(type); }

std::string C_PumpShape::GetAttribNameAt(int index) const {
  if (index >= SHAPE_COMMON_ATTRIB_COUNT && index < PUMP_ATTRIB_COUNT)
    return kPumpAttribNames[index - SHAPE_COMMON_ATTRIB_COUNT];
  return GetAttribName(index);
}

int C_PumpShape::GetAnalogRole(int index) const {
  if (index >= kFirstPumpGroupAttrib && index <= kLastPumpGroupAttrib) return index - kFirstPumpGroupAttrib;
  return eAnalogNone;
}

int C_PumpShape::GetAnalogGroupAttrib(int index, int role) const {
  if (index != ePumpSpeed && index != ePumpSpeedPort) return -1;
  if (role < eAnalogPhysical || role > eAnalogPortMax) return -1;
  return kFirstPumpGroupAttrib + role;
}

// ---------------------------------------------------------------- commands and interlocks

void C_PumpShape::SetAttribBool(int index, bool value) { StoreAttribBool(index, value); }

BOOL C_PumpShape::OnAttribAccepted(int index) {
  if (FindAttribVarType(index) != VT_BOOL) return TRUE;
  const bool value = GetAttribBool(index);
  switch (index) {
    // High and low speed exclude each other.
    case ePumpDoIncreaseSpeed:
      if (value) SetAttribBool(ePumpDoDecreaseSpeed, false);
      break;
    case ePumpDoDecreaseSpeed:
      if (value) SetAttribBool(ePumpDoIncreaseSpeed, false);
      break;
    // A pump that stopped keeps no speed command.
    case ePumpDiOnOffSpeed:
      if (value) {
        StartRedrawTimer();
      } else {
        SetAttribBool(ePumpDoDecreaseSpeed, false);
        SetAttribBool(ePumpDoIncreaseSpeed, false);
      }
      break;
    case ePumpDiOnAlarmSpeed: SetAlarmActive(value); break;
    case ePumpDoOnOffSpeed:
      m_runAccepted.store(value);
      if (value) StartRedrawTimer();
      break;
    default: break;
  }
  return TRUE;
}

BOOL C_PumpShape::OnCommand(WPARAM wParam, LPARAM lParam) {
  const UINT id = LOWORD(wParam);
  if (id == m_menuIds.takeOnOff) {
    TakeMenuCommand(id, ePumpDoOnOffSpeed);
  } else if (id == m_menuIds.increase) {
    TakeSpeedCommand(id, ePumpDoIncreaseSpeed, ePumpDoDecreaseSpeed);
  } else if (id == m_menuIds.decrease) {
    TakeSpeedCommand(id, ePumpDoDecreaseSpeed, ePumpDoIncreaseSpeed);
  } else if (id == m_menuIds.action) {
    ShowActionDialog();
  } else if (id == m_menuIds.properties) {
    ShowProperties();
  } else {
    return C_BaseShape::OnCommand(wParam, lParam);
  }
  return TRUE;
}

// ---------------------------------------------------------------- pop-up menu

void C_PumpShape::PreparePopupMenu() {
  CMenu* popup = GetPopupMenu();
  if (!popup) return;
  const bool running = GetAttribBool(ePumpDoOnOffSpeed);
  const bool increase = GetAttribBool(ePumpDoIncreaseSpeed);
  const bool decrease = GetAttribBool(ePumpDoDecreaseSpeed);
  PromiseMenuCommand(m_menuIds.takeOnOff, !running);
  PromiseMenuCommand(m_menuIds.increase, !increase);
  PromiseMenuCommand(m_menuIds.decrease, !decrease);
  popup->ModifyMenu(m_menuIds.takeOnOff, MF_BYCOMMAND | MF_STRING, m_menuIds.takeOnOff,
                    ruv::Format("Take %s", running ? "OFF" : "ON"));

  // "Take ON Inc", "Take OFF Low", ...: the word says what the item does.
  const auto setSpeedTexts = [&](const char* up, const char* down) {
    popup->ModifyMenu(m_menuIds.increase, MF_BYCOMMAND | MF_STRING, m_menuIds.increase,
                      ruv::Format("Take %s %s", increase ? "OFF" : "ON", up));
    popup->ModifyMenu(m_menuIds.decrease, MF_BYCOMMAND | MF_STRING, m_menuIds.decrease,
                      ruv::Format("Take %s %s", decrease ? "OFF" : "ON", down));
  };
  switch (GetSpeedItemWords((GetRecord().drawFlags >> 20) & 0xF)) {
    case SpeedItemWords::IncDec: setSpeedTexts("Inc", "Dec"); break;
    case SpeedItemWords::HighLow: setSpeedTexts("High", "Low"); break;
    case SpeedItemWords::AsLoaded: break;
  }
  // Speed commands only make sense for a pump told to run.
  const UINT state = MF_BYCOMMAND | (running ? MF_ENABLED : MF_GRAYED);
  popup->EnableMenuItem(m_menuIds.increase, state);
  popup->EnableMenuItem(m_menuIds.decrease, state);
}

LRESULT C_PumpShape::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITMENUPOPUP) {
    PreparePopupMenu();
    return 0;
  }
  return C_BaseShape::WindowProc(message, wParam, lParam);
}

// ---------------------------------------------------------------- drawing state

float C_PumpShape::GetSpeedPercent() const {
  const CAnalogUnit* speed = GetAnalogUnit(0);
  return speed ? speed->GetPercent() : 0.0f;
}

bool C_PumpShape::MarkAlarmsForDrawing() {
  const bool phase = GetBlinkPhase();
  const bool phaseChanged = phase != m_lastBlinkPhase;
  m_lastBlinkPhase = phase;
  if (!IsAnyActive()) {
    if (phaseChanged) ClearAlarms();
    return false;
  }
  CAlarmStruct* shown = nullptr;
  for (int i = 0; i < GetAlarmCount() && !shown; ++i) {
    CAlarmStruct* alarm = GetAlarmAt(i);
    if (alarm && alarm->IsActive() && !alarm->IsDisplayed()) shown = alarm;
  }
  if (!shown) return false;
  if (phaseChanged) shown->SetDisplayed(true);
  return shown->GetID() == 0 && phase && GetAttribBool(ePumpDiOnOffSpeed);
}

void C_PumpShape::AddMovingPictureKey(ShapePictureKey& key) const {
  C_BaseShape::AddMovingPictureKey(key);
  key << m_angle << GetAttribInt(eShapeColorFG) << GetAttribBool(ePumpDiOnOffSpeed) << m_lastBlinkPhase
      << IsAnyActive();
  for (int i = 0; i < GetAlarmCount(); ++i) {
    if (const CAlarmStruct* alarm = GetAlarmAt(i))
      key << alarm->GetID() << alarm->IsActive() << alarm->IsDisplayed();
  }
}
