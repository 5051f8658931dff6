// The whole plant as an operator runs it in Demo: the program started from the
// default files on an empty database, a shift, a recipe, batch numbers, a run
// to its end, and the database and the close checked afterwards. The worker
// cycles are stopped and the test makes their passes on a fake clock, so the
// run takes seconds and comes out the same every time.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QImage>
#include <QPixmap>
#include <QWidget>
#include <cstdlib>
#include <map>

#include "app/BaseTableDlg.h"
#include "app/BatchNumDlg.h"
#include "app/NewShiftDlg.h"
#include "app/PlantPipes.h"
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
#include "shapes/Vessel.h"
#include "records/RecipeRS.h"
#include "records/ShiftRS.h"
#include "support/FakeClock.h"

namespace {

constexpr int kWater = 0, kLabs = 2, kConfirmation = 9, kDelay = 10;  // materials of a step
constexpr int kWaterPump = 6;  // "Water-ChargePump" among the gear pumps
constexpr UINT kFirstChargeEndTimer = 301, kLastChargeEndTimer = 309;
const char* const kLevelQuestion = "The level of Batchers & Mixers is:";
const char* const kNoShift = "براي شروع پروسس، نياز به ثبت شيفت فعال است";
const char* const kRunEnd = "همه استپ هاي فرمول اكتيو به طور كامل اجرا گرديد";

void Click(CWnd& window, UINT id) { window.SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

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

TEST_F(PlantScenarioTest, AShiftARecipeAndABatchRunToTheEndAndTheProgramClosesCleanly) {
  StartInDemo();
  OpenShift("A");
  ASSERT_EQ(Sql("SELECT m_strOperatorName || ' ' || m_bShiftStopped FROM Shift"), "A 0");
  MakeRecipe();
  EnterBatchNumber("501");
  EXPECT_EQ(g_pShiftRS.load()->GetActiveMixerBatchNumber(0, false), 501);

  const float mixerBefore = GetShapeAttribFloat(GetMixerId(0), eCodeLevel);
  StartProcess();
  ASSERT_TRUE(GetProcessEngine().IsStarted());
  RunToTheEnd();
  for (int number = 1; number <= 4; ++number) EXPECT_EQ(Phase(number), 0) << "step " << number;

  // The database: one row per charge with its doses, direction, times and
  // batch; Water-Ex shares the water's pump, so it gets a row of its own.
  EXPECT_EQ(Sql("SELECT GROUP_CONCAT(m_strBatchedMatrialName || ' ' || m_strDisChargeDir || ' ' || m_nBatchNumber || ' ' || "
                "m_bIsAutoBatching || m_bChrageIsEnd || m_bBatchIsCompleted, '; ') FROM Event2"),
            "Water Mixer1 501 110; Water-Ex Mixer1 501 111; L.A.B.S Mixer1 501 111");
  const float water = std::stof(Sql("SELECT m_fEndMatrialDose - m_fStartMatrialDose FROM Event2 WHERE m_nRecordID = 1"));
  const float labs = std::stof(Sql("SELECT m_fEndMatrialDose - m_fStartMatrialDose FROM Event2 WHERE m_nRecordID = 3"));
  EXPECT_GE(water, 20.0f);
  EXPECT_GE(labs, 6.0f);
  EXPECT_EQ(Sql("SELECT m_fEndMatrialDose - m_fStartMatrialDose FROM Event2 WHERE m_nRecordID = 2"), "0");
  EXPECT_EQ(Sql("SELECT m_dtChargeStartTime < m_dtChargeEndTime FROM Event2 WHERE m_nRecordID = 1"), "1");
  EXPECT_EQ(Sql("SELECT m_dtChargeStartTime < m_dtChargeEndTime AND m_dtChargeEndTime < m_dtDisChargeStartTime AND "
                "m_dtDisChargeStartTime < m_dtDisChargeEndTime FROM Event2 WHERE m_nRecordID = 3"),
            "1");
  // L.A.B.S waited for the water.
  EXPECT_EQ(Sql("SELECT (SELECT m_dtChargeEndTime FROM Event2 WHERE m_nRecordID = 1) < "
                "(SELECT m_dtChargeStartTime FROM Event2 WHERE m_nRecordID = 3)"),
            "1");
  EXPECT_EQ(Sql("SELECT nBatchNumber || ' ' || strMixerName || ' ' || bBatchIsFinshed || ' ' || fMixerLevelAtStartTime || ' ' || "
                "strRecipeName FROM Batch"),
            "501 Mixer1 0 0 Soap");
  EXPECT_EQ(Sql("SELECT m_nShiftTotalCycle || ' ' || m_nShiftRecipeID || ' ' || m_strShiftRecipeName FROM Shift"), "1 1 Soap");
  EXPECT_FLOAT_EQ(std::stof(Sql("SELECT m_fTtlActlMtrlWater FROM Shift")), water);
  EXPECT_FLOAT_EQ(std::stof(Sql("SELECT m_fTtlActlMtrlLABS FROM Shift")), labs);
  // The Demo moved the water and the emptied batcher into Mixer 1.
  EXPECT_FLOAT_EQ(GetShapeAttribFloat(GetMixerId(0), eCodeLevel), mixerBefore + water + labs);
  EXPECT_FLOAT_EQ(GetShapeAttribFloat(GetMaterialWeigherId(kLabs, 0), eCodeLevel), 0.0f);
  EXPECT_EQ(view->Label(IDC_BATCH_LABEL_MIXER1).GetText(), "Batch 501");
  const float learnedLead = g_gearPumps[kWaterPump].GetAttribFloat(eShapeLoadInWay);
  EXPECT_GT(learnedLead, 0.0f);

  // Step 6: the shift stopped, no data source, the program closed with Yes.
  modal_script::Push([](CDialog& shifts) {
    Click(shifts, IDC_SHIFT_STOP);
    Click(shifts, IDCANCEL);
  });
  boxes.Expect(IDYES, CShiftDlg::kStopQuestion);
  main->SendMessage(WM_COMMAND, ID_SHIFT_TABLE);
  EXPECT_EQ(Sql("SELECT m_bShiftStopped FROM Shift"), "-1");
  main->SendMessage(WM_COMMAND, ID_DATA_SOURCE_NONE);
  EXPECT_EQ(GetEngineRoot()->GetDataSourceType(), eDataSourceNone);
  boxes.Expect(IDYES, "Application will be closed.");
  main->SendMessage(WM_CLOSE);
  ASSERT_TRUE(IsQuitPosted());
  m_closed = true;
  main = nullptr;
  child = nullptr;
  view = nullptr;
  EXPECT_EQ(theApp.Run(), 0);
  theApp.CloseAllDocuments();  // as the program's main does after the loop
  EXPECT_EQ(GetEngineRoot(), nullptr);
  // Nothing left on the screen: every window closed went with its widgets.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(QApplication::topLevelWidgets().size(), 0);
  EXPECT_EQ(boxes.Pending(), 0u);
  EXPECT_EQ(modal_script::Pending(), 0);
  ini::ClearCache();
  // The water pump's learned lead went back into the settings file.
  EXPECT_FLOAT_EQ(std::stof(ini::GetString(dir.File("Qelo-Setting.ini"), "GearPump.Water-ChargePump", "LoadInWay.Data", "0")),
                  learnedLead);
}

TEST_F(PlantScenarioTest, StartIsRefusedUntilShiftRecipeAndBatchAreThereAndAStopHaltsTheChargeUntilTheNextStart) {
  StartInDemo();
  // No shift: told, and the shift table offered (the operator closes it).
  modal_script::Push([](CDialog& shifts) { Click(shifts, IDCANCEL); });
  boxes.Expect(IDOK, kNoShift);
  main->SendMessage(WM_COMMAND, ID_START_PROCESS);
  PumpPendingMessages();
  EXPECT_EQ(modal_script::Pending(), 0);
  EXPECT_FALSE(GetProcessEngine().IsStarted());
  EXPECT_EQ(Sql("SELECT COUNT(*) FROM Shift"), "0");

  // No active recipe: told, and the recipe dialog brought forward.
  OpenShift("A");
  boxes.Expect(IDOK, kNoActiveRecipeText);
  main->SendMessage(WM_COMMAND, ID_START_PROCESS);
  PumpPendingMessages();
  EXPECT_FALSE(GetProcessEngine().IsStarted());
  EXPECT_TRUE(view->GetRecipeDlg()->IsWindowVisible());

  // No batch number: the dialog is closed without one.
  MakeRecipe();
  modal_script::Push([](CDialog& numbers) { Click(numbers, IDCANCEL); });
  boxes.Expect(IDOK, kNoBatchNumberText);
  main->SendMessage(WM_COMMAND, ID_START_PROCESS);
  EXPECT_EQ(boxes.Boxes().back().caption, kStartProcessMessageCaption);
  EXPECT_FALSE(GetProcessEngine().IsStarted());
  for (int pass = 0; pass < 10; ++pass) Pass();
  EXPECT_EQ(WrittenRows(), "0 0 0");
  EXPECT_FALSE(WaterPumpOn());
  EXPECT_EQ(MixerLevel(), 0.0f);

  // Stop while the water runs: the pump goes off and the mixer stays where it was.
  EnterBatchNumber("502");
  StartProcess();
  ASSERT_TRUE(PassUntil([] { return WaterPumpOn() && MixerLevel() > 0.0f; }, 50));
  main->SendMessage(WM_COMMAND, ID_STOP_PROCESS);
  ASSERT_TRUE(PassUntil([] { return !WaterPumpOn(); }, 5));
  const float stoppedAt = MixerLevel();
  for (int pass = 0; pass < 50; ++pass) Pass();
  EXPECT_EQ(MixerLevel(), stoppedAt);
  EXPECT_LT(stoppedAt, 20.0f);
  EXPECT_EQ(Phase(1), 1);  // still charging, waiting for the next Start

  // The next Start resumes the same charge and the run ends as usual.
  StartProcess();
  ASSERT_TRUE(PassUntil([] { return WaterPumpOn(); }, 5));
  RunToTheEnd();
  const float water = std::stof(Sql("SELECT m_fTtlActlMtrlWater FROM Shift"));
  EXPECT_GE(water, 20.0f);
  const float labs = std::stof(Sql("SELECT m_fTtlActlMtrlLABS FROM Shift"));
  EXPECT_FLOAT_EQ(MixerLevel(), water + labs);  // nothing charged twice
  EXPECT_EQ(Sql("SELECT m_nShiftTotalCycle FROM Shift"), "1");
  EXPECT_EQ(Sql("SELECT COUNT(*) FROM Batch"), "1");
}

// The pictures for the documentation: only when RUV_SCREENSHOT_DIR names the
// folder to write them to (run under Xvfb); otherwise skipped.
TEST_F(PlantScenarioTest, ScreenshotsOfTheDialogsAndThePlantMidRecipe) {
  const char* folder = std::getenv("RUV_SCREENSHOT_DIR");
  if (!folder || !*folder) GTEST_SKIP() << "RUV_SCREENSHOT_DIR is not set";
  const auto save = [folder](CWnd& window, const char* name) {
    QCoreApplication::processEvents();
    EXPECT_TRUE(window.GetWidget()->grab().save(QString::fromUtf8(folder) + "/" + name, "PNG")) << name;
  };
  StartInDemo();
  modal_script::Push([&](CDialog& shifts) {
    Click(shifts, IDC_TABLE_NEW);
    save(shifts, "shift-dialog.png");
    Click(shifts, IDCANCEL);
  });
  modal_script::Push([](CDialog& asking) {
    asking.GetDlgItem(IDC_NEW_SHIFT_OPERATOR)->SetWindowText("A");
    Click(asking, IDOK);
  });
  main->SendMessage(WM_COMMAND, ID_SHIFT_TABLE);
  MakeRecipe();
  modal_script::Push([&](CDialog& opened) {
    dynamic_cast<CBatchNumDlg&>(opened).NumberEdit(0).SetWindowText("501");
    save(opened, "batch-number-dialog.png");
    Click(opened, IDOK);
  });
  main->SendMessage(WM_COMMAND, ID_BATCH_NUMBERS);
  StartProcess();
  // Mid-recipe: the water in Mixer 1, L.A.B.S charged into its batcher.
  ASSERT_TRUE(PassUntil([] { return Phase(2) >= 3; }));
  for (int refresh = 0; refresh < 3; ++refresh) FireTimerNow(view->GetSafeHwnd(), kRefreshTimer);
  view->GetRecipeDlg()->OnRefreshTimer();
  save(*main, "plant-mid-recipe.png");
  save(*view->GetRecipeDlg(), "recipe-dialog.png");
  {
    // The scout opens only with Ctrl and Shift held.
    ScopedKeyState keys;
    keys.Press(VK_CONTROL);
    keys.Press(VK_SHIFT);
    main->SendMessage(WM_COMMAND, ID_SHOW_DATACENTER_SCOUT);  // Help → Show DataCenter Scout
    keys.Release(VK_CONTROL);
    keys.Release(VK_SHIFT);
  }
  for (int refresh = 0; refresh < 3; ++refresh) Pass();
  ASSERT_NE(GetEngineRoot()->GetScoutDialog(), nullptr);
  save(*GetEngineRoot()->GetScoutDialog(), "tag-scout.png");
  GetProcessEngine().SetStarted(0, 1);
  PassUntil([this] { return m_chargeEndArmedAt.empty(); }, 100);
}

// Counts the paints each widget gets while it lives.
class PaintCounter final : public QObject {
 public:
  PaintCounter() { QCoreApplication::instance()->installEventFilter(this); }
  ~PaintCounter() override { QCoreApplication::instance()->removeEventFilter(this); }
  PaintCounter(const PaintCounter&) = delete;
  PaintCounter& operator=(const PaintCounter&) = delete;
  int Of(const CWnd& window) const {
    const auto found = m_counts.find(window.GetWidget());
    return found == m_counts.end() ? 0 : found->second;
  }
  int Total() const {
    int total = 0;
    for (const auto& [widget, count] : m_counts) total += count;
    return total;
  }
  void Reset() { m_counts.clear(); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++m_counts[watched];
    return false;
  }

 private:
  std::map<const QObject*, int> m_counts;
};

// The repaints asked for so far are done (Qt posts them as update requests).
void FlushPaints() {
  QCoreApplication::sendPostedEvents();
  QCoreApplication::sendPostedEvents();
}

C_Vessel& Mixer1() { return *dynamic_cast<C_Vessel*>(FindPlantShapeByName("Mixer1")); }

TEST_F(PlantScenarioTest, AShapeRepaintsItselfOnlyWhenItsPictureChangesAndNeverThePlantFormUnderIt) {
  StartInDemo();
  C_Vessel& mixer = Mixer1();
  // The agitator switched on at its lowest speed: the redraw timer runs, the blades stand still.
  mixer.SetAttribFloat(eVesselSpeed, mixer.GetAttribFloat(eVesselMinVluSpeed));
  mixer.SetAttribBool(eVesselDiOnOffSpeed, true);
  FlushPaints();
  PaintCounter paints;
  ASSERT_TRUE(FireTimerNow(mixer.GetSafeHwnd(), SHAPE_REDRAW_TIMER));
  FlushPaints();
  EXPECT_EQ(paints.Total(), 0) << "a redraw tick that moves nothing";

  mixer.SetAttribFloat(eVesselOverloadWarningLevel, 7.0f);
  FlushPaints();
  EXPECT_EQ(paints.Total(), 0) << "a value the picture does not show";

  FireTimerNow(view->GetSafeHwnd(), kRefreshTimer);
  FlushPaints();
  EXPECT_EQ(paints.Of(mixer), 0) << "the form's refresh with nothing moved";
  EXPECT_EQ(paints.Of(*view), 0);

  // At half speed each tick moves the blades: the mixer alone repaints.
  mixer.SetAttribFloat(eVesselSpeed,
                       (mixer.GetAttribFloat(eVesselMinVluSpeed) + mixer.GetAttribFloat(eVesselMaxVluSpeed)) / 2);
  FlushPaints();
  paints.Reset();
  ASSERT_TRUE(FireTimerNow(mixer.GetSafeHwnd(), SHAPE_REDRAW_TIMER));
  FlushPaints();
  EXPECT_EQ(paints.Of(mixer), 1);
  EXPECT_EQ(paints.Total(), 1) << "the plant form and the other shapes are not repainted";

  // A level that moves the content repaints the mixer, and again only it.
  paints.Reset();
  mixer.SetAttribFloat(eVesselLevel, mixer.GetAttribFloat(eVesselMaxVluLevel) / 2);
  FlushPaints();
  EXPECT_EQ(paints.Of(mixer), 1);
  EXPECT_EQ(paints.Total(), 1);
}

// Every shape's kept picture, and the form's, is what drawing it whole gives.
void ExpectKeptPicturesDrawnWhole(CRuvFrameView& view, const char* when) {
  FlushPaints();
  const QImage kept = view.GetWidget()->grab().toImage();
  for (C_BaseShape* shape : GetPlantShapes()) shape->ForgetPicture();
  view.ForgetPicture();
  const QImage whole = view.GetWidget()->grab().toImage();
  ASSERT_EQ(kept.size(), whole.size()) << when;
  int differing = 0;
  for (int y = 0; y < kept.height(); ++y)
    for (int x = 0; x < kept.width(); ++x) differing += kept.pixel(x, y) != whole.pixel(x, y) ? 1 : 0;
  EXPECT_EQ(differing, 0) << when;
}

// Each running shape's redraw timer ticks, as it does every 90 ms.
void TickRedrawTimers() {
  for (C_BaseShape* shape : GetPlantShapes()) {
    for (const ArmedTimer& timer : ArmedTimersOf(shape->GetSafeHwnd()))
      if (timer.id == SHAPE_REDRAW_TIMER) FireTimerNow(shape->GetSafeHwnd(), SHAPE_REDRAW_TIMER);
  }
}

TEST_F(PlantScenarioTest, ThePicturesKeptBetweenPaintsAreTheWholeDrawingAtRestAndMidRecipe) {
  StartInDemo();
  Mixer1().SetAttribBool(eVesselDiOnOffSpeed, true);
  for (int pass = 0; pass < 10; ++pass) {
    Pass();
    TickRedrawTimers();
    FlushPaints();
  }
  ExpectKeptPicturesDrawnWhole(*view, "at rest");

  OpenShift("A");
  MakeRecipe();
  EnterBatchNumber("501");
  StartProcess();
  // Mid-recipe: the water in Mixer 1, L.A.B.S charged into its batcher, the
  // pictures repainted piece by piece as the levels, pumps and valves moved.
  ASSERT_TRUE(PassUntil([] {
    TickRedrawTimers();
    FlushPaints();
    return Phase(2) >= 3;
  }));
  // A shape whose action dialog is open blinks its frame.
  C_BaseShape& pump = g_gearPumps[kWaterPump];
  pump.SetActionDlgOpen(true);
  PumpPendingMessages();
  for (int tick = 0; tick < 3; ++tick) FireTimerNow(pump.GetSafeHwnd(), SHAPE_BLINK_TIMER);
  ExpectKeptPicturesDrawnWhole(*view, "mid-recipe");
  pump.SetActionDlgOpen(false);
  GetProcessEngine().SetStarted(0, 1);
  PassUntil([this] { return m_chargeEndArmedAt.empty(); }, 100);
}

}  // namespace
