#pragma once
// A menu that measures and draws its own items with small images. Of its two
// looks only the classic one (raised image buttons) is drawn here: the flat
// look belongs to one operating system's visual theme, which this program never
// runs under. Every owner-drawn button holds one, and the handles of every
// loaded menu are kept in a process-wide registry.
#include <memory>
#include <string>
#include <vector>

#include "controls/BCMenuData.h"
#include "platform/ui/CMenu.h"

class CDC;

constexpr UINT ODT_MENU = 1;

struct MEASUREITEMSTRUCT {
  UINT CtlType = ODT_MENU;
  UINT CtlID = 0;
  UINT itemID = 0;
  UINT itemWidth = 0;
  UINT itemHeight = 0;
  std::uintptr_t itemData = 0;  // the item's BCMenuData
};

class BCMenu : public CMenu {
 public:
  // The execute code a keyboard-shortcut answer carries in its high word.
  static constexpr LRESULT kMenuCharExecute = 2;

  BCMenu();
  ~BCMenu() override;

  // From the registered menu table; false, with the current menu kept, when it is missing.
  BOOL LoadMenu(UINT resourceId) override;
  BOOL DestroyMenu() override;
  // Command 0 makes a separator. A sub-menu (MF_POPUP) is passed by handle.
  // imageId -1 takes the image registered for the command, if any.
  BOOL AppendODMenu(const std::string& text, UINT flags, UINT_PTR commandOrSubMenu, int imageId = -1);

  static BOOL IsMenu(HMENU menu);
  static BOOL IsMenu(const CMenu* menu);
  // For a menu of a BCMenu: the position of the item whose text marks `ch` with
  // "&" (letters without case) and the execute code in the high word; else 0.
  static LRESULT FindKeyboardShortcut(UINT ch, UINT flags, HMENU menu);

  // The operating-system version code (0 to 7; 7 is the one with the flat look).
  static int VersionCode(bool ntFamily, int major, int minor);
  static bool IsClassicTheme(const std::string& themeFileName);
  static bool IsLunaMenuStyle();
  static COLORREF LightenColor(COLORREF color, double factor);

  // MEASUREITEMSTRUCT* and DRAWITEMSTRUCT* (with the item's BCMenuData as data).
  void MeasureItem(void* item) override;
  void DrawItem(void* item) override;

  const std::vector<std::unique_ptr<BCMenuData>>& Items() const { return m_items; }

 private:
  void Build(const std::vector<MenuTableItem>& items);
  BCMenu* OwnSubMenu(HMENU handle) const;
  void DrawClassic(CDC* dc, const RECT& rect, UINT state, const BCMenuData& data);

  std::vector<std::unique_ptr<BCMenuData>> m_items;
  std::vector<std::unique_ptr<BCMenu>> m_subMenuObjects;
  std::vector<HMENU> m_subMenus;
  HMENU m_registered = nullptr;
  int m_imageWidth = 16;
  int m_imageHeight = 15;
  COLORREF m_maskColor = 0xC0C0C0;
  bool m_useMaskColor = false;
};
