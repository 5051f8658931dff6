// The tag scout over generated tags: opening, the rows it fills, what writes a
// tag and what must not, sliders scaled by the tags' types, the highlight
// filter, going to a row, the menu and the view state kept in the profile.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>

#include "common/Conversions.h"
#include "controls/CBalloonHelp.h"
#include "grid/CUGGrid.h"
#include "grid/CUGLstBox.h"
#include "platform/base/ProfileStore.h"
#include "platform/ui/CEdit.h"
#include "platform/ui/CFont.h"
#include "support/ScriptedMessageBox.h"
#include "support/TestEnvironment.h"
#include "GridLocale.h"
#include "ScoutFixture.h"

namespace {

std::string Text(CDataCenterScoutGrid& grid, int col, long row) {
  const char* text = grid.GetCellText(col, row);
  return text ? text : "";
}

class TagScout : public ::testing::Test {
 protected:
  void SetUp() override {
    profile::SetPathOverride(dir.File("profile.ini"));
    Clipboard().Clear();
  }
  void TearDown() override {
    if (scout.GetSafeHwnd()) scout.DestroyWindow();
    profile::SetPathOverride("");
  }
  CDataCenterScoutGrid& Grid() { return scout.Grid(); }
  void Open() {
    ASSERT_TRUE(OpenScout(scout, keys));
    scout.ShowWindow(SW_SHOW);
    QApplication::setActiveWindow(scout.GetWidget());
    PumpPendingMessages();
  }
  void FocusCells() { Grid().m_CUGGrid->SetFocus(); }
  // What the slider type does on a drag: the stored cell with the new number.
  void DragSlider(long row, int value) {
    CUGCell cell;
    Grid().ReadCell(CDataCenterScoutGrid::kColModifier, row, &cell);
    cell.SetNumber(value);
    Grid().WriteCell(CDataCenterScoutGrid::kColModifier, row, &cell);
  }
  // What the list box does on a choice.
  void Choose(long row, const char* text) {
    CUGCell cell;
    Grid().FetchCell(CDataCenterScoutGrid::kColModifier, row, &cell);
    cell.SetText(text);
    Grid().WriteCell(CDataCenterScoutGrid::kColModifier, row, &cell);
  }
  void TypeInto(long row, const char* text) {
    ASSERT_EQ(Grid().BeginCellEditAt(CDataCenterScoutGrid::kColModifier, row), 0);
    Grid().m_editCtrl->SetWindowText(text);
    Grid().FinishCellEdit(text, FALSE, FALSE, 0, 0);
  }

  ScopedGridLocale locale;
  TempDir dir;
  ScopedKeyState keys;
  ScriptedMessageBox boxes;
  ScoutEngine engine;
  ChangeListener listener;
  CDataCenterScoutDlg scout;
};

TEST_F(TagScout, OpensOnlyWithTheOverrideKeysAndFillsOneRowPerTag) {
  engine.AddTag(1000, "Mixer1.Level", Variant::R4(2.5f));
  engine.AddTag(7, "Pump1.Run", Variant::Bool(true));
  engine.AddTag(8, "Valve.Ranged", Variant::R4(50.0f), Variant::R4(0.0f), Variant::R4(200.0f));
  engine.AddTag(9, "Count", Variant::I4(42));

  EXPECT_FALSE(scout.Create(IDD_DATACENTER_SCOUT));  // no keys: no window is left
  EXPECT_EQ(scout.GetSafeHwnd(), nullptr);

  Open();
  CDataCenterScoutGrid& grid = Grid();
  EXPECT_EQ(scout.GetWindowText(), "RuvFrame DataCenter Scout");
  EXPECT_EQ(grid.RowCount(), 4);
  EXPECT_EQ(grid.ColCount(), 9);
  EXPECT_EQ(Text(grid, 1, -1), "Tag Name");
  EXPECT_EQ(Text(grid, 0, 0), "1,000");
  CUGCell cell;
  grid.FetchCell(0, 0, &cell);
  EXPECT_EQ(cell.GetTextColor(), 0xC08080u);
  EXPECT_EQ(cell.GetCellTypeEx(), 4);
  EXPECT_EQ(grid.TagAt(5, 3), engine.dataCenter.GetTagAt(3));
  EXPECT_EQ(Text(grid, 6, 0), "2.5");
  EXPECT_EQ(Text(grid, 7, 0), "2.5");

  grid.FetchCell(7, 1, &cell);
  EXPECT_EQ(cell.GetCellType(), CUGCtrl::kCellTypeDropList);
  EXPECT_STREQ(cell.GetLabel(), "True\nFalse\n");
  EXPECT_EQ(Text(grid, 7, 1), "True");
  EXPECT_EQ(cell.GetBitmap(), grid.TrueBitmap());
  grid.FetchCell(7, 2, &cell);
  EXPECT_EQ(cell.GetCellType(), grid.GetSliderTypeId());
  EXPECT_EQ(Text(grid, 7, 2), "0");  // a new slider starts at 0 until the first refresh
  EXPECT_EQ(Text(grid, 7, 3), "42");
  EXPECT_EQ(scout.GetDlgItemText(IDC_SCOUT_MATCHES), "Highlight (0)");
  EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(TagScout, EveryHeadingFitsItsColumnAndTheDefaultSizeShowsAWholeRow) {
  engine.AddFloatTags(3);
  Open();
  CDataCenterScoutGrid& grid = Grid();
  CUGCell heading;
  grid.GetHeadingDefault(&heading);
  ASSERT_NE(heading.GetFont(), nullptr);  // the dialog's font, made bold
  const QFontMetrics metrics(heading.GetFont()->GetQFont());
  for (int col = 0; col < CDataCenterScoutGrid::kColCount; ++col) {
    int width = 0;
    grid.GetColWidth(col, &width);
    const std::string text = Text(grid, col, -1);
    EXPECT_LE(metrics.horizontalAdvance(QString::fromStdString(text)) + 4, width) << text;
  }
  CRect shown;
  grid.GetWindowRect(&shown);
  EXPECT_LE(grid.WholeRowWidth(), shown.Width());  // "New Value" inside the right edge
}

TEST_F(TagScout, WithNoTagsTheFilterCountsNothingAndGoShowsZero) {
  Open();
  EXPECT_EQ(Grid().RowCount(), 0);
  EXPECT_TRUE(Grid().IsSetupDone());
  scout.SetDlgItemText(IDC_SCOUT_FILTER, "Tag");
  EXPECT_EQ(scout.GetDlgItemText(IDC_SCOUT_MATCHES), "Highlight (0)");
  scout.SetDlgItemText(IDC_SCOUT_LINE, "12");
  scout.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_SCOUT_GO, BN_CLICKED), 0);
  EXPECT_EQ(scout.GetDlgItemText(IDC_SCOUT_LINE), "0");
  Grid().RefreshVisibleRows();
}

TEST_F(TagScout, TypedValuesReachTheTagOnlyWithCtrlAndOnlyWhenTheyConvert) {
  CDCTag* level = engine.AddTag(1, "Level", Variant::R4(1.0f));
  CDCTag* count = engine.AddTag(2, "Count", Variant::I4(5));
  level->AddListener(listener.Handle());
  Open();
  listener.Clear();

  TypeInto(0, "12.5");
  EXPECT_EQ(level->GetValue(), Variant::R4(1.0f));
  keys.Press(VK_CONTROL);
  TypeInto(0, "12.5");
  EXPECT_EQ(level->GetValue().fltVal, 12.5f);
  EXPECT_EQ(listener.Codes(), std::vector<int>{2});
  TypeInto(1, "abc");
  EXPECT_EQ(count->GetValue(), Variant::I4(5));
  TypeInto(1, "");  // an empty text only closes the editor
  EXPECT_EQ(count->GetValue(), Variant::I4(5));
  EXPECT_FALSE(Grid().m_editInProgress);
}

// Ctrl is read as the Return key's event had it, though the hand let it go
// before the cell is written: a value ended with Ctrl+Return is written, one
// ended with Return alone puts the cell back.
TEST_F(TagScout, TheCtrlOfTheKeyThatEndsTheEditDecidesThoughItIsReleasedBeforeTheCellIsWritten) {
  CDCTag* level = engine.AddTag(1, "Level", Variant::R4(1.0f));
  Open();
  auto endWith = [&](const char* text, Qt::KeyboardModifiers modifiers) {
    ASSERT_EQ(Grid().BeginCellEditAt(CDataCenterScoutGrid::kColModifier, 0), 0);
    Grid().m_editCtrl->SetWindowText(text);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, modifiers);
    QApplication::sendEvent(Grid().m_editCtrl->GetWidget(), &enter);
    Grid().CloseEditor();  // Return went on to edit the next row's cell
  };
  ASSERT_FALSE(keys.IsDown(VK_CONTROL));  // the keyboard now: Ctrl already released
  endWith("12.5", Qt::ControlModifier);
  EXPECT_EQ(level->GetValue().fltVal, 12.5f);
  endWith("7", Qt::NoModifier);
  EXPECT_EQ(level->GetValue().fltVal, 12.5f);
  Grid().RefreshVisibleRows();
  EXPECT_EQ(Text(Grid(), CDataCenterScoutGrid::kColModifier, 0), "12.5");
}

TEST_F(TagScout, TheScoutsOwnUpdatesNeverWriteEvenWithCtrlHeld) {
  // Before the first refresh the sliders still show 0: a write of them would set the minimum.
  CDCTag* ranged = engine.AddTag(1, "Ranged", Variant::R4(50.0f), Variant::R4(10.0f), Variant::R4(200.0f));
  CDCTag* flag = engine.AddTag(2, "Flag", Variant::Bool(true));
  engine.AddFloatTags(40);
  ranged->AddListener(listener.Handle());
  flag->AddListener(listener.Handle());
  Open();
  listener.Clear();
  FocusCells();
  keys.Press(VK_CONTROL);

  QKeyEvent end(QEvent::KeyPress, Qt::Key_End, Qt::ControlModifier);
  QApplication::sendEvent(Grid().m_CUGGrid->GetWidget(), &end);
  QKeyEvent home(QEvent::KeyPress, Qt::Key_Home, Qt::ControlModifier);
  QApplication::sendEvent(Grid().m_CUGGrid->GetWidget(), &home);
  Grid().GotoRow(1);
  Grid().GotoRow(0);
  EXPECT_EQ(Grid().CurrentRow(), 0);
  flag->SetValue(Variant::Bool(false));
  listener.Clear();
  Grid().RefreshVisibleRows();
  scout.SetDlgItemText(IDC_SCOUT_FILTER, "Flag");
  EXPECT_EQ(ranged->GetValue(), Variant::R4(50.0f));
  EXPECT_EQ(flag->GetValue(), Variant::Bool(false));
  EXPECT_TRUE(listener.Codes().empty());

  // The refresh still moves the list's image and the slider's "New Value".
  CUGCell cell;
  Grid().FetchCell(7, 1, &cell);
  EXPECT_EQ(Text(Grid(), 7, 1), "False");
  EXPECT_EQ(cell.GetBitmap(), Grid().FalseBitmap());
  const std::string percent = VariantToText(Variant::R4(LinearScale(50.0f, 10.0f, 200.0f, 0.0f, 100.0f)));
  EXPECT_EQ(Text(Grid(), 7, 0), percent);
  EXPECT_EQ(Text(Grid(), 8, 0), "%" + percent);
}

TEST_F(TagScout, SlidersScaleByTheTagsTypeAndWriteWithCtrlAndTheFocusInTheCells) {
  CDCTag* valve = engine.AddTag(1, "Valve", Variant::R4(50.0f), Variant::R4(0.0f), Variant::R4(200.0f));
  CDCTag* speed = engine.AddTag(2, "Speed", Variant::I4(3), Variant::I4(0), Variant::I4(9));
  CDCTag* same = engine.AddTag(3, "NoRange", Variant::I4(3), Variant::I4(4), Variant::I4(4));
  Open();
  Grid().RefreshVisibleRows();
  EXPECT_EQ(Text(Grid(), 7, 0), "25");
  // Its true percentage, not its bits read as a float.
  EXPECT_EQ(Text(Grid(), 7, 1), VariantToText(Variant::R4(100.0f / 3.0f)));
  CUGCell cell;
  Grid().FetchCell(7, 2, &cell);
  EXPECT_EQ(cell.GetCellType(), CUGCtrl::kCellTypeNormal);  // equal limits of one type: no range

  DragSlider(0, 75);  // neither Ctrl nor the focus
  keys.Press(VK_CONTROL);
  scout.GetDlgItem(IDC_SCOUT_FILTER)->SetFocus();
  DragSlider(0, 75);  // Ctrl without the focus
  EXPECT_EQ(valve->GetValue(), Variant::R4(50.0f));
  FocusCells();
  DragSlider(0, 75);
  EXPECT_EQ(valve->GetValue(), Variant::R4(150.0f));
  EXPECT_EQ(Text(Grid(), 8, 0), "%75");
  DragSlider(1, 80);  // 7.2 rounded
  EXPECT_EQ(speed->GetValue(), Variant::I4(7));
  Grid().RefreshVisibleRows();
  EXPECT_EQ(Text(Grid(), 7, 1), VariantToText(Variant::R4(LinearScale(7.0f, 0.0f, 9.0f, 0.0f, 100.0f))));
  EXPECT_EQ(same->GetValue(), Variant::I4(3));
}

TEST_F(TagScout, ABooleanChosenWithCtrlIsWrittenAndShowsItsImage) {
  CDCTag* run = engine.AddTag(1, "Run", Variant::Bool(true));
  Open();
  Choose(0, "False");
  EXPECT_EQ(run->GetValue(), Variant::Bool(true));
  keys.Press(VK_CONTROL);
  Choose(0, "False");
  EXPECT_EQ(run->GetValue(), Variant::Bool(false));
  CUGCell cell;
  Grid().FetchCell(7, 0, &cell);
  EXPECT_EQ(cell.GetBitmap(), Grid().FalseBitmap());
  // The list the drop-list type offers comes from the label.
  EXPECT_TRUE(Grid().OnCellTypeNotify(CUGCtrl::kCellTypeDropList, 7, 0, 100, 0));
}

TEST_F(TagScout, TheFilterCountsAndGoesToTheFirstMatchAndGoStopsAtTheLastRow) {
  engine.AddFloatTags(60);
  engine.dataCenter.GetTagAt(5)->SetTagName("Big Pump A");
  engine.dataCenter.GetTagAt(9)->SetTagName("Pump B");
  Open();
  CDataCenterScoutGrid& grid = Grid();
  scout.SetDlgItemText(IDC_SCOUT_FILTER, "pump");  // case-sensitive
  EXPECT_EQ(scout.GetDlgItemText(IDC_SCOUT_MATCHES), "Highlight (0)");
  EXPECT_EQ(grid.CurrentRow(), 0);
  scout.SetDlgItemText(IDC_SCOUT_FILTER, "Pump");
  EXPECT_EQ(scout.GetDlgItemText(IDC_SCOUT_MATCHES), "Highlight (2)");
  EXPECT_EQ(grid.CurrentRow(), 5);
  CUGCell cell;
  grid.FetchCell(1, 9, &cell);
  EXPECT_EQ(cell.GetBackColor(), 65535u);
  grid.FetchCell(1, 5, &cell);
  EXPECT_EQ(cell.GetBackColor(), 0xFFD2D2u);  // the current row's colour until the next refresh
  grid.RefreshVisibleRows();
  grid.FetchCell(1, 5, &cell);
  EXPECT_EQ(cell.GetBackColor(), 65535u);
  grid.FetchCell(3, 5, &cell);
  EXPECT_EQ(cell.GetBackColor(), 0xFFD2D2u);

  scout.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_SCOUT_CLEAR_FILTER, BN_CLICKED), 0);
  EXPECT_EQ(scout.GetDlgItemText(IDC_SCOUT_MATCHES), "Highlight (0)");
  grid.FetchCell(1, 9, &cell);
  EXPECT_EQ(cell.GetBackColor(), 0xFFFFFFu);
  EXPECT_EQ(CWnd::GetFocus(), scout.GetDlgItem(IDC_SCOUT_FILTER));

  scout.SetDlgItemText(IDC_SCOUT_LINE, "999");
  scout.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_SCOUT_GO, BN_CLICKED), 0);
  EXPECT_EQ(grid.CurrentRow(), 59);
  EXPECT_EQ(scout.GetDlgItemText(IDC_SCOUT_LINE), "59");
  EXPECT_EQ(CWnd::GetFocus(), scout.GetDlgItem(IDC_SCOUT_LINE));
  scout.SetDlgItemText(IDC_SCOUT_LINE, "30");
  scout.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_SCOUT_GO, BN_CLICKED), 0);
  EXPECT_EQ(grid.FirstVisibleRow(), 28);  // two rows of margin above
}

TEST_F(TagScout, TheViewStateAndPlacementSurviveClosingAndReopening) {
  engine.AddFloatTags(80);
  Open();
  scout.SetDlgItemText(IDC_SCOUT_FILTER, "Tag7");
  scout.SetDlgItemText(IDC_SCOUT_LINE, "40");
  scout.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_SCOUT_GO, BN_CLICKED), 0);
  const long top = Grid().FirstVisibleRow();
  scout.SendMessage(WM_CLOSE);
  EXPECT_EQ(scout.GetSafeHwnd(), nullptr);
  EXPECT_EQ(profile::GetInt("DataCenterScout", "GoToLine", -1), 40);
  EXPECT_EQ(profile::GetInt("DataCenterScout", "TopVisibleRow", -1), top);
  EXPECT_EQ(profile::GetString("DataCenterScout", "HighlightFilter"), "Tag7");
  EXPECT_FALSE(profile::GetString("Setting", "DataCenterScoutDlg").empty());

  EXPECT_FALSE(scout.Create(IDD_DATACENTER_SCOUT));  // refused: nothing saved over the state
  EXPECT_EQ(profile::GetInt("DataCenterScout", "GoToLine", -1), 40);
  CDataCenterScoutDlg again;  // the engine makes a new scout for every opening
  ASSERT_TRUE(OpenScout(again, keys));
  PumpPendingMessages();  // the go posted at the opening
  EXPECT_EQ(again.GetDlgItemText(IDC_SCOUT_FILTER), "Tag7");
  EXPECT_EQ(again.GetDlgItemText(IDC_SCOUT_MATCHES), "Highlight (11)");
  EXPECT_EQ(again.Grid().CurrentRow(), 40);
  EXPECT_EQ(again.GetDlgItemText(IDC_SCOUT_LINE), "40");
}

TEST_F(TagScout, TheSuspendBoxFollowsTheEnginesFlagWhichMayRefuse) {
  bool refuse = false;
  CDataCenterScoutDlg::SetSuspendRequest([&](bool suspend) {
    if (!refuse) engine.suspended = suspend;
  });
  engine.suspended = true;
  Open();
  EXPECT_EQ(scout.IsDlgButtonChecked(IDC_SCOUT_SUSPEND), static_cast<UINT>(BST_CHECKED));
  scout.CheckDlgButton(IDC_SCOUT_SUSPEND, BST_UNCHECKED);
  scout.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_SCOUT_SUSPEND, BN_CLICKED), 0);
  EXPECT_FALSE(engine.suspended);
  refuse = true;
  scout.CheckDlgButton(IDC_SCOUT_SUSPEND, BST_CHECKED);
  scout.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_SCOUT_SUSPEND, BN_CLICKED), 0);
  EXPECT_EQ(scout.IsDlgButtonChecked(IDC_SCOUT_SUSPEND), static_cast<UINT>(BST_UNCHECKED));
  engine.suspended = true;  // changed elsewhere: the next second shows it
  scout.SendMessage(WM_TIMER, CDataCenterScoutDlg::kSuspendTimer, 0);
  EXPECT_EQ(scout.IsDlgButtonChecked(IDC_SCOUT_SUSPEND), static_cast<UINT>(BST_CHECKED));
  CDataCenterScoutDlg::SetSuspendRequest(nullptr);
}

TEST_F(TagScout, CopyShowInfoAndTheBalloon) {
  engine.AddFloatTags(3);
  Open();
  CDataCenterScoutGrid& grid = Grid();
  EXPECT_EQ(grid.OnMenuStart(3, 2, CUGCtrl::kSectionCellArea), TRUE);
  ASSERT_EQ(grid.GetPopupMenu()->GetMenuItemCount(), 2);
  grid.OnMenuCommand(3, 2, CUGCtrl::kSectionCellArea, 4320);
  EXPECT_EQ(Clipboard().Text(), "Path1002");

  boxes.Expect(IDOK, "--- DataCenter Tag ----");
  grid.OnMenuCommand(3, 2, CUGCtrl::kSectionCellArea, 4321);
  ASSERT_EQ(boxes.Count(), 1u);
  const std::string info = boxes.LastText();
  EXPECT_EQ(info.substr(info.size() - 17), "\nCol: 3,   Row: 2");
  EXPECT_TRUE(boxes.Boxes()[0].style & MB_ICONINFORMATION);

  grid.OnLClicked(0, 1, 1, nullptr, nullptr, FALSE);
  ASSERT_EQ(CBalloonHelp::Balloons().size(), 1u);
  CBalloonHelp* balloon = CBalloonHelp::Balloons().front();
  EXPECT_EQ(balloon->GetOptions() & 33216u, 33216u);
  EXPECT_EQ(balloon->GetTimeout(), 3000u);
  EXPECT_NE(balloon->GetText().find("\nCol: 0,   Row: 1"), std::string::npos);
  balloon->DestroyWindow();
  grid.OnLClicked(1, 1, 1, nullptr, nullptr, FALSE);  // other columns show none
  EXPECT_TRUE(CBalloonHelp::Balloons().empty());

}

}  // namespace
