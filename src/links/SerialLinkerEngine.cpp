#include "links/SerialLinkerEngine.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>

#include "common/IniFile.h"
#include "common/TimeAndKeys.h"
#include "datacenter/ConfigurationBoxes.h"
#include "datacenter/DCTag.h"
#include "datacenter/DataCenterBase.h"
#include "datacenter/EngineServices.h"
#include "datacenter/ThreadEngine.h"
#include "links/ComPortSelectDlg.h"
#include "links/ModBusBase.h"
#include "links/SerialLinkerItem.h"
#include "platform/base/Clock.h"
#include "platform/base/MessageBoxService.h"
#include "platform/base/Text.h"

namespace {

constexpr int kFirstHoldingRegister = 40000;

float ItemValueAsFloat(const Variant& value, bool& ok) {
  Variant asFloat;
  ok = !value.IsEmpty() && SUCCEEDED(VariantChangeType(asFloat, value, VT_R4));
  return ok ? asFloat.fltVal : 0.0f;
}

}  // namespace

CSerialLinkerEngine::CSerialLinkerEngine() = default;

CSerialLinkerEngine::~CSerialLinkerEngine() { CSerialLinkerEngine::Stop(); }

LRESULT CSerialLinkerEngine::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == CModBusBase::kValueMessage && m_master) return OnModbusMessage(wParam, lParam);
  if (message == CModBusBase::kCommandOutcomeMessage) return OnCommandOutcomes();
  return CHwLinkerEngine::WindowProc(message, wParam, lParam);
}

BOOL CSerialLinkerEngine::Start() {
  m_startFailureTold = false;
  switch (GetLinkState()) {
    case LinkState::kRunning: return TRUE;  // a second master would fight the first one for its port
    case LinkState::kStarting: return FALSE;
    case LinkState::kStopping:
      // The stop still writes the commands it took and holds the port: the
      // start runs once its thread has left.
      KeepStartWhileStopping();
      return TRUE;
    case LinkState::kStopped: break;
  }
  SetLinkState(LinkState::kStarting);
  DropMaster();  // one left by a start whose port would not open
  if (!CHwLinkerEngine::Start()) {
    SetLinkState(LinkState::kStopped);
    return FALSE;
  }
  // Kept here until its port is open: a stop asked in the port's dialog finds no master of this start.
  auto master = std::make_unique<CModBusBase>();
  std::vector<CSerialLinkerItem*> items;
  items.reserve(m_items.size());
  for (CHwLinkerItem* item : m_items) items.push_back(static_cast<CSerialLinkerItem*>(item));
  master->SetItems(std::move(items));

  m_portSettingsRefused = false;
  const BOOL opened = OpenPort(*master);
  if (GetLinkState() != LinkState::kStarting) {
    // Stopped while the port was chosen: the operator has moved on, nothing more to say.
    m_startFailureTold = true;
    return FALSE;
  }
  m_master = std::move(master);  // closed when it would not open: the next start replaces it
  if (!opened) {
    SetLinkState(LinkState::kStopped);
    // A refused setting was told with the port, the settings and the cause: that box says it all.
    if (!m_portSettingsRefused) ShowMessageBox("Error: RuvFrame cannot connect to Serial Port!", "", kConfigReportStyle);
    m_startFailureTold = true;  // either box is the one: whoever started the link adds none
    return FALSE;
  }
  m_master->SetOwnerEngine(GetSafeHwnd());
  m_master->SetItemReplyLength(0, 9);
  if (!m_master->StartPolling()) {
    SetLinkState(LinkState::kStopped);
    return FALSE;
  }
  m_outages.Restart(GetTickCount());
  SetLinkState(LinkState::kRunning);
  return TRUE;
}

BOOL CSerialLinkerEngine::OpenPort(CModBusBase& master) {
  return ShowComPortDialog(&master, GetEngine()->GetSettingsFileName(), IsOverrideComboDown(), &m_portSettingsRefused)
             ? TRUE
             : FALSE;
}

BOOL CSerialLinkerEngine::Stop() {
  switch (GetLinkState()) {
    case LinkState::kStopping:
      // The last choice wins: a start kept meanwhile is dropped. Freed (the
      // window gone), the link ends its stop now, as its master stops.
      DropKeptStart();
      if (!IsWindow(GetSafeHwnd())) FinishStop();
      return TRUE;
    case LinkState::kStarting:
      // Asked in the start's own dialog (the COM-port dialog): the link has no
      // master yet, and the start sees the stop as the dialog returns.
      CHwLinkerEngine::Stop();
      SetLinkState(LinkState::kStopped);
      return TRUE;
    case LinkState::kRunning: break;
    case LinkState::kStopped:
      CHwLinkerEngine::Stop();
      DropMaster();
      return TRUE;
  }
  SetLinkState(LinkState::kStopping);
  // The commands the tags hold and the link has not taken yet go out before it
  // stops: the plant switches its outputs off just before it leaves the
  // hardware, and their messages are still queued. Not once the window is gone
  // (the link is being freed).
  if (IsWindow(GetSafeHwnd())) {
    for (CHwLinkerItem* item : m_items) {
      CDCTag* tag = item->GetDCTag();
      if (!tag || !tag->IsEnabled() || (tag->GetIOType() & eIOOutput) == 0) continue;
      HandOverCommand(*static_cast<CSerialLinkerItem*>(item));
    }
  }
  // No command is taken from here on: the tags are no longer listened to, and
  // one still queued finds the link stopping.
  CHwLinkerEngine::Stop();
  if (!IsWindow(GetSafeHwnd()) || !m_master) {
    FinishStop();
    return TRUE;
  }
  // The master's thread writes what it took, tells each outcome by message and
  // says so as it leaves: the stop ends there (OnCommandOutcomes).
  m_master->LeaveOnceWritten();
  if (m_master->HasLeft()) FinishStop();
  return TRUE;
}

void CSerialLinkerEngine::FinishStop() {
  if (m_master) HandleOutcomes(m_master->TakeOutcomes());
  DropMaster();  // waits for a master not yet left (the link freed), within the thread's bound
  TellCommandsToSilentDevices();
  LinkStopped();
}

void CSerialLinkerEngine::DropMaster() {
  if (!m_master) return;
  m_master->StopAndClose();
  HandleOutcomes(m_master->TakeOutcomes());  // told while it stopped (the link freed while stopping)
  // Stopped before it wrote them (the link freed while running): given up and told.
  for (const CModBusBase::Command& command : m_master->TakeCommandsNotWritten()) {
    command.item->NoteCommandOutcome();
    command.item->SetErrorCount(command.item->GetErrorCount() + 1);
    GiveUpCommand(*command.item, command.commandCount, command.given, kStoppedCause);
    SettleCommands(*command.item);
  }
  m_portName = m_master->GetPortName();
  FreeMaster(std::move(m_master));
  // A command an abandoned poller still held gets no outcome: the tags show readings again.
  for (CHwLinkerItem* item : m_items) {
    if (!item->HasCommandUnderWay()) continue;
    item->ForgetCommandsUnderWay();
    SettleCommands(*static_cast<CSerialLinkerItem*>(item));
  }
}

void CSerialLinkerEngine::FreeMaster(std::unique_ptr<CModBusBase> owned) {
  CModBusBase* master = owned.release();
  CThreadEngine* poller = master->GetPollThread();
  if (poller && poller->IsAbandoned()) {
    std::vector<CHwLinkerItem*> items = ReleaseItems();
    auto reclaim = [master, items] {
      delete master;
      for (CHwLinkerItem* item : items) delete item;
    };
    if (!poller->HandOverToWorker(reclaim)) reclaim();  // it left meanwhile
    return;
  }
  delete master;
}

BOOL CSerialLinkerEngine::BuildItems() {
  if (IsReady()) return TRUE;
  CHwLinkerEngine::BuildItems();
  CDataCenterBase* dataCenter = GetDataCenter();
  if (!dataCenter || !dataCenter->HasSerialTags()) return FALSE;

  for (int i = 0; i < dataCenter->GetTagCount(); ++i) {
    CDCTag* tag = dataCenter->GetTagAt(i);
    if (!tag || !tag->IsEnabled() || tag->GetHWType() != eHWSerial) continue;
    if (tag->GetDataType() != VT_R4) {
      tag->ReportInvalidFormat("Unsupported DataType in Serial Tag.");
      continue;
    }
    auto* item = new CSerialLinkerItem(this);
    item->SetDCTag(tag);
    item->SetValueType(VT_R4);
    const std::string error = ParseAccessPath(tag->GetAccessPath(), *item);
    if (!error.empty()) {
      tag->ReportInvalidFormat(error);
      delete item;
      continue;
    }
    AddItem(item);
  }
  SetReady(TRUE);
  return IsReady();
}

std::string CSerialLinkerEngine::ParseAccessPath(const std::string& accessPath, CSerialLinkerItem& item) {
  std::string path = accessPath;
  int protocol = -1;
  if (!ReadPathInt(path, "MBRTU", protocol) || protocol != 16)
    return "Invalid AccessPath! -> Start AccessPath with 'MBRTU16'.";
  int slave = -1;
  if (!ReadPathInt(path, "DA", slave)) return "Invalid AccessPath! -> Add 'DA' (Device Address).";
  if (slave < 1 || slave > 247) return "Invalid AccessPath! -> 'DA' (Device Address) is out of range.";
  item.SetSlaveAddress(slave);
  int registerNumber = -1;
  if (!ReadPathInt(path, "REG", registerNumber)) return "Invalid AccessPath! -> Add 'REG' (Register Address).";
  if (registerNumber < 40001 || registerNumber > 49999)
    return "Invalid AccessPath! -> 'REG' (Register Address) is out of range.";
  item.SetRegister(registerNumber);
  int decimals = -1;
  if (!ReadPathInt(path, "FP", decimals)) return "Invalid AccessPath! -> Add 'FP' (Floating Point).";
  item.SetFP(decimals);
  int updateRate = -1;
  if (!ReadPathInt(path, "UR", updateRate)) return "Invalid AccessPath! -> Add 'UR' (Update Rate).";
  if (updateRate < 20) return "Invalid AccessPath! -> 'UR' (Update Rate) is out of range.";
  item.SetUpdateRate(static_cast<DWORD>(updateRate));
  int timeoutBand = -1;
  if (!ReadPathInt(path, "TOB", timeoutBand)) return "Invalid AccessPath! -> Add 'TOB' (Time Out Band).";
  if (timeoutBand >= updateRate)
    return "Invalid AccessPath! -> 'TOB' (Time Out Band) must be less than 'UR' (Update Rate).";
  item.SetTimeoutBand(static_cast<DWORD>(timeoutBand));
  if (!path.empty()) return "Invalid AccessPath!";
  return std::string();
}

LRESULT CSerialLinkerEngine::OnTagMessage(CDCTag* tag, int changeCode) {
  if (!tag || !tag->IsEnabled()) return 1;
  if (changeCode != eTagChangeValue) return 0;
  // A start waits for the stop to end: the command waits in its tag for it.
  if (IsStartKept()) return 0;
  CHwLinkerItem* item = FindOrCreateItem(tag);
  if ((tag->GetIOType() & eIOOutput) == 0) {
    // A value given to an input goes to no device: its readings go on showing.
    if (item) item->NoteCommandsWritten(tag->GetCommandCount());
    return 0;
  }
  if (!item) return 1;
  HandOverCommand(*static_cast<CSerialLinkerItem*>(item));
  return 0;
}

void CSerialLinkerEngine::HandOverCommand(CSerialLinkerItem& item) {
  CDCTag* tag = item.GetDCTag();
  if (!tag) return;
  std::uint32_t commandCount = 0;
  const Variant command = tag->GetValue(commandCount);
  // Only a command goes out, whatever its value. The echo of a reading, or a
  // second message of a command dealt with already, hands nothing over and
  // leaves the pending mark as that left it.
  if (!item.HoldsCommandNotYetWritten(commandCount)) return;
  // Handed over, or given up: either way it is never handed over again. Handed
  // over is not written: it is under way until its own outcome comes back.
  item.NoteCommandsWritten(commandCount);
  const LinkState state = GetLinkState();
  // The stop hands over what it finds waiting before it stops taking commands.
  const bool taking = state == LinkState::kRunning || (state == LinkState::kStopping && IsStarted());
  std::string failure;
  CModBusBase::Command handed;
  if (!taking || !m_master) {
    // A message still queued from before the stop reaches no device.
    failure = kStoppedCause;
  } else {
    Variant asFloat;
    const bool converted = SUCCEEDED(VariantChangeType(asFloat, command, VT_R4));
    const float scaled = converted ? asFloat.fltVal * IntPower(10.0f, item.GetFP()) : 0.0f;
    // Rounded, not truncated: 0.53 with two decimals is 52.999996 as a float and must go out as 53.
    const float rounded = std::nearbyint(scaled);
    if (!converted || !std::isfinite(rounded) || rounded < -2147483648.0f || rounded >= 2147483648.0f) {
      failure = kRegistersCannotHoldCause;
    } else if (state == LinkState::kRunning && !GetEngine()->IsRealHardware()) {
      // Away from the hardware a running link writes nothing: the command is dealt with.
      tag->SetWritePending(FALSE);
      item.RearmGivenUpNotice();
      return;
    } else {
      handed.item = &item;
      handed.commandCount = commandCount;
      handed.slave = item.GetSlaveAddress();
      handed.address = item.GetRegister() - kFirstHoldingRegister;
      handed.value = static_cast<std::int32_t>(rounded);
      handed.given = command;
      item.NoteCommandUnderWay();
      if (m_master->HandOver(handed)) return;
      item.NoteCommandOutcome();
      failure = kStoppedCause;
    }
  }
  item.SetErrorCount(item.GetErrorCount() + 1);
  GiveUpCommand(item, commandCount, command, failure);
  // It never went out: the next command that does, and is missed, is told on its own.
  item.RearmGivenUpNotice();
  SettleCommands(item);
}

LRESULT CSerialLinkerEngine::OnCommandOutcomes() {
  if (!m_master) return 0;
  HandleOutcomes(m_master->TakeOutcomes());
  // The stop ends as its master leaves.
  if (GetLinkState() == LinkState::kStopping && m_master->HasLeft()) FinishStop();
  return 0;
}

void CSerialLinkerEngine::HandleOutcomes(const std::vector<CModBusBase::CommandOutcome>& outcomes) {
  for (const CModBusBase::CommandOutcome& outcome : outcomes) {
    CSerialLinkerItem* item = outcome.command.item;
    CDCTag* tag = item ? item->GetDCTag() : nullptr;
    if (!tag) continue;
    const std::uint32_t commandCount = outcome.command.commandCount;
    item->NoteCommandOutcome();
    switch (outcome.result) {
      case CModBusBase::CommandOutcome::kWritten:
        // The device confirmed it holds the command: that is its latest value
        // until the next reading, and what a command given up later shows again.
        item->SetValue(Variant::R4(static_cast<float>(outcome.command.value)));
        // Only this command's mark ends: a newer one still waiting or under way keeps it.
        if (EndCommand(*item, commandCount)) ShowLatestReading(*item);  // in its registers' steps
        break;
      case CModBusBase::CommandOutcome::kPassedOver:
        item->SetErrorCount(item->GetErrorCount() + 1);
        GiveUpCommand(*item, commandCount, outcome.command.given, outcome.failure);
        break;
      case CModBusBase::CommandOutcome::kFailed:
        item->SetErrorCount(item->GetErrorCount() + 1);
        if (outcome.failure.rfind(CModBusBase::kRefusedCause, 0) == 0) {
          // A refusal is the device's answer to a command that went out: told
          // whether or not the tag's earlier commands were refused.
          GiveUpRefusedCommand(*item, commandCount, outcome.command.given, outcome.failure);
        } else {
          GiveUpCommand(*item, commandCount, outcome.command.given,
                        outcome.failure.empty() ? std::string("the device did not confirm it") : outcome.failure);
        }
        break;
      case CModBusBase::CommandOutcome::kSkippedSilentDevice:
        // Its device let a command at this stop go unanswered through all its
        // tries: given up untried, told together (see the stop).
        item->SetErrorCount(item->GetErrorCount() + 1);
        GiveUpCommand(*item, commandCount, outcome.command.given, CModBusBase::kNoAnswerCause, false);
        if (item->TakeGivenUpNotice()) {
          m_untoldToSilent.push_back(CommandAsText(outcome.command.given) + " for " + tag->GetTagName());
          m_silentDevices.insert(outcome.command.slave);
        }
        break;
    }
    SettleCommands(*item);
  }
}

void CSerialLinkerEngine::SettleCommands(CSerialLinkerItem& item) {
  CDCTag* tag = item.GetDCTag();
  if (!tag || item.HasCommandUnderWay()) return;
  // The last of the tag's commands under way has its outcome. Unless a newer
  // one waits to be handed over, the mark goes (a command given up while an
  // older one was written kept it until now) and the device's value shows.
  if (!tag->EndWriteOfCommand(item.GetCommandsWritten())) return;
  ShowLatestReading(item);
  // None known (not read since the link started): read before the other tags,
  // so the tag shows the device's value, not the command that never reached it.
  if (item.GetValue().IsEmpty()) item.AskReadFirst();
}

std::string CSerialLinkerEngine::PortName() const {
  if (m_master && !m_master->GetPortName().empty()) return m_master->GetPortName();
  if (!m_portName.empty()) return m_portName;
  // Not opened yet in this run: the port the settings name.
  std::string saved;
  CIniFile settings(GetEngine()->GetSettingsFileName());
  settings.ReadString(CComPortSelectDlg::kSection, "PortNumber", saved, "COM1");
  return saved;
}

std::string CSerialLinkerEngine::GivenUpText(CHwLinkerItem& base, const Variant& command, const std::string& cause) {
  auto& item = static_cast<CSerialLinkerItem&>(base);
  const CDCTag* tag = item.GetDCTag();
  const std::string name = tag ? tag->GetTagName() : std::string("?");
  const int slave = item.GetSlaveAddress();
  const std::string port = PortName();
  std::string advice;
  if (cause.rfind(CModBusBase::kRefusedCause, 0) == 0) {
    advice = ruv::Format("Check that device %d has register %d and takes this value, then give the command again.",
                         slave, item.GetRegister());
  } else if (cause.rfind(CModBusBase::kNoAnswerCause, 0) == 0) {
    advice = ruv::Format("Check that device %d is on, wired to %s and set to address %d, then give the command again.",
                         slave, port.c_str(), slave);
  } else if (cause == kStoppedCause || cause == kGivenWhileStoppedCause) {
    advice = "Give the command again while the data source is Real.";
  } else if (cause == kRegistersCannotHoldCause) {
    const double largest = 2147483647.0 / std::pow(10.0, item.GetFP());
    advice = ruv::Format("Give a value between %g and %g.", -largest, largest);
  } else if (cause.rfind(CModBusBase::kPassedOverCause, 0) == 0) {
    advice = "Give the tag fewer commands at a time; give the one that counts again.";
  } else {
    advice = ruv::Format("Check the serial port %s and its cable, then give the command again.", port.c_str());
  }
  return ruv::Format("The command %s for %s (device %d on %s) was given up: %s. %s shows the device's value again. %s",
                     CommandAsText(command).c_str(), name.c_str(), slave, port.c_str(), cause.c_str(), name.c_str(),
                     advice.c_str());
}

void CSerialLinkerEngine::TellCommandsToSilentDevices() {
  if (m_untoldToSilent.empty()) return;
  const std::size_t total = m_untoldToSilent.size();
  std::string named;
  std::string all;
  for (std::size_t i = 0; i < total; ++i) {
    const std::string separator = i == 0 ? "" : ", ";
    all += separator + m_untoldToSilent[i];
    if (i < kCommandsNamed) named += separator + m_untoldToSilent[i];
  }
  m_untoldToSilent.clear();
  std::string devices;
  for (const int slave : m_silentDevices) devices += (devices.empty() ? "" : ", ") + std::to_string(slave);
  const std::string where = ruv::Format("%s %s on %s", m_silentDevices.size() == 1 ? "device" : "devices",
                                        devices.c_str(), PortName().c_str());
  m_silentDevices.clear();
  const char* noun = total == 1 ? "command" : "commands";
  const char* verb = total == 1 ? "was" : "were";
  const std::string advice = ruv::Format(
      "%s the device's value again. Check that %s %s on and wired to the port, then give the %s again while the "
      "data source is Real.",
      total == 1 ? "Its tag shows" : "Their tags show", where.c_str(), devices.find(',') == std::string::npos ? "is" : "are",
      noun);
  if (total > kCommandsNamed) {
    // The box names a handful; the standard error output keeps them all.
    std::fprintf(stderr, "Hardware Linker Engine: The commands %s were given up: %s (%s).\n", all.c_str(),
                 CModBusBase::kNoAnswerCause, where.c_str());
    named += ruv::Format(" and %zu more", total - kCommandsNamed);
  }
  TellLater(nullptr, ruv::Format("The %s %s %s given up: %s (%s). %s", noun, named.c_str(), verb,
                                 CModBusBase::kNoAnswerCause, where.c_str(), advice.c_str()));
}

LRESULT CSerialLinkerEngine::OnModbusMessage(WPARAM wParam, LPARAM) {
  auto* item = reinterpret_cast<CSerialLinkerItem*>(wParam);
  // A message still queued from an earlier master may name nothing of ours.
  if (std::find(m_items.begin(), m_items.end(), item) == m_items.end()) return 0;
  ShowLatestReading(*item);
  return 0;
}

void CSerialLinkerEngine::ShowLatestReading(CHwLinkerItem& base) {
  auto& item = static_cast<CSerialLinkerItem&>(base);
  CDCTag* tag = item.GetDCTag();
  if (!tag) return;
  Variant value = item.GetValue();
  if (value.IsEmpty()) return;  // nothing read yet: the first reading will show
  if (item.GetFP() > 0) {
    bool ok = false;
    float scaled = ItemValueAsFloat(value, ok);
    if (!ok) return;
    for (int i = 0; i < item.GetFP(); ++i) scaled = static_cast<float>(scaled / 10.0);
    value = Variant::R4(scaled);
  }
  Variant typed;
  const VARTYPE type = item.GetValueType() != VT_EMPTY ? item.GetValueType() : tag->GetDataType();
  if (SUCCEEDED(VariantChangeType(typed, value, type))) {
    // A reading taken before a command was given, handled while the command's
    // own message is still queued, leaves the command in the tag to be written.
    const BOOL shown = item.ShowReading(typed);
    tag->SetReadPending(FALSE);
    // Checked and cleared in one step: a command given just now keeps its mark.
    if (shown) tag->EndWriteOfCommand(item.GetCommandsWritten());
  }
}

void CSerialLinkerEngine::OnQueryRateTimer() {
  if (!IsLinkRunning()) return;
  const DWORD elapsed = GetQueryRateStopwatch().GetElapsedMs();
  for (CHwLinkerItem* item : m_items) {
    const float rate = elapsed == 0 ? 0.0f : static_cast<float>(item->GetAnswerCount() * 1000.0 / elapsed);
    item->SetQueryRate(rate);
  }
  if (m_master) m_outages.EndRateWindow(DeviceReplies());
  CHwLinkerEngine::OnQueryRateTimer();
}

void CSerialLinkerEngine::OnWatchdogTimer() {
  if (!IsLinkRunning() || m_inWatchdog || !m_master) return;
  std::vector<SerialOutageWatch::TagCounts> tags;
  tags.reserve(m_items.size());
  for (CHwLinkerItem* base : m_items) {
    auto* item = static_cast<CSerialLinkerItem*>(base);
    const CDCTag* tag = item->GetDCTag();
    tags.push_back({item->GetSlaveAddress(), tag ? tag->GetTagName() : std::string(), item->GetUpdateRate(),
                    item->GetReadsAsked(), item->GetReadings(), item->GetReadsRefused(), item->GetReadsTimedOut(),
                    item->GetLateReplies(), item->GetTimeoutBand()});
  }
  const std::vector<SerialOutageWatch::Notice> notices =
      m_outages.Judge(GetTickCount(), tags, DeviceReplies(), m_master->GetPortName());
  if (GetWatchdogStopwatch().GetElapsedMs() >= kWatchdogPeriodMs) CHwLinkerEngine::OnWatchdogTimer();
  if (notices.empty()) return;
  // A box names a handful of tags; the standard error output keeps them all.
  for (const SerialOutageWatch::Notice& notice : notices) {
    if (notice.Shortened()) std::fprintf(stderr, "%s\n", notice.full.c_str());
  }
  std::fflush(stderr);
  // A box runs a message loop that may fire the timer again, or stop or release the link.
  m_inWatchdog = true;
  EnterServicingWait();
  for (const SerialOutageWatch::Notice& notice : notices) {
    if (!IsLinkRunning()) break;
    ShowMessageBox(notice.box, "", kConfigReportStyle);
  }
  m_inWatchdog = false;
  LeaveServicingWait();  // may delete this link: nothing of it is touched after
}

SerialOutageWatch::DeviceReplies CSerialLinkerEngine::DeviceReplies() const {
  SerialOutageWatch::DeviceReplies replies;
  for (CHwLinkerItem* item : m_items) {
    const int slave = static_cast<CSerialLinkerItem*>(item)->GetSlaveAddress();
    replies[slave] = m_master ? m_master->GetDeviceReplies(slave) : 0;
  }
  return replies;
}

CHwLinkerItem* CSerialLinkerEngine::CreateItem(CDCTag* tag) {
  for (CHwLinkerItem* item : m_items) {
    if (item->GetDCTag() == tag) return item;
  }
  return nullptr;
}

float CSerialLinkerEngine::IntPower(float base, int exponent) {
  unsigned int remaining = exponent < 0 ? 0u - static_cast<unsigned int>(exponent) : static_cast<unsigned int>(exponent);
  float result = 1.0f;
  float square = base;
  while (remaining != 0) {
    if ((remaining & 1u) != 0) result = result * square;
    remaining >>= 1;
    if (remaining != 0) square = square * square;
  }
  return exponent < 0 ? 1.0f / result : result;
}
