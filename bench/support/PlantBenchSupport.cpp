#include "PlantBenchSupport.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QToolBar>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#include "app/BatchNumDlg.h"
#include "app/ChildFrame.h"
#include "app/MainFrame.h"
#include "app/NewShiftDlg.h"
#include "app/RecipeDlg.h"
#include "app/RecipeOneItemDlg.h"
#include "app/RuvFrameApp.h"
#include "app/RuvFrameView.h"
#include "app/BaseTableDlg.h"
#include "controls/CBalloonHelp.h"
#include "engine/ProcessEngineApp.h"
#include "platform/base/Clock.h"
#include "platform/base/IniProfile.h"
#include "platform/base/ProfileStore.h"
#include "platform/base/ProgramFolder.h"
#include "platform/db/SchemaBuilder.h"
#include "platform/ui/CButton.h"
#include "platform/ui/CComboBox.h"
#include "platform/ui/CWinApp.h"
#include "platform/ui/MessageCore.h"
#include "platform/ui/ModalDialogScript.h"
#include "platform/ui/QtServices.h"
#include "plant/PlantModel.h"
#include "plant/RecipeSupervisor.h"

namespace bench {

namespace {

void Click(CWnd& window, UINT id) { window.SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

struct Step {
  int material;  // index in the plant's material table
  const char* dose;
  const char* startAfter;  // the step number it waits for, 0 for none
};
constexpr int kWater = 0, kCausticSoda = 1, kLabs = 2, kDiEthanol = 4, kBatcher04Material = 6, kBatcher05Material = 8,
              kDelay = 10;

// A row filled as the operator fills it; the discharge follows the material.
void FillStep(CRecipeDlg& dialog, int index, const Step& step) {
  CRecipeOneItemDlg& row = dialog.GetRow(index);
  auto* active = dynamic_cast<CButton*>(row.GetDlgItem(IDC_STEP_ACTIVE));
  auto* material = dynamic_cast<CComboBox*>(row.GetDlgItem(IDC_STEP_MATERIAL));
  auto* mixer = dynamic_cast<CComboBox*>(row.GetDlgItem(IDC_STEP_MIXER));
  if (!active || !material || !mixer) RecipeOperator::Fail("a recipe row without its controls");
  active->SetCheck(BST_CHECKED);
  row.OnCmdMsg(IDC_STEP_ACTIVE, static_cast<int>(BN_CLICKED));
  for (int item = 0; item < material->GetCount(); ++item)
    if (static_cast<int>(material->GetItemData(item)) == step.material) material->SetCurSel(item);
  row.OnCmdMsg(IDC_STEP_MATERIAL, static_cast<int>(CBN_SELCHANGE));
  row.SetDlgItemText(IDC_STEP_DOSE, step.dose);
  row.SetDlgItemText(IDC_STEP_START_AFTER, step.startAfter);
  mixer->SetCurSel(0);  // Mixer 1
}

}  // namespace

std::string ReadFile(const std::string& path) {
  std::stringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}

int RunProgramBenchmarks(int& argc, char** argv, IClock* clock) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication application(argc, argv);
  std::setlocale(LC_NUMERIC, "C");  // as the program's main
  QApplication::setQuitOnLastWindowClosed(false);
  QtServices services;
  if (clock) SetClock(clock);
  BoxesEndTheRun boxes;
  SetMessageBoxService(&boxes);
  modal_script::SetUnscriptedAnswer(IDCANCEL);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (clock) SetClock(nullptr);
  return 0;
}

CRuvFrameView* StartProgram() {
  if (!theApp.InitInstance()) RecipeOperator::Fail("the program refused to start");
  auto* main = dynamic_cast<CMainFrame*>(theApp.m_pMainWnd);
  auto* child = main ? dynamic_cast<CChildFrame*>(main->MDIGetActive()) : nullptr;
  return child ? dynamic_cast<CRuvFrameView*>(child->GetActiveView()) : nullptr;
}

void CloseProgram() {
  if (theApp.m_pMainWnd) theApp.m_pMainWnd->DestroyWindow();
  theApp.Run();
  theApp.CloseAllDocuments();
}

ProgramFolder::ProgramFolder() {
  const std::string path = m_dir.path().toStdString();
  for (const char* name : {"Qelo-Setting.ini", "Qelo-DCTags.dct"})
    std::ofstream(path + "/" + name, std::ios::binary) << ReadFile(std::string(RUV_DATA_DIR "/") + name);
  std::string error;
  ruv::db::CreateDatabaseFromSchema(ReadFile(RUV_DATA_DIR "/schema.sql"), path + "/Qelo-DataBase.mdb", &error);
  SetProgramFolderOverride(path);
  profile::SetPathOverride(path + "/profile.ini");
  ini::ClearCache();
}

ProgramFolder::~ProgramFolder() {
  ini::ClearCache();
  profile::SetPathOverride("");
  SetProgramFolderOverride("");
}

int BoxesEndTheRun::Show(const std::string& text, const std::string& caption, UINT) {
  std::fprintf(stderr, "unexpected box \"%s\": %s\n", caption.c_str(), text.c_str());
  std::_Exit(3);
}

RecipeRunBoxes::RecipeRunBoxes() : m_unexpected(MessageBoxService()) { SetMessageBoxService(this); }

RecipeRunBoxes::~RecipeRunBoxes() { SetMessageBoxService(&m_unexpected); }

int RecipeRunBoxes::Show(const std::string& text, const std::string& caption, UINT style) {
  const struct {
    std::string text;
    int answer;
  } expected[] = {
      {"The level of Batchers & Mixers is:", IDYES},  // asked at each Start
      {CRecipeDlg::kNewRecipeText, IDOK},
      {CRecipeSupervisor::GetRecipeEndText(), IDOK},
  };
  for (const auto& box : expected)
    if (text.find(box.text) != std::string::npos) return box.answer;
  return m_unexpected.Show(text, caption, style);
}

RecipeOperator::RecipeOperator(CRuvFrameView& view) : m_view(view), m_main(*AfxGetMainWnd()) {
  OpenShift();
  MakeRecipe();
  EnterBatchNumber();
}

RecipeOperator::~RecipeOperator() {
  m_main.SendMessage(WM_COMMAND, ID_STOP_PROCESS);
  PumpPendingMessages();
}

bool RecipeOperator::IsRunning() {
  CProcessEngineApp& engine = GetProcessEngine();
  return engine.IsStarted() && engine.IsCycleActive();
}

void RecipeOperator::Fail(const char* what) {
  std::fprintf(stderr, "%s\n", what);
  std::_Exit(3);
}

void RecipeOperator::PressStart() {
  const PlantObjectId mixer = GetMixerId(0);
  SetShapeAttribFloat(mixer, eCodeLevel, GetShapeAttribFloat(mixer, eCodeMinLevel));
  modal_script::Push([](CDialog& numbers) { Click(numbers, IDOK); });
  m_main.SendMessage(WM_COMMAND, ID_START_PROCESS);
}

void RecipeOperator::OpenShift() {
  modal_script::Push([](CDialog& shifts) {
    Click(shifts, IDC_TABLE_NEW);
    Click(shifts, IDCANCEL);
  });
  modal_script::Push([](CDialog& asking) {
    asking.GetDlgItem(IDC_NEW_SHIFT_OPERATOR)->SetWindowText("A");
    Click(asking, IDOK);
  });
  m_main.SendMessage(WM_COMMAND, ID_SHIFT_TABLE);
}

void RecipeOperator::MakeRecipe() {
  CRecipeDlg* dialog = m_view.GetRecipeDlg();
  if (!dialog) Fail("no recipe dialog");
  dialog->OnNewRecipe();
  dialog->SetDlgItemText(IDC_RECIPE_NAME, "Soap");
  const Step steps[] = {
      {kWater, "1500", "0"},           {kCausticSoda, "60", "0"}, {kLabs, "60", "0"},
      {kDiEthanol, "40", "0"},         {kBatcher04Material, "40", "0"},
      {kBatcher05Material, "40", "0"}, {kDelay, "10", "1"},
  };
  for (int index = 0; index < static_cast<int>(std::size(steps)); ++index) FillStep(*dialog, index, steps[index]);
  if (!dialog->OnSaveRecipe()) Fail("the recipe was not saved");
  dialog->OnActivate();
  for (CBalloonHelp* balloon : CBalloonHelp::Balloons()) balloon->DestroyWindow();
  PumpPendingMessages();
}

void RecipeOperator::EnterBatchNumber() {
  modal_script::Push([](CDialog& opened) {
    dynamic_cast<CBatchNumDlg&>(opened).NumberEdit(0).SetWindowText("501");
    Click(opened, IDOK);
  });
  m_main.SendMessage(WM_COMMAND, ID_BATCH_NUMBERS);
}

}  // namespace bench
