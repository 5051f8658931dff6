#pragma once
// One step of the recipe shown in the recipe dialog: whether it takes part,
// its material, dose (with the material's unit), manual dosing, discharge, the
// steps it waits for, its mixer, and while the recipe runs the step's live
// phase and a button that ends a delay or confirms a confirmation step.
// Edits stay in the controls until StoreStep writes them into the recipe
// table's current record.
#include <string>

#include "app/RecipeMaterials.h"
#include "controls/CAutoSizeComboBox.h"
#include "controls/CChildDlgCtrl.h"
#include "platform/ui/CButton.h"
#include "platform/ui/CEdit.h"
#include "platform/ui/CStatic.h"

class CRecipeRS;
class CRecipeStepInfo;
class CProcessEngineBase;

constexpr UINT IDD_RECIPE_ONE_ITEM = 105;
constexpr UINT IDC_STEP_NEXT = 1006;
constexpr UINT IDC_STEP_DISCHARGE = 1010;
constexpr UINT IDC_STEP_MANUAL_DOSING = 1011;
constexpr UINT IDC_STEP_ACTIVE = 1012;
constexpr UINT IDC_STEP_MATERIAL = 1013;
constexpr UINT IDC_STEP_MIXER = 1014;
constexpr UINT IDC_STEP_PHASE = 1016;
constexpr UINT IDC_STEP_DOSE = 1022;
constexpr UINT IDC_STEP_START_AFTER = 1024;
constexpr UINT IDC_STEP_DISCHARGE_AFTER = 1033;
constexpr UINT IDC_STEP_UNIT = 1051;
constexpr UINT IDC_STEP_NUMBER = 1054;

class CRecipeOneItemDlg : public CChildDlgCtrl {
 public:
  static constexpr int kConfirmationMaterial = 9;
  static constexpr int kDelayMaterial = 10;
  static constexpr int kDelayPhase = 8;
  static constexpr int kConfirmationPhase = 9;
  static constexpr int kEndedPhase = 11;
  static constexpr const char* kSeparator = "------------";

  static constexpr const char* kStepErrorPrefix = "خطا در استپ ";
  static constexpr const char* kNoMaterialText = "لطفا ماده بارگيري شونده را مشخص كنيد";
  static constexpr const char* kNegativeStartText =
      "لطفا عددي بزرگتر از يا مساوي صفر براي پيش شرط شروع استپ مشخص كنيد";
  static constexpr const char* kInactiveStartText = "عدد پيش شرط شروع استپ به استپي غير فعال اشاره دارد";
  static constexpr const char* kSelfStartText = "عدد پيش شرط شروع استپ نمي تواند به خود استپ جاري اشاره كند";
  static constexpr const char* kNegativeDischargeText =
      "لطفا عددي بزرگتر از يا مساوي صفر براي پيش شرط شروع تخليه مشخص كنيد";
  static constexpr const char* kInactiveDischargeText = "عدد پيش شرط شروع تخليه به استپي غير فعال اشاره دارد";
  static constexpr const char* kSelfDischargeText = "عدد پيش شرط شروع تخليه نمي تواند به خود استپ جاري اشاره كند";
  static constexpr const char* kNoDoseText = "لطفا عددي غير از صفر براي دز مشخص كنيد";
  static constexpr const char* kNoMixerText = "لطفا شماره ميكسر را مشخص كنيد";
  static constexpr const char* kManualDosingText = "بارگيري دستي هنوز اجرايي نشده است. لطفا تيك آن را برداريد";
  static constexpr const char* kConfirmationStartText =
      "لطفا عددي بزرگتر از صفر براي پيش شرط شروع استپ تاييد اپراتور مشخص كنيد";
  // A dose that is no finite number, and a batcher material's dose above what
  // its batcher holds (the dose, the batcher and its capacity named).
  static std::string MakeDoseNotANumberText(float dose);
  static std::string MakeDoseAboveCapacityText(const std::string& material, float dose, const std::string& unit,
                                               const std::string& weigher, float capacity);
  static constexpr const char* kNextQuestion = "آيا مي خواهيد تايمر را ريست كنيد و به استپ بعد برويد؟";

  CRecipeOneItemDlg();
  ~CRecipeOneItemDlg() override;

  UINT GetTemplateID() const override { return IDD_RECIPE_ONE_ITEM; }
  // Shows the step's live phase in 1016 (for the active recipe only) and
  // brings the enables and the next button up to date.
  virtual BOOL RefreshRuntime();
  // The first rule the step breaks is shown and gives false; an inactive step is always valid.
  virtual BOOL ValidateStep();
  virtual BOOL LoadStep();
  virtual BOOL StoreStep();
  virtual BOOL UpdateEnables();

  void SetIndex(int index) { m_nIndex = index; }
  int GetIndex() const { return m_nIndex; }
  void SetTable(CRecipeRS* table) { m_pTable = table; }
  void SetProcessEngine(CProcessEngineBase* engine) { m_pProcessEngine = engine; }
  void SetMaterials(const RecipeMaterialInfo* materials, int count);
  // Whether a dose above its batcher's capacity breaks a rule (not while the
  // recipe is being de-activated: a recipe held at a full batcher must be left).
  void SetCapacityChecked(bool checked) { m_checksCapacity = checked; }

  // The rule the step breaks (empty when none), without showing it.
  std::string FindBrokenRule() const;

  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* dx) override;
  BOOL OnCmdMsg(UINT id, int code) override;
  // A row is part of its dialog: Enter and Escape do not hide it.
  void OnOK() override {}
  void OnCancel() override {}

  void OnNext();
  void OnMaterialChanged();
  // The step of the running recipe waits for the operator's > on this row.
  bool WaitsForConfirmation() const;

 private:
  static void RegisterTemplate();
  bool HasStep() const;
  CRecipeStepInfo& Step() const;
  // The shown recipe is the one the process runs.
  bool IsShownRecipeActive() const;
  int SelectedMaterial() const;
  bool HasDischargeValve(int material) const;
  int StepPhase() const;
  // The dose of this step in the run's copy of its recipe (the active recipe
  // while no run holds one).
  float RunningDose() const;
  void UpdateNextButton(bool shownIsActive);

  int m_nIndex = -1;
  CRecipeRS* m_pTable = nullptr;
  CProcessEngineBase* m_pProcessEngine = nullptr;
  const RecipeMaterialInfo* m_pMaterials = nullptr;
  int m_nMaterialCount = 0;
  bool m_checksCapacity = true;

  CStatic m_number;
  CButton m_active;
  CAutoSizeComboBox m_material;
  CEdit m_dose;
  CStatic m_unit;
  CButton m_manualDosing;
  CButton m_discharge;
  CEdit m_startAfter;
  CEdit m_dischargeAfter;
  CAutoSizeComboBox m_mixer;
  CAutoSizeComboBox m_phase;
  CButton m_next;
};
