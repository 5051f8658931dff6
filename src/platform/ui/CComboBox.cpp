#include "platform/ui/CComboBox.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>

#include "platform/base/Text.h"

class ComboWidget : public QComboBox {
 public:
  ComboWidget(CComboBox* owner, QWidget* parent) : QComboBox(parent), m_owner(owner) {}
  void showPopup() override {
    if (m_owner && CWnd::FromWidget(this) == m_owner) m_owner->PopupAboutToShow();
    if (m_owner && CWnd::FromWidget(this) == m_owner) {
      const int wanted = m_owner->m_droppedWidth;
      view()->setMinimumWidth(std::max(wanted, width()));
    }
    QComboBox::showPopup();
  }
  void hidePopup() override {
    QComboBox::hidePopup();
    if (m_owner && CWnd::FromWidget(this) == m_owner) m_owner->NotifyParent(CBN_CLOSEUP);
  }

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    // A closed box leaves Return to its dialog (the default button), as the
    // platform's does; Qt's editable box would keep it for itself.
    const bool plain = !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !view()->isVisible()) {
      event->ignore();
      return;
    }
    QComboBox::keyPressEvent(event);
  }

 private:
  CComboBox* m_owner;
};

QWidget* CComboBox::CreateWidget(QWidget* parent, const CREATESTRUCT& cs) {
  auto* combo = new ComboWidget(this, parent);
  const DWORD type = cs.style & CBS_TYPEMASK;
  combo->setEditable(type == CBS_DROPDOWN || type == CBS_SIMPLE);
  combo->setInsertPolicy(QComboBox::NoInsert);
  combo->setMaxVisibleItems(12);
  m_itemData.clear();
  m_droppedWidth = 0;
  // A template gives the height with the list open; the closed box keeps its own.
  QObject::connect(combo, &QComboBox::activated, combo, [this, combo](int) {
    if (GetWidget() == combo) NotifyParent(CBN_SELCHANGE);
  });
  if (combo->isEditable()) {
    combo->lineEdit()->setText(QString::fromStdString(cs.lpszName));
    QObject::connect(combo->lineEdit(), &QLineEdit::textEdited, combo, [this, combo](const QString&) {
      if (GetWidget() != combo) return;
      NotifyParent(CBN_EDITUPDATE);
      if (GetWidget()) NotifyParent(CBN_EDITCHANGE);
    });
  }
  return combo;
}

void CComboBox::PopupAboutToShow() { NotifyParent(CBN_DROPDOWN); }

int CComboBox::AddString(const std::string& text) {
  auto* combo = qobject_cast<QComboBox*>(GetWidget());
  if (!combo) return CB_ERR;
  int index = combo->count();
  if (GetStyle() & CBS_SORT) {
    index = 0;
    while (index < combo->count() && ruv::CompareNoCase(combo->itemText(index).toStdString(), text) <= 0) ++index;
  }
  return InsertString(index, text);
}

int CComboBox::InsertString(int index, const std::string& text) {
  auto* combo = qobject_cast<QComboBox*>(GetWidget());
  if (!combo) return CB_ERR;
  if (index < 0 || index > combo->count()) index = combo->count();
  m_quiet = true;
  const QString editText = combo->isEditable() ? combo->currentText() : QString();
  combo->insertItem(index, QString::fromStdString(text));
  if (combo->count() == 1) combo->setCurrentIndex(-1);  // a new list selects nothing
  if (combo->isEditable()) combo->setEditText(editText);
  m_quiet = false;
  m_itemData.insert(m_itemData.begin() + index, 0);
  return index;
}

int CComboBox::DeleteString(UINT index) {
  auto* combo = qobject_cast<QComboBox*>(GetWidget());
  if (!combo || index >= static_cast<UINT>(combo->count())) return CB_ERR;
  m_quiet = true;
  combo->removeItem(static_cast<int>(index));
  m_quiet = false;
  m_itemData.erase(m_itemData.begin() + index);
  return combo->count();
}

void CComboBox::ResetContent() {
  auto* combo = qobject_cast<QComboBox*>(GetWidget());
  if (!combo) return;
  m_quiet = true;
  combo->clear();
  m_quiet = false;
  m_itemData.clear();
}

int CComboBox::GetCount() const {
  auto* combo = qobject_cast<QComboBox*>(GetWidget());
  return combo ? combo->count() : CB_ERR;
}

int CComboBox::GetCurSel() const {
  auto* combo = qobject_cast<QComboBox*>(GetWidget());
  return combo ? combo->currentIndex() : CB_ERR;
}

int CComboBox::SetCurSel(int index) {
  auto* combo = qobject_cast<QComboBox*>(GetWidget());
  if (!combo) return CB_ERR;
  if (index >= combo->count() || index < -1) index = -1;
  combo->setCurrentIndex(index);
  if (index < 0 && combo->isEditable()) combo->setEditText(QString());
  return index < 0 ? CB_ERR : index;
}

int CComboBox::GetLBText(int index, std::string& text) const {
  auto* combo = qobject_cast<QComboBox*>(GetWidget());
  if (!combo || index < 0 || index >= combo->count()) return CB_ERR;
  text = combo->itemText(index).toStdString();
  return static_cast<int>(text.size());
}

std::string CComboBox::GetLBText(int index) const {
  std::string text;
  GetLBText(index, text);
  return text;
}

int CComboBox::GetLBTextLen(int index) const {
  std::string text;
  return GetLBText(index, text);
}

int CComboBox::SetItemData(int index, std::uintptr_t data) {
  if (index < 0 || index >= static_cast<int>(m_itemData.size())) return CB_ERR;
  m_itemData[index] = data;
  return 0;
}

std::uintptr_t CComboBox::GetItemData(int index) const {
  if (index < 0 || index >= static_cast<int>(m_itemData.size())) return static_cast<std::uintptr_t>(CB_ERR);
  return m_itemData[index];
}

int CComboBox::FindString(int startAfter, const std::string& prefix) const {
  auto* combo = qobject_cast<QComboBox*>(GetWidget());
  if (!combo) return CB_ERR;
  const int count = combo->count();
  for (int step = 1; step <= count; ++step) {
    const int index = ((startAfter < 0 ? -1 : startAfter) + step) % count;
    if (ruv::StartsWithNoCase(combo->itemText(index).toStdString(), prefix)) return index;
  }
  return CB_ERR;
}

int CComboBox::FindStringExact(int startAfter, const std::string& text) const {
  auto* combo = qobject_cast<QComboBox*>(GetWidget());
  if (!combo) return CB_ERR;
  const int count = combo->count();
  for (int step = 1; step <= count; ++step) {
    const int index = ((startAfter < 0 ? -1 : startAfter) + step) % count;
    if (ruv::EqualsNoCase(combo->itemText(index).toStdString(), text)) return index;
  }
  return CB_ERR;
}

int CComboBox::SelectString(int startAfter, const std::string& prefix) {
  const int index = FindString(startAfter, prefix);
  if (index != CB_ERR) SetCurSel(index);
  return index;
}

int CComboBox::SetDroppedWidth(UINT width) {
  if (!GetWidget()) return CB_ERR;
  m_droppedWidth = static_cast<int>(width);
  return m_droppedWidth;
}

int CComboBox::GetDroppedWidth() const {
  auto* combo = qobject_cast<QComboBox*>(GetWidget());
  if (!combo) return CB_ERR;
  return std::max(m_droppedWidth, combo->width());
}

void CComboBox::ShowDropDown(BOOL show) {
  auto* combo = qobject_cast<QComboBox*>(GetWidget());
  if (!combo) return;
  if (show) combo->showPopup();
  else combo->hidePopup();
}

BOOL CComboBox::GetDroppedState() const {
  auto* combo = qobject_cast<QComboBox*>(GetWidget());
  return combo && combo->view()->isVisible() ? TRUE : FALSE;
}

void CComboBox::SetEditSel(int start, int end) {
  auto* combo = qobject_cast<QComboBox*>(GetWidget());
  if (!combo || !combo->lineEdit()) return;
  const int length = static_cast<int>(combo->lineEdit()->text().size());
  if (end < 0 || end > length) end = length;
  combo->lineEdit()->setSelection(std::clamp(start, 0, length), end - std::clamp(start, 0, length));
}

void CComboBox::LimitText(int maxChars) {
  auto* combo = qobject_cast<QComboBox*>(GetWidget());
  if (combo && combo->lineEdit()) combo->lineEdit()->setMaxLength(maxChars <= 0 ? 32767 : maxChars);
}

void CComboBox::ApplyTextToWidget(const std::string& text) {
  auto* combo = qobject_cast<QComboBox*>(GetWidget());
  if (!combo) return;
  if (combo->isEditable()) combo->setEditText(QString::fromStdString(text));
}

std::string CComboBox::TextFromWidget() const {
  auto* combo = qobject_cast<QComboBox*>(GetWidget());
  if (!combo) return CWnd::TextFromWidget();
  return combo->currentText().toStdString();
}
