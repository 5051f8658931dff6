#pragma once
// The shift table: shows the shifts one at a time (operator, recipe, start and
// end, times, production, cycles and each material's charged total), stops the
// active shift and starts a new one. Run modally with the shift table and the
// process engine set; the end of a running shift is shown as now, every second.
#include <array>

#include "app/BaseTableDlg.h"

class CShiftRS;

constexpr UINT IDD_SHIFT_TABLE = 106;
constexpr UINT IDC_SHIFT_STOP = 1007;
constexpr UINT IDC_SHIFT_NOTIFIER = 1052;
constexpr UINT IDC_SHIFT_OPERATOR = 1023;
constexpr UINT IDC_SHIFT_RECIPE = 1025;
constexpr UINT IDC_SHIFT_START = 1034;
constexpr UINT IDC_SHIFT_END = 1057;
constexpr UINT IDC_SHIFT_USEFUL_TIME = 1038;
constexpr UINT IDC_SHIFT_TOTAL_TIME = 1037;
constexpr UINT IDC_SHIFT_TOTAL_PRODUCED = 1036;
constexpr UINT IDC_SHIFT_TOTAL_CYCLE = 1035;

class CShiftDlg : public CBaseTableDlg {
 public:
  static constexpr int kFieldCount = 17;
  // The controls of the nine material totals, by material index.
  static constexpr std::array<UINT, 9> kMaterialTotalIds{1032, 1027, 1031, 1060, 1029, 1062, 1028, 1030, 1061};

  static constexpr const char* kStopQuestion =
      "Remember, before stopping shifts you must\n1) Stop process and then\n2) Select manual mode operation.\n"
      "Are you sure to stop?";
  static constexpr const char* kStopRefusal =
      "Remember, before stopping shifts you must\n1) Stop process and then\n2) Select manual mode operation.";
  static constexpr const char* kStopCaption = "Work Shift stop Message";
  static constexpr const char* kStoppedNotice = "To start new shift, select shift & click on New button.";

  explicit CShiftDlg(CWnd* parent = nullptr);
  ~CShiftDlg() override;

  // The table the dialog browses, as the shift table it is.
  CShiftRS* GetShiftTable() const;

  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* dx) override;
  BOOL OnCmdMsg(UINT id, int code) override;

  BOOL OnRefreshTimer() override;
  BOOL ReadControls() override;
  BOOL ShowRecord() override;
  // The displayed values are never written back.
  BOOL StoreRecord() override;
  // The base's rule; then Stop while a shift is active, New while none is.
  BOOL UpdateButtons() override;

  void OnStopShift();
  void OnNewShift();

 private:
  static void RegisterTemplate();

  CButton m_stopButton;
  std::array<CEdit, kFieldCount> m_fieldEdits;
};
