#pragma once
// The about box: the program's name, its build banner and OK.
#include "platform/ui/CDialog.h"

constexpr UINT IDD_ABOUTBOX = 100;
constexpr UINT IDC_ABOUT_NAME = 1001;
constexpr UINT IDC_ABOUT_BANNER = 1002;

class CAboutDlg : public CDialog {
 public:
  explicit CAboutDlg(CWnd* parent = nullptr);
  ~CAboutDlg() override;

 private:
  static void RegisterTemplate();
};
