#pragma once
// Asks for the operator of a new shift: a combo box with the crews "A" to "D"
// in which any other name may be typed as well.
#include <string>

#include "platform/ui/CComboBox.h"
#include "platform/ui/CDialog.h"

constexpr UINT IDD_NEW_SHIFT = 103;
constexpr UINT IDC_NEW_SHIFT_OPERATOR = 1015;

class CNewShiftDlg : public CDialog {
 public:
  explicit CNewShiftDlg(CWnd* parent = nullptr);
  ~CNewShiftDlg() override;

  // The name confirmed with OK, without surrounding blanks.
  const std::string& GetOperatorName() const { return m_strOperatorName; }

  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* dx) override;
  // A name of blanks only is refused and the dialog stays open.
  void OnOK() override;

  static constexpr const char* kNoOperatorText = "Please type or select a valid operator name";

 private:
  static void RegisterTemplate();

  CComboBox m_operatorCombo;
  std::string m_strOperatorName;
};
