// The table dialog base through the shift table, and the shift dialogs:
// navigation buttons, Find Active, leaving the table on its active shift,
// stopping a shift (and refusing to while the process runs), a new shift,
// and the end of a running shift that follows the clock.
#include <gtest/gtest.h>

#include "PlantDialogFixture.h"
#include "app/NewShiftDlg.h"
#include "app/ShiftDlg.h"
#include "common/TimeAndKeys.h"
#include "engine/ProcessEngineApp.h"
#include "platform/ui/ModalDialogScript.h"
#include "platform/ui/WindowTimers.h"

namespace {

// Three shifts; the second runs, with its own start and end.
const char* const kThreeShifts =
    "INSERT INTO Shift (m_strOperatorName, m_bShiftStopped, m_nShiftRecipeID, m_strShiftRecipeName, m_dtStartDateTime, "
    "m_dtEndDateTime, m_fTtlActlMtrlWater) VALUES ('A', -1, 3, 'Soap', 40000.25, 40000.5, 0),"
    "('B', 0, 4, 'Wax', 40215.5, 40215.5, 12.5), ('C', -1, 4, 'Wax', 40001.25, 40001.5, 0);";

class ShiftDlgTest : public PlantDialogFixture {
 protected:
  void Open(const std::string& rows = kThreeShifts) {
    Start(rows);
    dialog.SetTable(Shift());
    dialog.SetProcessEngine(&process);
    ASSERT_TRUE(dialog.Create(IDD_SHIFT_TABLE));
  }
  bool Enabled(UINT id) { return dialog.GetDlgItem(id)->IsWindowEnabled() != FALSE; }
  // Next, Previous, Find Active, Stop and New, enabled or not.
  std::string Buttons() {
    std::string flags;
    for (UINT id : {IDC_TABLE_NEXT, IDC_TABLE_PREVIOUS, IDC_TABLE_FIND_ACTIVE, IDC_SHIFT_STOP, IDC_TABLE_NEW})
      flags += Enabled(id) ? '1' : '0';
    return flags;
  }
  std::string Text(UINT id) { return dialog.GetDlgItemText(id); }
  int CurrentId() const { return Shift()->Current().GetRecordID(); }

  CProcessEngineApp process;
  CShiftDlg dialog;
};

TEST_F(ShiftDlgTest, ButtonsFollowTheRowsAndTheActiveShift) {
  Open("");
  EXPECT_EQ(Buttons(), "00101");  // no rows: only Find Active and New
  modal_script::Push([](CDialog& asking) {
    asking.GetDlgItem(IDC_NEW_SHIFT_OPERATOR)->SetWindowText("B");
    asking.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  });
  dialog.OnNewShift();
  EXPECT_EQ(Buttons(), "00010");  // one row, the active one
}

TEST_F(ShiftDlgTest, ThreeRowsOpenOnTheActiveOneAndFindActiveComesBack) {
  Open();
  EXPECT_EQ(CurrentId(), 2);
  EXPECT_EQ(Text(IDC_TABLE_RECORD_NUMBER), "2");
  EXPECT_EQ(Text(IDC_SHIFT_RECIPE), "4: Wax");
  EXPECT_EQ(Text(1032), "12.5");
  EXPECT_EQ(Buttons(), "11010");
  dialog.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_TABLE_NEXT, BN_CLICKED), 0);
  EXPECT_EQ(Text(IDC_TABLE_RECORD_NUMBER), "3");
  EXPECT_EQ(Buttons(), "01110");
  dialog.OnNextRecord();  // at the end: nothing changes
  EXPECT_EQ(CurrentId(), 3);

  // A booking not yet written back survives Find Active.
  Shift()->AddChargeToActiveShift(0, 2.5f, GetNowDate());
  dialog.OnFindActive();
  EXPECT_EQ(CurrentId(), 2);
  EXPECT_EQ(Shift()->GetActiveTotalMaterial(0), 15.0f);
  EXPECT_EQ(boxes.Count(), 0u);

  // Leaving the dialog leaves the table on the active shift.
  dialog.OnPreviousRecord();
  EXPECT_EQ(CurrentId(), 1);
  dialog.DestroyWindow();
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

  // A running row that is not held as active becomes the active shift.
  ASSERT_EQ(Raw().Exec("UPDATE Shift SET m_bShiftStopped = 0 WHERE m_nRecordID = 1"), SQLITE_OK);
  dialog.OnFindActive();
  EXPECT_EQ(boxes.Count(), 1u);
  auto lock = Shift()->LockActive();
  EXPECT_EQ(Shift()->Active().GetRecordID(), 1);
}

TEST_F(ShiftDlgTest, StoppingAsksAndIsRefusedWhileTheProcessRuns) {
  Open();
  process.SetStarted(1, 0);
  boxes.Expect(IDOK);
  dialog.OnStopShift();
  EXPECT_EQ(boxes.LastText(), CShiftDlg::kStopRefusal);
  EXPECT_EQ(boxes.Boxes().back().style, static_cast<UINT>(MB_OK | MB_ICONSTOP));
  process.SetStarted(0, 1);
  process.SetCycleActive(1);
  boxes.Expect(IDOK);
  dialog.OnStopShift();
  process.SetCycleActive(0);
  EXPECT_TRUE(Shift()->HasActiveRecord());

  boxes.Expect(IDNO);
  dialog.OnStopShift();
  EXPECT_EQ(boxes.Boxes().back().caption, "Work Shift stop Message");
  EXPECT_EQ(boxes.Boxes().back().style, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
  EXPECT_TRUE(Shift()->HasActiveRecord());

  Shift()->AddChargeToActiveShift(0, 2.5f, GetNowDate() - 0.5);  // booked, not yet written back
  boxes.Expect(IDYES);
  dialog.OnStopShift();
  EXPECT_FALSE(Shift()->HasActiveRecord());
  EXPECT_EQ(Sql("SELECT m_bShiftStopped || ' ' || m_strEndDateTimeShamsi || ' ' || m_fTtlActlMtrlWater FROM Shift "
                "WHERE m_nRecordID = 2"),
            "-1 1388/11/20 - 15:30:45 15");
  EXPECT_EQ(Text(IDC_SHIFT_NOTIFIER), CShiftDlg::kStoppedNotice);
  EXPECT_EQ(Buttons().substr(3), "01");
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

TEST_F(ShiftDlgTest, NewAsksForAnOperatorAndCancelLeavesNoShiftActive) {
  Open("INSERT INTO Shift (m_strOperatorName, m_bShiftStopped) VALUES ('A', -1);");
  modal_script::Push([](CDialog& asking) { asking.EndDialog(IDCANCEL); });
  dialog.OnNewShift();
  EXPECT_FALSE(Shift()->HasActiveRecord());
  EXPECT_EQ(Sql("SELECT COUNT(*) FROM Shift"), "1");

  modal_script::Push([](CDialog& asking) {
    asking.GetDlgItem(IDC_NEW_SHIFT_OPERATOR)->SetWindowText("   ");
    asking.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_TRUE(asking.IsWindowVisible());
    asking.GetDlgItem(IDC_NEW_SHIFT_OPERATOR)->SetWindowText("  Karimi ");
    asking.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  });
  boxes.Expect(IDOK);
  dialog.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_TABLE_NEW, BN_CLICKED), 0);
  EXPECT_EQ(boxes.LastText(), CNewShiftDlg::kNoOperatorText);
  EXPECT_EQ(boxes.Boxes()[0].caption, "Error");
  EXPECT_EQ(Sql("SELECT m_strOperatorName || ' ' || m_bShiftStopped FROM Shift WHERE m_nRecordID = 2"), "Karimi 0");
  EXPECT_TRUE(Shift()->HasActiveRecord());
  EXPECT_EQ(Text(IDC_SHIFT_OPERATOR), "Karimi");
  EXPECT_EQ(Buttons().substr(3), "10");
}

TEST_F(ShiftDlgTest, ARunningShiftEndsNowEverySecond) {
  Open();
  const std::vector<ArmedTimer> timers = ArmedTimersOf(dialog.GetSafeHwnd());
  ASSERT_EQ(timers.size(), 1u);
  EXPECT_EQ(timers[0].id, CBaseTableDlg::kRefreshTimerId);
  EXPECT_EQ(timers[0].elapseMs, 1000u);
  EXPECT_EQ(Text(IDC_SHIFT_END), "1388/11/20 - 15:30:45");
  clock.Advance(1000);
  ASSERT_TRUE(FireTimerNow(dialog.GetSafeHwnd(), CBaseTableDlg::kRefreshTimerId));
  EXPECT_EQ(Text(IDC_SHIFT_END), "1388/11/20 - 15:30:46");
  dialog.OnPreviousRecord();  // a stopped shift shows its own end
  EXPECT_NE(Text(IDC_SHIFT_END), "1388/11/20 - 15:30:46");
}

}  // namespace
