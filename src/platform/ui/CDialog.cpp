#include "platform/ui/CDialog.h"

#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QGridLayout>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>

#include "platform/ui/CButton.h"
#include "platform/ui/CComboBox.h"
#include "platform/ui/CControlBase.h"
#include "platform/ui/CDataExchange.h"
#include "platform/ui/CEdit.h"
#include "platform/ui/CScrollBar.h"
#include "platform/ui/CWinApp.h"
#include "platform/ui/DialogFont.h"
#include "platform/ui/ModalDialogScript.h"
#include "platform/ui/TemplateControls.h"
#include "platform/ui/WindowEventBridge.h"
#include "platform/ui/WindowStacking.h"

namespace {

// The focus moves between a dialog's controls by mouse, keys and code alike: one
// watch on the application sees them all.
void WatchFocusForDefaultLook(void (*follow)(QWidget*)) {
  static QPointer<QApplication> watched;
  auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
  if (!app || watched == app) return;
  watched = app;
  QObject::connect(app, &QApplication::focusChanged, app, [follow](QWidget*, QWidget* now) { follow(now); });
}

}  // namespace

CDialog::CDialog() = default;

CDialog::CDialog(UINT templateId, CWnd* parent) : m_pParentWnd(parent), m_templateId(templateId) {}

CDialog::~CDialog() {
  QuitModalLoop();
  if (GetSafeHwnd() && QCoreApplication::instance()) DestroyWindow();
}

const DialogTemplate* CDialog::GetTemplate() const {
  if (m_ownTemplate) return m_ownTemplate.get();
  return FindDialogTemplate(m_templateId);
}

// ---------------------------------------------------------------- creation

QWidget* CDialog::CreateWidget(QWidget* parent, const CREATESTRUCT& cs) {
  QWidget* outer = (cs.style & WS_CHILD) ? new QWidget(parent) : new QDialog(parent);
  m_client = outer;
  m_vbar = nullptr;
  m_hbar = nullptr;
  if (cs.style & (WS_VSCROLL | WS_HSCROLL)) {
    // The scroll bars sit beside the client area, outside it, as window scroll bars do.
    auto* grid = new QGridLayout(outer);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    m_client = new QWidget(outer);
    grid->addWidget(m_client, 0, 0);
    if (cs.style & WS_VSCROLL) {
      m_vbar = new QScrollBar(Qt::Vertical, outer);
      grid->addWidget(m_vbar, 0, 1);
    }
    if (cs.style & WS_HSCROLL) {
      m_hbar = new QScrollBar(Qt::Horizontal, outer);
      grid->addWidget(m_hbar, 1, 0);
    }
    m_vrange = ScrollRange();
    m_hrange = ScrollRange();
    if (m_vbar) CScrollBar::ShowRange(m_vbar, m_vrange);
    if (m_hbar) CScrollBar::ShowRange(m_hbar, m_hrange);
  }
  return outer;
}

QWidget* CDialog::ClientWidget() const {
  QWidget* widget = GetWidget();
  return widget && m_client ? m_client.data() : widget;
}

BOOL CDialog::Create(UINT templateId, CWnd* parent) {
  m_templateId = templateId;
  if (parent) m_pParentWnd = parent;
  const DialogTemplate* dialogTemplate = GetTemplate();
  if (!dialogTemplate) return FALSE;
  m_modal = false;
  return CreateFromTemplate(*dialogTemplate, m_pParentWnd);
}

BOOL CDialog::CreateIndirect(const DialogTemplate& dialogTemplate, CWnd* parent) {
  m_ownTemplate = std::make_unique<DialogTemplate>(dialogTemplate);
  m_templateId = dialogTemplate.id;
  if (parent) m_pParentWnd = parent;
  m_modal = false;
  return CreateFromTemplate(*m_ownTemplate, m_pParentWnd);
}

BOOL CDialog::CreateFromTemplate(const DialogTemplate& dialogTemplate, CWnd* parent) {
  if (GetSafeHwnd()) return FALSE;
  const DialogTemplate copy = dialogTemplate;  // the table may be replaced while we build
  const bool child = (copy.style & WS_CHILD) != 0;
  CRect rect = MapDialogUnits(copy.x, copy.y, copy.cx, copy.cy);
  if (!child) {
    // A top-level dialog is placed relative to its owner's client area, or
    // centred (DS_CENTER, or nothing to place it by).
    QRect area = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableGeometry()
                                                   : QRect(0, 0, 1024, 768);
    if (parent && parent->GetWidget()) {
      QWidget* owner = parent->GetWidget()->window();
      area = QRect(owner->mapToGlobal(QPoint(0, 0)), owner->size());
    }
    if ((copy.style & DS_CENTER) || !parent) {
      rect.MoveToXY(area.left() + (area.width() - rect.Width()) / 2, area.top() + (area.height() - rect.Height()) / 2);
    } else {
      rect.OffsetRect(area.left(), area.top());
    }
  }
  m_ended = false;
  m_result = -1;
  m_defId = IDOK;
  m_hasDefaultButton = false;
  m_defaultLookHolder = nullptr;
  WatchFocusForDefaultLook(&CDialog::FollowFocus);
  if (!CreateEx(copy.exStyle, kDialogClass, copy.caption, copy.style & ~WS_VISIBLE, rect, parent,
                child ? m_nIDHelp : 0))
    return FALSE;
  UseDialogFont(GetWidget());
  if (!SendMessage(WM_GETFONT)) SetFont(&DialogFontObject(), FALSE);  // unless given one before
  if (!child) {
    GetWidget()->resize(rect.Width(), rect.Height());
    // A modeless dialog given no owner is owned by the main window, as on the
    // original platform: it stays above it, whoever raises the main window.
    CWnd* main = AfxGetMainWnd();
    if (!parent && !m_modal && main && main != this && main->GetWidget())
      window_stacking::KeepOwnedAbove(*this, *main);
  }
  const HWND self = GetSafeHwnd();
  if (m_vbar) CScrollBar::WireScrollBar(m_vbar, &m_vrange, this, WM_VSCROLL, nullptr);
  if (m_hbar) CScrollBar::WireScrollBar(m_hbar, &m_hrange, this, WM_HSCROLL, nullptr);
  CreateControls(copy);
  const LRESULT focusFirst = SendMessage(WM_INITDIALOG, 0, 0);
  if (!IsWindow(self)) return m_modal ? TRUE : FALSE;
  ApplyTrackingLimits();
  if (focusFirst && !m_ended) {
    for (CWnd* control : GetChildren()) {
      QWidget* widget = control->GetWidget();
      if (widget && (control->GetStyle() & WS_TABSTOP) && !(control->GetStyle() & WS_DISABLED) &&
          (control->GetStyle() & WS_VISIBLE)) {
        widget->setFocus(Qt::OtherFocusReason);
        if (auto* edit = dynamic_cast<CEdit*>(control)) edit->SetSel(0, -1);
        break;
      }
    }
  }
  UpdateDefaultLook();
  if (!m_modal && (copy.style & WS_VISIBLE) && GetSafeHwnd()) ShowWindow(SW_SHOW);
  return TRUE;
}

void CDialog::CreateControls(const DialogTemplate& dialogTemplate) {
  m_defId = CreateTemplateControls(this, dialogTemplate, m_bound, m_ownedControls, m_defId);
  CWnd* button = GetDlgItem(m_defId);
  m_hasDefaultButton = button && (button->GetStyle() & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
  if (m_hasDefaultButton) m_defaultLookHolder = button->GetSafeHwnd();
}

BOOL CDialog::SubclassDlgItem(UINT id, CWnd& control) {
  if (GetDlgItem(id) == &control) return TRUE;
  const HWND replaced = GetDlgItem(id) ? GetDlgItem(id)->GetSafeHwnd() : nullptr;
  if (!ReplaceTemplateControl(this, id, control, m_ownedControls)) return FALSE;
  m_bound[id] = &control;
  // The new control took the old one's style, the default look with it.
  if (replaced && replaced == m_defaultLookHolder) m_defaultLookHolder = control.GetSafeHwnd();
  return TRUE;
}

void CDialog::UseTemplate(const DialogTemplate& dialogTemplate) {
  m_ownTemplate = std::make_unique<DialogTemplate>(dialogTemplate);
  m_templateId = dialogTemplate.id;
}

void CDialog::BindControl(UINT id, CWnd& control) { m_bound[id] = &control; }

// ---------------------------------------------------------------- running

int CDialog::DoModal() {
  const DialogTemplate* dialogTemplate = GetTemplate();
  if (!dialogTemplate || GetSafeHwnd() || !IsUiThread()) return -1;
  m_modal = true;
  if (!CreateFromTemplate(*dialogTemplate, m_pParentWnd)) {
    m_modal = false;
    return -1;
  }
  if (!m_ended && GetSafeHwnd()) {
    QWidget* widget = GetWidget();
    widget->setWindowModality(Qt::ApplicationModal);
    window_stacking::GiveKeyboardBackWhenHidden(widget);
    ShowWindow(SW_SHOW);
    // Above every other window of the program while it is open (a box a worker
    // opened before it too), whatever shows or brings a window forward
    // meanwhile: no window manager need be there to keep it.
    window_stacking::AddOpenModal(widget);
    window_stacking::KeepAbove(widget);
    const HWND self = GetSafeHwnd();
    if (modal_script::Script script = modal_script::Take()) {
      QTimer::singleShot(0, widget, [this, self, script] {
        if (IsWindow(self) && !m_ended) script(*this);
      });
    } else if (const int answer = modal_script::UnscriptedAnswer(); answer != 0) {
      QTimer::singleShot(0, widget, [this, self, answer] {
        if (IsWindow(self) && !m_ended) EndDialog(answer);
      });
    }
    QEventLoop loop;
    m_loop = &loop;
    if (!m_ended && GetSafeHwnd()) loop.exec(QEventLoop::DialogExec);
    m_loop = nullptr;
  }
  const int result = m_result;
  if (GetSafeHwnd()) DestroyWindow();
  m_modal = false;
  return result;
}

void CDialog::EndDialog(int result) {
  m_result = result;
  m_ended = true;
  if (m_modal) {
    if (GetWidget()) GetWidget()->hide();
    QuitModalLoop();
  } else {
    ShowWindow(SW_HIDE);
  }
}

void CDialog::QuitModalLoop() {
  if (m_loop) m_loop->quit();
}

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

void CDialog::OnOK() {
  if (!UpdateData(TRUE)) return;
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
  return RunDataExchange(this, saveAndValidate, [this](CDataExchange* dx) { DoDataExchange(dx); });
}

HBRUSH CDialog::OnCtlColor(CDC*, CWnd*, UINT) { return nullptr; }
void CDialog::OnVScroll(UINT, UINT, CScrollBar*) { Default(); }
void CDialog::OnHScroll(UINT, UINT, CScrollBar*) { Default(); }
BOOL CDialog::OnNotify(WPARAM, LPARAM, LRESULT*) { return FALSE; }
void CDialog::OnGetMinMaxInfo(MINMAXINFO*) {}
UINT CDialog::OnNcHitTest(CPoint) { return HTCLIENT; }

BOOL CDialog::OnCmdMsg(UINT id, int code) {
  if (code == static_cast<int>(BN_CLICKED)) {
    if (id == static_cast<UINT>(IDOK)) {
      OnOK();
      return TRUE;
    }
    if (id == static_cast<UINT>(IDCANCEL)) {
      OnCancel();
      return TRUE;
    }
  }
  return CWnd::OnCmdMsg(id, code);
}

void CDialog::OnClose() { SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); }

LRESULT CDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: return OnInitDialog();
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORDLG: {
      const UINT kind = message - WM_CTLCOLORMSGBOX;
      return reinterpret_cast<LRESULT>(OnCtlColor(reinterpret_cast<CDC*>(wParam),
                                                  CWnd::FromHandle(reinterpret_cast<HWND>(lParam)), kind));
    }
    case WM_VSCROLL:
    case WM_HSCROLL: {
      auto* bar = dynamic_cast<CScrollBar*>(CWnd::FromHandle(reinterpret_cast<HWND>(lParam)));
      if (message == WM_VSCROLL) OnVScroll(LOWORD(wParam), HIWORD(wParam), bar);
      else OnHScroll(LOWORD(wParam), HIWORD(wParam), bar);
      return 0;
    }
    case WM_NOTIFY: {
      LRESULT result = 0;
      OnNotify(wParam, lParam, &result);
      return result;
    }
    case WM_GETMINMAXINFO: OnGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lParam)); return 0;
    case WM_NCHITTEST: return OnNcHitTest(CPoint(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)));
    case DM_GETDEFID: return static_cast<LRESULT>(GetDefID());
    case DM_SETDEFID: SetDefID(static_cast<UINT>(wParam)); return TRUE;
    case WM_DESTROY: {
      // A modal dialog destroyed from outside still ends its loop.
      if (m_loop && !m_ended) {
        m_ended = true;
        m_result = -1;
      }
      QuitModalLoop();
      return CWnd::WindowProc(message, wParam, lParam);
    }
    default: return CWnd::WindowProc(message, wParam, lParam);
  }
}

void CDialog::ApplyTrackingLimits() {
  QWidget* widget = GetWidget();
  if (!widget || (GetStyle() & WS_CHILD)) return;
  MINMAXINFO info;
  info.ptMinTrackSize = POINT{0, 0};
  info.ptMaxTrackSize = POINT{QWIDGETSIZE_MAX, QWIDGETSIZE_MAX};
  SendMessage(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  // The limits count the frame; the widget's own size does not.
  const QSize frame = widget->frameGeometry().size() - widget->size();
  widget->setMinimumSize(std::max(0, static_cast<int>(info.ptMinTrackSize.x) - frame.width()),
                         std::max(0, static_cast<int>(info.ptMinTrackSize.y) - frame.height()));
  widget->setMaximumSize(std::min(QWIDGETSIZE_MAX, static_cast<int>(info.ptMaxTrackSize.x)),
                         std::min(QWIDGETSIZE_MAX, static_cast<int>(info.ptMaxTrackSize.y)));
}

// ---------------------------------------------------------------- keys

bool CDialog::PreTranslateQtEvent(QEvent* event) {
  if (event->type() != QEvent::KeyPress) return false;
  // A key the focused control asked for reaches the dialog only when the control ignored it.
  if (TakeKeyKeptFromDialog(event)) return true;
  auto* key = static_cast<QKeyEvent*>(event);
  const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
  if (mods & (Qt::ControlModifier | Qt::AltModifier)) return false;
  if (key->key() == Qt::Key_Escape) return HandleDialogKey(VK_ESCAPE, false);
  if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
    CWnd* focus = GetFocus();
    if (auto* edit = dynamic_cast<CEdit*>(focus); edit && (edit->GetStyle() & ES_WANTRETURN)) return false;
    return HandleDialogKey(VK_RETURN, false);
  }
  return false;
}

bool CDialog::HandleDialogKey(int virtualKey, bool shift) {
  switch (virtualKey) {
    case VK_ESCAPE: {
      CWnd* cancel = GetDlgItem(IDCANCEL);
      SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                  reinterpret_cast<LPARAM>(cancel ? cancel->GetSafeHwnd() : nullptr));
      return true;
    }
    case VK_RETURN: {
      if (auto* button = dynamic_cast<CButton*>(GetFocus());
          button && IsChild(button) && button->TakesDefaultLook()) {
        button->Click();
        return true;
      }
      PressDefaultButton();
      return true;
    }
    case VK_TAB: MoveToTabStop(!shift); return true;
    default: return false;
  }
}

bool CDialog::MoveFocusOff(CWnd& leaving) {
  QWidget* dialog = GetWidget();
  QWidget* gone = leaving.GetWidget();
  // A page's controls belong to its sheet's default button; a child dialog in
  // another kind of window leaves the focus to that window's ways.
  if (!dialog || !gone || (GetStyle() & WS_CHILD) || OutermostDialog(this) != this) return false;
  const auto takes = [dialog, gone](QWidget* w) {
    return w && w != gone && !gone->isAncestorOf(w) && dialog->isAncestorOf(w) && w->isEnabled() &&
           w->isVisibleTo(dialog) && (w->focusPolicy() & Qt::TabFocus);
  };
  QWidget* next = nullptr;
  if (CWnd* button = m_hasDefaultButton ? GetDlgItem(m_defId) : nullptr; button && takes(button->GetWidget()))
    next = button->GetWidget();
  for (QWidget* w = dialog->nextInFocusChain(); !next && w && w != dialog; w = w->nextInFocusChain()) {
    auto* button = dynamic_cast<CButton*>(CWnd::FromWidget(w));
    if (takes(w) && !(button && button->TakesDefaultLook())) next = w;
  }
  // A field handed the focus selects nothing: the operator did not choose it,
  // and keys typed on would replace its value.
  if (next) {
    next->setFocus(Qt::OtherFocusReason);
  } else if (QWidget* focus = dialog->focusWidget()) {
    focus->clearFocus();
  }
  return true;
}

// The next widget of the dialog that takes the focus by Tab, as Qt's focus
// chain orders them.
void CDialog::MoveToTabStop(bool forward) {
  QWidget* dialog = GetWidget();
  QWidget* focus = dialog ? dialog->focusWidget() : nullptr;
  if (!focus) return;
  for (QWidget* w = forward ? focus->nextInFocusChain() : focus->previousInFocusChain(); w && w != focus;
       w = forward ? w->nextInFocusChain() : w->previousInFocusChain()) {
    if ((w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(dialog) && w->isEnabled() && dialog->isAncestorOf(w)) {
      w->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
      return;
    }
  }
}

void CDialog::PressDefaultButton() {
  const UINT id = LOWORD(GetDefID());
  CWnd* control = GetDlgItem(id);
  if (auto* button = dynamic_cast<CButton*>(control)) {
    if (button->IsWindowEnabled()) button->Click();
    return;
  }
  if (control && !control->IsWindowEnabled()) return;
  SendMessage(WM_COMMAND, MAKEWPARAM(static_cast<int>(id), BN_CLICKED), 0);
}

// ---------------------------------------------------------------- controls

void CDialog::SetDlgItemText(UINT id, const std::string& text) {
  if (CWnd* control = GetDlgItem(id)) control->SetWindowText(text);
}

std::string CDialog::GetDlgItemText(UINT id) const {
  CWnd* control = GetDlgItem(id);
  return control ? control->GetWindowText() : std::string();
}

void CDialog::SetDlgItemInt(UINT id, int value, BOOL isSigned) {
  SetDlgItemText(id, isSigned ? std::to_string(value) : std::to_string(static_cast<UINT>(value)));
}

UINT CDialog::GetDlgItemInt(UINT id, BOOL* translated, BOOL isSigned) const {
  const std::string text = GetDlgItemText(id);
  char* end = nullptr;
  const long long value = std::strtoll(text.c_str(), &end, 10);
  const bool ok = !text.empty() && end && *end == '\0' && (isSigned || value >= 0);
  if (translated) *translated = ok ? TRUE : FALSE;
  return ok ? static_cast<UINT>(value) : 0;
}

void CDialog::CheckDlgButton(UINT id, UINT check) {
  if (auto* button = dynamic_cast<CButton*>(GetDlgItem(id))) button->SetCheck(static_cast<int>(check));
}

UINT CDialog::IsDlgButtonChecked(UINT id) const {
  auto* button = dynamic_cast<CButton*>(GetDlgItem(id));
  return button ? static_cast<UINT>(button->GetCheck()) : 0;
}

void CDialog::CheckRadioButton(UINT firstId, UINT lastId, UINT checkId) {
  for (UINT id = firstId; id <= lastId; ++id) CheckDlgButton(id, id == checkId ? BST_CHECKED : BST_UNCHECKED);
}

void CDialog::SetDefID(UINT id) {
  m_defId = id;
  m_hasDefaultButton = true;
  UpdateDefaultLook();
}

void CDialog::UpdateDefaultLook() {
  QWidget* widget = GetWidget();
  if (!widget || OutermostDialog(this) != this) return;
  // The focus this dialog keeps, also while another window is active.
  CButton* target = dynamic_cast<CButton*>(CWnd::FromWidget(widget->focusWidget()));
  if (!target || !IsChild(target) || !target->TakesDefaultLook()) {
    target = m_hasDefaultButton ? dynamic_cast<CButton*>(GetDlgItem(m_defId)) : nullptr;
  }
  auto* holder = dynamic_cast<CButton*>(CWnd::FromHandle(m_defaultLookHolder));
  if (holder == target) return;
  m_defaultLookHolder = target ? target->GetSafeHwnd() : nullptr;
  if (holder) holder->SetDefaultLook(false);
  if (target) target->SetDefaultLook(true);
}

CDialog* CDialog::OutermostDialog(CWnd* window) {
  CDialog* outermost = nullptr;
  for (CWnd* w = window; w; w = (w->GetStyle() & WS_CHILD) ? w->GetParent() : nullptr) {
    if (auto* dialog = dynamic_cast<CDialog*>(w)) outermost = dialog;
  }
  return outermost;
}

void CDialog::FollowFocus(QWidget* focus) {
  if (CDialog* dialog = OutermostDialog(CWnd::FromWidget(focus))) dialog->UpdateDefaultLook();
}

DWORD CDialog::GetDefID() const { return static_cast<DWORD>(MAKELPARAM(static_cast<int>(m_defId), DC_HASDEFID)); }

void CDialog::GotoDlgCtrl(CWnd* control) {
  if (!control || !control->GetWidget()) return;
  control->GetWidget()->setFocus(Qt::TabFocusReason);
  if (auto* edit = dynamic_cast<CEdit*>(control)) edit->SetSel(0, -1);
}

void CDialog::NextDlgCtrl() {
  if (QWidget* widget = GetWidget()) {
    if (QWidget* focus = widget->focusWidget()) focus->nextInFocusChain()->setFocus(Qt::TabFocusReason);
  }
}

void CDialog::PrevDlgCtrl() {
  if (QWidget* widget = GetWidget()) {
    if (QWidget* focus = widget->focusWidget()) focus->previousInFocusChain()->setFocus(Qt::BacktabFocusReason);
  }
}

void CDialog::MapDialogRect(LPRECT rect) const {
  if (!rect) return;
  rect->left = DialogUnitsToPixelsX(rect->left);
  rect->right = DialogUnitsToPixelsX(rect->right);
  rect->top = DialogUnitsToPixelsY(rect->top);
  rect->bottom = DialogUnitsToPixelsY(rect->bottom);
}

// ---------------------------------------------------------------- window scroll bars

QScrollBar* CDialog::WindowBar(int bar) const { return bar == SB_VERT ? m_vbar : bar == SB_HORZ ? m_hbar : nullptr; }

ScrollRange* CDialog::WindowRange(int bar) { return bar == SB_VERT ? &m_vrange : bar == SB_HORZ ? &m_hrange : nullptr; }

BOOL CDialog::SetScrollInfo(int bar, LPSCROLLINFO info, BOOL) {
  ScrollRange* range = WindowRange(bar);
  if (!info || !range) return FALSE;
  range->Set(*info);
  if (QScrollBar* qbar = WindowBar(bar)) {
    CScrollBar::ShowRange(qbar, *range);
    if (info->fMask & SIF_DISABLENOSCROLL) qbar->setEnabled(!range->NothingToScroll());
  }
  return TRUE;
}

BOOL CDialog::GetScrollInfo(int bar, LPSCROLLINFO info, UINT mask) {
  ScrollRange* range = WindowRange(bar);
  if (!info || !range) return FALSE;
  info->fMask = mask;
  range->Get(*info);
  return TRUE;
}

int CDialog::SetScrollPos(int bar, int pos, BOOL) {
  ScrollRange* range = WindowRange(bar);
  if (!range) return 0;
  const int previous = range->SetPos(pos);
  if (QScrollBar* qbar = WindowBar(bar)) CScrollBar::ShowRange(qbar, *range);
  return previous;
}

int CDialog::GetScrollPos(int bar) const {
  return bar == SB_VERT ? m_vrange.Pos() : bar == SB_HORZ ? m_hrange.Pos() : 0;
}

int CDialog::GetScrollLimit(int bar) const {
  return bar == SB_VERT ? m_vrange.MaxPos() : bar == SB_HORZ ? m_hrange.MaxPos() : 0;
}

void CDialog::EnableScrollBarCtrl(int bar, BOOL enable) {
  if (QScrollBar* qbar = WindowBar(bar)) qbar->setEnabled(enable != FALSE);
}

void CDialog::ScrollWindow(int dx, int dy) {
  for (CWnd* child : GetChildren()) {
    if (QWidget* widget = child->GetWidget()) widget->move(widget->pos() + QPoint(dx, dy));
  }
  if (QWidget* client = ClientWidget()) client->update();
}
