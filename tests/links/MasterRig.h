#pragma once
// What the master's tests share: an engine root whose data source the test sets,
// a window that records message 5377 with the item's value at delivery, and
// items built like the serial link builds them.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "datacenter/EngineServices.h"
#include "links/ModBusBase.h"
#include "links/ModbusRtu.h"
#include "links/SerialLinkerItem.h"
#include "platform/ui/MessageCore.h"

class FakeEngine : public IEngineServices {
 public:
  FakeEngine() { SetEngine(this); }
  ~FakeEngine() override { SetEngine(nullptr); }
  int GetDataSourceType() const override { return m_type.load(); }
  bool IsSuspended() const override { return false; }
  CDataCenterBase* GetDataCenter() const override { return nullptr; }
  CIniFile* GetIniFile() const override { return nullptr; }
  std::string GetSettingsFileName() const override { return {}; }
  void SetDataSourceType(int type) { m_type.store(type); }

 private:
  std::atomic<int> m_type{eDataSourceRealHW};
};

class RecordingWindow : public IMessageTarget {
 public:
  struct Message {
    CSerialLinkerItem* item;
    float value;  // the item's value when the message was handled
    bool empty;
  };
  RecordingWindow() : m_handle(RegisterMessageTarget(this)) {}
  ~RecordingWindow() override { UnregisterMessageTarget(m_handle); }
  HWND Handle() const { return m_handle; }
  LRESULT DispatchMessageToTarget(UINT message, WPARAM wParam, LPARAM) override {
    if (message != CModBusBase::kValueMessage) return 0;
    auto* item = reinterpret_cast<CSerialLinkerItem*>(wParam);
    const Variant value = item->GetValue();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_messages.push_back({item, value.vt == VT_R4 ? value.fltVal : 0.0f, value.IsEmpty()});
    return 0;
  }
  std::vector<Message> MessagesFor(const CSerialLinkerItem* item) {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<Message> out;
    for (const auto& m : m_messages)
      if (m.item == item) out.push_back(m);
    return out;
  }
  std::size_t Count() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_messages.size();
  }

 private:
  HWND m_handle;
  std::mutex m_mutex;
  std::vector<Message> m_messages;
};

inline std::unique_ptr<CSerialLinkerItem> MakeItem(int slave, int registerNumber, DWORD updateRate = 20,
                                                   DWORD timeoutBand = 200) {
  auto item = std::make_unique<CSerialLinkerItem>(nullptr);
  item->SetSlaveAddress(slave);
  item->SetRegister(registerNumber);
  item->SetFP(0);
  item->SetUpdateRate(updateRate);
  item->SetTimeoutBand(timeoutBand);
  return item;
}

inline float ValueOf(const CSerialLinkerItem& item) {
  const Variant v = item.GetValue();
  return v.vt == VT_R4 ? v.fltVal : -12345.0f;
}

// Delivers posted messages until `done` holds or about ten seconds passed.
inline bool PumpUntil(const std::function<bool()>& done);

// A command handed over to `master`'s polling thread (which must run), and its
// outcome once the thread told it (messages delivered meanwhile); kFailed with
// "not told" when none came within the wait.
inline CModBusBase::CommandOutcome WriteThroughPoller(CModBusBase& master, int slave, int address, std::int32_t value) {
  static std::atomic<std::uint32_t> commands{0};
  CModBusBase::Command command;
  command.commandCount = ++commands;
  command.slave = slave;
  command.address = address;
  command.value = value;
  command.given = Variant::I4(value);
  std::optional<CModBusBase::CommandOutcome> told;
  if (master.HandOver(command)) {
    PumpUntil([&] {
      for (CModBusBase::CommandOutcome& outcome : master.TakeOutcomes()) {
        if (outcome.command.commandCount == command.commandCount) told = std::move(outcome);
      }
      return told.has_value();
    });
  }
  if (told) return *told;
  CModBusBase::CommandOutcome untold;
  untold.command = command;
  untold.failure = "not told";
  return untold;
}

// A master that watches its own port, where it decides (a busy machine may hold
// bytes back inside a pseudo-terminal, so what the far end sees is no measure):
//  - the silence it leaves between the last byte it read and each frame it
//    starts to write;
//  - for a write, whether the slave's reply to one of its tries reached the
//    port within that try's reply time. Then the master must report the write
//    done; otherwise no master could (a slave held up past the reply time looks
//    like one that never answers).
class LineWatchingMaster : public CModBusBase {
 public:
  using Clock = std::chrono::steady_clock;

  LONG Read(void* buffer, DWORD length, DWORD* read = nullptr, OVERLAPPED* overlapped = nullptr,
            DWORD timeoutMs = INFINITE) override {
    DWORD count = 0;
    const LONG result = CModBusBase::Read(buffer, length, &count, overlapped, timeoutMs);
    if (read != nullptr) *read = count;
    if (count == 0) {
      // The line found quiet: a look the next frame of this thread is sent on.
      std::lock_guard<std::mutex> lock(m_mutex);
      m_lastLook[std::this_thread::get_id()] = Clock::now();
    } else {
      const Clock::time_point now = Clock::now();  // the master had the bytes no earlier
      std::lock_guard<std::mutex> lock(m_mutex);
      m_lastRead = now;
      if (m_tracing) {
        const auto* bytes = static_cast<const BYTE*>(buffer);
        m_trace.push_back({false, now, std::vector<BYTE>(bytes, bytes + count)});
      }
    }
    return result;
  }
  LONG Write(const void* data, DWORD length, DWORD* written = nullptr, OVERLAPPED* overlapped = nullptr,
             DWORD timeoutMs = INFINITE) override {
    {
      const Clock::time_point now = Clock::now();  // the frame leaves no earlier
      std::lock_guard<std::mutex> lock(m_mutex);
      // Bytes read on another thread after this thread last found the line quiet
      // came in while the frame was on its way out: no master can keep a silence
      // it has not seen begin (on a busy machine the pseudo-terminal or the slave
      // may hold a reply's bytes back for longer than the line's silence).
      const auto look = m_lastLook.find(std::this_thread::get_id());
      const bool cameAfterLook = look != m_lastLook.end() && m_lastRead && *m_lastRead > look->second;
      if (look != m_lastLook.end()) m_lastLook.erase(look);
      if (cameAfterLook) {
        m_lastRead.reset();
      } else if (m_lastRead) {
        const double seconds = std::chrono::duration<double>(now - *m_lastRead).count();
        ++m_silences;
        m_totalSeconds += seconds;
        if (seconds < FrameSilenceSeconds()) ++m_shortSilences;
        if (m_silences == 1 || seconds < m_shortestSeconds) m_shortestSeconds = seconds;
        m_lastRead.reset();  // one silence per frame written
      }
      if (m_tracing) {
        const auto* bytes = static_cast<const BYTE*>(data);
        m_trace.push_back({true, now, std::vector<BYTE>(bytes, bytes + length)});
      }
    }
    return CModBusBase::Write(data, length, written, overlapped, timeoutMs);
  }

  struct Silences {
    int count = 0;  // frames written after bytes were read
    int belowRule = 0;  // shorter than the line's silence
    double shortestChars = 0;
    double shortestSeconds = 0;
    double meanSeconds = 0;
  };
  Silences MeasuredSilences() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return {m_silences, m_shortSilences, m_shortestSeconds / CharacterSeconds(), m_shortestSeconds,
            m_silences > 0 ? m_totalSeconds / m_silences : 0.0};
  }
  void ResetSilences() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_silences = 0;
    m_totalSeconds = 0;
    m_shortSilences = 0;
    m_shortestSeconds = 0;
  }

  struct WriteOutcome {
    bool done = false;
    bool answeredInTime = false;  // a try's reply reached the port within its reply time
    int tries = 0;                // write requests that went out
  };
  // A command written by the polling thread, watched.
  WriteOutcome WatchedWrite(int slave, int address, std::int32_t value) {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_trace.clear();
      m_tracing = true;
    }
    WriteOutcome outcome;
    outcome.done = WriteThroughPoller(*this, slave, address, value).result == CommandOutcome::kWritten;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_tracing = false;
    for (std::size_t i = 0; i < m_trace.size(); ++i) {
      const Traced& sent = m_trace[i];
      if (!sent.written || sent.bytes.size() < 6 || sent.bytes[1] != modbus::kWriteMultipleRegisters) continue;
      ++outcome.tries;
      std::vector<BYTE> reply(sent.bytes.begin(), sent.bytes.begin() + 6);
      modbus::AppendCrc(reply);
      const auto replyTime = std::chrono::duration_cast<Clock::duration>(
          std::chrono::duration<double>(sent.bytes.size() * CharacterSeconds()) +
          std::chrono::milliseconds(kWriteReplyTimeoutMs));
      std::vector<BYTE> heard;
      for (std::size_t j = i + 1; j < m_trace.size() && !m_trace[j].written; ++j) {
        if (m_trace[j].at - sent.at > replyTime) break;
        heard.insert(heard.end(), m_trace[j].bytes.begin(), m_trace[j].bytes.end());
      }
      if (std::search(heard.begin(), heard.end(), reply.begin(), reply.end()) != heard.end()) {
        outcome.answeredInTime = true;
      }
    }
    return outcome;
  }

 private:
  struct Traced {
    bool written;  // a frame written, else bytes read
    Clock::time_point at;
    std::vector<BYTE> bytes;
  };

  // 8N1: ten bits a character; the line's silence is 3.5 of them, a fixed 1.75 ms
  // above 19 200 baud. The baud is asked once: not in the way of every frame.
  int Baud() {
    if (m_baud <= 0) m_baud = GetBaudRate();
    return m_baud;
  }
  double CharacterSeconds() { return Baud() > 0 ? 10.0 / Baud() : 1.0; }
  double FrameSilenceSeconds() { return Baud() > 19200 ? 1.75e-3 : 3.5 * CharacterSeconds(); }

  std::mutex m_mutex;
  std::optional<Clock::time_point> m_lastRead;
  std::map<std::thread::id, Clock::time_point> m_lastLook;  // per thread, since its last frame
  int m_silences = 0;
  int m_shortSilences = 0;
  double m_shortestSeconds = 0;
  double m_totalSeconds = 0;
  int m_baud = 0;
  bool m_tracing = false;
  std::vector<Traced> m_trace;
};

// Delivers posted messages until `done` holds or about ten seconds passed.
inline bool PumpUntil(const std::function<bool()>& done) {
  for (int i = 0; i < 2000; ++i) {
    PumpPendingMessages();
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  PumpPendingMessages();
  return done();
}
