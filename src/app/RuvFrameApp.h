#pragma once
// The application object. Its start: the single-instance check, the splash,
// the general process data and the engine root, the settings file and the
// shapes' settings table, the recovery path, then the main frame and the one
// plant document with its child frame and form (kept the only one), maximised.
// Its exit deletes what the start made outside the window tree. It also carries
// the about box and the tag scout commands.
#include <memory>

#include "platform/ui/CWinApp.h"

class CRuvEngineApp;
class C_ProcessDataGen;
class CSplashDriver;
class FileInUseLock;

inline constexpr const char* kFilePrefix = "Qelo";
// The single-instance and profile name: "RuvFrame " followed by the prefix.
inline constexpr const char* kRegistryName = "RuvFrame Qelo";
inline constexpr const char* kAlreadyRunningText = "RuvFrame Qelo already running!";
inline constexpr const char* kSettingsFileLabel = "Setting";
inline constexpr UINT ID_SHOW_DATACENTER_SCOUT = 40001;
// The exit code of every refused start: another copy runs in this login
// session, the settings file is missing, read-only or no file, or the
// database is open in another program.
inline constexpr int kRefusedStartExitCode = 1;
// The file beside the database whose lock says it is open (never one of
// SQLite's own names, never deleted).
inline constexpr const char* kDatabaseInUseSuffix = ".inuse";
// The boxes of a start refused by it: the text, the path, and for
// kDatabaseLockFileText and kDatabaseNoLocksText the system's words in brackets.
inline constexpr const char* kDatabaseInUseText = "DataBase file is open in another RuvFrame program!\n";
inline constexpr const char* kDatabaseInUseAdvice =
    "\nOnly one program at a time may use it, whoever runs it and on whichever computer: close the other one first.";
inline constexpr const char* kDatabaseLockFileText = "DataBase lock file cannot be opened!\n";
// Something else at the lock file's name (a link, a pipe, a device, a folder):
// the text, the path, what lies there in brackets, and the advice.
inline constexpr const char* kDatabaseLockNotOwnText =
    "DataBase lock file is not a file of its own, and is left as it is!\n";
inline constexpr const char* kDatabaseLockNotOwnAdvice =
    "\nTake it away: the next start makes a file of its own there.";
inline constexpr const char* kDatabaseNoLocksText =
    "DataBase file's folder cannot lock files, so nothing keeps a second program off the database!\n";

class CRuvFrameApp : public CWinApp {
 public:
  CRuvFrameApp();
  ~CRuvFrameApp() override;
  // FALSE when the start ends: another instance runs, the settings file is
  // missing or read-only, the database is open in another program (of any
  // user or computer), or the main frame or the plant document cannot be made.
  BOOL InitInstance() override;
  // Deletes the engine root (after publishing none), the general process data
  // and the shapes' settings table, whatever the start got to. The code is
  // kRefusedStartExitCode after a start the settings file or the database's
  // lock refused. The database's lock goes last.
  int ExitInstance() override;
  // The close a termination signal asks for: as the confirmed close, without the question.
  void OnTerminationSignal() override;
  // The about box (ID_APP_ABOUT) and the tag scout (40001), then the framework's.
  BOOL OnCmdMsg(UINT id, int code) override;
  // New and Open show the plant form that exists: a second one would start
  // the plant engine a second time.
  void OnFileNew() override;
  void OnFileOpen() override;
  void OnAppAbout();
  void OnShowScout();

  // The plant document, its template and its frame (none before the first New).
  CDocument* PlantDocument() const;
  static std::unique_ptr<CDocTemplate> MakePlantTemplate();
  // The splash while it runs (none before the start and once it ended).
  CSplashDriver* GetSplashDriver() const;

 private:
  bool ActivateExistingPlantForm();
  // The lock that keeps the database to this program; false (after its box)
  // when the start must end.
  bool TakeDatabaseLock();
  // The engine root and the process data go to the engine's abandoned cycles:
  // freed once the last of them has left, never before.
  void HandOverToAbandonedCycles();
  // The start ends here: the splash goes with it.
  BOOL EndStart();
  void StepSplash();

  // First, so that it goes after everything that may write the database.
  std::unique_ptr<FileInUseLock> m_databaseLock;
  std::unique_ptr<CSplashDriver> m_splash;
  std::unique_ptr<C_ProcessDataGen> m_processData;
  std::unique_ptr<CRuvEngineApp> m_engine;
};

extern CRuvFrameApp theApp;
