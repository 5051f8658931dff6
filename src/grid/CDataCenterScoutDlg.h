#pragma once
// The tag scout: a modeless, resizable window listing every tag of the data
// center live in a CDataCenterScoutGrid, with a row to go to, a highlight
// filter over the tag names and the switch that suspends the data obtainer.
//
// It opens only while the override keys are held; otherwise its creation fails
// and leaves no window. Closing destroys the window (its owner keeps and later
// deletes the object) and keeps the view state in the profile. UI thread only.
#include <functional>
#include <string>

#include "controls/CResizableDialog.h"
#include "grid/CDataCenterScoutGrid.h"

constexpr UINT IDD_DATACENTER_SCOUT = 3012;
constexpr UINT IDC_SCOUT_GRID = 3013;
constexpr UINT IDC_SCOUT_GO = 4012;
constexpr UINT IDC_SCOUT_SUSPEND = 4028;
constexpr UINT IDC_SCOUT_FILTER = 4034;
constexpr UINT IDC_SCOUT_LINE = 4035;
constexpr UINT IDC_SCOUT_CLEAR_FILTER = 4004;
constexpr UINT IDC_SCOUT_MATCHES = 4067;

class CDataCenterScoutDlg : public CResizableDialog {
 public:
  static constexpr const char* kCaption = "RuvFrame DataCenter Scout";
  static constexpr UINT kSuspendTimer = 201;
  static constexpr UINT kSuspendPeriodMs = 1000;
  static constexpr const char* kProfileSection = "DataCenterScout";
  static constexpr const char* kTopRowEntry = "TopVisibleRow";
  static constexpr const char* kLineEntry = "GoToLine";
  static constexpr const char* kFilterEntry = "HighlightFilter";
  static constexpr const char* kPlacementSection = "Setting";
  static constexpr const char* kPlacementEntry = "DataCenterScoutDlg";

  // Asks the engine to suspend (true) or resume the data obtainer; the engine
  // may refuse. Registered by the application; without one nothing changes.
  using SuspendRequest = std::function<void(bool suspend)>;
  static void SetSuspendRequest(SuspendRequest request);

  explicit CDataCenterScoutDlg(CWnd* parent = nullptr);
  ~CDataCenterScoutDlg() override;

  // FALSE, with no window left, when the opening was refused.
  BOOL Create(UINT templateId, CWnd* parent = nullptr) override;
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* dx) override;
  BOOL OnCmdMsg(UINT id, int code) override;
  void OnTimer(UINT_PTR id) override;
  void OnClose() override;
  void OnDestroy() override;

  void OnGo();
  void OnSuspendClicked();
  void OnFilterChanged();
  void OnClearFilter();

  CDataCenterScoutGrid& Grid() { return m_grid; }
  int GetLineNumber() const { return m_nGoToLine; }

  static void RegisterTemplate();

 private:
  // At the default size the grid shows a whole row: the dialog is made wider
  // when the columns need it (a size the operator saved is kept as it is).
  void WidenToWholeRows();
  void ShowSuspendedFlag();

  CDataCenterScoutGrid m_grid;
  int m_nGoToLine = 0;
  bool m_refused = false;
  bool m_viewShown = false;
};
