#pragma once
// The whole application run as an operator runs it in Demo, for the scenario
// tests: the worker cycles stopped and their passes made by the test on a fake
// clock, boxes scripted, and the operator's steps (a shift, a recipe, batch
// numbers, Start, a run to its end) as helpers.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <filesystem>
#include <initializer_list>
#include <map>
#include <optional>

#include "app/BaseTableDlg.h"
#include "app/BatchNumDlg.h"
#include "app/NewShiftDlg.h"
#include "app/PlantFormFixture.h"
#include "app/RecipeDlg.h"
#include "app/RecipeOneItemDlg.h"
#include "app/ShiftDlg.h"
#include "controls/CBalloonHelp.h"
#include "engine/EngineTables.h"
#include "engine/ProcessEngineApp.h"
#include "platform/ui/CButton.h"
#include "platform/ui/CComboBox.h"
#include "platform/ui/ModalDialogScript.h"
#include "platform/ui/WindowTimers.h"
#include "plant/PlantModel.h"
#include "records/RecipeRS.h"
#include "records/ShiftRS.h"
#include "support/EnginePass.h"
#include "support/FakeClock.h"

class PlantScenarioFixture : public PlantFormFixture {
 protected:
  static constexpr int kWater = 0, kLabs = 2, kConfirmation = 9, kDelay = 10;  // materials of a step
  static constexpr int kWaterPump = 6;  // "Water-ChargePump" among the gear pumps
  static constexpr const char* kLevelQuestion = "The level of Batchers & Mixers is:";
  static constexpr const char* kNoShift = "براي شروع پروسس، نياز به ثبت شيفت فعال است";
  static constexpr const char* kRunEnd = "همه استپ هاي فرمول اكتيو به طور كامل اجرا گرديد";

  static void Click(CWnd& window, UINT id) { window.SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

  void TearDown() override {
    if (!m_closed) PlantFormFixture::TearDown();
    // A dialog the scenario did not script is cancelled by the fixture, and counts as a failure.
    EXPECT_EQ(modal_script::UnscriptedCount(), m_unscriptedAtStart);
    modal_script::Clear();
  }

  // Step 1: the program up in Demo, the worker cycles handed to the test; the
  // database may hold `rows` (SQL) from an earlier session.
  void StartInDemo(const std::string& rows = std::string()) {
    m_unscriptedAtStart = modal_script::UnscriptedCount();
    MakeDatabase(rows);
    ASSERT_TRUE(StartApplication());
    StopCycles();
    clock.Install();
    ASSERT_EQ(GetEngineRoot()->GetDataSourceType(), eDataSourceDemo);
  }
  // The worker cycles stopped, on the real clock: on the test's clock the
  // cycles' own sleeps would run the stop's 5 s bound out in a few real
  // milliseconds on a loaded machine, and a cycle given up on goes on inside an
  // engine that is freed later. A cycle that does not stop in real time fails
  // the test. (Hides the plant form fixture's, which the walks call too.)
  void StopCycles() {
    clock.SetRealTime(true);
    PlantFormFixture::StopCycles();
    clock.SetRealTime(false);
    if (CRuvEngineApp* engine = GetEngineRoot()) {
      EXPECT_FALSE(engine->HasAbandonedCycle()) << "an engine cycle did not stop within its bound";
    }
  }
  // The shift table, New, and the operator's name in the question.
  void OpenShift(const std::string& operatorName) {
    modal_script::Push([](CDialog& shifts) {
      Click(shifts, IDC_TABLE_NEW);
      Click(shifts, IDCANCEL);
    });
    modal_script::Push([operatorName](CDialog& asking) {
      asking.GetDlgItem(IDC_NEW_SHIFT_OPERATOR)->SetWindowText(operatorName);
      Click(asking, IDOK);
    });
    main->SendMessage(WM_COMMAND, ID_SHIFT_TABLE);
  }
  // Steps 1 to 3: Demo, a shift for A, the recipe of MakeRecipe and `batch` in Mixer 1.
  void PrepareRun(const char* batch) {
    StartInDemo();
    OpenShift("A");
    MakeRecipe();
    EnterBatchNumber(batch);
  }
  // One row of the recipe dialog filled as the operator does it; the discharge
  // box the row ticks by itself is checked when `discharge` is given.
  struct StepInput {
    int material;
    const char* dose;
    const char* startAfter;
    std::optional<bool> discharge = std::nullopt;
  };
  void FillStep(CRecipeDlg& dialog, int index, const StepInput& input) {
    CRecipeOneItemDlg& row = dialog.GetRow(index);
    auto* active = dynamic_cast<CButton*>(row.GetDlgItem(IDC_STEP_ACTIVE));
    ASSERT_NE(active, nullptr);
    active->SetCheck(BST_CHECKED);
    row.OnCmdMsg(IDC_STEP_ACTIVE, static_cast<int>(BN_CLICKED));
    auto* material = dynamic_cast<CComboBox*>(row.GetDlgItem(IDC_STEP_MATERIAL));
    ASSERT_NE(material, nullptr);
    for (int item = 0; item < material->GetCount(); ++item)
      if (static_cast<int>(material->GetItemData(item)) == input.material) material->SetCurSel(item);
    row.OnCmdMsg(IDC_STEP_MATERIAL, static_cast<int>(CBN_SELCHANGE));
    row.SetDlgItemText(IDC_STEP_DOSE, input.dose);
    row.SetDlgItemText(IDC_STEP_START_AFTER, input.startAfter);
    dynamic_cast<CComboBox*>(row.GetDlgItem(IDC_STEP_MIXER))->SetCurSel(0);  // Mixer 1
    if (!input.discharge) return;
    auto* discharge = dynamic_cast<CButton*>(row.GetDlgItem(IDC_STEP_DISCHARGE));
    EXPECT_EQ(discharge->GetCheck() == BST_CHECKED, *input.discharge) << "step " << index + 1;
  }
  // A new recipe named Soap with `steps` in its first rows, not yet saved.
  void FillRecipe(std::initializer_list<StepInput> steps) {
    CRecipeDlg* dialog = view->GetRecipeDlg();
    ASSERT_NE(dialog, nullptr);
    boxes.Expect(IDOK, CRecipeDlg::kNewRecipeText);
    dialog->OnNewRecipe();
    dialog->SetDlgItemText(IDC_RECIPE_NAME, "Soap");
    int index = 0;
    for (const StepInput& input : steps) FillStep(*dialog, index++, input);
  }
  // The recipe dialog's Activate, its balloons closed.
  void ActivateRecipe() {
    view->GetRecipeDlg()->OnActivate();
    for (CBalloonHelp* balloon : CBalloonHelp::Balloons()) balloon->DestroyWindow();
    PumpPendingMessages();
  }
  // Step 2: water, L.A.B.S discharged into Mixer 1, a delay, a confirmation.
  void MakeRecipe() {
    ASSERT_NO_FATAL_FAILURE(FillRecipe({{kWater, "20", "0", false},
                                        {kLabs, "6", "1", true},
                                        {kDelay, "2", "2", false},
                                        {kConfirmation, "0", "3", false}}));
    ASSERT_TRUE(view->GetRecipeDlg()->OnSaveRecipe());
    ActivateRecipe();
    ASSERT_TRUE(g_pRecipeRS.load()->HasActiveRecord());
  }
  // Step 3: the batch-number dialog, Mixer 1 only.
  void EnterBatchNumber(const char* number) {
    modal_script::Push([number](CDialog& opened) {
      dynamic_cast<CBatchNumDlg&>(opened).NumberEdit(0).SetWindowText(number);
      Click(opened, IDOK);
    });
    main->SendMessage(WM_COMMAND, ID_BATCH_NUMBERS);
  }
  // One pass of both cycles, then the form's charge-end timers that are due.
  void Pass() {
    RunEnginePass(*GetEngineRoot(), clock);
    RunDueChargeEndTimers();
    // The form refreshes once a second.
    if (++m_passes % m_refreshEveryPasses == 0) FireTimerNow(view->GetSafeHwnd(), kRefreshTimer);
  }
  // Passes until `done` holds (at most `limit`); false when it never did.
  template <typename Done>
  bool PassUntil(Done done, int limit = 3000) {
    for (int pass = 0; pass < limit; ++pass) {
      if (done()) return true;
      Pass();
    }
    return done();
  }
  // The form's charge-end timers fire on the test's clock: each once its
  // period has passed since the pass that first saw it armed.
  void RunDueChargeEndTimers() {
    const HWND form = view->GetSafeHwnd();
    std::map<UINT_PTR, std::uint32_t> stillArmed;
    for (const ArmedTimer& timer : ArmedTimersOf(form)) {
      if (timer.id < kFirstChargeEndTimer || timer.id > kLastChargeEndTimer) continue;
      const auto seen = m_chargeEndArmedAt.find(timer.id);
      const std::uint32_t armedAt = seen == m_chargeEndArmedAt.end() ? clock.TickCount() : seen->second;
      if (clock.TickCount() - armedAt >= timer.elapseMs) {
        FireTimerNow(form, timer.id);
      } else {
        stillArmed[timer.id] = armedAt;
      }
    }
    m_chargeEndArmedAt = std::move(stillArmed);
    PumpPendingMessages();
  }
  // The plant form's Start: the numbers shown again and confirmed, the level
  // question answered Yes in the next pass.
  void StartProcess() {
    modal_script::Push([](CDialog& numbers) { Click(numbers, IDOK); });
    boxes.Expect(IDYES, kLevelQuestion);
    main->SendMessage(WM_COMMAND, ID_START_PROCESS);
  }
  // Step 4: passes until the confirmation waits, Next on its row, then
  // passes until the end message stopped the process and the charge ends ran.
  void RunToTheEnd() {
    boxes.Expect(IDOK, "توقف در استپ شماره 4");
    ASSERT_TRUE(PassUntil([] { return Phase(4) == CRecipeOneItemDlg::kConfirmationPhase; }));
    EXPECT_EQ(Phase(1), CRecipeOneItemDlg::kEndedPhase);
    EXPECT_EQ(Phase(3), CRecipeOneItemDlg::kEndedPhase);
    boxes.Expect(IDOK, kRunEnd);
    Click(view->GetRecipeDlg()->GetRow(3), IDC_STEP_NEXT);
    ASSERT_TRUE(PassUntil([] { return !GetProcessEngine().IsStarted(); }));
    ASSERT_TRUE(ChargeEndsDone());
  }
  // Passes until every charge-end timer armed has fired; false when one never did.
  bool ChargeEndsDone() {
    return PassUntil([this] { return m_chargeEndArmedAt.empty(); }, 100);
  }
  // File → Exit answered Yes, and the loop run out as the program's main does;
  // the boxes the close shows then (`closeBoxes`) are answered OK.
  void CloseWithYes(std::initializer_list<std::string> closeBoxes = {}) {
    boxes.Expect(IDYES, "Application will be closed.");
    for (const std::string& box : closeBoxes) boxes.Expect(IDOK, box);
    main->SendMessage(WM_CLOSE);
    ASSERT_TRUE(IsQuitPosted());
    m_closed = true;
    main = nullptr;
    child = nullptr;
    view = nullptr;
    EXPECT_EQ(theApp.Run(), 0);
    theApp.CloseAllDocuments();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(boxes.Pending(), 0u);
  }
  // The program started again in this process after a close, as a new
  // process would start: the process engine's run and the materials' totals
  // forgotten, the single-instance lock taken in a folder of its own, the
  // worker cycles handed to the test. The database and its journal stay.
  void StartAgainAfterClose() {
    CProcessEngineApp& engine = GetProcessEngine();
    engine.SetStarted(0, 1);
    engine.ResetSteps();
    engine.ClearRunUsedSteps();
    for (CMaterial& material : g_materials) material.SetTotal(0.0f);
    const std::string lockFolder = dir.File("lock-again-" + std::to_string(++m_startsAgain));
    std::filesystem::create_directories(lockFolder);
    ::setenv("XDG_RUNTIME_DIR", lockFolder.c_str(), 1);
    ini::ClearCache();
    clock.SetYieldOnSleep(true);
    clock.Install();
    ASSERT_TRUE(StartApplication());
    m_closed = false;
    StopCycles();
    m_chargeEndArmedAt.clear();
  }
  static int Phase(int number) { return GetProcessEngine().GetStepPhase(number - 1); }
  std::string Sql(const std::string& query) { return RawDatabase(DatabasePath()).Text(query); }
  // What a refused start must leave untouched.
  std::string WrittenRows() {
    return Sql("SELECT (SELECT COUNT(*) FROM Event2) || ' ' || (SELECT COUNT(*) FROM Batch) || ' ' || "
               "(SELECT COUNT(*) FROM VesselsLevel)");
  }
  static bool WaterPumpOn() { return g_gearPumps[kWaterPump].GetAttribBool(ePumpDoOnOffSpeed); }
  static float MixerLevel() { return GetShapeAttribFloat(GetMixerId(0), eCodeLevel); }

  FakeClock clock;
  std::map<UINT_PTR, std::uint32_t> m_chargeEndArmedAt;
  int m_passes = 0;
  int m_refreshEveryPasses = 5;  // tests that make many passes may refresh the form less often
  // Dialogs earlier tests of this process left unscripted are not this one's.
  int m_unscriptedAtStart = modal_script::UnscriptedCount();
  bool m_closed = false;
  int m_startsAgain = 0;
};
