// The batch-number dialog against the plant's database: the rules in order,
// look-ups by data source, new batches with the mixer's level, refusals that
// write nothing, and finishing a batch (the keys going on in the mixer's number).
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>

#include "PlantDialogFixture.h"
#include "app/BatchNumDlg.h"
#include "platform/ui/CDC.h"
#include "platform/ui/ModalDialogScript.h"
#include "records/OperatorServices.h"

namespace {

// Batch 21: Mixer2's open batch in Demo; 22: Mixer1's finished batch in Demo;
// 23: Mixer1's open batch in Real HW. One running shift.
const char* const kBatches =
    "INSERT INTO Batch (strDataSourceType, nBatchNumber, bBatchIsFinshed, strMixerName) VALUES "
    "('Demo', 21, 0, 'Mixer2'), ('Demo', 22, -1, 'Mixer1'), ('Real HW', 23, 0, 'Mixer1');"
    "INSERT INTO Shift (m_strOperatorName, m_bShiftStopped) VALUES ('Ahmadi', 0);";

class BatchNumDlgTest : public PlantDialogFixture {
 protected:
  void Open() {
    Start(kBatches);
    ASSERT_TRUE(dialog.Create(IDD_BATCH_NUMBERS));
    dialog.ShowWindow(SW_SHOW);
  }
  // OK with these numbers; true when the dialog closed.
  bool Confirm(const CBatchNumDlg::Numbers& numbers) {
    for (int mixer = 0; mixer < 4; ++mixer) dialog.NumberEdit(mixer).SetWindowText(std::to_string(numbers[mixer]));
    dialog.OnOK();
    return !dialog.IsWindowVisible();
  }
  // The box shown for a refusal, whose text must start with `start`.
  bool Refused(const CBatchNumDlg::Numbers& numbers, const std::string& start) {
    boxes.Expect(IDOK);
    const bool closed = Confirm(numbers);
    EXPECT_EQ(boxes.LastText().substr(0, start.size()), start);
    EXPECT_EQ(boxes.Boxes().back().style, static_cast<UINT>(MB_OK | MB_ICONSTOP | MB_SYSTEMMODAL));
    return !closed;
  }
  bool ReadOnly(int mixer) { return (dialog.NumberEdit(mixer).GetStyle() & ES_READONLY) != 0; }
  int Rows() const { return std::stoi(Sql("SELECT COUNT(*) FROM Batch")); }

  CBatchNumDlg dialog;
};

TEST_F(BatchNumDlgTest, RefusalsComeInTheirOrderAndWriteNothing) {
  EXPECT_EQ(CBatchNumDlg::ValidationMessage({-3, 0, -3, 0}), "لطفا شماره بچ را وارد كنيد");  // below 1: not given
  EXPECT_EQ(CBatchNumDlg::ValidationMessage({2, 2, 2, 2}), "لطفا شماره بچ متفاوت براي ميكسر 1 و 2 وارد كنيد");
  EXPECT_EQ(CBatchNumDlg::ValidationMessage({0, 4, 4, 4}), "لطفا شماره بچ متفاوت براي ميكسر 2 و 3 وارد كنيد");
  Open();
  EXPECT_TRUE(Refused({0, 0, 0, 0}, "لطفا شماره بچ را وارد كنيد"));
  EXPECT_TRUE(Refused({5, 0, 0, 5}, "لطفا شماره بچ متفاوت براي ميكسر 1 و 4 وارد كنيد"));
  EXPECT_TRUE(Refused({0, 7, 0, 7}, "لطفا شماره بچ متفاوت براي ميكسر 2 و 4 وارد كنيد"));
  // 30 is new, but Mixer3 may not take Mixer2's open batch, nor Mixer2 a finished one.
  EXPECT_TRUE(Refused({30, 0, 21, 0}, "بچ زير قبلا براي ميكسر ديگري استفاده شده است\n\n Batch number: 21"));
  EXPECT_TRUE(Refused({30, 22, 0, 0}, "بچ زير قبلا ثبت شده و اتمام يافته است\n"));
  EXPECT_EQ(Rows(), 3);
  EXPECT_EQ(ActiveNumber(0), 0);
  EXPECT_TRUE(owner.Take().empty());
}

TEST_F(BatchNumDlgTest, NewNumbersOpenRowsWithTheLevelAndTheShiftKeepsTheFour) {
  Open();
  for (int mixer = 0; mixer < 4; ++mixer) SetMixerLevel(mixer, 10.5f * static_cast<float>(mixer + 1));
  ASSERT_EQ(engine.SetSuspended(true), TRUE);  // a batch belongs to "Demo", suspended or not
  ASSERT_TRUE(Confirm({11, 0, -4, 14}));
  EXPECT_EQ(Sql("SELECT GROUP_CONCAT(strDataSourceType || ' ' || nBatchNumber || ' ' || strMixerName || ' ' || "
                "fMixerLevelAtStartTime || ' ' || bBatchIsFinshed, '; ') FROM Batch WHERE nRecordID > 3"),
            "Demo 11 Mixer1 10.5 0; Demo 14 Mixer4 42 0");
  // They went in through the plant's batch table: the last one is its active record.
  CBatchRS* batches = g_pBatchRS.load();
  ASSERT_NE(batches, nullptr);
  EXPECT_TRUE(batches->HasActiveRecord());
  EXPECT_EQ(batches->Active().GetRecordID(), std::stoi(Sql("SELECT MAX(nRecordID) FROM Batch")));
  EXPECT_EQ(batches->Active().GetMixerName(), "Mixer4");
  EXPECT_EQ(Sql("SELECT strOperatorName || ' ' || strStartDateTimeShamsi FROM Batch WHERE nBatchNumber = 14"),
            "Ahmadi " + batches->Active().GetStartDateTimeShamsi());
  EXPECT_EQ(ActiveNumber(0), 11);
  EXPECT_EQ(ActiveNumber(2), 0);  // a negative number opens nothing
  EXPECT_EQ(ActiveNumber(3), 14);
  EXPECT_EQ(owner.Take(), std::vector<int>{kTableActiveShiftChanged});

  // Opened again (no longer suspended), the open batches are locked to their mixers.
  dialog.DestroyWindow();
  ASSERT_EQ(engine.SetSuspended(false), TRUE);
  ASSERT_TRUE(dialog.Create(IDD_BATCH_NUMBERS));
  EXPECT_EQ(dialog.NumberEdit(0).GetWindowText(), "11");
  EXPECT_TRUE(ReadOnly(0) && ReadOnly(3));
  EXPECT_FALSE(ReadOnly(2));
}

TEST_F(BatchNumDlgTest, LookUpsAnswerByMixerAndDataSourceAndFillClearsAFinishedBatch) {
  Open();
  Shift()->SetActiveMixerBatchNumber(0, 22);
  Shift()->SetActiveMixerBatchNumber(1, 21);
  dialog.Fill();
  EXPECT_EQ(dialog.NumberEdit(0).GetWindowText() + dialog.NumberEdit(1).GetWindowText(), "021");
  EXPECT_EQ(ActiveNumber(0), 0);
  EXPECT_FALSE(ReadOnly(0));
  EXPECT_TRUE(ReadOnly(1));

  EXPECT_EQ(dialog.LookupBatch(1, 21), CBatchNumDlg::kBatchOwnOpen);
  EXPECT_EQ(dialog.LookupBatch(2, 21), CBatchNumDlg::kBatchOtherMixer);
  EXPECT_EQ(dialog.LookupBatch(1, 22), CBatchNumDlg::kBatchFinished);  // finished before the mixer's name
  EXPECT_EQ(dialog.LookupBatch(0, 23), CBatchNumDlg::kBatchNew);
  ASSERT_EQ(engine.SetDataSourceType(eDataSourceRealHW), TRUE);
  EXPECT_EQ(dialog.LookupBatch(0, 23), CBatchNumDlg::kBatchOwnOpen);
  EXPECT_EQ(dialog.LookupBatch(1, 21), CBatchNumDlg::kBatchNew);
}

TEST_F(BatchNumDlgTest, ABrokenDatabaseRefusesInsteadOfOpeningANewBatch) {
  Open();
  ASSERT_EQ(Raw().Exec("ALTER TABLE Batch RENAME TO Gone"), SQLITE_OK);
  boxes.Expect(IDOK);  // the database layer's own report, and no other
  EXPECT_FALSE(Confirm({31, 0, 0, 0}));
  EXPECT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(ActiveNumber(0), 0);
}

TEST_F(BatchNumDlgTest, OnlyYesFinishesTheMixersOpenBatch) {
  Open();
  SetMixerLevel(1, 3.25f);
  Shift()->SetActiveMixerBatchNumber(1, 21);
  dialog.Fill();
  boxes.Expect(IDNO);
  boxes.Expect(IDCANCEL);
  dialog.FinishBatch(1);
  dialog.FinishBatch(1);
  EXPECT_EQ(boxes.Boxes()[0].style, static_cast<UINT>(MB_YESNOCANCEL | MB_ICONEXCLAMATION | MB_DEFBUTTON2 | MB_SYSTEMMODAL));
  EXPECT_EQ(boxes.LastText().rfind("آيا ميخواهيد بچ با مشخصات زير را الان تمام كنيد؟\n\n Batch number: 21", 0), 0u);
  EXPECT_EQ(ActiveNumber(1), 21);

  boxes.Expect(IDYES);
  dialog.FinishBatch(1);
  EXPECT_EQ(Sql("SELECT bBatchIsFinshed || ' ' || fMixerLevelAtEndTime || ' ' || strEndDateTimeShamsi FROM Batch "
                "WHERE nBatchNumber = 21"),
            "-1 3.25 1388/11/20 - 15:30:45");
  EXPECT_EQ(ActiveNumber(1), 0);
  EXPECT_EQ(owner.Take(), std::vector<int>{kTableActiveShiftChanged});
  EXPECT_EQ(dialog.NumberEdit(1).GetWindowText(), "0");
  EXPECT_FALSE(ReadOnly(1));

  dialog.NumberEdit(2).SetWindowText("35");  // nothing to finish: nothing asked
  boxes.Expect(IDOK);
  dialog.FinishBatch(2);
  EXPECT_EQ(boxes.LastText(), "بچ زير شروع نشده و ثبت نشده است\n\nBatch Number:35");
}

// Finished by Return on its Finish button, the mixer has nothing left to
// finish: the keys go on in its number, and Return stores the next batch
// instead of finishing "batch 0".
TEST_F(BatchNumDlgTest, AfterFinishTheKeysGoToTheMixersNumber) {
  Open();
  Shift()->SetActiveMixerBatchNumber(1, 21);
  dialog.Fill();
  QApplication::setActiveWindow(dialog.GetWidget());
  const auto type = [](CWnd* window, int key, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(window->GetWidget(), &press);
  };
  dialog.GetDlgItem(IDC_BATCH_FINISH_FIRST + 1)->SetFocus();
  boxes.Expect(IDYES);
  type(CWnd::GetFocus(), Qt::Key_Return, "\r");
  EXPECT_EQ(ActiveNumber(1), 0);
  EXPECT_EQ(CWnd::GetFocus(), &dialog.NumberEdit(1));
  type(CWnd::GetFocus(), Qt::Key_3, "3");
  type(CWnd::GetFocus(), Qt::Key_6, "6");
  type(CWnd::GetFocus(), Qt::Key_Return, "\r");
  EXPECT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(ActiveNumber(1), 36);
  EXPECT_FALSE(dialog.IsWindowVisible());
}

TEST_F(BatchNumDlgTest, TheRegisteredRunnerOpensTheDialogModallyAndOnlyTheFocusedEditIsYellow) {
  Start(kBatches);
  CBatchNumDlg::RegisterRunner();
  modal_script::Push([](CDialog& opened) {
    auto& numbers = dynamic_cast<CBatchNumDlg&>(opened);
    numbers.NumberEdit(0).SetWindowText("41");
    QApplication::setActiveWindow(opened.GetWidget());
    numbers.NumberEdit(1).SetFocus();
    CDC focused, other;
    numbers.OnCtlColor(&focused, &numbers.NumberEdit(1), CTLCOLOR_EDIT);
    numbers.OnCtlColor(&other, &numbers.NumberEdit(2), CTLCOLOR_EDIT);
    EXPECT_EQ(focused.GetBkColor(), CBatchNumDlg::kFocusColor);
    EXPECT_EQ(other.GetBkColor(), CBatchNumDlg::kOtherColor);
    opened.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  });
  EXPECT_EQ(RunBatchNumberDialog(), IDOK);  // through the plant's operator services
  EXPECT_EQ(ActiveNumber(0), 41);
}

}  // namespace
