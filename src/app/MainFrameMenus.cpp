#include "app/MainFrameMenus.h"

#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>
#include <QToolBar>

#include "platform/ui/CCmdUI.h"
#include "platform/ui/CFrameWnd.h"
#include "platform/ui/FrameworkIds.h"

namespace {

const char* const kCommandProperty = "ruvCommandId";

void SendCommand(HWND frame, UINT id) { SendMessage(frame, WM_COMMAND, id, 0); }

// Asks the frame for the state of every command item of `menu`.
void UpdateItems(QMenu* menu, HWND frameHandle) {
  auto* frame = dynamic_cast<CFrameWnd*>(CWnd::FromHandle(frameHandle));
  if (!frame) return;
  for (QAction* action : menu->actions()) {
    const QVariant id = action->property(kCommandProperty);
    if (!id.isValid()) continue;
    CCmdUI state(id.toUInt());
    state.m_enabled = action->isEnabled();
    state.m_check = action->isChecked() ? 1 : 0;
    state.m_default = action->font().bold();
    if (!frame->OnUpdateCmdUI(&state)) continue;
    action->setEnabled(state.m_enabled);
    action->setCheckable(state.m_check != 0 || action->isCheckable());
    action->setChecked(state.m_check != 0);
    QFont font = action->font();
    font.setBold(state.m_default);
    action->setFont(font);
    if (state.m_text) action->setText(QString::fromStdString(*state.m_text));
  }
}

void AddEntries(QMenu* menu, const std::vector<MenuEntry>& entries, HWND frame) {
  for (const MenuEntry& entry : entries) {
    if (entry.text.empty()) {
      menu->addSeparator();
    } else if (entry.id == 0) {
      QMenu* sub = menu->addMenu(QString::fromStdString(entry.text));
      AddEntries(sub, entry.entries, frame);
    } else {
      QAction* action = menu->addAction(QString::fromStdString(entry.text));
      action->setProperty(kCommandProperty, entry.id);
      action->setEnabled(!entry.grayed);
      const UINT id = entry.id;
      QObject::connect(action, &QAction::triggered, action, [frame, id] { SendCommand(frame, id); });
    }
  }
  QObject::connect(menu, &QMenu::aboutToShow, menu, [menu, frame] { UpdateItems(menu, frame); });
}

}  // namespace

static MenuEntry Item(const std::string& text, UINT id, bool grayed = false) {
  MenuEntry entry;
  entry.text = text;
  entry.id = id;
  entry.grayed = grayed;
  return entry;
}
static MenuEntry Separator() { return MenuEntry(); }
static MenuEntry Popup(const std::string& text, std::vector<MenuEntry> entries) {
  MenuEntry entry;
  entry.text = text;
  entry.entries = std::move(entries);
  return entry;
}

const std::vector<MenuEntry>& PlantFormMenu() {
  static const std::vector<MenuEntry> menu = {
      Popup("&File", {Item("E&xit", ID_APP_EXIT)}),
      Popup("&View", {Item("&Toolbar", ID_VIEW_TOOLBAR), Item("&Status Bar", ID_VIEW_STATUS_BAR)}),
      Popup("Command", {Item("&Start process", 109), Item("&Stop process", 110, true), Separator(),
                        Popup("&Recording", {Item("&No.Rec", 108), Item("&1 Cycle", 107)})}),
      Popup("Tables", {Item("&Recipe", 114), Item("&Shift", 115), Separator(), Item("&Batch Numbers", 40000),
                       Separator(), Item("Record Vessels Level &Interval", 40002)}),
      Popup("Data Source", {Item("&None", 112), Item("&Demo", 111), Item("&Real", 113)}),
      Popup("&Window", {Item("&New Window", ID_WINDOW_NEW), Item("&Cascade", ID_WINDOW_CASCADE),
                        Item("&Tile", ID_WINDOW_TILE_HORZ), Item("&Arrange Icons", ID_WINDOW_ARRANGE)}),
      Popup("&Help", {Item("Show DataCenter &Scout", 40001), Item("&About RuvFrame...", ID_APP_ABOUT)}),
  };
  return menu;
}

QToolBar* BuildMainFrameBars(CFrameWnd& frame) {
  QMainWindow* window = frame.MainWindow();
  if (!window) return nullptr;
  const HWND handle = frame.GetSafeHwnd();
  auto* menuBar = new QMenuBar(window);
  for (const MenuEntry& top : PlantFormMenu()) {
    QMenu* menu = menuBar->addMenu(QString::fromStdString(top.text));
    AddEntries(menu, top.entries, handle);
  }
  frame.SetMenuBarWidget(menuBar);

  // The framework's standard tool bar: new, open, save, cut, copy, paste, print, about.
  auto* toolBar = new QToolBar(QStringLiteral("Toolbar"), window);
  toolBar->setObjectName(QStringLiteral("toolbar-59392"));
  toolBar->setMovable(true);
  QStyle* style = QApplication::style();
  struct Button {
    UINT id;
    QStyle::StandardPixmap icon;
    const char* tip;
  };
  const Button buttons[] = {
      {ID_FILE_NEW, QStyle::SP_FileIcon, "New"},          {ID_FILE_OPEN, QStyle::SP_DirOpenIcon, "Open"},
      {ID_FILE_SAVE, QStyle::SP_DialogSaveButton, "Save"}, {0, QStyle::SP_CustomBase, nullptr},
      {ID_EDIT_CUT, QStyle::SP_DialogDiscardButton, "Cut"}, {ID_EDIT_COPY, QStyle::SP_FileDialogDetailedView, "Copy"},
      {ID_EDIT_PASTE, QStyle::SP_FileDialogContentsView, "Paste"}, {0, QStyle::SP_CustomBase, nullptr},
      {ID_FILE_PRINT, QStyle::SP_ComputerIcon, "Print"},   {ID_APP_ABOUT, QStyle::SP_MessageBoxQuestion, "About"},
  };
  for (const Button& button : buttons) {
    if (button.id == 0) {
      toolBar->addSeparator();
      continue;
    }
    QAction* action = toolBar->addAction(style->standardIcon(button.icon), QString::fromUtf8(button.tip));
    action->setProperty(kCommandProperty, button.id);
    const UINT id = button.id;
    QObject::connect(action, &QAction::triggered, action, [handle, id] { SendCommand(handle, id); });
  }
  window->addToolBar(Qt::TopToolBarArea, toolBar);
  return toolBar;
}
