#pragma once
// Doubles shared by the link tests: an engine root with a settable data source,
// suspension and data center, and a small link over the hardware link frame
// that serves given tags and records what reaches it.
#include <atomic>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "datacenter/DCTag.h"
#include "datacenter/EngineServices.h"
#include "links/HwLinkerEngine.h"
#include "links/HwLinkerItem.h"

class LinkTestEngineRoot final : public IEngineServices {
 public:
  LinkTestEngineRoot() { SetEngine(this); }
  ~LinkTestEngineRoot() override { SetEngine(nullptr); }

  int GetDataSourceType() const override { return m_dataSource.load(); }
  bool IsSuspended() const override { return m_suspended.load(); }
  CDataCenterBase* GetDataCenter() const override { return m_dataCenter.load(); }
  CIniFile* GetIniFile() const override { return nullptr; }
  std::string GetSettingsFileName() const override { return "Qelo-Setting.ini"; }

  void SetDataSource(int type) { m_dataSource.store(type); }
  void SetSuspended(bool suspended) { m_suspended.store(suspended); }
  void SetDataCenter(CDataCenterBase* dataCenter) { m_dataCenter.store(dataCenter); }

 private:
  std::atomic<int> m_dataSource{eDataSourceNone};
  std::atomic<bool> m_suspended{false};
  std::atomic<CDataCenterBase*> m_dataCenter{nullptr};
};

// An item that counts its destructions, so tests see who deletes it.
class CountedLinkItem final : public CHwLinkerItem {
 public:
  CountedLinkItem(CHwLinkerEngine* engine, std::atomic<int>* deleted) : CHwLinkerItem(engine), m_deleted(deleted) {}
  ~CountedLinkItem() override {
    if (m_deleted) ++*m_deleted;
  }

 private:
  std::atomic<int>* m_deleted;
};

// Serves the tags it is given; builds one counted item per tag once.
class TestLink final : public CHwLinkerEngine {
 public:
  explicit TestLink(std::vector<CDCTag*> tags, bool usePollThread = false) : m_tags(std::move(tags)) {
    SetUsePollThread(usePollThread);
  }
  ~TestLink() override { Stop(); }

  BOOL BuildItems() override {
    if (IsReady()) return TRUE;
    CHwLinkerEngine::BuildItems();
    ++builds;
    for (CDCTag* tag : m_tags) {
      auto* item = new CountedLinkItem(this, deletionCounter);
      item->SetDCTag(tag);
      AddItem(item);
    }
    SetReady(TRUE);
    return IsReady();
  }
  void PollOnce() override { ++polls; }
  LRESULT OnTagMessage(CDCTag* tag, int changeCode) override {
    std::lock_guard<std::mutex> lock(m_mutex);
    tagMessages.emplace_back(tag, changeCode);
    return 0;
  }
  void OnQueryRateTimer() override {
    ++queryRateTicks;
    CHwLinkerEngine::OnQueryRateTimer();
  }
  void OnWatchdogTimer() override {
    ++watchdogTicks;
    CHwLinkerEngine::OnWatchdogTimer();
  }
  CHwLinkerItem* CreateItem(CDCTag* tag) override {
    ++creates;
    if (returnExistingItem) {
      for (CHwLinkerItem* item : GetItems()) {
        if (item->GetDCTag() == tag) return item;
      }
      return nullptr;
    }
    auto* item = new CountedLinkItem(this, deletionCounter);
    item->SetDCTag(tag);
    return item;
  }

  std::vector<std::pair<CDCTag*, int>> TagMessages() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return tagMessages;
  }

  int builds = 0;
  int creates = 0;
  bool returnExistingItem = false;
  std::atomic<int> polls{0};
  int queryRateTicks = 0;
  int watchdogTicks = 0;
  std::atomic<int> itemsDeleted{0};
  // Where items count their deletions (tests point it past the link's lifetime).
  std::atomic<int>* deletionCounter = &itemsDeleted;

 private:
  std::vector<CDCTag*> m_tags;
  mutable std::mutex m_mutex;
  std::vector<std::pair<CDCTag*, int>> tagMessages;
};

// A listener window that records the change codes it is told of, in order.
class TagCodeRecorder final : public IMessageTarget {
 public:
  TagCodeRecorder() : m_handle(RegisterMessageTarget(this)) {}
  ~TagCodeRecorder() override { UnregisterMessageTarget(m_handle); }
  HWND Handle() const { return m_handle; }
  LRESULT DispatchMessageToTarget(UINT message, WPARAM, LPARAM lParam) override {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (message == DCTAG_NOTIFY_MESSAGE) m_codes.push_back(static_cast<int>(lParam));
    return 0;
  }
  std::vector<int> Codes() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_codes;
  }

 private:
  HWND m_handle;
  mutable std::mutex m_mutex;
  std::vector<int> m_codes;
};

// A hardware tag as the tag file would give it.
inline std::unique_ptr<CDCTag> MakeHardwareTag(const std::string& name, int hwType, int ioType, VARTYPE type) {
  auto tag = std::make_unique<CDCTag>();
  tag->SetTagName(name);
  tag->SetHWType(hwType);
  tag->SetIOType(ioType);
  tag->SetDataType(type);
  return tag;
}
