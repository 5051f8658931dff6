#pragma once
// The engine root: the one object per process that owns the plant's run-time
// services (the data center and its tags, one hardware linker engine per
// hardware type, the database connection and the alarm table, the settings
// file, the tag scout while it is open, the two worker cycles and the
// recording stopwatch). This base holds what does not depend on the plant; the
// plant's engine root derives from it and adds the tables, the outputs to
// switch off, the Demo simulation and the recipe-step supervisor.
//
// It answers both seams of the lower libraries (the data center's and the
// tables'); the plant's publication function registers it for both.
//
// Data sources: 0 None, 1 Demo, 2 Real HW. Every change goes through
// SetDataSourceType, which runs the new mode's steps and goes back to the
// previous mode when they fail (to None when that fails too).
//
// Cycles: thread 0, the data obtainer (Demo simulation, common data rule,
// window title), and thread 1, the process cycle; each pass starts at least
// 200 ms after the previous one. A class deriving from this one must stop the
// cycles (StopThreads) at the start of its destructor, since they call its
// operations.
//
// Threads: everything runs on the UI thread except the two cycles, which read
// the data source, the suspended flag (both atomic) and the title (under a
// mutex), and the seams, which may be asked from any thread.
#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "common/IniFile.h"
#include "datacenter/EngineServices.h"
#include "datacenter/RTimer.h"
#include "datacenter/ThreadEngine.h"
#include "platform/base/WinTypes.h"
#include "records/TableEngineServices.h"

class CADODatabase;
class CAlarmBaseRS;
class CDataCenterBase;
class CDialog;
class CHwLinkerEngine;
class CWnd;

class CRuvEngineBase : public IEngineServices, public ITableEngineServices {
 public:
  static constexpr int kHwTypeCount = 4;  // 0 "NULL", 1 "OPC", 2 "ADV", 3 "SRL"
  static constexpr int kDataObtainerThread = 0;
  static constexpr int kProcessThread = 1;
  static constexpr DWORD kCyclePaceMs = 200;
  static constexpr int kInitialRecordInterval = 60000;
  static constexpr UINT kScoutTemplateId = 3012;
  static constexpr UINT kScoutBringForwardMessage = 1026;
  static constexpr DWORD kScoutCloseSleepMs = 500;
  static constexpr const char* kSettingsSection = "Application";
  static constexpr const char* kPriorityKey = "ProcessPriority";
  static constexpr const char* kRecordIntervalKey = "RecordProcessInformationInterval";
  static constexpr const char* kConnectErrorText = "Error: RuvFrame cannot connect to real hardware devices!";
  static constexpr const char* kSuspendErrorText = "Error: Suspending Data Obtainer is NOT supported for OPC Tags!";
  // Stands after the build banner in the title while no banner suffix is set.
  static constexpr const char* kCreditText = " - Batch Plant Supervision and Control";

  // Makes the tag scout; registered from above (the scout lives over the grid).
  using ScoutDialogFactory = std::function<std::unique_ptr<CDialog>()>;
  static void SetScoutDialogFactory(ScoutDialogFactory factory);

  CRuvEngineBase();
  // Shuts down (cycles, links, data center), then closes the database.
  ~CRuvEngineBase() override;
  CRuvEngineBase(const CRuvEngineBase&) = delete;
  CRuvEngineBase& operator=(const CRuvEngineBase&) = delete;

  // --- life cycle ---
  // Priority, data center with the tag file (and the OPC stand-in's items), the
  // recording interval. 0 when the tag file did not load.
  virtual BOOL Initialize();
  // Scout, cycles, linker engines, data center; 1.
  virtual BOOL Shutdown();
  // The database beside the program; 0 when it is missing, read-only or does not open.
  virtual BOOL OpenDatabase();
  // OpenDatabase, then the alarm table (1 whatever its opening gave).
  virtual BOOL Init();
  // Scout, alarm table, database.
  virtual BOOL CloseDatabase();
  // Nothing here; the plant deletes its tables. Runs before a database goes.
  virtual BOOL DeleteRecordsets();

  // A box whose question and answer are logged in the alarm table; type -1
  // logs without a box and gives -1.
  virtual int LoggedMessageBox(const std::string& text, const std::string& caption, int type);
  // The priority class named by the settings ("High" for any unknown word).
  virtual BOOL ApplyProcessPriority();
  virtual CDataCenterBase* CreateDataCenter();
  // A new engine of the hardware type's class (1 OPC, 2 ADV, 3 SRL), none for others.
  virtual CHwLinkerEngine* CreateLinkerEngine(int hwType);

  // --- data sources ---
  virtual bool IsDemo() const;
  virtual bool IsRealHardware() const;
  // "None", "Demo", "Real HW" or "Unknown DataSourceType!", plus " [Suspended]" while suspended.
  virtual std::string GetDataSourceTypeText(int type) const;
  std::string GetDataSourceText() const override;
  int GetDataSourceType() const override;
  // 1 when the new mode's steps succeeded; on failure the previous mode is
  // restored once, and the type becomes None when that fails too.
  virtual BOOL SetDataSourceType(int type);
  // The flag, but false while it cannot be honoured (Real HW with OPC tags).
  bool IsSuspended() const override;
  // Refuses (box, flag false, 0) suspending while CanSuspend is false.
  virtual BOOL SetSuspended(bool suspended);
  virtual bool CanSuspend() const;
  // Switches every output of the plant off.
  virtual BOOL ResetOutputs() = 0;
  // Demo: clears the read-pending marks (0 unless the type is Demo).
  virtual BOOL PrepareDemoTags();
  // Real HW: sets the read-pending marks (0 unless the type is Real HW).
  virtual BOOL PrepareRealTags();
  // Outputs off, then the links stopped.
  virtual BOOL SwitchToNone();
  // Links stopped, then the Demo tags prepared; 1.
  virtual BOOL SwitchToDemo();
  // A plant that must refuse to stop its links says so here.
  virtual BOOL CanStopHardware();
  // Read marks, one engine per hardware type with tags (made once, started
  // every time), outputs off. The first failed start ends it with 0. A link
  // still stopping keeps its start and runs it once stopped: the outputs'
  // commands wait in their tags for it.
  virtual BOOL ConnectHardware();
  // Asks every engine to stop (they are kept for the next Real HW); 1. The
  // links' stops return at once and end on the links' own threads.
  virtual BOOL DisconnectHardware();
  // Every link has stopped: none is still stopping, starting or running.
  bool HaveLinksStopped() const;
  // The commands the links still have to write, as "5.5 for Line.Level".
  std::vector<std::string> NameCommandsNotWritten() const;

  // --- title ---
  virtual std::string GetAppTitle() const;
  virtual void SetAppTitle(const std::string& title);
  virtual std::string GetBuildBanner() const;
  // Also recomposes the title: build banner + GetBanner.
  virtual void SetBuildBanner(const std::string& banner);
  // The suffix, or the credit text while it is empty.
  virtual std::string GetBanner() const;
  virtual void SetBanner(const std::string& suffix);

  // --- cycles ---
  virtual BOOL StartThread(int index);
  virtual BOOL StopThread(int index);
  // Both are always tried; 1 only when both gave 1.
  virtual BOOL StartThreads();
  virtual BOOL StopThreads();
  // One pass of each cycle's work.
  virtual BOOL ProcessCycle() = 0;
  virtual BOOL SimulateDemo() = 0;
  virtual BOOL CommonDataCycle() = 0;
  virtual BOOL RealHardwareCycle();
  virtual BOOL MirrorDemoFeedback() = 0;

  // One whole pass of the data obtainer: the pace, the mode's work (unless
  // suspended), the common data rule, then the title of `titleWindow` (none: no title).
  void DataObtainerPass(CRTimer& stopwatch, CWnd* titleWindow);
  // The same, the title handed to `showTitle`.
  void DataObtainerPass(CRTimer& stopwatch, const std::function<void(const std::string&)>& showTitle);
  // One whole pass of the process cycle: the pace, then ProcessCycle.
  void ProcessCyclePass(CRTimer& stopwatch);
  CThreadEngine& GetCycleThread(int index) { return m_threads.at(static_cast<std::size_t>(index)); }
  // A cycle that did not stop in time still runs: this object must then never
  // be deleted (shut-down ends the process instead).
  bool HasAbandonedCycle() const;

  // --- files ---
  // The prefix and the four names: "-DataBase.mdb", "-DCTags.dct",
  // "-Setting.ini" (also given to the settings file), "-ProcessRecovery.dat".
  void SetFilePaths(const std::string& prefix);
  // The settings-file name a prefix gives (what SetFilePaths would set), so the
  // file can be checked before the engine is given it.
  static std::string SettingsFileNameOf(const std::string& prefix);
  std::string GetFilePrefix() const;
  std::string GetDatabaseFileName() const;
  std::string GetTagFileName() const;
  std::string GetSettingsFileName() const override;
  std::string GetRecoveryFileName() const;
  CIniFile* GetIniFile() const override { return &m_iniFile; }

  // --- owned services ---
  CDataCenterBase* GetDataCenter() const override { return m_pDataCenter.load(); }
  CDataCenterBase* GetDataCenterPtr() const { return m_pDataCenter.load(); }
  CADODatabase* GetDatabase() const { return m_pDatabase.get(); }
  CAlarmBaseRS* GetAlarmTable() const { return m_pAlarmTable.get(); }
  // Types 0 to 3; none for any other.
  CHwLinkerEngine* GetLinkerEngine(int hwType) const;
  // Takes the engine (an engine stored before is destroyed); FALSE for a type
  // outside 0 to 3, and the caller keeps the engine.
  BOOL SetLinkerEngine(int hwType, CHwLinkerEngine* engine);

  // --- the plant form ---
  // Stores the owner view, then starts both cycles.
  void AttachView(CWnd* view);
  // The view is going: nothing answers as the plant form any more (the cycles stay as they are).
  void DetachView() { m_pOwnerView.store(nullptr); }
  CWnd* GetOwnerView() const { return m_pOwnerView.load(); }

  // Seconds between the plant form's recordings (0: none).
  int GetRecordInterval() const { return m_recordInterval.load(); }
  // The absolute value (INT_MAX for INT_MIN); a change is written to the settings.
  void SetRecordInterval(int seconds);
  CRTimer& GetRecordStopwatch() { return m_recordStopwatch; }

  // --- tag scout ---
  // Brings a live scout forward (restore, message 1026); otherwise makes one.
  void ShowScoutDialog();
  // Destroys and deletes the scout, then waits 500 ms; nothing without one.
  void CloseScoutDialog();
  CDialog* GetScoutDialog() const { return m_pScoutDlg.get(); }

  // The priority class of a "ProcessPriority" text (exact words).
  static DWORD PriorityClassOf(const std::string& text);

 private:
  void InitFields();
  // A copy of one of the texts, taken under their lock.
  std::string LockedCopy(const std::string& text) const;
  // Deletes the tables, the alarm table and the database (in that order).
  void ReleaseDatabase();
  // The links go first, then the data center whose tags they serve (after
  // the last link a write keeps alive, see CHwLinkerEngine::Release).
  void DeleteLinkerEnginesAndDataCenter();
  // The mode's steps for `type` (the type stored first); the connect box at most once.
  bool ApplyDataSourceType(int type, bool& connectBoxShown);
  static UINT DataObtainerProc(CThreadEngine* thread);
  static UINT ProcessProc(CThreadEngine* thread);
  static void Pace(CRTimer& stopwatch, DWORD& elapsed);

  mutable std::mutex m_textMutex;  // file names, title, banners
  std::string m_strFilePrefix;
  std::string m_strDatabaseFileName;
  std::string m_strTagFileName;
  std::string m_strSettingsFileName;
  std::string m_strRecoveryFileName;
  std::string m_strAppTitle;
  std::string m_strBuildBanner;
  std::string m_strBannerSuffix;

  std::atomic<CDataCenterBase*> m_pDataCenter{nullptr};  // owned
  std::unique_ptr<CDialog> m_pScoutDlg;
  std::atomic<int> m_nDataSourceType{0};
  std::atomic<bool> m_bSuspended{false};
  std::atomic<CWnd*> m_pOwnerView{nullptr};
  std::unique_ptr<CADODatabase> m_pDatabase;
  std::unique_ptr<CAlarmBaseRS> m_pAlarmTable;
  std::array<CHwLinkerEngine*, kHwTypeCount> m_linkerEngines{};  // owned
  std::array<bool, kHwTypeCount> m_linkerEngineMade{};           // made once per type
  bool m_connectFailureTold = false;  // the link that failed the last connection told why
  std::array<CThreadEngine, 2> m_threads;
  mutable CIniFile m_iniFile;
  CRTimer m_recordStopwatch;
  std::atomic<int> m_recordInterval{kInitialRecordInterval};
};
