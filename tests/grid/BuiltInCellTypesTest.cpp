// The built-in and the optional cell types: each drawn into an image and
// probed, and their reactions to the mouse and the keyboard.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QWidget>
#include <string>
#include <vector>

#include "grid/CUGArrowType.h"
#include "grid/CUGAutoFontType.h"
#include "grid/CUGCheckBoxType.h"
#include "grid/CUGCtrl.h"
#include "grid/CUGDropListType.h"
#include "grid/CUGGrid.h"
#include "grid/CUGGridInfo.h"
#include "grid/CUGLstBox.h"
#include "grid/CUGSliderType.h"
#include "platform/ui/CDC.h"
#include "platform/ui/CFont.h"
#include "platform/ui/SystemMetrics.h"
#include "support/TestEnvironment.h"

namespace {

constexpr QRgb kWhite = 0xFFFFFFFF;
constexpr QRgb kBlack = 0xFF000000;

struct Note {
  long typeId, col, row, message;
  std::intptr_t param;
  bool operator==(const Note&) const = default;
};

// Records what the cell types report; answers `answer` (a drop list's choices are copied).
class TypesGrid : public CUGCtrl {
 public:
  TypesGrid() {
    sliderId = RegisterCellType(&slider);
    autoFontId = RegisterCellType(&autoFont);
    m_GI->m_drawGridLines = 0;
    ResizeCols(3, FALSE);
    ResizeRows(20, FALSE);
  }
  int OnCellTypeNotify(long typeId, int col, long row, long message, std::intptr_t param) override {
    // The drop list's messages 100, 101 and 103 carry addresses; the slider's 100 its value.
    const bool address = typeId == kCellTypeDropList &&
                         (message == CUGDropListType::kDropping || message == CUGLstBox::kNotifySelected ||
                          message == CUGLstBox::kNotifyWritten);
    notes.push_back({typeId, col, row, message, address ? 0 : param});
    if (address && message == CUGDropListType::kDropping) offered = *reinterpret_cast<const CUGDropListType::Choices*>(param);
    return answer;
  }
  // The cell's stored number after a type wrote it.
  double Number(int col, long row) {
    CUGCell cell;
    ReadCell(col, row, &cell);
    return cell.GetNumber();
  }
  void Put(int col, long row, int type, long style, const char* text = nullptr, BOOL readOnly = FALSE) {
    CUGCell cell;
    cell.SetCellType(type);
    cell.SetCellTypeEx(style);
    if (text) cell.SetText(text);
    cell.SetReadOnly(readOnly);
    WriteCell(col, row, &cell);
  }

  CUGSliderType slider;
  CUGAutoFontType autoFont;
  int sliderId = -1;
  int autoFontId = -1;
  std::vector<Note> notes;
  CUGDropListType::Choices offered;
  int answer = TRUE;
};

QImage Draw(CUGCellType& type, CUGCell& cell, int width, int height, int selected = 0) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(kWhite);
  CDC dc;
  EXPECT_TRUE(dc.AttachImage(&image));
  RECT rect{0, 0, width, height};
  type.OnDraw(&dc, &rect, 0, 0, &cell, selected, 0);
  dc.Detach();
  return image;
}

// The rows of column x that hold black pixels.
std::vector<int> BlackRows(const QImage& image, int x) {
  std::vector<int> rows;
  for (int y = 0; y < image.height(); ++y)
    if (image.pixel(x, y) == kBlack) rows.push_back(y);
  return rows;
}

QRgb Pixel(COLORREF color) { return qRgb(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF); }

int CountColour(const QImage& image, QRgb colour) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) count += image.pixel(x, y) == colour;
  return count;
}

void Plain(CUGCell& cell, long style, const char* text = nullptr) {
  cell.SetTextColor(0x000000);
  cell.SetBackColor(0xFFFFFF);
  cell.SetHTextColor(0xFFFFFF);
  cell.SetHBackColor(0x800000);
  cell.SetCellTypeEx(style);
  if (text) cell.SetText(text);
}

// How many rows the dark pixels span.
int InkHeight(const QImage& image) {
  int top = image.height(), bottom = -1;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (qGray(image.pixel(x, y)) < 128) top = std::min(top, y), bottom = std::max(bottom, y);
  return bottom < 0 ? 0 : bottom - top + 1;
}

// ---------------------------------------------------------------- drawing

TEST(CellTypeDrawing, ArrowGlyphsStandCentredWithTheirTallSideAwayFromTheTip) {
  TypesGrid grid;
  // A 20x20 cell: one arrow is 4 pixels wide from x 8, two are 10 from x 5; the middle row is 10.
  const std::vector<int> tall{7, 8, 9, 10, 11, 12, 13};
  const std::vector<int> tip{10};
  struct Case {
    long style;
    std::vector<int> tallAt, tipAt;
  };
  for (const Case& c : {Case{0, {8}, {11}}, Case{CUGArrowType::kRight, {8}, {11}}, Case{CUGArrowType::kLeft, {11}, {8}},
                        Case{CUGArrowType::kDoubleRight, {5, 11}, {8, 14}},
                        Case{CUGArrowType::kDoubleLeft, {8, 14}, {5, 11}}}) {
    CUGCell cell;
  Plain(cell, c.style);
    const QImage image = Draw(grid.m_arrowType, cell, 20, 20);
    for (int x : c.tallAt) EXPECT_EQ(BlackRows(image, x), tall) << c.style << " at " << x;
    for (int x : c.tipAt) EXPECT_EQ(BlackRows(image, x), tip) << c.style << " at " << x;
  }
  // A selected cell draws the glyph in its highlight text colour.
  CUGCell cell;
  Plain(cell, 0);
  EXPECT_EQ(CountColour(Draw(grid.m_arrowType, cell, 20, 20, 1), kBlack), 0);
  CDC dc;
  CSize size(0, 20);
  grid.m_arrowType.GetBestSize(&dc, &size, &cell);
  EXPECT_EQ(size.cx, 10);
  cell.SetCellTypeEx(CUGArrowType::kDoubleLeft);
  grid.m_arrowType.GetBestSize(&dc, &size, &cell);
  EXPECT_EQ(size.cx, 14);
}

TEST(CellTypeDrawing, EveryTypeDrawsItsOwnLook) {
  TypesGrid grid;
  // Check box: a 12-pixel box from (3, 4); a cross when checked, nothing inside when not.
  CUGCell box;
  Plain(box, 0);
  box.SetNumber(0);
  QImage image = Draw(grid.m_checkBoxType, box, 60, 20);
  EXPECT_EQ(image.pixel(3, 10), kBlack);
  EXPECT_EQ(image.pixel(14, 10), kBlack);
  EXPECT_EQ(image.pixel(9, 10), kWhite);
  box.SetNumber(1);
  image = Draw(grid.m_checkBoxType, box, 60, 20);
  EXPECT_EQ(image.pixel(9, 10), kBlack);
  // A cell too low for a 6-pixel box has none.
  const RECT low = grid.m_checkBoxType.BoxRect(RECT{0, 0, 60, 11}, &box);
  EXPECT_EQ(low.right, low.left);

  // Drop list: the button at the right with its black triangle; grey on a read-only cell.
  const int button = grid.m_dropListType.GetButtonWidth();
  CUGCell list;
  Plain(list, 0, "True");
  image = Draw(grid.m_dropListType, list, 80, 20).copy(80 - button, 0, button, 20);
  EXPECT_GT(CountColour(image, kBlack), 0);
  EXPECT_GT(CountColour(image, Pixel(GetSysColor(COLOR_BTNFACE))), 0);
  list.SetReadOnly(TRUE);
  image = Draw(grid.m_dropListType, list, 80, 20).copy(80 - button, 0, button, 20);
  EXPECT_EQ(CountColour(image, kBlack), 0);
  EXPECT_GT(CountColour(image, 0xFF808080), 0);
  // Bit 0x200 draws a cell that is not current without the button.
  list.SetCellTypeEx(CUGDropListType::kNormalUnlessCurrent);
  EXPECT_EQ(CountColour(Draw(grid.m_dropListType, list, 80, 20).copy(80 - button, 0, button, 20), 0xFF808080), 0);

  // Slider: the thumb's black outline two pixels left of its x; 150 at the right end, -5 and
  // letters at the left.
  for (const auto& [text, outlineX] : std::vector<std::pair<const char*, int>>{{"150", 95}, {"-5", 1}, {"abc", 1}, {"50", 48}}) {
    CUGCell slider;
  Plain(slider, 0, text);
    image = Draw(grid.slider, slider, 100, 20);
    EXPECT_EQ(BlackRows(image, outlineX).size(), 17u) << text;  // top + 2 to bottom - 2
  }

  // Auto font: "12" in a 200x20 cell stands taller than the normal type draws it.
  CUGCell text;
  Plain(text, 0, "12");
  EXPECT_GT(InkHeight(Draw(grid.autoFont, text, 200, 20)), InkHeight(Draw(grid.m_normalCellType, text, 200, 20)));
}

TEST(CellTypeDrawing, AutoFontStaysWithinTheCellAndLeavesEmptyTextsUnfitted) {
  QImage surface(1, 1, QImage::Format_RGB32);
  CDC dc;
  ASSERT_TRUE(dc.AttachImage(&surface));
  const auto font = CUGAutoFontType::CreateFittedFont(&dc, RECT{0, 0, 200, 20}, "12");
  ASSERT_NE(font, nullptr);
  LOGFONT description;
  ASSERT_TRUE(font->GetLogFont(&description));
  EXPECT_LE(description.lfHeight, 20);
  EXPECT_GE(description.lfHeight, 2);
  EXPECT_EQ(description.lfWeight, 600);
  // A narrow cell gets a font whose text fits its width.
  const auto narrow = CUGAutoFontType::CreateFittedFont(&dc, RECT{0, 0, 40, 200}, "12345");
  ASSERT_NE(narrow, nullptr);
  dc.SelectObject(narrow.get());
  EXPECT_LE(dc.GetTextExtent("12345").cx, 40);
  EXPECT_EQ(CUGAutoFontType::CreateFittedFont(&dc, RECT{0, 0, 200, 20}, ""), nullptr);
  dc.Detach();
}

// ---------------------------------------------------------------- check box

TEST(CheckBoxType, PressesInsideTheBoxCycleItsStatesAndTellTheControl) {
  TypesGrid grid;
  RECT rect{0, 0, 75, 20};
  POINT inBox{8, 10};
  grid.Put(0, 0, CUGCtrl::kCellTypeCheckBox, CUGCheckBoxType::kThreeStates);
  grid.Put(1, 0, CUGCtrl::kCellTypeCheckBox, 0);
  std::vector<double> three, two;
  for (int i = 0; i < 4; ++i) {
    EXPECT_TRUE(grid.m_checkBoxType.OnLClicked(0, 0, 1, &rect, &inBox));
    three.push_back(grid.Number(0, 0));
    grid.m_checkBoxType.OnLClicked(1, 0, 1, &rect, &inBox);
    two.push_back(grid.Number(1, 0));
  }
  EXPECT_EQ(three, (std::vector<double>{1, 2, 0, 1}));
  EXPECT_EQ(two, (std::vector<double>{1, 0, 1, 0}));
  ASSERT_EQ(grid.notes.size(), 8u);
  EXPECT_EQ(grid.notes[2], (Note{CUGCtrl::kCellTypeCheckBox, 0, 0, CUGCheckBoxType::kToggled, 2}));

  // A double click on the box is a press; the space key toggles anywhere in the cell.
  EXPECT_TRUE(grid.m_checkBoxType.OnDClicked(1, 0, &rect, &inBox));
  EXPECT_EQ(grid.Number(1, 0), 1);
  UINT key = ' ';
  EXPECT_TRUE(grid.m_checkBoxType.OnCharDown(1, 0, &key));
  EXPECT_EQ(grid.Number(1, 0), 0);
  key = 'x';
  EXPECT_FALSE(grid.m_checkBoxType.OnCharDown(1, 0, &key));

  // Whatever number a cell held, the next value is one of its states.
  grid.PutCellNumber(1, 0, 1e300);
  grid.m_checkBoxType.OnCharDown(1, 0, &(key = ' '));
  EXPECT_EQ(grid.Number(1, 0), 0);
  grid.PutCellNumber(1, 0, -2);
  grid.m_checkBoxType.OnCharDown(1, 0, &key);
  EXPECT_EQ(grid.Number(1, 0), 1);
}

TEST(CheckBoxType, PressesOutsideTheBoxAndLockedBoxesChangeNothing) {
  TypesGrid grid;
  RECT rect{0, 0, 75, 20};
  POINT inBox{8, 10}, beside{40, 10};
  grid.Put(0, 0, CUGCtrl::kCellTypeCheckBox, 0);
  grid.Put(1, 0, CUGCtrl::kCellTypeCheckBox, 0, nullptr, TRUE);
  grid.Put(2, 0, CUGCtrl::kCellTypeCheckBox, CUGCheckBoxType::kDisabled);
  EXPECT_FALSE(grid.m_checkBoxType.OnLClicked(0, 0, 1, &rect, &beside));
  EXPECT_FALSE(grid.m_checkBoxType.OnLClicked(0, 0, 0, &rect, &inBox));  // a release
  UINT key = ' ';
  for (int col : {1, 2}) {
    EXPECT_FALSE(grid.m_checkBoxType.OnLClicked(col, 0, 1, &rect, &inBox));
    EXPECT_FALSE(grid.m_checkBoxType.OnCharDown(col, 0, &key));
    EXPECT_EQ(grid.Number(col, 0), 0);
  }
  EXPECT_EQ(grid.Number(0, 0), 0);
  EXPECT_TRUE(grid.notes.empty());

  // Placed by alignment: right-aligned boxes end 6 pixels before the edge.
  CUGCell cell;
  Plain(cell, CUGCheckBoxType::kPlaceByAlignment);
  cell.SetAlignment(CUGCellType::kAlignRight | CUGCellType::kAlignTop);
  const RECT placed = grid.m_checkBoxType.BoxRect(rect, &cell);
  EXPECT_EQ(placed.right, 75 - 6);
  EXPECT_EQ(placed.top, 3);
}

// ---------------------------------------------------------------- slider

// A shown grid with the focus, its cell area laid out.
class WindowedTypes : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(grid.CreateEx(0, "", "", WS_OVERLAPPED, CRect(0, 0, 300, 400), nullptr, 0));
    grid.SetPaintingEnabled(1);
    grid.ShowWindow(SW_SHOW);
    QApplication::setActiveWindow(grid.GetWidget());
  }
  TypesGrid grid;
};


using SliderType = WindowedTypes;

TEST_F(SliderType, DraggingPastTheEndGivesOneHundredOncePerChange) {
  grid.Put(0, 0, grid.sliderId, 0, "0");
  RECT rect{0, 0, grid.ColWidth(0), grid.RowHeight(0)};
  POINT press{2, 10};
  EXPECT_TRUE(grid.slider.OnLClicked(0, 0, 1, &rect, &press));
  POINT far{500, 10};
  EXPECT_TRUE(grid.slider.OnMouseMove(0, 0, &far, MK_LBUTTON));
  EXPECT_TRUE(grid.slider.OnMouseMove(0, 0, &far, MK_LBUTTON));
  EXPECT_EQ(grid.Number(0, 0), 100);
  EXPECT_EQ(grid.notes, (std::vector<Note>{{grid.sliderId, 0, 0, CUGSliderType::kValueChanged, 100}}));
  POINT middle{3 + (75 - 6) / 2, 10};
  grid.slider.OnMouseMove(0, 0, &middle, MK_LBUTTON);
  EXPECT_EQ(grid.Number(0, 0), 34 * 100 / 69);
  // Without the button held nothing follows the mouse.
  EXPECT_FALSE(grid.slider.OnMouseMove(0, 0, &far, 0));
  EXPECT_EQ(grid.Number(0, 0), 34 * 100 / 69);
  // A press away from the thumb starts no drag.
  POINT away{5, 10};
  EXPECT_FALSE(grid.slider.OnLClicked(0, 0, 1, &rect, &away));
  EXPECT_FALSE(grid.slider.OnMouseMove(0, 0, &far, MK_LBUTTON));
}

TEST_F(SliderType, ReadOnlyAndNarrowCellsKeepTheirValueAndTextsReadSaturated) {
  grid.Put(0, 0, grid.sliderId, 0, "0", TRUE);
  grid.Put(1, 0, grid.sliderId, 0, "0");
  grid.ChangeColumnWidth(1, 6);
  POINT press{2, 10}, far{500, 10};
  for (int col : {0, 1}) {
    RECT rect{0, 0, grid.ColWidth(col), 20};
    grid.slider.OnLClicked(col, 0, 1, &rect, &press);
    grid.slider.OnMouseMove(col, 0, &far, MK_LBUTTON);
    EXPECT_EQ(grid.Number(col, 0), 0) << col;
  }
  EXPECT_TRUE(grid.notes.empty());
  EXPECT_EQ(CUGSliderType::ValueOf("42 kg"), 42);
  EXPECT_EQ(CUGSliderType::ValueOf("99999999999999999999999"), 100);
  EXPECT_EQ(CUGSliderType::ValueOf(nullptr), 0);
}

// ---------------------------------------------------------------- drop list

class DropListType : public WindowedTypes {
 protected:
  // Presses the button of a cell (making it current first) and answers the result.
  BOOL PressButton(int col, long row) {
    grid.GotoCell(col, row);
    int c = col;
    long r = row;
    grid.GetCellRect(&c, &r, &rect);
    POINT onButton{rect.right - 2, rect.top + 5};
    return type().OnLClicked(col, row, 1, &rect, &onButton);
  }
  RECT ListPlace() {
    RECT place{};
    type().ListWindow()->GetWindowRect(&place);
    grid.m_CUGGrid->ScreenToClient(&place);
    return place;
  }
  CUGDropListType& type() { return grid.m_dropListType; }
  RECT rect{};
};

TEST_F(DropListType, ChoicesEndAtEachLineFeedAndTheControlMayRefuseTheList) {
  EXPECT_EQ(CUGDropListType::SplitChoices("True\nFalse\n"), (CUGDropListType::Choices{"True", "False"}));
  EXPECT_EQ(CUGDropListType::SplitChoices("True\nFalse"), (CUGDropListType::Choices{"True"}));

  CUGCell cell;
  cell.SetCellType(CUGCtrl::kCellTypeDropList);
  cell.SetLabelText("True\nFalse\n");
  grid.WriteCell(1, 2, &cell);
  grid.answer = FALSE;
  EXPECT_TRUE(PressButton(1, 2));
  EXPECT_EQ(grid.offered, (CUGDropListType::Choices{"True", "False"}));
  ASSERT_EQ(grid.notes.size(), 1u);
  EXPECT_EQ(grid.notes[0].message, CUGDropListType::kDropping);
  EXPECT_TRUE(type().ListWindow()->GetSafeHwnd() == nullptr || !type().ListWindow()->IsWindowVisible());

  // A read-only cell drops nothing and asks nobody.
  grid.answer = TRUE;
  grid.notes.clear();
  cell.SetReadOnly(TRUE);
  grid.WriteCell(0, 0, &cell);
  PressButton(0, 0);
  EXPECT_TRUE(grid.notes.empty());
}

TEST_F(DropListType, TheListIsFifteenLinesAtMostAndStaysInsideTheCellArea) {
  std::string sixteen;
  for (int i = 0; i < 16; ++i) sixteen += "choice " + std::to_string(i) + "\n";
  CFont font;
  font.CreateFont(-12, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, "DejaVu Sans");
  CUGCell cell;
  cell.SetCellType(CUGCtrl::kCellTypeDropList);
  cell.SetLabelText(sixteen.c_str());
  cell.SetFont(&font);
  grid.WriteCell(0, 0, &cell);
  grid.WriteCell(0, 12, &cell);

  ASSERT_TRUE(PressButton(0, 0));
  ASSERT_TRUE(type().ListWindow()->IsWindowVisible());
  EXPECT_EQ(type().ListWindow()->GetCount(), 16);
  const int lineHeight = 12 * 96 / 72;
  RECT place = ListPlace();
  EXPECT_EQ(place.left, rect.left + 10);
  EXPECT_EQ(place.top, rect.bottom);
  EXPECT_EQ(place.bottom - place.top, 15 * lineHeight + 6);

  // A second press on the same button closes the list.
  EXPECT_FALSE(PressButton(0, 0));
  EXPECT_FALSE(type().ListWindow()->IsWindowVisible());
  EXPECT_EQ(type().DroppedCol(), -1);

  // Near the bottom the list moves up to stay within the area.
  ASSERT_TRUE(PressButton(0, 12));
  RECT area{};
  grid.m_CUGGrid->GetClientRect(&area);
  place = ListPlace();
  EXPECT_EQ(place.bottom, area.bottom);
  EXPECT_EQ(place.bottom - place.top, 15 * lineHeight + 6);
}

TEST_F(DropListType, AChoiceIsReportedAndStoredAndEscapeLeavesTheCell) {
  CUGCell cell;
  cell.SetCellType(CUGCtrl::kCellTypeDropList);
  cell.SetLabelText("True\nFalse\n");
  cell.SetText("True");
  grid.WriteCell(1, 1, &cell);

  ASSERT_TRUE(PressButton(1, 1));
  grid.notes.clear();
  CUGLstBox* list = type().ListWindow();
  list->SetCurSel(1);
  list->SelectItem();
  EXPECT_STREQ(grid.GetCellText(1, 1), "False");
  EXPECT_EQ(grid.notes, (std::vector<Note>{{1, 1, 1, CUGLstBox::kNotifySelectedIndex, 1},
                                           {1, 1, 1, CUGLstBox::kNotifySelected, 0},
                                           {1, 1, 1, CUGLstBox::kNotifyWritten, 0}}));
  EXPECT_EQ(type().DroppedCol(), -1);

  // Escape closes the list unchosen: the cell keeps its text, and the next press drops it again.
  UINT enter = VK_RETURN;
  ASSERT_TRUE(type().OnKeyDown(1, 1, &enter));
  EXPECT_EQ(enter, 0u);
  ASSERT_TRUE(list->IsWindowVisible());
  list->SetCurSel(0);
  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(list->GetWidget(), &escape);
  EXPECT_EQ(list->GetSafeHwnd(), nullptr);
  EXPECT_STREQ(grid.GetCellText(1, 1), "False");
  EXPECT_TRUE(PressButton(1, 1));
  EXPECT_TRUE(list->IsWindowVisible());

  // Losing the focus without a choice marks the cell type's column and row.
  grid.m_CUGGrid->SetFocus();
  EXPECT_EQ(type().DroppedCol(), CUGDropListType::kJustClosed);
  EXPECT_EQ(type().DroppedRow(), CUGDropListType::kJustClosed);
  EXPECT_STREQ(grid.GetCellText(1, 1), "False");
}

TEST_F(DropListType, ModifiedClicksInAMultipleSelectionOnlyReportProcessed) {
  CUGCell cell;
  cell.SetCellType(CUGCtrl::kCellTypeDropList);
  cell.SetLabelText("a\nb\n");
  grid.WriteCell(0, 0, &cell);
  grid.m_GI->m_multiSelectFlag = 1;
  ScopedKeyState keys;
  keys.Press(VK_CONTROL);
  EXPECT_TRUE(PressButton(0, 0));
  EXPECT_TRUE(grid.notes.empty());
  keys.ReleaseAll();
  // Ctrl+Down drops it; Return and Down as characters never reach the editor.
  keys.Press(VK_CONTROL);
  UINT down = VK_DOWN;
  EXPECT_TRUE(type().OnKeyDown(0, 0, &down));
  EXPECT_EQ(grid.notes.size(), 1u);
  UINT character = VK_RETURN;
  EXPECT_TRUE(type().OnCharDown(0, 0, &character));
  RECT edit{0, 0, 75, 20};
  type().GetEditArea(&edit);
  EXPECT_EQ(edit.right, 75 - type().GetButtonWidth() - 1);
}

}  // namespace
