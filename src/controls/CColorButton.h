#pragma once
// A push button with a colour swatch at its left that opens the colour dialog
// when clicked; the chosen colour becomes the swatch. Its caption is shifted
// right by ten blanks to leave room for the swatch.
#include "platform/ui/CButton.h"

class CColorButton : public CButton {
 public:
  static constexpr const char* kCaptionIndent = "          ";

  CColorButton() = default;
  ~CColorButton() override = default;

  void SetColor(COLORREF color);
  COLORREF GetColor() const { return m_color; }

  void PreSubclassWindow() override;
  BOOL OnReflectedCommand(UINT code) override;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  // The swatch in a client area of `client`; empty when it does not fit.
  static CRect SwatchRect(const CRect& client);
  // Draws the swatch over a face already drawn in `dc`.
  void DrawSwatch(CDC* dc, const CRect& client);

 protected:
  int OnCreate(LPCREATESTRUCT cs) override;
  bool PreTranslateQtEvent(QEvent* event) override;

 private:
  void RedrawNow();
  COLORREF m_color = 0;
  HWND m_subclassed = nullptr;
};
