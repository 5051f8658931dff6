#pragma once
// Doubles of the shape tests: a small device kind over the shape base, a plant
// form that accepts or refuses message 5375 and records what reaches it, and a
// fixture with a data center, a temporary settings file in table entry 1,
// scripted boxes, recorded exits, injected keys and clipboard.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "common/Conversions.h"
#include "common/IniFile.h"
#include "datacenter/DCTag.h"
#include "datacenter/DataCenterBase.h"
#include "datacenter/DataCenterTestSupport.h"
#include "platform/base/InputState.h"
#include "platform/ui/CBrush.h"
#include "platform/ui/CDC.h"
#include "platform/ui/ColorRef.h"
#include "platform/ui/MenuTable.h"
#include "shapes/BaseShape.h"
#include "support/ScriptedMessageBox.h"
#include "support/TestEnvironment.h"

// A vessel-like kind: a level clamped to its maximum, a boolean command, an
// integer and a text of its own.
class TestKindShape final : public C_BaseShape {
 public:
  enum : int { kLevel = 26, kMaxLevel, kOpen, kSpeed, kLabel, kAttribCount };
  static constexpr UINT kMenuId = 9801;
  static constexpr UINT kCommandTakeOnOff = 9802;
  static constexpr COLORREF kBodyColor = RGB(17, 34, 51);
  static constexpr COLORREF kFillColor = RGB(10, 20, 30);

  TestKindShape(const std::string& name, int instanceIndex)
      : C_BaseShape(1, ShapeRecord(5, 6, 40, 30, 0, 1, name), eShapeKindVessel, instanceIndex) {
    SetAttribCount(kAttribCount);
  }

  BOOL CreateShape(CWnd* parent) override {
    RegisterMenuResource(kMenuId, {MenuTableItem::Popup("Shape", {MenuTableItem::Command(kCommandTakeOnOff, "Take On/Off")})});
    LoadPopupMenu(kMenuId);
    return C_BaseShape::CreateShape(parent);
  }

  int GetFirstIndex(VARTYPE type) const override {
    switch (type) {
      case VT_R4: return kLevel;
      case VT_BOOL: return kOpen;
      case VT_I4: return kSpeed;
      case VT_BSTR: return kLabel;
      default: return -1;
    }
  }
  int GetLastIndex(VARTYPE type) const override {
    const int first = GetFirstIndex(type);
    if (first < 0) return -1;
    return type == VT_R4 ? kOpen : first + 1;
  }
  std::string GetAttribNameAt(int index) const override {
    switch (index) {
      case kLevel: return "Level";
      case kMaxLevel: return "MaxVluLevel";
      case kOpen: return "Open";
      case kSpeed: return "Speed";
      case kLabel: return "Label";
      default: return GetAttribName(index);
    }
  }
  int GetAnalogRole(int index) const override {
    if (index == kLevel) return eAnalogPhysical;
    if (index == kMaxLevel) return eAnalogMax;
    return eAnalogNone;
  }
  int GetColor(int index) const override {
    return index == eShapeColorBody ? static_cast<int>(kBodyColor) : C_BaseShape::GetColor(index);
  }

  void SetAttribBool(int index, bool value) override { StoreAttribBool(index, value); }
  void SetAttribFloat(int index, float value) override {
    if (index == kLevel) value = std::min(value, GetAttribFloat(kMaxLevel));
    StoreAttribFloat(index, value);
  }

  // Stores run on workers too: the record is locked (read it once they are done).
  BOOL OnAttribAccepted(int index) override {
    std::lock_guard<std::mutex> lock(m_reactionsMutex);
    reactions.push_back(index);
    return index == refusedReaction ? FALSE : TRUE;
  }
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
    commands.push_back(LOWORD(wParam));
    return C_BaseShape::OnCommand(wParam, lParam);
  }
  void Draw(CDC* dc) override {
    CRect client;
    GetClientRect(&client);
    CBrush fill(kFillColor);
    dc->FillRect(&client, &fill);
    DrawSelectionFrame(dc);
  }

  std::vector<int> reactions;
  std::vector<UINT> commands;
  int refusedReaction = -1;

 private:
  std::mutex m_reactionsMutex;
};

// The plant form as the shapes see it: answers 5375 (refusing one attribute
// index, or every one) and records 5375, 5376 and 1143.
class PlantFormDouble final : public CWnd {
 public:
  struct Received {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
  };

  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == GetAttribsPackMessageId() || message == SHAPE_PENDING_MESSAGE || message == SHAPE_NOTIFY_MESSAGE) {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_received.push_back({message, wParam, lParam});
      if (message != GetAttribsPackMessageId()) return 0;
      return refuseAll.load() || static_cast<int>(lParam) == refusedIndex.load() ? 1 : 0;
    }
    return CWnd::WindowProc(message, wParam, lParam);
  }

  std::vector<Received> Of(UINT message) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<Received> found;
    for (const Received& r : m_received)
      if (r.message == message) found.push_back(r);
    return found;
  }
  void Forget() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_received.clear();
  }

  std::atomic<int> refusedIndex{-1};
  std::atomic<bool> refuseAll{false};

 private:
  mutable std::mutex m_mutex;
  std::vector<Received> m_received;
};

class ShapeTest : public ::testing::Test {
 protected:
  ShapeTest() {
    WriteSettings("[Vessel.Mixer1]\nOther=1\n");
    C_BaseShape::InitIniTable(2);
    C_BaseShape::SetIniTableEntry(1, std::make_unique<CIniFile>(m_folder.File("Qelo-Setting.ini")));
    m_engine.SetDataCenter(&m_center);
    SetClipboard(&m_clipboard);
  }
  ~ShapeTest() override {
    if (m_shape) m_shape->DestroyWindow();
    m_form.DestroyWindow();
    m_shape.reset();
    C_BaseShape::FreeIniTable();
    SetClipboard(nullptr);
  }

  void WriteSettings(const std::string& content) { m_folder.Write("Qelo-Setting.ini", content); }
  std::string Settings() const { return m_folder.Read("Qelo-Setting.ini"); }

  // A duplex card tag: it can be read-pending, and write-pending while the data source is Real.
  CDCTag* AddTag(const std::string& name, VARTYPE type) {
    auto tag = std::make_unique<CDCTag>();
    tag->SetTagName(name);
    tag->SetHWType(eHWAdv);
    tag->SetIOType(eIODuplex);
    tag->SetDataType(type);
    CDCTag* added = tag.get();
    EXPECT_EQ(m_center.AddTag(tag), eDCSuccess);
    return added;
  }

  // The shape (Mixer1, instance 3) as a live child of the plant form double.
  TestKindShape& Shape() {
    if (!m_form.GetSafeHwnd()) {
      EXPECT_TRUE(m_form.CreateEx(0, "", "plant", WS_OVERLAPPEDWINDOW, CRect(0, 0, 300, 200), nullptr, 0));
    }
    if (!m_shape->GetSafeHwnd()) {
      EXPECT_TRUE(m_shape->CreateShape(&m_form));
    }
    DeliverPosted();
    return *m_shape;
  }

  FakeEngine m_engine;
  ScriptedMessageBox m_boxes;
  RecordingExitHook m_exit;
  ScopedKeyState m_keys;
  MemoryClipboard m_clipboard;
  TempDir m_folder;
  CDataCenterBase m_center;
  PlantFormDouble m_form;
  std::unique_ptr<TestKindShape> m_shape = std::make_unique<TestKindShape>("Mixer1", 3);
};
