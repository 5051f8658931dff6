#pragma once
// The edit colours of the shape pages and the calibration control: the edit
// that has the focus on light green, every other edit on light yellow (text
// background and brush alike). The two brushes live for the whole process.
#include "platform/ui/ColorRef.h"
#include "platform/ui/GdiTypes.h"

class CDC;
class CWnd;

inline constexpr COLORREF kFocusedEditColor = RGB(151, 255, 151);
inline constexpr COLORREF kEditColor = RGB(255, 255, 157);

// The brush for an edit control (and the context's background set to match);
// null for any other control, which then keeps the dialog's default.
HBRUSH EditFocusBrush(CDC* dc, CWnd* control, UINT ctlColor);
