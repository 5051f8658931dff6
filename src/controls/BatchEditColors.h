#pragma once
// The edit colours of the batch-number dialog, which the input box uses too:
// the edit that has the focus on light yellow, every other edit on light
// green (text background and brush alike). The two brushes live for the
// whole process, as the edits that use them may.
#include "platform/ui/ColorRef.h"
#include "platform/ui/GdiTypes.h"

class CDC;
class CWnd;

inline constexpr COLORREF kBatchFocusedEditColor = RGB(255, 255, 157);
inline constexpr COLORREF kBatchOtherEditColor = RGB(200, 255, 200);

// The brush for an edit (`ctlColor` CTLCOLOR_EDIT), with the context's
// background set to match; null for any other control, which then keeps the
// dialog's colours.
HBRUSH BatchEditColorBrush(CDC* dc, CWnd* control, UINT ctlColor);
