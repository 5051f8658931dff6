#include "app/ShiftDlg.h"

#include "app/NewShiftDlg.h"
#include "common/Conversions.h"
#include "common/ShamsiCalendar.h"
#include "common/TimeAndKeys.h"
#include "engine/ProcessEngineBase.h"
#include "plant/RuvEngineApp.h"
#include "platform/ui/CDataExchange.h"
#include "records/ShiftRS.h"

namespace {

struct FieldControl {
  UINT id;
  const char* label;
};

// In the order the dialog binds them: the shift's own fields, then the totals by material.
constexpr std::array<FieldControl, CShiftDlg::kFieldCount> kFields{{
    {IDC_SHIFT_OPERATOR, "Operator Name"},
    {IDC_SHIFT_RECIPE, "Recipe ID && Name"},
    {IDC_SHIFT_START, "Start Date  And Time"},
    {IDC_SHIFT_END, "End Date  And Time"},
    {IDC_SHIFT_USEFUL_TIME, "Useful Time "},
    {IDC_SHIFT_TOTAL_TIME, "Total Time"},
    {IDC_SHIFT_TOTAL_PRODUCED, "Total Produced"},
    {IDC_SHIFT_TOTAL_CYCLE, "Total Cycle"},
    {1032, "Total Water"},
    {1027, "Total Cas.Soda"},
    {1031, "Total L.A.B.S"},
    {1060, "Total Water-Ex"},
    {1029, "Total Diethanol"},
    {1062, "Total Litron"},
    {1028, "Total Color"},
    {1030, "Total Essanc"},
    {1061, "Total Preservative"},
}};
constexpr int kShiftFieldCount = 8;  // the rest are the material totals

}  // namespace

void CShiftDlg::RegisterTemplate() {
  static const bool registered = [] {
    DialogTemplate dialog;
    dialog.id = IDD_SHIFT_TABLE;
    dialog.caption = "Shift Table";
    dialog.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | DS_MODALFRAME | DS_CENTER;
    dialog.cx = 362;
    dialog.cy = 214;
    const DWORD label = WS_VISIBLE | SS_LEFT;
    const DWORD display = WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL | ES_READONLY;
    const DWORD button = WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
    dialog.items.push_back({kLabelId, kStaticClass, "Record", label, 7, 9, 30, 10});
    dialog.items.push_back({IDC_TABLE_RECORD_NUMBER, kEditClass, "", display, 40, 7, 40, 13});
    for (int i = 0; i < kFieldCount; ++i) {
      const bool shiftField = i < kShiftFieldCount;
      const int row = shiftField ? i : i - kShiftFieldCount;
      const int x = shiftField ? 7 : 210;
      const int y = 28 + row * 16;
      const FieldControl& field = kFields[static_cast<std::size_t>(i)];
      dialog.items.push_back({kLabelId, kStaticClass, field.label, label, x, y + 2, shiftField ? 78 : 64, 10});
      dialog.items.push_back({field.id, kEditClass, "", display, x + (shiftField ? 80 : 66), y, shiftField ? 112 : 79, 13});
    }
    dialog.items.push_back({IDC_SHIFT_NOTIFIER, kStaticClass, "Notifier ...", label, 7, 174, 348, 10});
    const struct {
      UINT id;
      const char* text;
      int x, cx;
    } buttons[] = {{IDC_TABLE_PREVIOUS, "<<Previous", 7, 44},  {IDC_TABLE_NEXT, "Next>>", 53, 40},
                   {IDC_TABLE_FIND_ACTIVE, "&Locate Active", 95, 54}, {IDC_TABLE_DELETE, "Del", 151, 28},
                   {IDC_TABLE_SAVE, "Save", 181, 28},        {IDC_TABLE_NEW, "New", 211, 28},
                   {IDC_SHIFT_STOP, "Push to stop shift", 241, 70}, {IDC_TABLE_CLOSE, "&Close", 313, 42}};
    for (const auto& b : buttons) dialog.items.push_back({b.id, kButtonClass, b.text, button, b.x, 192, b.cx, 15});
    RegisterDialogTemplate(dialog);
    return true;
  }();
  (void)registered;
}

CShiftDlg::CShiftDlg(CWnd* parent) : CBaseTableDlg(IDD_SHIFT_TABLE, parent) { RegisterTemplate(); }

CShiftDlg::~CShiftDlg() = default;

CShiftRS* CShiftDlg::GetShiftTable() const { return dynamic_cast<CShiftRS*>(GetTable()); }

BOOL CShiftDlg::OnInitDialog() {
  CBaseTableDlg::OnInitDialog();
  return TRUE;
}

void CShiftDlg::DoDataExchange(CDataExchange* dx) {
  CBaseTableDlg::DoDataExchange(dx);
  DDX_Control(dx, IDC_SHIFT_STOP, m_stopButton);
  for (int i = 0; i < kFieldCount; ++i)
    DDX_Control(dx, kFields[static_cast<std::size_t>(i)].id, m_fieldEdits[static_cast<std::size_t>(i)]);
}

BOOL CShiftDlg::OnCmdMsg(UINT id, int code) {
  if (code == static_cast<int>(BN_CLICKED)) {
    if (id == IDC_SHIFT_STOP) {
      OnStopShift();
      return TRUE;
    }
    if (id == IDC_TABLE_NEW) {
      OnNewShift();
      return TRUE;
    }
  }
  return CBaseTableDlg::OnCmdMsg(id, code);
}

BOOL CShiftDlg::OnRefreshTimer() { return ShowRecord(); }

BOOL CShiftDlg::ReadControls() { return CBaseTableDlg::ReadControls(); }

BOOL CShiftDlg::StoreRecord() {
  ReadControls();
  return TRUE;
}

BOOL CShiftDlg::ShowRecord() {
  ShowRecordNumber();
  if (CShiftRS* table = GetShiftTable()) {
    const CShiftRS::CSTFields& shift = table->Current();
    SetDlgItemText(IDC_SHIFT_OPERATOR, shift.m_strOperatorName);
    SetDlgItemText(IDC_SHIFT_RECIPE, IntToText(shift.m_nShiftRecipeID) + ": " + shift.m_strShiftRecipeName);
    SetDlgItemText(IDC_SHIFT_START, FormatShamsiDate(shift.m_dtStartDateTime, true));
    // A shift that has not ended yet runs until now.
    const DATE end = shift.m_dtEndDateTime == shift.m_dtStartDateTime ? GetNowDate() : shift.m_dtEndDateTime;
    SetDlgItemText(IDC_SHIFT_END, FormatShamsiDate(end, true));
    SetDlgItemText(IDC_SHIFT_USEFUL_TIME, IntToText(shift.m_lUsefulTime));
    SetDlgItemText(IDC_SHIFT_TOTAL_TIME, IntToText(shift.m_lTotalTime));
    SetDlgItemText(IDC_SHIFT_TOTAL_PRODUCED, FloatToText(shift.m_fTotalProduced));
    SetDlgItemText(IDC_SHIFT_TOTAL_CYCLE, IntToText(shift.m_nShiftTotalCycle));
    for (int material = 0; material < static_cast<int>(kMaterialTotalIds.size()); ++material)
      SetDlgItemText(kMaterialTotalIds[static_cast<std::size_t>(material)], FloatToText(shift.GetTotalMaterial(material)));
  }
  UpdateButtons();
  return TRUE;
}

BOOL CShiftDlg::UpdateButtons() {
  CBaseTableDlg::UpdateButtons();
  const bool active = GetTable() && GetTable()->HasActiveRecord();
  if (m_stopButton.GetSafeHwnd()) m_stopButton.EnableWindow(active ? TRUE : FALSE);
  if (m_newButton.GetSafeHwnd()) m_newButton.EnableWindow(active ? FALSE : TRUE);
  return TRUE;
}

void CShiftDlg::OnStopShift() {
  CShiftRS* table = GetShiftTable();
  if (!table) return;
  // Totals booked after the stop would belong to no shift: the process must be off first.
  // A Stop the cycle has not handled yet still books what the run charged.
  CRuvEngineApp* root = GetEngineRoot();
  const bool stopPending = root && root->GetRecipeSupervisor().HasStopToHandle();
  if (CProcessEngineBase* engine = GetProcessEngine();
      engine && (engine->IsStarted() || engine->IsCycleActive() || stopPending)) {
    MessageBox(kStopRefusal, kStopCaption, MB_OK | MB_ICONSTOP);
    return;
  }
  if (MessageBox(kStopQuestion, kStopCaption, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
  if (!table->FindActive()) return;
  SetDlgItemText(IDC_SHIFT_NOTIFIER, kStoppedNotice);

  bool stopping = false;
  DATE previousEnd = 0;
  {
    auto lock = table->LockActive();
    CShiftRS::CSTFields& active = table->Active();
    if (!active.IsShiftStopped()) {
      stopping = true;
      previousEnd = active.GetEndDateTime();
      active.SetShiftStopped(true);
      active.SetEndDateTime(GetNowDate());
    }
  }
  if (stopping) {
    if (table->WriteBackActive()) {
      table->SetActiveRecord(false);
    } else {
      // The stop was not stored (the failure was shown): the shift runs on as it was.
      auto lock = table->LockActive();
      table->Active().SetShiftStopped(false);
      table->Active().SetEndDateTime(previousEnd);
    }
  }
  ShowRecord();
}

void CShiftDlg::OnNewShift() {
  CShiftRS* table = GetShiftTable();
  if (!table) return;
  CNewShiftDlg newShift(this);
  bool added = false;
  if (newShift.DoModal() == IDOK) {
    CShiftRS::CSTFields& row = table->Scratch();
    row.Reset();
    row.SetOperatorName(newShift.GetOperatorName());
    row.SetShiftStopped(false);
    added = table->AddNew();
  }
  ShowRecord();
  // Only a shift that was added becomes active: the active shift, its totals
  // with it, stays as it was otherwise.
  if (added) table->SetActiveRecord(true);
}
