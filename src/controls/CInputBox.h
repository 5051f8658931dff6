#pragma once
// A small modal dialog asking the operator for one text value: a header with
// an icon, a bold title and a wrapped description, a label, an edit that may
// take digits only, and an optional "Browse" button that fills the edit from a
// file or folder chooser.
#include <string>

#include "controls/CDialogHeaderCtrl.h"
#include "controls/CFocusEditCtrl.h"
#include "platform/ui/CButton.h"
#include "platform/ui/CDialog.h"

constexpr UINT IDD_INPUT_BOX = 3019;
constexpr UINT IDC_INPUT_VALUE = 4037;
constexpr UINT IDC_INPUT_HEADER = 4057;
constexpr UINT IDC_INPUT_BROWSE = 4002;
constexpr UINT IDC_INPUT_LABEL = 4059;

class CInputBox : public CDialog {
 public:
  enum BrowseMode { kNoBrowse = 0, kOpenFile = 1, kSaveFile = 2, kFolder = 3 };
  enum CharMode { kDigitsOnly = 1 };

  CInputBox(const std::string& title, const std::string& description, const std::string& label,
            const std::string& value, UINT iconId, int browseMode, int charMode, bool allowEmpty,
            CWnd* parent = nullptr);

  // Runs the box with no parent, empty values refused; `result` is the value
  // on OK and empty otherwise. Answers the dialog's result.
  static int Ask(std::string& result, const std::string& title, const std::string& description,
                 const std::string& label, const std::string& value, int charMode, UINT iconId, int browseMode);

  const std::string& GetValue() const { return m_value; }
  CFocusEditCtrl& Edit() { return m_edit; }
  CDialogHeaderCtrl& Header() { return m_header; }

  BOOL OnInitDialog() override;
  void OnOK() override;
  BOOL OnCmdMsg(UINT id, int code) override;
  void DoDataExchange(CDataExchange* dx) override;
  // The edit in the batch-number dialog's colours: yellow with the focus, green without.
  HBRUSH OnCtlColor(CDC* dc, CWnd* control, UINT ctlColor) override;
  void OnBrowse();

  // The folder path with its trailing back-slashes removed and one appended.
  static std::string FolderWithOneBackslash(const std::string& path);

 private:
  static void RegisterTemplate();
  CFocusEditCtrl m_edit;
  CDialogHeaderCtrl m_header;
  CButton m_browse;
  std::string m_label;
  std::string m_value;
  std::string m_title;
  std::string m_description;
  int m_browseMode;
  int m_charMode;
  bool m_allowEmpty;
  UINT m_iconId;
  bool m_initialised = false;
};
