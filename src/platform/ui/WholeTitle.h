#pragma once
// A window's title shown whole. A window manager does not widen a window for its
// title: it cuts the title to the width left between the frame's icon and
// buttons ("COM1 … erties" over a small dialog). A window narrower than its
// title is given the width the title needs.
class QWidget;

// The width a frame needs to show `window`'s whole title: the title in the bold
// face of the window's font (title bars are drawn bold, often a little larger),
// with room for the frame's icon and three buttons as tall as the title bar.
int WholeTitleWidth(const QWidget& window);
// Raises the window's minimum width to WholeTitleWidth.
void KeepTitleWhole(QWidget& window);
