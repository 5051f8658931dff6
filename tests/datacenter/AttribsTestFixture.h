#pragma once
// Environment of the attribute tests: a fake engine with a data center and a
// temporary settings file, scripted boxes, recorded exits, injected keys and
// clipboard, and the test shape (constructed per test, window made on demand).
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "AttribsTestShape.h"
#include "common/IniFile.h"
#include "datacenter/DCTag.h"
#include "datacenter/DataCenterBase.h"
#include "datacenter/DataCenterTestSupport.h"
#include "platform/base/InputState.h"
#include "support/ScriptedMessageBox.h"
#include "support/TestEnvironment.h"

class AttribsTest : public ::testing::Test {
 protected:
  AttribsTest() {
    m_folder.Write("Qelo-Setting.ini", "");
    m_ini = std::make_unique<CIniFile>(m_folder.File("Qelo-Setting.ini"));
    m_engine.SetDataCenter(&m_center);
    m_engine.SetIniFile(m_ini.get());
    SetClipboard(&m_clipboard);
  }
  ~AttribsTest() override {
    m_shape.reset();
    m_parent.DestroyWindow();
    SetClipboard(nullptr);
  }

  void WriteSettings(const std::string& content) { m_folder.Write("Qelo-Setting.ini", content); }

  // A tag of the data center; `ioType` and `hwType` decide what it grants.
  CDCTag* AddTag(const std::string& name, VARTYPE type, int hwType = eHWNull, int ioType = eIONull) {
    auto tag = std::make_unique<CDCTag>();
    tag->SetTagName(name);
    tag->SetHWType(hwType);
    tag->SetIOType(ioType);
    tag->SetDataType(type);
    CDCTag* added = tag.get();
    EXPECT_EQ(m_center.AddTag(tag), eDCSuccess);
    return added;
  }

  TestShape& Shape() { return *m_shape; }
  // The shape as a live child window, listening to its tags.
  TestShape& ShapeWindow() {
    if (!m_parent.GetSafeHwnd()) {
      EXPECT_TRUE(m_parent.CreateEx(0, "", "plant", WS_OVERLAPPEDWINDOW, CRect(0, 0, 200, 200), nullptr, 0));
    }
    if (!m_shape->GetSafeHwnd()) {
      EXPECT_TRUE(m_shape->CreateUnder(m_parent));
    }
    return *m_shape;
  }
  CRAttrib& Attrib(int index) { return *m_shape->GetAttrib(index); }

  FakeEngine m_engine;
  ScriptedMessageBox m_boxes;
  RecordingExitHook m_exit;
  ScopedKeyState m_keys;
  MemoryClipboard m_clipboard;
  TempDir m_folder;
  std::unique_ptr<CIniFile> m_ini;
  CDataCenterBase m_center;
  CWnd m_parent;
  std::unique_ptr<TestShape> m_shape = std::make_unique<TestShape>();
};
