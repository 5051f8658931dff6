#include <gtest/gtest.h>

#include "PlantTablesSupport.h"
#include "records/ShiftRS.h"
#include "support/ScriptedMessageBox.h"

namespace {

class ShiftRSTest : public PlantTablesTest {
 protected:
  // Opens the table and adds a running shift, which becomes the active one.
  void StartShift(CShiftRS& shift, const char* operatorName = "Ahmadi") {
    ASSERT_TRUE(OpenPlantTable(shift, db, "Shift", false, owner.Handle()));
    shift.Scratch().SetOperatorName(operatorName);
    shift.Scratch().SetShiftStopped(false);
    ASSERT_TRUE(shift.AddNew());
    owner.Take();
  }
  NotifyRecorder owner;
};

const char* const kPromptForMixer4 =
    "\u0644\u0637\u0641\u0627 \u0634\u0645\u0627\u0631\u0647 \u0628\u0686 \u0631\u0627 \u0628\u0631\u0627\u064a "
    "\u0645\u064a\u0643\u0633\u0631 4 \u0648\u0627\u0631\u062f \u0643\u0646\u064a\u062f";

TEST_F(ShiftRSTest, FreshShiftIsStoppedAndOutOfRangeIndexesChangeNothing) {
  CShiftRS shift;
  CShiftRS::CSTFields& row = shift.Scratch();
  EXPECT_EQ(row.m_nOperatorCode, -1);
  EXPECT_EQ(row.GetOperatorName(), "?");
  EXPECT_EQ(row.GetShiftRecipeID(), 7);
  EXPECT_EQ(row.GetShiftRecipeName(), "Soap-A");
  EXPECT_TRUE(row.IsShiftStopped());
  EXPECT_EQ(row.m_strStartDateTimeShamsi, kTestNowShamsi);
  EXPECT_EQ(row.m_strEndDateTimeShamsi, kTestNowShamsi);

  row.SetTotalMaterial(3, 12.5f);
  for (int bad : {-1, -2, 11, 1000}) {
    row.SetTotalMaterial(bad, 99.0f);
    EXPECT_EQ(row.GetTotalMaterial(bad), 0.0f) << bad;
  }
  EXPECT_EQ(row.GetTotalMaterial(3), 12.5f);
  for (int material = 0; material < kMaterialCount; ++material) {
    if (material != 3) {
      EXPECT_EQ(row.GetTotalMaterial(material), 0.0f);
    }
  }

  row.SetMixerBatchNumber(4, 55);
  row.SetMixerBatchNumber(-1, 55);
  for (int mixer = 0; mixer < CShiftRS::kMixerCount; ++mixer) EXPECT_EQ(row.GetMixerBatchNumber(mixer, false), 0);
  ScriptedMessageBox boxes;
  EXPECT_EQ(row.GetMixerBatchNumber(4, false), -1);
  EXPECT_EQ(boxes.Count(), 0u);
}

TEST_F(ShiftRSTest, EveryColumnRoundTripsAndTheMemoryOnlyTotalsComeBackZero) {
  CShiftRS shift;
  ASSERT_TRUE(OpenPlantTable(shift, db, "Shift", false));
  CShiftRS::CSTFields& row = shift.Scratch();
  row.m_nOperatorCode = 31;
  row.SetOperatorName("Karimi");
  row.SetShiftRecipeID(40000);
  row.SetShiftRecipeName("Soap-B");
  row.SetStartDateTime(Now() - 0.5);
  row.SetEndDateTime(Now() + 0.25);
  row.m_lUsefulTime = 100000;
  row.m_lTotalTime = -5;
  row.SetTotalProduced(1234.5f);
  row.SetShiftStopped(false);
  row.m_nShiftTotalCycle = 3;
  row.IncShiftTotalCycle();
  for (int mixer = 0; mixer < CShiftRS::kMixerCount; ++mixer) row.SetMixerBatchNumber(mixer, 101 + mixer);
  for (int material = 0; material < kMaterialCount; ++material)
    row.SetTotalMaterial(material, 1.5f + static_cast<float>(material));
  ASSERT_TRUE(shift.AddNew());

  CShiftRS reread;
  ASSERT_TRUE(OpenPlantTable(reread, db, "Shift", false));
  const CShiftRS::CSTFields& got = reread.Current();
  EXPECT_EQ(got.m_nRecordID, 1);
  EXPECT_EQ(got.m_nOperatorCode, 31);
  EXPECT_EQ(got.GetOperatorName(), "Karimi");
  EXPECT_EQ(got.GetShiftRecipeID(), 40000);
  EXPECT_EQ(got.GetShiftRecipeName(), "Soap-B");
  EXPECT_EQ(got.GetStartDateTime(), Now() - 0.5);
  EXPECT_EQ(got.GetEndDateTime(), Now() + 0.25);
  EXPECT_EQ(got.m_strStartDateTimeShamsi, "1388/11/20 - 03:30:45");
  EXPECT_EQ(got.m_strEndDateTimeShamsi, "1388/11/20 - 21:30:45");
  EXPECT_EQ(got.m_lUsefulTime, 100000);
  EXPECT_EQ(got.m_lTotalTime, -5);
  EXPECT_EQ(got.GetTotalProduced(), 1234.5f);
  EXPECT_FALSE(got.IsShiftStopped());
  EXPECT_EQ(got.m_nShiftTotalCycle, 4);
  for (int mixer = 0; mixer < CShiftRS::kMixerCount; ++mixer) EXPECT_EQ(got.GetMixerBatchNumber(mixer, false), 101 + mixer);
  for (int material = 0; material < CShiftRS::kStoredTotalCount; ++material)
    EXPECT_EQ(got.GetTotalMaterial(material), 1.5f + static_cast<float>(material)) << material;
  EXPECT_EQ(got.GetTotalMaterial(9), 0.0f);
  EXPECT_EQ(got.GetTotalMaterial(10), 0.0f);
  RawDatabase raw(db.path);
  EXPECT_EQ(raw.Text("SELECT m_fTtlActlMtrlEssanc || ' ' || m_nMxr4BchNmbr FROM Shift"), "8.5 104");
  EXPECT_TRUE(reread.FindActive());
}

TEST_F(ShiftRSTest, ChargesGatherInTheActiveShiftAndStoppingWritesThemBack) {
  CShiftRS shift;
  StartShift(shift);
  EXPECT_TRUE(shift.HasActiveRecord());
  EXPECT_EQ(CShiftRS::ActiveOperatorNameOf(&shift), "Ahmadi");
  EXPECT_EQ(CShiftRS::ActiveOperatorNameOf(nullptr), "?");

  shift.AddChargeToActiveShift(0, 250.0f, Now() + 0.5);
  shift.AddChargeToActiveShift(7, 1.5f, Now() + 0.5);
  shift.AddChargeToActiveShift(-1, 4.0f, Now() + 0.5);  // a step without material adds to the total produced only
  shift.IncActiveShiftTotalCycle();
  shift.SetActiveMixerBatchNumber(1, 66);
  EXPECT_EQ(shift.GetActiveTotalMaterial(0), 250.0f);
  EXPECT_EQ(shift.GetActiveTotalProduced(), 255.5f);
  ASSERT_TRUE(shift.WriteBackActive());
  EXPECT_EQ(owner.Take(), (std::vector<int>{kTableActivated, kTableSaved}));
  RawDatabase raw(db.path);
  EXPECT_EQ(raw.Text("SELECT m_fTtlActlMtrlWater || ' ' || m_fTtlActlMtrlEssanc || ' ' || m_fTotalProduced || ' ' || "
                     "m_nShiftTotalCycle || ' ' || m_nMxr2BchNmbr || ' ' || m_strEndDateTimeShamsi FROM Shift"),
            "250 1.5 255.5 1 66 1388/11/21 - 03:30:45");

  // Stopping: the stored row is no longer a running shift, yet the write-back finds it by its id.
  {
    auto lock = shift.LockActive();
    shift.Active().SetShiftStopped(true);
    shift.Active().SetEndDateTime(Now() + 0.75);
  }
  ASSERT_TRUE(shift.WriteBackActive());
  ASSERT_TRUE(shift.SetActiveRecord(false));
  EXPECT_FALSE(shift.HasActiveRecord());
  EXPECT_EQ(raw.Text("SELECT m_bShiftStopped FROM Shift"), "-1");
  EXPECT_FALSE(shift.FindActive());
  EXPECT_FALSE(shift.WriteBackActive());
}

TEST_F(ShiftRSTest, AShiftThatCannotBeAddedLeavesTheActiveShiftAsItWas) {
  CShiftRS shift;
  StartShift(shift, "First");
  ScriptedMessageBox boxes;
  boxes.Expect(IDOK, "Error at [Shift] table [m_strOperatorName] field!");
  shift.Scratch().SetOperatorName(std::string(101, 'x'));  // longer than its column
  EXPECT_FALSE(shift.AddNew());
  EXPECT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(shift.GetActiveOperatorName(), "First");
  EXPECT_EQ(shift.GetRecordCount(), 1);
  EXPECT_EQ(shift.Scratch().GetOperatorName(), std::string(101, 'x'));  // kept for another try
}

TEST_F(ShiftRSTest, MissingBatchNumberIsAskedForInPersianUntilTheDialogGivesOne) {
  CShiftRS shift;
  StartShift(shift);
  EXPECT_EQ(CShiftRS::BatchNumberPromptText(3), kPromptForMixer4);

  ScriptedMessageBox boxes;
  boxes.SetDefaultAnswer(IDOK);
  // Confirmed twice without a number, then the operator enters 812 and confirms.
  ui.dialog = [&] {
    if (ui.dialogRuns == 3) shift.SetActiveMixerBatchNumber(3, 812);
    return IDOK;
  };
  EXPECT_EQ(shift.GetActiveMixerBatchNumber(3, true), 812);
  EXPECT_EQ(ui.dialogRuns, 3);
  ASSERT_EQ(boxes.Count(), 3u);
  for (const ScriptedMessageBox::Shown& box : boxes.Boxes()) {
    EXPECT_EQ(box.text, kPromptForMixer4);
    EXPECT_EQ(box.caption, "Enter Mixer Number");
    EXPECT_EQ(box.style, 0x1010u);
  }
  // A number already there is returned without a word.
  EXPECT_EQ(shift.GetActiveMixerBatchNumber(3, true), 812);
  EXPECT_EQ(boxes.Count(), 3u);

  // A dialog left unconfirmed (or no shift running) ends the asking with the value as it is.
  boxes.Clear();
  ui.dialogRuns = 0;
  ui.dialog = [] { return 2; };
  EXPECT_EQ(shift.GetActiveMixerBatchNumber(0, true), 0);
  EXPECT_EQ(ui.dialogRuns, 1);
  EXPECT_EQ(boxes.Count(), 1u);
  // The field set asks in the same way.
  EXPECT_EQ(shift.Scratch().GetMixerBatchNumber(1, true), 0);
  EXPECT_EQ(ui.dialogRuns, 2);
}

}  // namespace

namespace {

// A text where the shift's total produced belongs: the box names that column,
// puts that name on the clipboard, and comes once for the row, however often
// the start loads it.
TEST_F(ShiftRSTest, ATextInANumberColumnIsReportedOnceUnderItsOwnName) {
  RawDatabase(db.path).Exec(
      "INSERT INTO Shift (m_strOperatorName, m_bShiftStopped, m_fTotalProduced) VALUES ('Karimi', 0, 'many')");
  ScriptedMessageBox boxes;
  boxes.Expect(IDOK, "Error at [Shift] table [m_fTotalProduced] field!");
  Clipboard().Clear();
  CShiftRS shift;
  ASSERT_TRUE(OpenPlantTable(shift, db, "Shift", false));
  shift.SetActiveRecord(shift.FindActive());
  shift.MoveFirst();
  shift.Reload();
  EXPECT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(Clipboard().Text(), "m_fTotalProduced");
  // The columns before it were read.
  EXPECT_EQ(shift.Current().GetOperatorName(), "Karimi");
}

}  // namespace

namespace {

// Two unreadable values in one row: each column is told once, in the order of
// the columns, however often the row is loaded; the columns between and after
// them are read.
TEST_F(ShiftRSTest, EachUnreadableColumnOfARowIsReportedOnce) {
  RawDatabase(db.path).Exec(
      "INSERT INTO Shift (m_strOperatorName, m_lUsefulTime, m_bShiftStopped, m_fTotalProduced, m_nShiftTotalCycle) "
      "VALUES ('Karimi', 'long', 0, 'many', 7)");
  ScriptedMessageBox boxes;
  boxes.SetDefaultAnswer(IDOK);
  Clipboard().Clear();
  CShiftRS shift;
  ASSERT_TRUE(OpenPlantTable(shift, db, "Shift", false));
  shift.SetActiveRecord(shift.FindActive());
  for (int load = 0; load < 3; ++load) {
    shift.MoveFirst();
    shift.Reload();
  }
  std::string told;
  for (const auto& box : boxes.Boxes()) told += box.text + "\n----\n";
  const auto count = [&](const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = told.find(what); at != std::string::npos; at = told.find(what, at + 1)) ++n;
    return n;
  };
  EXPECT_EQ(count("Error at [Shift] table [m_lUsefulTime] field!"), 1u) << told;
  EXPECT_EQ(count("Error at [Shift] table [m_fTotalProduced] field!"), 1u) << told;
  EXPECT_LT(told.find("[m_lUsefulTime]"), told.find("[m_fTotalProduced]")) << told;
  // Every other column was read.
  EXPECT_EQ(shift.Current().GetOperatorName(), "Karimi");
  EXPECT_EQ(shift.Current().m_nShiftTotalCycle, 7);
}

}  // namespace
