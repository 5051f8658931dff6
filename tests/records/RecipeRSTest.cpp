#include <gtest/gtest.h>

#include "PlantTablesSupport.h"
#include "platform/base/Text.h"
#include "records/MaterialNames.h"
#include "records/RecipeRS.h"

namespace {

class RecipeRSTest : public PlantTablesTest {};

std::string ResetStepLine(int number) {
  return ruv::Format(
      "<StepInfo nStepID=\"%d\" bStpIsActv=\"0\" nPrEndStpNmbr=\"0\" nSmulStrtStpNmbr=\"0\" bStpHasDisChrg=\"0\" "
      "bIsManualDosing=\"0\" eMixerNumber=\"-1\" strMatrialName=\"-1\" fDose=\"0\"/>\r\n",
      number);
}

TEST_F(RecipeRSTest, ResetRecipeIsStoredAsThirtyStepElementsWithCrLf) {
  CRecipeRS recipes;
  std::string text;
  ASSERT_TRUE(CRecipeRS::StepsToXml(recipes.Scratch(), text));
  std::string expected = "<AllStepsInfo>\r\n";
  for (int number = 1; number <= CRecipeRS::kStepCount; ++number) expected += ResetStepLine(number);
  expected += "</AllStepsInfo>\r\n";
  EXPECT_EQ(text, expected);

  // Stored as it is, CRLF and all, when the row is added.
  ASSERT_TRUE(OpenPlantTable(recipes, db, "Recipe", false));
  ASSERT_TRUE(recipes.AddNew());
  RawDatabase raw(db.path);
  EXPECT_EQ(raw.Text("SELECT strRecipeAllStepInfo FROM Recipe"), expected);
}

// A step with every field set, for slot `slot`.
void FillStep(CRecipeStepInfo& step, int slot) {
  step.SetStepActive(slot % 3 != 2);
  step.SetPrEndStpNmbr(slot);
  step.SetSmulStrtStpNmbr(30 - slot);
  step.m_bStpHasDisChrg = slot % 2 == 0;
  step.m_bIsManualDosing = slot % 5 == 0;
  step.m_eMixerNumber = slot % 4;
  step.SetMaterialIndex(slot % 12 - 1);  // -1 and all eleven materials
  step.SetDose(0.5f * static_cast<float>(slot) + 0.001f);
}

TEST_F(RecipeRSTest, EveryColumnAndEveryStepRoundTrips) {
  CRecipeRS recipes;
  ASSERT_TRUE(OpenPlantTable(recipes, db, "Recipe", false));
  CRecipeRS::CSTFields& row = recipes.Scratch();
  row.SetRecipeName("Shampoo <&> \"B\"");
  row.SetModifyDateTime(Now() - 2);
  row.SetRecipeActive(true);
  for (int slot = 0; slot < CRecipeRS::kStepCount; ++slot) FillStep(row.GetStep(slot), slot);
  ASSERT_TRUE(recipes.AddNew());

  CRecipeRS reread;
  ASSERT_TRUE(OpenPlantTable(reread, db, "Recipe", false));
  const CRecipeRS::CSTFields& got = reread.Current();
  EXPECT_EQ(got.m_nRecordID, 1);
  EXPECT_EQ(got.GetRecipeName(), "Shampoo <&> \"B\"");
  EXPECT_EQ(got.GetModifyDateTime(), Now() - 2);
  EXPECT_EQ(got.m_strModifyDateTimeShamsi, "1388/11/18 - 15:30:45");
  EXPECT_TRUE(got.IsRecipeActive());
  for (int slot = 0; slot < CRecipeRS::kStepCount; ++slot) {
    SCOPED_TRACE(slot);
    CRecipeStepInfo expected;
    FillStep(expected, slot);
    const CRecipeStepInfo& step = got.GetStep(slot);
    EXPECT_EQ(step.GetStepID(), slot + 1);
    EXPECT_EQ(step.IsStepActive(), expected.IsStepActive());
    EXPECT_EQ(step.GetPrEndStpNmbr(), expected.GetPrEndStpNmbr());
    EXPECT_EQ(step.GetSmulStrtStpNmbr(), expected.GetSmulStrtStpNmbr());
    EXPECT_EQ(step.m_bStpHasDisChrg, expected.m_bStpHasDisChrg);
    EXPECT_EQ(step.m_bIsManualDosing, expected.m_bIsManualDosing);
    EXPECT_EQ(step.GetMixerNumber(), expected.GetMixerNumber());
    EXPECT_EQ(step.GetMaterialIndex(), expected.GetMaterialIndex());
    EXPECT_EQ(step.GetDose(), expected.GetDose());
  }
  EXPECT_TRUE(reread.IsActive());
  EXPECT_EQ(RawDatabase(db.path).Text("SELECT m_bRecipeIsActv FROM Recipe"), "-1");
}

class RecipeLoadTest : public RecipeRSTest {
 protected:
  // Stores a row with the given step text (NULL for none) and opens the table on it.
  void Load(const char* steps) {
    RawDatabase raw(db.path);
    std::string value = steps ? "'" + ruv::ReplaceAll(steps, "'", "''") + "'" : "NULL";
    ASSERT_EQ(raw.Exec("INSERT INTO Recipe (m_strRecipeName, strRecipeAllStepInfo) VALUES ('R', " + value + ")"),
              SQLITE_OK);
    ASSERT_TRUE(OpenPlantTable(recipes, db, "Recipe", false));
    ASSERT_EQ(recipes.Current().GetRecipeName(), "R");
  }
  void ExpectReset(int fromSlot) {
    for (int slot = fromSlot; slot < CRecipeRS::kStepCount; ++slot) {
      const CRecipeStepInfo& step = recipes.Current().GetStep(slot);
      EXPECT_EQ(step.GetStepID(), slot + 1) << slot;
      EXPECT_FALSE(step.IsStepActive()) << slot;
      EXPECT_EQ(step.GetMaterialIndex(), -1) << slot;
    }
  }
  CRecipeRS recipes;
};

TEST_F(RecipeLoadTest, EmptyTextLeavesEveryStepReset) {
  Load(nullptr);
  ExpectReset(0);
}

TEST_F(RecipeLoadTest, TextWithoutTheRootLeavesEveryStepReset) {
  Load("<StepInfo nStepID=\"1\" bStpIsActv=\"1\"/>");
  ExpectReset(0);
}

TEST_F(RecipeLoadTest, TwelveStepsFillTheFirstTwelveSlots) {
  std::string text = "<AllStepsInfo>\r\n";
  for (int number = 1; number <= 12; ++number)
    text += ruv::Format("<StepInfo nStepID=\"%d\" bStpIsActv=\"1\" eMixerNumber=\"%d\" strMatrialName=\"Water\" "
                        "fDose=\"%d.5\"/>\r\n", number, number % 4, number);
  text += "</AllStepsInfo>\r\n";
  Load(text.c_str());
  for (int slot = 0; slot < 12; ++slot) {
    const CRecipeStepInfo& step = recipes.Current().GetStep(slot);
    EXPECT_TRUE(step.IsStepActive()) << slot;
    EXPECT_EQ(step.GetMixerNumber(), (slot + 1) % 4) << slot;
    EXPECT_EQ(step.GetMaterialIndex(), 0) << slot;
    EXPECT_EQ(step.GetDose(), static_cast<float>(slot + 1) + 0.5f) << slot;
  }
  ExpectReset(12);
}

TEST_F(RecipeLoadTest, UnknownMaterialAndForeignNumbersAreKeptAsStored) {
  Load("<AllStepsInfo>\r\n"
       "<StepInfo nStepID=\"7\" bStpIsActv=\"1\" strMatrialName=\"Glycerin\"/>\r\n"
       "<StepInfo nStepID=\"2\" bStpIsActv=\"1\" nPrEndStpNmbr=\"1\" strMatrialName=\"Color\"/>\r\n"
       "</AllStepsInfo>");
  const CRecipeRS::CSTFields& row = recipes.Current();
  EXPECT_EQ(row.GetStep(0).GetStepID(), 7);
  EXPECT_EQ(row.GetStep(0).GetMaterialIndex(), kUnknownMaterial);
  // Loading renumbers nothing: the reference to step 1 stays as stored.
  EXPECT_EQ(row.GetStep(1).GetPrEndStpNmbr(), 1);
  EXPECT_EQ(row.GetStep(1).GetMaterialIndex(), 6);
  ExpectReset(2);
}

TEST_F(RecipeRSTest, SortingMovesActiveStepsFirstByMixerAndReferencesFollowThem) {
  CRecipeRS recipes;
  CRecipeRS::CSTFields& row = recipes.Current();
  auto set = [&](int slot, bool active, int mixer, int material, int prEnd, int smulStart) {
    CRecipeStepInfo& step = row.GetStep(slot);
    step.SetStepActive(active);
    step.m_eMixerNumber = mixer;
    step.SetMaterialIndex(material);
    step.SetPrEndStpNmbr(prEnd);
    step.SetSmulStrtStpNmbr(smulStart);
  };
  set(0, true, 2, 0, 0, 0);   // Water into mixer 3
  set(1, false, -1, 5, 1, 4);  // inactive, with stale references
  set(2, true, 0, 6, 1, 0);    // Color, after the water step
  set(3, true, 1, 7, 3, 1);    // Essence, after the color step, discharging after the water step
  row.SortSteps();

  EXPECT_EQ(row.GetStep(0).GetMaterialIndex(), 6);
  EXPECT_EQ(row.GetStep(1).GetMaterialIndex(), 7);
  EXPECT_EQ(row.GetStep(2).GetMaterialIndex(), 0);
  EXPECT_EQ(row.GetStep(3).GetMaterialIndex(), 5);
  EXPECT_FALSE(row.GetStep(3).IsStepActive());
  for (int slot = 0; slot < CRecipeRS::kStepCount; ++slot) EXPECT_EQ(row.GetStep(slot).GetStepID(), slot + 1);
  EXPECT_EQ(row.GetStep(0).GetPrEndStpNmbr(), 3);     // the water step is number 3 now
  EXPECT_EQ(row.GetStep(1).GetPrEndStpNmbr(), 1);     // the color step is number 1 now
  EXPECT_EQ(row.GetStep(1).GetSmulStrtStpNmbr(), 3);
  EXPECT_EQ(row.GetStep(3).GetPrEndStpNmbr(), 0);     // inactive: no references
  EXPECT_EQ(row.GetStep(3).GetSmulStrtStpNmbr(), 0);
  EXPECT_TRUE(row.IsMixerUsed(0));
  EXPECT_FALSE(row.IsMixerUsed(3));
  row.GetStep(3).m_eMixerNumber = 3;  // inactive steps do not count
  EXPECT_FALSE(row.IsMixerUsed(3));
}

// A stored recipe may number its steps freely; a swap must not park a number
// anywhere another step could already be using it.
TEST_F(RecipeRSTest, SwappingStepsLeavesReferencesToOtherNumbersAlone) {
  CRecipeRS recipes;
  CRecipeRS::CSTFields& row = recipes.Current();
  row.GetStep(0).SetStepActive(true);
  row.GetStep(0).m_eMixerNumber = 2;
  row.GetStep(1).SetStepActive(true);
  row.GetStep(1).m_eMixerNumber = 0;
  row.GetStep(2).SetStepID(101);
  row.GetStep(2).SetStepActive(true);
  row.GetStep(2).m_eMixerNumber = 3;
  row.GetStep(3).SetStepActive(true);
  row.GetStep(3).m_eMixerNumber = 3;
  row.GetStep(3).SetPrEndStpNmbr(101);
  row.GetStep(3).SetSmulStrtStpNmbr(2);
  row.SwapSteps(row.GetStep(0), row.GetStep(1));
  EXPECT_EQ(row.GetStep(0).GetMixerNumber(), 0);
  EXPECT_EQ(row.GetStep(1).GetMixerNumber(), 2);
  EXPECT_EQ(row.GetStep(3).GetPrEndStpNmbr(), 101);
  EXPECT_EQ(row.GetStep(3).GetSmulStrtStpNmbr(), 1);

  // The same trade in the scratch set moves contents only.
  CRecipeRS::CSTFields& scratch = recipes.Scratch();
  scratch.GetStep(0).SetStepActive(true);
  scratch.GetStep(0).SetPrEndStpNmbr(2);
  scratch.SwapSteps(scratch.GetStep(0), scratch.GetStep(1));
  EXPECT_EQ(scratch.GetStep(1).GetPrEndStpNmbr(), 2);
  EXPECT_EQ(scratch.GetStep(1).GetStepID(), 2);
}

TEST_F(RecipeRSTest, ActiveRecipeIsFoundWrittenBackByIdAndReportedToTheEngineRoot) {
  EXPECT_EQ(CRecipeRS::ActiveRecipeIDOf(nullptr), -1);
  EXPECT_EQ(CRecipeRS::ActiveRecipeNameOf(nullptr), "?");
  NotifyRecorder owner;
  CRecipeRS recipes;
  ASSERT_TRUE(OpenPlantTable(recipes, db, "Recipe", false, owner.Handle()));
  for (const char* name : {"A", "B", "C"}) {
    recipes.Scratch().SetRecipeName(name);
    recipes.Scratch().SetRecipeActive(std::string(name) == "B");
    ASSERT_TRUE(recipes.AddNew());
  }
  EXPECT_FALSE(recipes.HasActiveRecord());  // adding a recipe activates nothing
  ASSERT_TRUE(recipes.FindActive());
  ASSERT_TRUE(recipes.SetActiveRecord(true));
  EXPECT_EQ(CRecipeRS::ActiveRecipeIDOf(&recipes), 2);
  EXPECT_EQ(CRecipeRS::ActiveRecipeNameOf(&recipes), "B");

  // Even with its stored flag cleared meanwhile, the row of the active id receives the set.
  RawDatabase raw(db.path);
  raw.Exec("UPDATE Recipe SET m_bRecipeIsActv = 0 WHERE m_nRecordID = 2");
  ASSERT_TRUE(recipes.MoveLast());
  {
    auto lock = recipes.LockActive();
    recipes.Active().GetStep(4).SetDose(9.5f);
  }
  owner.Take();
  ASSERT_TRUE(recipes.WriteBackActive());
  EXPECT_EQ(recipes.Current().m_nRecordID, 2);
  EXPECT_EQ(owner.Take(), (std::vector<int>{kTableMoved, kTableActivated, kTableSaved}));
  EXPECT_NE(raw.Text("SELECT strRecipeAllStepInfo FROM Recipe WHERE m_nRecordID = 2").find("fDose=\"9.5\""),
            std::string::npos);
  EXPECT_EQ(raw.Text("SELECT m_bRecipeIsActv FROM Recipe WHERE m_nRecordID = 2"), "-1");
  EXPECT_EQ(raw.Text("SELECT count(*) FROM Recipe WHERE CAST(strRecipeAllStepInfo AS TEXT) LIKE '%9.5%'"), "1");

  // A deleted active row is not recreated elsewhere.
  raw.Exec("DELETE FROM Recipe WHERE m_nRecordID = 2");
  EXPECT_FALSE(recipes.WriteBackActive());
}

}  // namespace

namespace {

TEST_F(RecipeRSTest, RenumberingTouchesOnlyTheCurrentSetAndCopiesKeepSlotNumbers) {
  CRecipeRS recipes;
  CRecipeRS::CSTFields& row = recipes.Current();
  row.GetStep(0).SetStepActive(true);
  row.GetStep(0).SetPrEndStpNmbr(5);
  row.GetStep(0).SetSmulStrtStpNmbr(5);
  row.GetStep(1).SetStepActive(true);
  row.GetStep(1).SetPrEndStpNmbr(6);
  recipes.RenumberSteps(row, 5, 9);
  EXPECT_EQ(row.GetStep(0).GetPrEndStpNmbr(), 9);
  EXPECT_EQ(row.GetStep(0).GetSmulStrtStpNmbr(), 9);
  EXPECT_EQ(row.GetStep(1).GetPrEndStpNmbr(), 6);
  recipes.RenumberSteps(row, 6, -1);  // a removed step: no reference
  EXPECT_EQ(row.GetStep(1).GetPrEndStpNmbr(), 0);
  recipes.RenumberSteps(row, -1, 3);  // nothing names step -1
  EXPECT_EQ(row.GetStep(0).GetPrEndStpNmbr(), 9);

  CRecipeRS::CSTFields& scratch = recipes.Scratch();
  scratch.CopyFrom(row);
  recipes.RenumberSteps(scratch, 9, 1);
  EXPECT_EQ(scratch.GetStep(0).GetPrEndStpNmbr(), 9);

  row.GetStep(3).SetStepID(17);  // as loaded from a stored recipe
  scratch.CopyFrom(row);
  EXPECT_EQ(scratch.GetStep(3).GetStepID(), 4);  // numbers belong to the slots
  EXPECT_TRUE(scratch.GetStep(0).IsStepActive());
  EXPECT_THROW(scratch.GetStep(30), std::out_of_range);
}

}  // namespace
