#pragma once
// A button control: push (default push), check box (auto, manual, three
// state), radio (auto radios of one WS_GROUP run exclude each other), group box
// and owner-drawn. A click sends BN_CLICKED; an owner-drawn button paints
// through DrawItem with a context over its widget.
#include "platform/ui/CControlBase.h"

class CDC;

// Owner-draw item states and actions.
constexpr UINT ODT_BUTTON = 4;
constexpr UINT ODA_DRAWENTIRE = 0x1;
constexpr UINT ODA_SELECT = 0x2;
constexpr UINT ODA_FOCUS = 0x4;
constexpr UINT ODS_SELECTED = 0x1;
constexpr UINT ODS_GRAYED = 0x2;
constexpr UINT ODS_DISABLED = 0x4;
constexpr UINT ODS_CHECKED = 0x8;
constexpr UINT ODS_FOCUS = 0x10;
constexpr UINT ODS_DEFAULT = 0x20;

struct DRAWITEMSTRUCT {
  UINT CtlType = ODT_BUTTON;
  UINT CtlID = 0;
  UINT itemID = 0;
  UINT itemAction = ODA_DRAWENTIRE;
  UINT itemState = 0;
  HWND hwndItem = nullptr;
  CDC* hDC = nullptr;  // the context to draw with, valid during the call
  RECT rcItem{};
  std::uintptr_t itemData = 0;
};
using LPDRAWITEMSTRUCT = DRAWITEMSTRUCT*;

class CButton : public CControlBase {
 public:
  QWidget* CreateWidget(QWidget* parent, const CREATESTRUCT& cs) override;

  int GetCheck() const;
  void SetCheck(int check);
  UINT GetState() const;  // BST_ check bits, plus 0x4 while pushed and 0x8 with the focus
  void SetState(BOOL pushed);
  UINT GetButtonStyle() const { return GetStyle() & 0xFFFF; }
  // Changes the button type; the widget is remade when its kind changes.
  void SetButtonStyle(UINT style, BOOL redraw = TRUE);
  // Push buttons, owner-drawn ones included: what a dialog gives its default
  // look to and what Return presses while it has the focus.
  bool TakesDefaultLook() const;
  // The dialog's default push button look (BM_SETSTYLE with the push type).
  void SetDefaultLook(bool isDefault);
  // A focused push button's mark: a dotted rectangle just inside its edge.
  static void DrawFocusMark(class QPainter& painter, const QWidget& button);
  // Presses the button as a click would (BN_CLICKED and the check rules).
  void Click();

  // Owner-drawn buttons paint here; the default draws nothing.
  virtual void DrawItem(LPDRAWITEMSTRUCT drawItem);
  // The button messages (BM_...); SetButtonStyle, SetCheck and SetState go
  // through them so a derived button can see them.
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 protected:
  void ApplyTextToWidget(const std::string& text) override;
  std::string TextFromWidget() const override;
  UINT ControlColorKind() const override { return CTLCOLOR_BTN; }

 private:
  friend class OwnerDrawButtonWidget;
  void HandleClicked();
  void ApplyStyle(UINT style, BOOL redraw);
  void ApplyCheck(int check);
  void PaintOwnerDrawn(class QPainter& painter);
  int m_check = BST_UNCHECKED;
  bool m_pushed = false;
};
