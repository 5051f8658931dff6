#pragma once
// Dialog templates and control ids of the shapes' property sheet, pages,
// calibration control and action dialogs.
#include "platform/base/WinTypes.h"

// ---- templates ----
inline constexpr UINT IDD_ANALOG_CALIBRATOR = 3003;
inline constexpr UINT IDD_ANALOG_CALIBRATION_PAGE = 3004;
inline constexpr UINT IDD_GENERAL_PAGE = 3006;
inline constexpr UINT IDD_GRAPHIC_PAGE = 3007;
inline constexpr UINT IDD_CNTRFGLPUMP_ACTION = 3009;
inline constexpr UINT IDD_GEARPUMP_ACTION = 3016;
inline constexpr UINT IDD_VALVE_ACTION = 3026;
inline constexpr UINT IDD_VESSEL_PAGE = 3028;

// ---- sheet ----
inline constexpr UINT IDC_SHEET_AUTO_REFRESH = 5010;

// ---- calibration control (3003) ----
inline constexpr UINT IDC_CALIB_APPLY = 4000;
inline constexpr UINT IDC_CALIB_TREND = 4019;
inline constexpr UINT IDC_CALIB_CAPTION = 4052;
inline constexpr UINT IDC_CALIB_PHYSICAL = 4046;
inline constexpr UINT IDC_CALIB_MIN = 4042;
inline constexpr UINT IDC_CALIB_MAX = 4040;
inline constexpr UINT IDC_CALIB_LOW_ALARM = 4038;
inline constexpr UINT IDC_CALIB_HIGH_ALARM = 4036;
inline constexpr UINT IDC_CALIB_PORT = 4047;
inline constexpr UINT IDC_CALIB_PORT_MIN = 4043;
inline constexpr UINT IDC_CALIB_PORT_MAX = 4041;
// The edits by analog role 0..7.
inline constexpr UINT kCalibratorEditIds[8] = {IDC_CALIB_PHYSICAL,   IDC_CALIB_MIN,  IDC_CALIB_MAX,
                                               IDC_CALIB_LOW_ALARM,  IDC_CALIB_HIGH_ALARM, IDC_CALIB_PORT,
                                               IDC_CALIB_PORT_MIN,   IDC_CALIB_PORT_MAX};

// ---- calibration page (3004) ----
inline constexpr UINT IDC_LABEL_PHYSICAL = 4077;
inline constexpr UINT IDC_LABEL_MIN_PHY = 4073;
inline constexpr UINT IDC_LABEL_MAX_PHY = 4071;
inline constexpr UINT IDC_LABEL_LOW_LEVEL = 4069;
inline constexpr UINT IDC_LABEL_HIGH_LEVEL = 4068;
inline constexpr UINT IDC_LABEL_PORT_VALUE = 4078;
inline constexpr UINT IDC_LABEL_MIN_PORT = 4074;
inline constexpr UINT IDC_LABEL_MAX_PORT = 4072;
inline constexpr UINT IDC_LABEL_TREND = 4081;
inline constexpr UINT IDC_GROUP_ANALOG = 4053;

// ---- pages with an Apply button ----
inline constexpr UINT IDC_PAGE_APPLY = 4001;
inline constexpr UINT IDC_GROUP_GENERAL = 4054;

// ---- vessel page (3028) ----
inline constexpr UINT IDC_LABEL_TARE = 4080;
inline constexpr UINT IDC_EDIT_TARE = 4051;
inline constexpr UINT IDC_LABEL_WARNING = 4076;
inline constexpr UINT IDC_EDIT_WARNING = 4045;
inline constexpr UINT IDC_LABEL_ERROR = 4075;
inline constexpr UINT IDC_EDIT_ERROR = 4044;

// ---- general page (3006) ----
inline constexpr UINT IDC_LABEL_ACTUATOR = 4065;
inline constexpr UINT IDC_COMBO_ACTUATOR = 4029;
inline constexpr UINT IDC_LABEL_PERCENT = 4079;
inline constexpr UINT IDC_EDIT_PERCENT = 4048;
inline constexpr UINT IDC_LABEL_LOAD_IN_WAY = 4070;
inline constexpr UINT IDC_EDIT_LOAD_IN_WAY = 4039;

// ---- graphic page (3007) ----
inline constexpr UINT IDC_COLOR_BG = 4006;
inline constexpr UINT IDC_COLOR_BODY = 4007;
inline constexpr UINT IDC_COLOR_FG = 4008;
inline constexpr UINT IDC_COLOR_BG_LOCAL = 4009;
inline constexpr UINT IDC_COLOR_BG_OUT_OF_RECIPE = 4010;
inline constexpr UINT IDC_COLOR_FG_OVERLOAD = 4011;
inline constexpr UINT IDC_SAVE_COLORS = 4018;
inline constexpr UINT IDC_CANCEL_COLORS = 4003;
inline constexpr UINT IDC_LABEL_UNIQUE_ID = 4066;
inline constexpr UINT IDC_EDIT_UNIQUE_ID = 4033;

// ---- action dialogs ----
inline constexpr UINT IDC_VALVE_OFF = 4026;
inline constexpr UINT IDC_VALVE_LOW_FLOW = 4025;
inline constexpr UINT IDC_VALVE_HIGH_FLOW = 4023;
inline constexpr UINT IDC_PUMP_ON_OFF = 4082;
inline constexpr UINT IDC_PUMP_INCREASE = 4058;
inline constexpr UINT IDC_PUMP_DECREASE = 4031;

// Registers the eight templates above (once per process).
void RegisterShapeDialogTemplates();
