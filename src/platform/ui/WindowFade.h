#pragma once
// Window opacity and fades. Opacity needs a compositor: where the platform has
// none (the offscreen platform of the tests, a plain X server) a fade jumps to
// its end at once, so callers never wait on it.
#include <functional>

#include "platform/ui/CWnd.h"

bool WindowOpacitySupported();
// alpha 0 (transparent) .. 255 (opaque).
void SetWindowAlpha(CWnd* window, BYTE alpha);
// Fades from `from` to `to` over `durationMs` in steps; `done` runs at the end.
void FadeWindow(CWnd* window, BYTE from, BYTE to, int durationMs, std::function<void()> done = {});
