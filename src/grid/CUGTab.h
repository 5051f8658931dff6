#pragma once
// The sheet tab strip left of the horizontal scroll bar: one tab per sheet,
// two arrows at its left end that scroll the tabs, and a zone at its right
// end that widens or narrows the strip by a drag. A click on a tab tells the
// control which sheet was chosen.
#include <string>
#include <vector>

#include "platform/ui/CFont.h"
#include "platform/ui/CScrollBar.h"
#include "platform/ui/CWnd.h"

class CUGCtrl;
class CUGGridInfo;

class CUGTab : public CWnd {
 public:
  static constexpr int kMinWidth = 40;
  static constexpr int kMaxTabs = 64;
  static constexpr UINT kIdArrows = 100;
  static constexpr int kSizingZone = 7;   // the strip's last pixels start a sizing drag
  static constexpr int kArrowStep = 5;    // pixels per arrow click
  static constexpr int kSlant = 7;        // of each side of a tab
  static constexpr int kClickSlack = 2;   // a click just past a tab's right edge is still that tab's

  struct Tab {
    std::string label;
    int width = 0;
    long id = 0;  // the sheet number handed to OnTabSelected
    COLORREF textColor = 0;
    COLORREF backColor = 0;
    COLORREF currentTextColor = 0;
    COLORREF currentBackColor = 0;
  };

  CUGTab();
  ~CUGTab() override;

  // The sheet's tab-strip width (never below kMinWidth); the control lays out again.
  virtual void SetStripWidth(int width);
  // Invalidates and repaints the strip.
  virtual void Update();

  // A tab for the sheet `id`, as wide as its label needs; 1 when the strip is full.
  int AddTab(const std::string& label, long id);
  int GetTabCount() const { return static_cast<int>(m_tabs.size()); }
  // The largest scroll offset from the tabs' widths; 1 (nothing changed) without tabs.
  int AdjustScrollRange();
  // The index of the tab whose span (right edge + kClickSlack) holds x, or -1.
  int TabAt(int x) const;
  // The left edge of a tab in client coordinates.
  int TabLeft(int index) const;

  int OnCreate(LPCREATESTRUCT cs) override;
  void OnSize(UINT type, int cx, int cy) override;
  void OnPaint() override;
  BOOL OnEraseBkgnd(CDC* dc) override;
  void OnHScroll(UINT code, UINT position, CWnd* scrollBar) override;
  void OnLButtonDown(UINT flags, CPoint point) override;
  void OnLButtonUp(UINT flags, CPoint point) override;
  void OnMouseMove(UINT flags, CPoint point) override;
  void OnRButtonDown(UINT flags, CPoint point) override;
  BOOL OnSetCursor(CWnd* wnd, UINT hitTest, UINT message) override;
  // Context help (WM_HELPHITTEST, WM_HELP) for the current cell with the strip's section.
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

  CUGCtrl* m_ctrl = nullptr;
  CUGGridInfo* m_GI = nullptr;
  CScrollBar m_scroll;  // the two arrows
  CFont m_defFont;
  CFont* m_font;
  std::vector<Tab> m_tabs;
  int m_tabOffset = 0;     // pixels the tabs are scrolled left
  int m_maxTabOffset = 0;
  int m_currentTab = 0;
  int m_scrollWidth;       // the arrow area
  int m_resizeReady = 0;   // the mouse is over the sizing zone
  int m_resizeInProgress = 0;

 private:
  void DrawTab(CDC& dc, int index, int left, int height, bool current);
  // Scrolls the tabs so that the tab (left..right) is in sight.
  void ScrollIntoView(int left, int right);
};
