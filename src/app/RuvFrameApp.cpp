#include "app/RuvFrameApp.h"

#include <array>
#include <cstring>

#include "app/AboutDlg.h"
#include "app/BatchNumDlg.h"
#include "app/ChildFrame.h"
#include "app/DataCenterScoutRegistration.h"
#include "app/MainFrame.h"
#include "app/MainFrameMenus.h"
#include "app/RuvFrameDoc.h"
#include "app/RuvFrameView.h"
#include "app/SplashDriver.h"
#include "common/IniFile.h"
#include "common/ProcessUtils.h"
#include "engine/ProcessEngineApp.h"
#include "platform/base/AtomicFile.h"
#include "platform/base/ExitHook.h"
#include "platform/base/FileInUseLock.h"
#include "platform/base/MessageBoxService.h"
#include "platform/base/ProfileStore.h"
#include "platform/ui/MessageCore.h"
#include "links/OpcServer.h"
#include "platform/ui/CDocTemplate.h"
#include "plant/PlantModel.h"
#include "plant/PlantOperatorServices.h"
#include "plant/RuvEngineApp.h"
#include "records/AdoDatabase.h"
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

BOOL CRuvFrameApp::InitInstance() {
  m_exitCode = 0;
  if (!CheckSingleInstance(kRegistryName, kAlreadyRunningText)) {
    m_exitCode = kRefusedStartExitCode;  // whoever ran this copy learns it did not run
    return FALSE;
  }
  m_splash = std::make_unique<CSplashDriver>();
  m_splash->Start();
  // Sockets and OLE: nothing here needs starting (no socket is ever opened, and
  // the OPC stand-in runs in the process).

  m_processData = std::make_unique<C_ProcessDataGen>(kPlantSettingsIndex);
  SetProcessDataGen(m_processData.get());
  m_engine = std::make_unique<CRuvEngineApp>();
  // Checked before anything can write it: the engine's first initialisation
  // writes the recording interval. A missing file ends the start with this one
  // box and is not created; a read-only one is left as it is.
  const std::string settingsPath = GetModuleFolder() + CRuvEngineApp::SettingsFileNameOf(kFilePrefix);
  if (!CheckFileWritable(kSettingsFileLabel, settingsPath)) {
    // A start ended by a missing or unusable file is a failure to whoever ran it.
    m_exitCode = kRefusedStartExitCode;
    return EndStart();
  }
  m_engine->SetFilePaths(kFilePrefix);
  // Before anything reads or writes the database, its journal or the files
  // beside it: a refused start touches none of them.
  if (!TakeDatabaseLock()) {
    m_exitCode = kRefusedStartExitCode;
    return EndStart();
  }
  SetRegistryKey(kRegistryName);
  // A rewrite cut by a kill -9 left its temporary file beside the file; the
  // next write would take it away, but a file seldom written would keep it.
  // Swept before anything here reads or writes them.
  for (const std::string& path :
       {settingsPath, GetModuleFolder() + m_engine->GetRecoveryFileName(), profile::Path()})
    SweepDeadTemporaries(path);
  // Publishing runs the engine's first initialisation; a bad tag file was
  // reported by the data center itself, and the start goes on.
  SetEngineRoot(m_engine.get());
  StepSplash();

  C_BaseShape::InitIniTable(kShapeSettingsTableSize);
  C_BaseShape::SetIniTableEntry(kPlantSettingsIndex, std::make_unique<CIniFile>(settingsPath));
  GetProcessEngine().SetFileName(GetModuleFolder() + m_engine->GetRecoveryFileName());
  CBatchNumDlg::RegisterRunner();
  RegisterDataCenterScout();

  EnableControlContainer();
  RegisterMainFrameResources();
  LoadStdProfileSettings(0);
  AddDocTemplate(MakePlantTemplate());

  auto* mainFrame = new CMainFrame();
  mainFrame->m_bAutoDelete = true;
  if (!mainFrame->LoadFrame(IDR_MAINFRAME, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE)) return EndStart();  // it deleted itself
  m_pMainWnd = mainFrame;
  COpcServer::SetMainWindow(mainFrame->GetSafeHwnd());
  CMainFrame::SetConfirmedCloseHook([] {
    if (CRuvEngineApp* engine = GetEngineRoot()) engine->CloseScoutDialog();
  });
  // The close switches the outputs off and goes on once the links have written them (bounded).
  CMainFrame::SetCloseGate([] {
    CRuvEngineApp* engine = GetEngineRoot();
    auto* view = engine ? dynamic_cast<CRuvFrameView*>(engine->GetOwnerView()) : nullptr;
    return !view || view->LeaveHardwareForClose();
  });

  CCommandLineInfo commandLine;
  ParseCommandLine(commandLine);
  if (!ProcessShellCommand(commandLine)) return EndStart();
  StepSplash();
  mainFrame->ShowWindow(SW_SHOWMAXIMIZED);
  mainFrame->UpdateWindow();
  return TRUE;
}

bool CRuvFrameApp::TakeDatabaseLock() {
  m_databaseLock.reset();
  const std::string database = GetModuleFolder() + m_engine->GetDatabaseFileName();
  // A missing database ends the start at its own check, with its own box.
  if (!FileExists(database)) return true;
  const std::string lockFile = database + kDatabaseInUseSuffix;
  m_databaseLock = std::make_unique<FileInUseLock>();
  // A link at its name is never followed: it would lock the database itself,
  // or a file another database's lock also names.
  const FileInUseLock::Result result = m_databaseLock->Take(lockFile, database);
  if (result == FileInUseLock::Result::Taken) return true;
  const std::string systemSays = std::string("\n(") + std::strerror(m_databaseLock->Error()) + ")";
  std::string text;
  switch (result) {
    case FileInUseLock::Result::HeldElsewhere: text = kDatabaseInUseText + database + kDatabaseInUseAdvice; break;
    case FileInUseLock::Result::CannotOpen: text = kDatabaseLockFileText + lockFile + systemSays; break;
    case FileInUseLock::Result::NotOwnFile:
      text = kDatabaseLockNotOwnText + lockFile + "\n(" + m_databaseLock->What() + ")" + kDatabaseLockNotOwnAdvice;
      break;
    // Without the lock two programs could write one record twice or lose it:
    // such a folder is refused, not merely warned about.
    default: text = kDatabaseNoLocksText + lockFile + systemSays; break;
  }
  m_databaseLock.reset();
  ShowMessageBox(text, "RuvFrame", MB_OK | MB_ICONSTOP | MB_SYSTEMMODAL);
  return false;
}

BOOL CRuvFrameApp::EndStart() {
  m_splash.reset();
  return FALSE;
}

void CRuvFrameApp::StepSplash() {
  if (m_splash) m_splash->Step();
}

CSplashDriver* CRuvFrameApp::GetSplashDriver() const {
  return m_splash && m_splash->IsRunning() ? m_splash.get() : nullptr;
}

int CRuvFrameApp::ExitInstance() {
  m_splash.reset();
  COpcServer::SetMainWindow(nullptr);
  CMainFrame::SetConfirmedCloseHook(nullptr);
  CMainFrame::SetCloseGate(nullptr);
  CPlantOperatorServices::SetBatchNumberDialogRunner(nullptr);
  UnregisterDataCenterScout();
  // A worker that would not stop (an engine cycle, a link's poll) still runs
  // inside what the start made: nothing it can reach is freed while it may run,
  // and the process ends at the exit without destructors.
  const bool workerAbandoned = AbandonedWorkerCount() > 0 || (m_engine && m_engine->HasAbandonedCycle());
  // Nobody may reach the engine or the process data through a seam once they go.
  if (m_engine) SetEngineRoot(nullptr);
  if (m_processData) SetProcessDataGen(nullptr);
  if (workerAbandoned) {
    // The database stays open for the worker and is never closed: what the
    // lock still keeps gets the close's last try and report here.
    if (m_engine)
      if (CADODatabase* database = m_engine->GetDatabase()) database->WriteKeptLastTry();
    HandOverToAbandonedCycles();
  } else {
    m_engine.reset();
    m_processData.reset();
    C_BaseShape::FreeIniTable();
    // Nothing of this program writes the database any more.
    m_databaseLock.reset();
  }
  return CWinApp::ExitInstance();
}

void CRuvFrameApp::HandOverToAbandonedCycles() {
  // The database stays open with the engine, and so its lock: declared first, it goes last.
  struct Leftovers {
    std::unique_ptr<FileInUseLock> databaseLock;
    std::unique_ptr<CRuvEngineApp> engine;
    std::unique_ptr<C_ProcessDataGen> processData;
  };
  auto leftovers = std::make_shared<Leftovers>();
  CRuvEngineApp* engine = m_engine.get();
  leftovers->databaseLock = std::move(m_databaseLock);
  leftovers->engine = std::move(m_engine);
  leftovers->processData = std::move(m_processData);
  // The last abandoned cycle to leave has them freed on this thread (unless the
  // process ended first). A link's worker given up on may reach them too: then
  // they stay for good.
  const std::array<int, 2> cycles = {CRuvEngineBase::kDataObtainerThread, CRuvEngineBase::kProcessThread};
  int abandonedCycles = 0;
  for (int index : cycles)
    if (engine && engine->GetCycleThread(index).IsAbandoned()) ++abandonedCycles;
  if (abandonedCycles == 0 || AbandonedWorkerCount() > abandonedCycles) {
    static_cast<void>(leftovers->databaseLock.release());
    static_cast<void>(leftovers->engine.release());
    static_cast<void>(leftovers->processData.release());
    return;
  }
  for (int index : cycles) {
    CThreadEngine& cycle = engine->GetCycleThread(index);
    // The worker passes its share on at once: the last share must go on this thread.
    if (cycle.IsAbandoned())
      cycle.HandOverToWorker([share = leftovers]() mutable { PostToUiThread([last = std::move(share)] {}); });
  }
}

void CRuvFrameApp::OnTerminationSignal() {
  if (CRuvEngineApp* engine = GetEngineRoot()) engine->CloseScoutDialog();
  CWinApp::OnTerminationSignal();
}

BOOL CRuvFrameApp::OnCmdMsg(UINT id, int code) {
  switch (id) {
    case ID_APP_ABOUT: OnAppAbout(); return TRUE;
    case ID_SHOW_DATACENTER_SCOUT: OnShowScout(); return TRUE;
    default: return CWinApp::OnCmdMsg(id, code);
  }
}

void CRuvFrameApp::OnAppAbout() {
  CAboutDlg about(m_pMainWnd);
  about.DoModal();
}

void CRuvFrameApp::OnShowScout() {
  if (CRuvEngineApp* engine = GetEngineRoot()) engine->ShowScoutDialog();
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
