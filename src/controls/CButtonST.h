#pragma once
// A push button that draws itself: a caption, an optional icon (one for the
// hovered or pressed look, one for the normal look), a flat look that raises a
// border only while the mouse is over it, a cursor of its own, a check-box mode
// that toggles on each click and a drop-down menu.
//
// The steps that adapt the control (owner-drawn style, check-box and default
// flags from the original style) run once its window exists, whether it was
// created directly or as a dialog's control.
#include <string>

#include "controls/BCMenu.h"
#include "platform/ui/CBitmap.h"
#include "platform/ui/CButton.h"
#include "platform/ui/CDC.h"
#include "platform/ui/CToolTipCtrl.h"
#include "platform/ui/ResourceRegistry.h"

class CButtonST : public CButton {
 public:
  // The six colours: background and text for the "in" (hovered or pressed),
  // "out" (normal) and "focus" looks.
  enum ColorIndex { BackIn = 0, TextIn, BackOut, TextOut, BackFocus, TextFocus, ColorCount };
  // Alignment of the image to the caption.
  enum Alignment : BYTE { ImageLeft = 0, ImageTop = 1, ImageRight = 2 };
  // Results of the setters.
  static constexpr DWORD kOk = 0;
  static constexpr DWORD kInvalidResource = 1;
  static constexpr DWORD kInvalidPressedStyle = 6;
  // "Out" icon ids (and handles) that ask for an icon derived from the "in" one.
  static constexpr int kAutoGray = -2;
  static constexpr int kAutoDarker = -3;
  static HICON AutoIcon(int kind) { return reinterpret_cast<HICON>(static_cast<std::intptr_t>(kind)); }

  CButtonST();
  ~CButtonST() override;

  DWORD SetFlat(BOOL flat = TRUE, BOOL repaint = TRUE);
  DWORD SetDrawBorder(BOOL draw = TRUE, BOOL repaint = TRUE);
  // 0 removes the cursor; 1 when the cursor resource does not load.
  DWORD SetBtnCursor(int cursorId = 0, BOOL repaint = TRUE);
  // Resource ids: "out" 0 for none, kAutoGray or kAutoDarker for a derived icon.
  DWORD SetIcon(int iconIn, int iconOut);
  DWORD SetIcon(int iconIn, int widthIn, int heightIn, int iconOut, int widthOut, int heightOut);
  // Handles, owned by the button from now on; "out" may be AutoIcon(kAutoGray/kAutoDarker).
  DWORD SetIcon(HICON iconIn, HICON iconOut);
  // 0: pressed offset (1, 1); 1: (0, 2); other styles: kInvalidPressedStyle.
  DWORD SetPressedStyle(BYTE style, BOOL repaint = TRUE);
  // Check-box buttons only.
  DWORD SetCheck(int check, BOOL repaint = TRUE);
  int GetCheck() const { return m_check; }
  DWORD SetDefaultColors(BOOL repaint = TRUE);
  DWORD SetURL(const char* url = nullptr);
  void FreeResources(BOOL checkForNull = TRUE);

  // Derived icons of the same size and mask; null when the icon cannot be read.
  static HICON CreateGrayscaleIcon(HICON icon);
  static HICON CreateDarkerIcon(HICON icon);
  // Each channel c - c * factor for 0 < factor <= 1; the colour unchanged otherwise.
  static COLORREF DarkenColor(COLORREF color, double factor);

  BOOL IsHovered() const { return m_hover; }
  BOOL IsFlat() const { return m_flat; }
  BOOL IsCheckBox() const { return m_isCheckBox; }
  BOOL IsDefaultButton() const { return m_isDefault; }
  BOOL GetDrawBorder() const { return m_drawBorder; }
  CPoint GetPressedOffset() const { return m_pressedOffset; }
  HICON GetIconIn() const { return m_iconIn.icon; }
  HICON GetIconOut() const { return m_iconOut.icon; }
  HCURSOR GetBtnCursor() const { return m_cursor; }
  UINT GetOriginalType() const { return m_buttonType; }
  COLORREF GetColor(ColorIndex index) const { return m_colors[index]; }

  void DrawItem(LPDRAWITEMSTRUCT drawItem) override;
  void PreSubclassWindow() override;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  BOOL OnReflectedCommand(UINT code) override;
  HBRUSH CtlColor(CDC* dc, UINT ctlColor) override;
  QWidget* CreateWidget(QWidget* parent, const CREATESTRUCT& cs) override;

 protected:
  virtual DWORD DrawBackground(CDC* dc, CRect* rect);
  virtual DWORD DrawBorder(CDC* dc, CRect* rect);
  virtual void DrawIcon(CDC* dc, bool hasTitle, const RECT* item, CRect* caption, bool pressed, bool disabled);
  virtual void DrawBitmap(CDC* dc, bool hasTitle, const RECT* item, CRect* caption, bool pressed, bool disabled);
  virtual void DrawCaption(CDC* dc, bool hasTitle, const RECT* item, CRect* caption, bool pressed, bool disabled);
  void PrepareImageRect(bool hasTitle, const RECT* item, CRect* caption, bool pressed, int width, int height,
                        CRect* image) const;
  void PaintBk(CDC* dc);
  void CancelHover();
  void InitToolTip();
  // True once the adapting steps ran for the current window.
  bool AlreadySubclassed() const { return m_subclassed && m_subclassed == GetSafeHwnd(); }

  int OnCreate(LPCREATESTRUCT cs) override;
  void OnMouseMove(UINT flags, CPoint point) override;
  void OnMouseLeave() override;
  void OnKillFocus(CWnd* newWnd) override;
  void OnEnable(BOOL enable) override;
  BOOL OnSetCursor(CWnd* wnd, UINT hitTest, UINT message) override;
  BOOL OnEraseBkgnd(CDC* dc) override;

 private:
  struct IconSlot {
    HICON icon = nullptr;
    int width = 0;
    int height = 0;
  };
  struct BitmapSlot {
    HBITMAP bitmap = nullptr;
    HBITMAP mask = nullptr;
    int width = 0;
    int height = 0;
  };
  // The "out" image stands when not pressed, for a check box or while not hovered.
  bool UseOutImage(bool pressed, bool hasOut) const;
  void OnClicked();
  void Repaint(BOOL repaint);
  static bool SizeOf(HICON icon, int* width, int* height);
  static HICON DerivedIcon(HICON icon, COLORREF (*transform)(COLORREF));

  bool m_showDisabledBitmap = true;
  CPoint m_imageMargin{3, 3};
  CPoint m_pressedOffset{1, 1};
  bool m_flat = true;
  bool m_hover = false;
  bool m_transparent = false;
  bool m_pressed = false;
  bool m_focused = false;
  bool m_disabled = false;
  bool m_isDefault = false;
  bool m_isCheckBox = false;
  BYTE m_align = ImageLeft;
  bool m_drawBorder = true;
  bool m_drawFlatFocus = false;
  COLORREF m_colors[ColorCount]{};
  bool m_useDefaultColor[ColorCount]{true, true, true, true, true, true};
  HWND m_menuCommandWindow = nullptr;
  bool m_menuShown = false;
  BCMenu m_menu;
  HCURSOR m_cursor = 0;
  CToolTipCtrl m_toolTip;
  bool m_toolTipMade = false;
  DWORD m_toolTipStyle = 0;
  CDC m_backgroundDC;
  CBitmap m_backgroundBitmap;
  CBitmap* m_oldBackgroundBitmap = nullptr;
  bool m_alwaysTrack = true;
  int m_check = 0;
  UINT m_buttonType = 31;  // not read yet
  std::string m_url;
  IconSlot m_iconIn;
  IconSlot m_iconOut;
  BitmapSlot m_bitmapIn;
  BitmapSlot m_bitmapOut;
  HWND m_menuNotifyWindow = nullptr;
  UINT m_menuNotifyMessage = 0;
  LPARAM m_menuNotifyParam = 0;
  HWND m_subclassed = nullptr;
};
