#pragma once
// The one-line hint beside a scroll bar's thumb while it is dragged ("HintWnd").
// A frameless tool-tip window whose transient parent is the grid's top-level
// window: it never takes the activation or the mouse, and it is kept inside the
// control's client area.
#include <string>

#include "platform/ui/CWnd.h"

class CUGCtrl;

class CUGHint : public CWnd {
 public:
  // Placement flags: where (x, y) of MoveTo lies on the hint. Without a
  // horizontal flag x is the left edge, without a vertical one y is the top.
  enum : int {
    kRightAtX = 2,
    kCentreOnX = 4,  // wins over kRightAtX
    kBottomAtY = 16,
    kCentreOnY = 32,  // wins over kBottomAtY
  };
  static constexpr COLORREF kDefaultBackColor = 0xE0FFFF;

  CUGHint() = default;
  ~CUGHint() override;

  // Makes the (hidden) window; `background` erases it, the system's tip colour
  // when null. 1 when the window exists, else 0.
  int Create(CUGCtrl* owner, HBRUSH background = nullptr);
  // Invalidates the window when redraw is not 0.
  int SetText(const std::string& text, int redraw);
  const std::string& GetText() const { return m_text; }
  int SetPlacement(int flags);
  // Shows the window without activating it (when it is hidden).
  void Show();
  void Hide();
  // Places the hint at (x, y) of the control's client area by the placement
  // flags, as wide as its text + 4 and at least minWidth, inside the control.
  void MoveTo(int x, int y, int minWidth);

  QWidget* CreateWidget(QWidget* parent, const CREATESTRUCT& cs) override;
  void OnPaint() override;
  BOOL OnEraseBkgnd(CDC* dc) override;

  CUGCtrl* m_ctrl = nullptr;
  COLORREF m_textColor = 0;
  COLORREF m_backColor = kDefaultBackColor;
  int m_placement = 1;
  CFont* m_font = nullptr;  // null: the window's font
  int m_lineHeight = 0;     // the height of "X", measured at creation

 private:
  // The pixel size of the text in the hint's font.
  CSize MeasureText(const std::string& text);

  std::string m_text;
  HBRUSH m_background = nullptr;
};
