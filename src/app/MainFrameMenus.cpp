#include "app/MainFrameMenus.h"

#include <QApplication>
#include <QPainter>
#include <QPen>
#include <QStyle>
#include <vector>

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

constexpr int kPictureWidth = 16, kPictureHeight = 15;

// Scissors: two finger rings below, the blades crossing above them.
void DrawCut(QPainter& p) {
  p.setPen(QPen(QColor(40, 40, 40), 1));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(QRect(1, 9, 5, 5));
  p.drawEllipse(QRect(9, 9, 5, 5));
  p.setPen(QPen(QColor(90, 90, 110), 2));
  p.drawLine(5, 9, 11, 1);
  p.drawLine(10, 9, 4, 1);
}

// A written page with its lines of text.
void DrawPage(QPainter& p, const QRect& page) {
  p.setPen(QColor(40, 40, 40));
  p.setBrush(Qt::white);
  p.drawRect(page);
  p.setPen(QColor(0, 0, 140));
  for (int y = page.top() + 2; y < page.bottom() - 1; y += 2) p.drawLine(page.left() + 2, y, page.right() - 2, y);
}

// Two pages, the copy over the original.
void DrawCopy(QPainter& p) {
  DrawPage(p, QRect(1, 1, 8, 9));
  DrawPage(p, QRect(6, 5, 8, 9));
}

// A clipboard with its clip, a page laid on it.
void DrawPaste(QPainter& p) {
  p.setPen(QColor(70, 45, 10));
  p.setBrush(QColor(190, 140, 60));
  p.drawRect(QRect(1, 2, 10, 12));
  p.setPen(QColor(40, 40, 40));
  p.setBrush(QColor(170, 170, 170));
  p.drawRect(QRect(4, 0, 4, 3));
  DrawPage(p, QRect(6, 6, 8, 8));
}

// A printer: the blank sheet going in on top, the printed one coming out in front.
void DrawPrint(QPainter& p) {
  p.setPen(QColor(40, 40, 40));
  p.setBrush(Qt::white);
  p.drawRect(QRect(4, 0, 7, 5));
  p.setBrush(QColor(190, 190, 190));
  p.drawRect(QRect(0, 5, 15, 6));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 170, 0));
  p.drawRect(QRect(12, 7, 2, 1));
  DrawPage(p, QRect(3, 9, 9, 5));
}

// The picture of what a button's command does.
QImage ToolBarPicture(UINT command) {
  QImage picture(kPictureWidth, kPictureHeight, QImage::Format_ARGB32_Premultiplied);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  const auto standard = [&](QStyle::StandardPixmap which) {
    QApplication::style()->standardIcon(which).paint(&painter, picture.rect());
  };
  switch (command) {
    case ID_FILE_NEW: standard(QStyle::SP_FileIcon); break;
    case ID_FILE_OPEN: standard(QStyle::SP_DirOpenIcon); break;
    case ID_FILE_SAVE: standard(QStyle::SP_DialogSaveButton); break;
    case ID_EDIT_CUT: DrawCut(painter); break;
    case ID_EDIT_COPY: DrawCopy(painter); break;
    case ID_EDIT_PASTE: DrawPaste(painter); break;
    case ID_FILE_PRINT: DrawPrint(painter); break;
    case ID_APP_ABOUT: standard(QStyle::SP_MessageBoxQuestion); break;
    default: break;
  }
  return picture;
}

// One 16x15 picture per button, in the bar's order: each is chosen by its
// button's command, so a picture never stands on another command's button.
QImage ToolBarStrip() {
  std::vector<UINT> buttons;
  for (UINT id : ToolBarCommands()) {
    if (id != 0) buttons.push_back(id);
  }
  QImage strip(kPictureWidth * static_cast<int>(buttons.size()), kPictureHeight, QImage::Format_ARGB32_Premultiplied);
  strip.fill(Qt::transparent);
  QPainter painter(&strip);
  int x = 0;
  for (UINT id : buttons) {
    painter.drawImage(x, 0, ToolBarPicture(id));
    x += kPictureWidth;
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
