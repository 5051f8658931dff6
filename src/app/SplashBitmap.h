#pragma once
// The splash screen's picture: the program's name over a rounded plate, with
// magenta everywhere outside the plate's outline (the splash cuts it away).
#include "platform/ui/ColorRef.h"
#include "platform/ui/GdiTypes.h"

constexpr UINT IDB_SPLASH = 3000;
constexpr COLORREF kSplashTransparentColor = RGB(255, 0, 255);

// Draws the picture and registers it as bitmap resource IDB_SPLASH unless it is
// registered (needs the Qt application for its fonts).
void RegisterSplashBitmap();
