#pragma once
// The application object: one per process, built before the Qt application
// exists. AfxWinMain makes the Qt application, installs the Qt services, runs
// InitInstance and then the message loop (Run), and ends with ExitInstance.
//
// PostQuitMessage works from any thread and at any time: a quit posted before
// the loop starts (during InitInstance, say) still ends the run, with its code.
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/CWnd.h"

class CDocTemplate;
class CDocument;

struct CCommandLineInfo {
  enum ShellCommand { FileNew, FileOpen, FileNothing };
  ShellCommand m_nShellCommand = FileNew;
  std::string m_strFileName;
};

class CWinApp {
 public:
  explicit CWinApp(std::string appName = std::string());
  virtual ~CWinApp();
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  // TRUE to run the message loop.
  virtual BOOL InitInstance();
  // The process's exit code: by default the code of the quit that ended the loop.
  virtual int ExitInstance();
  // The message loop; returns ExitInstance's code. The main window, if still
  // there when the loop ends, is destroyed first.
  virtual int Run();

  // A termination signal came (see TerminationSignals.h): the close without
  // the question. By default the loop ends, and with it the main window (its
  // orderly end) and then ExitInstance, with code 0.
  virtual void OnTerminationSignal();

  // The application's close has begun (the close confirmed, a termination
  // signal, or the loop ended): from then on the frames refuse every command
  // and the main window's close asks nothing, while the close waits for its
  // workers. A new run starts without it (ExitInstance ends it).
  void BeginClose() { m_closeBegun = true; }
  bool IsClosing() const { return m_closeBegun; }

  // Application commands (new, open, exit); TRUE when handled.
  virtual BOOL OnCmdMsg(UINT id, int code);
  virtual BOOL OnUpdateCmdUI(CCmdUI* cmdUI);
  virtual void OnFileNew();
  virtual void OnFileOpen();

  void AddDocTemplate(std::unique_ptr<CDocTemplate> docTemplate);
  const std::vector<std::unique_ptr<CDocTemplate>>& DocTemplates() const { return m_templates; }
  void CloseAllDocuments();

  void SetCommandLine(int argc, char** argv);
  void ParseCommandLine(CCommandLineInfo& info) const;
  BOOL ProcessShellCommand(CCommandLineInfo& info);

  // The profile (the stand-in for the registry) lives under this key.
  void SetRegistryKey(const std::string& key);
  void LoadStdProfileSettings(UINT maxRecentFiles = 4) { m_maxRecentFiles = maxRecentFiles; }
  void EnableControlContainer() {}
  HCURSOR LoadStandardCursor(HCURSOR id) const { return ::LoadStandardCursor(id); }

  CWnd* m_pMainWnd = nullptr;
  std::string m_pszAppName;
  std::string m_pszRegistryKey;

 protected:
  int m_exitCode = 0;
  std::vector<std::string> m_arguments;
  UINT m_maxRecentFiles = 4;

 private:
  bool m_closeBegun = false;
  std::vector<std::unique_ptr<CDocTemplate>> m_templates;
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
// The application's title: the caption of boxes that name none.
std::string AfxGetAppTitle();

// True once the application's close has begun (see CWinApp::BeginClose).
bool IsApplicationClosing();

// Ends the message loop with `exitCode` (any thread, any time).
void PostQuitMessage(int exitCode);
// True while a quit is posted and the loop has not consumed it.
bool IsQuitPosted();

// The last step of the application's end, after its orderly steps: while a
// worker given up on is still inside, the process ends here through the exit
// hook with `exitCode`, freeing nothing it may use. Otherwise every worker that
// was given up on has left and has posted what it handed back (see
// CThreadEngine::HandOverToWorker): that is run now, while the Qt application
// exists, and not left to the static destructors of the UI queue.
void EndRunAfterWorkers(int exitCode);

// The whole run of the application: Qt application, services, the termination
// signals' handlers, InitInstance, Run.
int AfxWinMain(CWinApp& app, int argc, char** argv);
