#include "app/RuvFrameApp.h"

#include "app/BatchNumDlg.h"
#include "app/ChildFrame.h"
#include "app/DataCenterScoutRegistration.h"
#include "app/EmptyPlantFormView.h"
#include "app/MainFrame.h"
#include "app/MainFrameMenus.h"
#include "app/RuvFrameDoc.h"
#include "platform/ui/CDocTemplate.h"

CRuvFrameApp theApp;

namespace {
const char* const kPlantDocStrings = "\nRuvFra\nRuvFra\n\n\nRuvFrame.Document\nRuvFra Document";
}  // namespace

CRuvFrameApp::CRuvFrameApp() : CWinApp("RuvFrame") {}

std::unique_ptr<CDocTemplate> CRuvFrameApp::MakePlantTemplate() {
  return std::make_unique<CMultiDocTemplate>(
      IDR_RUVFRATYPE, kPlantDocStrings, [] { return std::make_unique<CRuvFrameDoc>(); },
      []() -> CFrameWnd* { return new CChildFrame(); }, []() -> CView* { return new CEmptyPlantFormView(); });
}

BOOL CRuvFrameApp::InitInstance() {
  CBatchNumDlg::RegisterRunner();
  RegisterDataCenterScout();
  RegisterMainFrameResources();
  SetRegistryKey("RuvFrame Qelo");
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
