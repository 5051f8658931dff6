#pragma once
// Doubles shared by the data-center tests: an engine root with a settable data
// source, data center and settings file, and a listener window that records
// the messages it receives.
#include <atomic>
#include <mutex>
#include <vector>

#include "datacenter/EngineServices.h"
#include "platform/ui/MessageCore.h"

class FakeEngine final : public IEngineServices {
 public:
  FakeEngine() { SetEngine(this); }
  ~FakeEngine() override { SetEngine(nullptr); }

  int GetDataSourceType() const override { return m_dataSource.load(); }
  bool IsSuspended() const override { return m_suspended.load(); }
  CDataCenterBase* GetDataCenter() const override { return m_dataCenter; }
  CIniFile* GetIniFile() const override { return m_iniFile; }
  std::string GetSettingsFileName() const override { return "Qelo-Setting.ini"; }

  void SetDataSource(int type) { m_dataSource.store(type); }
  void SetDataCenter(CDataCenterBase* dataCenter) { m_dataCenter = dataCenter; }
  void SetIniFile(CIniFile* iniFile) { m_iniFile = iniFile; }

 private:
  std::atomic<int> m_dataSource{eDataSourceNone};
  std::atomic<bool> m_suspended{false};
  CDataCenterBase* m_dataCenter = nullptr;
  CIniFile* m_iniFile = nullptr;
};

struct ReceivedMessage {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

class RecordingWindow final : public IMessageTarget {
 public:
  RecordingWindow() : m_handle(RegisterMessageTarget(this)) {}
  ~RecordingWindow() override { Destroy(); }

  HWND Handle() const { return m_handle; }
  // The handle dies; the number stays so tests can still name it.
  void Destroy() {
    if (m_alive) UnregisterMessageTarget(m_handle);
    m_alive = false;
  }

  LRESULT DispatchMessageToTarget(UINT message, WPARAM wParam, LPARAM lParam) override {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_received.push_back({message, wParam, lParam});
    return 0;
  }

  std::vector<ReceivedMessage> Received() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_received;
  }
  std::vector<LPARAM> Codes() const {
    std::vector<LPARAM> codes;
    for (const ReceivedMessage& m : Received()) codes.push_back(m.lParam);
    return codes;
  }
  void Forget() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_received.clear();
  }

 private:
  HWND m_handle;
  bool m_alive = true;
  mutable std::mutex m_mutex;
  std::vector<ReceivedMessage> m_received;
};

// Delivers everything posted to the UI thread so far.
inline void DeliverPosted() {
  PumpPendingMessages();
  PumpPendingMessages();
}
