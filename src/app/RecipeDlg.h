#pragma once
// The recipe (formula) editor: one recipe at a time with its 30 steps, each in
// a row of a scrolling child; the operator browses, creates, edits, sorts,
// checks and saves recipes, and activates or deactivates the one the process
// runs. While a cycle runs the rows show their steps' live phases. Edits stay
// in memory until Save, Activate or New; Undo reloads the row.
#include <array>
#include <memory>

#include "app/BaseTableDlg.h"
#include "app/RecipeOneItemDlg.h"
#include "controls/CBalloonHelp.h"
#include "controls/CButtonST.h"
#include "controls/CScrollChildDlg.h"
#include "platform/ui/CSliderCtrl.h"

class CRecipeRS;

constexpr UINT IDD_RECIPE = 104;
constexpr UINT IDD_RECIPE_STEPS = 3022;
constexpr UINT IDC_RECIPE_ACTIVATE = 1001;
constexpr UINT IDC_RECIPE_SORT = 1008;
constexpr UINT IDC_RECIPE_UNDO = 1009;
constexpr UINT IDC_RECIPE_MODIFIED = 1021;
constexpr UINT IDC_RECIPE_NAME = 1026;
constexpr UINT IDC_RECIPE_STEPS = 1039;
constexpr UINT IDC_RECIPE_TRANSPARENCY = 1040;
constexpr UINT IDC_RECIPE_NEXT_HEADER = 1050;
constexpr UINT IDC_RECIPE_NOTIFIER = 1052;
constexpr UINT IDC_RECIPE_RUNTIME_HEADER = 1055;

class CRecipeDlg : public CBaseTableDlg {
 public:
  static constexpr int kRowCount = 30;  // one row per recipe step
  static constexpr int kRowPitch = 25;
  static constexpr int kRowTop = 5;  // the first row's top in the scrolled content
  static constexpr int kContentHeight = 770;
  static constexpr const char* kCaption = "Recipe (Formula) Editor";
  static constexpr const char* kActiveText = "This Recipe is Active, Push to De Activate";
  static constexpr const char* kInactiveText = "Push to Activate This Recipe";
  static constexpr UINT kBalloonOptions = CBalloonHelp::CloseOnKeyPress | CBalloonHelp::CloseOnMouseMove |
                                          CBalloonHelp::DelayClose | CBalloonHelp::NoFadeOut;
  static constexpr UINT kBalloonTimeoutMs = 3000;

  static constexpr const char* kRecipeErrorCaption = "Recipe Error";
  static constexpr const char* kNoActiveStepText = "هيچ استپ اكتيوي وجود ندارد";
  static constexpr const char* kPairPrefix = "خطا در استپ ";
  static constexpr const char* kPairAnd = " و ";
  static constexpr const char* kPairSuffix = ". نمي توان يك ماده را در دو استپ همزمان بارگيري كرد";
  static constexpr const char* kNoRecordText =
      "هيچ ريكوردي در جدول بانك اطلاعاتي وجود ندارد. لطفا در ابتدا يك ريكورد جديد ايجاد كنيد";
  static constexpr const char* kSaveErrorText = "خطا در ذخيره سازي فرمول";
  static constexpr const char* kSaveErrorCaption = "Recipe Status";
  static constexpr const char* kSavedTitle = "SaveRecipe";
  static constexpr const char* kSavedText = "فرمول با موفقيت ذخيره شد";
  static constexpr const char* kActivationErrorTitle = "Recipe De/Activation Error";
  static constexpr const char* kActivationDuringRunText =
      "خطا: مادامي كه پروسه توليد در حال اجراست، فرمول را نمي توانيد فعال يا غير فعال كنيد";
  static constexpr const char* kOtherActivePrefix = "لطفا اول فرمول شماره ";
  static constexpr const char* kOtherActiveSuffix = " را غير فعال كنيد";
  static constexpr const char* kOtherActiveCaption = "Activation Recipe Alert";
  static constexpr const char* kNewRecipeText = "فرمول جديد ايجاد گرديد";

  explicit CRecipeDlg(CWnd* parent = nullptr);
  ~CRecipeDlg() override;

  // The table and the engine go to the dialog and to every row; set both before creating the window.
  void SetTable(CRecipeRS* table);
  void SetProcessEngine(CProcessEngineBase* engine);
  CRecipeRS* GetRecipeTable() const { return m_pRecipeTable; }
  CRecipeOneItemDlg& GetRow(int index) { return m_rows.at(static_cast<std::size_t>(index)); }
  CScrollChildDlg* GetStepsChild() const { return m_stepsChild.get(); }
  // The last position the transparency slider reported.
  int GetTransparencyPosition() const { return m_nTransparency; }

  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* dx) override;
  BOOL OnCmdMsg(UINT id, int code) override;
  void OnHScroll(UINT code, UINT pos, CScrollBar* bar) override;

  // Every row's live phase, then the buttons. A confirmation step that begins
  // to wait brings the dialog to the front with its row in view.
  BOOL OnRefreshTimer() override;
  // To the front without taking the focus, restored when minimised or hidden,
  // the row scrolled into view.
  void BringRowForward(int index);
  // To the front without taking the focus, restored when minimised.
  void BringForward();
  // The call to the front (the plant form's Recipe command posts it too).
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  // The recipe checks: every active step's rules, at least one active step,
  // and no material charged by two steps that start together.
  BOOL ReadControls() override;
  BOOL ShowRecord() override;
  BOOL StoreRecord() override;
  // The base's rules; New only while no cycle runs, the run headers only while one does.
  BOOL UpdateButtons() override;

  void OnNewRecipe();
  // Whether the recipe was checked and saved.
  bool OnSaveRecipe();
  void OnActivate();
  void OnSortSteps();
  void OnUndo();

 private:
  static void RegisterTemplates();
  void ShowActivation(bool active);
  // The name and the rows' edits into the current record.
  bool StoreEdits();
  bool IsCycleActive() const;

  CRecipeRS* m_pRecipeTable = nullptr;
  CStatic m_runtimeHeader;
  CStatic m_nextHeader;
  CSliderCtrl m_transparency;
  CButtonST m_activateButton;
  CEdit m_modifyDate;
  CEdit m_recipeName;
  int m_nTransparency = 0;
  std::unique_ptr<CScrollChildDlg> m_stepsChild;
  std::array<CRecipeOneItemDlg, kRowCount> m_rows;
  // Which rows waited for a confirmation at the last refresh.
  std::array<bool, kRowCount> m_waitedForConfirmation{};
};
