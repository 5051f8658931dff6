#include <gtest/gtest.h>

#include <QImage>

#include "PlantFormFixture.h"
#include "app/PlantPipes.h"
#include "app/RecipeDlg.h"
#include "common/WindowUtils.h"
#include "controls/CInputBox.h"
#include "engine/EngineTables.h"
#include "engine/ProcessEngineApp.h"
#include "platform/base/Text.h"
#include "platform/ui/CCmdUI.h"
#include "platform/ui/CDC.h"
#include "platform/ui/CDialog.h"
#include "platform/ui/FrameworkIds.h"
#include "platform/ui/WindowTimers.h"
#include "plant/PlantModel.h"
#include "plant/PlantOperatorServices.h"
#include "records/RecipeRS.h"
#include "records/ShiftRS.h"
#include "shapes/ProcessDataGen.h"
#include "support/FakeClock.h"

namespace {

const char* const kRunningShiftRow = "INSERT INTO Shift (m_strOperatorName, m_bShiftStopped, m_nShiftRecipeID, "
                                  "m_strShiftRecipeName) VALUES ('Ahmadi', 0, -1, '?');";

// An active recipe whose one active step doses L.A.B.S into Mixer2.
std::string Mixer2Recipe() {
  std::string steps = "<AllStepsInfo>\r\n";
  for (int number = 1; number <= CRecipeRS::kStepCount; ++number) {
    const bool used = number == 1;
    steps += ruv::Format(
        "<StepInfo nStepID=\"%d\" bStpIsActv=\"%d\" nPrEndStpNmbr=\"0\" nSmulStrtStpNmbr=\"0\" bStpHasDisChrg=\"0\" "
        "bIsManualDosing=\"0\" eMixerNumber=\"%d\" strMatrialName=\"%s\" fDose=\"%s\"/>\r\n",
        number, used ? 1 : 0, used ? 1 : -1, used ? "L.A.B.S" : "-1", used ? "10" : "0");
  }
  steps += "</AllStepsInfo>\r\n";
  return "INSERT INTO Recipe (m_strRecipeName, m_bRecipeIsActv, strRecipeAllStepInfo) VALUES ('Formula A', -1, '" +
         steps + "');";
}

CCmdUI Update(CWnd* window, UINT id) {
  CCmdUI state(id);
  window->OnUpdateCmdUI(&state);
  return state;
}

bool TimerArmed(const CWnd* window, UINT_PTR id) {
  for (const ArmedTimer& timer : ArmedTimersOf(window->GetSafeHwnd()))
    if (timer.id == id) return true;
  return false;
}

class PlantFormViewTest : public PlantFormFixture {
 protected:
  void Start(const std::string& rows = std::string()) {
    MakeDatabase(rows);
    ASSERT_TRUE(StartApplication());
  }
  CRuvEngineApp& Engine() { return *GetEngineRoot(); }
  std::string LabelText(UINT id) { return view->Label(id).GetText(); }
};

TEST_F(PlantFormViewTest, TheDefaultFilesStartThePlantInDemoWithEveryShapeAndNoBox) {
  Start();
  EXPECT_EQ(boxes.Count(), 0u);
  int shapeWindows = 0;
  for (CWnd* child : view->GetChildren())
    if (dynamic_cast<C_BaseShape*>(child)) ++shapeWindows;
  EXPECT_EQ(shapeWindows, kPlantShapeCount + 1);  // the 59 devices and the general process data
  EXPECT_EQ(GetProcessDataGen()->GetParent(), view);
  EXPECT_EQ(Engine().GetOwnerView(), view);
  EXPECT_EQ(Engine().GetBuildBanner(), "RuvFrame[2k8] ZoruVarediz Melot 881120-S1");
  EXPECT_EQ(Engine().GetDataSourceType(), eDataSourceDemo);
  EXPECT_EQ(GetProcessEngine().GetStepCount(), CRecipeRS::kStepCount);
  EXPECT_TRUE(TimerArmed(view, kRefreshTimer));
  ASSERT_NE(view->GetRecipeDlg(), nullptr);
  EXPECT_TRUE(view->GetRecipeDlg()->IsWindowVisible());

  EXPECT_EQ(LabelText(IDC_DATA_SOURCE_LABEL), "DataSource: Demo");
  EXPECT_TRUE(view->Label(IDC_DATA_SOURCE_LABEL).IsBlinking());
  for (UINT id = IDC_BATCH_LABEL_MIXER1; id < IDC_BATCH_LABEL_MIXER1 + 4; ++id) EXPECT_EQ(LabelText(id), "Batch ?");
  EXPECT_EQ(LabelText(IDC_REPORT_LABEL), "Report goes here ...");
  EXPECT_EQ(LabelText(IDC_CAPTION_DM_WATER), "DM Water");
  g_strProcessReport.Set("Step 1: dosing");
  ASSERT_TRUE(FireTimerNow(view->GetSafeHwnd(), kRefreshTimer));
  EXPECT_EQ(LabelText(IDC_REPORT_LABEL), "Step 1: dosing");
  g_strProcessReport.Clear();

  // Exactly one data-source item carries the check mark, and it is the bold one.
  for (UINT id : {ID_DATA_SOURCE_NONE, ID_DATA_SOURCE_DEMO, ID_DATA_SOURCE_REAL}) {
    const CCmdUI state = Update(main, id);
    EXPECT_EQ(state.m_check, id == ID_DATA_SOURCE_DEMO ? 1 : 0) << id;
    EXPECT_EQ(state.m_default, id == ID_DATA_SOURCE_DEMO) << id;
  }
  main->SendMessage(WM_COMMAND, ID_DATA_SOURCE_NONE);
  EXPECT_EQ(Engine().GetDataSourceType(), eDataSourceNone);
  EXPECT_EQ(Update(main, ID_DATA_SOURCE_NONE).m_check, 1);
  EXPECT_EQ(Update(main, ID_DATA_SOURCE_DEMO).m_check, 0);

  // Start and stop follow the process engine; the stop also comes to the main window.
  EXPECT_TRUE(Update(main, ID_START_PROCESS).m_enabled);
  EXPECT_FALSE(Update(main, ID_STOP_PROCESS).m_enabled);
  GetProcessEngine().SetStarted(1, 0);
  EXPECT_FALSE(Update(main, ID_START_PROCESS).m_enabled);
  EXPECT_TRUE(Update(main, ID_STOP_PROCESS).m_enabled);
  main->SendMessage(WM_COMMAND, ID_STOP_PROCESS);
  EXPECT_FALSE(GetProcessEngine().IsStarted());

  boxes.Expect(IDOK, "This is not closable!");
  main->SendMessage(WM_COMMAND, ID_FILE_CLOSE);
  EXPECT_EQ(boxes.LastText(), "This is not closable!");
  EXPECT_TRUE(IsWindow(view->GetSafeHwnd()));
}

TEST_F(PlantFormViewTest, AMissingDatabaseEndsTheStartWithCodeOneAndNoDemo) {
  boxes.Expect(IDOK, "DataBase file not found!");
  ASSERT_TRUE(StartApplication());  // the windows finish their creation; the quit ends the run
  EXPECT_FALSE(view->IsEngineStarted());
  EXPECT_TRUE(IsQuitPosted());
  EXPECT_EQ(Engine().GetDataSourceType(), eDataSourceNone);
  EXPECT_FALSE(TimerArmed(view, kRefreshTimer));
  EXPECT_EQ(view->GetRecipeDlg(), nullptr);
  EXPECT_EQ(GetPlantShapes().front()->GetSafeHwnd(), nullptr);
  EXPECT_EQ(theApp.Run(), 1);
  EXPECT_EQ(GetEngineRoot(), nullptr);
}

TEST_F(PlantFormViewTest, StartIsRefusedWithoutShiftRecipeOrTheUsedMixersNumber) {
  Start();
  StopCycles();
  // No shift: the shift table opens.
  const int dialogsBefore = modal_script::UnscriptedCount();
  boxes.Expect(IDOK, "براي شروع پروسس، نياز به ثبت شيفت فعال است");
  view->SendMessage(WM_COMMAND, ID_START_PROCESS);
  EXPECT_EQ(boxes.Boxes().back().caption, "Start Process Error");
  EXPECT_EQ(boxes.Boxes().back().style, static_cast<UINT>(MB_OK | MB_ICONSTOP | MB_SYSTEMMODAL));
  PumpPendingMessages();
  EXPECT_EQ(modal_script::UnscriptedCount(), dialogsBefore + 1);  // the shift dialog, cancelled
  EXPECT_FALSE(GetProcessEngine().IsStarted());
}

TEST_F(PlantFormViewTest, ARecipeUsingOnlyMixer2NeedsOnlyMixer2sNumber) {
  Start(std::string(kRunningShiftRow) + Mixer2Recipe());
  StopCycles();
  CShiftRS* shift = g_pShiftRS.load();
  CPlantOperatorServices::SetBatchNumberDialogRunner([] { return IDCANCEL; });
  boxes.Expect(IDOK, "به دليل نداشتن شماره بچ پروسه شروع نشد");
  view->OnStartProcess();
  EXPECT_EQ(boxes.Boxes().back().caption, "Start process message");
  EXPECT_FALSE(GetProcessEngine().IsStarted());

  CPlantOperatorServices::SetBatchNumberDialogRunner([shift] {
    shift->SetActiveMixerBatchNumber(1, 77);
    return IDOK;
  });
  view->OnStartProcess();
  EXPECT_TRUE(GetProcessEngine().IsStarted());
  EXPECT_EQ(shift->GetActiveMixerBatchNumber(0, false), 0);
  ASSERT_TRUE(FireTimerNow(view->GetSafeHwnd(), kRefreshTimer));
  EXPECT_EQ(LabelText(IDC_BATCH_LABEL_MIXER1 + 1), "Batch 77");
  EXPECT_EQ(LabelText(IDC_BATCH_LABEL_MIXER1), "Batch ?");
  GetProcessEngine().SetStarted(0, 1);

  // Without an active recipe the recipe dialog is asked for instead.
  RawDatabase(DatabasePath()).Exec("UPDATE Recipe SET m_bRecipeIsActv = 0;");
  {
    CRecipeRS* recipe = g_pRecipeRS.load();
    recipe->FindActive();
    recipe->SetActiveRecord(false);
  }
  boxes.Expect(IDOK, "براي شروع پروسس اتومات، نياز به ثبت فرمول فعال است");
  view->OnStartProcess();
  EXPECT_EQ(boxes.Boxes().back().caption, "Start Process Error");
  EXPECT_FALSE(GetProcessEngine().IsStarted());
}

TEST_F(PlantFormViewTest, TheRecordingStopwatchRestartsOnlyAfterAPositiveInterval) {
  Start();
  StopCycles();
  FakeClock clock;
  clock.Install();
  CRTimer& stopwatch = Engine().GetRecordStopwatch();
  stopwatch.Restart();
  const HWND handle = view->GetSafeHwnd();
  Engine().SetRecordInterval(0);
  clock.Advance(100000);
  ASSERT_TRUE(FireTimerNow(handle, kRefreshTimer));
  EXPECT_EQ(stopwatch.GetElapsedWholeSeconds(), 100);

  Engine().SetRecordInterval(5);
  stopwatch.Restart();
  clock.Advance(4999);
  FireTimerNow(handle, kRefreshTimer);
  EXPECT_EQ(stopwatch.GetElapsedMs(), 4999u);
  clock.Advance(1);
  FireTimerNow(handle, kRefreshTimer);
  EXPECT_EQ(stopwatch.GetElapsedMs(), 0u);

  // A charge-end timer fires once: it is killed before the refresh step runs.
  view->SetTimer(305, 7500);
  ASSERT_TRUE(FireTimerNow(handle, 305));
  EXPECT_FALSE(TimerArmed(view, 305));
  EXPECT_FALSE(FireTimerNow(handle, 305));
}

TEST_F(PlantFormViewTest, TheTypedIntervalReachesTheEngineAndTheSettingsCancelChangesNothing) {
  Start();
  StopCycles();
  std::string shownValue;
  modal_script::Push([&](CDialog& box) {
    shownValue = box.GetDlgItemText(IDC_INPUT_VALUE);
    EXPECT_EQ(box.GetWindowText(), "Recording Interval");
    box.SetDlgItemText(IDC_INPUT_VALUE, "45");
    box.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED));
  });
  main->SendMessage(WM_COMMAND, ID_RECORD_INTERVAL);
  EXPECT_EQ(shownValue, "60");
  EXPECT_EQ(Engine().GetRecordInterval(), 45);
  ini::ClearCache();
  EXPECT_NE(dir.Read("Qelo-Setting.ini").find("RecordProcessInformationInterval=45"), std::string::npos);

  modal_script::Push([](CDialog& box) {
    box.SetDlgItemText(IDC_INPUT_VALUE, "7");
    box.SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED));
  });
  view->OnRecordInterval();
  EXPECT_EQ(Engine().GetRecordInterval(), 45);
}

TEST_F(PlantFormViewTest, TheActiveRecipeIsCopiedIntoTheRunningShiftAndStored) {
  Start(std::string(kRunningShiftRow) + Mixer2Recipe());
  StopCycles();
  PumpPendingMessages();
  CShiftRS* shift = g_pShiftRS.load();
  CRecipeRS* recipe = g_pRecipeRS.load();
  RawDatabase raw(DatabasePath());
  {
    auto lock = shift->LockActive();
    shift->Active().SetShiftRecipeID(99);
  }
  view->SendMessage(WM_TABLE_NOTIFY, reinterpret_cast<WPARAM>(static_cast<CBaseTableRS*>(recipe)), kTableActivated);
  PumpPendingMessages();  // the shift's own notice stores it
  EXPECT_EQ(raw.Text("SELECT m_nShiftRecipeID || ' ' || m_strShiftRecipeName FROM Shift"), "1 Formula A");

  view->SendMessage(WM_TABLE_NOTIFY, reinterpret_cast<WPARAM>(static_cast<CBaseTableRS*>(recipe)), kTableNoActive);
  EXPECT_EQ(raw.Text("SELECT m_nShiftRecipeID || ' ' || m_strShiftRecipeName FROM Shift"), "-1 ?");
  PumpPendingMessages();
}

TEST_F(PlantFormViewTest, PipesFollowTheAnchorsOfTheirShapes) {
  Start();
  StopCycles();
  const CSize size = view->GetTotalSize();
  auto draw = [&] {
    QImage image(size.cx, size.cy, QImage::Format_RGB32);
    CDC dc;
    dc.AttachImage(&image);
    view->DrawForm(dc, CRect(0, 0, size.cx, size.cy));
    dc.Detach();
    return image;
  };
  auto rgb = [](const QImage& image, CPoint p) { return image.pixel(p.x, p.y) & 0xFFFFFFu; };
  const CPoint w1 = PlantAnchor("Water-DirectionValve1", 1);
  QImage image = draw();
  EXPECT_EQ(rgb(image, CPoint(w1.x, w1.y - 25)), 0x9BDCFFu);  // RGB(155, 220, 255)
  EXPECT_EQ(rgb(image, CPoint(2, 2)), 0u);                   // the shapes' black

  C_BaseShape* mixer2 = FindPlantShapeByName("Mixer2");
  const CPoint before = PlantAnchor("Mixer2", 7);
  EXPECT_EQ(rgb(image, CPoint(before.x, before.y + 5)), 0xFFD76Eu);  // RGB(255, 215, 110)
  CRect rect;
  mixer2->GetWindowRect(&rect);
  view->ScreenToClient(&rect);
  mixer2->MoveWindow(rect.left + 40, rect.top, rect.Width(), rect.Height());
  image = draw();
  EXPECT_EQ(rgb(image, CPoint(before.x + 40, before.y + 5)), 0xFFD76Eu);
  EXPECT_EQ(rgb(image, CPoint(before.x, before.y + 5)), 0u);
}

TEST_F(PlantFormViewTest, ShutDownStopsTheCyclesAndClosesTheShapesBeforeTheDataCenterGoes) {
  Start();
  ASSERT_TRUE(Engine().GetCycleThread(CRuvEngineBase::kProcessThread).IsRunning());
  const HWND shapeHandle = g_vessels[0].GetSafeHwnd();
  ASSERT_NE(shapeHandle, nullptr);
  CRuvEngineApp& engine = Engine();
  main->DestroyWindow();
  EXPECT_FALSE(IsWindow(shapeHandle));
  EXPECT_EQ(engine.GetDataSourceType(), eDataSourceNone);
  EXPECT_FALSE(engine.GetCycleThread(CRuvEngineBase::kProcessThread).IsRunning());
  EXPECT_EQ(engine.GetDataCenter(), nullptr);
  EXPECT_EQ(engine.GetOwnerView(), nullptr);
  EXPECT_EQ(GetPlantOperatorServices().GetPlantFormWindow(), nullptr);
  main = nullptr;
}

}  // namespace
