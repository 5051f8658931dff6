// In-place editing in a grid inside a dialog: opening answers, the keys that
// end or continue an edit, refusals, focus going elsewhere, masks and the drop list.
#include <gtest/gtest.h>

#include <QApplication>
#include <string>
#include <vector>

#include "grid/CUGCtrl.h"
#include "grid/CUGGrid.h"
#include "grid/CUGGridInfo.h"
#include "grid/CUGLstBox.h"
#include "platform/ui/DialogTemplate.h"
#include "support/TestEnvironment.h"

#include "GridTestDialog.h"

namespace {

constexpr UINT kEditDialog = 9402;
constexpr UINT kGridPlaceholder = 3014;
constexpr UINT kOtherEdit = 3015;

class EditGrid : public CUGCtrl {
 public:
  int OnCanMove(int, long, int, long) override { return canMove; }
  int OnEditFinish(int col, long row, CWnd*, const char* text, BOOL cancelled) override {
    finishes.push_back(std::to_string(col) + "," + std::to_string(row) + " " + (text ? text : "") +
                       (cancelled ? " cancelled" : ""));
    return acceptFinish;
  }
  int OnCellTypeNotify(long, int, long, long message, std::intptr_t) override {
    notifications.push_back(message);
    return message != CUGLstBox::kNotifySelected || acceptChoice;
  }
  int canMove = TRUE;
  int acceptFinish = TRUE;
  int acceptChoice = TRUE;
  std::vector<std::string> finishes;
  std::vector<long> notifications;
};

DialogTemplate EditDialogTemplate() {
  DialogTemplate t;
  t.id = kEditDialog;
  t.caption = "Edit";
  t.cx = 300;
  t.cy = 160;
  t.items = {
      {kGridPlaceholder, kStaticClass, "", WS_VISIBLE | WS_TABSTOP, 5, 5, 290, 110},
      {kOtherEdit, kEditClass, "", WS_VISIBLE | WS_TABSTOP, 5, 120, 100, 12},
      {static_cast<UINT>(IDOK), kButtonClass, "OK", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 190, 140, 50, 14},
      {static_cast<UINT>(IDCANCEL), kButtonClass, "Cancel", WS_VISIBLE | WS_TABSTOP, 245, 140, 50, 14},
  };
  return t;
}

void Type(CWnd* window, const std::string& text) {
  for (char c : text) Press(window, QChar(c).toUpper().unicode(), Qt::NoModifier, QString(QChar(c)));
}

class GridEditing : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dialog.Create(kEditDialog));
    ASSERT_EQ(grid.BindToDialogItem(&dialog, kGridPlaceholder), 1);
    grid.ResizeCols(3);
    grid.ResizeRows(4);
    dialog.ShowWindow(SW_SHOW);
    QApplication::setActiveWindow(dialog.GetWidget());
    grid.m_CUGGrid->SetFocus();
  }
  void TearDown() override { dialog.DestroyWindow(); }
  CWnd* Editor() { return grid.m_editCtrl; }
  std::string Text(int col, long row) {
    const char* text = grid.GetCellText(col, row);
    return text ? text : "";
  }
  bool EditingAt(int col, long row) const {
    return grid.m_editInProgress && grid.m_editCol == col && grid.m_editRow == row;
  }

  CUGCellType fixedType;  // outlives the grid that registers it
  CUGCellType listType;
  CommandRecordingDialog dialog{EditDialogTemplate()};
  EditGrid grid;
};

TEST_F(GridEditing, OpeningAnswersAndEscapeLeavesTheCellUnchanged) {
  grid.PutCellText(0, 0, "abc");
  ASSERT_EQ(grid.BeginCellEditAt(0, 0), 0);
  ASSERT_EQ(Editor(), &grid.m_defEditCtrl);
  EXPECT_EQ(CWnd::GetFocus(), Editor());
  EXPECT_EQ(grid.BeginCellEditAt(1, 1), 1);  // already editing

  Type(Editor(), "xy");
  Press(Editor(), Qt::Key_Escape);
  EXPECT_FALSE(Editor()->IsWindowVisible());
  EXPECT_EQ(CWnd::GetFocus(), grid.m_CUGGrid.get());
  EXPECT_EQ(Text(0, 0), "abc");
  EXPECT_EQ(grid.finishes.back(), "0,0 xy cancelled");
  EXPECT_TRUE(dialog.commands.empty());  // the dialog never saw Escape

  CUGCell cell;
  grid.ReadCell(1, 1, &cell);
  cell.SetReadOnly(TRUE);
  grid.WriteCell(1, 1, &cell);
  EXPECT_EQ(grid.BeginCellEditAt(1, 1), 1);
  fixedType.SetEditFlag(0);
  grid.PutCellType(2, 0, grid.RegisterCellType(&fixedType));
  EXPECT_EQ(grid.BeginCellEditAt(2, 0), 1);
  grid.canMove = FALSE;
  EXPECT_EQ(grid.BeginCellEditAt(2, 2), 2);

  // A key opens the editor with that character typed.
  grid.canMove = TRUE;
  ASSERT_EQ(grid.BeginCellEditAt(0, 1, 'q'), 0);
  EXPECT_EQ(Editor()->GetWindowText(), "q");
}

TEST_F(GridEditing, ReturnAndTabStoreAndGoOnWrappingAtTheLastColumn) {
  ScopedKeyState keys;
  ASSERT_EQ(grid.BeginCellEditAt(0, 0), 0);
  Type(Editor(), "one");
  Press(Editor(), Qt::Key_Return);
  EXPECT_EQ(Text(0, 0), "one");
  EXPECT_TRUE(EditingAt(0, 1));
  Type(Editor(), "two");
  Press(Editor(), Qt::Key_Tab);
  EXPECT_EQ(Text(0, 1), "two");
  EXPECT_TRUE(EditingAt(1, 1));
  Press(Editor(), Qt::Key_Tab);
  Press(Editor(), Qt::Key_Tab);
  EXPECT_TRUE(EditingAt(0, 1));  // past the last column: column 0 of the same row
  keys.Press(VK_SHIFT);
  Press(Editor(), Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_TRUE(EditingAt(2, 1));  // before the first: the last column, same row
  keys.Release(VK_SHIFT);
  // Rows wrap on their own: Return on the last row goes to row 0 of the same column.
  Press(Editor(), Qt::Key_Return);
  Press(Editor(), Qt::Key_Return);
  EXPECT_TRUE(EditingAt(2, 3));
  Press(Editor(), Qt::Key_Return);
  EXPECT_TRUE(EditingAt(2, 0));
  EXPECT_TRUE(dialog.commands.empty());
}

TEST_F(GridEditing, ARefusedTextKeepsTheEditorOpenWithTheFocus) {
  ASSERT_EQ(grid.BeginCellEditAt(1, 1), 0);
  Type(Editor(), "bad");
  grid.acceptFinish = FALSE;
  Press(Editor(), Qt::Key_Return);
  EXPECT_TRUE(EditingAt(1, 1));
  EXPECT_EQ(Text(1, 1), "");
  QApplication::processEvents();
  EXPECT_EQ(CWnd::GetFocus(), Editor());
  grid.acceptFinish = TRUE;
  Press(Editor(), Qt::Key_Return);
  EXPECT_EQ(Text(1, 1), "bad");
}

TEST_F(GridEditing, FocusGoingToAnotherControlFinishesTheEdit) {
  CWnd* other = dialog.GetDlgItem(kOtherEdit);
  ASSERT_EQ(grid.BeginCellEditAt(0, 2), 0);
  Type(Editor(), "kept");
  other->SetFocus();
  EXPECT_FALSE(grid.m_editInProgress);
  EXPECT_EQ(Text(0, 2), "kept");

  grid.m_GI->m_cancelEditOnLeaving = 1;
  ASSERT_EQ(grid.BeginCellEditAt(1, 2), 0);
  Type(Editor(), "lost");
  other->SetFocus();
  EXPECT_FALSE(grid.m_editInProgress);
  EXPECT_EQ(Text(1, 2), "");
}

TEST_F(GridEditing, EditorKeysLeaveOnlyAtTheEdgesOfTheText) {
  ScopedKeyState keys;
  grid.PutCellText(1, 0, "abc");
  ASSERT_EQ(grid.BeginCellEditAt(1, 0), 0);
  auto* edit = &grid.m_defEditCtrl;
  edit->SetSel(0, -1);
  Press(edit, Qt::Key_Left);  // the whole text selected: the caret moves
  EXPECT_TRUE(EditingAt(1, 0));
  edit->SetSel(0, 0);
  Press(edit, Qt::Key_Left);
  EXPECT_TRUE(EditingAt(0, 0));
  grid.CloseEditor();

  ASSERT_EQ(grid.BeginCellEditAt(1, 0), 0);
  edit->SetSel(0, -1);
  Press(edit, Qt::Key_Right);
  EXPECT_TRUE(EditingAt(2, 0));
  grid.CloseEditor();

  // Ctrl+Return breaks the line of a multi-line cell instead of ending the edit.
  CUGCell cell;
  grid.ReadCell(1, 1, &cell);
  cell.SetCellTypeEx(2);
  grid.WriteCell(1, 1, &cell);
  ASSERT_EQ(grid.BeginCellEditAt(1, 1), 0);
  Type(edit, "a");
  keys.Press(VK_CONTROL);
  Press(edit, Qt::Key_Return, Qt::ControlModifier);
  keys.Release(VK_CONTROL);
  EXPECT_TRUE(EditingAt(1, 1));
  Type(edit, "b");
  EXPECT_EQ(edit->GetWindowText(), "a\r\nb");
  grid.CloseEditor();
}

TEST_F(GridEditing, AMaskedCellTypesItsLiteralsAndRefusesWhatTheMaskDoesNot) {
  CUGCell cell;
  grid.ReadCell(0, 0, &cell);
  cell.SetMask("99\\-9");
  grid.WriteCell(0, 0, &cell);
  ASSERT_EQ(grid.BeginCellEditAt(0, 0), 0);
  ASSERT_EQ(Editor(), &grid.m_defMaskedEditCtrl);
  CUGMaskedEdit& masked = grid.m_defMaskedEditCtrl;
  EXPECT_EQ(masked.MaskTemplate(), (std::u32string{U'9', U'9', CUGMaskedEdit::kMarker, U'9'}));
  EXPECT_EQ(masked.LiteralText()[2], U'-');
  EXPECT_EQ(masked.GetLimitText(), 5u);  // the backslash counts
  Type(Editor(), "1x23");
  EXPECT_EQ(Editor()->GetWindowText(), "12-3");  // the literal went in by itself
  Type(Editor(), "4");
  EXPECT_EQ(Editor()->GetWindowText(), "12-3");
  Press(Editor(), Qt::Key_Return);
  EXPECT_EQ(Text(0, 0), "12-3");
  grid.CloseEditor();
  EXPECT_EQ(masked.GetLimitText(), 0u);  // lifted with the focus
}

TEST_F(GridEditing, MaskRulesAndARefusedCharacterKeepsTheSelection) {
  CUGMaskedEdit& masked = grid.m_defMaskedEditCtrl;
  masked.SetMask("999");
  masked.SetWindowText("123");
  masked.SetSel(0, -1);
  EXPECT_EQ(masked.ValidateChar('x'), 0);
  EXPECT_EQ(masked.GetWindowText(), "123");
  EXPECT_EQ(masked.GetSel(), static_cast<DWORD>(MAKELPARAM(0, 3)));

  masked.SetMask("-/");  // literals only
  masked.SetWindowText("-/");
  masked.SetSel(2, 2);
  EXPECT_EQ(masked.ValidateChar('1'), 0);

  masked.SetMask("LL\\9#");
  std::string text = "ä1x+";
  EXPECT_EQ(masked.ApplyMask(&text), 0);
  EXPECT_EQ(text, "äx9+");
  masked.SetMask(nullptr);
  EXPECT_EQ(masked.ApplyMask(&text), 1);
}

TEST_F(GridEditing, TheDropListReportsItsChoiceAndEscapeLeavesTheCell) {
  const int typeId = grid.RegisterCellType(&listType);
  int col = 1;
  long row = 2;
  const auto open = [&](CUGLstBox& list) {
    col = 1;
    row = 2;
    list.m_ctrl = &grid;
    list.m_col = &col;
    list.m_row = &row;
    list.m_cellType = &listType;
    list.m_cellTypeId = typeId;
    ASSERT_TRUE(list.CreateEx(0, "", "", WS_CHILD | WS_VISIBLE | WS_VSCROLL, CRect(10, 20, 110, 80),
                              grid.m_CUGGrid.get(), 123));
    list.AddString("one");
    list.AddString("two");
    list.SetFocus();
  };

  CUGLstBox chosen;
  open(chosen);
  EXPECT_EQ(chosen.SendMessage(WM_GETDLGCODE), 5);
  chosen.SetCurSel(1);
  Press(&chosen, Qt::Key_Return);
  EXPECT_EQ(grid.notifications, (std::vector<long>{102, 101, 103}));
  EXPECT_EQ(Text(1, 2), "two");
  EXPECT_EQ(col, -1);
  EXPECT_EQ(chosen.GetSafeHwnd(), nullptr);
  EXPECT_TRUE(dialog.commands.empty());

  grid.PutCellText(1, 2, "before");
  grid.notifications.clear();
  grid.acceptChoice = FALSE;
  CUGLstBox vetoed;
  open(vetoed);
  vetoed.SetCurSel(0);
  Press(&vetoed, Qt::Key_Return);
  EXPECT_EQ(grid.notifications, (std::vector<long>{102, 101}));
  EXPECT_EQ(Text(1, 2), "before");

  grid.notifications.clear();
  CUGLstBox escaped;
  open(escaped);
  Press(&escaped, Qt::Key_Escape);
  EXPECT_EQ(col, -2);
  EXPECT_EQ(row, -2);
  EXPECT_EQ(escaped.GetSafeHwnd(), nullptr);
  EXPECT_TRUE(grid.notifications.empty());
  EXPECT_TRUE(dialog.commands.empty());
}

}  // namespace
