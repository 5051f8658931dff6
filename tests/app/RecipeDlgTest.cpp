// The recipe dialog over a recipe table on a temporary database, with scripted
// boxes and a process engine the test drives.
#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/RecipeDlg.h"
#include "app/RuvFrameView.h"
#include "common/ProcessUtils.h"
#include "controls/CBalloonHelp.h"
#include "engine/ProcessEngineApp.h"
#include "plant/PlantModel.h"
#include "platform/base/ProfileStore.h"
#include "platform/base/Text.h"
#include "platform/db/DbTestSupport.h"
#include "platform/ui/CComboBox.h"
#include "records/PlantTablesSupport.h"
#include "support/ScriptedMessageBox.h"

namespace {

// The operator texts, by code point.
const std::string kStepError = "\u062E\u0637\u0627 \u062F\u0631 \u0627\u0633\u062A\u067E ";
const std::string kNoActiveStep = "\u0647\u064A\u0686 \u0627\u0633\u062A\u067E \u0627\u0643\u062A\u064A\u0648\u064A \u0648\u062C\u0648\u062F \u0646\u062F\u0627\u0631\u062F";
const std::string kSaved = "\u0641\u0631\u0645\u0648\u0644 \u0628\u0627 \u0645\u0648\u0641\u0642\u064A\u062A \u0630\u062E\u064A\u0631\u0647 \u0634\u062F";
const std::string kNewRecipe = "\u0641\u0631\u0645\u0648\u0644 \u062C\u062F\u064A\u062F \u0627\u064A\u062C\u0627\u062F \u06AF\u0631\u062F\u064A\u062F";

using Fill = std::function<void(CRecipeRS::CSTFields&)>;

// An active step that breaks no rule: material, dose and mixer given.
void MakeStep(CRecipeRS::CSTFields& recipe, int index, int material = 1, int mixer = 0, int startAfter = 0) {
  CRecipeStepInfo& step = recipe.GetStep(index);
  step.m_bStpIsActv = true;
  step.m_nMaterialIndex = material;
  step.m_fDose = 10.0f;
  step.m_eMixerNumber = mixer;
  step.m_nPrEndStpNmbr = startAfter;
}

class RecipeDlgTest : public PlantTablesTest {
 protected:
  void SetUp() override {
    PlantTablesTest::SetUp();
    profile::SetPathOverride(db.dir.File("profile.ini"));
    process.CreateSteps(CRecipeRS::kStepCount);
    ASSERT_TRUE(OpenPlantTable(recipes, db, "Recipe", false));
    // The batchers hold what the default settings give them, whichever test ran before.
    for (int batcher = ePlantBatcher01; batcher <= ePlantBatcher05; ++batcher)
      SetShapeAttribFloat(MakeObjectId(eShapeKindVessel, batcher), eCodeMaxLevel, 100.0f);
  }
  void TearDown() override {
    dialog.reset();
    profile::SetPathOverride("");
  }

  void AddRecipe(const std::string& name, bool active, const Fill& fill = {}) {
    CRecipeRS::CSTFields& scratch = recipes.Scratch();
    scratch.Reset();
    scratch.SetRecipeName(name);
    scratch.SetRecipeActive(active);
    if (fill) fill(scratch);
    ASSERT_TRUE(recipes.AddNew());
  }
  void Open() {
    dialog = std::make_unique<CRecipeDlg>();
    dialog->SetTable(&recipes);
    dialog->SetProcessEngine(&process);
    ASSERT_TRUE(dialog->Create(IDD_RECIPE));
    dialog->ShowWindow(SW_SHOW);
  }
  // The stored active flag of a row, as the database has it.
  std::string StoredFlag(int id) const {
    RawDatabase raw(db.path);
    return raw.Text("SELECT m_bRecipeIsActv FROM Recipe WHERE m_nRecordID = " + std::to_string(id));
  }
  int ActiveId() {
    auto lock = recipes.LockActive();
    return recipes.Active().GetRecordID();
  }
  CWnd* RowItem(int row, UINT id) { return dialog->GetRow(row).GetDlgItem(id); }
  CComboBox* RowCombo(int row, UINT id) { return dynamic_cast<CComboBox*>(RowItem(row, id)); }
  CBalloonHelp* LastBalloon() {
    const auto balloons = CBalloonHelp::Balloons();
    return balloons.empty() ? nullptr : balloons.back();
  }

  CRecipeRS recipes;
  CProcessEngineApp process;
  ScriptedMessageBox boxes;
  std::unique_ptr<CRecipeDlg> dialog;
};

TEST_F(RecipeDlgTest, EachStepRuleWithItsText) {
  AddRecipe("Rules", false, [](CRecipeRS::CSTFields& recipe) {
    MakeStep(recipe, 0);
    MakeStep(recipe, 29);
  });
  Open();
  CRecipeRS::CSTFields& recipe = recipes.Current();
  CRecipeOneItemDlg& row = dialog->GetRow(2);
  struct Case {
    Fill change;
    std::string rule;  // empty: accepted
  };
  const Case cases[] = {
      {[](auto& r) { r.GetStep(2).m_bStpIsActv = false; r.GetStep(2).m_nMaterialIndex = -1; }, ""},
      {[](auto& r) { r.GetStep(2).m_nMaterialIndex = -1; }, "\u0644\u0637\u0641\u0627 \u0645\u0627\u062F\u0647 \u0628\u0627\u0631\u06AF\u064A\u0631\u064A \u0634\u0648\u0646\u062F\u0647 \u0631\u0627 \u0645\u0634\u062E\u0635 \u0643\u0646\u064A\u062F"},
      {[](auto& r) { r.GetStep(2).m_nPrEndStpNmbr = -1; }, "\u0644\u0637\u0641\u0627 \u0639\u062F\u062F\u064A \u0628\u0632\u0631\u06AF\u062A\u0631 \u0627\u0632 \u064A\u0627 \u0645\u0633\u0627\u0648\u064A \u0635\u0641\u0631 \u0628\u0631\u0627\u064A \u067E\u064A\u0634 \u0634\u0631\u0637 \u0634\u0631\u0648\u0639 \u0627\u0633\u062A\u067E \u0645\u0634\u062E\u0635 \u0643\u0646\u064A\u062F"},
      {[](auto& r) { r.GetStep(2).m_nPrEndStpNmbr = 31; }, "\u0639\u062F\u062F \u067E\u064A\u0634 \u0634\u0631\u0637 \u0634\u0631\u0648\u0639 \u0627\u0633\u062A\u067E \u0628\u0647 \u0627\u0633\u062A\u067E\u064A \u063A\u064A\u0631 \u0641\u0639\u0627\u0644 \u0627\u0634\u0627\u0631\u0647 \u062F\u0627\u0631\u062F"},
      {[](auto& r) { r.GetStep(2).m_nPrEndStpNmbr = 5; }, "\u0639\u062F\u062F \u067E\u064A\u0634 \u0634\u0631\u0637 \u0634\u0631\u0648\u0639 \u0627\u0633\u062A\u067E \u0628\u0647 \u0627\u0633\u062A\u067E\u064A \u063A\u064A\u0631 \u0641\u0639\u0627\u0644 \u0627\u0634\u0627\u0631\u0647 \u062F\u0627\u0631\u062F"},
      {[](auto& r) { r.GetStep(2).m_nPrEndStpNmbr = 30; }, ""},
      {[](auto& r) { r.GetStep(2).m_nPrEndStpNmbr = 3; }, "\u0639\u062F\u062F \u067E\u064A\u0634 \u0634\u0631\u0637 \u0634\u0631\u0648\u0639 \u0627\u0633\u062A\u067E \u0646\u0645\u064A \u062A\u0648\u0627\u0646\u062F \u0628\u0647 \u062E\u0648\u062F \u0627\u0633\u062A\u067E \u062C\u0627\u0631\u064A \u0627\u0634\u0627\u0631\u0647 \u0643\u0646\u062F"},
      {[](auto& r) { r.GetStep(2).m_nSmulStrtStpNmbr = -1; }, "\u0644\u0637\u0641\u0627 \u0639\u062F\u062F\u064A \u0628\u0632\u0631\u06AF\u062A\u0631 \u0627\u0632 \u064A\u0627 \u0645\u0633\u0627\u0648\u064A \u0635\u0641\u0631 \u0628\u0631\u0627\u064A \u067E\u064A\u0634 \u0634\u0631\u0637 \u0634\u0631\u0648\u0639 \u062A\u062E\u0644\u064A\u0647 \u0645\u0634\u062E\u0635 \u0643\u0646\u064A\u062F"},
      {[](auto& r) { r.GetStep(2).m_nSmulStrtStpNmbr = 31; }, "\u0639\u062F\u062F \u067E\u064A\u0634 \u0634\u0631\u0637 \u0634\u0631\u0648\u0639 \u062A\u062E\u0644\u064A\u0647 \u0628\u0647 \u0627\u0633\u062A\u067E\u064A \u063A\u064A\u0631 \u0641\u0639\u0627\u0644 \u0627\u0634\u0627\u0631\u0647 \u062F\u0627\u0631\u062F"},
      {[](auto& r) { r.GetStep(2).m_nSmulStrtStpNmbr = 30; }, ""},
      {[](auto& r) { r.GetStep(2).m_nSmulStrtStpNmbr = 3; }, "\u0639\u062F\u062F \u067E\u064A\u0634 \u0634\u0631\u0637 \u0634\u0631\u0648\u0639 \u062A\u062E\u0644\u064A\u0647 \u0646\u0645\u064A \u062A\u0648\u0627\u0646\u062F \u0628\u0647 \u062E\u0648\u062F \u0627\u0633\u062A\u067E \u062C\u0627\u0631\u064A \u0627\u0634\u0627\u0631\u0647 \u0643\u0646\u062F"},
      {[](auto& r) { r.GetStep(2).m_fDose = 0.0f; }, "\u0644\u0637\u0641\u0627 \u0639\u062F\u062F\u064A \u063A\u064A\u0631 \u0627\u0632 \u0635\u0641\u0631 \u0628\u0631\u0627\u064A \u062F\u0632 \u0645\u0634\u062E\u0635 \u0643\u0646\u064A\u062F"},
      {[](auto& r) { r.GetStep(2).m_eMixerNumber = -1; }, "\u0644\u0637\u0641\u0627 \u0634\u0645\u0627\u0631\u0647 \u0645\u064A\u0643\u0633\u0631 \u0631\u0627 \u0645\u0634\u062E\u0635 \u0643\u0646\u064A\u062F"},
      {[](auto& r) { r.GetStep(2).m_bIsManualDosing = true; }, "\u0628\u0627\u0631\u06AF\u064A\u0631\u064A \u062F\u0633\u062A\u064A \u0647\u0646\u0648\u0632 \u0627\u062C\u0631\u0627\u064A\u064A \u0646\u0634\u062F\u0647 \u0627\u0633\u062A. \u0644\u0637\u0641\u0627 \u062A\u064A\u0643 \u0622\u0646 \u0631\u0627 \u0628\u0631\u062F\u0627\u0631\u064A\u062F"},
      {[](auto& r) { r.GetStep(2).m_nMaterialIndex = 9; r.GetStep(2).m_fDose = 0.0f; }, "\u0644\u0637\u0641\u0627 \u0639\u062F\u062F\u064A \u0628\u0632\u0631\u06AF\u062A\u0631 \u0627\u0632 \u0635\u0641\u0631 \u0628\u0631\u0627\u064A \u067E\u064A\u0634 \u0634\u0631\u0637 \u0634\u0631\u0648\u0639 \u0627\u0633\u062A\u067E \u062A\u0627\u064A\u064A\u062F \u0627\u067E\u0631\u0627\u062A\u0648\u0631 \u0645\u0634\u062E\u0635 \u0643\u0646\u064A\u062F"},
      // A confirmation needs no dose, but a step to wait for.
      {[](auto& r) { r.GetStep(2).m_nMaterialIndex = 9; r.GetStep(2).m_fDose = 0.0f; r.GetStep(2).m_nPrEndStpNmbr = 1; }, ""},
  };
  int caseNumber = 0;
  for (const Case& c : cases) {
    MakeStep(recipe, 2);
    recipe.GetStep(2).m_nSmulStrtStpNmbr = 0;
    recipe.GetStep(2).m_bIsManualDosing = false;
    c.change(recipe);
    EXPECT_EQ(row.FindBrokenRule(), c.rule) << "case " << caseNumber++;
  }

  // Shown with the step's number, under the program's name.
  recipe.GetStep(2).m_eMixerNumber = -1;
  boxes.Expect(IDOK);
  EXPECT_FALSE(row.ValidateStep());
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, kStepError + "3\r\n\r\n" + "\u0644\u0637\u0641\u0627 \u0634\u0645\u0627\u0631\u0647 \u0645\u064A\u0643\u0633\u0631 \u0631\u0627 \u0645\u0634\u062E\u0635 \u0643\u0646\u064A\u062F");
  EXPECT_EQ(boxes.Boxes()[0].caption, GetAppModuleName());
  EXPECT_EQ(boxes.Boxes()[0].style, static_cast<UINT>(MB_ICONSTOP | MB_SYSTEMMODAL));
}

// A dose just above a batcher's capacity names itself with the digits typed,
// never as a number equal to the capacity.
TEST_F(RecipeDlgTest, ADoseAboveTheCapacityIsPrintedAsTyped) {
  constexpr int kLabsMaterial = 2;  // weighed in Batcher02
  AddRecipe("Over", false, [](CRecipeRS::CSTFields& recipe) { MakeStep(recipe, 0, kLabsMaterial); });
  Open();
  const auto batcher02 = MakeObjectId(eShapeKindVessel, ePlantBatcher01 + 1);
  const struct {
    const char* typed;
    float capacity;
    std::string printed;  // the dose, then the capacity
  } doses[] = {{"100.0001", 100.0f, "100.0001 Kg, is more than Batcher02 holds: its capacity is 100 Kg."},
               {"100.00001", 100.0f, "100.00001 Kg, is more than Batcher02 holds: its capacity is 100 Kg."},
               {"150", 100.0f, "150 Kg, is more than Batcher02 holds: its capacity is 100 Kg."},
               {"1234.568", 1234.567f, "1234.568 Kg, is more than Batcher02 holds: its capacity is 1234.567 Kg."}};
  for (const auto& dose : doses) {
    SetShapeAttribFloat(batcher02, eCodeMaxLevel, dose.capacity);
    dialog->GetRow(0).SetDlgItemText(IDC_STEP_DOSE, dose.typed);
    boxes.Expect(IDOK);
    EXPECT_FALSE(dialog->OnSaveRecipe()) << dose.typed;
    EXPECT_EQ(boxes.LastText(), kStepError + "1\r\n\r\nThe dose of L.A.B.S, " + dose.printed);
  }
  // Exactly the capacity is allowed.
  SetShapeAttribFloat(batcher02, eCodeMaxLevel, 100.0f);
  dialog->GetRow(0).SetDlgItemText(IDC_STEP_DOSE, "100");
  EXPECT_TRUE(dialog->OnSaveRecipe());
  EXPECT_EQ(boxes.Count(), 4u);
}

TEST_F(RecipeDlgTest, SaveNeedsAnActiveStepAndNoMaterialChargedTwiceAtOnce) {
  AddRecipe("Pairs", false);
  Open();
  const int id = recipes.Current().GetRecordID();
  dialog->SetDlgItemText(IDC_RECIPE_NAME, "Soap");
  boxes.Expect(IDOK);
  EXPECT_FALSE(dialog->OnSaveRecipe());
  EXPECT_EQ(boxes.LastText(), kNoActiveStep);
  EXPECT_EQ(boxes.Boxes().back().caption, "Recipe Error");
  {
    RawDatabase raw(db.path);
    EXPECT_EQ(raw.Text("SELECT m_strRecipeName FROM Recipe WHERE m_nRecordID = " + std::to_string(id)), "Pairs");
  }

  MakeStep(recipes.Current(), 2, 4, 0, 0);
  MakeStep(recipes.Current(), 6, 4, 1, 0);
  dialog->ShowRecord();
  boxes.Expect(IDOK);
  EXPECT_FALSE(dialog->OnSaveRecipe());
  EXPECT_EQ(boxes.LastText(), kStepError + "3" + " \u0648 " + "7" + ". \u0646\u0645\u064A \u062A\u0648\u0627\u0646 \u064A\u0643 \u0645\u0627\u062F\u0647 \u0631\u0627 \u062F\u0631 \u062F\u0648 \u0627\u0633\u062A\u067E \u0647\u0645\u0632\u0645\u0627\u0646 \u0628\u0627\u0631\u06AF\u064A\u0631\u064A \u0643\u0631\u062F");

  // Different start preconditions: saved, and the balloon says so.
  dialog->GetRow(6).SetDlgItemText(IDC_STEP_START_AFTER, "3");
  ASSERT_TRUE(dialog->OnSaveRecipe());
  EXPECT_EQ(boxes.Count(), 2u);
  CBalloonHelp* balloon = LastBalloon();
  ASSERT_NE(balloon, nullptr);
  EXPECT_EQ(balloon->GetWindowText(), "SaveRecipe");
  EXPECT_EQ(balloon->GetText(), kSaved);
  // The balloon adds its own deletion and, without window opacity, no fading in.
  EXPECT_EQ(balloon->GetOptions() & ~(CBalloonHelp::DeleteOnClose | CBalloonHelp::NoFadeIn), 33216u);
  EXPECT_EQ(balloon->GetTimeout(), 3000u);
  RawDatabase raw(db.path);
  EXPECT_EQ(raw.Text("SELECT m_strRecipeName FROM Recipe WHERE m_nRecordID = " + std::to_string(id)), "Soap");
  EXPECT_EQ(raw.Text("SELECT m_strModifyDateTimeShamsi FROM Recipe WHERE m_nRecordID = " + std::to_string(id)),
            kTestNowShamsi);
}

TEST_F(RecipeDlgTest, ActivationRules) {
  AddRecipe("First", false, [](auto& r) { MakeStep(r, 0); });
  AddRecipe("Second", false, [](auto& r) { MakeStep(r, 0); });
  Open();
  const int second = recipes.Current().GetRecordID();
  CWnd* button = dialog->GetDlgItem(IDC_RECIPE_ACTIVATE);
  EXPECT_EQ(button->GetWindowText(), CRecipeDlg::kInactiveText);

  // During a run only the balloon answers; nothing is saved.
  process.SetCycleActive(1);
  dialog->OnActivate();
  ASSERT_NE(LastBalloon(), nullptr);
  EXPECT_EQ(LastBalloon()->GetWindowText(), "Recipe De/Activation Error");
  EXPECT_EQ(LastBalloon()->GetText(), "\u062E\u0637\u0627: \u0645\u0627\u062F\u0627\u0645\u064A \u0643\u0647 \u067E\u0631\u0648\u0633\u0647 \u062A\u0648\u0644\u064A\u062F \u062F\u0631 \u062D\u0627\u0644 \u0627\u062C\u0631\u0627\u0633\u062A\u060C \u0641\u0631\u0645\u0648\u0644 \u0631\u0627 \u0646\u0645\u064A \u062A\u0648\u0627\u0646\u064A\u062F \u0641\u0639\u0627\u0644 \u064A\u0627 \u063A\u064A\u0631 \u0641\u0639\u0627\u0644 \u0643\u0646\u064A\u062F");
  EXPECT_EQ(StoredFlag(second), "0");
  EXPECT_EQ(boxes.Count(), 0u);
  process.SetCycleActive(0);

  // With none active the shown recipe becomes the active one.
  dialog->OnActivate();
  EXPECT_EQ(StoredFlag(second), "-1");
  EXPECT_EQ(ActiveId(), second);
  EXPECT_EQ(button->GetWindowText(), CRecipeDlg::kActiveText);

  // Another recipe cannot be activated while one is.
  dialog->OnPreviousRecord();
  const int first = recipes.Current().GetRecordID();
  boxes.Expect(IDOK);
  dialog->OnActivate();
  EXPECT_EQ(boxes.LastText(), "\u0644\u0637\u0641\u0627 \u0627\u0648\u0644 \u0641\u0631\u0645\u0648\u0644 \u0634\u0645\u0627\u0631\u0647 " + std::to_string(second) + " \u0631\u0627 \u063A\u064A\u0631 \u0641\u0639\u0627\u0644 \u0643\u0646\u064A\u062F");
  EXPECT_EQ(boxes.Boxes().back().caption, "Activation Recipe Alert");
  EXPECT_EQ(StoredFlag(first), "0");

  // Deactivating the active one clears the active record.
  dialog->OnNextRecord();
  dialog->OnActivate();
  EXPECT_EQ(StoredFlag(second), "0");
  EXPECT_FALSE(recipes.HasActiveRecord());

  // A recipe that cannot be saved is not activated: flag, active record and row as they were.
  dynamic_cast<CButton*>(dialog->GetRow(0).GetDlgItem(IDC_STEP_ACTIVE))->SetCheck(BST_UNCHECKED);
  boxes.Expect(IDOK, kNoActiveStep);
  dialog->OnActivate();
  EXPECT_FALSE(recipes.Current().IsRecipeActive());
  EXPECT_FALSE(recipes.HasActiveRecord());
  EXPECT_EQ(StoredFlag(second), "0");
}

TEST_F(RecipeDlgTest, NewRecipeIsAnnouncedOnlyWhenAddedOrKeptForALockedDatabase) {
  AddRecipe("Old", false);
  Open();
  boxes.Expect(IDOK);
  dialog->OnNewRecipe();
  EXPECT_EQ(recipes.GetRecordCount(), 2);
  EXPECT_EQ(dialog->GetDlgItemText(IDC_RECIPE_NAME), "NewName-13881120-153045");
  EXPECT_EQ(boxes.LastText(), kNewRecipe);
  EXPECT_EQ(boxes.Boxes().back().style, static_cast<UINT>(MB_ICONINFORMATION | MB_SYSTEMMODAL));

  // A database another program holds: the new recipe is kept, announced, and
  // written once the lock goes.
  db.database.GetConnection()->SetBusyTimeout(0);
  RawDatabase other(db.path);
  ASSERT_EQ(other.Exec("BEGIN IMMEDIATE"), SQLITE_OK);
  boxes.Expect(IDOK, kNewRecipe);
  dialog->OnNewRecipe();
  EXPECT_EQ(boxes.Count(), 2u);
  EXPECT_EQ(recipes.GetRecordCount(), 3);
  ASSERT_EQ(other.Exec("ROLLBACK"), SQLITE_OK);
  EXPECT_EQ(other.Text("SELECT COUNT(*) FROM Recipe"), "2");
  EXPECT_TRUE(db.database.WriteKept());
  EXPECT_EQ(other.Text("SELECT COUNT(*) FROM Recipe"), "3");
}

TEST_F(RecipeDlgTest, SortRenumbersInMemoryAndUndoReloads) {
  AddRecipe("Order", false, [](auto& r) {
    MakeStep(r, 1, 1, 2, 3);  // waits for step 3
    MakeStep(r, 2, 2, 0);
  });
  Open();
  // Showing an inactive step clears what it must not keep.
  EXPECT_TRUE(recipes.Current().GetStep(0).m_bStpHasDisChrg);
  dialog->OnSortSteps();
  const CRecipeRS::CSTFields& sorted = recipes.Current();
  EXPECT_EQ(sorted.GetStep(0).m_nMaterialIndex, 2);
  EXPECT_EQ(sorted.GetStep(1).m_nMaterialIndex, 1);
  EXPECT_EQ(sorted.GetStep(1).m_nPrEndStpNmbr, 1);  // its step moved to the front
  EXPECT_FALSE(sorted.GetStep(2).m_bStpIsActv);
  EXPECT_EQ(dialog->GetRow(1).GetDlgItemText(IDC_STEP_START_AFTER), "1");

  dialog->OnUndo();
  EXPECT_EQ(recipes.Current().GetStep(1).m_nMaterialIndex, 1);
  EXPECT_EQ(recipes.Current().GetStep(2).m_nMaterialIndex, 2);
  EXPECT_EQ(dialog->GetRow(1).GetDlgItemText(IDC_STEP_START_AFTER), "3");
}

TEST_F(RecipeDlgTest, MaterialChoiceSetsDischargeAndUnit) {
  AddRecipe("Materials", false, [](auto& r) { MakeStep(r, 0, 0); });
  Open();
  CComboBox* material = RowCombo(0, IDC_STEP_MATERIAL);
  ASSERT_NE(material, nullptr);
  ASSERT_EQ(material->GetCount(), 12);
  EXPECT_EQ(material->GetLBText(9), "------------");
  EXPECT_EQ(static_cast<std::intptr_t>(material->GetItemData(9)), -1);
  EXPECT_EQ(material->GetLBText(10), "Confirmation");
  EXPECT_EQ(material->GetItemData(10), 9u);
  EXPECT_EQ(material->GetItemData(11), 10u);
  auto* discharge = dynamic_cast<CButton*>(RowItem(0, IDC_STEP_DISCHARGE));
  const auto choose = [&](int item) {
    material->SetCurSel(item);
    dialog->GetRow(0).OnCmdMsg(IDC_STEP_MATERIAL, static_cast<int>(CBN_SELCHANGE));
  };
  choose(1);  // Caus. Soda, discharged through its batcher's valve
  EXPECT_EQ(discharge->GetCheck(), BST_CHECKED);
  EXPECT_EQ(RowItem(0, IDC_STEP_UNIT)->GetWindowText(), "Kg");
  EXPECT_TRUE(discharge->IsWindowEnabled());
  choose(9);
  EXPECT_EQ(discharge->GetCheck(), BST_UNCHECKED);
  EXPECT_EQ(RowItem(0, IDC_STEP_UNIT)->GetWindowText(), "");
  choose(11);  // Delay Step
  EXPECT_EQ(RowItem(0, IDC_STEP_UNIT)->GetWindowText(), "Sec");
  EXPECT_FALSE(discharge->IsWindowEnabled());
  EXPECT_FALSE(RowItem(0, IDC_STEP_MANUAL_DOSING)->IsWindowEnabled());
}

TEST_F(RecipeDlgTest, LivePhasesAndTheNextButton) {
  AddRecipe("Other", false, [](auto& r) { MakeStep(r, 0); });
  AddRecipe("Running", true, [](auto& r) {
    MakeStep(r, 0, 10);  // a 10 s delay
    MakeStep(r, 1, 9, 0, 1);
  });
  ASSERT_TRUE(recipes.FindActive());
  ASSERT_TRUE(recipes.SetActiveRecord(true));
  Open();
  process.SetStarted(1, 0);
  process.SetCycleActive(1);
  process.SetStepPhase(0, 8);
  process.SetStepPhase(1, 9);
  clock.Advance(3500);
  dialog->OnRefreshTimer();
  CComboBox* phase = RowCombo(0, IDC_STEP_PHASE);
  ASSERT_GE(phase->GetCurSel(), 0);
  EXPECT_EQ(phase->GetLBText(phase->GetCurSel()), process.GetPhaseText(8));
  EXPECT_TRUE(phase->IsWindowEnabled());
  EXPECT_EQ(RowItem(0, IDC_STEP_NEXT)->GetWindowText(), "7 >");
  clock.Advance(2000);
  dialog->OnRefreshTimer();
  EXPECT_EQ(RowItem(0, IDC_STEP_NEXT)->GetWindowText(), "5 >");
  EXPECT_TRUE(RowItem(0, IDC_STEP_NEXT)->IsWindowVisible());
  EXPECT_EQ(RowItem(1, IDC_STEP_NEXT)->GetWindowText(), ">");
  EXPECT_FALSE(dialog->GetDlgItem(IDC_TABLE_NEW)->IsWindowEnabled());
  EXPECT_TRUE(dialog->GetDlgItem(IDC_RECIPE_RUNTIME_HEADER)->IsWindowEnabled());

  // A confirmation ends at once; a delay only after Yes.
  dialog->GetRow(1).OnNext();
  EXPECT_EQ(process.GetStepPhase(1), 11);
  boxes.Expect(IDNO, "\u0622\u064A\u0627 \u0645\u064A \u062E\u0648\u0627\u0647\u064A\u062F \u062A\u0627\u064A\u0645\u0631 \u0631\u0627 \u0631\u064A\u0633\u062A \u0643\u0646\u064A\u062F \u0648 \u0628\u0647 \u0627\u0633\u062A\u067E \u0628\u0639\u062F \u0628\u0631\u0648\u064A\u062F\u061F");
  dialog->GetRow(0).OnNext();
  EXPECT_EQ(process.GetStepPhase(0), 8);
  EXPECT_EQ(boxes.Boxes().back().style, static_cast<UINT>(MB_YESNOCANCEL | MB_SYSTEMMODAL));
  boxes.Expect(IDYES);
  dialog->GetRow(0).OnNext();
  EXPECT_EQ(process.GetStepPhase(0), 11);
  dialog->GetRow(0).OnNext();  // no longer a delay: nothing asked
  EXPECT_EQ(boxes.Count(), 2u);

  // Another recipe's rows show no phase.
  dialog->OnPreviousRecord();
  dialog->OnRefreshTimer();
  EXPECT_EQ(phase->GetCurSel(), -1);
  EXPECT_FALSE(phase->IsWindowEnabled());
}

TEST_F(RecipeDlgTest, AConfirmationThatBeginsToWaitBringsTheDialogForwardWithItsRowInView) {
  AddRecipe("Running", true, [](auto& r) {
    MakeStep(r, 0);
    MakeStep(r, 26, 9, 0, 1);  // a confirmation far down the list
  });
  ASSERT_TRUE(recipes.FindActive());
  ASSERT_TRUE(recipes.SetActiveRecord(true));
  Open();
  process.SetStarted(1, 0);
  process.SetCycleActive(1);
  dialog->OnRefreshTimer();
  CScrollChildDlg* steps = dialog->GetStepsChild();
  ASSERT_EQ(steps->GetScrollPosition(), 0);
  dialog->ShowWindow(SW_MINIMIZE);
  ASSERT_TRUE(dialog->IsIconic());

  process.SetStepPhase(26, 9);
  dialog->OnRefreshTimer();
  EXPECT_FALSE(dialog->IsIconic());
  EXPECT_TRUE(dialog->IsWindowVisible());
  CRect row, view;
  dialog->GetRow(26).GetWindowRect(&row);
  steps->GetWindowRect(&view);
  EXPECT_GE(row.top, view.top);
  EXPECT_LE(row.bottom, view.bottom);

  // Only when it begins to wait: the operator may scroll away meanwhile.
  dialog->ShowWindow(SW_MINIMIZE);
  dialog->OnRefreshTimer();
  EXPECT_TRUE(dialog->IsIconic());
}

// Answers the question after the run under it has ended.
class RunEndsWhileAsked final : public IMessageBoxService {
 public:
  explicit RunEndsWhileAsked(CProcessEngineBase& engine) : m_engine(engine), m_previous(&MessageBoxService()) {
    SetMessageBoxService(this);
  }
  ~RunEndsWhileAsked() override { SetMessageBoxService(m_previous); }
  int Show(const std::string&, const std::string&, UINT) override {
    m_engine.ResetSteps();
    return IDYES;
  }

 private:
  CProcessEngineBase& m_engine;
  IMessageBoxService* m_previous;
};

TEST_F(RecipeDlgTest, NextAfterTheStepLeftItsPhaseChangesNothing) {
  AddRecipe("Running", true, [](auto& r) { MakeStep(r, 0, 10); });
  ASSERT_TRUE(recipes.FindActive());
  ASSERT_TRUE(recipes.SetActiveRecord(true));
  Open();
  process.SetStepPhase(0, 8);
  {
    RunEndsWhileAsked asker(process);
    dialog->GetRow(0).OnNext();
  }
  EXPECT_EQ(process.GetStepPhase(0), 0);
}

// Every control of a row shows whole beside the pane's scroll bar, and the
// column headers stand apart over the pane.
TEST_F(RecipeDlgTest, TheRowsShowWholeBesideTheScrollBarUnderHeadersThatStandApart) {
  AddRecipe("Wide", false);
  Open();
  CScrollChildDlg* steps = dialog->GetStepsChild();
  CRect pane;
  steps->GetClientRect(&pane);
  steps->ClientToScreen(&pane);
  for (CWnd* control : dialog->GetRow(0).GetChildren()) {
    CRect rect;
    control->GetWindowRect(&rect);
    EXPECT_GE(rect.left, pane.left) << control->GetDlgCtrlID();
    EXPECT_LE(rect.right, pane.right) << control->GetDlgCtrlID();
  }

  CRect runtime;
  dialog->GetDlgItem(IDC_RECIPE_RUNTIME_HEADER)->GetWindowRect(&runtime);
  std::vector<CRect> headers;
  for (CWnd* control : dialog->GetChildren()) {
    CRect rect;
    control->GetWindowRect(&rect);
    if (rect.top == runtime.top && rect.Height() == runtime.Height()) headers.push_back(rect);
  }
  ASSERT_EQ(headers.size(), 11u);
  for (std::size_t i = 0; i < headers.size(); ++i) {
    EXPECT_GE(headers[i].left, pane.left) << i;
    EXPECT_LE(headers[i].right, pane.right) << i;
    for (std::size_t j = i + 1; j < headers.size(); ++j) {
      CRect common;
      EXPECT_FALSE(common.IntersectRect(&headers[i], &headers[j])) << i << " and " << j;
    }
  }
}

TEST_F(RecipeDlgTest, LayoutAndPlacementKeptAcrossOpenings) {
  AddRecipe("Placed", false);
  Open();
  CScrollChildDlg* steps = dialog->GetStepsChild();
  CRect firstRow, lastRow;
  dialog->GetRow(0).GetClientRect(&firstRow);
  EXPECT_EQ(steps->GetFullRect(), CRect(0, 0, firstRow.Width() + 20, 770));
  dialog->GetRow(29).GetWindowRect(&lastRow);
  steps->ScreenToClient(&lastRow);
  EXPECT_EQ(lastRow.TopLeft(), CPoint(20, 5 + 25 * 29));

  // Kept wholly on the screen (800 wide here): a place past its edge would be moved inside.
  dialog->GetWidget()->move(2, 40);
  dialog->GetWidget()->resize(dialog->GetWidget()->width() + 60, dialog->GetWidget()->height() + 40);
  QApplication::processEvents();
  CRect placed;
  dialog->GetWindowRect(&placed);
  const QSize shownSize = dialog->GetWidget()->size();
  dialog->DestroyWindow();
  EXPECT_FALSE(profile::GetString("Setting", "RecipeDlg").empty());

  dialog = std::make_unique<CRecipeDlg>();
  dialog->SetTable(&recipes);
  dialog->SetProcessEngine(&process);
  ASSERT_TRUE(dialog->Create(IDD_RECIPE));
  CRect reopened;
  dialog->GetWindowRect(&reopened);
  EXPECT_EQ(reopened, placed);
  // Shown again it keeps its size: the frame is never added a second time.
  dialog->ShowWindow(SW_SHOW);
  QApplication::processEvents();
  EXPECT_EQ(dialog->GetWidget()->size(), shownSize);
}

TEST_F(RecipeDlgTest, AKeptPlaceFromALargerScreenOpensAndShowsAgainInsideThisOne) {
  AddRecipe("Placed", false);
  Open();
  CRect opened;
  dialog->GetWindowRect(&opened);
  const QSize inner = dialog->GetWidget()->size();  // what is kept: the frame left out
  dialog->DestroyWindow();
  // Kept at a larger screen: most of the dialog beyond this screen's corner.
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  const int left = screen.right() - opened.Width() / 3, top = screen.bottom() - opened.Height() / 3;
  profile::WriteString("Setting", "RecipeDlg",
                       ruv::Format("%d,%d,%d,%d,1,0", left, top, left + inner.width(), top + inner.height()));
  const auto inside = [&] {
    CRect now;
    dialog->GetWindowRect(&now);
    return screen.contains(QRect(now.left, now.top, now.Width(), now.Height())) && now.Size() == opened.Size();
  };
  Open();
  QApplication::processEvents();
  EXPECT_TRUE(inside());

  // Dragged half off the screen, then shown again from the menu.
  dialog->GetWidget()->move(screen.right() - opened.Width() / 2, screen.top());
  dialog->PostMessage(WM_RECIPE_DLG_BRING_FORWARD, 0, 0);
  QApplication::processEvents();
  EXPECT_TRUE(inside());
}

}  // namespace
