#include "grid/CDataCenterScoutDlg.h"

#include <mutex>

#include "common/TimeAndKeys.h"
#include "datacenter/EngineServices.h"
#include "platform/base/ProfileStore.h"
#include "platform/ui/CDataExchange.h"
#include "platform/ui/CEdit.h"
#include "platform/ui/WindowStacking.h"

namespace {

std::mutex g_suspendMutex;
CDataCenterScoutDlg::SuspendRequest g_suspendRequest;

CDataCenterScoutDlg::SuspendRequest SuspendRequestHandler() {
  std::lock_guard<std::mutex> lock(g_suspendMutex);
  return g_suspendRequest;
}

}  // namespace

void CDataCenterScoutDlg::SetSuspendRequest(SuspendRequest request) {
  std::lock_guard<std::mutex> lock(g_suspendMutex);
  g_suspendRequest = std::move(request);
}

void CDataCenterScoutDlg::RegisterTemplate() {
  static const bool registered = [] {
    DialogTemplate dialog;
    dialog.id = IDD_DATACENTER_SCOUT;
    dialog.caption = kCaption;
    dialog.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
    dialog.cx = 500;
    dialog.cy = 280;
    const DWORD edit = WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL;
    dialog.items = {
        {kLabelId, kStaticClass, "Line", WS_VISIBLE | SS_LEFT, 7, 8, 18, 9},
        {IDC_SCOUT_LINE, kEditClass, "", edit, 27, 6, 40, 12},
        {IDC_SCOUT_GO, kButtonClass, "&Go", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 71, 5, 30, 14},
        {IDC_SCOUT_SUSPEND, kButtonClass, "Suspend Data Obtainer", WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 110,
         7, 100, 10},
        {IDC_SCOUT_FILTER, kEditClass, "", edit, 250, 6, 120, 12},
        {IDC_SCOUT_CLEAR_FILTER, kButtonClass, "x", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 373, 5, 14, 14},
        // Escaped so that no trigraph is read.
        {IDC_SCOUT_MATCHES, kStaticClass, "Highlight (\?\?\?\?\?)", WS_VISIBLE | SS_LEFT, 392, 8, 100, 9},
        {IDC_SCOUT_GRID, kStaticClass, "", WS_VISIBLE | WS_TABSTOP | WS_BORDER, 7, 24, 486, 249},
    };
    RegisterDialogTemplate(dialog);
    return true;
  }();
  (void)registered;
}

CDataCenterScoutDlg::CDataCenterScoutDlg(CWnd* parent) : CResizableDialog(IDD_DATACENTER_SCOUT, parent) {
  RegisterTemplate();
}

CDataCenterScoutDlg::~CDataCenterScoutDlg() {
  // The destroy handling saves the view state from the grid, which must still be whole.
  if (GetSafeHwnd()) DestroyWindow();
}

BOOL CDataCenterScoutDlg::Create(UINT templateId, CWnd* parent) {
  m_refused = false;
  m_viewShown = false;
  m_placementSaving = false;  // a refused opening must not save its hidden placement
  const BOOL created = CResizableDialog::Create(templateId, parent);
  if (m_refused) {
    // Ending itself only hides a modeless window: the refused scout leaves none.
    if (GetSafeHwnd()) DestroyWindow();
    return FALSE;
  }
  return created;
}

void CDataCenterScoutDlg::DoDataExchange(CDataExchange* dx) {
  CResizableDialog::DoDataExchange(dx);
  DDX_Text(dx, IDC_SCOUT_LINE, m_nGoToLine);
}

BOOL CDataCenterScoutDlg::OnInitDialog() {
  CResizableDialog::OnInitDialog();
  if (!IsOverrideComboDown()) {
    m_refused = true;
    EndDialog(IDCANCEL);
    return FALSE;
  }
  // Over the plant and the recipe dialog whenever the operator works in it.
  window_stacking::StayAboveWhileActive(*this);
  m_grid.BindToDialogItem(this, IDC_SCOUT_GRID);
  AnchorControl(IDC_SCOUT_GRID, TOP_LEFT, BOTTOM_RIGHT);
  EnablePlacementSaving(kPlacementSection, kPlacementEntry);
  if (!IsPlacementRestored()) WidenToWholeRows();

  ShowSuspendedFlag();
  SetTimer(kSuspendTimer, kSuspendPeriodMs);

  const int topRow = profile::GetInt(kProfileSection, kTopRowEntry, 0);
  m_nGoToLine = profile::GetInt(kProfileSection, kLineEntry, 0);
  const std::string filter = profile::GetString(kProfileSection, kFilterEntry, "");

  m_grid.SetTopRow(topRow);
  SetDlgItemText(IDC_SCOUT_FILTER, filter);  // its change notification applies the filter
  UpdateData(FALSE);
  OnGo();
  // Once more after the window shows, when the grid knows its visible rows.
  PostMessage(WM_COMMAND, MAKEWPARAM(IDC_SCOUT_GO, BN_CLICKED), 0);
  m_viewShown = true;
  return TRUE;
}

BOOL CDataCenterScoutDlg::OnCmdMsg(UINT id, int code) {
  if (code == static_cast<int>(BN_CLICKED)) {
    switch (id) {
      case IDC_SCOUT_GO: OnGo(); return TRUE;
      case IDC_SCOUT_SUSPEND: OnSuspendClicked(); return TRUE;
      case IDC_SCOUT_CLEAR_FILTER: OnClearFilter(); return TRUE;
      default: break;
    }
  }
  if (id == IDC_SCOUT_FILTER && code == static_cast<int>(EN_CHANGE)) {
    OnFilterChanged();
    return TRUE;
  }
  return CResizableDialog::OnCmdMsg(id, code);
}

void CDataCenterScoutDlg::OnGo() {
  if (!m_grid.GetSafeHwnd() || !UpdateData(TRUE)) return;
  m_nGoToLine = static_cast<int>(m_grid.GoToLine(m_nGoToLine));
  UpdateData(FALSE);
  if (auto* edit = dynamic_cast<CEdit*>(GetDlgItem(IDC_SCOUT_LINE))) {
    edit->SetFocus();
    edit->SetSel(0, -1);
  }
}

void CDataCenterScoutDlg::ShowSuspendedFlag() {
  CheckDlgButton(IDC_SCOUT_SUSPEND, GetEngine()->IsSuspended() ? BST_CHECKED : BST_UNCHECKED);
}

void CDataCenterScoutDlg::OnSuspendClicked() {
  if (SuspendRequest request = SuspendRequestHandler())
    request(IsDlgButtonChecked(IDC_SCOUT_SUSPEND) == BST_CHECKED);
  ShowSuspendedFlag();
}

void CDataCenterScoutDlg::WidenToWholeRows() {
  CRect grid;
  m_grid.GetWindowRect(&grid);
  const int missing = m_grid.WholeRowWidth() - grid.Width();
  if (missing <= 0) return;
  CRect window;
  GetWindowRect(&window);
  SetWindowPos(nullptr, 0, 0, window.Width() + missing, window.Height(), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CDataCenterScoutDlg::OnFilterChanged() {
  if (!m_grid.GetSafeHwnd()) return;
  const int matches = m_grid.SetHighlightFilter(GetDlgItemText(IDC_SCOUT_FILTER));
  SetDlgItemText(IDC_SCOUT_MATCHES, "Highlight (" + std::to_string(matches) + ")");
}

void CDataCenterScoutDlg::OnClearFilter() {
  SetDlgItemText(IDC_SCOUT_FILTER, "");
  if (CWnd* filter = GetDlgItem(IDC_SCOUT_FILTER)) filter->SetFocus();
}

void CDataCenterScoutDlg::OnTimer(UINT_PTR id) {
  if (id == kSuspendTimer) ShowSuspendedFlag();
  CResizableDialog::OnTimer(id);
}

void CDataCenterScoutDlg::OnClose() {
  CResizableDialog::OnClose();
  DestroyWindow();
}

void CDataCenterScoutDlg::OnDestroy() {
  CResizableDialog::OnDestroy();
  // Only a scout that showed its view has a view state to keep.
  if (!m_viewShown || !m_grid.GetSafeHwnd()) return;
  profile::WriteInt(kProfileSection, kTopRowEntry, static_cast<int>(m_grid.FirstVisibleRow()));
  profile::WriteInt(kProfileSection, kLineEntry, static_cast<int>(m_grid.CurrentRow()));
  profile::WriteString(kProfileSection, kFilterEntry, GetDlgItemText(IDC_SCOUT_FILTER));
}
