#include "platform/ui/CWinApp.h"

#include <QApplication>
#include <QFileDialog>
#include <atomic>
#include <clocale>

#include "platform/base/ExitHook.h"
#include "platform/base/ProfileStore.h"
#include "platform/ui/CCmdUI.h"
#include "platform/ui/CDocTemplate.h"
#include "platform/ui/CDocument.h"
#include "platform/ui/FrameworkIds.h"
#include "platform/ui/MessageCore.h"
#include "platform/ui/QtServices.h"
#include "platform/ui/TerminationSignals.h"

namespace {

CWinApp* g_app = nullptr;

// The quit state: posted (and with which code), and whether the loop runs to see it.
std::atomic<bool> g_quitPosted{false};
std::atomic<int> g_quitCode{0};
std::atomic<bool> g_loopRunning{false};

}  // namespace

CWinApp::CWinApp(std::string appName) : m_pszAppName(std::move(appName)) {
  if (!g_app) g_app = this;
}

CWinApp::~CWinApp() {
  if (g_app == this) g_app = nullptr;
}

CWinApp* AfxGetApp() { return g_app; }
CWnd* AfxGetMainWnd() { return g_app ? g_app->m_pMainWnd : nullptr; }

std::string AfxGetAppTitle() {
  if (g_app && !g_app->m_pszAppName.empty()) return g_app->m_pszAppName;
  return "RuvFrame";
}

void PostQuitMessage(int exitCode) {
  g_quitCode = exitCode;
  g_quitPosted = true;
  // A running loop is told now; one that has not started yet finds the mark.
  if (g_loopRunning) PostToUiThread([exitCode] { QCoreApplication::exit(exitCode); });
}

bool IsQuitPosted() { return g_quitPosted; }

BOOL CWinApp::InitInstance() { return TRUE; }

bool IsApplicationClosing() { return g_app && g_app->IsClosing(); }

void CWinApp::OnTerminationSignal() {
  BeginClose();
  PostQuitMessage(0);
}

int CWinApp::ExitInstance() {
  m_closeBegun = false;
  return m_exitCode;
}

int CWinApp::Run() {
  g_loopRunning = true;
  if (!g_quitPosted && QCoreApplication::instance()) QCoreApplication::exec();
  g_loopRunning = false;
  m_exitCode = g_quitCode;
  g_quitPosted = false;
  g_quitCode = 0;
  BeginClose();
  // An orderly end of the window tree (views shut their work down in WM_DESTROY)
  // before the application's own clean-up.
  if (m_pMainWnd && m_pMainWnd->GetSafeHwnd()) m_pMainWnd->DestroyWindow();
  m_pMainWnd = nullptr;
  // A quit posted by the main window's destruction is not for a later run.
  g_quitPosted = false;
  return ExitInstance();
}

BOOL CWinApp::OnCmdMsg(UINT id, int) {
  switch (id) {
    case ID_FILE_NEW: OnFileNew(); return TRUE;
    case ID_FILE_OPEN: OnFileOpen(); return TRUE;
    case ID_APP_EXIT:
      if (m_pMainWnd) m_pMainWnd->SendMessage(WM_CLOSE);
      return TRUE;
    default: return FALSE;
  }
}

BOOL CWinApp::OnUpdateCmdUI(CCmdUI*) { return FALSE; }

void CWinApp::OnFileNew() {
  if (!m_templates.empty()) m_templates.front()->OpenDocumentFile(std::string());
}

void CWinApp::OnFileOpen() {
  if (m_templates.empty()) return;
  const QString path = QFileDialog::getOpenFileName(m_pMainWnd ? m_pMainWnd->GetWidget() : nullptr);
  if (!path.isEmpty()) m_templates.front()->OpenDocumentFile(path.toStdString());
}

void CWinApp::AddDocTemplate(std::unique_ptr<CDocTemplate> docTemplate) { m_templates.push_back(std::move(docTemplate)); }

void CWinApp::CloseAllDocuments() {
  for (auto& docTemplate : m_templates) docTemplate->CloseAllDocuments();
}

void CWinApp::SetCommandLine(int argc, char** argv) {
  m_arguments.clear();
  for (int i = 1; i < argc; ++i) m_arguments.emplace_back(argv[i]);
}

void CWinApp::ParseCommandLine(CCommandLineInfo& info) const {
  info = CCommandLineInfo();
  for (const std::string& argument : m_arguments) {
    if (argument.empty() || argument[0] == '-') continue;  // Qt's own options
    info.m_nShellCommand = CCommandLineInfo::FileOpen;
    info.m_strFileName = argument;
    break;
  }
}

BOOL CWinApp::ProcessShellCommand(CCommandLineInfo& info) {
  switch (info.m_nShellCommand) {
    case CCommandLineInfo::FileNew:
      if (!OnCmdMsg(ID_FILE_NEW, 0)) OnFileNew();
      return m_pMainWnd ? TRUE : FALSE;
    case CCommandLineInfo::FileOpen:
      if (m_templates.empty()) return FALSE;
      return m_templates.front()->OpenDocumentFile(info.m_strFileName) ? TRUE : FALSE;
    default: return TRUE;
  }
}

void CWinApp::SetRegistryKey(const std::string& key) {
  m_pszRegistryKey = key;
  profile::SetRegistryKey(key);
}

int AfxWinMain(CWinApp& app, int argc, char** argv) {
  // Before the Qt application, which takes a while to make: a signal meanwhile
  // is kept for the start.
  TakeTerminationSignals();
  QApplication qtApplication(argc, argv);
  // Qt sets the user's locale; every number text of the system is locale-free.
  std::setlocale(LC_NUMERIC, "C");
  QApplication::setQuitOnLastWindowClosed(false);
  if (!app.m_pszAppName.empty()) QApplication::setApplicationName(QString::fromStdString(app.m_pszAppName));
  QtServices services;
  app.SetCommandLine(argc, argv);
  // From here to the end of the loop the worker cycles may run: an exit() from
  // inside (the display connection broke) must not run destructors under them.
  ArmExitInsideRunGuard();
  InstallTerminationSignals([&app] { app.OnTerminationSignal(); });
  int exitCode;
  if (TerminationSignalArrived()) {
    // Asked to end before the start began: nothing is started or written.
    exitCode = app.ExitInstance();
  } else if (!app.InitInstance()) {
    if (app.m_pMainWnd && app.m_pMainWnd->GetSafeHwnd()) app.m_pMainWnd->DestroyWindow();
    app.m_pMainWnd = nullptr;
    exitCode = app.ExitInstance();
  } else {
    exitCode = app.Run();
  }
  app.CloseAllDocuments();
  RemoveTerminationSignals();
  DisarmExitInsideRunGuard();
  EndRunAfterWorkers(exitCode);
  return exitCode;
}

void EndRunAfterWorkers(int exitCode) {
  // Static destructors must not run under a worker that would not stop.
  if (AbandonedWorkerCount() > 0) {
    RequestProcessExit(exitCode);
    return;
  }
  // A worker stops being counted only after its hand-over was posted.
  PumpPendingMessages();
}
