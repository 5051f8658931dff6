// Menus from tables, their states and update step, pop-ups delivering
// WM_COMMAND, accelerators and the tool bar.
#include <gtest/gtest.h>

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

#include "platform/ui/AcceleratorTable.h"
#include "platform/ui/CMenu.h"
#include "platform/ui/CToolBar.h"
#include "platform/ui/ResourceRegistry.h"
#include "support/TestEnvironment.h"
#include "RecordingWnd.h"

namespace {

constexpr UINT kFrameMenu = 128;
constexpr UINT kValveMenu = 3047;
constexpr UINT kExit = 57665;
constexpr UINT kToolbar = 59392;
constexpr UINT kStatusBar = 59393;
constexpr UINT kAbout = 57664;
constexpr UINT kTakeOnOff = 35041;
constexpr UINT kAction = 35039;
constexpr UINT kProperties = 35040;
constexpr WORD kF6 = VK_F1 + 5;

void RegisterTestMenus() {
  using M = MenuTableItem;
  RegisterMenuResource(kFrameMenu, {
      M::Popup("&File", {M::Command(kExit, "E&xit")}),
      M::Popup("&View", {M::Command(kToolbar, "&Toolbar", MF_CHECKED), M::Command(kStatusBar, "&Status Bar")}),
      M::Popup("&Help", {M::Command(kAbout, "&About RuvFrame...")}),
  });
  RegisterMenuResource(kValveMenu, {
      M::Popup("Valve", {M::Command(kTakeOnOff, "Take On/Off"), M::Separator(), M::Command(kAction, "&Action"),
                         M::Command(kProperties, "Properties")}),
  });
}

class MenuTest : public ::testing::Test {
 protected:
  void SetUp() override { RegisterTestMenus(); }
  void TearDown() override {
    SetPopupMenuChooser(nullptr);
    ClearMenuResources();
  }
  std::vector<UINT> CommandsSeen(const RecordingWnd& wnd) {
    PumpPendingMessages();
    std::vector<UINT> ids;
    for (const auto& seen : wnd.Only(WM_COMMAND)) {
      EXPECT_EQ(HIWORD(seen.wParam), 0);  // from a menu
      ids.push_back(LOWORD(seen.wParam));
    }
    return ids;
  }
};

TEST_F(MenuTest, LoadsTablesWithPopupsSeparatorsAndTexts) {
  CMenu menu;
  ASSERT_TRUE(menu.LoadMenu(kFrameMenu));
  EXPECT_TRUE(IsMenu(menu.GetSafeHmenu()));
  EXPECT_EQ(menu.GetMenuItemCount(), 3);
  EXPECT_EQ(menu.GetMenuString(1, MF_BYPOSITION), "&View");
  EXPECT_EQ(menu.GetMenuItemID(0), 0xFFFFFFFFu);  // a pop-up
  CMenu* view = menu.GetSubMenu(1);
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->GetMenuItemID(1), kStatusBar);
  EXPECT_EQ(menu.GetMenuState(kToolbar, MF_BYCOMMAND) & MF_CHECKED, MF_CHECKED);
  CMenu valve;
  ASSERT_TRUE(valve.LoadMenu(kValveMenu));
  EXPECT_EQ(valve.GetSubMenu(0)->GetMenuItemID(1), 0u);  // separator
  EXPECT_EQ(valve.GetSubMenu(0)->GetMenuItemCount(), 4);
  // A missing resource fails and leaves the loaded menu alone.
  EXPECT_FALSE(valve.LoadMenu(4242));
  EXPECT_EQ(valve.GetSubMenu(0)->GetMenuItemCount(), 4);
  HMENU handle = valve.GetSafeHmenu();
  valve.DestroyMenu();
  EXPECT_FALSE(IsMenu(handle));
}

TEST_F(MenuTest, CheckEnableDefaultAndModifyReportPreviousStates) {
  CMenu menu;
  menu.LoadMenu(kValveMenu);
  CMenu* popup = menu.GetSubMenu(0);
  EXPECT_EQ(menu.CheckMenuItem(kAction, MF_BYCOMMAND | MF_CHECKED), MF_UNCHECKED);  // found inside the pop-up
  EXPECT_EQ(popup->CheckMenuItem(kAction, MF_BYCOMMAND | MF_UNCHECKED), MF_CHECKED);
  EXPECT_EQ(popup->EnableMenuItem(kProperties, MF_BYCOMMAND | MF_GRAYED), MF_ENABLED);
  EXPECT_EQ(popup->EnableMenuItem(kProperties, MF_BYCOMMAND | MF_ENABLED), MF_GRAYED);
  EXPECT_EQ(popup->EnableMenuItem(99999, MF_BYCOMMAND), 0xFFFFFFFFu);
  EXPECT_TRUE(popup->SetDefaultItem(kProperties));
  EXPECT_EQ(popup->GetDefaultItem(), kProperties);
  EXPECT_TRUE(popup->SetDefaultItem(0, TRUE));
  EXPECT_EQ(popup->GetDefaultItem(0, TRUE), 0u);
  EXPECT_EQ(popup->GetMenuState(kProperties, MF_BYCOMMAND) & MF_DEFAULT, 0u);
  EXPECT_TRUE(popup->ModifyMenu(kTakeOnOff, MF_BYCOMMAND | MF_STRING, kTakeOnOff, "Take OFF"));
  EXPECT_EQ(popup->GetMenuString(kTakeOnOff, MF_BYCOMMAND), "Take OFF");
  EXPECT_TRUE(popup->AppendMenu(MF_STRING, 777, "Extra"));
  EXPECT_EQ(popup->GetMenuItemID(4), 777u);
  EXPECT_TRUE(popup->DeleteMenu(777, MF_BYCOMMAND));
  EXPECT_EQ(popup->GetMenuItemCount(), 4);
}

TEST_F(MenuTest, BuiltMenusNestPopupsByHandle) {
  CMenu sub;
  sub.CreatePopupMenu();
  sub.AppendMenu(MF_STRING, 11, "Eleven");
  CMenu bar;
  bar.CreateMenu();
  ASSERT_TRUE(bar.AppendMenu(MF_POPUP, reinterpret_cast<UINT_PTR>(sub.Detach()), "&Numbers"));
  EXPECT_EQ(bar.GetSubMenu(0)->GetMenuItemID(0), 11u);
  EXPECT_FALSE(bar.AppendMenu(MF_POPUP, 12345, "bad handle"));
}

TEST_F(MenuTest, TrackPopupMenuPostsTheChosenCommandToTheOwner) {
  RecordingWnd owner;
  ASSERT_TRUE(owner.CreateTopLevel());
  CMenu menu;
  menu.LoadMenu(kValveMenu);
  UINT offered = 0;
  SetPopupMenuChooser([&](CMenu& shown, int x, int y, HWND wnd) {
    EXPECT_EQ(x, 40);
    EXPECT_EQ(y, 50);
    EXPECT_EQ(wnd, owner.GetSafeHwnd());
    offered = static_cast<UINT>(shown.GetMenuItemCount());
    return kTakeOnOff;
  });
  EXPECT_TRUE(menu.GetSubMenu(0)->TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON, 40, 50, owner.GetSafeHwnd()));
  EXPECT_EQ(offered, 4u);
  EXPECT_EQ(owner.Sequence({WM_INITMENUPOPUP}).size(), 1u);
  EXPECT_EQ(CommandsSeen(owner), std::vector<UINT>{kTakeOnOff});
  owner.DestroyWindow();
}

TEST_F(MenuTest, ReturnCmdAnswersWithoutPostingAndNoNotifySkipsInit) {
  RecordingWnd owner;
  ASSERT_TRUE(owner.CreateTopLevel());
  CMenu menu;
  menu.LoadMenu(kValveMenu);
  SetPopupMenuChooser([](CMenu&, int, int, HWND) { return kAction; });
  UINT chosen = static_cast<UINT>(
      menu.GetSubMenu(0)->TrackPopupMenu(TPM_RETURNCMD | TPM_NONOTIFY, 0, 0, owner.GetSafeHwnd()));
  EXPECT_EQ(chosen, kAction);
  EXPECT_TRUE(CommandsSeen(owner).empty());
  EXPECT_TRUE(owner.Only(WM_INITMENUPOPUP).empty());
  SetPopupMenuChooser([](CMenu&, int, int, HWND) { return 0u; });  // cancelled
  EXPECT_EQ(menu.GetSubMenu(0)->TrackPopupMenu(TPM_RETURNCMD, 0, 0, owner.GetSafeHwnd()), 0);
  owner.DestroyWindow();
}

TEST_F(MenuTest, UpdateHandlerRunsBeforeTheMenuShowsAndGreyItemsCannotBeChosen) {
  RecordingWnd owner;
  ASSERT_TRUE(owner.CreateTopLevel());
  CMenu menu;
  menu.LoadMenu(kValveMenu);
  bool onOff = true;
  int asked = 0;
  menu.SetUpdateHandler([&](CCmdUI& ui) {
    ++asked;
    if (ui.m_nID == kTakeOnOff) ui.SetText(onOff ? "Take OFF" : "Take ON");
    if (ui.m_nID == kAction) ui.Enable(FALSE);
    if (ui.m_nID == kProperties) ui.SetCheck(1);
  });
  UINT state = 0;
  std::string text;
  SetPopupMenuChooser([&](CMenu& shown, int, int, HWND) {
    state = shown.GetMenuState(kAction, MF_BYCOMMAND);
    text = shown.GetMenuString(kTakeOnOff, MF_BYCOMMAND);
    return kAction;  // grey: cannot be chosen
  });
  menu.TrackPopupMenu(0, 0, 0, owner.GetSafeHwnd());
  EXPECT_EQ(asked, 3);  // the three commands, not the separator
  EXPECT_EQ(state & MF_GRAYED, MF_GRAYED);
  EXPECT_EQ(text, "Take OFF");
  EXPECT_EQ(menu.GetMenuState(kProperties, MF_BYCOMMAND) & MF_CHECKED, MF_CHECKED);
  EXPECT_TRUE(CommandsSeen(owner).empty());
  onOff = false;
  SetPopupMenuChooser([&](CMenu& shown, int, int, HWND) {
    text = shown.GetMenuString(kTakeOnOff, MF_BYCOMMAND);
    return kTakeOnOff;
  });
  menu.TrackPopupMenu(0, 0, 0, owner.GetSafeHwnd());
  EXPECT_EQ(text, "Take ON");
  EXPECT_EQ(CommandsSeen(owner), std::vector<UINT>{kTakeOnOff});
  owner.DestroyWindow();
}

// The owner answers the update step through OnUpdateCmdUI when the menu has no handler.
// This one sets the fields itself instead of calling Enable, which counts the same.
class UpdatingWnd : public RecordingWnd {
 public:
  BOOL OnUpdateCmdUI(CCmdUI* ui) override {
    if (ui->m_nID == kProperties) {
      ui->m_enabled = false;
      return TRUE;
    }
    if (ui->m_nID == kAction) {
      ui->SetCheck(1);
      return TRUE;
    }
    return FALSE;
  }
};

TEST_F(MenuTest, OwnerWindowAnswersTheUpdateStep) {
  UpdatingWnd owner;
  ASSERT_TRUE(owner.CreateTopLevel());
  CMenu menu;
  menu.LoadMenu(kValveMenu);
  SetPopupMenuChooser([](CMenu& shown, int, int, HWND) {
    EXPECT_EQ(shown.GetMenuState(kProperties, MF_BYCOMMAND) & MF_GRAYED, MF_GRAYED);
    EXPECT_EQ(shown.GetMenuState(kAction, MF_BYCOMMAND) & (MF_GRAYED | MF_CHECKED), MF_CHECKED);
    return kProperties;
  });
  menu.TrackPopupMenu(0, 0, 0, owner.GetSafeHwnd());
  EXPECT_TRUE(CommandsSeen(owner).empty());
  owner.DestroyWindow();
}

TEST_F(MenuTest, CommandForADestroyedOwnerIsDropped) {
  RecordingWnd owner;
  ASSERT_TRUE(owner.CreateTopLevel());
  HWND handle = owner.GetSafeHwnd();
  owner.DestroyWindow();
  CMenu menu;
  menu.LoadMenu(kValveMenu);
  SetPopupMenuChooser([](CMenu&, int, int, HWND) { return kAction; });
  EXPECT_TRUE(menu.GetSubMenu(0)->TrackPopupMenu(0, 0, 0, handle));
  PumpPendingMessages();
  EXPECT_TRUE(owner.Only(WM_COMMAND).empty());
}

TEST_F(MenuTest, QtMenusFollowTheMenuAndPostCommands) {
  RecordingWnd owner;
  ASSERT_TRUE(owner.CreateTopLevel());
  CMenu menu;
  menu.LoadMenu(kFrameMenu);
  QMenuBar bar;
  menu.FillMenuBar(&bar, owner.GetSafeHwnd());
  ASSERT_EQ(bar.actions().size(), 3);
  EXPECT_EQ(bar.actions()[0]->text(), QStringLiteral("&File"));
  QMenu* view = bar.actions()[1]->menu();
  ASSERT_NE(view, nullptr);
  // What the operator sees is rebuilt as the menu is about to show.
  menu.EnableMenuItem(kStatusBar, MF_BYCOMMAND | MF_GRAYED);
  menu.CheckMenuItem(kToolbar, MF_BYCOMMAND | MF_UNCHECKED);
  emit view->aboutToShow();
  ASSERT_EQ(view->actions().size(), 2);
  EXPECT_FALSE(view->actions()[0]->isChecked());
  EXPECT_FALSE(view->actions()[1]->isEnabled());
  EXPECT_EQ(owner.Only(WM_INITMENUPOPUP).size(), 1u);
  view->actions()[0]->trigger();
  EXPECT_EQ(CommandsSeen(owner), std::vector<UINT>{kToolbar});

  QMainWindow frame;
  menu.FillMenuBar(&frame, owner.GetSafeHwnd());
  EXPECT_EQ(frame.menuBar()->actions().size(), 3);

  std::unique_ptr<QMenu> popup(menu.GetSubMenu(2)->BuildQMenu(nullptr, owner.GetSafeHwnd()));
  ASSERT_EQ(popup->actions().size(), 1);
  EXPECT_EQ(popup->actions()[0]->text(), QStringLiteral("&About RuvFrame..."));
  owner.DestroyWindow();
}

TEST(AcceleratorTest, KeysWithModifiersMapToCommands) {
  std::vector<ACCEL> table = {
      {FVIRTKEY | FCONTROL, 'N', 57600},
      {FVIRTKEY | FSHIFT, VK_DELETE, 57635},
      {FVIRTKEY, kF6, 57398},
      {FVIRTKEY | FSHIFT, kF6, 57399},
      {FVIRTKEY | FALT, VK_BACK, 57643},
  };
  EXPECT_EQ(FindAcceleratorCommand(table, true, 'N', false, true, false), 57600);
  EXPECT_EQ(FindAcceleratorCommand(table, true, 'N', false, false, false), 0);  // Ctrl missing
  EXPECT_EQ(FindAcceleratorCommand(table, true, 'N', true, true, false), 0);    // Shift extra
  EXPECT_EQ(FindAcceleratorCommand(table, true, kF6, false, false, false), 57398);
  EXPECT_EQ(FindAcceleratorCommand(table, true, kF6, true, false, false), 57399);
  EXPECT_EQ(FindAcceleratorCommand(table, true, VK_BACK, false, false, true), 57643);
  EXPECT_EQ(AcceleratorText(table[0]), "Ctrl+N");
  EXPECT_EQ(AcceleratorText(table[1]), "Shift+Del");
  EXPECT_EQ(AcceleratorText(table[2]), "F6");
}

TEST(AcceleratorTest, TranslateSendsCommandWithAcceleratorCode) {
  RegisterAcceleratorResource(128, {{FVIRTKEY | FCONTROL, 'P', 57607}});
  HACCEL accel = LoadAccelerators(128);
  ASSERT_NE(accel, nullptr);
  EXPECT_EQ(LoadAccelerators(999), nullptr);
  EXPECT_EQ(CopyAcceleratorTable(accel, nullptr, 0), 1);
  RecordingWnd frame;
  ASSERT_TRUE(frame.CreateTopLevel());
  {
    ScopedKeyState keys;
    EXPECT_FALSE(TranslateAccelerator(frame.GetSafeHwnd(), accel, WM_KEYDOWN, 'P'));
    keys.Press(VK_CONTROL);
    EXPECT_TRUE(TranslateAccelerator(frame.GetSafeHwnd(), accel, WM_KEYDOWN, 'P'));
    EXPECT_FALSE(TranslateAccelerator(frame.GetSafeHwnd(), accel, WM_KEYUP, 'P'));
  }
  auto commands = frame.Only(WM_COMMAND);
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ(LOWORD(commands[0].wParam), 57607);
  EXPECT_EQ(HIWORD(commands[0].wParam), 1);  // from an accelerator
  EXPECT_TRUE(DestroyAcceleratorTable(accel));
  EXPECT_FALSE(TranslateAccelerator(frame.GetSafeHwnd(), accel, WM_KEYDOWN, 'P'));
  frame.DestroyWindow();
  ClearAcceleratorResources();
}

TEST(ToolBarTest, ButtonsFromTableWithPicturesPostCommandsAndFollowUpdates) {
  QImage strip(32, 15, QImage::Format_RGB32);
  strip.fill(Qt::red);
  RegisterBitmapResource(128, strip);
  RegisterToolBarResource(128, ToolBarResource{16, 15, 128, {57600, 0, 57601}});
  RecordingWnd owner;
  ASSERT_TRUE(owner.CreateTopLevel());
  QMainWindow window;
  CToolBar bar;
  ASSERT_TRUE(bar.CreateEx(&window, owner.GetSafeHwnd()));
  EXPECT_FALSE(bar.LoadToolBar(4711));
  ASSERT_TRUE(bar.LoadToolBar(128));
  EXPECT_EQ(bar.GetCount(), 3);
  EXPECT_EQ(bar.GetItemID(1), 0u);
  EXPECT_EQ(bar.CommandToIndex(57601), 2);
  ASSERT_EQ(bar.GetToolBar()->actions().size(), 3);
  EXPECT_FALSE(bar.GetToolBar()->actions()[2]->icon().isNull());
  EXPECT_TRUE(bar.PressButton(57601));
  PumpPendingMessages();
  auto commands = owner.Only(WM_COMMAND);
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ(LOWORD(commands[0].wParam), 57601);
  bar.SetUpdateHandler([](CCmdUI& ui) {
    if (ui.m_nID == 57600) ui.Enable(FALSE);
    if (ui.m_nID == 57601) ui.SetCheck(1);
  });
  bar.UpdateButtons();
  EXPECT_FALSE(bar.IsButtonEnabled(57600));
  EXPECT_TRUE(bar.IsButtonChecked(57601));
  EXPECT_FALSE(bar.PressButton(57600));
  owner.DestroyWindow();
  ClearToolBarResources();
  ClearImageResources();
}

}  // namespace
