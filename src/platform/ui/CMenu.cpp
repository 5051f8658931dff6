#include "platform/ui/CMenu.h"

#include <QAction>
#include <QMenu>
#include <QMainWindow>
#include <QMenuBar>
#include <mutex>
#include <set>
#include <unordered_map>
#include <vector>

#include "platform/ui/CWnd.h"
#include "platform/ui/WinMessages.h"

struct MenuItemData {
  UINT id = 0;
  std::string text;
  UINT flags = MF_STRING;
  std::shared_ptr<MenuNode> popup;
};

struct MenuNode {
  std::vector<MenuItemData> items;
  HMENU handle = nullptr;
  CMenu::UpdateHandler update;
  ~MenuNode();
};

namespace {

constexpr UINT kNoItem = 0xFFFFFFFFu;
constexpr UINT kStateBits = MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_HILITE | MF_DEFAULT | MFT_RADIOCHECK;

// Made on first use and never destroyed: objects built during static
// initialisation or destroyed at exit may still need it.
std::mutex& RegistryMutex() {
  static auto* mutex = new std::mutex();
  return *mutex;
}
std::unordered_map<std::uintptr_t, std::weak_ptr<MenuNode>>& Registry() {
  static auto* registry = new std::unordered_map<std::uintptr_t, std::weak_ptr<MenuNode>>();
  return *registry;
}
std::unordered_map<std::uintptr_t, std::shared_ptr<MenuNode>>& KeptByHandle() {
  static auto* kept = new std::unordered_map<std::uintptr_t, std::shared_ptr<MenuNode>>();
  return *kept;
}
std::uintptr_t g_nextMenuHandle = 0x40000;

// Made on first use and never destroyed: objects built during static
// initialisation or destroyed at exit may still need it.
std::mutex& ChooserMutex() {
  static auto* mutex = new std::mutex();
  return *mutex;
}
PopupMenuChooser& Chooser() {
  static auto* chooser = new PopupMenuChooser();
  return *chooser;
}

std::uintptr_t Key(HMENU h) { return reinterpret_cast<std::uintptr_t>(h); }

std::shared_ptr<MenuNode> NewNode() {
  auto node = std::make_shared<MenuNode>();
  std::lock_guard<std::mutex> lock(RegistryMutex());
  std::uintptr_t key = g_nextMenuHandle;
  g_nextMenuHandle += 4;
  node->handle = reinterpret_cast<HMENU>(key);
  Registry()[key] = node;
  return node;
}

std::shared_ptr<MenuNode> Lookup(HMENU handle) {
  std::lock_guard<std::mutex> lock(RegistryMutex());
  auto it = Registry().find(Key(handle));
  return it == Registry().end() ? nullptr : it->second.lock();
}

// Destroys a menu and its pop-ups: handles die and items go.
void DestroyTree(const std::shared_ptr<MenuNode>& node) {
  std::vector<MenuItemData> items;
  items.swap(node->items);
  for (auto& item : items) {
    if (item.popup) DestroyTree(item.popup);
  }
  std::shared_ptr<MenuNode> kept;
  {
    std::lock_guard<std::mutex> lock(RegistryMutex());
    Registry().erase(Key(node->handle));
    auto it = KeptByHandle().find(Key(node->handle));
    if (it != KeptByHandle().end()) {
      kept = std::move(it->second);
      KeptByHandle().erase(it);
    }
  }
}

void BuildFromTable(const std::shared_ptr<MenuNode>& node, const MenuTable& table) {
  for (const MenuTableItem& entry : table) {
    MenuItemData item;
    item.id = entry.id;
    item.text = entry.text;
    item.flags = entry.flags;
    if (entry.flags & MF_POPUP) {
      item.id = 0;
      item.popup = NewNode();
      BuildFromTable(item.popup, entry.popup);
    }
    node->items.push_back(std::move(item));
  }
}

// The item named by command (searched through pop-ups too) or by position.
MenuItemData* FindItem(MenuNode* node, UINT item, UINT flags, MenuNode** owner = nullptr) {
  if (!node) return nullptr;
  if (flags & MF_BYPOSITION) {
    if (item >= node->items.size()) return nullptr;
    if (owner) *owner = node;
    return &node->items[item];
  }
  for (auto& entry : node->items) {
    if (!entry.popup && !(entry.flags & MF_SEPARATOR) && entry.id == item) {
      if (owner) *owner = node;
      return &entry;
    }
  }
  for (auto& entry : node->items) {
    if (entry.popup) {
      if (MenuItemData* found = FindItem(entry.popup.get(), item, flags, owner)) return found;
    }
  }
  return nullptr;
}

// The update step for one item: the fields start as the item's state and are
// applied back afterwards, whether a handler called Enable/SetCheck/... or set
// the fields itself.
void UpdateItem(MenuNode* node, size_t index, HWND owner, const CMenu::UpdateHandler& handler) {
  MenuItemData& item = node->items[index];
  CCmdUI ui(item.id);
  ui.m_enabled = !(item.flags & (MF_GRAYED | MF_DISABLED));
  ui.m_check = (item.flags & MF_CHECKED) ? 1 : 0;
  ui.m_default = (item.flags & MF_DEFAULT) != 0;
  if (handler) {
    handler(ui);
  } else if (CWnd* window = IsUiThread() ? CWnd::FromHandle(owner) : nullptr) {
    window->OnUpdateCmdUI(&ui);
  }
  if (index >= node->items.size()) return;  // the handler took items away
  MenuItemData& after = node->items[index];
  after.flags = ui.m_enabled ? (after.flags & ~(MF_GRAYED | MF_DISABLED)) : (after.flags | MF_GRAYED);
  after.flags = ui.m_check ? (after.flags | MF_CHECKED) : (after.flags & ~MF_CHECKED);
  if (ui.m_default && !(after.flags & MF_DEFAULT)) {
    for (auto& other : node->items) other.flags &= ~MF_DEFAULT;
    after.flags |= MF_DEFAULT;
  } else if (!ui.m_default) {
    after.flags &= ~MF_DEFAULT;
  }
  if (ui.m_text) after.text = *ui.m_text;
}

void RunUpdate(MenuNode* node, HWND owner, const CMenu::UpdateHandler& inherited) {
  const CMenu::UpdateHandler& handler = node->update ? node->update : inherited;
  for (size_t i = 0; i < node->items.size(); ++i) {
    MenuItemData& item = node->items[i];
    if (item.popup) {
      RunUpdate(item.popup.get(), owner, handler);
      continue;
    }
    if ((item.flags & MF_SEPARATOR) || item.id == 0) continue;
    UpdateItem(node, i, owner, handler);
  }
}

void CollectEnabledCommands(const MenuNode* node, std::set<UINT>* ids) {
  for (const auto& item : node->items) {
    if (item.popup) {
      if (!(item.flags & (MF_GRAYED | MF_DISABLED))) CollectEnabledCommands(item.popup.get(), ids);
    } else if (!(item.flags & (MF_SEPARATOR | MF_GRAYED | MF_DISABLED)) && item.id != 0) {
      ids->insert(item.id);
    }
  }
}

QMenu* MakeQMenu(QWidget* parent, const std::shared_ptr<MenuNode>& node, HWND owner, bool postCommands,
                 bool notify, CMenu::UpdateHandler inherited);

void Populate(QMenu* menu, const std::shared_ptr<MenuNode>& node, HWND owner, bool postCommands,
              const CMenu::UpdateHandler& inherited) {
  for (QMenu* old : menu->findChildren<QMenu*>(QString(), Qt::FindDirectChildrenOnly)) old->deleteLater();
  menu->clear();
  const CMenu::UpdateHandler& handler = node->update ? node->update : inherited;
  for (const MenuItemData& item : node->items) {
    if (item.flags & MF_SEPARATOR) {
      menu->addSeparator();
      continue;
    }
    QString text = QString::fromUtf8(item.text.data(), static_cast<int>(item.text.size()));
    QAction* action = nullptr;
    if (item.popup) {
      QMenu* sub = MakeQMenu(menu, item.popup, owner, postCommands, true, handler);
      sub->setTitle(text);
      action = menu->addMenu(sub);
    } else {
      action = menu->addAction(text);
      action->setData(static_cast<uint>(item.id));
      if (postCommands) {
        UINT id = item.id;
        QObject::connect(action, &QAction::triggered, action,
                         [owner, id] { PostMessage(owner, WM_COMMAND, MAKEWPARAM(static_cast<int>(id), 0), 0); });
      }
    }
    action->setEnabled(!(item.flags & (MF_GRAYED | MF_DISABLED)));
    if (item.flags & MF_CHECKED) {
      action->setCheckable(true);
      action->setChecked(true);
    }
    if (item.flags & MF_DEFAULT) {
      QFont font = action->font();
      font.setBold(true);
      action->setFont(font);
    }
  }
}

QMenu* MakeQMenu(QWidget* parent, const std::shared_ptr<MenuNode>& node, HWND owner, bool postCommands,
                 bool notify, CMenu::UpdateHandler inherited) {
  auto* menu = new QMenu(parent);
  std::weak_ptr<MenuNode> weak = node;
  QObject::connect(menu, &QMenu::aboutToShow, menu, [menu, weak, owner, postCommands, notify, inherited] {
    auto live = weak.lock();
    if (!live) {
      menu->clear();
      return;
    }
    if (notify && IsWindow(owner)) SendMessage(owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(live->handle), 0);
    RunUpdate(live.get(), owner, inherited);
    Populate(menu, live, owner, postCommands, inherited);
  });
  Populate(menu, node, owner, postCommands, inherited);
  return menu;
}

}  // namespace

MenuNode::~MenuNode() {
  std::lock_guard<std::mutex> lock(RegistryMutex());
  auto it = Registry().find(Key(handle));
  if (it != Registry().end() && it->second.expired()) Registry().erase(it);
}

BOOL IsMenu(HMENU menu) { return Lookup(menu) ? TRUE : FALSE; }

void SetPopupMenuChooser(PopupMenuChooser chooser) {
  std::lock_guard<std::mutex> lock(ChooserMutex());
  Chooser() = std::move(chooser);
}

CMenu::CMenu() = default;

CMenu::~CMenu() {
  if (m_owned) DestroyMenu();
}

HMENU CMenu::GetSafeHmenu() const { return m_node ? m_node->handle : nullptr; }

CMenu* CMenu::FromHandle(HMENU menu) {
  thread_local std::unordered_map<std::uintptr_t, std::unique_ptr<CMenu>> wrappers;
  auto node = Lookup(menu);
  if (!node) return nullptr;
  auto& slot = wrappers[Key(menu)];
  if (!slot) slot = std::make_unique<CMenu>();
  slot->Adopt(node, false);
  return slot.get();
}

void CMenu::Adopt(std::shared_ptr<MenuNode> node, bool owned) {
  m_subMenus.clear();
  m_node = std::move(node);
  m_owned = owned && m_node != nullptr;
}

BOOL CMenu::CreateMenu() {
  if (m_owned) DestroyMenu();
  Adopt(NewNode(), true);
  return TRUE;
}

BOOL CMenu::CreatePopupMenu() { return CreateMenu(); }

BOOL CMenu::LoadMenu(UINT resourceId) {
  std::optional<MenuTable> table = FindMenuResource(resourceId);
  if (!table) return FALSE;
  return LoadMenuTable(*table);
}

BOOL CMenu::LoadMenuTable(const MenuTable& table) {
  auto node = NewNode();
  BuildFromTable(node, table);
  if (m_owned) DestroyMenu();
  Adopt(node, true);
  return TRUE;
}

BOOL CMenu::DestroyMenu() {
  if (!m_node) return FALSE;
  auto node = m_node;
  Adopt(nullptr, false);
  DestroyTree(node);
  return TRUE;
}

BOOL CMenu::Attach(HMENU menu) {
  auto node = Lookup(menu);
  if (!node) return FALSE;
  if (m_owned) DestroyMenu();
  Adopt(node, true);
  return TRUE;
}

HMENU CMenu::Detach() {
  if (!m_node) return nullptr;
  HMENU handle = m_node->handle;
  {
    std::lock_guard<std::mutex> lock(RegistryMutex());
    KeptByHandle()[Key(handle)] = m_node;
  }
  Adopt(nullptr, false);
  return handle;
}

BOOL CMenu::AppendMenu(UINT flags, UINT_PTR idOrPopup, const std::string& text) {
  if (!m_node) return FALSE;
  return InsertMenu(static_cast<UINT>(m_node->items.size()), flags | MF_BYPOSITION, idOrPopup, text);
}

BOOL CMenu::InsertMenu(UINT position, UINT flags, UINT_PTR idOrPopup, const std::string& text) {
  if (!m_node) return FALSE;
  MenuItemData item;
  item.flags = flags & ~MF_BYPOSITION;
  item.text = text;
  if (flags & MF_POPUP) {
    item.popup = Lookup(reinterpret_cast<HMENU>(idOrPopup));
    if (!item.popup || item.popup == m_node) return FALSE;
  } else if (!(flags & MF_SEPARATOR)) {
    item.id = static_cast<UINT>(idOrPopup);
  }
  MenuNode* target = m_node.get();
  size_t index = target->items.size();
  if (flags & MF_BYPOSITION) {
    index = std::min<size_t>(position, target->items.size());
  } else {
    MenuNode* owner = nullptr;
    if (MenuItemData* before = FindItem(m_node.get(), position, MF_BYCOMMAND, &owner)) {
      target = owner;
      index = static_cast<size_t>(before - owner->items.data());
    }
  }
  target->items.insert(target->items.begin() + static_cast<std::ptrdiff_t>(index), std::move(item));
  return TRUE;
}

BOOL CMenu::ModifyMenu(UINT position, UINT flags, UINT_PTR idOrPopup, const std::string& text) {
  MenuItemData* item = FindItem(m_node.get(), position, flags);
  if (!item) return FALSE;
  std::shared_ptr<MenuNode> popup;
  if (flags & MF_POPUP) {
    popup = Lookup(reinterpret_cast<HMENU>(idOrPopup));
    if (!popup) return FALSE;
  }
  item->flags = flags & ~MF_BYPOSITION;
  item->text = text;
  item->popup = popup;
  item->id = (flags & (MF_POPUP | MF_SEPARATOR)) ? 0 : static_cast<UINT>(idOrPopup);
  return TRUE;
}

BOOL CMenu::RemoveMenu(UINT position, UINT flags) {
  MenuNode* owner = nullptr;
  MenuItemData* item = FindItem(m_node.get(), position, flags, &owner);
  if (!item) return FALSE;
  owner->items.erase(owner->items.begin() + (item - owner->items.data()));
  return TRUE;
}

BOOL CMenu::DeleteMenu(UINT position, UINT flags) {
  MenuNode* owner = nullptr;
  MenuItemData* item = FindItem(m_node.get(), position, flags, &owner);
  if (!item) return FALSE;
  std::shared_ptr<MenuNode> popup = item->popup;
  owner->items.erase(owner->items.begin() + (item - owner->items.data()));
  if (popup) DestroyTree(popup);
  return TRUE;
}

UINT CMenu::CheckMenuItem(UINT item, UINT flags) {
  MenuItemData* entry = FindItem(m_node.get(), item, flags);
  if (!entry) return kNoItem;
  UINT previous = entry->flags & MF_CHECKED;
  entry->flags = (flags & MF_CHECKED) ? (entry->flags | MF_CHECKED) : (entry->flags & ~MF_CHECKED);
  return previous;
}

UINT CMenu::EnableMenuItem(UINT item, UINT flags) {
  MenuItemData* entry = FindItem(m_node.get(), item, flags);
  if (!entry) return kNoItem;
  UINT previous = entry->flags & (MF_GRAYED | MF_DISABLED);
  entry->flags = (entry->flags & ~(MF_GRAYED | MF_DISABLED)) | (flags & (MF_GRAYED | MF_DISABLED));
  return previous;
}

BOOL CMenu::CheckMenuRadioItem(UINT first, UINT last, UINT item, UINT flags) {
  if (!m_node) return FALSE;
  bool found = false;
  if (flags & MF_BYPOSITION) {
    for (UINT pos = first; pos <= last && pos < m_node->items.size(); ++pos) {
      MenuItemData& entry = m_node->items[pos];
      entry.flags = pos == item ? (entry.flags | MF_CHECKED | MFT_RADIOCHECK) : (entry.flags & ~MF_CHECKED);
      found = found || pos == item;
    }
  } else {
    for (UINT id = first; id <= last; ++id) {
      if (MenuItemData* entry = FindItem(m_node.get(), id, MF_BYCOMMAND)) {
        entry->flags = id == item ? (entry->flags | MF_CHECKED | MFT_RADIOCHECK) : (entry->flags & ~MF_CHECKED);
        found = found || id == item;
      }
      if (id == 0xFFFFFFFFu) break;
    }
  }
  return found ? TRUE : FALSE;
}

BOOL CMenu::SetDefaultItem(UINT item, BOOL byPosition) {
  if (!m_node) return FALSE;
  if (item == kNoItem) {
    for (auto& entry : m_node->items) entry.flags &= ~MF_DEFAULT;
    return TRUE;
  }
  MenuItemData* target = nullptr;
  if (byPosition) {
    if (item < m_node->items.size()) target = &m_node->items[item];
  } else {
    for (auto& entry : m_node->items) {
      if (!entry.popup && entry.id == item) target = &entry;
    }
  }
  if (!target) return FALSE;
  for (auto& entry : m_node->items) entry.flags &= ~MF_DEFAULT;
  target->flags |= MF_DEFAULT;
  return TRUE;
}

UINT CMenu::GetDefaultItem(UINT, BOOL byPosition) const {
  if (!m_node) return kNoItem;
  for (size_t i = 0; i < m_node->items.size(); ++i) {
    if (m_node->items[i].flags & MF_DEFAULT) return byPosition ? static_cast<UINT>(i) : m_node->items[i].id;
  }
  return kNoItem;
}

int CMenu::GetMenuItemCount() const { return m_node ? static_cast<int>(m_node->items.size()) : -1; }

UINT CMenu::GetMenuItemID(int position) const {
  if (!m_node || position < 0 || static_cast<size_t>(position) >= m_node->items.size()) return kNoItem;
  const MenuItemData& item = m_node->items[static_cast<size_t>(position)];
  if (item.popup) return kNoItem;
  return (item.flags & MF_SEPARATOR) ? 0 : item.id;
}

UINT CMenu::GetMenuState(UINT item, UINT flags) const {
  MenuItemData* entry = FindItem(m_node.get(), item, flags);
  if (!entry) return kNoItem;
  UINT state = entry->flags & (kStateBits | MF_SEPARATOR | MF_POPUP | MF_OWNERDRAW);
  if (entry->popup) state |= static_cast<UINT>(entry->popup->items.size() & 0xFF) << 8;
  return state;
}

int CMenu::GetMenuString(UINT item, std::string& text, UINT flags) const {
  MenuItemData* entry = FindItem(m_node.get(), item, flags);
  text = entry ? entry->text : std::string();
  return static_cast<int>(text.size());
}

std::string CMenu::GetMenuString(UINT item, UINT flags) const {
  std::string text;
  GetMenuString(item, text, flags);
  return text;
}

CMenu* CMenu::GetSubMenu(int position) const {
  if (!m_node || position < 0 || static_cast<size_t>(position) >= m_node->items.size()) return nullptr;
  const auto& popup = m_node->items[static_cast<size_t>(position)].popup;
  if (!popup) return nullptr;
  auto& slot = m_subMenus[popup.get()];
  if (!slot) slot = std::make_unique<CMenu>();
  slot->Adopt(popup, false);
  return slot.get();
}

void CMenu::SetUpdateHandler(UpdateHandler handler) {
  if (m_node) m_node->update = std::move(handler);
}

void CMenu::UpdateMenuItems(HWND owner) {
  if (m_node) RunUpdate(m_node.get(), owner, nullptr);
}

BOOL CMenu::TrackPopupMenu(UINT flags, int x, int y, HWND owner, LPCRECT) {
  if (!m_node) return FALSE;
  PopupMenuChooser chooser;
  {
    std::lock_guard<std::mutex> lock(ChooserMutex());
    chooser = Chooser();
  }
  bool notify = !(flags & TPM_NONOTIFY);
  UINT chosen = 0;
  if (chooser) {
    if (notify && IsWindow(owner)) SendMessage(owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(m_node->handle), 0);
    UpdateMenuItems(owner);
    chosen = chooser(*this, x, y, owner);
    std::set<UINT> enabled;
    if (m_node) CollectEnabledCommands(m_node.get(), &enabled);
    if (!enabled.count(chosen)) chosen = 0;  // grey items and strangers cannot be chosen
  } else if (IsUiThread()) {
    // The notification and the update step run as the menu is about to show.
    std::unique_ptr<QMenu> menu(MakeQMenu(nullptr, m_node, owner, false, notify, m_node->update));
    QAction* action = menu->exec(QPoint(x, y));
    if (action && !action->menu()) chosen = action->data().toUInt();
  }
  if (flags & TPM_RETURNCMD) return static_cast<BOOL>(chosen);
  if (chosen != 0) PostMessage(owner, WM_COMMAND, MAKEWPARAM(static_cast<int>(chosen), 0), 0);
  return TRUE;
}

QMenu* CMenu::BuildQMenu(QWidget* parent, HWND owner) const {
  auto node = m_node ? m_node : NewNode();
  return MakeQMenu(parent, node, owner, true, true, nullptr);
}

void CMenu::FillMenuBar(QMenuBar* bar, HWND owner) const {
  if (!bar) return;
  for (QMenu* old : bar->findChildren<QMenu*>(QString(), Qt::FindDirectChildrenOnly)) old->deleteLater();
  bar->clear();
  if (!m_node) return;
  for (const MenuItemData& item : m_node->items) {
    if (item.flags & MF_SEPARATOR) continue;
    QString text = QString::fromUtf8(item.text.data(), static_cast<int>(item.text.size()));
    QAction* action = nullptr;
    if (item.popup) {
      QMenu* sub = MakeQMenu(bar, item.popup, owner, true, true, m_node->update);
      sub->setTitle(text);
      action = bar->addMenu(sub);
    } else {
      action = bar->addAction(text);
      UINT id = item.id;
      QObject::connect(action, &QAction::triggered, action,
                       [owner, id] { PostMessage(owner, WM_COMMAND, MAKEWPARAM(static_cast<int>(id), 0), 0); });
    }
    action->setEnabled(!(item.flags & (MF_GRAYED | MF_DISABLED)));
  }
}

void CMenu::FillMenuBar(QMainWindow* window, HWND owner) const {
  if (window) FillMenuBar(window->menuBar(), owner);
}
