#pragma once
// A balloon-shaped pop-up tip: a rounded body with a tail pointing at an
// anchor, an optional icon and close button, a bold title and word-wrapped
// text. It closes itself on the mouse or keyboard activity its options name,
// or after its time-out.
//
// The program opens balloons through ShowBalloon, which may be called from any
// thread: off the UI thread the call is queued there and returns at once.
// Everything else runs on the UI thread.
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/CFont.h"
#include "platform/ui/CRgn.h"
#include "platform/ui/CWnd.h"
#include "platform/ui/ResourceRegistry.h"

class CBitmap;

class CBalloonHelp : public CWnd {
 public:
  // Option bits.
  static constexpr UINT CloseOnLButtonUp = 0x0001;
  static constexpr UINT CloseOnMButtonUp = 0x0002;
  static constexpr UINT CloseOnRButtonUp = 0x0004;
  static constexpr UINT CloseOnLButtonDown = 0x0008;
  static constexpr UINT CloseOnMButtonDown = 0x0010;
  static constexpr UINT CloseOnRButtonDown = 0x0020;
  static constexpr UINT CloseOnMouseMove = 0x0040;
  static constexpr UINT CloseOnKeyPress = 0x0080;
  static constexpr UINT DelayClose = 0x0100;
  static constexpr UINT DeleteOnClose = 0x0200;
  static constexpr UINT ShowCloseButton = 0x0400;
  static constexpr UINT InnerShadow = 0x0800;
  static constexpr UINT Topmost = 0x1000;
  static constexpr UINT NoDropShadow = 0x2000;
  static constexpr UINT NoFadeIn = 0x4000;
  static constexpr UINT NoFadeOut = 0x8000;
  // The mouse triggers, which the first delayed close request drops.
  static constexpr UINT MouseTriggers = 0x007F;
  // The time-out's timer.
  static constexpr UINT_PTR kTimeoutTimer = 1;

  CBalloonHelp();
  ~CBalloonHelp() override;

  // A balloon at `control` (its window's top-left corner in the client
  // coordinates of `parent`, or of the control's parent), or at the cursor when
  // there is no control. An empty title gives the application's name; iconId 0
  // shows no icon. The balloon deletes itself once closed.
  static void ShowBalloon(const std::string& title, const std::string& text, CWnd* control, UINT iconId,
                          UINT options, UINT timeoutMs, CWnd* parent = nullptr,
                          const std::string& link = std::string());

  // `anchor` is in the client coordinates of `parent` (screen coordinates
  // without one). False when there is no owner: neither a parent nor a main window.
  BOOL Create(const std::string& title, const std::string& text, const CPoint& anchor, UINT options,
              CWnd* parent = nullptr, const std::string& link = std::string(), UINT timeoutMs = 0,
              HICON icon = nullptr);

  // Each setter re-positions a balloon that is showing.
  void SetIcon(HICON icon);                    // a copy at the icon's own size
  void SetIcon(HICON icon, const SIZE& size);  // scaled onto the background colour
  void SetIcon(CBitmap* bitmap, COLORREF maskColor);
  // Takes ownership of `font` and deletes the previous one.
  void SetContentFont(CFont* font);
  void SetAnchorPoint(const CPoint& point, CWnd* anchorWindow = nullptr);

  UINT GetOptions() const { return m_options; }
  UINT GetTimeout() const { return m_timeoutMs; }
  const std::string& GetText() const { return m_text; }
  int GetQuadrant() const { return m_quadrant; }
  CPoint GetTailTip() const { return CPoint(m_tail[1].x, m_tail[1].y); }
  CSize GetMouseTolerance() const { return m_tolerance; }
  // Every balloon object that exists, oldest first.
  static std::vector<CBalloonHelp*> Balloons();

  // The close request: with DelayClose it only starts the time-out.
  void OnClose() override;

 protected:
  // Measure (draw false) or draw: each returns the size it takes.
  virtual void DrawNonClientArea(CDC* dc);
  virtual void DrawContent(CDC* dc);
  virtual CSize DrawHeader(CDC* dc, bool draw);
  virtual CSize DrawBody(CDC* dc, bool draw);

  void OnPaint() override;
  BOOL OnEraseBkgnd(CDC* dc) override;
  void OnTimer(UINT_PTR id) override;
  void OnDestroy() override;
  void PostNcDestroy() override;
  void OnMouseMove(UINT flags, CPoint point) override;
  void OnLButtonDown(UINT flags, CPoint point) override;
  void OnLButtonUp(UINT flags, CPoint point) override;

 private:
  friend struct BalloonHooks;
  bool MouseTriggerMatches(UINT message, const CPoint& screenPoint) const;
  void PositionWindow();
  CRect WorkArea(const POINT& screenAnchor);
  CRect CloseButtonRect() const;  // client coordinates
  void CloseNow();
  void InstallHooks();
  void RemoveHooks();
  void SetIconImage(const class QImage& image);

  UINT m_options = 0;
  UINT m_timeoutMs = 0;
  std::string m_text;
  std::string m_link;
  HWND m_anchorWindow = nullptr;
  CPoint m_anchor;
  HICON m_icon = nullptr;
  CSize m_iconSize;
  std::unique_ptr<CFont> m_titleFont;
  std::unique_ptr<CFont> m_contentFont;
  COLORREF m_background;
  COLORREF m_foreground;
  CRect m_workArea;
  CRgn m_region;
  CPoint m_shownAt;
  // The close button: 0 normal, 1 hot, 2 hot and pushed.
  int m_closeButtonState = 0;
  CSize m_tolerance;
  // The geometry of the last placement, window coordinates.
  int m_quadrant = 0;
  POINT m_tail[3]{};
  CRect m_client;
  bool m_keyboardHooked = false;
  bool m_mouseHooked = false;
  int m_moveHook = 0;
  bool m_closing = false;
};
