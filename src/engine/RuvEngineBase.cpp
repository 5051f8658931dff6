#include "engine/RuvEngineBase.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <memory>

#include "common/Conversions.h"
#include "common/ProcessUtils.h"
#include "common/TimeAndKeys.h"
#include "datacenter/DCTagTypes.h"
#include "datacenter/DataCenterBase.h"
#include "links/AdvantechLinkerEngine.h"
#include "links/HwLinkerEngine.h"
#include "links/OpcLinkerEngine.h"
#include "links/OpcStandInAddressSpace.h"
#include "links/SerialLinkerEngine.h"
#include "platform/base/Clock.h"
#include "platform/base/MessageBoxService.h"
#include "platform/base/ProcessPriority.h"
#include "platform/base/Text.h"
#include "platform/ui/CDialog.h"
#include "platform/ui/CWaitCursor.h"
#include "platform/ui/CWinApp.h"
#include "records/AdoDatabase.h"
#include "records/AdoException.h"
#include "records/AlarmBaseRS.h"

namespace {

std::mutex g_scoutFactoryMutex;
CRuvEngineBase::ScoutDialogFactory g_scoutFactory;

CRuvEngineBase::ScoutDialogFactory ScoutFactory() {
  std::lock_guard<std::mutex> lock(g_scoutFactoryMutex);
  return g_scoutFactory;
}

bool IsHwType(int hwType) { return hwType >= 0 && hwType < CRuvEngineBase::kHwTypeCount; }

// A linker engine is a window: it goes on the UI thread, window first; one whose
// polling worker was given up is freed by that worker as it leaves.
void DestroyLinkerEngine(CHwLinkerEngine* engine) { CHwLinkerEngine::Release(engine); }

}  // namespace

void CRuvEngineBase::SetScoutDialogFactory(ScoutDialogFactory factory) {
  std::lock_guard<std::mutex> lock(g_scoutFactoryMutex);
  g_scoutFactory = std::move(factory);
}

// ---------------------------------------------------------------- life cycle

CRuvEngineBase::CRuvEngineBase() { InitFields(); }

CRuvEngineBase::~CRuvEngineBase() {
  CRuvEngineBase::Shutdown();
  CRuvEngineBase::CloseDatabase();
}

void CRuvEngineBase::InitFields() {
  m_recordStopwatch.Start();
  m_pOwnerView.store(nullptr);
  m_pDataCenter.store(nullptr);
  m_nDataSourceType.store(eDataSourceNone);
  m_bSuspended.store(false);
  m_linkerEngines.fill(nullptr);
  m_linkerEngineMade.fill(false);
  for (CThreadEngine& thread : m_threads) thread.SetOwner(this);
  m_threads[kDataObtainerThread].SetThreadProc(&CRuvEngineBase::DataObtainerProc);
  m_threads[kProcessThread].SetThreadProc(&CRuvEngineBase::ProcessProc);
  m_recordInterval.store(kInitialRecordInterval);
}

BOOL CRuvEngineBase::Initialize() {
  ApplyProcessPriority();
  // Called once at start-up; a second call starts from a fresh data center, and
  // the links built on the old one's tags go with it.
  DeleteLinkerEnginesAndDataCenter();
  CDataCenterBase* dataCenter = CreateDataCenter();
  m_pDataCenter.store(dataCenter);
  if (!dataCenter || dataCenter->LoadTagFile(GetTagFileName()) != eDCSuccess) return FALSE;
  // The OPC server stand-in serves the file's OPC tags; an item it cannot
  // serve shows up when the link adds it, so the result changes nothing here.
  FillOpcStandInFromTags(*dataCenter);
  std::string interval;
  m_iniFile.ReadString(kSettingsSection, kRecordIntervalKey, interval, "60");
  SetRecordInterval(TextToInt(interval));
  return TRUE;
}

BOOL CRuvEngineBase::Shutdown() {
  CloseScoutDialog();
  StopThreads();
  // A cycle given up on still reads the tags and drives the links: they stay
  // until the process ends.
  if (HasAbandonedCycle()) return TRUE;
  DeleteLinkerEnginesAndDataCenter();
  return TRUE;
}

BOOL CRuvEngineBase::OpenDatabase() {
  const std::string path = GetModuleFolder() + GetDatabaseFileName();
  if (!CheckFileWritable("DataBase", path)) return FALSE;
  const std::string connection = ruv::Format("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=\"%s\"", path.c_str());
  // Whatever used the old connection goes before it does.
  ReleaseDatabase();
  m_pDatabase = std::make_unique<CADODatabase>();
  try {
    return m_pDatabase->Open(connection, std::string(), std::string()) ? TRUE : FALSE;
  } catch (const CADOException& error) {
    AfxMessageBox(error.GetErrorMessage(), MB_OK);
    return FALSE;
  }
}

BOOL CRuvEngineBase::Init() {
  if (!OpenDatabase()) return FALSE;
  m_pAlarmTable.reset();
  auto alarmTable = std::make_unique<CAlarmBaseRS>();
  alarmTable->SetDatabase(m_pDatabase.get());
  if (CWnd* view = GetOwnerView()) alarmTable->SetOwnerWnd(view->GetSafeHwnd());
  alarmTable->SetSourceAndReopen("Alarm");
  m_pAlarmTable = std::move(alarmTable);
  return TRUE;
}

BOOL CRuvEngineBase::CloseDatabase() {
  CloseScoutDialog();
  m_pAlarmTable.reset();
  m_pDatabase.reset();
  return TRUE;
}

BOOL CRuvEngineBase::DeleteRecordsets() { return TRUE; }

void CRuvEngineBase::ReleaseDatabase() {
  DeleteRecordsets();
  m_pAlarmTable.reset();
  m_pDatabase.reset();
}

void CRuvEngineBase::DeleteLinkerEnginesAndDataCenter() {
  // Each link holds a share of the data center until it is deleted: a link
  // inside a write goes only when the write returns, and the write still
  // handles its tags.
  const std::shared_ptr<CDataCenterBase> dataCenter(m_pDataCenter.exchange(nullptr));
  for (int type = 0; type < kHwTypeCount; ++type) {
    CHwLinkerEngine* engine = m_linkerEngines[static_cast<std::size_t>(type)];
    m_linkerEngines[static_cast<std::size_t>(type)] = nullptr;
    m_linkerEngineMade[static_cast<std::size_t>(type)] = false;
    CHwLinkerEngine::Release(engine, [share = dataCenter] {});
  }
}

int CRuvEngineBase::LoggedMessageBox(const std::string& text, const std::string& caption, int type) {
  CAlarmBaseRS* alarmTable = m_pAlarmTable.get();
  bool logged = false;
  auto logQuestion = [&](const std::string& response) {
    if (!alarmTable) return;
    CAlarmBaseRS::CSTFields& row = alarmTable->Scratch();
    row.Reset();
    row.SetAlarmName(caption);
    row.SetAlarmDescription(text);
    row.SetUserResponse(response);
    logged = alarmTable->AddNew();
  };
  if (type == -1) {
    logQuestion(MsgBoxResultText(-1));
    return -1;
  }
  logQuestion("Waiting?");
  const std::string fullCaption = caption + " - " + GetAppModuleName() + " " + GetNowTimeText();
  const int answer = ShowMessageBox(text, fullCaption, static_cast<UINT>(type));
  // Only the row just added is current; any other row must not take the answer.
  if (logged) {
    alarmTable->Current().SetAlarmResponseDateTime(GetNowDate());
    alarmTable->Current().SetUserResponse(MsgBoxResultText(answer));
    alarmTable->SaveCurrent();
  }
  return answer;
}

DWORD CRuvEngineBase::PriorityClassOf(const std::string& text) {
  if (text == "AboveNormal") return ABOVE_NORMAL_PRIORITY_CLASS;
  if (text == "Normal") return NORMAL_PRIORITY_CLASS;
  if (text == "BelowNormal") return BELOW_NORMAL_PRIORITY_CLASS;
  return HIGH_PRIORITY_CLASS;  // "High" and every other text
}

BOOL CRuvEngineBase::ApplyProcessPriority() {
  std::string text;
  m_iniFile.ReadString(kSettingsSection, kPriorityKey, text, std::string());
  // A refused priority (it needs privileges) changes nothing else.
  SetPriorityClass(PriorityClassOf(text));
  return TRUE;
}

CDataCenterBase* CRuvEngineBase::CreateDataCenter() { return new CDataCenterBase(); }

CHwLinkerEngine* CRuvEngineBase::CreateLinkerEngine(int hwType) {
  switch (hwType) {
    case eHWOpc: return new COpcLinkerEngine();
    case eHWAdv: return new CAdvantechLinkerEngine();
    case eHWSerial: return new CSerialLinkerEngine();
    default: return nullptr;
  }
}

CHwLinkerEngine* CRuvEngineBase::GetLinkerEngine(int hwType) const {
  return IsHwType(hwType) ? m_linkerEngines[static_cast<std::size_t>(hwType)] : nullptr;
}

BOOL CRuvEngineBase::SetLinkerEngine(int hwType, CHwLinkerEngine* engine) {
  if (!IsHwType(hwType)) return FALSE;
  CHwLinkerEngine*& slot = m_linkerEngines[static_cast<std::size_t>(hwType)];
  if (slot != engine) DestroyLinkerEngine(slot);
  slot = engine;
  return TRUE;
}

// ---------------------------------------------------------------- data sources

bool CRuvEngineBase::IsDemo() const { return GetDataSourceType() == eDataSourceDemo; }

bool CRuvEngineBase::IsRealHardware() const { return GetDataSourceType() == eDataSourceRealHW; }

int CRuvEngineBase::GetDataSourceType() const { return m_nDataSourceType.load(); }

std::string CRuvEngineBase::GetDataSourceTypeText(int type) const {
  std::string text;
  switch (type) {
    case eDataSourceNone: text = "None"; break;
    case eDataSourceDemo: text = "Demo"; break;
    case eDataSourceRealHW: text = "Real HW"; break;
    default: text = "Unknown DataSourceType!"; break;
  }
  if (IsSuspended()) text += " [Suspended]";
  return text;
}

std::string CRuvEngineBase::GetDataSourceText() const { return GetDataSourceTypeText(GetDataSourceType()); }

bool CRuvEngineBase::ApplyDataSourceType(int type, bool& connectBoxShown) {
  // Set first: a data-obtainer pass starting meanwhile already works for the new mode.
  m_nDataSourceType.store(type);
  // A flag the new mode cannot honour (Real HW with OPC tags) is cleared silently.
  SetSuspended(IsSuspended());
  switch (type) {
    case eDataSourceNone: return SwitchToNone() != FALSE;
    case eDataSourceDemo: return SwitchToDemo() != FALSE;
    case eDataSourceRealHW: {
      const bool connected = ConnectHardware() != FALSE;
      if (!connected && !connectBoxShown) {
        connectBoxShown = true;
        // A link that told why it could not start has said it all.
        if (!m_connectFailureTold) ShowMessageBox(kConnectErrorText, std::string(), MB_OK | MB_ICONSTOP | MB_SYSTEMMODAL);
      }
      return connected;
    }
    default: return false;
  }
}

BOOL CRuvEngineBase::SetDataSourceType(int type) {
  CWaitCursor wait;
  const int previous = GetDataSourceType();
  bool connectBoxShown = false;
  if (ApplyDataSourceType(type, connectBoxShown)) return TRUE;
  // Back to the previous mode, once: retrying the same mode (Real HW again)
  // would only fail again. When that fails too, nothing runs: None.
  int lastTried = type;
  if (previous != type) {
    if (ApplyDataSourceType(previous, connectBoxShown)) return FALSE;
    lastTried = previous;
  }
  if (lastTried != eDataSourceNone) ApplyDataSourceType(eDataSourceNone, connectBoxShown);
  m_nDataSourceType.store(eDataSourceNone);
  return FALSE;
}

bool CRuvEngineBase::CanSuspend() const {
  if (GetDataSourceType() != eDataSourceRealHW) return true;
  const CDataCenterBase* dataCenter = GetDataCenter();
  return !dataCenter || !dataCenter->HasOpcTags();
}

bool CRuvEngineBase::IsSuspended() const { return m_bSuspended.load() && CanSuspend(); }

BOOL CRuvEngineBase::SetSuspended(bool suspended) {
  if (suspended && !CanSuspend()) {
    ShowMessageBox(kSuspendErrorText, std::string(), MB_OK | MB_ICONSTOP | MB_SYSTEMMODAL);
    m_bSuspended.store(false);
    return FALSE;
  }
  m_bSuspended.store(suspended);
  return TRUE;
}

BOOL CRuvEngineBase::PrepareDemoTags() {
  if (!IsDemo()) return FALSE;
  if (CDataCenterBase* dataCenter = GetDataCenter()) dataCenter->SetAllReadPending(FALSE);
  return TRUE;
}

BOOL CRuvEngineBase::PrepareRealTags() {
  if (!IsRealHardware()) return FALSE;
  if (CDataCenterBase* dataCenter = GetDataCenter()) dataCenter->SetAllReadPending(TRUE);
  return TRUE;
}

BOOL CRuvEngineBase::SwitchToNone() {
  // Outputs off while the links can still carry the writes.
  if (!ResetOutputs()) return FALSE;
  // Those no link carried (none ran) are no operator's commands to tell of at
  // the next start, which sets the outputs off again itself.
  if (CDataCenterBase* dataCenter = GetDataCenter()) dataCenter->ForgetCommandsGivenWithoutLink();
  if (!CanStopHardware()) return FALSE;
  return DisconnectHardware() ? TRUE : FALSE;
}

BOOL CRuvEngineBase::SwitchToDemo() {
  if (!DisconnectHardware()) return FALSE;
  PrepareDemoTags();
  return TRUE;
}

BOOL CRuvEngineBase::CanStopHardware() { return TRUE; }

BOOL CRuvEngineBase::ConnectHardware() {
  m_connectFailureTold = false;
  if (!CanStopHardware()) return FALSE;
  PrepareRealTags();
  CDataCenterBase* dataCenter = GetDataCenter();
  for (int type = 0; type < kHwTypeCount; ++type) {
    const auto index = static_cast<std::size_t>(type);
    if (!m_linkerEngines[index] && !m_linkerEngineMade[index] && dataCenter && dataCenter->HasHwType(type)) {
      m_linkerEngines[index] = CreateLinkerEngine(type);
      m_linkerEngineMade[index] = true;
    }
    // Links started before a failure keep running until the next mode stops them.
    if (m_linkerEngines[index] && !m_linkerEngines[index]->Start()) {
      m_connectFailureTold = m_linkerEngines[index]->IsStartFailureTold();
      return FALSE;
    }
  }
  return ResetOutputs() ? TRUE : FALSE;
}

BOOL CRuvEngineBase::DisconnectHardware() {
  for (CHwLinkerEngine* engine : m_linkerEngines)
    if (engine) engine->Stop();
  return TRUE;
}

bool CRuvEngineBase::HaveLinksStopped() const {
  return std::all_of(m_linkerEngines.begin(), m_linkerEngines.end(), [](const CHwLinkerEngine* engine) {
    return !engine || (engine->GetLinkState() == CHwLinkerEngine::LinkState::kStopped && !engine->IsStartKept());
  });
}

std::vector<std::string> CRuvEngineBase::NameCommandsNotWritten() const {
  std::vector<std::string> named;
  for (const CHwLinkerEngine* engine : m_linkerEngines) {
    if (!engine) continue;
    const std::vector<std::string> ofLink = engine->NameCommandsNotWritten();
    named.insert(named.end(), ofLink.begin(), ofLink.end());
  }
  return named;
}

// ---------------------------------------------------------------- title

std::string CRuvEngineBase::LockedCopy(const std::string& text) const {
  std::lock_guard<std::mutex> lock(m_textMutex);
  return text;
}

std::string CRuvEngineBase::GetAppTitle() const { return LockedCopy(m_strAppTitle); }

void CRuvEngineBase::SetAppTitle(const std::string& title) {
  std::lock_guard<std::mutex> lock(m_textMutex);
  m_strAppTitle = title;
}

std::string CRuvEngineBase::GetBuildBanner() const { return LockedCopy(m_strBuildBanner); }

void CRuvEngineBase::SetBuildBanner(const std::string& banner) {
  {
    std::lock_guard<std::mutex> lock(m_textMutex);
    m_strBuildBanner = banner;
  }
  SetAppTitle(GetBuildBanner() + GetBanner());
}

std::string CRuvEngineBase::GetBanner() const {
  std::lock_guard<std::mutex> lock(m_textMutex);
  return m_strBannerSuffix.empty() ? std::string(kCreditText) : m_strBannerSuffix;
}

void CRuvEngineBase::SetBanner(const std::string& suffix) {
  {
    std::lock_guard<std::mutex> lock(m_textMutex);
    m_strBannerSuffix = suffix;
  }
  SetAppTitle(GetBuildBanner() + GetBanner());
}

// ---------------------------------------------------------------- cycles

BOOL CRuvEngineBase::StartThread(int index) {
  if (index != kDataObtainerThread && index != kProcessThread) return FALSE;
  return m_threads[static_cast<std::size_t>(index)].Start() ? TRUE : FALSE;
}

BOOL CRuvEngineBase::StopThread(int index) {
  if (index != kDataObtainerThread && index != kProcessThread) return FALSE;
  return m_threads[static_cast<std::size_t>(index)].Stop() ? TRUE : FALSE;
}

BOOL CRuvEngineBase::StartThreads() {
  const BOOL dataObtainer = StartThread(kDataObtainerThread);
  const BOOL process = StartThread(kProcessThread);
  return dataObtainer && process ? TRUE : FALSE;
}

BOOL CRuvEngineBase::StopThreads() {
  const BOOL dataObtainer = StopThread(kDataObtainerThread);
  const BOOL process = StopThread(kProcessThread);
  return dataObtainer && process ? TRUE : FALSE;
}

BOOL CRuvEngineBase::RealHardwareCycle() { return TRUE; }

bool CRuvEngineBase::HasAbandonedCycle() const {
  return std::any_of(m_threads.begin(), m_threads.end(), [](const CThreadEngine& t) { return t.IsAbandoned(); });
}

void CRuvEngineBase::Pace(CRTimer& stopwatch, DWORD& elapsed) {
  // The stopwatch restarts after the sleep: a slow pass is not made up, and the
  // next elapsed time is the working time of this pass.
  elapsed = stopwatch.GetElapsedMs();
  if (elapsed < kCyclePaceMs) Sleep(kCyclePaceMs - elapsed);
  stopwatch.Restart();
}

void CRuvEngineBase::DataObtainerPass(CRTimer& stopwatch, CWnd* titleWindow) {
  DataObtainerPass(stopwatch, [titleWindow](const std::string& title) {
    if (titleWindow) titleWindow->SetWindowText(title);
  });
}

void CRuvEngineBase::DataObtainerPass(CRTimer& stopwatch, const std::function<void(const std::string&)>& showTitle) {
  DWORD elapsed = 0;
  Pace(stopwatch, elapsed);
  if (!IsSuspended()) {
    switch (GetDataSourceType()) {
      case eDataSourceDemo:
        SimulateDemo();
        MirrorDemoFeedback();
        break;
      case eDataSourceRealHW: RealHardwareCycle(); break;
      default: break;
    }
  }
  CommonDataCycle();
  const DWORD period = std::min<DWORD>(std::max(elapsed, kCyclePaceMs), static_cast<DWORD>(INT_MAX));
  showTitle(GetAppTitle() + ruv::Format(" [Refresh = %d ms]", static_cast<int>(period)));
}

void CRuvEngineBase::ProcessCyclePass(CRTimer& stopwatch) {
  DWORD elapsed = 0;
  Pace(stopwatch, elapsed);
  ProcessCycle();
}

UINT CRuvEngineBase::DataObtainerProc(CThreadEngine* thread) {
  thread->SetRunning(true);
  auto* engine = static_cast<CRuvEngineBase*>(thread->GetOwner());
  // The main window by its handle, never by its object: a cycle given up on at
  // the close outlives the frame.
  const CWnd* mainWindow = AfxGetMainWnd();
  const HWND titleHandle = mainWindow ? mainWindow->GetSafeHwnd() : nullptr;
  std::string shownTitle;
  const auto showTitle = [titleHandle, &shownTitle](const std::string& title) {
    // The same title pass after pass is not posted again (each would redraw the window).
    if (!titleHandle || title == shownTitle) return;
    shownTitle = title;
    PostToUiThread([titleHandle, title] {
      if (CWnd* window = CWnd::FromHandle(titleHandle)) window->SetWindowText(title);
    });
  };
  CRTimer stopwatch;
  stopwatch.Start();
  while (thread->IsKeepRunning()) engine->DataObtainerPass(stopwatch, showTitle);
  thread->SetRunning(false);
  return 0;
}

UINT CRuvEngineBase::ProcessProc(CThreadEngine* thread) {
  thread->SetRunning(true);
  auto* engine = static_cast<CRuvEngineBase*>(thread->GetOwner());
  CRTimer stopwatch;
  stopwatch.Start();
  while (thread->IsKeepRunning()) engine->ProcessCyclePass(stopwatch);
  thread->SetRunning(false);
  return 0;
}

// ---------------------------------------------------------------- files, view, interval

void CRuvEngineBase::SetFilePaths(const std::string& prefix) {
  std::string settingsFileName;
  {
    std::lock_guard<std::mutex> lock(m_textMutex);
    m_strFilePrefix = prefix;
    m_strDatabaseFileName = prefix + "-DataBase.mdb";
    m_strTagFileName = prefix + "-DCTags.dct";
    m_strSettingsFileName = SettingsFileNameOf(prefix);
    m_strRecoveryFileName = prefix + "-ProcessRecovery.dat";
    settingsFileName = m_strSettingsFileName;
  }
  m_iniFile.SetPath(settingsFileName);
}

std::string CRuvEngineBase::SettingsFileNameOf(const std::string& prefix) { return prefix + "-Setting.ini"; }

std::string CRuvEngineBase::GetFilePrefix() const { return LockedCopy(m_strFilePrefix); }

std::string CRuvEngineBase::GetDatabaseFileName() const { return LockedCopy(m_strDatabaseFileName); }

std::string CRuvEngineBase::GetTagFileName() const { return LockedCopy(m_strTagFileName); }

std::string CRuvEngineBase::GetSettingsFileName() const { return LockedCopy(m_strSettingsFileName); }

std::string CRuvEngineBase::GetRecoveryFileName() const { return LockedCopy(m_strRecoveryFileName); }

void CRuvEngineBase::AttachView(CWnd* view) {
  m_pOwnerView.store(view);
  StartThreads();
}

void CRuvEngineBase::SetRecordInterval(int seconds) {
  const int interval = seconds == INT_MIN ? INT_MAX : std::abs(seconds);
  if (interval == m_recordInterval.load()) return;
  m_recordInterval.store(interval);
  m_iniFile.WriteInt(kSettingsSection, kRecordIntervalKey, interval);
}

// ---------------------------------------------------------------- tag scout

void CRuvEngineBase::ShowScoutDialog() {
  if (m_pScoutDlg) {
    if (IsWindow(m_pScoutDlg->GetSafeHwnd())) {
      m_pScoutDlg->SetForegroundWindow();
      m_pScoutDlg->ShowWindow(SW_RESTORE);
      m_pScoutDlg->PostMessage(kScoutBringForwardMessage, 0, 0);
      return;
    }
    CloseScoutDialog();
  }
  ScoutDialogFactory factory = ScoutFactory();
  if (!factory) return;  // no scout registered: nothing to show
  std::unique_ptr<CDialog> scout = factory();
  if (!scout) return;
  // A scout that refused to open (no override keys) is not kept.
  if (!scout->Create(kScoutTemplateId, nullptr) || !IsWindow(scout->GetSafeHwnd())) return;
  scout->ShowWindow(SW_RESTORE);
  m_pScoutDlg = std::move(scout);
}

void CRuvEngineBase::CloseScoutDialog() {
  if (!m_pScoutDlg) return;
  m_pScoutDlg->DestroyWindow();
  m_pScoutDlg.reset();
  Sleep(kScoutCloseSleepMs);
}
