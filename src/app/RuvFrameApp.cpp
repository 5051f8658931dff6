#include "app/RuvFrameApp.h"

#include "app/BatchNumDlg.h"
#include "app/ChildFrame.h"
#include "app/MainFrame.h"
#include "app/MainFrameMenus.h"
#include "app/RuvFrameDoc.h"
#include "app/RuvFrameView.h"
#include "common/IniFile.h"
#include "common/ProcessUtils.h"
#include "engine/ProcessEngineApp.h"
#include "platform/ui/CDocTemplate.h"
#include "plant/PlantModel.h"
#include "plant/PlantOperatorServices.h"
#include "plant/RuvEngineApp.h"
#include "shapes/ProcessDataGen.h"

CRuvFrameApp theApp;

namespace {
const char* const kPlantDocStrings = "\nRuvFra\nRuvFra\n\n\nRuvFrame.Document\nRuvFra Document";
constexpr int kShapeSettingsTableSize = 2;
constexpr int kPlantSettingsIndex = 1;
}  // namespace

CRuvFrameApp::CRuvFrameApp() : CWinApp("RuvFrame") {}

// ExitInstance has released the plant's objects by now (AfxWinMain always runs it).
CRuvFrameApp::~CRuvFrameApp() = default;

std::unique_ptr<CDocTemplate> CRuvFrameApp::MakePlantTemplate() {
  return std::make_unique<CMultiDocTemplate>(
      IDR_RUVFRATYPE, kPlantDocStrings, [] { return std::make_unique<CRuvFrameDoc>(); },
      []() -> CFrameWnd* { return new CChildFrame(); }, []() -> CView* { return new CRuvFrameView(); });
}

void CRuvFrameApp::CreatePlantServices() {
  ReleasePlantServices();
  m_processData = std::make_unique<C_ProcessDataGen>(kPlantSettingsIndex);
  SetProcessDataGen(m_processData.get());
  m_engine = std::make_unique<CRuvEngineApp>();
  m_engine->SetFilePaths(kFilePrefix);
  // Publishing runs the engine's first initialisation; a bad tag file was
  // reported by the data center itself, and the start goes on.
  SetEngineRoot(m_engine.get());
  C_BaseShape::InitIniTable(kShapeSettingsTableSize);
  C_BaseShape::SetIniTableEntry(kPlantSettingsIndex,
                                std::make_unique<CIniFile>(GetModuleFolder() + m_engine->GetSettingsFileName()));
  GetProcessEngine().SetFileName(GetModuleFolder() + m_engine->GetRecoveryFileName());
  CBatchNumDlg::RegisterRunner();
  CMainFrame::SetConfirmedCloseHook([] {
    if (CRuvEngineApp* engine = GetEngineRoot()) engine->CloseScoutDialog();
  });
}

void CRuvFrameApp::ReleasePlantServices() {
  CMainFrame::SetConfirmedCloseHook(nullptr);
  CPlantOperatorServices::SetBatchNumberDialogRunner(nullptr);
  if (m_engine) {
    SetEngineRoot(nullptr);
    // A cycle that would not stop still runs inside the engine: the process
    // ends at the exit without deleting it.
    if (m_engine->HasAbandonedCycle()) static_cast<void>(m_engine.release());
    m_engine.reset();
  }
  if (m_processData) {
    SetProcessDataGen(nullptr);
    m_processData.reset();
  }
  C_BaseShape::FreeIniTable();
}

BOOL CRuvFrameApp::InitInstance() {
  CreatePlantServices();
  RegisterMainFrameResources();
  SetRegistryKey(kRegistryName);
  LoadStdProfileSettings(0);
  AddDocTemplate(MakePlantTemplate());

  auto* mainFrame = new CMainFrame();
  mainFrame->m_bAutoDelete = true;
  if (!mainFrame->LoadFrame(IDR_MAINFRAME, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE)) return FALSE;  // it deleted itself
  m_pMainWnd = mainFrame;

  CCommandLineInfo commandLine;
  ParseCommandLine(commandLine);
  if (!ProcessShellCommand(commandLine)) return FALSE;
  mainFrame->ShowWindow(SW_SHOWMAXIMIZED);
  mainFrame->UpdateWindow();
  return TRUE;
}

int CRuvFrameApp::ExitInstance() {
  ReleasePlantServices();
  return CWinApp::ExitInstance();
}

CDocument* CRuvFrameApp::PlantDocument() const {
  for (const auto& docTemplate : DocTemplates()) {
    if (!docTemplate->Documents().empty()) return docTemplate->Documents().front().get();
  }
  return nullptr;
}

bool CRuvFrameApp::ActivateExistingPlantForm() {
  CDocument* document = PlantDocument();
  if (!document) return false;
  if (CView* view = document->GetFirstView()) {
    if (CFrameWnd* frame = view->GetParentFrame()) frame->ActivateFrame();
  }
  return true;
}

void CRuvFrameApp::OnFileNew() {
  if (!ActivateExistingPlantForm()) CWinApp::OnFileNew();
}

void CRuvFrameApp::OnFileOpen() {
  // The document has no file to open: Open is New, and New shows the one form.
  OnFileNew();
}
