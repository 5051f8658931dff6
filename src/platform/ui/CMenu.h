#pragma once
// Menus: menu bars and pop-ups built from menu tables, with check marks,
// grey items, default items and an update step before a menu shows.
//
// A menu is a tree of items behind an HMENU handle. Qt menus are built from it
// each time they show, so changes made with CheckMenuItem, EnableMenuItem or
// ModifyMenu are what the operator sees next. Before a menu shows, its command
// items are updated: by the menu's own update handler when one is set,
// otherwise by the owner window's OnUpdateCmdUI (the ON_UPDATE_COMMAND_UI
// route). Choosing an item posts WM_COMMAND (low word the id, high word 0) to
// the owner window.
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/ui/CCmdUI.h"
#include "platform/ui/CRect.h"
#include "platform/ui/GdiTypes.h"
#include "platform/ui/MenuTable.h"
#include "platform/ui/MessageCore.h"
#include "platform/ui/WinMessages.h"

class QMenu;
class QMainWindow;
class QMenuBar;
class QWidget;
struct MenuNode;

// TrackPopupMenu flags.
constexpr UINT TPM_LEFTBUTTON = 0x0000;
constexpr UINT TPM_RIGHTBUTTON = 0x0002;
constexpr UINT TPM_LEFTALIGN = 0x0000;
constexpr UINT TPM_CENTERALIGN = 0x0004;
constexpr UINT TPM_RIGHTALIGN = 0x0008;
constexpr UINT TPM_TOPALIGN = 0x0000;
constexpr UINT TPM_VCENTERALIGN = 0x0010;
constexpr UINT TPM_BOTTOMALIGN = 0x0020;
constexpr UINT TPM_NONOTIFY = 0x0080;
constexpr UINT TPM_RETURNCMD = 0x0100;

class CMenu {
 public:
  CMenu();
  // A menu this object created or loaded is destroyed with it.
  virtual ~CMenu();
  CMenu(const CMenu&) = delete;
  CMenu& operator=(const CMenu&) = delete;

  HMENU GetSafeHmenu() const;
  operator HMENU() const { return GetSafeHmenu(); }  // NOLINT: handle conversion as in the framework
  static CMenu* FromHandle(HMENU menu);  // a wrapper kept for the thread's lifetime, or nullptr

  BOOL CreateMenu();
  BOOL CreatePopupMenu();
  // From the registered menu table; false (and the current menu kept) when missing.
  virtual BOOL LoadMenu(UINT resourceId);
  BOOL LoadMenuTable(const MenuTable& table);
  virtual BOOL DestroyMenu();
  BOOL Attach(HMENU menu);
  HMENU Detach();

  // flags MF_STRING / MF_SEPARATOR / MF_POPUP (idOrPopup is then an HMENU) plus states.
  BOOL AppendMenu(UINT flags, UINT_PTR idOrPopup = 0, const std::string& text = std::string());
  BOOL InsertMenu(UINT position, UINT flags, UINT_PTR idOrPopup = 0, const std::string& text = std::string());
  BOOL ModifyMenu(UINT position, UINT flags, UINT_PTR idOrPopup = 0, const std::string& text = std::string());
  BOOL RemoveMenu(UINT position, UINT flags);
  BOOL DeleteMenu(UINT position, UINT flags);

  // Both return the previous state (MF_CHECKED / MF_GRAYED|MF_DISABLED bits) or
  // 0xFFFFFFFF when the item does not exist. By command, pop-ups are searched too.
  UINT CheckMenuItem(UINT item, UINT flags);
  UINT EnableMenuItem(UINT item, UINT flags);
  BOOL CheckMenuRadioItem(UINT first, UINT last, UINT item, UINT flags);
  BOOL SetDefaultItem(UINT item, BOOL byPosition = FALSE);
  UINT GetDefaultItem(UINT flags = 0, BOOL byPosition = FALSE) const;  // 0xFFFFFFFF when none

  int GetMenuItemCount() const;  // -1 without a menu
  // 0 for a separator, 0xFFFFFFFF for a pop-up or a bad position.
  UINT GetMenuItemID(int position) const;
  UINT GetMenuState(UINT item, UINT flags) const;
  int GetMenuString(UINT item, std::string& text, UINT flags) const;
  std::string GetMenuString(UINT item, UINT flags) const;
  CMenu* GetSubMenu(int position) const;

  // Shows the menu as a pop-up at (x, y) in screen coordinates for the owner.
  // The owner gets WM_INITMENUPOPUP first (unless TPM_NONOTIFY), then the items
  // are updated. With TPM_RETURNCMD the chosen id (0 when none) is returned and
  // nothing is posted; otherwise the choice is posted as WM_COMMAND.
  BOOL TrackPopupMenu(UINT flags, int x, int y, HWND owner, LPCRECT rect = nullptr);

  // The update step; the handler is asked once per command item of the menu
  // (and of its pop-ups) before it shows.
  using UpdateHandler = std::function<void(CCmdUI&)>;
  void SetUpdateHandler(UpdateHandler handler);
  void UpdateMenuItems(HWND owner);

  // Qt side (UI thread). The QMenu is rebuilt from this menu each time it is
  // about to show; its parent owns it.
  QMenu* BuildQMenu(QWidget* parent, HWND owner) const;
  // Fills a menu bar with this menu's pop-ups and items (call again after
  // changing the top level, as the platform's DrawMenuBar).
  void FillMenuBar(QMenuBar* bar, HWND owner) const;
  // The same for a main window's own menu bar.
  void FillMenuBar(QMainWindow* window, HWND owner) const;

  // Owner-drawn menus draw and measure their items here (nothing by default).
  virtual void DrawItem(void*) {}
  virtual void MeasureItem(void*) {}

 private:
  friend struct MenuNode;
  void Adopt(std::shared_ptr<MenuNode> node, bool owned);
  std::shared_ptr<MenuNode> m_node;
  bool m_owned = false;
  mutable std::map<const MenuNode*, std::unique_ptr<CMenu>> m_subMenus;
};

BOOL IsMenu(HMENU menu);

// Tests choose a pop-up item without a real pop-up: while a chooser is set,
// TrackPopupMenu asks it instead of showing the menu. It gets the menu as it
// would show (after the update step) and returns the chosen command id, or 0
// to cancel. A choice that is not an enabled command of the menu counts as 0.
using PopupMenuChooser = std::function<UINT(CMenu& menu, int x, int y, HWND owner)>;
void SetPopupMenuChooser(PopupMenuChooser chooser);  // empty: real pop-ups again
