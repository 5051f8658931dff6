// The owner-drawn menu: its registry, loading, keyboard shortcuts and look choice.
#include <gtest/gtest.h>

#include <QImage>

#include "controls/BCMenu.h"
#include "platform/ui/CButton.h"
#include "platform/ui/CDC.h"
#include "platform/ui/ColorRef.h"
#include "platform/ui/ResourceRegistry.h"
#include "platform/ui/SystemMetrics.h"

namespace {

constexpr UINT kShapeMenu = 9701;

void RegisterShapeMenu() {
  RegisterMenuResource(kShapeMenu, MenuTable{MenuTableItem::Popup(
                                       "&Valve", {MenuTableItem::Command(301, "&Open"),
                                                  MenuTableItem::Command(302, "Save && &Apply\tCtrl+A"),
                                                  MenuTableItem::Separator(), MenuTableItem::Command(303, "E&xit")})});
}

}  // namespace

TEST(BCMenuTest, OnlyMenusOfABCMenuAreInTheRegistry) {
  CMenu plain;
  ASSERT_TRUE(plain.CreatePopupMenu());
  EXPECT_FALSE(BCMenu::IsMenu(plain.GetSafeHmenu()));
  EXPECT_FALSE(BCMenu::IsMenu(&plain));
  EXPECT_FALSE(BCMenu::IsMenu(static_cast<HMENU>(nullptr)));

  RegisterShapeMenu();
  HMENU loaded = nullptr;
  HMENU sub = nullptr;
  {
    BCMenu menu;
    EXPECT_FALSE(menu.IsMenu(&menu));  // empty until loaded
    ASSERT_TRUE(menu.LoadMenu(kShapeMenu));
    loaded = menu.GetSafeHmenu();
    sub = menu.GetSubMenu(0)->GetSafeHmenu();
    EXPECT_TRUE(BCMenu::IsMenu(loaded));
    EXPECT_TRUE(BCMenu::IsMenu(sub));
    EXPECT_EQ(menu.GetMenuState(301, MF_BYCOMMAND) & MF_OWNERDRAW, MF_OWNERDRAW);

    // A missing resource leaves the loaded menu as it was.
    EXPECT_FALSE(menu.LoadMenu(9799));
    EXPECT_EQ(menu.GetSafeHmenu(), loaded);
    EXPECT_TRUE(BCMenu::IsMenu(loaded));
  }
  EXPECT_FALSE(BCMenu::IsMenu(loaded));
  EXPECT_FALSE(BCMenu::IsMenu(sub));
}

TEST(BCMenuTest, KeyboardShortcutsFindTheMarkedLetter) {
  RegisterShapeMenu();
  BCMenu menu;
  ASSERT_TRUE(menu.LoadMenu(kShapeMenu));
  const HMENU sub = menu.GetSubMenu(0)->GetSafeHmenu();
  EXPECT_EQ(BCMenu::FindKeyboardShortcut('o', 0, sub), (2 << 16) | 0);
  EXPECT_EQ(BCMenu::FindKeyboardShortcut('A', 0, sub), (2 << 16) | 1);  // "&&" is no mark
  EXPECT_EQ(BCMenu::FindKeyboardShortcut('X', 0, sub), (2 << 16) | 3);
  EXPECT_EQ(BCMenu::FindKeyboardShortcut('s', 0, sub), 0);
  EXPECT_EQ(BCMenu::FindKeyboardShortcut('v', 0, menu.GetSafeHmenu()), (2 << 16) | 0);
  CMenu plain;
  plain.CreatePopupMenu();
  plain.AppendMenu(MF_STRING, 1, "&Open");
  EXPECT_EQ(BCMenu::FindKeyboardShortcut('o', 0, plain.GetSafeHmenu()), 0);
}

TEST(BCMenuTest, TheClassicLookIsChosenAndMeasured) {
  EXPECT_TRUE(BCMenu::IsClassicTheme("C:\\WINDOWS\\Resources\\Themes\\Windows Classic.theme"));
  EXPECT_TRUE(BCMenu::IsClassicTheme("windows classic.THEME"));
  EXPECT_FALSE(BCMenu::IsClassicTheme("C:\\WINDOWS\\Resources\\Themes\\Luna.theme"));
  EXPECT_FALSE(BCMenu::IsClassicTheme("Classic.theme"));
  EXPECT_EQ(BCMenu::VersionCode(true, 5, 1), 7);
  EXPECT_EQ(BCMenu::VersionCode(true, 5, 0), 6);
  EXPECT_EQ(BCMenu::VersionCode(false, 4, 90), 4);
  EXPECT_EQ(BCMenu::VersionCode(true, 6, 1), 1);
  EXPECT_FALSE(BCMenu::IsLunaMenuStyle());
  EXPECT_EQ(BCMenu::LightenColor(RGB(0, 100, 255), 0.5), RGB(127, 177, 255));
  EXPECT_EQ(BCMenu::LightenColor(RGB(0, 100, 255), 0.0), RGB(0, 100, 255));

  RegisterShapeMenu();
  BCMenu menu;
  ASSERT_TRUE(menu.LoadMenu(kShapeMenu));
  MEASUREITEMSTRUCT separator;
  BCMenuData separatorData("", MF_SEPARATOR | MF_OWNERDRAW, 0);
  separator.itemData = reinterpret_cast<std::uintptr_t>(&separatorData);
  menu.MeasureItem(&separator);
  EXPECT_EQ(separator.itemWidth, 0u);
  EXPECT_EQ(separator.itemHeight, static_cast<UINT>(std::max(GetSystemMetrics(SM_CYMENU) / 2, 9)));
  MEASUREITEMSTRUCT command;
  BCMenuData commandData("&Open", MF_OWNERDRAW, 301);
  command.itemData = reinterpret_cast<std::uintptr_t>(&commandData);
  menu.MeasureItem(&command);
  EXPECT_GT(command.itemWidth, 33u);  // the text plus two image widths and one
  EXPECT_EQ(command.itemHeight, static_cast<UINT>(std::max(GetSystemMetrics(SM_CYMENU), 19)));
}

TEST(BCMenuTest, MaskedPixelsOfAnItemImageShowTheMenuBehindThem) {
  // A red 16 x 15 picture whose top-left quarter is the button-face mask colour.
  constexpr UINT kImage = 9702;
  QImage picture(16, 15, QImage::Format_RGB32);
  picture.fill(QColor(255, 0, 0));
  const QColor face = ColorRefToQColor(GetSysColor(COLOR_BTNFACE));
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 8; ++x) picture.setPixelColor(x, y, face);
  RegisterBitmapResource(kImage, picture);

  BCMenu menu;
  ASSERT_TRUE(menu.CreatePopupMenu());
  ASSERT_TRUE(menu.AppendODMenu("&Go", MF_STRING, 401, static_cast<int>(kImage)));
  QImage surface(120, 24, QImage::Format_RGB32);
  surface.fill(Qt::white);
  {
    CDC dc;
    ASSERT_TRUE(dc.AttachImage(&surface));
    DRAWITEMSTRUCT item;
    item.CtlType = ODT_MENU;
    item.hDC = &dc;
    item.rcItem = CRect(0, 0, 120, 24);
    item.itemData = reinterpret_cast<std::uintptr_t>(menu.Items().front().get());
    menu.DrawItem(&item);
  }
  // The image sits centred in its 20-pixel button: from (2, 4).
  EXPECT_EQ(QRgbToColorRef(surface.pixel(3, 5)), GetSysColor(COLOR_MENU));
  EXPECT_EQ(QRgbToColorRef(surface.pixel(14, 14)), RGB(255, 0, 0));
}
