#pragma once
// A splash window: a bitmap, optionally shaped by a transparent colour, with one
// line of text over it. It can fade in and out, close itself after a display
// time or on a key press or click, and it deletes itself once destroyed, so it
// is always made with new and then known by its handle.
#include <string>
#include <vector>

#include "platform/ui/CBitmap.h"
#include "platform/ui/CFont.h"
#include "platform/ui/CRgn.h"
#include "platform/ui/CWnd.h"
#include "platform/ui/ColorRef.h"

class CDC;
class QImage;

class CSplashScreenEx : public CWnd {
 public:
  // Style bits.
  static constexpr DWORD kFadeIn = 0x01;
  static constexpr DWORD kFadeOut = 0x02;
  static constexpr DWORD kDropShadow = 0x04;  // kept; the window layer draws no shadow
  static constexpr DWORD kCenterScreen = 0x08;
  static constexpr DWORD kCenterOwner = 0x10;
  static constexpr DWORD kHideOnClick = 0x20;
  // A colour component that means "no transparent colour".
  static constexpr int kNoColor = 65535;
  static constexpr const char* kClassName = "SplashScreenExClass";
  static constexpr int kFadeInMs = 500;
  static constexpr int kFadeOutMs = 200;
  // The display timer (a one-shot).
  static constexpr UINT_PTR kDisplayTimer = 0;
  // Draw the client area into the context that wParam carries (a CDC*); answers 1.
  static constexpr UINT kPrintClientMessage = 0x0318;
  // Non-client button presses (a frameless pop-up gets none here, but they count).
  static constexpr UINT kNcLButtonDown = 0x00A1;
  static constexpr UINT kNcRButtonDown = 0x00A4;
  static constexpr UINT kNcMButtonDown = 0x00A7;

  CSplashScreenEx();
  ~CSplashScreenEx() override;

  // A top-most pop-up tool window owned by `owner`, not yet shown and of no size.
  // displayTimeMs 0 keeps it until Hide.
  BOOL Create(CWnd* owner, const std::string& text = std::string(), DWORD displayTimeMs = 2000, DWORD style = 0);
  // Loads the bitmap and places the window; unless a component is kNoColor, the
  // pixels of that colour are cut out of the window. FALSE for an unknown bitmap.
  BOOL SetBitmap(UINT bitmapId, int red = kNoColor, int green = kNoColor, int blue = kNoColor);
  // Size in tenths of a point; style bits 1 bold, 2 italic, 4 underline.
  BOOL SetTextFont(const std::string& face, int tenthsOfPoint, int fontStyle);
  void SetTextDefaultFont();
  // Each of these redraws the window at once.
  void SetTextColor(COLORREF color);
  void SetTextRect(const CRect& rect);
  void SetText(const std::string& text);
  void SetTextFormat(UINT format) { m_textFormat = format; }

  // Places the window with the bitmap's size without activating it and shows it
  // (fading in with kFadeIn); starts the display timer when there is a display time.
  void Show();
  // Hides the window (fading out with kFadeOut), then destroys it, which deletes
  // this object: touch it no more.
  void Hide();

  const std::string& GetText() const { return m_text; }
  const CRect& GetTextRect() const { return m_textRect; }
  COLORREF GetTextColor() const { return m_textColor; }
  UINT GetTextFormat() const { return m_textFormat; }
  DWORD GetSplashStyle() const { return m_style; }
  DWORD GetDisplayTime() const { return m_displayTimeMs; }
  CSize GetBitmapSize() const { return CSize(m_bitmapWidth, m_bitmapHeight); }
  CPoint GetPosition() const { return CPoint(m_x, m_y); }
  CFont& GetTextFont() { return m_font; }
  // The shape made from the bitmap (no region before a transparent colour is given).
  const CRgn& GetRegion() const { return m_region; }

  // With kHideOnClick a key or button press hides the splash and is consumed.
  BOOL PreTranslateMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnPaint() override;
  BOOL OnEraseBkgnd(CDC* dc) override;
  void OnTimer(UINT_PTR id) override;
  void PostNcDestroy() override;

  // The rectangles of the runs of pixels that differ from `transparent`, one
  // pixel high, bottom row first and left to right within a row.
  static std::vector<RECT> OpaqueRuns(const QImage& image, COLORREF transparent);

 private:
  void DrawSplash(CDC* dc);
  void PlaceWindow();
  void RedrawNow();

  CBitmap m_bitmap;
  int m_bitmapWidth = 0;
  int m_bitmapHeight = 0;
  CWnd* m_owner = nullptr;
  CRgn m_region;
  CFont m_font;
  std::string m_text;
  CRect m_textRect;
  COLORREF m_textColor = RGB(0, 0, 0);
  UINT m_textFormat = 0x15;  // centred, vertically centred, word break
  DWORD m_displayTimeMs = 2000;
  DWORD m_style = 0;
  int m_x = 0;
  int m_y = 0;
  bool m_hiding = false;
};
