#pragma once
// The work area (the screen without task bars and docks) of the screen that
// holds a point, or of the nearest screen when none does; screen coordinates.
#include "platform/ui/CRect.h"

CRect GetWorkAreaNearestPoint(const POINT& screenPoint);
