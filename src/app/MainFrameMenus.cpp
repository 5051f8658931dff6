#include "app/MainFrameMenus.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>

#include "platform/ui/AcceleratorTable.h"
#include "platform/ui/CToolBar.h"
#include "platform/ui/FrameworkIds.h"
#include "platform/ui/KeyTranslation.h"
#include "platform/ui/MenuTable.h"
#include "platform/ui/ResourceRegistry.h"

namespace {

using Item = MenuTableItem;

MenuTable FrameMenu() {
  return {
      Item::Popup("&File", {Item::Command(ID_APP_EXIT, "E&xit")}),
      Item::Popup("&View", {Item::Command(ID_VIEW_TOOLBAR, "&Toolbar"), Item::Command(ID_VIEW_STATUS_BAR, "&Status Bar")}),
      Item::Popup("&Help", {Item::Command(ID_APP_ABOUT, "&About RuvFrame...")}),
  };
}

MenuTable PlantFormMenu() {
  return {
      Item::Popup("&File", {Item::Command(ID_APP_EXIT, "E&xit")}),
      Item::Popup("&View", {Item::Command(ID_VIEW_TOOLBAR, "&Toolbar"), Item::Command(ID_VIEW_STATUS_BAR, "&Status Bar")}),
      Item::Popup("Command", {Item::Command(109, "&Start process"), Item::Command(110, "&Stop process", MF_GRAYED),
                              Item::Separator(),
                              Item::Popup("&Recording", {Item::Command(108, "&No.Rec"), Item::Command(107, "&1 Cycle")})}),
      Item::Popup("Tables", {Item::Command(114, "&Recipe"), Item::Command(115, "&Shift"), Item::Separator(),
                             Item::Command(40000, "&Batch Numbers"), Item::Separator(),
                             Item::Command(40002, "Record Vessels Level &Interval")}),
      Item::Popup("Data Source", {Item::Command(112, "&None"), Item::Command(111, "&Demo"), Item::Command(113, "&Real")}),
      Item::Popup("&Window", {Item::Command(ID_WINDOW_NEW, "&New Window"), Item::Command(ID_WINDOW_CASCADE, "&Cascade"),
                              Item::Command(ID_WINDOW_TILE_HORZ, "&Tile"),
                              Item::Command(ID_WINDOW_ARRANGE, "&Arrange Icons")}),
      Item::Popup("&Help", {Item::Command(40001, "Show DataCenter &Scout"),
                            Item::Command(ID_APP_ABOUT, "&About RuvFrame...")}),
  };
}

std::vector<ACCEL> StandardAccelerators() {
  auto key = [](BYTE modifiers, WORD virtualKey, UINT command) {
    return ACCEL{static_cast<BYTE>(FVIRTKEY | FNOINVERT | modifiers), virtualKey, static_cast<WORD>(command)};
  };
  return {
      key(FCONTROL, 'N', ID_FILE_NEW),        key(FCONTROL, 'O', ID_FILE_OPEN),
      key(FCONTROL, 'S', ID_FILE_SAVE),       key(FCONTROL, 'P', ID_FILE_PRINT),
      key(FCONTROL, 'Z', ID_EDIT_UNDO),       key(FALT, VK_BACK, ID_EDIT_UNDO),
      key(FCONTROL, 'X', ID_EDIT_CUT),        key(FSHIFT, VK_DELETE, ID_EDIT_CUT),
      key(FCONTROL, 'C', ID_EDIT_COPY),       key(FCONTROL, VK_INSERT, ID_EDIT_COPY),
      key(FCONTROL, 'V', ID_EDIT_PASTE),      key(FSHIFT, VK_INSERT, ID_EDIT_PASTE),
      key(0, VK_F6, ID_NEXT_PANE),            key(FSHIFT, VK_F6, ID_PREV_PANE),
  };
}

// The standard bar: new, open, save | cut, copy, paste | print, about.
const std::vector<UINT>& ToolBarCommands() {
  static const std::vector<UINT> commands = {ID_FILE_NEW,   ID_FILE_OPEN, ID_FILE_SAVE,  0,           ID_EDIT_CUT,
                                             ID_EDIT_COPY,  ID_EDIT_PASTE, 0,            ID_FILE_PRINT, ID_APP_ABOUT};
  return commands;
}

// One 16x15 picture per button, drawn from the style's standard icons.
QImage ToolBarStrip() {
  const QStyle::StandardPixmap pictures[] = {
      QStyle::SP_FileIcon,         QStyle::SP_DirOpenIcon,        QStyle::SP_DialogSaveButton,
      QStyle::SP_DialogDiscardButton, QStyle::SP_FileDialogDetailedView, QStyle::SP_FileDialogContentsView,
      QStyle::SP_ComputerIcon,     QStyle::SP_MessageBoxQuestion,
  };
  constexpr int kWidth = 16, kHeight = 15;
  QImage strip(kWidth * static_cast<int>(std::size(pictures)), kHeight, QImage::Format_ARGB32_Premultiplied);
  strip.fill(Qt::transparent);
  QPainter painter(&strip);
  int x = 0;
  for (QStyle::StandardPixmap picture : pictures) {
    QApplication::style()->standardIcon(picture).paint(&painter, QRect(x, 0, kWidth, kHeight));
    x += kWidth;
  }
  return strip;
}

}  // namespace

void RegisterMainFrameResources() {
  RegisterMenuResource(IDR_MAINFRAME, FrameMenu());
  RegisterMenuResource(IDR_RUVFRATYPE, PlantFormMenu());
  RegisterAcceleratorResource(IDR_MAINFRAME, StandardAccelerators());
  RegisterBitmapResource(IDR_MAINFRAME, ToolBarStrip());
  ToolBarResource bar;
  bar.buttonWidth = 16;
  bar.buttonHeight = 15;
  bar.bitmapId = IDR_MAINFRAME;
  bar.commands = ToolBarCommands();
  RegisterToolBarResource(IDR_MAINFRAME, bar);
}
