#include "platform/ui/CListBox.h"

#include <QListWidget>
#include <QScrollBar>

#include "platform/base/Text.h"

namespace {
QListWidget* List(QWidget* widget) { return qobject_cast<QListWidget*>(widget); }
}  // namespace

QWidget* CListBox::CreateWidget(QWidget* parent, const CREATESTRUCT& cs) {
  auto* list = new QListWidget(parent);
  m_itemData.clear();
  m_extent = 0;
  if (cs.style & LBS_EXTENDEDSEL) list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  else if (cs.style & LBS_MULTIPLESEL) list->setSelectionMode(QAbstractItemView::MultiSelection);
  else list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setHorizontalScrollBarPolicy((cs.style & WS_HSCROLL) ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
  if (cs.style & LBS_NOTIFY) {
    QObject::connect(list, &QListWidget::itemPressed, list, [this, list](QListWidgetItem*) {
      if (GetWidget() == list) NotifyParent(LBN_SELCHANGE);
    });
    QObject::connect(list, &QListWidget::itemDoubleClicked, list, [this, list](QListWidgetItem*) {
      if (GetWidget() == list) NotifyParent(LBN_DBLCLK);
    });
  }
  return list;
}

int CListBox::AddString(const std::string& text) {
  QListWidget* list = List(GetWidget());
  if (!list) return LB_ERR;
  int index = list->count();
  if (GetStyle() & LBS_SORT) {
    index = 0;
    while (index < list->count() && ruv::CompareNoCase(list->item(index)->text().toStdString(), text) <= 0) ++index;
  }
  return InsertString(index, text);
}

int CListBox::InsertString(int index, const std::string& text) {
  QListWidget* list = List(GetWidget());
  if (!list) return LB_ERR;
  if (index < 0 || index > list->count()) index = list->count();
  list->insertItem(index, QString::fromStdString(text));
  m_itemData.insert(m_itemData.begin() + index, 0);
  return index;
}

int CListBox::DeleteString(UINT index) {
  QListWidget* list = List(GetWidget());
  if (!list || index >= static_cast<UINT>(list->count())) return LB_ERR;
  delete list->takeItem(static_cast<int>(index));
  m_itemData.erase(m_itemData.begin() + index);
  return list->count();
}

void CListBox::ResetContent() {
  if (QListWidget* list = List(GetWidget())) list->clear();
  m_itemData.clear();
}

int CListBox::GetCount() const {
  QListWidget* list = List(GetWidget());
  return list ? list->count() : LB_ERR;
}

int CListBox::GetCurSel() const {
  QListWidget* list = List(GetWidget());
  if (!list) return LB_ERR;
  const auto selected = list->selectedItems();
  if (list->selectionMode() == QAbstractItemView::SingleSelection)
    return selected.isEmpty() ? LB_ERR : list->row(selected.front());
  return list->currentRow() < 0 ? LB_ERR : list->currentRow();
}

int CListBox::SetCurSel(int index) {
  QListWidget* list = List(GetWidget());
  if (!list) return LB_ERR;
  if (index < 0 || index >= list->count()) {
    list->clearSelection();
    list->setCurrentRow(-1);
    return LB_ERR;
  }
  list->setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
  return index;
}

int CListBox::GetSel(int index) const {
  QListWidget* list = List(GetWidget());
  if (!list || index < 0 || index >= list->count()) return LB_ERR;
  return list->item(index)->isSelected() ? 1 : 0;
}

int CListBox::SetSel(int index, BOOL select) {
  QListWidget* list = List(GetWidget());
  if (!list) return LB_ERR;
  if (index == -1) {
    for (int i = 0; i < list->count(); ++i) list->item(i)->setSelected(select != FALSE);
    return 0;
  }
  if (index < 0 || index >= list->count()) return LB_ERR;
  list->item(index)->setSelected(select != FALSE);
  return 0;
}

int CListBox::GetSelCount() const {
  QListWidget* list = List(GetWidget());
  return list ? static_cast<int>(list->selectedItems().size()) : LB_ERR;
}

int CListBox::GetText(int index, std::string& text) const {
  QListWidget* list = List(GetWidget());
  if (!list || index < 0 || index >= list->count()) return LB_ERR;
  text = list->item(index)->text().toStdString();
  return static_cast<int>(text.size());
}

std::string CListBox::GetText(int index) const {
  std::string text;
  GetText(index, text);
  return text;
}

int CListBox::SetItemData(int index, std::uintptr_t data) {
  if (index < 0 || index >= static_cast<int>(m_itemData.size())) return LB_ERR;
  m_itemData[index] = data;
  return 0;
}

std::uintptr_t CListBox::GetItemData(int index) const {
  if (index < 0 || index >= static_cast<int>(m_itemData.size())) return static_cast<std::uintptr_t>(LB_ERR);
  return m_itemData[index];
}

int CListBox::FindString(int startAfter, const std::string& prefix) const {
  const int count = GetCount();
  for (int step = 1; step <= count; ++step) {
    const int index = ((startAfter < 0 ? -1 : startAfter) + step) % count;
    if (ruv::StartsWithNoCase(GetText(index), prefix)) return index;
  }
  return LB_ERR;
}

int CListBox::FindStringExact(int startAfter, const std::string& text) const {
  const int count = GetCount();
  for (int step = 1; step <= count; ++step) {
    const int index = ((startAfter < 0 ? -1 : startAfter) + step) % count;
    if (ruv::EqualsNoCase(GetText(index), text)) return index;
  }
  return LB_ERR;
}

int CListBox::GetTopIndex() const {
  QListWidget* list = List(GetWidget());
  if (!list || list->count() == 0) return 0;
  QListWidgetItem* item = list->itemAt(2, 2);
  return item ? list->row(item) : 0;
}

int CListBox::SetTopIndex(int index) {
  QListWidget* list = List(GetWidget());
  if (!list || index < 0 || index >= list->count()) return LB_ERR;
  list->scrollToItem(list->item(index), QAbstractItemView::PositionAtTop);
  return 0;
}

void CListBox::SetHorizontalExtent(int extent) {
  m_extent = std::max(0, extent);
  if (QListWidget* list = List(GetWidget())) {
    // The extent is how wide the items may be drawn; the view scrolls to show it.
    list->horizontalScrollBar()->setRange(0, std::max(0, m_extent - list->viewport()->width()));
  }
}

int CListBox::GetHorizontalScrollLimit() const {
  QListWidget* list = List(GetWidget());
  if (!list || !(GetStyle() & WS_HSCROLL)) return 0;
  return std::max(0, m_extent - list->viewport()->width());
}

int CListBox::GetHorizontalScrollPos() const {
  QListWidget* list = List(GetWidget());
  return list ? list->horizontalScrollBar()->value() : 0;
}
