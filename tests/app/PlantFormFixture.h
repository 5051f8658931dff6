#pragma once
// The whole application started in a temporary program folder that holds the
// committed default settings and tag files and an empty database made from the
// schema; boxes are scripted, and modal dialogs nobody scripted are cancelled.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QToolBar>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "app/ChildFrame.h"
#include "app/MainFrame.h"
#include "app/RuvFrameApp.h"
#include "app/RuvFrameView.h"
#include "platform/base/IniProfile.h"
#include "platform/base/ProgramFolder.h"
#include "platform/db/DbTestSupport.h"
#include "platform/ui/CWinApp.h"
#include "platform/ui/ModalDialogScript.h"
#include "plant/RuvEngineApp.h"
#include "support/ScriptedMessageBox.h"
#include "support/TestEnvironment.h"

class PlantFormFixture : public ::testing::Test {
 protected:
  PlantFormFixture() {
    SetProgramFolderOverride(dir.Path());
    // Each start takes the single-instance lock for good: a folder of its own per test.
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime) savedRuntimeDir = runtime;
    hadRuntimeDir = runtime != nullptr;
    ::setenv("XDG_RUNTIME_DIR", dir.Path().c_str(), 1);
    for (const char* name : {"Qelo-Setting.ini", "Qelo-DCTags.dct"}) dir.Write(name, ReadFile(std::string(RUV_DATA_DIR "/") + name));
    ini::ClearCache();
    modal_script::SetUnscriptedAnswer(IDCANCEL);
  }
  ~PlantFormFixture() override {
    modal_script::Clear();
    modal_script::SetUnscriptedAnswer(0);
    ini::ClearCache();
    SetProgramFolderOverride("");
    if (hadRuntimeDir) ::setenv("XDG_RUNTIME_DIR", savedRuntimeDir.c_str(), 1);
    else ::unsetenv("XDG_RUNTIME_DIR");
  }

  void MakeDatabase(const std::string& rows = std::string()) {
    ASSERT_EQ(::MakeDatabase(DatabasePath(), ReadFile(RUV_SCHEMA_SQL)), "");
    if (!rows.empty()) {
      ASSERT_EQ(RawDatabase(DatabasePath()).Exec(rows), SQLITE_OK);
    }
  }
  // The application's start as AfxWinMain runs it; false when it refused.
  bool StartApplication() {
    if (!theApp.InitInstance()) return false;
    main = dynamic_cast<CMainFrame*>(theApp.m_pMainWnd);
    child = main ? dynamic_cast<CChildFrame*>(main->MDIGetActive()) : nullptr;
    view = child ? dynamic_cast<CRuvFrameView*>(child->GetActiveView()) : nullptr;
    return view != nullptr;
  }
  // The worker cycles stopped, so nothing but the test moves the plant.
  void StopCycles() {
    if (CRuvEngineApp* engine = GetEngineRoot()) engine->StopThreads();
  }
  // Closes the windows without the question and ends the loop; the exit code.
  int CloseApplication() {
    if (theApp.m_pMainWnd) theApp.m_pMainWnd->DestroyWindow();
    theApp.CloseAllDocuments();
    main = nullptr;
    child = nullptr;
    view = nullptr;
    const int code = IsQuitPosted() ? theApp.Run() : theApp.ExitInstance();
    // The closed windows' widgets are deleted later from an event loop; none
    // runs after a test, so they go here (and ASan sees whatever outlives them).
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return code;
  }
  void TearDown() override {
    CloseApplication();
    EXPECT_EQ(boxes.Pending(), 0u);
  }

  std::string DatabasePath() const { return dir.File("Qelo-DataBase.mdb"); }
  static std::string ReadFile(const std::string& path) {
    std::stringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
  }

  ScriptedMessageBox boxes;
  TempDir dir;
  std::string savedRuntimeDir;
  bool hadRuntimeDir = false;
  CMainFrame* main = nullptr;
  CChildFrame* child = nullptr;
  CRuvFrameView* view = nullptr;
};
