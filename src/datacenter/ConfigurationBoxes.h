#pragma once
// The boxes that report a fault in the tag configuration or the hardware set-up:
// a stop icon above every window. A prompt's Cancel ends the program.

#include "platform/base/WinTypes.h"

inline constexpr UINT kConfigReportStyle = MB_OK | MB_ICONSTOP | MB_SYSTEMMODAL;
inline constexpr UINT kConfigPromptStyle = MB_OKCANCEL | MB_ICONSTOP | MB_SYSTEMMODAL;
