#include "app/NewShiftDlg.h"

#include "platform/base/Text.h"
#include "platform/ui/CDataExchange.h"

void CNewShiftDlg::RegisterTemplate() {
  static const bool registered = [] {
    DialogTemplate dialog;
    dialog.id = IDD_NEW_SHIFT;
    dialog.caption = "New Shift";
    dialog.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER;
    dialog.cx = 186;
    dialog.cy = 62;
    dialog.items = {
        {kLabelId, kStaticClass, "Operator Name", WS_VISIBLE | SS_LEFT, 7, 9, 56, 10},
        {IDC_NEW_SHIFT_OPERATOR, kComboBoxClass, "",
         WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL, 66, 7, 113, 60},
        {static_cast<UINT>(IDOK), kButtonClass, "OK", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 75, 41, 50, 14},
        {static_cast<UINT>(IDCANCEL), kButtonClass, "Cancel", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 129, 41, 50, 14},
    };
    RegisterDialogTemplate(dialog);
    return true;
  }();
  (void)registered;
}

CNewShiftDlg::CNewShiftDlg(CWnd* parent) : CDialog(IDD_NEW_SHIFT, parent) {
  RegisterTemplate();
  BindControl(IDC_NEW_SHIFT_OPERATOR, m_operatorCombo);
}

CNewShiftDlg::~CNewShiftDlg() = default;

BOOL CNewShiftDlg::OnInitDialog() {
  // The crews the template lists; the list is there before the data is shown.
  for (const char* crew : {"A", "B", "C", "D"}) m_operatorCombo.AddString(crew);
  CDialog::OnInitDialog();
  return TRUE;
}

void CNewShiftDlg::DoDataExchange(CDataExchange* dx) {
  CDialog::DoDataExchange(dx);
  DDX_CBString(dx, IDC_NEW_SHIFT_OPERATOR, m_strOperatorName);
}

void CNewShiftDlg::OnOK() {
  if (!UpdateData(TRUE)) return;
  m_strOperatorName = ruv::Trim(m_strOperatorName);
  if (m_strOperatorName.empty()) {
    MessageBox(kNoOperatorText, "Error", MB_ICONSTOP | MB_SYSTEMMODAL);
    return;
  }
  EndDialog(IDOK);
}
