// The table dialog base through the shift table, and the shift dialogs:
// buttons, Find Active, the table left on its active shift, stopping (and
// refusing to while the process runs), a new shift, the running end time.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>

#include "PlantDialogFixture.h"
#include "app/NewShiftDlg.h"
#include "app/ShiftDlg.h"
#include "common/TimeAndKeys.h"
#include "engine/ProcessEngineApp.h"
#include "platform/ui/ModalDialogScript.h"
#include "platform/ui/WindowTimers.h"

namespace {

// Three shifts; the second runs, with 12.5 of water so far.
const char* const kThreeShifts =
    "INSERT INTO Shift (m_strOperatorName, m_bShiftStopped, m_dtStartDateTime, m_dtEndDateTime, m_fTtlActlMtrlWater) "
    "VALUES ('A', -1, 40000.25, 40000.5, 0), ('B', 0, 40215.5, 40215.5, 12.5), ('C', -1, 40001.25, 40001.5, 0);";

class ShiftDlgTest : public PlantDialogFixture {
 protected:
  void Open(const std::string& rows = kThreeShifts) {
    Start(rows);
    dialog.SetTable(Shift());
    dialog.SetProcessEngine(&process);
    ASSERT_TRUE(dialog.Create(IDD_SHIFT_TABLE));
  }
  // Next, Previous, Find Active, Stop and New: 1 for enabled.
  std::string Buttons() {
    std::string flags;
    for (UINT id : {IDC_TABLE_NEXT, IDC_TABLE_PREVIOUS, IDC_TABLE_FIND_ACTIVE, IDC_SHIFT_STOP, IDC_TABLE_NEW})
      flags += dialog.GetDlgItem(id)->IsWindowEnabled() ? '1' : '0';
    return flags;
  }
  static void Click(CDialog& target, UINT id) { target.SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
  std::string Text(UINT id) { return dialog.GetDlgItemText(id); }
  static bool ActiveSoon(CDialog& target) {
    target.GetWidget()->activateWindow();
    for (int i = 0; i < 100 && !target.GetWidget()->isActiveWindow(); ++i)
      QApplication::processEvents(QEventLoop::AllEvents, 10);
    return target.GetWidget()->isActiveWindow();
  }
  // Return as the operator presses it: to the control that has the focus.
  static void PressReturn(CDialog& target) {
    QWidget* focus = QApplication::focusWidget();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(focus ? focus : target.GetWidget(), &press);
  }
  int CurrentId() const { return Shift()->Current().GetRecordID(); }

  CProcessEngineApp process;
  CShiftDlg dialog;
};

TEST_F(ShiftDlgTest, NoRowsThenANewShiftAsTheOnlyRow) {
  Open("");
  EXPECT_EQ(Buttons(), "00101");
  modal_script::Push([](CDialog& asking) {
    asking.GetDlgItem(IDC_NEW_SHIFT_OPERATOR)->SetWindowText("   ");
    Click(asking, IDOK);  // refused, still open
    asking.GetDlgItem(IDC_NEW_SHIFT_OPERATOR)->SetWindowText("  Karimi ");
    Click(asking, IDOK);
  });
  boxes.Expect(IDOK);
  Click(dialog, IDC_TABLE_NEW);
  EXPECT_EQ(boxes.LastText(), CNewShiftDlg::kNoOperatorText);
  EXPECT_EQ(boxes.Boxes()[0].caption, "Error");
  EXPECT_EQ(Sql("SELECT m_strOperatorName || ' ' || m_bShiftStopped FROM Shift"), "Karimi 0");
  EXPECT_EQ(Text(IDC_SHIFT_OPERATOR), "Karimi");
  EXPECT_EQ(Buttons(), "00010");
}

// New clicked, a name, then Return after Return: the new shift opens and stays
// open. The disabled New leaves the focus on the record's field, where Return
// closes the table; the stop question is never asked (were it asked, Return
// would answer its default, Yes).
TEST_F(ShiftDlgTest, ReturnsAfterANewShiftNeverStopIt) {
  Open("");
  dialog.ShowWindow(SW_SHOW);
  ASSERT_TRUE(ActiveSoon(dialog));
  dialog.GetDlgItem(IDC_TABLE_NEW)->SetFocus();  // a click leaves the focus on the button
  modal_script::Push([](CDialog& asking) {
    EXPECT_TRUE(ActiveSoon(asking));
    asking.GetDlgItem(IDC_NEW_SHIFT_OPERATOR)->SetWindowText("Karimi");
    PressReturn(asking);
  });
  boxes.SetDefaultAnswer(IDYES);
  PressReturn(dialog);
  ASSERT_EQ(Sql("SELECT m_strOperatorName || ' ' || m_bShiftStopped FROM Shift"), "Karimi 0");
  ASSERT_TRUE(ActiveSoon(dialog));
  EXPECT_NE(CWnd::GetFocus(), dialog.GetDlgItem(IDC_SHIFT_STOP));
  for (int i = 0; i < 2 && dialog.IsWindowVisible(); ++i) PressReturn(dialog);
  EXPECT_TRUE(boxes.Boxes().empty()) << boxes.LastText();
  EXPECT_FALSE(dialog.IsWindowVisible());
  EXPECT_TRUE(Shift()->HasActiveRecord());
  EXPECT_EQ(Sql("SELECT m_strOperatorName || ' ' || m_bShiftStopped FROM Shift"), "Karimi 0");
}

TEST_F(ShiftDlgTest, ThreeRowsOpenOnTheActiveOneAndFindActiveKeepsItsBookings) {
  Open();
  EXPECT_EQ(Text(IDC_TABLE_RECORD_NUMBER), "2");
  EXPECT_EQ(Text(1032), "12.5");
  EXPECT_EQ(Buttons(), "11010");
  Click(dialog, IDC_TABLE_NEXT);
  EXPECT_EQ(Text(IDC_TABLE_RECORD_NUMBER), "3");
  EXPECT_EQ(Buttons(), "01110");

  Shift()->AddChargeToActiveShift(0, 2.5f, GetNowDate());  // not yet written back
  Click(dialog, IDC_TABLE_FIND_ACTIVE);
  EXPECT_EQ(CurrentId(), 2);
  EXPECT_EQ(Shift()->GetActiveTotalMaterial(0), 15.0f);

  dialog.OnPreviousRecord();
  dialog.DestroyWindow();  // leaves the table on the active shift
  EXPECT_EQ(CurrentId(), 2);
}

TEST_F(ShiftDlgTest, FindActiveWithoutAnActiveShiftSaysSoAndClearsIt) {
  Open("INSERT INTO Shift (m_strOperatorName, m_bShiftStopped) VALUES ('A', -1), ('B', -1);");
  boxes.Expect(IDOK);
  dialog.OnFindActive();
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.LastText(), "There is no active \"Shift\".");
  EXPECT_EQ(boxes.Boxes()[0].caption, "Shift Error");
  EXPECT_EQ(boxes.Boxes()[0].style, static_cast<UINT>(MB_ICONSTOP | MB_SYSTEMMODAL));
  EXPECT_FALSE(Shift()->HasActiveRecord());

  ASSERT_EQ(Raw().Exec("UPDATE Shift SET m_bShiftStopped = 0 WHERE m_nRecordID = 1"), SQLITE_OK);
  dialog.OnFindActive();  // a running row not held as active becomes the active shift
  auto lock = Shift()->LockActive();
  EXPECT_EQ(Shift()->Active().GetRecordID(), 1);
}

TEST_F(ShiftDlgTest, StoppingIsRefusedWhileTheProcessRunsAndAsksOtherwise) {
  Open();
  process.SetStarted(1, 0);
  boxes.Expect(IDOK, CShiftDlg::kStopRefusal);
  dialog.OnStopShift();
  process.SetStarted(0, 1);
  process.SetCycleActive(1);
  boxes.Expect(IDOK, CShiftDlg::kStopRefusal);
  dialog.OnStopShift();
  process.SetCycleActive(0);
  boxes.Expect(IDNO, CShiftDlg::kStopQuestion);
  dialog.OnStopShift();
  EXPECT_EQ(boxes.Boxes().back().caption, "Work Shift stop Message");
  EXPECT_TRUE(Shift()->HasActiveRecord());

  Shift()->AddChargeToActiveShift(0, 2.5f, GetNowDate() - 0.5);  // not yet written back
  boxes.Expect(IDYES);
  Click(dialog, IDC_SHIFT_STOP);
  EXPECT_FALSE(Shift()->HasActiveRecord());
  EXPECT_EQ(Sql("SELECT m_bShiftStopped || ' ' || m_strEndDateTimeShamsi || ' ' || m_fTtlActlMtrlWater FROM Shift "
                "WHERE m_nRecordID = 2"),
            "-1 1388/11/20 - 15:30:45 15");
  EXPECT_EQ(Text(IDC_SHIFT_NOTIFIER), CShiftDlg::kStoppedNotice);
  EXPECT_EQ(Buttons().substr(3), "01");

  // Cancelling New leaves no shift active (the stopped one shown stays stopped).
  modal_script::Push([](CDialog& asking) { asking.EndDialog(IDCANCEL); });
  dialog.OnNewShift();
  EXPECT_FALSE(Shift()->HasActiveRecord());
}

TEST_F(ShiftDlgTest, AShiftAlreadyMarkedStoppedKeepsItsEndTime) {
  Open();
  {
    auto lock = Shift()->LockActive();
    Shift()->Active().SetShiftStopped(true);
    Shift()->Active().SetEndDateTime(40215.75);
  }
  boxes.Expect(IDYES);
  dialog.OnStopShift();
  auto lock = Shift()->LockActive();
  EXPECT_EQ(Shift()->Active().GetEndDateTime(), 40215.75);
  EXPECT_EQ(Sql("SELECT m_bShiftStopped FROM Shift WHERE m_nRecordID = 2"), "0");
}

TEST_F(ShiftDlgTest, ARunningShiftEndsNowEverySecond) {
  Open();
  EXPECT_EQ(ArmedTimersOf(dialog.GetSafeHwnd()).at(0).elapseMs, 1000u);
  EXPECT_EQ(Text(IDC_SHIFT_END), "1388/11/20 - 15:30:45");
  clock.Advance(1000);
  ASSERT_TRUE(FireTimerNow(dialog.GetSafeHwnd(), CBaseTableDlg::kRefreshTimerId));
  EXPECT_EQ(Text(IDC_SHIFT_END), "1388/11/20 - 15:30:46");
}

}  // namespace
