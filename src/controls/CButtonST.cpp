#include "controls/CButtonST.h"

#include <QApplication>
#include <QDesktopServices>
#include <QImage>
#include <QUrl>
#include <QWidget>
#include <cstring>

#include "controls/ControlPictures.h"
#include "platform/ui/CBrush.h"
#include "platform/ui/CPen.h"
#include "platform/ui/ColorRef.h"
#include "platform/ui/CursorResources.h"
#include "platform/ui/SystemMetrics.h"

namespace {

constexpr UINT kMsgCancelMode = 0x001F;
constexpr UINT kMsgSysColorChange = 0x0015;
constexpr UINT kMsgMenuChar = 0x0120;
constexpr UINT kActivateInactive = 0;
constexpr LRESULT kDlgCodeDefPushButton = 0x0010;
constexpr LRESULT kDlgCodeUndefPushButton = 0x0020;
constexpr std::size_t kMaxUrl = 260;
constexpr DWORD kTypeBits = 0x1F;

bool IsAutoIcon(HICON icon, int kind) { return icon == CButtonST::AutoIcon(kind); }

COLORREF Grey(COLORREF color) {
  const int level = static_cast<int>(0.299 * GetRValue(color) + 0.587 * GetGValue(color) + 0.114 * GetBValue(color));
  return RGB(level, level, level);
}

COLORREF Darker(COLORREF color) { return CButtonST::DarkenColor(color, 0.25); }

}  // namespace

CButtonST::CButtonST() {
  FreeResources(FALSE);
  SetPressedStyle(0, FALSE);
  SetDefaultColors(FALSE);
  SetURL(nullptr);
}

CButtonST::~CButtonST() {
  if (m_oldBackgroundBitmap) m_backgroundDC.SelectObject(m_oldBackgroundBitmap);
  FreeResources(TRUE);
  if (m_cursor) DestroyCursor(m_cursor);
  m_menu.DestroyMenu();
}

QWidget* CButtonST::CreateWidget(QWidget* parent, const CREATESTRUCT& cs) {
  // Whatever type the template names, the widget is the owner-drawn push button.
  CREATESTRUCT ownerDrawn = cs;
  ownerDrawn.style = (cs.style & ~kTypeBits) | BS_OWNERDRAW;
  return CButton::CreateWidget(parent, ownerDrawn);
}

int CButtonST::OnCreate(LPCREATESTRUCT cs) {
  const int result = CButton::OnCreate(cs);
  if (result != -1) PreSubclassWindow();
  return result;
}

void CButtonST::PreSubclassWindow() {
  if (AlreadySubclassed()) return;
  m_subclassed = GetSafeHwnd();
  const DWORD style = GetStyle();
  m_buttonType = style & kTypeBits;
  if (style & 0x02) m_isCheckBox = true;
  if (m_buttonType == BS_DEFPUSHBUTTON) {
    m_isDefault = true;
    m_buttonType = BS_PUSHBUTTON;
  }
  ModifyStyle(kTypeBits, BS_OWNERDRAW, SWP_FRAMECHANGED);
}

// ---------------------------------------------------------------- setters

void CButtonST::Repaint(BOOL repaint) {
  if (repaint && GetSafeHwnd()) Invalidate();
}

DWORD CButtonST::SetFlat(BOOL flat, BOOL repaint) {
  m_flat = flat != FALSE;
  Repaint(repaint);
  return kOk;
}

DWORD CButtonST::SetDrawBorder(BOOL draw, BOOL repaint) {
  m_drawBorder = draw != FALSE;
  Repaint(repaint);
  return kOk;
}

DWORD CButtonST::SetBtnCursor(int cursorId, BOOL repaint) {
  if (m_cursor) DestroyCursor(m_cursor);
  m_cursor = 0;
  if (cursorId == 0) return kOk;
  EnsureControlPictures();
  m_cursor = LoadCursorResource(static_cast<UINT>(cursorId));
  if (!m_cursor) return kInvalidResource;
  Repaint(repaint);
  return kOk;
}

DWORD CButtonST::SetIcon(int iconIn, int iconOut) { return SetIcon(iconIn, 0, 0, iconOut, 0, 0); }

DWORD CButtonST::SetIcon(int iconIn, int widthIn, int heightIn, int iconOut, int widthOut, int heightOut) {
  EnsureControlPictures();
  HICON in = LoadIconResource(static_cast<UINT>(iconIn), widthIn, heightIn);
  HICON out = nullptr;
  if (iconOut == kAutoGray || iconOut == kAutoDarker) out = AutoIcon(iconOut);
  else if (iconOut != 0) out = LoadIconResource(static_cast<UINT>(iconOut), widthOut, heightOut);
  return SetIcon(in, out);
}

bool CButtonST::SizeOf(HICON icon, int* width, int* height) {
  ICONINFO info;
  if (!GetIconInfo(icon, &info)) return false;
  *width = static_cast<int>(info.xHotspot * 2);
  *height = static_cast<int>(info.yHotspot * 2);
  return true;
}

DWORD CButtonST::SetIcon(HICON iconIn, HICON iconOut) {
  FreeResources(TRUE);
  if (!iconIn) {
    if (iconOut && !IsAutoIcon(iconOut, kAutoGray) && !IsAutoIcon(iconOut, kAutoDarker)) DestroyIcon(iconOut);
    Repaint(TRUE);
    return kOk;
  }
  m_iconIn.icon = iconIn;
  if (!SizeOf(iconIn, &m_iconIn.width, &m_iconIn.height)) {
    FreeResources(TRUE);
    return kInvalidResource;
  }
  if (iconOut) {
    if (IsAutoIcon(iconOut, kAutoDarker)) iconOut = CreateDarkerIcon(iconIn);
    else if (IsAutoIcon(iconOut, kAutoGray)) iconOut = CreateGrayscaleIcon(iconIn);
    m_iconOut.icon = iconOut;
    if (!iconOut || !SizeOf(iconOut, &m_iconOut.width, &m_iconOut.height)) {
      FreeResources(TRUE);
      return kInvalidResource;
    }
  }
  Repaint(TRUE);
  return kOk;
}

DWORD CButtonST::SetPressedStyle(BYTE style, BOOL repaint) {
  switch (style) {
    case 0: m_pressedOffset = CPoint(1, 1); break;
    case 1: m_pressedOffset = CPoint(0, 2); break;
    default: return kInvalidPressedStyle;
  }
  Repaint(repaint);
  return kOk;
}

DWORD CButtonST::SetCheck(int check, BOOL repaint) {
  if (m_isCheckBox) {
    m_check = check != 0 ? 1 : 0;
    Repaint(repaint);
  }
  return kOk;
}

DWORD CButtonST::SetDefaultColors(BOOL repaint) {
  for (int i = 0; i < ColorCount; ++i) {
    if (!m_useDefaultColor[i]) continue;
    const bool text = i % 2 == 1;
    m_colors[i] = GetSysColor(text ? COLOR_BTNTEXT : COLOR_BTNFACE);
  }
  Repaint(repaint);
  return kOk;
}

DWORD CButtonST::SetURL(const char* url) {
  m_url.clear();
  if (url) m_url.assign(url, strnlen(url, kMaxUrl));
  return kOk;
}

void CButtonST::FreeResources(BOOL checkForNull) {
  if (checkForNull) {
    for (IconSlot* slot : {&m_iconIn, &m_iconOut})
      if (slot->icon) DestroyIcon(slot->icon);
    for (BitmapSlot* slot : {&m_bitmapIn, &m_bitmapOut}) {
      if (slot->bitmap) DeleteObject(slot->bitmap);
      if (slot->mask) DeleteObject(slot->mask);
    }
  }
  m_iconIn = m_iconOut = IconSlot{};
  m_bitmapIn = m_bitmapOut = BitmapSlot{};
}

// ---------------------------------------------------------------- derived icons

COLORREF CButtonST::DarkenColor(COLORREF color, double factor) {
  if (factor <= 0.0 || factor > 1.0) return color;
  auto darken = [factor](int c) { return static_cast<int>(c - c * factor); };
  return RGB(darken(GetRValue(color)), darken(GetGValue(color)), darken(GetBValue(color)));
}

HICON CButtonST::DerivedIcon(HICON icon, COLORREF (*transform)(COLORREF)) {
  int width = 0;
  int height = 0;
  if (!SizeOf(icon, &width, &height) || width <= 0 || height <= 0) return nullptr;
  const QImage source = IconImage(icon).convertToFormat(QImage::Format_ARGB32);
  if (source.isNull()) return nullptr;
  // The source's mask (its alpha) is kept; black pixels stay black.
  QImage result(width, height, QImage::Format_ARGB32);
  result.fill(0);
  for (int y = 0; y < std::min(height, source.height()); ++y) {
    for (int x = 0; x < std::min(width, source.width()); ++x) {
      const QRgb pixel = source.pixel(x, y);
      const COLORREF color = QRgbToColorRef(pixel);
      const COLORREF changed = color == 0 ? color : transform(color);
      result.setPixel(x, y, qRgba(GetRValue(changed), GetGValue(changed), GetBValue(changed), qAlpha(pixel)));
    }
  }
  return CreateIconFromImage(result);
}

HICON CButtonST::CreateGrayscaleIcon(HICON icon) { return DerivedIcon(icon, &Grey); }

HICON CButtonST::CreateDarkerIcon(HICON icon) { return DerivedIcon(icon, &Darker); }

// ---------------------------------------------------------------- drawing

bool CButtonST::UseOutImage(bool pressed, bool hasOut) const { return !pressed && (m_isCheckBox || !m_hover) && hasOut; }

void CButtonST::DrawItem(LPDRAWITEMSTRUCT drawItem) {
  CDC* dc = drawItem->hDC;
  if (m_isCheckBox) m_pressed = (drawItem->itemState & ODS_SELECTED) || m_check == 1;
  else m_pressed = (drawItem->itemState & ODS_SELECTED) || (m_menu.GetSafeHmenu() && m_menuShown);
  m_focused = (drawItem->itemState & ODS_FOCUS) != 0;
  m_disabled = (drawItem->itemState & ODS_DISABLED) != 0;

  CRect item = drawItem->rcItem;
  CRect working = item;
  dc->SetBkMode(TRANSPARENT);
  if (m_transparent) PaintBk(dc);
  else DrawBackground(dc, &working);
  DrawBorder(dc, &working);

  const std::string title = GetWindowText();
  const bool hasTitle = !title.empty();
  CRect caption = item;
  CFont* oldFont = GetFont() ? dc->SelectObject(GetFont()) : nullptr;
  if (m_iconIn.icon) DrawIcon(dc, hasTitle, &drawItem->rcItem, &caption, m_pressed, m_disabled);
  if (m_bitmapIn.bitmap) {
    dc->SetBkColor(RGB(255, 255, 255));
    DrawBitmap(dc, hasTitle, &drawItem->rcItem, &caption, m_pressed, m_disabled);
  }
  if (hasTitle) DrawCaption(dc, hasTitle, &drawItem->rcItem, &caption, m_pressed, m_disabled);
  if (oldFont) dc->SelectObject(oldFont);

  if ((!m_flat || m_drawFlatFocus) && m_focused) {
    CRect focus = working;
    focus.DeflateRect(3, 3);
    dc->DrawFocusRect(&focus);
  }
}

DWORD CButtonST::DrawBackground(CDC* dc, CRect* rect) {
  if (!m_flat && (m_focused || m_isDefault)) {
    CBrush black(RGB(0, 0, 0));
    dc->FrameRect(rect, &black);
    rect->DeflateRect(1, 1);
  }
  const COLORREF fill = m_hover || m_pressed ? m_colors[BackIn] : m_focused ? m_colors[BackFocus] : m_colors[BackOut];
  dc->FillSolidRect(rect, fill);
  return kOk;
}

DWORD CButtonST::DrawBorder(CDC* dc, CRect* rect) {
  const COLORREF highlight = GetSysColor(COLOR_BTNHIGHLIGHT);
  const COLORREF light = GetSysColor(COLOR_3DLIGHT);
  const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
  const COLORREF darkShadow = GetSysColor(COLOR_3DDKSHADOW);
  if (m_pressed) {
    if (m_flat) {
      if (m_drawBorder) dc->Draw3dRect(rect, shadow, highlight);
    } else {
      CBrush frame(shadow);
      dc->FrameRect(rect, &frame);
    }
    return kOk;
  }
  if (!m_flat) {
    const int l = rect->left, t = rect->top, r = rect->right, b = rect->bottom;
    CPen highlightPen(PS_SOLID, 1, highlight);
    CPen lightPen(PS_SOLID, 1, light);
    CPen darkPen(PS_SOLID, 1, darkShadow);
    CPen shadowPen(PS_SOLID, 1, shadow);
    CPen* old = dc->SelectObject(&highlightPen);
    dc->MoveTo(l, b - 1);
    dc->LineTo(l, t);
    dc->LineTo(r, t);
    dc->SelectObject(&lightPen);
    dc->MoveTo(l + 1, b - 1);
    dc->LineTo(l + 1, t + 1);
    dc->LineTo(r, t + 1);
    dc->SelectObject(&darkPen);
    dc->MoveTo(l, b - 1);
    dc->LineTo(r - 1, b - 1);
    dc->LineTo(r - 1, t - 1);
    dc->SelectObject(&shadowPen);
    dc->MoveTo(l + 1, b - 2);
    dc->LineTo(r - 2, b - 2);
    dc->LineTo(r - 2, t);
    dc->SelectObject(old);
    return kOk;
  }
  if (m_hover && m_drawBorder) dc->Draw3dRect(rect, highlight, shadow);
  return kOk;
}

void CButtonST::PrepareImageRect(bool hasTitle, const RECT* item, CRect* caption, bool pressed, int width, int height,
                                 CRect* image) const {
  const CRect button(*item);
  *image = button;
  switch (m_align) {
    case ImageTop:
      image->left += (button.Width() - width) / 2;
      if (hasTitle) {
        image->top += m_imageMargin.y;
        caption->top += height;
      } else {
        image->top += (button.Height() - height) / 2;
      }
      break;
    case ImageRight:
      image->left = button.Width() - m_imageMargin.x - width;
      if (hasTitle) {
        caption->left = m_imageMargin.x;
        caption->right = image->left;
      }
      image->top += (button.Height() - height) / 2;
      break;
    default:
      if (hasTitle) {
        image->left += m_imageMargin.x;
        caption->left += m_imageMargin.x + width;
      } else {
        image->left += (button.Width() - width) / 2;
      }
      image->top += (button.Height() - height) / 2;
      break;
  }
  image->right = image->left + width;
  image->bottom = image->top + height;
  if (pressed && !m_isCheckBox) image->OffsetRect(m_pressedOffset);
}

void CButtonST::DrawIcon(CDC* dc, bool hasTitle, const RECT* item, CRect* caption, bool pressed, bool disabled) {
  const IconSlot& slot = UseOutImage(pressed, m_iconOut.icon != nullptr) ? m_iconOut : m_iconIn;
  CRect image;
  PrepareImageRect(hasTitle, item, caption, pressed, slot.width, slot.height, &image);
  dc->DrawState(image.TopLeft(), CSize(slot.width, slot.height), slot.icon,
                DST_ICON | (disabled ? DSS_DISABLED : DSS_NORMAL));
}

void CButtonST::DrawBitmap(CDC* dc, bool hasTitle, const RECT* item, CRect* caption, bool pressed, bool disabled) {
  const BitmapSlot& slot = UseOutImage(pressed, m_bitmapOut.bitmap != nullptr) ? m_bitmapOut : m_bitmapIn;
  CRect image;
  PrepareImageRect(hasTitle, item, caption, pressed, slot.width, slot.height, &image);
  CBitmap* bitmap = CBitmap::FromHandle(slot.bitmap);
  CBitmap* mask = CBitmap::FromHandle(slot.mask);
  if (!bitmap || !mask) return;
  CDC source;
  source.CreateCompatibleDC(dc);
  if (!disabled || !m_showDisabledBitmap) {
    CBitmap* old = source.SelectObject(mask);
    dc->BitBlt(image.left, image.top, slot.width, slot.height, &source, 0, 0, SRCAND);
    source.SelectObject(bitmap);
    dc->BitBlt(image.left, image.top, slot.width, slot.height, &source, 0, 0, SRCPAINT);
    source.SelectObject(old);
    return;
  }
  // Disabled: the masked picture on white, drawn with the disabled look.
  CDC scratch;
  scratch.CreateCompatibleDC(dc);
  CBitmap combined;
  combined.CreateCompatibleBitmap(dc, slot.width, slot.height);
  CBitmap* oldScratch = scratch.SelectObject(&combined);
  scratch.PatBlt(0, 0, slot.width, slot.height, WHITENESS);
  CBitmap* old = source.SelectObject(mask);
  scratch.BitBlt(0, 0, slot.width, slot.height, &source, 0, 0, SRCAND);
  source.SelectObject(bitmap);
  scratch.BitBlt(0, 0, slot.width, slot.height, &source, 0, 0, SRCPAINT);
  source.SelectObject(old);
  scratch.SelectObject(oldScratch);
  dc->DrawState(image.TopLeft(), CSize(slot.width, slot.height), &combined, DST_BITMAP | DSS_DISABLED);
}

void CButtonST::DrawCaption(CDC* dc, bool, const RECT*, CRect* caption, bool pressed, bool disabled) {
  const std::string title = GetWindowText();
  if (pressed && !m_isCheckBox) caption->OffsetRect(m_pressedOffset);
  CRect measured = *caption;
  dc->DrawText(title, &measured, DT_WORDBREAK | DT_CENTER | DT_CALCRECT);
  const int dx = caption->left + (caption->Width() - measured.Width()) / 2 - measured.left;
  const int dy = caption->top + (caption->Height() - measured.Height()) / 2 - measured.top;
  CRect centred = measured + CPoint(dx, dy);
  dc->SetBkMode(TRANSPARENT);
  if (disabled) {
    CRect raised = centred + CPoint(1, 1);
    dc->SetTextColor(GetSysColor(COLOR_3DHILIGHT));
    dc->DrawText(title, &raised, DT_WORDBREAK | DT_CENTER);
    dc->SetTextColor(GetSysColor(COLOR_3DSHADOW));
    dc->DrawText(title, &centred, DT_WORDBREAK | DT_CENTER);
    return;
  }
  const int look = m_hover || m_pressed ? 0 : m_focused ? 2 : 1;
  const ColorIndex text[] = {TextIn, TextOut, TextFocus};
  const ColorIndex back[] = {BackIn, BackOut, BackFocus};
  dc->SetTextColor(m_colors[text[look]]);
  dc->SetBkColor(m_colors[back[look]]);
  dc->DrawText(title, &centred, DT_WORDBREAK | DT_CENTER);
}

void CButtonST::PaintBk(CDC* dc) {
  CRect client;
  GetClientRect(&client);
  if (!m_backgroundBitmap.IsValid()) {
    CWnd* parent = GetParent();
    if (!parent || !parent->GetWidget() || !GetWidget()) return;
    CRect under;
    GetWindowRect(&under);
    parent->ScreenToClient(&under);
    // The parent's own pixels only: its children (this button among them) are left out.
    QImage image(std::max(1, client.Width()), std::max(1, client.Height()), QImage::Format_RGB32);
    parent->ClientWidget()->render(&image, QPoint(), QRegion(under.left, under.top, under.Width(), under.Height()),
                                   QWidget::DrawWindowBackground);
    m_backgroundBitmap.CreateFromImage(image);
    m_backgroundDC.CreateCompatibleDC(dc);
    m_oldBackgroundBitmap = m_backgroundDC.SelectObject(&m_backgroundBitmap);
  }
  dc->BitBlt(0, 0, client.Width(), client.Height(), &m_backgroundDC, 0, 0, SRCCOPY);
}

// ---------------------------------------------------------------- messages

void CButtonST::InitToolTip() {
  if (m_toolTipMade) return;
  m_toolTipMade = true;
  m_toolTip.Create(this, m_toolTipStyle);
  m_toolTip.Activate(FALSE);
  m_toolTip.SetMaxTipWidth(400);
}

LRESULT CButtonST::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (GetSafeHwnd()) {
    InitToolTip();
    m_toolTip.RelayEvent(nullptr);
  }
  switch (message) {
    case WM_LBUTTONDBLCLK:
      // A double click is a second press, so it counts as a second click.
      return CButton::WindowProc(WM_LBUTTONDOWN, wParam, lParam);
    case BM_SETSTYLE: {
      const UINT type = static_cast<UINT>(wParam) & BS_TYPEMASK;
      if (type == BS_DEFPUSHBUTTON) m_isDefault = true;
      else if (type == BS_PUSHBUTTON) m_isDefault = false;
      return CButton::WindowProc(message, (wParam & ~static_cast<WPARAM>(0x14)) | BS_OWNERDRAW, lParam);
    }
    case BM_SETCHECK:
      SetCheck(wParam == BST_CHECKED || wParam == BST_INDETERMINATE ? 1 : 0, TRUE);
      return 0;
    case BM_GETCHECK: return m_check;
    case kMsgCancelMode: {
      const LRESULT result = CButton::WindowProc(message, wParam, lParam);
      CancelHover();
      return result;
    }
    case WM_ACTIVATE: {
      const LRESULT result = CButton::WindowProc(message, wParam, lParam);
      if (LOWORD(wParam) == kActivateInactive) CancelHover();
      return result;
    }
    case kMsgSysColorChange: {
      const LRESULT result = CButton::WindowProc(message, wParam, lParam);
      if (m_oldBackgroundBitmap) m_backgroundDC.SelectObject(m_oldBackgroundBitmap);
      m_oldBackgroundBitmap = nullptr;
      m_backgroundDC.DeleteDC();
      m_backgroundBitmap.DeleteObject();
      SetDefaultColors(TRUE);
      return result;
    }
    case WM_GETDLGCODE:
      return CButton::WindowProc(message, wParam, lParam) |
             (m_isDefault ? kDlgCodeDefPushButton : kDlgCodeUndefPushButton);
    case WM_MEASUREITEM: {
      auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
      if (measure && measure->CtlType == ODT_MENU && BCMenu::IsMenu(&m_menu)) {
        m_menu.MeasureItem(measure);
        return TRUE;
      }
      return CButton::WindowProc(message, wParam, lParam);
    }
    case kMsgMenuChar: {
      const auto menu = reinterpret_cast<HMENU>(lParam);
      if (BCMenu::IsMenu(menu)) return BCMenu::FindKeyboardShortcut(LOWORD(wParam), HIWORD(wParam), menu);
      return CButton::WindowProc(message, wParam, lParam);
    }
    default: return CButton::WindowProc(message, wParam, lParam);
  }
}

HBRUSH CButtonST::CtlColor(CDC*, UINT) { return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH)); }

BOOL CButtonST::OnEraseBkgnd(CDC*) { return FALSE; }

BOOL CButtonST::OnSetCursor(CWnd* wnd, UINT hitTest, UINT message) {
  QCursor cursor;
  if (m_cursor && GetWidget() && FindLoadedCursor(m_cursor, &cursor)) {
    GetWidget()->setCursor(cursor);
    return TRUE;
  }
  return CButton::OnSetCursor(wnd, hitTest, message);
}

void CButtonST::OnMouseMove(UINT flags, CPoint point) {
  CButton::OnMouseMove(flags, point);
  if ((flags & MK_LBUTTON) && !m_hover) return;
  if (!m_flat) return;
  // Looked up only when hover is tracked: finding the widget under the point walks the windows.
  CPoint screen = point;
  ClientToScreen(&screen);
  CWnd* under = FromWidget(QApplication::widgetAt(screen.x, screen.y));
  const bool activeOk = m_alwaysTrack || QApplication::activeWindow() != nullptr;
  if (under == this && activeOk) {
    if (!m_hover) {
      m_hover = true;
      Invalidate();
      // The leave notification comes on every leave here; nothing to request.
    }
  } else {
    CancelHover();
  }
}

void CButtonST::OnMouseLeave() { CancelHover(); }

void CButtonST::OnKillFocus(CWnd* newWnd) {
  CButton::OnKillFocus(newWnd);
  CancelHover();
}

void CButtonST::OnEnable(BOOL enable) {
  CButton::OnEnable(enable);
  if (!enable) CancelHover();
}

void CButtonST::CancelHover() {
  if (m_flat && m_hover) {
    m_hover = false;
    Invalidate();
  }
}

BOOL CButtonST::OnReflectedCommand(UINT code) {
  if (code == BN_CLICKED) {
    OnClicked();
    return FALSE;  // the parent hears of the click too
  }
  return CButton::OnReflectedCommand(code);
}

void CButtonST::OnClicked() {
  SetFocus();
  if (m_isCheckBox) {
    m_check = m_check ? 0 : 1;
    Invalidate();
    return;
  }
  if (m_menu.GetSafeHmenu()) {
    m_menuShown = true;
    Invalidate();
    UpdateWindow();
    CMenu* sub = m_menu.GetSubMenu(0);
    if (sub && m_menuNotifyWindow)
      ::SendMessage(m_menuNotifyWindow, m_menuNotifyMessage, reinterpret_cast<WPARAM>(sub->GetSafeHmenu()),
                    m_menuNotifyParam);
    CRect rect;
    GetWindowRect(&rect);
    const UINT command =
        sub ? static_cast<UINT>(sub->TrackPopupMenu(TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, rect.left,
                                                    rect.bottom, GetSafeHwnd()))
            : 0;
    m_menuShown = false;
    Invalidate();
    if (command != 0) ::PostMessage(m_menuCommandWindow, WM_COMMAND, MAKEWPARAM(static_cast<int>(command), 0), 0);
    return;
  }
  if (!m_url.empty()) QDesktopServices::openUrl(QUrl::fromUserInput(QString::fromStdString(m_url)));
}
