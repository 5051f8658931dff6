#pragma once
// The edit colours of a dialog's colour handler: the edit that has the focus in
// one colour, every other edit in another (text background and brush alike).
// The brushes live for the whole process, as the edits that use them may.
#include "platform/ui/ColorRef.h"
#include "platform/ui/GdiTypes.h"

class CDC;
class CWnd;

// The batch-number dialog and the input box: light yellow with the focus,
// light green without.
inline constexpr COLORREF kBatchFocusedEditColor = RGB(255, 255, 157);
inline constexpr COLORREF kBatchOtherEditColor = RGB(200, 255, 200);
// The shape pages and the calibration control: the other way round, a
// brighter green with the focus and light yellow without.
inline constexpr COLORREF kFocusedEditColor = RGB(151, 255, 151);
inline constexpr COLORREF kEditColor = RGB(255, 255, 157);

// The brush for an edit control (`ctlColor` CTLCOLOR_EDIT), `focused` when it
// has the focus and `unfocused` otherwise, with the context's background set to
// match; null for any other control, which then keeps the dialog's colours.
HBRUSH EditFocusBrush(CDC* dc, CWnd* control, UINT ctlColor, COLORREF focused, COLORREF unfocused);
