#pragma once
// A one-line label drawn over a solid, gradient or transparent background, in
// a font of its own whose size may follow the label's height, with a blinking
// mode that alternates the text colour. The text sits 10 pixels from the edge
// its alignment style (left, centre, right) names, centred vertically.
#include <string>

#include "platform/ui/CFont.h"
#include "platform/ui/CStatic.h"
#include "platform/ui/CToolTipCtrl.h"

class CNemLabel : public CStatic {
 public:
  static constexpr UINT_PTR kBlinkTimer = 101;
  static constexpr int kTextMargin = 10;

  CNemLabel();
  ~CNemLabel() override;

  CNemLabel& SetText(const std::string& text);
  const std::string& GetText() const { return m_text; }
  // Sets the colour in use and the normal colour.
  CNemLabel& SetTextColor(COLORREF color);
  CNemLabel& SetBkColor(COLORREF color);
  // The gradient's end colour; switches the gradient on and transparency off.
  CNemLabel& SetGradientColor(COLORREF color);
  // Top to bottom instead of left to right (the plant form's title needs it).
  CNemLabel& SetGradientVertical(bool vertical);
  // On switches the gradient off.
  CNemLabel& SetTransparent(bool transparent);
  CNemLabel& SetBlinkColor(COLORREF color);

  CNemLabel& SetFontBold(bool bold);
  // Points; -1 makes the size three quarters of the label's height, kept so on every resize.
  CNemLabel& SetFontSize(int points);
  // A face name of up to 32 characters; size -1 as SetFontSize.
  CNemLabel& SetFontFace(int points, bool bold, bool italic, const std::string& faceName);
  CNemLabel& SetLogFont(const LOGFONT& logFont);

  // On: timer 101 with the period; a count below 1 blinks without end, else the
  // colour toggles twice the count times and blinking stops by itself.
  CNemLabel& SetBlink(bool on, UINT periodMs = 500, int count = 0);

  COLORREF GetTextColor() const { return m_textColor; }
  COLORREF GetBkColor() const { return m_bkColor; }
  int GetFontSize() const { return m_fontSize; }
  bool IsAutoSize() const { return m_autoSize; }
  bool IsBlinking() const { return m_blinkTimer != 0; }
  const LOGFONT& GetLogFontInUse() const { return m_logFont; }

  bool UsesQtDefaultHandling() const override { return false; }
  void PreSubclassWindow() override;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  // Draws the label into a context the size of its client area.
  void DrawLabel(CDC* dc, const CRect& client);

 protected:
  int OnCreate(LPCREATESTRUCT cs) override;
  void OnPaint() override;
  BOOL OnEraseBkgnd(CDC* dc) override;
  void OnSize(UINT type, int cx, int cy) override;
  void OnTimer(UINT_PTR id) override;
  void OnEnable(BOOL enable) override;
  void OnDestroy() override;
  bool PreTranslateQtEvent(QEvent* event) override;

 private:
  void Redraw();
  void ApplyFont();
  int AutoSizePoints() const;
  // Points to the font height for the label's context (negative: character height).
  static LONG HeightForPoints(int points);

  CToolTipCtrl m_toolTip;
  bool m_toolTipMade = false;
  CFont m_font;
  LOGFONT m_logFont;
  int m_fontSize = 0;
  std::string m_text;
  bool m_autoSize = false;
  HWND m_subclassed = nullptr;
  COLORREF m_textColor;
  COLORREF m_bkColor;
  COLORREF m_gradientEnd;
  bool m_gradient = false;
  bool m_transparent = false;
  bool m_gradientVertical = false;
  int m_blinkRemaining = -1;
  COLORREF m_blinkColor;
  COLORREF m_normalColor;
  UINT_PTR m_blinkTimer = 0;
};
