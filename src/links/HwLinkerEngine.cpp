#include "links/HwLinkerEngine.h"

#include <algorithm>
#include <cstdio>

#include "common/CommonUtils.h"
#include "datacenter/ConfigurationBoxes.h"
#include "datacenter/DCTag.h"
#include "datacenter/EngineServices.h"
#include "datacenter/ThreadEngine.h"
#include "links/HwLinkerItem.h"
#include "platform/base/Clock.h"
#include "platform/base/MessageBoxService.h"
#include "platform/base/Text.h"
#include "platform/ui/CWinApp.h"

CHwLinkerEngine::CHwLinkerEngine() = default;

CHwLinkerEngine::~CHwLinkerEngine() {
  CHwLinkerEngine::Stop();
  if (m_pollThread) {
    // A worker that would not stop still uses its thread object: leave it alive.
    if (!m_pollThread->IsAbandoned()) delete m_pollThread;
    m_pollThread = nullptr;
  }
  // A telling posted to the window went with it: nothing said is lost.
  WriteUntoldToStandardError();
  DeleteAllArrayItems(m_items);
  std::lock_guard<std::mutex> lock(m_mapMutex);
  DeleteAllArrayItems(m_unlistedItems);
  m_tagMap.clear();
}

void CHwLinkerEngine::Release(CHwLinkerEngine* engine, std::function<void()> afterFreed) {
  if (!engine) {
    if (afterFreed) afterFreed();
    return;
  }
  engine->DestroyWindow();  // the window belongs to the UI thread, whoever deletes the engine
  // Only the polling thread is stopped here; the link's own Stop is its destructor's.
  if (CThreadEngine* poller = engine->m_pollThread) poller->Stop();
  if (engine->m_servicingWaits > 0) {
    // The handler waiting further down still runs in the link, its items and
    // its master: the link stops now and goes once the handler has returned.
    engine->Stop();
    engine->m_releasePending = true;
    if (afterFreed) {
      auto earlier = std::move(engine->m_afterFreed);
      engine->m_afterFreed = [earlier = std::move(earlier), later = std::move(afterFreed)] {
        if (earlier) earlier();
        later();
      };
    }
    return;
  }
  Free(engine);
  if (afterFreed) afterFreed();
}

void CHwLinkerEngine::Free(CHwLinkerEngine* engine) {
  CThreadEngine* poller = engine->m_pollThread;
  if (poller && poller->IsAbandoned() && poller->HandOverToWorker([engine] { delete engine; })) return;
  delete engine;
}

bool CHwLinkerEngine::LeaveServicingWait() {
  if (--m_servicingWaits > 0 || !m_releasePending) return false;
  std::function<void()> afterFreed = std::move(m_afterFreed);
  Free(this);
  if (afterFreed) afterFreed();
  return true;
}

LRESULT CHwLinkerEngine::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == DCTAG_NOTIFY_MESSAGE) {
    return OnTagMessage(reinterpret_cast<CDCTag*>(wParam), static_cast<int>(lParam));
  }
  if (message == kTellGivenUpMessage) {
    TellGivenUpCommands();
    return 0;
  }
  if (message == kRunKeptStartMessage) {
    RunKeptStart();
    return 0;
  }
  return CWnd::WindowProc(message, wParam, lParam);
}

void CHwLinkerEngine::OnTimer(UINT_PTR id) {
  if (id == kQueryRateTimerId) {
    OnQueryRateTimer();
  } else if (id == kWatchdogTimerId) {
    OnWatchdogTimer();
  } else {
    CWnd::OnTimer(id);
  }
}

BOOL CHwLinkerEngine::CreateEngineWindow() {
  if (IsWindow(GetSafeHwnd())) return TRUE;
  // A pop-up without a caption or WS_VISIBLE is never shown: it only receives
  // the tags' messages and the timers.
  if (!CreateEx(0, "HwLinkerEngineWnd", kWindowName, WS_POPUP, 0, 0, 0, 0, nullptr, 0)) return FALSE;
  return IsWindow(GetSafeHwnd()) ? TRUE : FALSE;
}

CThreadEngine* CHwLinkerEngine::CreatePollThread() {
  auto* thread = new CThreadEngine();
  thread->SetOwner(this);
  thread->SetThreadProc(&CHwLinkerEngine::PollThreadProc);
  // Nothing of the program (a start, another stop, a command) runs inside the link's stop.
  thread->SetStopServicesOnlySends(true);
  return thread;
}

BOOL CHwLinkerEngine::Start() {
  // A second Start would restart the timers and stopwatches mid-period for nothing.
  if (m_started) return TRUE;
  if (!BuildItems()) return FALSE;
  if (!CreateEngineWindow()) return FALSE;
  for (CHwLinkerItem* item : m_items) ListenToItemTag(*item);
  if (m_usePollThread) {
    if (!m_pollThread) m_pollThread = CreatePollThread();
    if (!m_pollThread || !m_pollThread->Start()) return FALSE;
  }
  SetTimer(kQueryRateTimerId, kTimerPeriodMs);
  SetTimer(kWatchdogTimerId, kTimerPeriodMs);
  m_queryRateStopwatch.Start();
  m_watchdogStopwatch.Start();
  m_started = true;
  if (GetLinkState() == LinkState::kStopped) SetLinkState(LinkState::kRunning);
  return TRUE;
}

BOOL CHwLinkerEngine::Stop() {
  if (m_pollThread) m_pollThread->Stop();
  if (WritesCommands()) {
    for (CHwLinkerItem* item : m_items) GiveUpCommandNotWritten(*item, kStoppedCause);
  }
  const HWND window = GetSafeHwnd();
  for (CHwLinkerItem* item : m_items) {
    if (CDCTag* tag = item->GetDCTag()) tag->RemoveListener(window);
  }
  // Without the plant on the hardware the bookkeeping timers only raise stale alarms.
  if (window) {
    KillTimer(kQueryRateTimerId);
    KillTimer(kWatchdogTimerId);
  }
  m_started = false;
  if (GetLinkState() == LinkState::kRunning) SetLinkState(LinkState::kStopped);
  return TRUE;
}

bool CHwLinkerEngine::KeepStartWhileStopping() {
  if (GetLinkState() != LinkState::kStopping) return false;
  if (m_startKept) return true;
  m_startKept = true;
  if (IsWindow(GetSafeHwnd())) {
    for (CHwLinkerItem* item : GetServedItems()) ListenToItemTag(*item);
  }
  return true;
}

void CHwLinkerEngine::DropKeptStart() {
  if (!m_startKept) return;
  m_startKept = false;
  ForgetKeptStart();
}

void CHwLinkerEngine::ForgetKeptStart() {
  const HWND window = GetSafeHwnd();
  for (CHwLinkerItem* item : GetServedItems()) {
    if (CDCTag* tag = item->GetDCTag()) tag->RemoveListener(window);
    if (WritesCommands()) GiveUpCommandNotWritten(*item, kStoppedCause);
  }
}

void CHwLinkerEngine::LinkStopped() {
  SetLinkState(LinkState::kStopped);
  if (!m_startKept) return;
  // Posted: the stop that ends here returns first, and no start runs inside it.
  const HWND window = GetSafeHwnd();
  if (!IsWindow(window) || !::PostMessage(window, kRunKeptStartMessage, 0, 0)) DropKeptStart();
}

void CHwLinkerEngine::RunKeptStart() {
  // Dropped by a later stop, or another start came first.
  if (!m_startKept || GetLinkState() != LinkState::kStopped) return;
  m_startKept = false;
  // The start's boxes service messages: the link may be released meanwhile.
  EnterServicingWait();
  const bool started = Start() != FALSE;
  if (LeaveServicingWait()) return;  // released and deleted: nothing of it is touched
  if (!started) {
    ForgetKeptStart();
    if (!IsStartFailureTold()) TellLater(nullptr, kKeptStartFailedText);
    return;
  }
  // The commands given while the start waited go out now, as their messages would have taken them.
  for (CHwLinkerItem* item : GetServedItems()) {
    CDCTag* tag = item->GetDCTag();
    if (!tag || (tag->GetIOType() & eIOOutput) == 0 || !WritesCommands()) continue;
    if (item->HoldsCommandNotYetWritten(tag->GetCommandCount())) OnTagMessage(tag, eTagChangeValue);
  }
}

std::vector<std::string> CHwLinkerEngine::NameCommandsNotWritten() const {
  std::vector<std::string> named;
  for (CHwLinkerItem* item : GetServedItems()) {
    CDCTag* tag = item->GetDCTag();
    if (!tag || (tag->GetIOType() & eIOOutput) == 0 || !tag->IsWritePending()) continue;
    named.push_back(CommandAsText(tag->GetValue()) + " for " + tag->GetTagName());
  }
  return named;
}

void CHwLinkerEngine::GiveUpCommand(CHwLinkerItem& item, std::uint32_t commandCount, const Variant& command,
                                    const std::string& cause, bool tell) {
  CDCTag* tag = item.GetDCTag();
  if (!tag) return;
  // Checked and cleared in one step: a newer command given meanwhile keeps its
  // mark, and so does one still under way.
  if (!item.HasCommandUnderWay() && tag->EndWriteOfCommand(commandCount)) ShowLatestReading(item);
  if (!tell || !item.TakeGivenUpNotice()) return;
  TellLater(tag, GivenUpText(item, command, cause));
}

std::string CHwLinkerEngine::GivenUpText(CHwLinkerItem& item, const Variant& command, const std::string& cause) {
  const CDCTag* tag = item.GetDCTag();
  return ruv::Format("The command %s for %s was given up: %s.", CommandAsText(command).c_str(),
                     tag ? tag->GetTagName().c_str() : "?", cause.c_str());
}

void CHwLinkerEngine::GiveUpRefusedCommand(CHwLinkerItem& item, std::uint32_t commandCount, const Variant& command,
                                           const std::string& cause, bool tell) {
  item.RearmGivenUpNotice();
  GiveUpCommand(item, commandCount, command, cause, tell);
}

bool CHwLinkerEngine::EndCommand(CHwLinkerItem& item, std::uint32_t commandCount) {
  item.RearmGivenUpNotice();
  CDCTag* tag = item.GetDCTag();
  return tag && !item.HasCommandUnderWay() && tag->EndWriteOfCommand(commandCount);
}

std::string CHwLinkerEngine::CommandAsText(const Variant& command) {
  Variant text;
  return SUCCEEDED(VariantChangeType(text, command, VT_BSTR)) ? text.bstrVal : std::string("?");
}

void CHwLinkerEngine::TellLater(CDCTag* tag, std::string text) {
  // A tag's notice not told yet gives way to its later one: refusals in a
  // row bring one box per tag at a time, not one per command.
  const auto untold = std::find_if(m_untoldGivenUp.begin(), m_untoldGivenUp.end(),
                                   [tag](const GivenUpNotice& notice) { return tag && notice.tag == tag; });
  if (untold != m_untoldGivenUp.end()) {
    untold->text = std::move(text);
  } else {
    m_untoldGivenUp.push_back({tag, std::move(text)});
  }
  // One message tells all that gathered until it is handled. One posted to a
  // window since gone was dropped with it: the notices it was to tell are
  // written out with this one. With the window gone the link is being freed
  // (the close): the standard error output keeps the word.
  const HWND window = GetSafeHwnd();
  if (m_tellingPostedTo == window && IsWindow(window)) return;
  m_tellingPostedTo = nullptr;
  if (IsWindow(window) && ::PostMessage(window, kTellGivenUpMessage, 0, 0)) {
    m_tellingPostedTo = window;
    return;
  }
  WriteUntoldToStandardError();
}

void CHwLinkerEngine::WriteUntoldToStandardError() {
  for (const GivenUpNotice& notice : m_untoldGivenUp) {
    std::fprintf(stderr, "Hardware Linker Engine: %s\n", notice.text.c_str());
  }
  m_untoldGivenUp.clear();
}

void CHwLinkerEngine::GiveUpCommandNotWritten(CHwLinkerItem& item, const std::string& cause) {
  CDCTag* tag = item.GetDCTag();
  if (!tag || (tag->GetIOType() & eIOOutput) == 0) return;
  std::uint32_t commandCount = 0;
  const Variant command = tag->GetValue(commandCount);
  if (!item.HoldsCommandNotYetWritten(commandCount)) return;
  item.NoteCommandsWritten(commandCount);
  GiveUpCommand(item, commandCount, command, cause);
  // It never went out: the next command that does, and is missed, is told on its own.
  item.RearmGivenUpNotice();
}

void CHwLinkerEngine::ListenToItemTag(CHwLinkerItem& item) {
  CDCTag* tag = item.GetDCTag();
  // Listened to since a start was kept: what the tag took since is for this start.
  if (tag && tag->HasListener(GetSafeHwnd())) return;
  item.RearmGivenUpNotice();
  // Only a tag waiting for the hardware, or given its latest value while no
  // data source ran (None), took a command for it: a value the Demo gave is none.
  if (tag && WritesCommands() && (tag->IsWritePending() || tag->IsLastCommandGivenWithoutLink())) {
    GiveUpCommandNotWritten(item, kGivenWhileStoppedCause);
  }
  item.ListenToTag(GetSafeHwnd());
}

void CHwLinkerEngine::ShowLatestReading(CHwLinkerItem&) {}

void CHwLinkerEngine::TellCommandGivenUp(CDCTag& tag, const std::string& text) {
  // The operator reads what happened and what to do; the tag's details are
  // for whoever looks into it later.
  std::fprintf(stderr, "Hardware Linker Engine: %s\n%s\n", text.c_str(), tag.GetInfoText().c_str());
  std::fflush(stderr);
  ShowMessageBox("Hardware Linker Engine Error: " + text, "", kConfigReportStyle);
}

void CHwLinkerEngine::TellGivenUpCommands() {
  m_tellingPostedTo = nullptr;
  std::vector<GivenUpNotice> notices;
  notices.swap(m_untoldGivenUp);
  // Each box services messages: the link may be released meanwhile.
  EnterServicingWait();
  for (const GivenUpNotice& notice : notices) {
    if (m_releasePending || IsApplicationClosing()) {
      // No box holds the close up, nor opens for a link released meanwhile:
      // the standard error output keeps the word.
      std::fprintf(stderr, "Hardware Linker Engine: %s\n", notice.text.c_str());
    } else if (notice.tag) {
      TellCommandGivenUp(*notice.tag, notice.text);
    } else {
      ShowMessageBox("Hardware Linker Engine Error: " + notice.text, "", kConfigReportStyle);
    }
  }
  LeaveServicingWait();  // may delete this link: nothing of it is touched after
}

BOOL CHwLinkerEngine::BuildItems() { return IsReady(); }

BOOL CHwLinkerEngine::IsReady() const { return m_ready; }

void CHwLinkerEngine::SetReady(BOOL ready) { m_ready = ready; }

LRESULT CHwLinkerEngine::OnTagMessage(CDCTag*, int) { return 0; }

void CHwLinkerEngine::OnQueryRateTimer() { m_queryRateStopwatch.Restart(); }

void CHwLinkerEngine::OnWatchdogTimer() { m_watchdogStopwatch.Restart(); }

CHwLinkerItem* CHwLinkerEngine::FindOrCreateItem(CDCTag* tag) {
  if (CHwLinkerItem* item = FindItem(tag)) return item;
  CHwLinkerItem* item = CreateItem(tag);
  if (!item) return nullptr;
  std::lock_guard<std::mutex> lock(m_mapMutex);
  m_tagMap[tag] = item;
  // A link may hand back an item it already keeps in the array; own only new ones.
  if (std::find(m_items.begin(), m_items.end(), item) == m_items.end() &&
      std::find(m_unlistedItems.begin(), m_unlistedItems.end(), item) == m_unlistedItems.end()) {
    m_unlistedItems.push_back(item);
  }
  return item;
}

void CHwLinkerEngine::AddItem(CHwLinkerItem* item) {
  if (!item) return;
  m_items.push_back(item);
  if (CDCTag* tag = item->GetDCTag()) {
    std::lock_guard<std::mutex> lock(m_mapMutex);
    m_tagMap.emplace(tag, item);
  }
}

std::vector<CHwLinkerItem*> CHwLinkerEngine::ReleaseItems() {
  std::vector<CHwLinkerItem*> released;
  released.swap(m_items);
  std::lock_guard<std::mutex> lock(m_mapMutex);
  released.insert(released.end(), m_unlistedItems.begin(), m_unlistedItems.end());
  m_unlistedItems.clear();
  m_tagMap.clear();
  m_ready = FALSE;
  return released;
}

CHwLinkerItem* CHwLinkerEngine::GetItemAt(int index) const {
  if (index < 0 || index >= GetItemCount()) return nullptr;
  return m_items[static_cast<std::size_t>(index)];
}

CHwLinkerItem* CHwLinkerEngine::FindItem(CDCTag* tag) const {
  std::lock_guard<std::mutex> lock(m_mapMutex);
  const auto found = m_tagMap.find(tag);
  return found == m_tagMap.end() ? nullptr : found->second;
}

bool CHwLinkerEngine::RunPollPass(CRTimer& pacer) {
  const DWORD elapsed = pacer.GetElapsedMs();
  if (elapsed < kPollPeriodMs) Sleep(kPollPeriodMs - elapsed);
  pacer.Restart();
  IEngineServices* engineRoot = GetEngine();
  if (engineRoot->IsSuspended() || !engineRoot->IsRealHardware()) return false;
  PollOnce();
  return true;
}

UINT CHwLinkerEngine::PollThreadProc(CThreadEngine* thread) {
  thread->SetRunning(true);
  auto* engine = static_cast<CHwLinkerEngine*>(thread->GetOwner());
  CRTimer pacer;
  pacer.Start();
  while (thread->IsKeepRunning()) engine->RunPollPass(pacer);
  thread->SetRunning(false);
  return 0;
}

BOOL CHwLinkerEngine::ReadPathField(std::string& path, const std::string& prefix, std::string& value) {
  value.clear();
  const std::size_t dash = path.find('-');
  std::string field;
  if (dash == std::string::npos) {
    field = path;
    path.clear();
  } else {
    field = path.substr(0, dash);
    path.erase(0, dash + 1);
  }
  if (field.empty() || field.compare(0, prefix.size(), prefix) != 0) return FALSE;
  value = field.substr(prefix.size());
  return TRUE;
}

BOOL CHwLinkerEngine::ReadPathInt(std::string& path, const std::string& prefix, int& value) {
  value = -1;
  std::string text;
  if (!ReadPathField(path, prefix, text)) return FALSE;
  value = TextToInt(text);
  return TRUE;
}
