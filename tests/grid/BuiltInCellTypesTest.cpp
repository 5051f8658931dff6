// The built-in and the optional cell types: each drawn into an image and
// probed, and their reactions to the mouse and the keyboard.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QWidget>
#include <string>
#include <vector>

#include "grid/CUGAutoFontType.h"
#include "grid/CUGCtrl.h"
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
  std::intptr_t param;  // 0 for the drop list's addresses
  bool operator==(const Note&) const = default;
};


// Records what the cell types report and answers `answer`.
class TypesGrid : public CUGCtrl {
 public:
  TypesGrid() {
    sliderId = RegisterCellType(&slider);
    RegisterCellType(&autoFont);
    m_GI->m_drawGridLines = 0;
    ResizeCols(3, FALSE);
    ResizeRows(20, FALSE);
  }
  int OnCellTypeNotify(long typeId, int col, long row, long message, std::intptr_t param) override {
    const bool address = typeId == kCellTypeDropList && message != CUGLstBox::kNotifySelectedIndex;
    notes.push_back({typeId, col, row, message, address ? 0 : param});
    if (address && message == CUGDropListType::kDropping) offered = *reinterpret_cast<CUGDropListType::Choices*>(param);
    return answer;
  }
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
  std::vector<Note> notes;
  CUGDropListType::Choices offered;
  int answer = TRUE;
};

// Draws a black-on-white cell (white on dark blue when selected) of the style.
QImage Draw(CUGCellType& type, int width, int height, long style, const char* text = nullptr, int selected = 0,
            BOOL readOnly = FALSE) {
  CUGCell cell;
  cell.SetTextColor(0x000000);
  cell.SetBackColor(0xFFFFFF);
  cell.SetHTextColor(0xFFFFFF);
  cell.SetHBackColor(0x800000);
  cell.SetCellTypeEx(style);
  cell.SetReadOnly(readOnly);
  if (text) cell.SetText(text);
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(kWhite);
  CDC dc;
  dc.AttachImage(&image);
  RECT rect{0, 0, width, height};
  type.OnDraw(&dc, &rect, 0, 0, &cell, selected, 0);
  dc.Detach();
  return image;
}

std::vector<int> BlackRows(const QImage& image, int x) {
  std::vector<int> rows;
  for (int y = 0; y < image.height(); ++y)
    if (image.pixel(x, y) == kBlack) rows.push_back(y);
  return rows;
}

int CountColour(const QImage& image, COLORREF color) {
  const QRgb wanted = qRgb(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
  int count = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) count += image.pixel(x, y) == wanted;
  return count;
}

TEST(CellTypeDrawing, ArrowGlyphsStandCentredWithTheirTallSideAwayFromTheTip) {
  TypesGrid grid;
  // In a 20x20 cell one arrow spans x 8 to 11, two span 5 to 14; the middle row is 10.
  const std::vector<int> tall{7, 8, 9, 10, 11, 12, 13}, tip{10};
  struct Case {
    long style;
    std::vector<int> tallAt, tipAt;
  };
  for (const Case& c : {Case{0, {8}, {11}}, Case{0x10, {8}, {11}}, Case{0x20, {11}, {8}},
                        Case{0x40, {5, 11}, {8, 14}}, Case{0x80, {8, 14}, {5, 11}}}) {
    const QImage image = Draw(grid.m_arrowType, 20, 20, c.style);
    for (int x : c.tallAt) EXPECT_EQ(BlackRows(image, x), tall) << c.style << " at " << x;
    for (int x : c.tipAt) EXPECT_EQ(BlackRows(image, x), tip) << c.style << " at " << x;
  }
  EXPECT_EQ(CountColour(Draw(grid.m_arrowType, 20, 20, 0, nullptr, 1), 0x000000), 0);  // highlight colour
}

TEST(CellTypeDrawing, EveryTypeDrawsItsOwnLook) {
  TypesGrid grid;
  // Check box: a 12-pixel frame from (3, 4), crossed when the value is 1; none in a low cell.
  QImage image = Draw(grid.m_checkBoxType, 60, 20, 0, "0");
  EXPECT_EQ(image.pixel(3, 10), kBlack);
  EXPECT_EQ(image.pixel(14, 10), kBlack);
  EXPECT_EQ(image.pixel(9, 10), kWhite);
  EXPECT_EQ(Draw(grid.m_checkBoxType, 60, 20, 0, "1").pixel(9, 10), kBlack);
  CUGCell box;
  const RECT low = grid.m_checkBoxType.BoxRect(RECT{0, 0, 60, 11}, &box);
  EXPECT_EQ(low.right, low.left);

  // Drop list: a face-coloured button with a black triangle, grey when read-only,
  // none with bit 0x200 on a cell that is not current.
  const int button = grid.m_dropListType.GetButtonWidth();
  image = Draw(grid.m_dropListType, 80, 20, 0, "True").copy(80 - button, 0, button, 20);
  EXPECT_GT(CountColour(image, 0x000000), 0);
  EXPECT_GT(CountColour(image, GetSysColor(COLOR_BTNFACE)), 0);
  image = Draw(grid.m_dropListType, 80, 20, 0, "True", 0, TRUE).copy(80 - button, 0, button, 20);
  EXPECT_EQ(CountColour(image, 0x000000), 0);
  EXPECT_GT(CountColour(image, 0x808080), 0);
  image = Draw(grid.m_dropListType, 80, 20, 0x200, "True").copy(80 - button, 0, button, 20);
  EXPECT_EQ(CountColour(image, GetSysColor(COLOR_BTNFACE)), 0);

  // Slider: the thumb's outline (x - 2, rows 2 to 17) at the right end for 150, at the left
  // for -5 and for letters.
  for (const auto& [text, outlineX] : std::vector<std::pair<const char*, int>>{{"150", 95}, {"-5", 1}, {"abc", 1}, {"50", 48}})
    EXPECT_EQ(BlackRows(Draw(grid.slider, 100, 20, 0, text), outlineX).size(), 16u + 1) << text;

  // Auto font: "12" in a bold font no taller than the cell; an empty text is not fitted.
  EXPECT_GT(CountColour(Draw(grid.autoFont, 200, 20, 0, "12"), 0x000000), 0);
  CDC dc;
  QImage surface(1, 1, QImage::Format_RGB32);
  dc.AttachImage(&surface);
  const auto font = CUGAutoFontType::CreateFittedFont(&dc, RECT{0, 0, 200, 20}, "12");
  LOGFONT description;
  ASSERT_TRUE(font && font->GetLogFont(&description));
  EXPECT_LE(description.lfHeight, 20);
  EXPECT_EQ(description.lfWeight, 600);
  EXPECT_EQ(CUGAutoFontType::CreateFittedFont(&dc, RECT{0, 0, 200, 20}, ""), nullptr);
  dc.Detach();
}

TEST(CheckBoxType, PressesInsideTheBoxCycleItsStatesAndTellTheControl) {
  TypesGrid grid;
  RECT rect{0, 0, 75, 20};
  POINT inBox{8, 10};
  grid.Put(0, 0, CUGCtrl::kCellTypeCheckBox, CUGCheckBoxType::kThreeStates);
  grid.Put(1, 0, CUGCtrl::kCellTypeCheckBox, 0);
  for (const auto& [three, two] : std::vector<std::pair<double, double>>{{1, 1}, {2, 0}, {0, 1}, {1, 0}}) {
    EXPECT_TRUE(grid.m_checkBoxType.OnLClicked(0, 0, 1, &rect, &inBox));
    grid.m_checkBoxType.OnLClicked(1, 0, 1, &rect, &inBox);
    EXPECT_EQ(grid.Number(0, 0), three);
    EXPECT_EQ(grid.Number(1, 0), two);
  }
  ASSERT_EQ(grid.notes.size(), 8u);
  EXPECT_EQ(grid.notes[2], (Note{CUGCtrl::kCellTypeCheckBox, 0, 0, CUGCheckBoxType::kToggled, 2}));

  // A double click on the box is a press; the space key toggles anywhere in the cell.
  EXPECT_TRUE(grid.m_checkBoxType.OnDClicked(1, 0, &rect, &inBox));
  EXPECT_EQ(grid.Number(1, 0), 1);
  UINT key = ' ';
  EXPECT_TRUE(grid.m_checkBoxType.OnCharDown(1, 0, &key));
  EXPECT_EQ(grid.Number(1, 0), 0);
  // Whatever number a cell held, the next value is one of its states.
  for (const auto& [held, next] : std::vector<std::pair<double, double>>{{1e300, 0}, {-2, 1}}) {
    grid.PutCellNumber(1, 0, held);
    grid.m_checkBoxType.OnCharDown(1, 0, &key);
    EXPECT_EQ(grid.Number(1, 0), next) << held;
  }
}

TEST(CheckBoxType, PressesOutsideTheBoxOtherKeysAndLockedBoxesChangeNothing) {
  TypesGrid grid;
  RECT rect{0, 0, 75, 20};
  POINT inBox{8, 10}, beside{40, 10};
  grid.Put(0, 0, CUGCtrl::kCellTypeCheckBox, 0);
  grid.Put(1, 0, CUGCtrl::kCellTypeCheckBox, 0, nullptr, TRUE);
  grid.Put(2, 0, CUGCtrl::kCellTypeCheckBox, CUGCheckBoxType::kDisabled);
  EXPECT_FALSE(grid.m_checkBoxType.OnLClicked(0, 0, 1, &rect, &beside));
  EXPECT_FALSE(grid.m_checkBoxType.OnLClicked(0, 0, 0, &rect, &inBox));  // a release
  UINT other = 'x', key = ' ';
  EXPECT_FALSE(grid.m_checkBoxType.OnCharDown(0, 0, &other));
  for (int col : {1, 2}) {
    EXPECT_FALSE(grid.m_checkBoxType.OnLClicked(col, 0, 1, &rect, &inBox));
    EXPECT_FALSE(grid.m_checkBoxType.OnCharDown(col, 0, &key));
  }
  for (int col : {0, 1, 2}) EXPECT_EQ(grid.Number(col, 0), 0) << col;
  EXPECT_TRUE(grid.notes.empty());
}

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
  RECT rect{0, 0, 75, 20};
  POINT press{2, 10}, far{500, 10}, middle{3 + 34, 10};
  EXPECT_TRUE(grid.slider.OnLClicked(0, 0, 1, &rect, &press));
  EXPECT_TRUE(grid.slider.OnMouseMove(0, 0, &far, MK_LBUTTON));
  EXPECT_TRUE(grid.slider.OnMouseMove(0, 0, &far, MK_LBUTTON));
  EXPECT_EQ(grid.Number(0, 0), 100);
  EXPECT_EQ(grid.notes, (std::vector<Note>{{grid.sliderId, 0, 0, CUGSliderType::kValueChanged, 100}}));
  grid.slider.OnMouseMove(0, 0, &middle, MK_LBUTTON);
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
}

class DropListType : public WindowedTypes {
 protected:
  void PutList(int col, long row, const char* label, BOOL readOnly = FALSE, CFont* font = nullptr) {
    CUGCell cell;
    cell.SetCellType(CUGCtrl::kCellTypeDropList);
    cell.SetLabelText(label);
    cell.SetText("True");
    cell.SetReadOnly(readOnly);
    if (font) cell.SetFont(font);
    grid.WriteCell(col, row, &cell);
  }
  // Makes the cell current and presses its button.
  BOOL PressButton(int col, long row) {
    grid.GotoCell(col, row);
    grid.GetCellRect(&col, &row, &rect);
    POINT onButton{rect.right - 2, rect.top + 5};
    return type().OnLClicked(col, row, 1, &rect, &onButton);
  }
  RECT ListPlace() {
    RECT place{};
    type().ListWindow()->GetWindowRect(&place);
    grid.m_CUGGrid->ScreenToClient(&place);
    return place;
  }
  bool ListShown() { return type().ListWindow()->GetSafeHwnd() && type().ListWindow()->IsWindowVisible(); }
  CUGDropListType& type() { return grid.m_dropListType; }
  RECT rect{};
};

TEST_F(DropListType, ChoicesEndAtEachLineFeedAndTheControlMayRefuseTheList) {
  EXPECT_EQ(CUGDropListType::SplitChoices("True\nFalse\n"), (CUGDropListType::Choices{"True", "False"}));
  EXPECT_EQ(CUGDropListType::SplitChoices("True\nFalse"), (CUGDropListType::Choices{"True"}));
  PutList(1, 2, "True\nFalse\n");
  grid.answer = FALSE;
  EXPECT_TRUE(PressButton(1, 2));
  EXPECT_EQ(grid.offered, (CUGDropListType::Choices{"True", "False"}));
  EXPECT_EQ(grid.notes, (std::vector<Note>{{1, 1, 2, CUGDropListType::kDropping, 0}}));
  EXPECT_FALSE(ListShown());
  // A read-only cell drops nothing and asks nobody.
  PutList(0, 0, "True\nFalse\n", TRUE);
  PressButton(0, 0);
  EXPECT_EQ(grid.notes.size(), 1u);
}

TEST_F(DropListType, TheListIsFifteenLinesAtMostStaysInsideTheAreaAndASecondPressClosesIt) {
  std::string sixteen;
  for (int i = 0; i < 16; ++i) sixteen += "choice " + std::to_string(i) + "\n";
  CFont font;
  font.CreateFont(-12, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, "DejaVu Sans");
  PutList(0, 0, sixteen.c_str(), FALSE, &font);
  PutList(0, 12, sixteen.c_str(), FALSE, &font);
  const int height = 15 * (12 * 96 / 72) + 6;  // the font's 12 taken as points

  ASSERT_TRUE(PressButton(0, 0));
  ASSERT_TRUE(ListShown());
  EXPECT_EQ(CRect(ListPlace()), CRect(rect.left + 10, rect.bottom, rect.right + 10, rect.bottom + height));
  EXPECT_FALSE(PressButton(0, 0));
  EXPECT_FALSE(ListShown());
  EXPECT_EQ(type().DroppedCol(), -1);

  ASSERT_TRUE(PressButton(0, 12));
  RECT area{};
  grid.m_CUGGrid->GetClientRect(&area);
  EXPECT_EQ(CRect(ListPlace()), CRect(rect.left + 10, area.bottom - height, rect.right + 10, area.bottom));
}

TEST_F(DropListType, AChoiceIsReportedAndStoredAndEscapeOrFocusLossLeaveTheCell) {
  PutList(1, 1, "True\nFalse\n");
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

  // Return drops it; Escape closes it unchosen.
  UINT enter = VK_RETURN;
  ASSERT_TRUE(type().OnKeyDown(1, 1, &enter));
  EXPECT_EQ(enter, 0u);
  ASSERT_TRUE(ListShown());
  list->SetCurSel(0);
  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(list->GetWidget(), &escape);
  EXPECT_FALSE(ListShown());
  EXPECT_EQ(type().DroppedCol(), CUGDropListType::kJustClosed);
  EXPECT_EQ(type().DroppedRow(), CUGDropListType::kJustClosed);
  EXPECT_STREQ(grid.GetCellText(1, 1), "False");
  // Losing the focus closes it the same way.
  EXPECT_TRUE(PressButton(1, 1));
  EXPECT_TRUE(ListShown());
  grid.m_CUGGrid->SetFocus();
  EXPECT_FALSE(ListShown());
  EXPECT_EQ(type().DroppedCol(), CUGDropListType::kJustClosed);
}

TEST_F(DropListType, ModifiedPressesInAMultipleSelectionOnlyReportProcessed) {
  PutList(0, 0, "a\nb\n");
  grid.m_GI->m_multiSelectFlag = 1;
  ScopedKeyState keys;
  keys.Press(VK_CONTROL);
  EXPECT_TRUE(PressButton(0, 0));
  EXPECT_TRUE(grid.notes.empty());
  // Ctrl+Down drops it; Return as a character never reaches the editor.
  UINT down = VK_DOWN, character = VK_RETURN;
  EXPECT_TRUE(type().OnKeyDown(0, 0, &down));
  EXPECT_EQ(grid.notes.size(), 1u);
  EXPECT_TRUE(type().OnCharDown(0, 0, &character));
}

}  // namespace
