#include "platform/ui/DialogTemplate.h"
#include "shapes/ShapeDialogIds.h"

namespace {

constexpr DWORD kLabel = WS_VISIBLE | SS_LEFT;
constexpr DWORD kEdit = WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL;
constexpr DWORD kPush = WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD kGroup = WS_VISIBLE | BS_GROUPBOX;
constexpr DWORD kPageStyle = WS_CHILD | WS_CAPTION | DS_CONTROL;
constexpr UINT kNoId = 0xFFFF;

DialogTemplate CalibratorTemplate() {
  DialogTemplate t;
  t.id = IDD_ANALOG_CALIBRATOR;
  t.style = WS_CHILD | WS_VISIBLE | DS_CONTROL;
  t.cx = 54;
  t.cy = 158;
  t.items.push_back({IDC_CALIB_CAPTION, kButtonClass, "Analog N", kPush, 1, 0, 52, 12});
  for (int role = 0; role < 8; ++role)
    t.items.push_back({kCalibratorEditIds[role], kEditClass, "", kEdit, 1, 14 + 14 * role, 52, 12});
  t.items.push_back({IDC_CALIB_APPLY, kButtonClass, "&Apply", kPush, 1, 128, 52, 13});
  t.items.push_back({IDC_CALIB_TREND, kButtonClass, "X", kPush, 1, 144, 52, 13});
  return t;
}

DialogTemplate CalibrationPageTemplate() {
  DialogTemplate t;
  t.id = IDD_ANALOG_CALIBRATION_PAGE;
  t.caption = "Analog Calibration";
  t.style = kPageStyle;
  t.cx = 280;
  t.cy = 172;
  t.items.push_back({IDC_GROUP_ANALOG, kButtonClass, "Analog 1", kGroup, 2, 0, 276, 170});
  // One label per row of the calibration controls, which stand 10 pixels down.
  const std::pair<UINT, const char*> labels[] = {
      {IDC_LABEL_PHYSICAL, "Physical"},     {IDC_LABEL_MIN_PHY, "Min Phy"},     {IDC_LABEL_MAX_PHY, "Max Phy"},
      {IDC_LABEL_LOW_LEVEL, "Low Level"},   {IDC_LABEL_HIGH_LEVEL, "High Level"}, {IDC_LABEL_PORT_VALUE, "Port Value"},
      {IDC_LABEL_MIN_PORT, "Min Port"},     {IDC_LABEL_MAX_PORT, "Max Port"}};
  int row = 0;
  for (const auto& [id, text] : labels) t.items.push_back({id, kStaticClass, text, kLabel, 6, 22 + 14 * row++, 40, 9});
  t.items.push_back({IDC_LABEL_TREND, kStaticClass, "Trend", kLabel, 6, 152, 40, 9});
  return t;
}

DialogTemplate GeneralPageTemplate() {
  DialogTemplate t;
  t.id = IDD_GENERAL_PAGE;
  t.caption = "General Setting";
  t.style = kPageStyle;
  t.cx = 210;
  t.cy = 100;
  t.items = {
      {IDC_GROUP_GENERAL, kButtonClass, "General", kGroup, 7, 7, 196, 86},
      {IDC_LABEL_ACTUATOR, kStaticClass, "Actuator Type :", kLabel, 14, 22, 70, 9},
      {IDC_COMBO_ACTUATOR, kComboBoxClass, "", WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 90, 20, 100, 60},
      {IDC_LABEL_PERCENT, kStaticClass, "Prcntg of H/L :", kLabel, 14, 40, 70, 9},
      {IDC_EDIT_PERCENT, kEditClass, "", kEdit, 90, 38, 100, 12},
      {IDC_LABEL_LOAD_IN_WAY, kStaticClass, "Load in way :", kLabel, 14, 58, 70, 9},
      {IDC_EDIT_LOAD_IN_WAY, kEditClass, "", kEdit, 90, 56, 100, 12},
      {IDC_PAGE_APPLY, kButtonClass, "Apply", kPush, 140, 74, 50, 14},
  };
  return t;
}

DialogTemplate VesselPageTemplate() {
  DialogTemplate t;
  t.id = IDD_VESSEL_PAGE;
  t.caption = "Vessel Setting";
  t.style = kPageStyle;
  t.cx = 210;
  t.cy = 100;
  t.items = {
      {IDC_GROUP_GENERAL, kButtonClass, "General", kGroup, 7, 7, 196, 86},
      {IDC_LABEL_TARE, kStaticClass, "Tare Level", kLabel, 14, 22, 110, 9},
      {IDC_EDIT_TARE, kEditClass, "", kEdit, 130, 20, 60, 12},
      {IDC_LABEL_WARNING, kStaticClass, "Overload Warning Level (%)", kLabel, 14, 40, 110, 9},
      {IDC_EDIT_WARNING, kEditClass, "", kEdit, 130, 38, 60, 12},
      {IDC_LABEL_ERROR, kStaticClass, "Overload Error Level (%)", kLabel, 14, 58, 110, 9},
      {IDC_EDIT_ERROR, kEditClass, "", kEdit, 130, 56, 60, 12},
      {IDC_PAGE_APPLY, kButtonClass, "Apply", kPush, 140, 74, 50, 14},
  };
  return t;
}

DialogTemplate GraphicPageTemplate() {
  DialogTemplate t;
  t.id = IDD_GRAPHIC_PAGE;
  t.caption = "Graphic";
  t.style = kPageStyle;
  t.cx = 210;
  t.cy = 130;
  t.items = {
      {kNoId, kButtonClass, "Colors", kGroup, 7, 7, 196, 86},
      {IDC_COLOR_BG, kButtonClass, "Back&ground", kPush, 14, 20, 90, 16},
      {IDC_COLOR_FG, kButtonClass, "&Forground", kPush, 108, 20, 90, 16},
      {IDC_COLOR_BODY, kButtonClass, "&Body", kPush, 14, 40, 90, 16},
      {IDC_COLOR_BG_LOCAL, kButtonClass, "&Local Control (BG)", kPush, 108, 40, 90, 16},
      {IDC_COLOR_FG_OVERLOAD, kButtonClass, "&OverLoad (FG)", kPush, 14, 60, 90, 16},
      {IDC_COLOR_BG_OUT_OF_RECIPE, kButtonClass, "Out of &Recipe (BG)", kPush, 108, 60, 90, 16},
      {IDC_SAVE_COLORS, kButtonClass, "Save Colors", kPush, 14, 98, 60, 14},
      {IDC_CANCEL_COLORS, kButtonClass, "Cancel", kPush, 78, 98, 50, 14},
      {IDC_LABEL_UNIQUE_ID, kStaticClass, "Unique ID :", kLabel, 14, 118, 44, 9},
      {IDC_EDIT_UNIQUE_ID, kEditClass, "", kEdit | ES_READONLY, 60, 116, 70, 12},
  };
  return t;
}

DialogTemplate ValveActionTemplate() {
  constexpr DWORD kLamp = WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX;
  DialogTemplate t;
  t.id = IDD_VALVE_ACTION;
  t.caption = "Valve Action ";
  t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER;
  t.cx = 186;
  t.cy = 40;
  t.items = {
      {IDC_VALVE_OFF, kButtonClass, "&Off", kLamp, 7, 10, 54, 20},
      {IDC_VALVE_LOW_FLOW, kButtonClass, "&Low Flow", kLamp, 66, 10, 54, 20},
      {IDC_VALVE_HIGH_FLOW, kButtonClass, "&High Flow", kLamp, 125, 10, 54, 20},
  };
  return t;
}

DialogTemplate PumpActionTemplate(UINT id, const char* caption) {
  DialogTemplate t;
  t.id = id;
  t.caption = caption;
  t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER;
  t.cx = 150;
  t.cy = 82;
  t.items = {
      {IDC_PUMP_ON_OFF, kButtonClass, "Take On", kPush, 7, 7, 80, 14},
      {IDC_PUMP_INCREASE, kButtonClass, "Turn On Inc", kPush, 7, 25, 80, 14},
      {IDC_PUMP_DECREASE, kButtonClass, "Turn On Dec", kPush, 7, 43, 80, 14},
      {static_cast<UINT>(IDCANCEL), kButtonClass, "Close", kPush, 93, 61, 50, 14},
  };
  return t;
}

}  // namespace

void RegisterShapeDialogTemplates() {
  static const bool registered = [] {
    RegisterDialogTemplate(CalibratorTemplate());
    RegisterDialogTemplate(CalibrationPageTemplate());
    RegisterDialogTemplate(GeneralPageTemplate());
    RegisterDialogTemplate(VesselPageTemplate());
    RegisterDialogTemplate(GraphicPageTemplate());
    RegisterDialogTemplate(ValveActionTemplate());
    RegisterDialogTemplate(PumpActionTemplate(IDD_GEARPUMP_ACTION, "GearPump Action "));
    RegisterDialogTemplate(PumpActionTemplate(IDD_CNTRFGLPUMP_ACTION, "CntrFglPump Action "));
    return true;
  }();
  (void)registered;
}
