#include "controls/CColorButton.h"

#include <QEvent>
#include <QImage>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>

#include "controls/CEnColorDialog.h"
#include "platform/ui/CBrush.h"
#include "platform/ui/CDC.h"

namespace {

constexpr DWORD kAlignBits = 0x300;
constexpr DWORD kAlignLeft = 0x100;
constexpr DWORD kAlignRight = 0x200;
constexpr int kMinimumSwatchWidth = 24;

}  // namespace

int CColorButton::OnCreate(LPCREATESTRUCT cs) {
  const int result = CButton::OnCreate(cs);
  if (result != -1) PreSubclassWindow();
  return result;
}

void CColorButton::PreSubclassWindow() {
  // Once per window: the blanks must not be added twice.
  if (m_subclassed == GetSafeHwnd()) return;
  m_subclassed = GetSafeHwnd();
  const std::string caption = GetWindowText();
  ModifyStyle(kAlignRight, kAlignLeft);
  SetWindowText(kCaptionIndent + caption);
}

void CColorButton::SetColor(COLORREF color) {
  m_color = color;
  if (GetSafeHwnd()) Invalidate(TRUE);
}

CRect CColorButton::SwatchRect(const CRect& client) {
  CRect swatch(client.left + 5, client.top + 4, client.right - 5, client.bottom - 5);
  swatch.right = swatch.left + std::max<int>(swatch.Height(), kMinimumSwatchWidth);
  return swatch;
}

void CColorButton::DrawSwatch(CDC* dc, const CRect& client) {
  const CRect swatch = SwatchRect(client);
  dc->FillSolidRect(&swatch, m_color);
  if (m_color != 0) {
    CBrush frame;
    frame.CreateStockObject(IsWindowEnabled() ? BLACK_BRUSH : GRAY_BRUSH);
    dc->FrameRect(&swatch, &frame);
  }
}

bool CColorButton::PreTranslateQtEvent(QEvent* event) {
  auto* button = qobject_cast<QPushButton*>(GetWidget());
  if (event->type() != QEvent::Paint || !button) return CButton::PreTranslateQtEvent(event);
  CButton::PreTranslateQtEvent(event);
  CRect client;
  GetClientRect(&client);
  if (SwatchRect(client).IsRectEmpty()) return false;  // the button paints itself
  // The ordinary button into an off-screen picture, the caption aligned as the
  // style says, then the swatch over it, then all of it onto the button.
  QImage face(button->size(), QImage::Format_ARGB32_Premultiplied);
  face.fill(Qt::transparent);
  {
    QPainter painter(&face);
    QStyleOptionButton option;
    option.initFrom(button);
    option.state |= button->isDown() ? QStyle::State_Sunken : QStyle::State_Raised;
    if (button->isDefault()) option.features |= QStyleOptionButton::DefaultButton;
    button->style()->drawControl(QStyle::CE_PushButtonBevel, &option, &painter, button);
    const DWORD align = GetStyle() & kAlignBits;
    const Qt::Alignment horizontal = align == kAlignLeft ? Qt::AlignLeft : align == kAlignRight ? Qt::AlignRight
                                                                                                  : Qt::AlignHCenter;
    const QRect textArea = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
    button->style()->drawItemText(&painter, textArea, static_cast<int>(horizontal | Qt::AlignVCenter | Qt::TextShowMnemonic),
                                  button->palette(), button->isEnabled(), button->text(), QPalette::ButtonText);
    if (button->hasFocus()) CButton::DrawFocusMark(painter, *button);  // the ordinary button's, under the swatch
    CDC dc;
    dc.AttachPainter(&painter);
    DrawSwatch(&dc, client);
    dc.Detach();
  }
  QPainter onButton(button);
  onButton.drawImage(0, 0, face);
  return true;
}

void CColorButton::RedrawNow() {
  Invalidate();
  UpdateWindow();
}

LRESULT CColorButton::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_LBUTTONUP:
      RedrawNow();
      return CButton::WindowProc(message, wParam, lParam);
    case WM_LBUTTONDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDBLCLK:
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE: {
      const LRESULT result = CButton::WindowProc(message, wParam, lParam);
      RedrawNow();
      return result;
    }
    default: return CButton::WindowProc(message, wParam, lParam);
  }
}

BOOL CColorButton::OnReflectedCommand(UINT code) {
  if (code != BN_CLICKED) return CButton::OnReflectedCommand(code);
  RedrawNow();
  CEnColorDialog dialog(m_color, CC_RGBINIT | CC_FULLOPEN, nullptr);
  if (dialog.DoModal() != IDOK) return TRUE;  // cancelled: the parent hears nothing
  m_color = dialog.GetColor();
  RedrawNow();
  return FALSE;
}
