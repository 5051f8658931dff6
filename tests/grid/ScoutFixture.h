#pragma once
// What the tag scout's tests share: an engine root over a data center of
// generated tags, a listener that counts the tags' change messages, and the
// scout opened with the override keys held.
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "datacenter/DCTag.h"
#include "datacenter/DataCenterBase.h"
#include "datacenter/EngineServices.h"
#include "grid/CDataCenterScoutDlg.h"
#include "platform/base/InputState.h"
#include "platform/ui/MessageCore.h"

class ScoutEngine final : public IEngineServices {
 public:
  ScoutEngine() { SetEngine(this); }
  ~ScoutEngine() override { SetEngine(nullptr); }
  int GetDataSourceType() const override { return eDataSourceDemo; }
  bool IsSuspended() const override { return suspended.load(); }
  CDataCenterBase* GetDataCenter() const override { return const_cast<CDataCenterBase*>(&dataCenter); }
  CIniFile* GetIniFile() const override { return nullptr; }
  std::string GetSettingsFileName() const override { return {}; }

  // A tag of `type` with `value`; limits only when given (not empty).
  CDCTag* AddTag(int id, const std::string& name, const Variant& value, const Variant& minimum = Variant(),
                 const Variant& maximum = Variant()) {
    auto tag = std::make_unique<CDCTag>();
    tag->SetTagID(id);
    tag->SetTagName(name);
    tag->SetAccessPath("Path" + std::to_string(id));
    tag->SetHWType(eHWAdv);
    tag->SetIOType(eIOOutput);
    tag->SetDataType(value.vt);
    tag->SetValue(value);
    if (!minimum.IsEmpty() || !maximum.IsEmpty()) {
      tag->SetMinValue(minimum);
      tag->SetMaxValue(maximum);
    } else {
      tag->SetMinValue(Variant());
      tag->SetMaxValue(Variant());
    }
    CDCTag* added = tag.get();
    dataCenter.AddTag(tag);
    return added;
  }
  // `count` float tags named "Tag<i>" with ids from 1000.
  void AddFloatTags(int count) {
    for (int i = 0; i < count; ++i) AddTag(1000 + i, "Tag" + std::to_string(i), Variant::R4(static_cast<float>(i)));
  }

  CDataCenterBase dataCenter;
  std::atomic<bool> suspended{false};
};

// Counts message 5374 per code.
class ChangeListener final : public IMessageTarget {
 public:
  ChangeListener() : m_handle(RegisterMessageTarget(this)) {}
  ~ChangeListener() override { UnregisterMessageTarget(m_handle); }
  HWND Handle() const { return m_handle; }
  LRESULT DispatchMessageToTarget(UINT message, WPARAM, LPARAM lParam) override {
    if (message == DCTAG_NOTIFY_MESSAGE) {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_codes.push_back(static_cast<int>(lParam));
    }
    return 0;
  }
  std::vector<int> Codes() {
    PumpPendingMessages();
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_codes;
  }
  void Clear() {
    PumpPendingMessages();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_codes.clear();
  }

 private:
  HWND m_handle;
  std::mutex m_mutex;
  std::vector<int> m_codes;
};

// Ctrl and Shift held for the opening only.
inline BOOL OpenScout(CDataCenterScoutDlg& scout, InjectedKeyState& keys) {
  keys.Press(VK_CONTROL);
  keys.Press(VK_SHIFT);
  const BOOL created = scout.Create(IDD_DATACENTER_SCOUT);
  keys.Release(VK_CONTROL);
  keys.Release(VK_SHIFT);
  return created;
}
