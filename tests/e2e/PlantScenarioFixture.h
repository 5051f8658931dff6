#pragma once
// The whole plant as an operator runs it in Demo: the program started from the
// default files on an empty database, then a shift, a recipe, batch numbers and
// a run, each step as the operator does it. The worker cycles are stopped and
// the test makes their passes on a fake clock, so a run takes seconds and comes
// out the same every time.

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QPixmap>
#include <QWidget>
#include <cstdlib>
#include <map>

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
#include "platform/ui/WindowTimers.h"
#include "plant/PlantModel.h"
#include "records/RecipeRS.h"
#include "records/ShiftRS.h"
#include "support/FakeClock.h"

inline constexpr int kWater = 0, kLabs = 2, kConfirmation = 9, kDelay = 10;  // materials of a step
inline constexpr int kWaterPump = 6;  // "Water-ChargePump" among the gear pumps
inline const char* const kLevelQuestion = "The level of Batchers & Mixers is:";
inline const char* const kNoShift = "براي شروع پروسس، نياز به ثبت شيفت فعال است";
inline const char* const kRunEnd = "همه استپ هاي فرمول اكتيو به طور كامل اجرا گرديد";

inline void Click(CWnd& window, UINT id) { window.SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

class PlantScenarioTest : public PlantFormFixture {
 protected:
  void TearDown() override {
    if (!m_closed) PlantFormFixture::TearDown();
    // A dialog the scenario did not script is cancelled by the fixture, and counts as a failure.
    EXPECT_EQ(modal_script::UnscriptedCount(), m_unscriptedAtStart);
    modal_script::Clear();
  }

  // Step 1: the program up in Demo, the worker cycles handed to the test.
  void StartInDemo() {
    m_unscriptedAtStart = modal_script::UnscriptedCount();
    MakeDatabase();
    ASSERT_TRUE(StartApplication());
    StopCycles();
    clock.Install();
    ASSERT_EQ(GetEngineRoot()->GetDataSourceType(), eDataSourceDemo);
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
  // One row of the recipe dialog filled as the operator does it.
  struct StepInput {
    int material;
    const char* dose;
    const char* startAfter;
    bool discharge;
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
    auto* discharge = dynamic_cast<CButton*>(row.GetDlgItem(IDC_STEP_DISCHARGE));
    EXPECT_EQ(discharge->GetCheck() == BST_CHECKED, input.discharge) << "step " << index + 1;
  }
  // Step 2: water, L.A.B.S discharged into Mixer 1, a delay, a confirmation.
  void MakeRecipe() {
    CRecipeDlg* dialog = view->GetRecipeDlg();
    ASSERT_NE(dialog, nullptr);
    boxes.Expect(IDOK, CRecipeDlg::kNewRecipeText);
    dialog->OnNewRecipe();
    dialog->SetDlgItemText(IDC_RECIPE_NAME, "Soap");
    FillStep(*dialog, 0, {kWater, "20", "0", false});
    FillStep(*dialog, 1, {kLabs, "6", "1", true});
    FillStep(*dialog, 2, {kDelay, "2", "2", false});
    FillStep(*dialog, 3, {kConfirmation, "0", "3", false});
    ASSERT_TRUE(dialog->OnSaveRecipe());
    dialog->OnActivate();
    for (CBalloonHelp* balloon : CBalloonHelp::Balloons()) balloon->DestroyWindow();
    PumpPendingMessages();
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
  // One pass of both cycles: Demo levels, feedbacks, the common data, the
  // recipe supervisor, then the user-interface queue.
  void Pass() {
    CRuvEngineApp& engine = *GetEngineRoot();
    clock.Advance(200);
    engine.SimulateDemo();
    engine.MirrorDemoFeedback();
    engine.CommonDataCycle();
    engine.ProcessCycle();
    PumpPendingMessages();
    RunDueChargeEndTimers();
    // The form refreshes once a second.
    if (++m_passes % 5 == 0) FireTimerNow(view->GetSafeHwnd(), kRefreshTimer);
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
    ASSERT_TRUE(PassUntil([this] { return m_chargeEndArmedAt.empty(); }, 100));
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
  int m_unscriptedAtStart = 0;
  bool m_closed = false;
};
