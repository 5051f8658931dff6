#include "links/OpcLinkerEngine.h"

#include <cstdint>
#include <map>
#include <vector>

#include "common/Conversions.h"
#include "common/IniFile.h"
#include "datacenter/DCTag.h"
#include "datacenter/DCTagTypes.h"
#include "datacenter/DataCenterBase.h"
#include "datacenter/EngineServices.h"
#include "links/OpcGroup.h"
#include "links/OpcItem.h"
#include "links/OpcMessage.h"
#include "links/OpcServer.h"
#include "platform/base/MessageBoxService.h"
#include "platform/base/Text.h"
#include "platform/ui/MessageCore.h"

namespace {

constexpr const char* kAccessPathError = "Inavliled OpcTagAccessPath, sample: \"UR200-DB1.5\"";
constexpr DWORD kDefaultUpdateRate = 100;
constexpr float kDefaultDeadband = 0.0f;

}  // namespace

COpcLinkerEngine::COpcLinkerEngine() {
  if (CIniFile* ini = GetIniFile()) ini->ReadString(kSettingsSection, kRemoteMachineKey, m_remoteMachine, "");
}

COpcLinkerEngine::~COpcLinkerEngine() {
  // The window is gone: nothing is waited for.
  if (GetLinkState() != LinkState::kStopped) FinishStop();
  delete m_server;  // removes and deletes its groups and items
  m_server = nullptr;
  // Written back so the key stands in the settings file once the link has run.
  if (CIniFile* ini = GetIniFile()) ini->WriteString(kSettingsSection, kRemoteMachineKey, m_remoteMachine);
}

std::string COpcLinkerEngine::AskRemoteMachine() const {
  if (m_remoteMachine.empty()) return std::string();
  std::string text = ruv::Format(
      "RuvFrame is connecting to OPC server.\n\nPress YES to connect to remote OPC server on \"%s\".\n"
      "Press NO or CANCEL to connect to local OPC server on current PC.\n"
      "If you don not know the answer press CANCEL.",
      m_remoteMachine.c_str());
  int answer = ShowMessageBox(text, "", MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2 | MB_SYSTEMMODAL);
  return answer == IDYES ? m_remoteMachine : std::string();
}

std::string COpcLinkerEngine::ParseTag(const std::string& name, const std::string& accessPath,
                                       long long& updateRate, float& deadband, std::string& groupName) const {
  updateRate = -1;
  deadband = -1.0f;
  if (accessPath != "NULL") {
    const std::size_t dash = accessPath.find('-');
    if (accessPath.compare(0, 2, "UR") != 0 || dash == std::string::npos) return kAccessPathError;
    const std::uint32_t rate = static_cast<std::uint32_t>(TextToInt(accessPath.substr(2, dash - 2)));
    if (rate <= 99) return "Inavliled OpcGroupUpdateRate, Valid UpdateRate > 100";
    const std::string rest = accessPath.substr(dash + 1);
    if (rest.compare(0, 2, "DB") != 0) return kAccessPathError;
    const float band = TextToFloat(rest.substr(2));
    if (!(band >= 0.0f && band <= 30.0f)) return "Inavliled OpcGroupDeadband, Valid Deadband <= 30";
    updateRate = rate;
    deadband = band;
  }
  const std::size_t dot = name.rfind('.');
  if (dot == std::string::npos) return "Inavliled OpcTagName, Valid Tag name has atleast one dot(.)";
  groupName = name.substr(0, dot);
  return std::string();
}

BOOL COpcLinkerEngine::BuildItems() {
  if (IsReady()) return TRUE;
  CHwLinkerEngine::BuildItems();
  if (m_server) return TRUE;
  CDataCenterBase* dataCenter = GetDataCenter();
  if (!dataCenter || !dataCenter->HasOpcTags()) return FALSE;

  std::map<std::string, COpcGroup*> groups;               // by upper-case group name
  std::map<std::string, std::vector<COpcItem*>> newItems;  // by upper-case group name
  std::vector<std::string> keyOrder;                       // groups in the order they were made

  for (int i = 0; i < dataCenter->GetTagCount(); ++i) {
    CDCTag* tag = dataCenter->GetTagAt(i);
    if (!tag || !tag->IsEnabled() || tag->GetHWType() != eHWOpc) continue;
    const std::string name = tag->GetTagName();
    long long rate = -1;
    float deadband = -1.0f;
    std::string groupName;
    std::string error = ParseTag(name, tag->GetAccessPath(), rate, deadband, groupName);
    const std::string key = ruv::ToUpperAscii(groupName);
    if (error.empty()) {
      auto found = groups.find(key);
      if (found == groups.end()) {
        if (!m_server) m_server = new COpcServer(this, m_progId, AskRemoteMachine());
        auto* group = new COpcGroup(m_server);
        group->SetName(groupName);
        if (rate >= 0) group->SetUpdateRate(static_cast<DWORD>(rate));
        if (deadband >= 0.0f) group->SetDeadband(deadband);
        m_server->AddGroup(group, FALSE);
        groups[key] = group;
        keyOrder.push_back(key);
      } else {
        COpcGroup* group = found->second;
        if (rate >= 0 && static_cast<DWORD>(rate) != group->GetUpdateRate()) {
          error = ruv::Format("Specified two diffrent UpdateRates(%d, %d) for group \"%s\"!",
                              static_cast<int>(group->GetUpdateRate()), static_cast<int>(rate),
                              group->GetName().c_str());
        } else if (deadband >= 0.0f && deadband != group->GetDeadband()) {
          error = ruv::Format("Specified two diffrent Deadband(%g, %g) for group \"%s\"!",
                              static_cast<double>(group->GetDeadband()), static_cast<double>(deadband),
                              group->GetName().c_str());
        }
      }
    }
    if (!error.empty()) {
      tag->ReportInvalidFormat(error);
      continue;
    }
    auto* item = new COpcItem(groups[key]);
    item->SetActive(TRUE);
    item->SetItemId(name);
    item->SetDCTag(tag);
    newItems[key].push_back(item);
  }

  for (const std::string& key : keyOrder) {
    std::vector<COpcItem*>& items = newItems[key];
    if (!items.empty()) groups[key]->AddItems(items.data(), static_cast<DWORD>(items.size()), FALSE);
  }
  SetReady(m_server != nullptr);
  return IsReady();
}

void COpcLinkerEngine::ListenToItemTags(bool listen) {
  if (!m_server) return;
  const HWND window = GetSafeHwnd();
  for (COpcGroup* group : m_server->GetGroups()) {
    for (COpcItem* item : group->GetItems()) {
      CDCTag* tag = item->GetDCTag();
      if (!tag) continue;
      if (!listen) {
        tag->RemoveListener(window);
        continue;
      }
      ListenToItemTag(*item);
    }
  }
}

BOOL COpcLinkerEngine::Start() {
  switch (GetLinkState()) {
    case LinkState::kRunning: return TRUE;  // connected already: its groups are not added twice
    case LinkState::kStopping:
      // Its writes still wait for the server: the start runs once the link has stopped.
      KeepStartWhileStopping();
      return TRUE;
    case LinkState::kStarting:
      // Come inside a box of the start: not run inside it.
      m_startFailureTold = true;
      OpcMessageLater("%s", kStartRefusedText);
      return FALSE;
    case LinkState::kStopped: break;
  }
  SetLinkState(LinkState::kStarting);
  m_stopAsked = false;
  m_startFailureTold = false;
  // The start's boxes (the remote machine's question, an item the server
  // refuses) service every message: a stop or the close may come meanwhile.
  EnterServicingWait();
  bool started = CHwLinkerEngine::Start() != FALSE;
  if (started) {
    ListenToItemTags(true);
    started = m_server->ConnectAll() != FALSE;
  }
  if (LeaveServicingWait()) return FALSE;  // released meanwhile, stopped by that, and deleted
  SetLinkState(LinkState::kRunning);
  // A start refused inside this one's boxes told its own caller; a stop asked
  // meanwhile was a later choice, and the start's failure wants no box of its own.
  m_startFailureTold = m_stopAsked;
  if (started && !m_stopAsked) return TRUE;
  // Leave nothing half-started: the engine root treats the change to Real as failed.
  Stop();
  return FALSE;
}

BOOL COpcLinkerEngine::Stop() {
  switch (GetLinkState()) {
    case LinkState::kStopped: return TRUE;
    case LinkState::kStarting:
      m_stopAsked = true;  // the start stops the link once its box is answered
      return FALSE;
    case LinkState::kStopping:
      // The last choice wins: a start kept meanwhile is dropped. Freed (the
      // window gone), the link waits no longer.
      DropKeptStart();
      if (!IsWindow(GetSafeHwnd())) FinishStop();
      return TRUE;
    case LinkState::kRunning: break;
  }
  SetLinkState(LinkState::kStopping);
  {
    // The commands given while the link ran, and those the tags hold whose
    // messages are still queued, are written while the server is still there,
    // and no later one is taken. No box opens inside the stop.
    ScopedOpcMessagesLater later;
    if (m_server && m_server->IsConnected()) {
      for (COpcGroup* group : m_server->GetGroups()) {
        for (COpcItem* item : group->GetItems()) {
          CDCTag* tag = item->GetDCTag();
          if (tag && item->HoldsCommandNotYetWritten(tag->GetCommandCount())) WriteCommand(item, tag);
        }
      }
    }
    CHwLinkerEngine::Stop();
  }
  // Their completions come from the window's loop (the server drops a write
  // whose client goes first): a timer ends the stop once they have come, or
  // the bound has passed. Not once the window is gone (the link is being freed).
  if (HasWritesUnderWay() && IsWindow(GetSafeHwnd()) && SetTimer(kStopTimerId, kStopTimerPeriodMs)) {
    m_stopWatch.Start();
    return TRUE;
  }
  FinishStop();
  return TRUE;
}

void COpcLinkerEngine::OnTimer(UINT_PTR id) {
  if (id != kStopTimerId) {
    CHwLinkerEngine::OnTimer(id);
    return;
  }
  if (GetLinkState() == LinkState::kStopping && HasWritesUnderWay() &&
      m_stopWatch.GetElapsedMs() < kWriteCompletionWaitMs) {
    return;
  }
  KillTimer(kStopTimerId);
  if (GetLinkState() == LinkState::kStopping) FinishStop();
}

void COpcLinkerEngine::FinishStop() {
  ScopedOpcMessagesLater later;
  if (IsWindow(GetSafeHwnd())) KillTimer(kStopTimerId);
  // Before the disconnection, while the items still hold the server's values.
  if (m_server) {
    for (COpcGroup* group : m_server->GetGroups()) {
      const std::vector<COpcGroup::WriteUnderWay> writes = group->TakeWritesUnderWay();
      // The newest first: the operator hears of the command the tag holds.
      for (auto write = writes.rbegin(); write != writes.rend(); ++write) {
        if (COpcItem* item = COpcItem::FromClientHandle(write->clientItem)) {
          GiveUpCommand(*item, write->commandCount, write->value, kNotCompletedCause);
        }
      }
      for (COpcItem* item : group->GetItems()) {
        // A command given for a start kept meanwhile waits for it.
        if (!IsStartKept()) GiveUpCommandNotWritten(*item, kStoppedCause);
        // No report of the server's comes after the stop to end its mark.
        item->EndCompletedWrite();
      }
    }
    m_server->Disconnect();
  }
  // Stopped from any state (the link freed): nothing of it is listened to.
  if (!IsStartKept()) ListenToItemTags(false);
  LinkStopped();
}

bool COpcLinkerEngine::HasWritesUnderWay() const {
  if (!m_server) return false;
  for (COpcGroup* group : m_server->GetGroups()) {
    if (group->HasWritesUnderWay()) return true;
  }
  return false;
}

std::vector<CHwLinkerItem*> COpcLinkerEngine::GetServedItems() const {
  std::vector<CHwLinkerItem*> items;
  if (!m_server) return items;
  for (COpcGroup* group : m_server->GetGroups()) {
    for (COpcItem* item : group->GetItems()) items.push_back(item);
  }
  return items;
}

CHwLinkerItem* COpcLinkerEngine::CreateItem(CDCTag* tag) {
  if (!m_server) return nullptr;
  for (COpcGroup* group : m_server->GetGroups()) {
    for (COpcItem* item : group->GetItems()) {
      if (item->GetDCTag() == tag) return item;
    }
  }
  return nullptr;
}

LRESULT COpcLinkerEngine::OnTagMessage(CDCTag* tag, int changeCode) {
  if (!tag) return 1;
  if (changeCode != eTagChangeValue) return 0;
  // A message still queued from before the stop writes nothing: the stop
  // wrote or gave up the commands waiting when it was asked.
  // One given while a start is kept waits in its tag for that start.
  if (GetLinkState() != LinkState::kRunning && GetLinkState() != LinkState::kStarting) return 0;
  auto* item = dynamic_cast<COpcItem*>(FindOrCreateItem(tag));
  if (!item) return 1;
  return WriteCommand(item, tag);
}

LRESULT COpcLinkerEngine::WriteCommand(COpcItem* item, CDCTag* tag) {
  std::uint32_t commandCount = 0;
  const Variant tagValue = tag->GetValue(commandCount);
  // The server's own value coming back, or a command written already, is no
  // command; a command is, even when it equals the server's last value.
  const bool command = item->HoldsCommandNotYetWritten(commandCount);
  // Written below, or given up: either way never written later, and the
  // server's values show again.
  item->NoteCommandsWritten(commandCount);
  if (!m_server || !m_server->IsConnected() || !item->IsAdded()) {
    if (command && (tag->GetIOType() & eIOOutput) != 0) {
      GiveUpCommand(*item, commandCount, tagValue, "the OPC server is not connected");
    }
    return 1;
  }
  if (!command) return 0;
  if ((item->GetAccessRights() & OPC_WRITEABLE) == 0 || item->GetValueType() == VT_DATE) {
    // Never written to such an item: the tag shows the server's value again.
    GiveUpCommand(*item, commandCount, tagValue, "", false);
    return 0;
  }

  // The text of a copy: the tag keeps its own value and type.
  Variant text;
  if (FAILED(VariantChangeType(text, tagValue, VT_BSTR))) {
    OpcMessage("Unable to map write data to variant data for item '%s'.", item->GetItemId().c_str());
    GiveUpCommand(*item, commandCount, tagValue, "", false);
    return 0;
  }
  COpcGroup* group = item->GetGroup();
  const std::vector<COpcItem*> items{item};
  const std::vector<std::string> texts{text.bstrVal};
  switch (group->GetUpdateMode()) {
    case 0: group->WriteAsync10(items, texts); break;
    case 1: group->WriteAsync20(items, texts); break;
    case 2: group->WriteSync(items, texts); break;
    default: break;
  }
  return 0;
}

void COpcLinkerEngine::ShowLatestReading(CHwLinkerItem& item) {
  auto& opcItem = static_cast<COpcItem&>(item);
  // A disconnected item holds no value of the server's: its first report will show.
  if (opcItem.IsAdded() && !opcItem.GetValue().IsEmpty()) opcItem.ShowLatestValue();
}

void COpcLinkerEngine::TellCommandGivenUp(CDCTag& tag, const std::string& text) {
  // The operator's words: the tag and what happened (the text), the server,
  // what the tag shows and what to do.
  const std::string server = m_progId + (m_remoteMachine.empty() ? " on this computer" : " on " + m_remoteMachine);
  const bool atStop = text.find(kStoppedCause) != std::string::npos ||
                      text.find(kGivenWhileStoppedCause) != std::string::npos ||
                      text.find(kNotCompletedCause) != std::string::npos;
  const char* advice = atStop ? "Give the command again while the data source is Real."
                              : "Check that the OPC server runs and takes the item, then give the command again.";
  OpcMessage("%s The OPC server is %s. %s shows the server's value again. %s", text.c_str(), server.c_str(),
             tag.GetTagName().c_str(), advice);
}
