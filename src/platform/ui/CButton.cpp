#include "platform/ui/CButton.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>

#include "platform/ui/CDC.h"

namespace {

DWORD TypeOf(DWORD style) { return style & BS_TYPEMASK; }
bool IsCheckType(DWORD type) {
  return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE || type == BS_AUTO3STATE;
}
bool IsRadioType(DWORD type) { return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON; }

}  // namespace

// A push button whose face the CButton draws (BS_OWNERDRAW).
class OwnerDrawButtonWidget : public QPushButton {
 public:
  OwnerDrawButtonWidget(CButton* owner, QWidget* parent) : QPushButton(parent), m_owner(owner) {}
  void Detach() { m_owner = nullptr; }

 protected:
  void paintEvent(QPaintEvent* event) override {
    // The type is read at each paint: a button may become owner-drawn later.
    if (m_owner && CWnd::FromWidget(this) == m_owner && (m_owner->GetStyle() & BS_TYPEMASK) == BS_OWNERDRAW) {
      QPainter painter(this);
      m_owner->PaintOwnerDrawn(painter);
      return;
    }
    QPushButton::paintEvent(event);
    // Qt marks the focus only after keyboard use; the operator must see which
    // button Return presses after a click too.
    if (hasFocus()) {
      QPainter painter(this);
      CButton::DrawFocusMark(painter, *this);
    }
  }

 private:
  CButton* m_owner;
};

QWidget* CButton::CreateWidget(QWidget* parent, const CREATESTRUCT& cs) {
  const QString text = QString::fromStdString(cs.lpszName);
  const DWORD type = TypeOf(cs.style);
  QAbstractButton* button = nullptr;
  if (type == BS_GROUPBOX) {
    auto* group = new QGroupBox(text, parent);
    return group;
  }
  if (IsCheckType(type)) {
    auto* box = new QCheckBox(text, parent);
    box->setTristate(type == BS_3STATE || type == BS_AUTO3STATE);
    button = box;
  } else if (IsRadioType(type)) {
    button = new QRadioButton(text, parent);
    button->setAutoExclusive(false);  // groups follow WS_GROUP, handled here
  } else {
    auto* push = new OwnerDrawButtonWidget(this, parent);
    push->setText(text);
    push->setAutoDefault(false);
    push->setDefault(type == BS_DEFPUSHBUTTON);
    button = push;
  }
  button->setFocusPolicy((cs.style & WS_TABSTOP) || type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON ? Qt::StrongFocus
                                                                                                     : Qt::TabFocus);
  QObject::connect(button, &QAbstractButton::clicked, button, [this, button] {
    if (GetWidget() == button) HandleClicked();
  });
  QObject::connect(button, &QAbstractButton::pressed, button, [this, button] {
    if (GetWidget() == button) m_pushed = true;
  });
  QObject::connect(button, &QAbstractButton::released, button, [this, button] {
    if (GetWidget() == button) m_pushed = false;
  });
  m_check = BST_UNCHECKED;
  return button;
}

void CButton::HandleClicked() {
  auto* button = qobject_cast<QAbstractButton*>(GetWidget());
  const DWORD type = TypeOf(GetStyle());
  if (button && IsCheckType(type)) {
    if (type == BS_AUTOCHECKBOX) {
      m_check = m_check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
    } else if (type == BS_AUTO3STATE) {
      m_check = (m_check + 1) % 3;
    }
    ApplyCheck(m_check);  // a manual box keeps its state until its owner sets it
  } else if (button && type == BS_AUTORADIOBUTTON) {
    // The auto radios of this group: from the last WS_GROUP start before this
    // button up to the next one.
    CWnd* parent = GetParent();
    if (parent) {
      const std::vector<CWnd*> siblings = parent->GetChildren();
      std::size_t self = 0;
      while (self < siblings.size() && siblings[self] != this) ++self;
      std::size_t first = self;
      while (first > 0 && !(siblings[first]->GetStyle() & WS_GROUP)) --first;
      for (std::size_t i = first; i < siblings.size(); ++i) {
        if (i > first && (siblings[i]->GetStyle() & WS_GROUP)) break;
        auto* radio = dynamic_cast<CButton*>(siblings[i]);
        if (radio && radio != this && TypeOf(radio->GetStyle()) == BS_AUTORADIOBUTTON) radio->SetCheck(BST_UNCHECKED);
      }
    }
    SetCheck(BST_CHECKED);
  } else if (button && type == BS_RADIOBUTTON) {
    ApplyCheck(m_check);
  }
  NotifyParent(BN_CLICKED);
}

void CButton::Click() {
  if (auto* button = qobject_cast<QAbstractButton*>(GetWidget())) {
    if (button->isEnabled()) HandleClicked();
  }
}

int CButton::GetCheck() const { return m_check; }

void CButton::SetCheck(int check) {
  if (GetSafeHwnd()) SendMessage(BM_SETCHECK, static_cast<WPARAM>(check), 0);
  else m_check = check;
}

void CButton::ApplyCheck(int check) {
  m_check = check;
  if (auto* box = qobject_cast<QCheckBox*>(GetWidget())) {
    box->setCheckState(check == BST_CHECKED ? Qt::Checked : check == BST_INDETERMINATE ? Qt::PartiallyChecked
                                                                                       : Qt::Unchecked);
  } else if (auto* radio = qobject_cast<QRadioButton*>(GetWidget())) {
    radio->setChecked(check == BST_CHECKED);
  } else if (GetWidget()) {
    GetWidget()->update();
  }
}

UINT CButton::GetState() const {
  UINT state = static_cast<UINT>(m_check) & 0x3;
  if (m_pushed) state |= 0x4;
  if (GetWidget() && GetWidget()->hasFocus()) state |= 0x8;
  return state;
}

void CButton::SetState(BOOL pushed) {
  if (GetSafeHwnd()) SendMessage(BM_SETSTATE, pushed, 0);
  else m_pushed = pushed != FALSE;
}

void CButton::SetButtonStyle(UINT style, BOOL redraw) {
  if (GetSafeHwnd()) SendMessage(BM_SETSTYLE, style, redraw);
  else ModifyStyle(0xFFFF, style & 0xFFFF);
}

LRESULT CButton::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case BM_GETCHECK: return m_check;
    case BM_SETCHECK: ApplyCheck(static_cast<int>(wParam)); return 0;
    case BM_GETSTATE: return GetState();
    case BM_SETSTATE:
      m_pushed = wParam != 0;
      if (auto* button = qobject_cast<QAbstractButton*>(GetWidget())) button->setDown(m_pushed);
      return 0;
    case BM_SETSTYLE: ApplyStyle(static_cast<UINT>(wParam), static_cast<BOOL>(lParam)); return 0;
    case BM_CLICK: Click(); return 0;
    default: return CControlBase::WindowProc(message, wParam, lParam);
  }
}

void CButton::ApplyStyle(UINT style, BOOL redraw) {
  const DWORD before = GetStyle();
  ModifyStyle(0xFFFF, style & 0xFFFF);
  auto* push = qobject_cast<QPushButton*>(GetWidget());
  const DWORD newType = TypeOf(style);
  (void)before;
  if (push && (newType == BS_PUSHBUTTON || newType == BS_DEFPUSHBUTTON)) push->setDefault(newType == BS_DEFPUSHBUTTON);
  if (redraw && GetWidget()) GetWidget()->update();
}

bool CButton::TakesDefaultLook() const {
  const DWORD type = TypeOf(GetStyle());
  return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON || type == BS_OWNERDRAW;
}

void CButton::SetDefaultLook(bool isDefault) {
  // As the dialog manager does: push buttons, owner-drawn ones included, are told
  // their new type (an owner-drawn button keeps its own type if it wants).
  if (!TakesDefaultLook()) return;
  SetButtonStyle((GetStyle() & ~BS_TYPEMASK & 0xFFFF) | (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON));
  // An owner-drawn button's type stays, so its widget is told here (ODS_DEFAULT).
  if (auto* push = qobject_cast<QPushButton*>(GetWidget())) push->setDefault(isDefault);
}

void CButton::DrawFocusMark(QPainter& painter, const QWidget& button) {
  const QRect mark = button.rect().adjusted(4, 4, -5, -5);
  if (mark.width() < 1 || mark.height() < 1) return;
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setPen(QPen(button.palette().color(QPalette::ButtonText), 1, Qt::DotLine));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(mark);
  painter.restore();
}

void CButton::DrawItem(LPDRAWITEMSTRUCT) {}

void CButton::PaintOwnerDrawn(QPainter& painter) {
  QWidget* widget = GetWidget();
  CDC dc;
  dc.AttachPainter(&painter);
  DRAWITEMSTRUCT item;
  item.CtlID = GetDlgCtrlID();
  item.hwndItem = GetSafeHwnd();
  item.hDC = &dc;
  item.rcItem = RECT{0, 0, widget->width(), widget->height()};
  if (m_pushed) item.itemState |= ODS_SELECTED;
  if (!widget->isEnabled()) item.itemState |= ODS_DISABLED;
  if (widget->hasFocus()) item.itemState |= ODS_FOCUS;
  if (auto* push = qobject_cast<QPushButton*>(widget); push && push->isDefault()) item.itemState |= ODS_DEFAULT;
  DrawItem(&item);
  dc.Detach();
}

void CButton::ApplyTextToWidget(const std::string& text) {
  if (auto* group = qobject_cast<QGroupBox*>(GetWidget())) group->setTitle(QString::fromStdString(text));
  else if (auto* button = qobject_cast<QAbstractButton*>(GetWidget())) {
    button->setText(QString::fromStdString(text));
    if (TypeOf(GetStyle()) == BS_OWNERDRAW) button->update();
  }
}

std::string CButton::TextFromWidget() const {
  if (auto* group = qobject_cast<QGroupBox*>(GetWidget())) return group->title().toStdString();
  if (auto* button = qobject_cast<QAbstractButton*>(GetWidget())) return button->text().toStdString();
  return CWnd::TextFromWidget();
}
