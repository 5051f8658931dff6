#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "common/CommonUtils.h"
#include "platform/base/ProgramFolder.h"
#include "support/FakeClock.h"
#include "support/ScriptedMessageBox.h"
#include "support/TestEnvironment.h"

namespace {

constexpr UINT kStopBox = MB_OK | MB_ICONSTOP | MB_SYSTEMMODAL;

TEST(DataFiles, CheckFileWritableNamesTheFaultAndThePath) {
  TempDir dir;
  ScriptedMessageBox boxes;
  dir.Write("Qelo-Setting.ini", "[A]\n");
  EXPECT_TRUE(CheckFileWritable("Setting", dir.File("Qelo-Setting.ini")));

  boxes.Expect(IDOK);
  EXPECT_FALSE(CheckFileWritable("DataBase", dir.File("Qelo-DataBase.mdb")));
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, "DataBase file not found!\n" + dir.File("Qelo-DataBase.mdb"));
  EXPECT_EQ(boxes.Boxes()[0].style, kStopBox);

  // Judged by the write bits, so even root (who could write it) is told.
  ASSERT_EQ(::chmod(dir.File("Qelo-Setting.ini").c_str(), 0444), 0);
  boxes.Expect(IDOK);
  EXPECT_FALSE(CheckFileWritable("Setting", dir.File("Qelo-Setting.ini")));
  EXPECT_EQ(boxes.LastText(), "Setting file is Read-Only!\n" + dir.File("Qelo-Setting.ini"));
}

TEST(DataFiles, ModuleFolderEndsInSlashAndFollowsTheOverride) {
  const std::string real = GetModuleFolder();
  ASSERT_FALSE(real.empty());
  EXPECT_EQ(real.back(), '/');
  EXPECT_EQ(ProgramFilePath().rfind(real, 0), 0u);
  SetProgramFolderOverride("/some/where");
  EXPECT_EQ(GetModuleFolder(), "/some/where/");
  SetProgramFolderOverride("");
  EXPECT_EQ(GetModuleFolder(), real);
  EXPECT_FALSE(GetAppModuleName().empty());
}

TEST(Clipboard, CopyDropsLeadingBlanksAndRefusesBlankText) {
  MemoryClipboard clipboard;
  SetClipboard(&clipboard);
  EXPECT_TRUE(CopyTextToClipboard("  strTagName "));
  EXPECT_EQ(clipboard.Text(), "strTagName ");
  EXPECT_FALSE(CopyTextToClipboard("    "));
  EXPECT_EQ(clipboard.Text(), "");  // emptied all the same
  clipboard.SetFailing(true);
  EXPECT_FALSE(CopyTextToClipboard("x"));
  SetClipboard(nullptr);
}

TEST(HeldKeys, OverrideComboIsCtrlShiftOrRightButton) {
  ScopedKeyState keys;
  EXPECT_FALSE(IsOverrideComboDown());
  keys.Press(VK_CONTROL);
  EXPECT_TRUE(IsCtrlKeyDown());
  EXPECT_FALSE(IsShiftKeyDown());
  EXPECT_FALSE(IsOverrideComboDown());
  keys.Press(VK_SHIFT);
  EXPECT_TRUE(IsOverrideComboDown());
  keys.ReleaseAll();
  keys.Press(VK_SHIFT);
  EXPECT_FALSE(IsOverrideComboDown());
  keys.Press(VK_RBUTTON);
  EXPECT_TRUE(IsRightButtonDown());
  EXPECT_TRUE(IsOverrideComboDown());
}

TEST(Now, TextsAndDatesComeFromTheClock) {
  FakeClock clock;
  clock.Install();
  DateTimeFields now;
  now.year = 2010; now.month = 2; now.day = 9; now.hour = 5; now.minute = 3; now.second = 7;
  clock.SetNow(now);
  EXPECT_EQ(GetNowTimeText(), "05:03:07");
  DATE expected = 0;
  ASSERT_TRUE(OleDateFromFields(now, expected));
  EXPECT_EQ(GetNowDate(), expected);
  const COleDateTime stamp = GetNowOleDateTime();
  EXPECT_EQ(stamp.GetStatus(), COleDateTime::valid);
  EXPECT_EQ(static_cast<DATE>(stamp), expected);
  EXPECT_EQ(COleDateTime(DateTimeFields{2010, 13, 1}).GetStatus(), COleDateTime::invalid);
}

// Each test gets a mutex name of its own: tests of several binaries run at once.
std::string UniqueMutexName(const char* what) {
  return std::string("RuvFrame test ") + what + " " + std::to_string(::getpid());
}

TEST(SingleInstance, SecondProcessIsRefusedWhileTheFirstRuns) {
  const std::string name = UniqueMutexName("two processes");
  int toParent[2], toChild[2];
  ASSERT_EQ(::pipe(toParent), 0);
  ASSERT_EQ(::pipe(toChild), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // The first instance: take the lock, say so, and run until told to end.
    const char result = CheckSingleInstance(name, name + " already running!") ? '1' : '0';
    (void)!::write(toParent[1], &result, 1);
    char done;
    (void)!::read(toChild[0], &done, 1);
    ::_exit(0);
  }
  char first = 0;
  ASSERT_EQ(::read(toParent[0], &first, 1), 1);
  EXPECT_EQ(first, '1');

  ScriptedMessageBox boxes;
  ScopedKeyState keys;
  boxes.Expect(IDOK);
  EXPECT_FALSE(CheckSingleInstance(name, name + " already running!"));
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, name + " already running!");
  EXPECT_EQ(boxes.Boxes()[0].caption, "RuvFrame");
  EXPECT_EQ(boxes.Boxes()[0].style, kStopBox);

  // Ctrl+Shift held from the start: only the notice, and the start goes on.
  keys.Press(VK_CONTROL);
  keys.Press(VK_SHIFT);
  boxes.Expect(IDOK);
  EXPECT_TRUE(CheckSingleInstance(name, name + " already running!"));
  EXPECT_EQ(boxes.LastText(), "The second execution of RuvFrame is starting!");
  EXPECT_EQ(boxes.Boxes().back().style, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION | MB_SYSTEMMODAL));

  // The first instance ends: its lock goes with it.
  keys.ReleaseAll();
  ASSERT_EQ(::write(toChild[1], "x", 1), 1);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(CheckSingleInstance(name, "unused"));
  EXPECT_EQ(boxes.Count(), 2u);
  for (int fd : {toParent[0], toParent[1], toChild[0], toChild[1]}) ::close(fd);
  ::unlink(SingleInstanceLockPath(name).c_str());
}

// The operator may decide while the refusal is on screen: holding the combination
// when the box closes lets the start go on.
class PressOnAnswer final : public IMessageBoxService {
 public:
  explicit PressOnAnswer(InjectedKeyState& keys) : m_keys(keys) {}
  int Show(const std::string& text, const std::string&, UINT) override {
    texts.push_back(text);
    if (texts.size() == 1) m_keys.Press(VK_RBUTTON);
    return IDOK;
  }
  std::vector<std::string> texts;

 private:
  InjectedKeyState& m_keys;
};

TEST(SingleInstance, OverrideHeldWhenTheRefusalClosesGoesOn) {
  const std::string name = UniqueMutexName("override");
  ASSERT_TRUE(CheckSingleInstance(name, "unused"));  // this process holds it now
  ScopedKeyState keys;
  PressOnAnswer boxes(keys);
  SetMessageBoxService(&boxes);
  EXPECT_TRUE(CheckSingleInstance(name, "busy"));
  SetMessageBoxService(nullptr);
  EXPECT_EQ(boxes.texts, (std::vector<std::string>{"busy", "The second execution of RuvFrame is starting!"}));
  ::unlink(SingleInstanceLockPath(name).c_str());
}

TEST(SingleInstance, LockFileLiesInTheRuntimeFolder) {
  TempDir dir;
  const char* saved = std::getenv("XDG_RUNTIME_DIR");
  const std::string savedValue = saved ? saved : "";
  ::setenv("XDG_RUNTIME_DIR", dir.Path().c_str(), 1);
  EXPECT_EQ(SingleInstanceLockPath("RuvFrame Qelo"), dir.Path() + "/RuvFrame Qelo.lock");
  EXPECT_EQ(SingleInstanceLockPath("a/b\\c"), dir.Path() + "/a_b_c.lock");
  ::setenv("XDG_RUNTIME_DIR", (dir.Path() + "/missing").c_str(), 1);
  EXPECT_EQ(SingleInstanceLockPath("x"), "/tmp/x.lock");
  if (saved) ::setenv("XDG_RUNTIME_DIR", savedValue.c_str(), 1);
  else ::unsetenv("XDG_RUNTIME_DIR");
}

}  // namespace
