#pragma once
// The colouring of an edit control from a dialog's colour handler: the
// context's text background is set to `color`, and the returned brush paints
// the rest in it. One brush per colour, kept for the whole process, as the
// edits that use them may be.
#include "platform/ui/GdiTypes.h"

class CDC;

HBRUSH SolidEditBrush(CDC* dc, COLORREF color);
