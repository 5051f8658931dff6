#include "app/RecipeDlg.h"

#include "common/Conversions.h"
#include "common/ShamsiCalendar.h"
#include "common/TimeAndKeys.h"
#include "controls/ControlPictures.h"
#include "engine/ProcessEngineBase.h"
#include "platform/ui/CDataExchange.h"
#include "platform/ui/WindowStacking.h"
#include "records/RecipeRS.h"

static_assert(CRecipeDlg::kRowCount == CRecipeRS::kStepCount);

void CRecipeDlg::RegisterTemplates() {
  static const bool registered = [] {
    DialogTemplate dialog;
    dialog.id = IDD_RECIPE;
    dialog.caption = kCaption;
    dialog.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;
    dialog.cx = 488;
    dialog.cy = 300;
    const DWORD label = WS_VISIBLE | SS_LEFT;
    const DWORD header = WS_VISIBLE | SS_CENTER;
    const DWORD display = WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL | ES_READONLY;
    const DWORD edit = WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL;
    const DWORD button = WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
    dialog.items = {
        {kLabelId, kStaticClass, "Number", label, 7, 8, 30, 9},
        {IDC_TABLE_RECORD_NUMBER, kEditClass, "", display, 40, 6, 40, 12},
        {kLabelId, kStaticClass, "Name", label, 96, 8, 24, 9},
        {IDC_RECIPE_NAME, kEditClass, "", edit, 122, 6, 144, 12},
        {kLabelId, kStaticClass, "Modified Date/Time:", label, 7, 24, 84, 9},
        {IDC_RECIPE_MODIFIED, kEditClass, "", display, 94, 22, 100, 12},
        {kLabelId, kStaticClass, "Transparency", label, 272, 8, 58, 9},
        {IDC_RECIPE_TRANSPARENCY, kSliderClass, "", WS_VISIBLE | WS_TABSTOP | TBS_HORZ | TBS_NOTICKS, 272, 20, 58, 12},
        {IDC_RECIPE_NOTIFIER, kStaticClass, "Notifier ...", label, 200, 24, 68, 9},
        {IDC_RECIPE_ACTIVATE, kButtonClass, kInactiveText, button, 334, 6, 147, 28},
        // The column headers stand over the rows' controls.
        {kLabelId, kStaticClass, "Step ", header, 12, 40, 20, 18},
        {kLabelId, kStaticClass, "Active", header, 33, 40, 24, 18},
        {kLabelId, kStaticClass, "Material Name ", header, 58, 40, 56, 18},
        {kLabelId, kStaticClass, "Dose", header, 116, 40, 36, 18},
        {kLabelId, kStaticClass, "Manual Dosing", header, 162, 40, 26, 18},
        {kLabelId, kStaticClass, "Dis Charg", header, 190, 40, 22, 18},
        {kLabelId, kStaticClass, "Charge PreStep", header, 212, 40, 28, 18},
        {kLabelId, kStaticClass, "Discharg PreStep", header, 240, 40, 32, 18},
        {kLabelId, kStaticClass, "DisCharge Dir.", header, 276, 40, 36, 18},
        {IDC_RECIPE_RUNTIME_HEADER, kStaticClass, "Runtime Status", header, 318, 40, 118, 18},
        {IDC_RECIPE_NEXT_HEADER, kStaticClass, "Manaul Next", header, 439, 40, 26, 18},
        {IDC_RECIPE_STEPS, kStaticClass, "", WS_VISIBLE | SS_ETCHEDFRAME, 7, 60, 474, 212},
        {IDC_TABLE_NEW, kButtonClass, "&New", button, 7, 279, 40, 14},
        {IDC_TABLE_DELETE, kButtonClass, "&Delete!!!", button, 50, 279, 44, 14},
        {IDC_TABLE_PREVIOUS, kButtonClass, "<< Previous", button, 126, 279, 50, 14},
        {IDC_TABLE_FIND_ACTIVE, kButtonClass, "&Find Active", button, 179, 279, 50, 14},
        {IDC_RECIPE_SORT, kButtonClass, "&Sort Steps", button, 232, 279, 46, 14},
        {IDC_RECIPE_UNDO, kButtonClass, "&Undo", button, 281, 279, 36, 14},
        {IDC_TABLE_NEXT, kButtonClass, "Next >>", button, 320, 279, 44, 14},
        {IDC_TABLE_SAVE, kButtonClass, "Save", button, 392, 279, 42, 14},
        {IDC_TABLE_CLOSE, kButtonClass, "&Close", button, 439, 279, 42, 14},
    };
    RegisterDialogTemplate(dialog);

    DialogTemplate steps;
    steps.id = IDD_RECIPE_STEPS;
    steps.style = WS_CHILD | WS_VISIBLE | WS_VSCROLL;
    steps.cx = 474;
    steps.cy = 212;
    RegisterDialogTemplate(steps);
    return true;
  }();
  (void)registered;
}

CRecipeDlg::CRecipeDlg(CWnd* parent) : CBaseTableDlg(IDD_RECIPE, parent) { RegisterTemplates(); }

CRecipeDlg::~CRecipeDlg() {
  // The destroy handling (placement, table on its active row) needs this dialog whole.
  if (GetSafeHwnd()) DestroyWindow();
}

void CRecipeDlg::SetTable(CRecipeRS* table) {
  m_pRecipeTable = table;
  CBaseTableDlg::SetTable(table);
  for (CRecipeOneItemDlg& row : m_rows) row.SetTable(table);
}

void CRecipeDlg::SetProcessEngine(CProcessEngineBase* engine) {
  CBaseTableDlg::SetProcessEngine(engine);
  for (CRecipeOneItemDlg& row : m_rows) row.SetProcessEngine(engine);
}

void CRecipeDlg::DoDataExchange(CDataExchange* dx) {
  CBaseTableDlg::DoDataExchange(dx);
  DDX_Control(dx, IDC_RECIPE_RUNTIME_HEADER, m_runtimeHeader);
  DDX_Control(dx, IDC_RECIPE_NEXT_HEADER, m_nextHeader);
  DDX_Control(dx, IDC_RECIPE_TRANSPARENCY, m_transparency);
  DDX_Control(dx, IDC_RECIPE_ACTIVATE, m_activateButton);
  DDX_Control(dx, IDC_RECIPE_MODIFIED, m_modifyDate);
  DDX_Control(dx, IDC_RECIPE_NAME, m_recipeName);
}

BOOL CRecipeDlg::OnInitDialog() {
  // The rows exist before the base shows the first record in them.
  m_stepsChild = std::make_unique<CScrollChildDlg>(this, IDC_RECIPE_STEPS, IDD_RECIPE_STEPS);
  for (int i = 0; i < static_cast<int>(m_rows.size()); ++i) {
    CRecipeOneItemDlg& row = m_rows[static_cast<std::size_t>(i)];
    row.SetIndex(i);
    row.CreateAt(m_stepsChild.get(), CPoint(20, kRowTop + kRowPitch * i), static_cast<std::uintptr_t>(i));
  }
  CRect firstRow;
  m_rows[0].GetClientRect(&firstRow);
  const CRect full = m_stepsChild->GetFullRect();
  m_stepsChild->SetFullRect(full.left, full.top, firstRow.Width() + 20, kContentHeight);

  CBaseTableDlg::OnInitDialog();

  AnchorControl(IDC_RECIPE_ACTIVATE, TOP_RIGHT);
  for (UINT id : {IDC_TABLE_CLOSE, IDC_TABLE_SAVE}) AnchorControl(id, BOTTOM_RIGHT);
  for (UINT id : {IDC_RECIPE_SORT, IDC_RECIPE_UNDO, IDC_TABLE_NEXT, IDC_TABLE_FIND_ACTIVE, IDC_TABLE_PREVIOUS})
    AnchorControl(id, BOTTOM_CENTER);
  for (UINT id : {IDC_TABLE_NEW, IDC_TABLE_DELETE}) AnchorControl(id, BOTTOM_LEFT);
  AnchorControl(m_stepsChild.get(), TOP_LEFT, BOTTOM_RIGHT);
  EnablePlacementSaving("Setting", "RecipeDlg");

  m_activateButton.SetBtnCursor(IDC_HAND_POINTER);
  m_activateButton.SetFlat(FALSE);
  return TRUE;
}

BOOL CRecipeDlg::OnCmdMsg(UINT id, int code) {
  if (code == static_cast<int>(BN_CLICKED)) {
    switch (id) {
      case IDC_TABLE_NEW: OnNewRecipe(); return TRUE;
      case IDC_TABLE_SAVE: OnSaveRecipe(); return TRUE;
      case IDC_RECIPE_ACTIVATE: OnActivate(); return TRUE;
      case IDC_RECIPE_SORT: OnSortSteps(); return TRUE;
      case IDC_RECIPE_UNDO: OnUndo(); return TRUE;
      default: break;
    }
  }
  return CBaseTableDlg::OnCmdMsg(id, code);
}

void CRecipeDlg::OnHScroll(UINT code, UINT pos, CScrollBar* bar) {
  // The slider is read and has no effect.
  if (m_transparency.GetSafeHwnd()) m_nTransparency = m_transparency.GetPos();
  CBaseTableDlg::OnHScroll(code, pos, bar);
}

bool CRecipeDlg::IsCycleActive() const {
  CProcessEngineBase* engine = GetProcessEngine();
  return engine && engine->IsCycleActive();
}

void CRecipeDlg::ShowActivation(bool active) {
  if (!m_activateButton.GetSafeHwnd()) return;
  m_activateButton.SetWindowText(active ? kActiveText : kInactiveText);
  m_activateButton.SetIcon(active ? IDI_LAMP_ON : IDI_LAMP_INACTIVE, 0);
}

BOOL CRecipeDlg::ShowRecord() {
  ShowRecordNumber();
  if (m_pRecipeTable) {
    const CRecipeRS::CSTFields& recipe = m_pRecipeTable->Current();
    SetDlgItemText(IDC_RECIPE_NAME, recipe.GetRecipeName());
    SetDlgItemText(IDC_RECIPE_MODIFIED, FormatShamsiDate(recipe.GetModifyDateTime(), true));
    ShowActivation(recipe.IsRecipeActive());
  }
  bool all = true;
  for (CRecipeOneItemDlg& row : m_rows) all = row.LoadStep() && all;
  UpdateButtons();
  return all ? TRUE : FALSE;
}

bool CRecipeDlg::StoreEdits() {
  if (!m_pRecipeTable) return false;
  m_pRecipeTable->Current().SetRecipeName(GetDlgItemText(IDC_RECIPE_NAME));
  bool all = true;
  for (CRecipeOneItemDlg& row : m_rows) all = row.StoreStep() && all;
  return all;
}

BOOL CRecipeDlg::StoreRecord() {
  if (!UpdateData(TRUE)) return FALSE;
  CBaseTableDlg::ReadControls();
  if (!m_pRecipeTable) return FALSE;
  m_pRecipeTable->Current().SetModifyDateTime(GetNowDate());
  return StoreEdits() ? TRUE : FALSE;
}

BOOL CRecipeDlg::ReadControls() {
  if (!CBaseTableDlg::ReadControls() || !m_pRecipeTable) return FALSE;
  const CRecipeRS::CSTFields& recipe = m_pRecipeTable->Current();
  int activeSteps = 0;
  for (int i = 0; i < CRecipeRS::kStepCount; ++i) {
    if (!m_rows[static_cast<std::size_t>(i)].ValidateStep()) return FALSE;
    if (recipe.GetStep(i).m_bStpIsActv) ++activeSteps;
  }
  if (activeSteps == 0) {
    MessageBox(kNoActiveStepText, kRecipeErrorCaption, MB_ICONSTOP | MB_SYSTEMMODAL);
    return FALSE;
  }
  // Two steps that start after the same step would charge one batcher at once.
  for (int i = 0; i < CRecipeRS::kStepCount; ++i) {
    const CRecipeStepInfo& first = recipe.GetStep(i);
    if (!first.m_bStpIsActv) continue;
    for (int j = i + 1; j < CRecipeRS::kStepCount; ++j) {
      const CRecipeStepInfo& second = recipe.GetStep(j);
      if (!second.m_bStpIsActv || second.m_nMaterialIndex != first.m_nMaterialIndex ||
          second.m_nPrEndStpNmbr != first.m_nPrEndStpNmbr)
        continue;
      MessageBox(kPairPrefix + IntToText(i + 1) + kPairAnd + IntToText(j + 1) + kPairSuffix, kRecipeErrorCaption,
                 MB_ICONSTOP | MB_SYSTEMMODAL);
      return FALSE;
    }
  }
  return TRUE;
}

BOOL CRecipeDlg::UpdateButtons() {
  CBaseTableDlg::UpdateButtons();
  const bool cycleActive = IsCycleActive();
  EnableItem(IDC_TABLE_NEW, !cycleActive);
  EnableItem(IDC_RECIPE_RUNTIME_HEADER, cycleActive);
  EnableItem(IDC_RECIPE_NEXT_HEADER, cycleActive);
  return TRUE;
}

BOOL CRecipeDlg::OnRefreshTimer() {
  bool all = true;
  int newlyWaiting = -1;
  for (int i = 0; i < kRowCount; ++i) {
    CRecipeOneItemDlg& row = m_rows[static_cast<std::size_t>(i)];
    all = row.RefreshRuntime() && all;
    const bool waits = row.WaitsForConfirmation();
    if (waits && !m_waitedForConfirmation[static_cast<std::size_t>(i)] && newlyWaiting < 0) newlyWaiting = i;
    m_waitedForConfirmation[static_cast<std::size_t>(i)] = waits;
  }
  UpdateButtons();
  // The operator is told to press > on the row: it must be where they can.
  if (newlyWaiting >= 0) BringRowForward(newlyWaiting);
  return all ? TRUE : FALSE;
}

void CRecipeDlg::BringForward() {
  if (!GetSafeHwnd()) return;
  // Shown again even when it is shown already: a window manager may have
  // withdrawn it, and the show maps it again.
  ShowWindow(IsIconic() ? SW_RESTORE : SW_SHOWNOACTIVATE);
  SetWindowPos(&wndTop, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

LRESULT CRecipeDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  const LRESULT result = CBaseTableDlg::WindowProc(message, wParam, lParam);
  if (message == kPlacementRestoredMessage) BringForward();
  return result;
}

void CRecipeDlg::BringRowForward(int index) {
  if (!GetSafeHwnd() || index < 0 || index >= kRowCount) return;
  BringForward();
  // Brought forward unasked: a window the operator works in (the tag scout) stays above.
  window_stacking::KeepActiveAbove();
  if (!m_stepsChild || !m_stepsChild->GetSafeHwnd()) return;
  const int top = kRowTop + kRowPitch * index;
  m_stepsChild->ScrollIntoView(top, top + kRowPitch);
}

bool CRecipeDlg::OnSaveRecipe() {
  if (!m_pRecipeTable || m_pRecipeTable->GetRecordCount() == 0) {
    MessageBox(kNoRecordText, std::string(), MB_ICONSTOP | MB_SYSTEMMODAL);
    return false;
  }
  if (!StoreRecord()) {
    MessageBox(kSaveErrorText, kSaveErrorCaption, MB_ICONSTOP | MB_SYSTEMMODAL);
    return false;
  }
  if (!ReadControls()) return false;
  // Saving the active recipe refreshes the table's active set under its lock;
  // a cycle under way keeps the steps it started with.
  if (!m_pRecipeTable->SaveCurrent() || !ShowRecord()) {
    MessageBox(kSaveErrorText, kSaveErrorCaption, MB_ICONSTOP | MB_SYSTEMMODAL);
    return false;
  }
  OnRefreshTimer();
  CBalloonHelp::ShowBalloon(kSavedTitle, kSavedText, GetDlgItem(IDC_TABLE_SAVE), IDI_INFORMATION, kBalloonOptions,
                            kBalloonTimeoutMs);
  return true;
}

void CRecipeDlg::OnActivate() {
  if (IsCycleActive()) {
    CBalloonHelp::ShowBalloon(kActivationErrorTitle, kActivationDuringRunText, GetDlgItem(IDC_RECIPE_ACTIVATE),
                              IDI_ERROR, kBalloonOptions, kBalloonTimeoutMs);
    return;
  }
  if (!m_pRecipeTable || m_pRecipeTable->GetRecordCount() == 0) {
    MessageBox(kNoRecordText, std::string(), MB_ICONSTOP | MB_SYSTEMMODAL);
    return;
  }
  bool shownIsActive = false, anyActive = false;
  int activeRecordId = -1;
  {
    auto lock = m_pRecipeTable->LockActive();
    shownIsActive = m_pRecipeTable->IsCurrentActive();
    anyActive = m_pRecipeTable->HasActiveRecord();
    activeRecordId = m_pRecipeTable->Active().GetRecordID();
  }
  if (!shownIsActive && anyActive) {
    MessageBox(kOtherActivePrefix + IntToText(activeRecordId) + kOtherActiveSuffix, kOtherActiveCaption,
               MB_ICONSTOP | MB_SYSTEMMODAL);
    return;
  }
  CRecipeRS::CSTFields& recipe = m_pRecipeTable->Current();
  const bool wasActive = recipe.IsRecipeActive();
  const bool activate = shownIsActive ? !wasActive : true;
  recipe.SetRecipeActive(activate);
  // Only Save and Activate hold a dose against its batcher's capacity.
  for (CRecipeOneItemDlg& row : m_rows) row.SetCapacityChecked(activate);
  const bool saved = OnSaveRecipe();
  for (CRecipeOneItemDlg& row : m_rows) row.SetCapacityChecked(true);
  if (!saved) {
    // Only a saved recipe may become (or stop being) the one the process runs.
    recipe.SetRecipeActive(wasActive);
    return;
  }
  m_pRecipeTable->SetActiveRecord(activate);
  ShowRecord();
}

void CRecipeDlg::OnNewRecipe() {
  if (!m_pRecipeTable) return;
  CRecipeRS::CSTFields& scratch = m_pRecipeTable->Scratch();
  scratch.Reset();
  scratch.SetRecipeName(MakeNewName());
  const bool added = m_pRecipeTable->AddNew();
  ShowRecord();
  if (added) MessageBox(kNewRecipeText, std::string(), MB_ICONINFORMATION | MB_SYSTEMMODAL);
}

void CRecipeDlg::OnSortSteps() {
  if (!m_pRecipeTable) return;
  // The steps as the operator left them are what gets sorted.
  StoreEdits();
  m_pRecipeTable->Current().SortSteps();
  ShowRecord();
}

void CRecipeDlg::OnUndo() {
  if (!m_pRecipeTable) return;
  m_pRecipeTable->Reload();
  ShowRecord();
}
