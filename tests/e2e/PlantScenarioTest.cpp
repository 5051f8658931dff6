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

#include "app/PlantPipes.h"
#include "e2e/PlantScenarioFixture.h"
#include "platform/ui/ShapePictureCache.h"
#include "shapes/Vessel.h"

namespace {

using PlantScenarioTest = PlantScenarioFixture;

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
  // batch; Water-Ex shares the water's pump but is not charged, so it has none.
  EXPECT_EQ(Sql("SELECT GROUP_CONCAT(m_strBatchedMatrialName || ' ' || m_strDisChargeDir || ' ' || m_nBatchNumber || ' ' || "
                "m_bIsAutoBatching || m_bChrageIsEnd || m_bBatchIsCompleted, '; ') FROM Event2"),
            "Water Mixer1 501 110; L.A.B.S Mixer1 501 111");
  const float water = std::stof(Sql("SELECT m_fEndMatrialDose - m_fStartMatrialDose FROM Event2 WHERE m_nRecordID = 1"));
  const float labs = std::stof(Sql("SELECT m_fEndMatrialDose - m_fStartMatrialDose FROM Event2 WHERE m_nRecordID = 2"));
  EXPECT_GE(water, 20.0f);
  EXPECT_GE(labs, 6.0f);
  EXPECT_EQ(Sql("SELECT m_dtChargeStartTime < m_dtChargeEndTime FROM Event2 WHERE m_nRecordID = 1"), "1");
  EXPECT_EQ(Sql("SELECT m_dtChargeStartTime < m_dtChargeEndTime AND m_dtChargeEndTime < m_dtDisChargeStartTime AND "
                "m_dtDisChargeStartTime < m_dtDisChargeEndTime FROM Event2 WHERE m_nRecordID = 2"),
            "1");
  // L.A.B.S waited for the water.
  EXPECT_EQ(Sql("SELECT (SELECT m_dtChargeEndTime FROM Event2 WHERE m_nRecordID = 1) < "
                "(SELECT m_dtChargeStartTime FROM Event2 WHERE m_nRecordID = 2)"),
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
  ASSERT_NO_FATAL_FAILURE(CloseWithYes());
  EXPECT_EQ(GetEngineRoot(), nullptr);
  // Nothing left on the screen: every window closed went with its widgets.
  EXPECT_EQ(QApplication::topLevelWidgets().size(), 0);
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
  ChargeEndsDone();
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
  ShapePictureCache::ForgetAll();
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
  ChargeEndsDone();
}

}  // namespace
