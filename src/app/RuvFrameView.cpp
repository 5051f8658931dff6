#include "app/RuvFrameView.h"

#include <algorithm>
#include <cstdio>
#include <QImage>

#include "app/ClearPlace.h"
#include "app/PlantPipes.h"
#include "app/RecipeDlg.h"
#include "app/ShiftDlg.h"
#include "common/Conversions.h"
#include "common/WindowUtils.h"
#include "controls/CInputBox.h"
#include "engine/EngineTables.h"
#include "engine/ProcessEngineApp.h"
#include "platform/base/MessageBoxService.h"
#include "platform/base/Text.h"
#include "platform/ui/CBrush.h"
#include "platform/ui/CCmdUI.h"
#include "platform/ui/CDataExchange.h"
#include "platform/ui/CPaintDC.h"
#include "platform/ui/CWinApp.h"
#include "platform/ui/FrameworkIds.h"
#include "platform/ui/MonitorWorkArea.h"
#include "platform/ui/WindowStacking.h"
#include "plant/PlantModel.h"
#include "plant/PlantOperatorServices.h"
#include "plant/RuvEngineApp.h"
#include "records/RecipeRS.h"
#include "records/ShiftRS.h"
#include "shapes/BaseShape.h"
#include "shapes/ProcessDataGen.h"
#include "shapes/PumpShape.h"
#include "shapes/ShapePictureKey.h"

namespace {

constexpr UINT kLabelIds[] = {IDC_REPORT_LABEL,         IDC_CAPTION_COLOR,     IDC_CAPTION_ESSENCE,
                              IDC_CAPTION_DM_WATER,     IDC_CAPTION_PRESERVATIVE, IDC_CAPTION_LITRON,
                              IDC_TITLE_LABEL,          IDC_DATA_SOURCE_LABEL, IDC_BATCH_LABEL_MIXER1,
                              IDC_BATCH_LABEL_MIXER1 + 1, IDC_BATCH_LABEL_MIXER1 + 2, IDC_BATCH_LABEL_MIXER1 + 3};
constexpr UINT kCaptionIds[] = {IDC_CAPTION_COLOR, IDC_CAPTION_ESSENCE, IDC_CAPTION_DM_WATER, IDC_CAPTION_PRESERVATIVE,
                                IDC_CAPTION_LITRON};
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kYellow = RGB(255, 255, 0);
constexpr int kTankerBatcherCount = ePlantTankerBatcherLast + 1;

// The recording interval's box.
constexpr const char* kIntervalTitle = "Recording Interval";
constexpr const char* kIntervalPrompt = "Please enter recording Vessels Level interval.";
constexpr const char* kIntervalNote = "unit: Second, Zero: no recording";

CWnd* Named(const char* name) { return FindPlantShapeByName(name); }

// Moves a window's top-left corner to `point` (size and stacking kept).
void MoveTopLeft(CWnd* window, CPoint point) {
  if (!window || !window->GetSafeHwnd()) return;
  window->SetWindowPos(nullptr, point.x, point.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int WidthOf(const CWnd* window) {
  CRect rect;
  window->GetWindowRect(&rect);
  return rect.Width();
}

int HeightOf(const CWnd* window) {
  CRect rect;
  window->GetWindowRect(&rect);
  return rect.Height();
}

// The data source a command of the plant menu's data-source group selects.
int DataSourceOfCommand(UINT id) {
  switch (id) {
    case ID_DATA_SOURCE_NONE: return eDataSourceNone;
    case ID_DATA_SOURCE_DEMO: return eDataSourceDemo;
    default: return eDataSourceRealHW;
  }
}

bool TableIs(WPARAM table, const CBaseTableRS* expected) {
  return expected && reinterpret_cast<const CBaseTableRS*>(table) == expected;
}

}  // namespace

CRuvFrameView::CRuvFrameView() : CFormView(IDD_RUVFRAME_FORM) { RegisterPlantFormResources(); }

CRuvFrameView::~CRuvFrameView() = default;

CNemLabel& CRuvFrameView::Label(UINT id) {
  for (int i = 0; i < kLabelCount; ++i) {
    if (kLabelIds[i] == id) return m_labels[static_cast<std::size_t>(i)];
  }
  return m_labels[0];
}

BOOL CRuvFrameView::PreCreateWindow(CREATESTRUCT& cs) {
  if (!CFormView::PreCreateWindow(cs)) return FALSE;
  cs.dwExStyle |= WS_EX_CLIENTEDGE;
  cs.style &= ~WS_BORDER;
  return TRUE;
}

void CRuvFrameView::DoDataExchange(CDataExchange* dx) {
  CFormView::DoDataExchange(dx);
  for (int i = 0; i < kLabelCount; ++i) DDX_Control(dx, kLabelIds[i], m_labels[static_cast<std::size_t>(i)]);
}

// ---------------------------------------------------------------- start

int CRuvFrameView::OnCreate(LPCREATESTRUCT cs) {
  if (CFormView::OnCreate(cs) == -1) return -1;
  StartEngine();
  return 0;  // a failed start ends the process through its quit, not here
}

bool CRuvFrameView::StartEngine() {
  CRuvEngineApp* engine = GetEngineRoot();
  if (!engine) {
    PostQuitMessage(1);
    return false;
  }
  // From here on the plant's operator services answer this view as the plant
  // form, so the tables made by Init report to it.
  engine->AttachView(this);
  engine->SetBuildBanner(kBuildBanner);
  if (!engine->Init()) {
    PostQuitMessage(1);
    return false;
  }
  for (int i = 0; i < kPlantVesselCount; ++i) {
    C_Vessel& vessel = g_vessels[static_cast<std::size_t>(i)];
    // The tanker batchers' level comes as it is; every other vessel's is scaled from its port.
    if (CAnalogUnit* level = vessel.GetAnalogUnit(0)) level->SetAutoCalcPhyValueFromPortValue(i >= kTankerBatcherCount);
    for (int unit = 1; unit <= 2; ++unit) {
      if (CAnalogUnit* channel = vessel.GetAnalogUnit(unit)) channel->SetAutoCalcPhyValueFromPortValue(true);
    }
    vessel.CreateShape(this);
  }
  for (C_GearPump& pump : g_gearPumps) pump.CreateShape(this);
  for (C_CntrFglPmp& pump : g_cntrFglPumps) pump.CreateShape(this);
  for (C_Valve& valve : g_valves) valve.CreateShape(this);
  if (C_ProcessDataGen* data = GetProcessDataGen()) data->CreateShape(this);
  for (CBaseTableRS* table : {static_cast<CBaseTableRS*>(g_pRecipeRS.load()), static_cast<CBaseTableRS*>(g_pShiftRS.load())}) {
    if (table && table->FindActive()) table->SetActiveRecord(true);
  }
  CProcessEngineApp& process = GetProcessEngine();
  process.CreateSteps(CRecipeRS::kStepCount);
  process.LoadFromFile();  // a missing or unreadable file changes nothing: the steps are reset next
  process.ResetSteps();
  m_engineStarted = true;
  return true;
}

void CRuvFrameView::OnInitialUpdate() {
  CFormView::OnInitialUpdate();
  ResizeParentToFit(TRUE);
  // After a failed start the process is ending: nothing of the plant is there to show.
  if (!m_engineStarted) return;
  C_BaseShape::SetShapeBackColor(RGB(0, 0, 0));
  SetUpLabels();
  // Before the Demo starts its levels: what the batchers held is known, and leaves with them.
  AdoptRowsLeftInWeighers();
  GetEngineRoot()->SetDataSourceType(eDataSourceDemo);
  WriteLedgerRows();
  SetTimer(kRefreshTimer, kRefreshPeriodMs);
  ArrangePlant();
  UpdateReport();
  OnRecipeTable();
}

void CRuvFrameView::SetUpLabels() {
  const COLORREF back = C_BaseShape::GetShapeBackColor();
  Label(IDC_TITLE_LABEL)
      .SetFontFace(-1, true, false, "Goldstone")
      .SetTextColor(RGB(196, 196, 0))
      .SetBkColor(back)
      .SetGradientColor(RGB(100, 0, 0))
      .SetGradientVertical(true)
      .SetBlinkColor(RGB(0, 0, 0))
      .SetBlink(true, kDataSourceBlinkMs, 3);
  for (UINT id : kCaptionIds)
    Label(id).SetFontFace(10, true, false, "MS Sans Serif").SetTextColor(kWhite).SetTransparent(true);
  Label(IDC_REPORT_LABEL).SetTransparent(true).SetTextColor(kWhite);
  Label(IDC_DATA_SOURCE_LABEL).SetTransparent(true).SetTextColor(kYellow).SetFontBold(true).SetBlinkColor(back);
  for (int mixer = 0; mixer < kPlantMixerCount; ++mixer)
    Label(IDC_BATCH_LABEL_MIXER1 + static_cast<UINT>(mixer)).SetTransparent(true).SetTextColor(kYellow).SetFontBold(true);
}

void CRuvFrameView::ArrangePlant() {
  CPoint p = PlantAnchor("TankerBatcher1A", 8);
  MoveTopLeft(Named("Batcher01-ChargePump"), CPoint(p.x, p.y + 30));
  p = PlantAnchor("TankerBatcher2A", 6);
  MoveTopLeft(Named("Batcher02-ChargePump"), CPoint(p.x - 30, p.y - 10));
  p = PlantAnchor("TankerBatcher3A", 6);
  MoveTopLeft(Named("Batcher3A-ChargePump"), CPoint(p.x - 30, p.y + 10));
  p = PlantAnchor("Batcher04", 0);
  MoveTopLeft(Named("Batcher3B-ChargePump"), CPoint(p.x - 25, p.y - 60));
  p = PlantAnchor("Batcher02", 0);
  MoveTopLeft(Named("Water-DirectionValve5"), CPoint(p.x + 5, p.y - 40));
  for (int mixer = 0; mixer < kPlantMixerCount; ++mixer)
    MoveTopLeft(&Label(IDC_BATCH_LABEL_MIXER1 + static_cast<UINT>(mixer)), PlantAnchor(GetMixerName(mixer), 7));
  p = PlantAnchor("Mixer4", 8);
  MoveTopLeft(Named("Mixer-GearPump"), CPoint(p.x + 40, p.y));
  p = PlantAnchor("Water-DirectionValve4", 2);
  MoveTopLeft(Named("Water-ChargePump"), CPoint(p.x + 30, p.y - 100));
  CNemLabel& color = Label(IDC_CAPTION_COLOR);
  p = PlantAnchor("Batcher04-ChargePump1", 5);
  MoveTopLeft(&color, CPoint(p.x, p.y - HeightOf(&color) / 2));
  CNemLabel& essence = Label(IDC_CAPTION_ESSENCE);
  p = PlantAnchor("Batcher04-ChargePump2", 5);
  MoveTopLeft(&essence, CPoint(p.x, p.y - HeightOf(&essence) / 2));
  p = PlantAnchor("Water-ChargePump", 0);
  MoveTopLeft(&Label(IDC_CAPTION_DM_WATER), CPoint(p.x - 85, p.y));
  p = PlantAnchor("Batcher04-ChargePump2", 6);
  MoveTopLeft(Named("Batcher05-ChargePump"), CPoint(p.x, p.y + 30));
  MoveTopLeft(&Label(IDC_CAPTION_PRESERVATIVE), PlantAnchor("Batcher05-ChargePump", 2));
  MoveTopLeft(&Label(IDC_CAPTION_LITRON), PlantAnchor("Batcher3B-ChargePump", 2));
  if (CWnd* daily = Named("TankerDaily-DisChargeValve")) {
    p = PlantAnchor("TankerDaily", 7);
    MoveTopLeft(daily, CPoint(p.x - WidthOf(daily) / 2, p.y));
  }
  for (int n = 1; n <= 5; ++n) {
    const std::string batcher = ruv::Format("Batcher%02d", n);
    CWnd* valve = FindPlantShapeByName(batcher + "-DisChargeValve");
    if (!valve) continue;
    p = PlantAnchor(batcher, 7);
    MoveTopLeft(valve, CPoint(p.x - WidthOf(valve) / 2, p.y));
  }
}

void CRuvFrameView::UpdateReport() {
  CRuvEngineApp* engine = GetEngineRoot();
  if (!engine) return;
  CNemLabel& source = Label(IDC_DATA_SOURCE_LABEL);
  source.SetText("DataSource: " + engine->GetDataSourceText());
  const bool steady = engine->GetDataSourceType() == eDataSourceRealHW && !engine->IsSuspended();
  if (steady == source.IsBlinking()) source.SetBlink(!steady, kDataSourceBlinkMs, 0);
  const CShiftRS* shift = g_pShiftRS.load();
  for (int mixer = 0; mixer < kPlantMixerCount; ++mixer) {
    const int number = shift ? shift->GetActiveMixerBatchNumber(mixer, false) : 0;
    Label(IDC_BATCH_LABEL_MIXER1 + static_cast<UINT>(mixer))
        .SetText("Batch " + (number < 1 ? std::string("?") : std::to_string(number)));
  }
  if (!m_closingNote.empty()) {
    // The close says what it waits for, and what it went on without.
    CNemLabel& line = Label(IDC_REPORT_LABEL);
    line.SetText(m_closingNote);
    if (line.GetTextColor() != kYellow) line.SetTextColor(kYellow);
    return;
  }
  const std::string report = g_strProcessReport.Get();
  // A refused row change comes first on the report line until it is written.
  const std::string unwritten = m_refusedRows.Note();
  CNemLabel& line = Label(IDC_REPORT_LABEL);
  if (unwritten.empty())
    line.SetText(report.empty() ? std::string(kEmptyReportText) : report);
  else
    line.SetText(report.empty() ? unwritten : unwritten + "  |  " + report);
  const COLORREF colour = unwritten.empty() ? kWhite : kYellow;
  if (line.GetTextColor() != colour) line.SetTextColor(colour);
}

// ---------------------------------------------------------------- timers

void CRuvFrameView::OnTimer(UINT_PTR id) {
  const bool chargeEnd = id >= kFirstChargeEndTimer && id <= kLastChargeEndTimer;
  if (chargeEnd) {
    KillTimer(id);
    PostMessage(WM_CHARGE_EVENT, 4, static_cast<LPARAM>(id - kFirstChargeEndTimer));
  }
  if ((chargeEnd || id == kRefreshTimer) && m_engineStarted) {
    // What the dosing settled or booked on its own thread reaches its rows.
    if (id == kRefreshTimer) WriteLedgerRows();
    UpdateReport();
    CRuvEngineApp* engine = GetEngineRoot();
    const int interval = engine ? engine->GetRecordInterval() : 0;
    if (interval > 0 && engine->GetRecordStopwatch().GetElapsedWholeSeconds() >= interval) {
      engine->GetRecordStopwatch().Restart();
      UpdateReport();
    }
  }
  CFormView::OnTimer(id);
}

// ---------------------------------------------------------------- painting

BOOL CRuvFrameView::OnEraseBkgnd(CDC*) { return TRUE; }

void CRuvFrameView::OnPaint() {
  CPaintDC dc(this);
  CRect client;
  GetClientRect(&client);
  // The pipes follow the shapes: the picture is drawn again only when one moved.
  ShapePictureKey key;
  key << client.Width() << client.Height() << C_BaseShape::GetShapeBackColor();
  for (const C_BaseShape* shape : GetPlantShapes()) {
    CRect rect;
    if (shape->GetSafeHwnd()) GetWindowRectInParent(rect, shape);
    key << rect.left << rect.top << rect.right << rect.bottom;
  }
  m_picture.Paint(
      &dc, client, key.Bytes(), [this](CDC& memory, const CRect& area) { DrawForm(memory, area); }, std::string(),
      ShapePictureCache::Layer(), &dc.m_ps.rcPaint);
}

void CRuvFrameView::DrawForm(CDC& dc, const CRect& client) {
  CBrush background(C_BaseShape::GetShapeBackColor());
  dc.FillRect(&client, &background);
  DrawPlantPipes(dc);
}

QImage CRuvFrameView::PrintPicture() {
  // A print must not catch the data source in the dark half of its blink.
  CNemLabel& source = Label(IDC_DATA_SOURCE_LABEL);
  const bool blinking = source.IsBlinking();
  if (blinking) source.SetBlink(false);
  QImage picture = CFormView::PrintPicture();
  if (blinking) source.SetBlink(true, kDataSourceBlinkMs, 0);
  return picture;
}

// ---------------------------------------------------------------- messages and commands

LRESULT CRuvFrameView::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SHAPE_ATTRIB_CHANGED: return OnShapeNotify(wParam, lParam);
    case WM_SHAPE_PENDING_CHANGED: return 0;
    case WM_TABLE_NOTIFY: return OnTableNotify(wParam, lParam);
    case WM_CHARGE_START: return OnChargeStart(wParam, lParam);
    case WM_CHARGE_EVENT: return OnChargeEvent(wParam, lParam);
    default: return CFormView::WindowProc(message, wParam, lParam);
  }
}

bool CRuvFrameView::IsFormCommand(UINT id) {
  switch (id) {
    case ID_START_PROCESS:
    case ID_STOP_PROCESS:
    case ID_RECORDING_NONE:
    case ID_RECORDING_1_CYCLE:
    case ID_RECIPE_TABLE:
    case ID_SHIFT_TABLE:
    case ID_BATCH_NUMBERS:
    case ID_RECORD_INTERVAL:
    case ID_DATA_SOURCE_NONE:
    case ID_DATA_SOURCE_DEMO:
    case ID_DATA_SOURCE_REAL: return true;
    default: return false;
  }
}

BOOL CRuvFrameView::OnCmdMsg(UINT id, int code) {
  if (code != 0 && code != 1) return CFormView::OnCmdMsg(id, code);  // control notifications
  // The close waits for the cycles while serving clicks: nothing may start
  // work (a run, a data source, a dialog) on a form that is going.
  if ((m_closing || m_leavingHardware) && IsFormCommand(id)) return TRUE;
  switch (id) {
    case ID_START_PROCESS: OnStartProcess(); return TRUE;
    case ID_STOP_PROCESS: OnStopProcess(); return TRUE;
    case ID_RECORDING_NONE: m_recordingFlag = 0; return TRUE;
    case ID_RECORDING_1_CYCLE: m_recordingFlag = 1; return TRUE;
    case ID_RECIPE_TABLE: OnRecipeTable(); return TRUE;
    case ID_SHIFT_TABLE: OnShiftTable(); return TRUE;
    case ID_BATCH_NUMBERS: OnBatchNumbers(); return TRUE;
    case ID_RECORD_INTERVAL: OnRecordInterval(); return TRUE;
    case ID_DATA_SOURCE_NONE:
    case ID_DATA_SOURCE_DEMO:
    case ID_DATA_SOURCE_REAL: OnDataSource(id); return TRUE;
    case ID_FILE_CLOSE: AfxMessageBox(kNotClosableText, MB_OK); return TRUE;
    default: return CFormView::OnCmdMsg(id, code);
  }
}

BOOL CRuvFrameView::OnUpdateCmdUI(CCmdUI* cmdUI) {
  const CRuvEngineApp* engine = GetEngineRoot();
  switch (cmdUI->m_nID) {
    case ID_START_PROCESS: cmdUI->Enable(!GetProcessEngine().IsStarted()); return TRUE;
    case ID_STOP_PROCESS: cmdUI->Enable(GetProcessEngine().IsStarted() != 0); return TRUE;
    case ID_RECORDING_NONE:
    case ID_RECORDING_1_CYCLE: cmdUI->SetCheck(0); return TRUE;
    case ID_RECIPE_TABLE:
    case ID_SHIFT_TABLE:
    case ID_BATCH_NUMBERS:
    case ID_RECORD_INTERVAL: cmdUI->Enable(TRUE); return TRUE;
    case ID_DATA_SOURCE_NONE:
    case ID_DATA_SOURCE_DEMO:
    case ID_DATA_SOURCE_REAL: {
      const bool current = engine && engine->GetDataSourceType() == DataSourceOfCommand(cmdUI->m_nID);
      cmdUI->SetCheck(current ? 1 : 0);
      cmdUI->SetDefault(current);
      return TRUE;
    }
    default: return CFormView::OnUpdateCmdUI(cmdUI);
  }
}

void CRuvFrameView::OnStartProcess() {
  // With no data source no output answers: a run would stand in its first phase.
  if (const CRuvEngineApp* engine = GetEngineRoot(); engine && engine->GetDataSourceType() == eDataSourceNone) {
    ShowMessageBox(kNoDataSourceText, kStartProcessMessageCaption, MB_OK | MB_ICONSTOP | MB_SYSTEMMODAL);
    return;
  }
  if (!CheckActiveShift(true)) return;  // told, and the shift table asked for
  CRecipeRS* recipe = g_pRecipeRS.load();
  std::array<bool, kPlantMixerCount> used{};
  bool hasRecipe = false;
  if (recipe) {
    auto lock = recipe->LockActive();
    hasRecipe = recipe->HasActiveRecord();
    for (int mixer = 0; mixer < kPlantMixerCount; ++mixer)
      used[static_cast<std::size_t>(mixer)] = hasRecipe && recipe->Active().IsMixerUsed(mixer);
  }
  if (!hasRecipe) {
    MessageBox(kNoActiveRecipeText, kStartProcessErrorCaption, MB_OK | MB_ICONSTOP | MB_SYSTEMMODAL);
    PostMessage(WM_COMMAND, ID_RECIPE_TABLE, 0);
    return;
  }
  if (GetPlantOperatorServices().RunBatchNumberDialog() == IDOK) {
    const CShiftRS* shift = g_pShiftRS.load();
    bool numbered = shift != nullptr;
    for (int mixer = 0; numbered && mixer < kPlantMixerCount; ++mixer) {
      if (used[static_cast<std::size_t>(mixer)] && shift->GetActiveMixerBatchNumber(mixer, true) < 1) numbered = false;
    }
    if (numbered) {
      GetProcessEngine().SetStarted(1, 0);
      return;
    }
  }
  ShowMessageBox(kNoBatchNumberText, kStartProcessMessageCaption, MB_OK | MB_ICONSTOP | MB_SYSTEMMODAL);
}

void CRuvFrameView::OnDataSource(UINT id) {
  CRuvEngineApp* engine = GetEngineRoot();
  if (!engine) return;
  // A change switches every output off under the running steps, and the Demo
  // starts its levels again: the run would stand still with nothing said.
  // A Stop the process cycle has not handled yet still has pumps to switch
  // off and charges to book from the levels as they are.
  CProcessEngineApp& process = GetProcessEngine();
  if (process.IsStarted() || process.IsCycleActive() || engine->GetRecipeSupervisor().HasStopToHandle()) {
    MessageBox(kDataSourceChangeRefusal, kDataSourceChangeCaption, MB_OK | MB_ICONSTOP);
    return;
  }
  // Charges that ended just before are written with the levels they ended at,
  // before the Demo may start its levels again.
  RunPendingChargeEnds();
  engine->SetDataSourceType(DataSourceOfCommand(id));
  WriteLedgerRows();
}

void CRuvFrameView::OnStopProcess() {
  CProcessEngineApp& process = GetProcessEngine();
  if (process.IsStarted()) process.SetStarted(0, 1);
}

void CRuvFrameView::OnRecipeTable() {
  if (m_pRecipeDlg && IsWindow(m_pRecipeDlg->GetSafeHwnd())) {
    ForceForegroundWindow(m_pRecipeDlg.get());
    m_pRecipeDlg->ShowWindow(SW_RESTORE);
    m_pRecipeDlg->PostMessage(WM_RECIPE_DLG_BRING_FORWARD, 0, 0);
    return;
  }
  m_pRecipeDlg.reset();
  m_pRecipeDlg = std::make_unique<CRecipeDlg>(nullptr);
  m_pRecipeDlg->SetTable(g_pRecipeRS.load());
  m_pRecipeDlg->SetProcessEngine(&GetProcessEngine());
  m_pRecipeDlg->Create(IDD_RECIPE, nullptr);
  if (!m_pRecipeDlg->GetSafeHwnd()) return;
  // Above the main window as its owned window, so that the main window,
  // maximised and brought forward after it at the start, never covers it.
  if (CWnd* main = GetTopLevelParent()) window_stacking::KeepOwnedAbove(*m_pRecipeDlg, *main);
  m_pRecipeDlg->ShowWindow(SW_SHOW);
  // Placed once shown, when its frame is known.
  if (!m_pRecipeDlg->IsPlacementRestored()) PlaceBesidePlant(*m_pRecipeDlg);
}

CRuvFrameView::PlantRects CRuvFrameView::GetPlantRectsOnScreen(const CRect& area) const {
  // Where the shapes and labels stand with the main window maximised on
  // `area`: it may not be yet when the dialog is first placed.
  CPoint mainCorner;
  if (const CWnd* main = GetTopLevelParent(); main && main != this) {
    CRect mainRect;
    main->GetWindowRect(&mainRect);
    mainCorner = CPoint(mainRect.left, mainRect.top);
  }
  PlantRects rects;
  for (CWnd* child : GetChildren()) {
    if (!child->GetSafeHwnd() || !(child->GetStyle() & WS_VISIBLE)) continue;
    CRect rect;
    child->GetWindowRect(&rect);
    rect.OffsetRect(area.left - mainCorner.x, area.top - mainCorner.y);
    (dynamic_cast<C_BaseShape*>(child) ? rects.shapes : rects.labels).push_back(rect);
  }
  return rects;
}

CRect CRuvFrameView::FindPlaceBesidePlant(const CRect& area, const CSize& size) const {
  const PlantRects plant = GetPlantRectsOnScreen(area);
  return FindClearPlace(area, size, plant.shapes, plant.labels);
}

void CRuvFrameView::PlaceBesidePlant(CResizableDialog& dialog) const {
  // Beside the plant, on no shape or label of it where the screen has room,
  // and never off the screen. The shapes stand where they are once framed.
  CRect rect;
  dialog.GetWindowRect(&rect);
  const CRect area = GetWorkAreaNearestPoint(CPoint(rect.left, rect.top));
  const HWND view = GetSafeHwnd();
  dialog.PlaceOnceFramed([view, area](const CSize& size) {
    if (const auto* self = dynamic_cast<const CRuvFrameView*>(CWnd::FromHandle(view)))
      return self->FindPlaceBesidePlant(area, size);
    return FindClearPlace(area, size, {});
  });
}

void CRuvFrameView::OnShiftTable() {
  CShiftDlg dialog(AfxGetMainWnd());
  dialog.SetTable(g_pShiftRS.load());
  dialog.SetProcessEngine(&GetProcessEngine());
  dialog.DoModal();
}

void CRuvFrameView::OnBatchNumbers() { GetPlantOperatorServices().RunBatchNumberDialog(); }

void CRuvFrameView::OnRecordInterval() {
  CRuvEngineApp* engine = GetEngineRoot();
  if (!engine) return;
  std::string typed;
  if (CInputBox::Ask(typed, kIntervalTitle, kIntervalPrompt, kIntervalNote, std::to_string(engine->GetRecordInterval()),
                     CInputBox::kDigitsOnly, IDI_RECORD_INTERVAL, CInputBox::kNoBrowse) != IDOK) {
    return;
  }
  engine->SetRecordInterval(TextToInt(typed));
}

LRESULT CRuvFrameView::OnTableNotify(WPARAM table, LPARAM reason) {
  CRecipeRS* recipe = g_pRecipeRS.load();
  CShiftRS* shift = g_pShiftRS.load();
  if (TableIs(table, recipe) && reason == kTableActivated && shift) {
    int recipeId = -1;
    std::string recipeName;
    {
      auto lock = recipe->LockActive();
      recipeId = recipe->FollowRecordId(recipe->Active().GetRecordID());
      recipeName = recipe->Active().GetRecipeName();
    }
    bool changed = false;
    {
      auto lock = shift->LockActive();
      if (shift->HasActiveRecord()) {
        CShiftRS::CSTFields& active = shift->Active();
        if (recipe->FollowRecordId(active.GetShiftRecipeID()) != recipeId) {
          active.SetShiftRecipeID(recipeId);
          changed = true;
        }
        if (active.GetShiftRecipeName() != recipeName) {
          active.SetShiftRecipeName(recipeName);
          changed = true;
        }
      }
    }
    if (changed) shift->NotifyOwner(kTableActiveShiftChanged);
  } else if (TableIs(table, recipe) && reason == kTableNoActive && shift) {
    bool changed = false;
    {
      auto lock = shift->LockActive();
      CShiftRS::CSTFields& active = shift->Active();
      if (shift->HasActiveRecord() && (active.GetShiftRecipeID() != -1 || active.GetShiftRecipeName() != "?")) {
        active.SetShiftRecipeID(-1);
        active.SetShiftRecipeName("?");
        changed = true;
      }
    }
    if (changed) shift->WriteBackActive();
  } else if (TableIs(table, shift) && reason == kTableActiveShiftChanged) {
    shift->WriteBackActive();
  }
  return 0;
}

// ---------------------------------------------------------------- shut-down

void CRuvFrameView::DestroyRecipeDlg() {
  if (m_pRecipeDlg && m_pRecipeDlg->GetSafeHwnd()) m_pRecipeDlg->DestroyWindow();
  m_pRecipeDlg.reset();
}

void CRuvFrameView::DestroyShapeWindows() {
  std::vector<C_BaseShape*> shapes = GetPlantShapes();
  if (C_ProcessDataGen* data = GetProcessDataGen()) shapes.push_back(data);
  for (C_BaseShape* shape : shapes) {
    // Each writes its drawing settings back as it goes, and lets go of its
    // tags while the data center that owns them still exists: the shapes
    // outlive it.
    if (shape->GetSafeHwnd()) shape->DestroyWindow();
    for (int i = 0; i < shape->GetAttribCount(); ++i) {
      if (CRAttrib* attrib = shape->GetAttrib(i)) attrib->SetDCTag(nullptr);
    }
  }
}

bool CRuvFrameView::LeaveHardwareForClose() {
  CRuvEngineApp* engine = GetEngineRoot();
  if (!engine) return true;
  if (!m_leavingHardware) {
    m_leavingHardware = true;
    m_leaveWatch.Start();
    m_closingNote = kSwitchingOutputsOffNote;
    UpdateReport();
    // Outputs off, then the links asked to stop: they write what they took on their own threads.
    engine->SetDataSourceType(eDataSourceNone);
  }
  if (engine->HaveLinksStopped()) return true;
  if (m_leaveWatch.GetElapsedMs() < kCloseLinkWaitMs) return false;
  const std::vector<std::string> named = engine->NameCommandsNotWritten();
  std::string all;
  std::string shown;
  for (std::size_t i = 0; i < named.size(); ++i) {
    all += (i == 0 ? "" : ", ") + named[i];
    if (i < kCloseCommandsNamed) shown += (i == 0 ? "" : ", ") + named[i];
  }
  if (named.size() > kCloseCommandsNamed) shown += ruv::Format(" and %zu more", named.size() - kCloseCommandsNamed);
  if (named.empty()) {
    std::fprintf(stderr, "RuvFrame: the close went on before the links had stopped.\n");
    m_closingNote = "Closing: the links had not stopped.";
  } else {
    std::fprintf(stderr, "RuvFrame: the close went on before these commands were written: %s.\n", all.c_str());
    m_closingNote = "Closing: not written: " + shown + ".";
  }
  std::fflush(stderr);
  UpdateReport();
  return true;
}

void CRuvFrameView::OnDestroy() {
  m_closing = true;
  CRuvEngineApp* engine = GetEngineRoot();
  if (engine) {
    engine->SetDataSourceType(eDataSourceNone);
    engine->StopThreads();
    // A pump the process cycle switched on while it was being stopped goes
    // off again, so that its charge is ended below like every other.
    engine->ResetOutputs();
  }
  // Outputs off may have switched pumps off: their charge ends go in while the
  // tables are open, and what the run charged so far reaches the shift with
  // the same levels (nothing moves them any more).
  RunPendingChargeEnds();
  if (engine) engine->BookCutCharges();
  WriteLedgerRows();
  // A change the database still refuses is lost with the close: said once more.
  const std::string unwritten = m_refusedRows.Note();
  if (!unwritten.empty())
    MessageBox(ruv::Format(kUnwrittenAtCloseFormat, unwritten.c_str()), kChargeRefusedCaption, MB_OK | MB_ICONSTOP);
  DestroyRecipeDlg();
  DestroyShapeWindows();
  if (engine) engine->DetachView();
  CFormView::OnDestroy();
  if (engine) engine->Shutdown();
}
