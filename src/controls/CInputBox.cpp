#include "controls/CInputBox.h"

#include "controls/EditFocusColors.h"
#include "platform/base/MessageBoxService.h"
#include "platform/ui/CDataExchange.h"
#include "platform/ui/CommonDialogs.h"

void CInputBox::RegisterTemplate() {
  static const bool registered = [] {
    DialogTemplate box;
    box.id = IDD_INPUT_BOX;
    box.caption = "InputBox";
    box.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER;
    box.cx = 250;
    box.cy = 112;
    box.items = {
        {IDC_INPUT_HEADER, kStaticClass, "", WS_VISIBLE | SS_LEFT, 0, 0, 250, 36},
        {IDC_INPUT_LABEL, kStaticClass, "Filename:", WS_VISIBLE | SS_LEFT, 7, 44, 236, 10},
        {IDC_INPUT_VALUE, kEditClass, "", WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 7, 56, 180, 14},
        {IDC_INPUT_BROWSE, kButtonClass, "Browse", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 193, 56, 50, 14},
        {static_cast<UINT>(IDOK), kButtonClass, "OK", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 139, 91, 50, 14},
        {static_cast<UINT>(IDCANCEL), kButtonClass, "Cancel", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 193, 91, 50, 14},
    };
    RegisterDialogTemplate(box);
    return true;
  }();
  (void)registered;
}

CInputBox::CInputBox(const std::string& title, const std::string& description, const std::string& label,
                     const std::string& value, UINT iconId, int browseMode, int charMode, bool allowEmpty,
                     CWnd* parent)
    : CDialog(IDD_INPUT_BOX, parent),
      m_label(label),
      m_value(value),
      m_title(title),
      m_description(description),
      m_browseMode(browseMode),
      m_charMode(charMode),
      m_allowEmpty(allowEmpty),
      m_iconId(iconId) {
  RegisterTemplate();
  BindControl(IDC_INPUT_VALUE, m_edit);
  BindControl(IDC_INPUT_HEADER, m_header);
  BindControl(IDC_INPUT_BROWSE, m_browse);
}

int CInputBox::Ask(std::string& result, const std::string& title, const std::string& description,
                   const std::string& label, const std::string& value, int charMode, UINT iconId, int browseMode) {
  CInputBox box(title, description, label, value, iconId, browseMode, charMode, false, nullptr);
  const int answer = box.DoModal();
  result = answer == IDOK ? box.GetValue() : std::string();
  return answer;
}

void CInputBox::DoDataExchange(CDataExchange* dx) {
  DDX_Text(dx, IDC_INPUT_LABEL, m_label);
  DDX_Text(dx, IDC_INPUT_VALUE, m_value);
}

BOOL CInputBox::OnInitDialog() {
  CDialog::OnInitDialog();
  if (m_browseMode == kNoBrowse) m_browse.ShowWindow(SW_HIDE);
  if (m_charMode == kDigitsOnly) m_edit.SetAllowedChars("0123456789");
  else m_edit.SetAcceptFiles(true);
  m_header.SetTitle(m_title);
  m_header.SetDescription(m_description);
  m_header.SetIcon(m_iconId);
  SetWindowText(m_title);
  m_initialised = true;
  return TRUE;
}

void CInputBox::OnOK() {
  if (!UpdateData(TRUE)) return;
  if (m_allowEmpty || !m_value.empty()) {
    EndDialog(IDOK);
    return;
  }
  ShowMessageBox("Please enter a non-empty value!", "", MB_OK);
}

HBRUSH CInputBox::OnCtlColor(CDC* dc, CWnd* control, UINT ctlColor) {
  if (HBRUSH brush = EditFocusBrush(dc, control, ctlColor, kBatchFocusedEditColor, kBatchOtherEditColor)) return brush;
  return CDialog::OnCtlColor(dc, control, ctlColor);
}

BOOL CInputBox::OnCmdMsg(UINT id, int code) {
  if (id == IDC_INPUT_BROWSE && code == static_cast<int>(BN_CLICKED)) {
    OnBrowse();
    return TRUE;
  }
  return CDialog::OnCmdMsg(id, code);
}

std::string CInputBox::FolderWithOneBackslash(const std::string& path) {
  std::string folder = path;
  while (!folder.empty() && folder.back() == '\\') folder.pop_back();
  return folder + "\\";
}

void CInputBox::OnBrowse() {
  UpdateData(TRUE);
  if (m_browseMode == kOpenFile || m_browseMode == kSaveFile) {
    CFileDialog chooser(m_browseMode == kOpenFile ? TRUE : FALSE, "", m_value, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                        "All files (*.*)|*.*||", this);
    if (chooser.DoModal() == IDOK) m_value = chooser.GetPathName();
  } else if (m_browseMode == kFolder) {
    if (auto folder = BrowseForFolder(this, "Browse")) m_value = FolderWithOneBackslash(*folder);
  }
  UpdateData(FALSE);
}
