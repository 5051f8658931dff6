#include "links/SerialLinkerEngine.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>

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
  return CHwLinkerEngine::WindowProc(message, wParam, lParam);
}

BOOL CSerialLinkerEngine::Start() {
  // A second master would fight the first one for the port it holds. A stop
  // waiting for a write under way (see Stop) is called off: the link runs on.
  if (m_running) {
    m_stopAfterWrites = false;
    return TRUE;
  }
  m_startFailureTold = false;
  if (!CHwLinkerEngine::Start()) return FALSE;
  // A master left by a start whose port would not open is replaced, never doubled.
  DropMaster();
  m_master = std::make_unique<CModBusBase>();
  std::vector<CSerialLinkerItem*> items;
  items.reserve(m_items.size());
  for (CHwLinkerItem* item : m_items) items.push_back(static_cast<CSerialLinkerItem*>(item));
  m_master->SetItems(std::move(items));

  m_portSettingsRefused = false;
  if (!OpenPort(*m_master)) {
    // A refused setting was told with the port, the settings and the cause: that box says it all.
    if (!m_portSettingsRefused) ShowMessageBox("Error: RuvFrame cannot connect to Serial Port!", "", kConfigReportStyle);
    m_startFailureTold = true;  // either box is the one: whoever started the link adds none
    return FALSE;
  }
  m_master->SetOwnerEngine(GetSafeHwnd());
  m_master->SetItemReplyLength(0, 9);
  if (!m_master->StartPolling()) return FALSE;
  m_outages.Restart(GetTickCount());
  m_running = true;
  return TRUE;
}

BOOL CSerialLinkerEngine::OpenPort(CModBusBase& master) {
  return ShowComPortDialog(&master, GetEngine()->GetSettingsFileName(), IsOverrideComboDown(), &m_portSettingsRefused)
             ? TRUE
             : FALSE;
}

BOOL CSerialLinkerEngine::Stop() {
  if (m_running && m_writing) {
    // Asked in the wait of a write under way further down this stack (the close
    // comes there too): that write holds the line, so the link stops once it
    // has returned (EndWrites), after writing what waits, and the outputs' last
    // commands still reach the devices.
    m_stopAfterWrites = true;
    return TRUE;
  }
  // Not once the window is gone (the link is being freed).
  return StopNow(m_running && IsWindow(GetSafeHwnd()));
}

BOOL CSerialLinkerEngine::StopNow(bool writeFirst) {
  // The commands given while the link ran go out before it stops: the plant
  // switches its outputs off just before it leaves the hardware, and their
  // messages are still queued.
  if (writeFirst) {
    BeginWrites();
    m_writingBeforeStop = true;
    for (CHwLinkerItem* item : m_items) {
      CDCTag* tag = item->GetDCTag();
      if (!tag || !tag->IsEnabled() || (tag->GetIOType() & eIOOutput) == 0) continue;
      if (item->HoldsCommandNotYetWritten(tag->GetCommandCount())) WriteTag(tag);
    }
    WriteWaitingTags();
    m_writingBeforeStop = false;
    TellCommandsToSilentDevices();
  }
  m_running = false;
  const BOOL result = CHwLinkerEngine::Stop();
  DropMaster();
  if (writeFirst) EndWrites();  // may delete this link: nothing of it is touched after
  return result;
}

void CSerialLinkerEngine::DropMaster() {
  if (!m_master) return;
  m_master->StopAndClose();
  if (m_writing) {
    // Stopped from a handler run by a write's wait: that write still runs in the
    // master (it finds the port closed); the master goes once it has returned.
    m_droppedMasters.push_back(std::move(m_master));
    return;
  }
  FreeMaster(std::move(m_master));
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
  if ((tag->GetIOType() & eIOOutput) == 0) {
    // A value given to an input goes to no device: its readings go on showing.
    if (CHwLinkerItem* item = FindOrCreateItem(tag)) item->NoteCommandsWritten(tag->GetCommandCount());
    return 0;
  }
  if (!FindOrCreateItem(tag)) return 1;
  if (m_writing) {
    // A write is under way further down this stack (its wait services messages):
    // this one waits its turn, and goes out with the tag's value at that time.
    if (std::find(m_waitingWrites.begin(), m_waitingWrites.end(), tag) == m_waitingWrites.end()) {
      m_waitingWrites.push_back(tag);
    }
    return 0;
  }
  BeginWrites();
  WriteTag(tag);
  EndWrites();  // may delete this link: nothing of it is touched after
  return 0;
}

void CSerialLinkerEngine::BeginWrites() {
  m_writing = true;
  // The write's wait services messages: the link may be stopped or released in
  // it (the close can come there); it lives on until the writes have returned.
  EnterServicingWait();
}

void CSerialLinkerEngine::WriteWaitingTags() {
  while (!m_waitingWrites.empty()) {
    CDCTag* next = m_waitingWrites.front();
    m_waitingWrites.erase(m_waitingWrites.begin());
    if (next->IsEnabled()) WriteTag(next);
  }
}

void CSerialLinkerEngine::EndWrites() {
  if (m_stopAfterWrites) {
    // The stop asked for during the writes: it writes what waits, to the devices.
    m_stopAfterWrites = false;
    if (m_running) StopNow(true);
  }
  WriteWaitingTags();
  m_writing = false;
  for (auto& master : m_droppedMasters) FreeMaster(std::move(master));
  m_droppedMasters.clear();
  LeaveServicingWait();
}

void CSerialLinkerEngine::WriteTag(CDCTag* tag) {
  auto* item = static_cast<CSerialLinkerItem*>(FindOrCreateItem(tag));
  if (!item) return;
  std::uint32_t commandCount = 0;
  const Variant command = tag->GetValue(commandCount);
  // Only a command goes out, whatever its value. The echo of a reading, or a
  // second message of a command dealt with already, writes nothing and leaves
  // the pending mark as that left it.
  if (!item->HoldsCommandNotYetWritten(commandCount)) return;
  // A message still queued from before Stop reaches no device (the stop gave its command up).
  std::string failure;
  bool sent = false;  // to the device, which confirmed it (not a write skipped away from the hardware)
  if (!m_running || !m_master) {
    failure = kStoppedCause;
  } else if (m_writingBeforeStop && m_silentAtStop.count(item->GetSlaveAddress()) != 0) {
    // Its device let a command at this stop go unanswered through all its
    // tries: the rest are given up at once, told together (see the stop).
    item->NoteCommandsWritten(commandCount);
    item->SetErrorCount(item->GetErrorCount() + 1);
    GiveUpCommand(*item, commandCount, command, CModBusBase::kNoAnswerCause, false);
    if (item->TakeGivenUpNotice()) {
      m_untoldToSilent.push_back(CommandAsText(command) + " for " + tag->GetTagName());
    }
    return;
  } else if (tag->GetDataType() == VT_R4) {
    Variant asFloat;
    const bool converted = SUCCEEDED(VariantChangeType(asFloat, command, VT_R4));
    const float scaled = converted ? asFloat.fltVal * IntPower(10.0f, item->GetFP()) : 0.0f;
    // Rounded, not truncated: 0.53 with two decimals is 52.999996 as a float and must go out as 53.
    const float rounded = std::nearbyint(scaled);
    if (!converted || !std::isfinite(rounded) || rounded < -2147483648.0f || rounded >= 2147483648.0f) {
      failure = "the device's registers cannot hold it";
    } else {
      // At the stop the data source has left the hardware already; the
      // commands given before still go to the device.
      const bool toDevice = m_writingBeforeStop || GetEngine()->IsRealHardware();
      const int slave = item->GetSlaveAddress();
      const int address = item->GetRegister() - kFirstHoldingRegister;
      const auto value = static_cast<std::int32_t>(rounded);
      if (!(toDevice ? m_master->WriteRegistersToDevice(slave, address, value, &failure)
                     : m_master->WriteRegisters(slave, address, value, &failure))) {
        if (failure.empty()) failure = "the device did not confirm it";
        if (m_writingBeforeStop && failure.rfind(CModBusBase::kNoAnswerCause, 0) == 0) m_silentAtStop.insert(slave);
      } else if (toDevice) {
        // The device confirmed it holds the command: that is its latest value
        // until the next reading, and what a command given up later shows again.
        item->SetValue(Variant::R4(rounded));
        sent = true;
      }
    }
  }
  // Written, or given up: either way it is never written again, and the
  // device's readings show on the tag again.
  item->NoteCommandsWritten(commandCount);
  if (failure.empty()) {
    tag->SetWritePending(FALSE);
    item->RearmGivenUpNotice();
    if (sent) ShowLatestReading(*item);  // as the device holds it, in its registers' steps
    return;
  }
  item->SetErrorCount(item->GetErrorCount() + 1);
  GiveUpCommand(*item, commandCount, command, failure);
}

void CSerialLinkerEngine::TellCommandsToSilentDevices() {
  m_silentAtStop.clear();
  if (m_untoldToSilent.empty()) return;
  std::string commands;
  for (const std::string& command : m_untoldToSilent) commands += (commands.empty() ? "" : ", ") + command;
  const char* noun = m_untoldToSilent.size() == 1 ? "command" : "commands";
  const char* verb = m_untoldToSilent.size() == 1 ? "was" : "were";
  m_untoldToSilent.clear();
  TellLater(nullptr, ruv::Format("The %s %s %s given up: %s.", noun, commands.c_str(), verb, CModBusBase::kNoAnswerCause));
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
    if (shown) tag->SetWritePending(FALSE);
  }
}

void CSerialLinkerEngine::OnQueryRateTimer() {
  if (!m_running) return;
  const DWORD elapsed = GetQueryRateStopwatch().GetElapsedMs();
  for (CHwLinkerItem* item : m_items) {
    const float rate = elapsed == 0 ? 0.0f : static_cast<float>(item->GetAnswerCount() * 1000.0 / elapsed);
    item->SetQueryRate(rate);
  }
  if (m_master) m_outages.EndRateWindow(DeviceReplies());
  CHwLinkerEngine::OnQueryRateTimer();
}

void CSerialLinkerEngine::OnWatchdogTimer() {
  if (!m_running || m_inWatchdog || !m_master) return;
  std::vector<SerialOutageWatch::TagCounts> tags;
  tags.reserve(m_items.size());
  for (CHwLinkerItem* base : m_items) {
    auto* item = static_cast<CSerialLinkerItem*>(base);
    const CDCTag* tag = item->GetDCTag();
    tags.push_back({item->GetSlaveAddress(), tag ? tag->GetTagName() : std::string(), item->GetUpdateRate(),
                    item->GetReadsAsked(), item->GetReadings(), item->GetReadsRefused()});
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
    if (!m_running) break;
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
