#pragma once
// The main frame's resources, written in code: the frame's own menu (128,
// shown while no plant form is open), the plant form's menu (117), the
// standard tool bar with its pictures and the standard accelerators (128).
#include "platform/base/WinTypes.h"

constexpr UINT IDR_MAINFRAME = 128;
constexpr UINT IDR_RUVFRATYPE = 117;

// Registers them all (again: a later registration replaces the earlier one).
// Needs the Qt application (the tool bar's pictures are drawn).
void RegisterMainFrameResources();
