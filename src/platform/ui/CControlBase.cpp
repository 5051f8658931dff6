#include "platform/ui/CControlBase.h"

#include <QEvent>
#include <QImage>
#include <QPalette>
#include <QWidget>

#include "platform/base/Text.h"
#include "platform/ui/CButton.h"
#include "platform/ui/CComboBox.h"
#include "platform/ui/CDC.h"
#include "platform/ui/CEdit.h"
#include "platform/ui/CListBox.h"
#include "platform/ui/CScrollBar.h"
#include "platform/ui/CSliderCtrl.h"
#include "platform/ui/CSpinButtonCtrl.h"
#include "platform/ui/CStatic.h"
#include "platform/ui/CTabCtrl.h"
#include "platform/ui/ColorRef.h"
#include "platform/ui/DialogTemplate.h"

BOOL CControlBase::OnReflectedCommand(UINT) { return FALSE; }

HBRUSH CControlBase::CtlColor(CDC*, UINT) { return nullptr; }

void CControlBase::NotifyParent(UINT code) {
  const HWND self = GetSafeHwnd();
  if (!self || m_quiet) return;
  if (OnReflectedCommand(code)) return;
  if (!IsWindow(self)) return;  // the reflected handler destroyed the control
  CWnd* parent = GetParent();
  if (!parent || !parent->GetSafeHwnd()) return;
  parent->SendMessage(WM_COMMAND, MAKEWPARAM(static_cast<int>(GetDlgCtrlID()), static_cast<int>(code)),
                      reinterpret_cast<LPARAM>(self));
}

void CControlBase::UpdateControlColors() {
  QWidget* widget = GetWidget();
  if (!widget || m_updatingColors) return;
  m_updatingColors = true;
  const UINT kind = ControlColorKind();
  // A context of its own that only carries the colours the handlers choose.
  QImage scratch(1, 1, QImage::Format_RGB32);
  CDC dc;
  dc.AttachImage(&scratch);
  const COLORREF defaultText = QColorToColorRef(widget->palette().color(QPalette::Text));
  dc.SetTextColor(defaultText);
  dc.SetBkColor(RGB(255, 255, 255));
  HBRUSH brush = CtlColor(&dc, kind);
  if (!brush) {
    CWnd* parent = GetParent();
    if (parent && parent->GetSafeHwnd()) {
      const UINT message = kind == CTLCOLOR_EDIT ? WM_CTLCOLOREDIT
                           : kind == CTLCOLOR_LISTBOX ? WM_CTLCOLORLISTBOX
                           : kind == CTLCOLOR_BTN ? WM_CTLCOLORBTN
                           : kind == CTLCOLOR_SCROLLBAR ? WM_CTLCOLORSCROLLBAR
                                                        : WM_CTLCOLORSTATIC;
      brush = reinterpret_cast<HBRUSH>(
          parent->SendMessage(message, reinterpret_cast<WPARAM>(&dc), reinterpret_cast<LPARAM>(GetSafeHwnd())));
    }
  }
  dc.Detach();
  if (!GetWidget()) return;
  if (!brush) {
    if (m_colorsCustom) {
      widget->setPalette(QPalette());
      widget->setAutoFillBackground(false);
      m_colorsCustom = false;
    }
    m_updatingColors = false;
    return;
  }
  QColor fill = ColorRefToQColor(dc.GetBkColor());
  if (CBrush* wrapper = CBrush::FromHandle(brush)) {
    LOGBRUSH log;
    if (wrapper->GetLogBrush(&log) && log.lbStyle == BS_SOLID) fill = ColorRefToQColor(log.lbColor);
  }
  const QColor text = ColorRefToQColor(dc.GetTextColor());
  QPalette palette = widget->palette();
  const QPalette::ColorRole fillRole = kind == CTLCOLOR_EDIT || kind == CTLCOLOR_LISTBOX ? QPalette::Base : QPalette::Window;
  if (palette.color(fillRole) != fill || palette.color(QPalette::Text) != text ||
      palette.color(QPalette::WindowText) != text) {
    palette.setColor(fillRole, fill);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::ButtonText, text);
    widget->setPalette(palette);
    if (fillRole == QPalette::Window) widget->setAutoFillBackground(true);
  }
  m_colorsCustom = true;
  m_updatingColors = false;
}

bool CControlBase::PreTranslateQtEvent(QEvent* event) {
  switch (event->type()) {
    case QEvent::Paint:
      UpdateControlColors();
      break;
    case QEvent::FocusIn:
    case QEvent::FocusOut:
      if (GetWidget()) GetWidget()->update();
      break;
    default:
      break;
  }
  return false;
}

CWnd* NewControlForClass(const std::string& className, DWORD style) {
  using ruv::EqualsNoCase;
  if (EqualsNoCase(className, kButtonClass)) return new CButton;
  if (EqualsNoCase(className, kEditClass)) return new CEdit;
  if (EqualsNoCase(className, kStaticClass)) return new CStatic;
  if (EqualsNoCase(className, kComboBoxClass)) return new CComboBox;
  if (EqualsNoCase(className, kListBoxClass)) return new CListBox;
  if (EqualsNoCase(className, kScrollBarClass)) return new CScrollBar;
  if (EqualsNoCase(className, kSliderClass)) return new CSliderCtrl;
  if (EqualsNoCase(className, kSpinClass)) return new CSpinButtonCtrl;
  if (EqualsNoCase(className, kTabControlClass)) return new CTabCtrl;
  (void)style;
  return new CWnd;
}
