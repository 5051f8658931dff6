#include "app/AboutDlg.h"

#include "app/RuvFrameView.h"
#include "platform/ui/DialogTemplate.h"

void CAboutDlg::RegisterTemplate() {
  static const bool registered = [] {
    DialogTemplate dialog;
    dialog.id = IDD_ABOUTBOX;
    dialog.caption = "About RuvFrame";
    dialog.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER;
    dialog.cx = 235;
    dialog.cy = 70;
    dialog.items = {
        {IDC_ABOUT_NAME, kStaticClass, "RuvFrame", WS_VISIBLE | SS_LEFT, 10, 10, 160, 10},
        {IDC_ABOUT_BANNER, kStaticClass, kBuildBanner, WS_VISIBLE | SS_LEFT, 10, 24, 160, 10},
        {kLabelId, kStaticClass, "Batch plant supervision and control", WS_VISIBLE | SS_LEFT, 10, 38, 160, 10},
        {static_cast<UINT>(IDOK), kButtonClass, "OK", WS_VISIBLE | WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON, 178, 7,
         50, 14},
    };
    RegisterDialogTemplate(dialog);
    return true;
  }();
  (void)registered;
}

CAboutDlg::CAboutDlg(CWnd* parent) : CDialog(IDD_ABOUTBOX, parent) { RegisterTemplate(); }

CAboutDlg::~CAboutDlg() = default;
