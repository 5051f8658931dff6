#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <future>

#include "platform/base/AtomicFile.h"
#include "platform/base/IniProfile.h"
#include "support/TestEnvironment.h"

namespace {

class IniProfileTest : public ::testing::Test {
 protected:
  void TearDown() override { ini::ClearCache(); }
  TempDir m_dir;
};

std::vector<std::string> FilesIn(const TempDir& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

TEST_F(IniProfileTest, MissingFileSectionOrKeyGivesTheDefault) {
  const std::string path = m_dir.File("none.ini");
  EXPECT_EQ(ini::GetString(path, "A", "B", "dflt"), "dflt");
  EXPECT_EQ(ini::GetString(path, "A", "B", "trailing  "), "trailing");
  EXPECT_FALSE(ini::SectionExists(path, "A"));
  EXPECT_TRUE(ini::KeysOf(path, "A").empty());
  m_dir.Write("some.ini", "[A]\nB=1\n");
  EXPECT_EQ(ini::GetString(m_dir.File("some.ini"), "X", "B", "d"), "d");
  EXPECT_EQ(ini::GetString(m_dir.File("some.ini"), "A", "C", "d"), "d");
}

TEST_F(IniProfileTest, WindowsRulesOnAHandWrittenFile) {
  m_dir.Write("w.ini",
              "; comment=1\r\n"
              "[Main]\r\n"
              "  Key One  =  value with blanks  \r\n"
              "\t;Hidden=1\r\n"
              "Quoted=\"  inner  \"\r\n"
              "Single='x'\r\n"
              "Mixed=\"x'\r\n"
              "Empty=\r\n"
              "Eq=a=b\r\n"
              "[main]\r\n"
              "Later=1\r\n");
  const std::string path = m_dir.File("w.ini");
  EXPECT_EQ(ini::GetString(path, "MAIN", "key one", ""), "value with blanks");
  EXPECT_EQ(ini::GetString(path, " Main ", " KEY ONE ", ""), "value with blanks");
  EXPECT_EQ(ini::GetString(path, "Main", "Hidden", "no"), "no");
  EXPECT_EQ(ini::GetString(path, "Main", "Quoted", ""), "  inner  ");
  EXPECT_EQ(ini::GetString(path, "Main", "Single", ""), "x");
  EXPECT_EQ(ini::GetString(path, "Main", "Mixed", ""), "\"x'");
  EXPECT_EQ(ini::GetString(path, "Main", "Empty", "d"), "");
  EXPECT_EQ(ini::GetString(path, "Main", "Eq", ""), "a=b");
  // The first of two same-named sections is the one that counts.
  EXPECT_EQ(ini::GetString(path, "Main", "Later", "d"), "d");
  EXPECT_EQ(ini::KeysOf(path, "main"),
            (std::vector<std::string>{"Key One", "Quoted", "Single", "Mixed", "Empty", "Eq"}));
}

TEST_F(IniProfileTest, ValuesAreCutWithoutSplittingACharacter) {
  m_dir.Write("c.ini", "[S]\nA=" + std::string(300, 'x') + "\nP=" + std::string(253, 'y') + "\xD9\x83\n");
  const std::string path = m_dir.File("c.ini");
  EXPECT_EQ(ini::GetString(path, "S", "A", ""), std::string(254, 'x'));
  EXPECT_EQ(ini::GetString(path, "S", "P", ""), std::string(253, 'y'));
  EXPECT_EQ(ini::GetString(path, "S", "P", "", 255), std::string(253, 'y') + "\xD9\x83");
  EXPECT_EQ(ini::GetString(path, "S", "Missing", std::string(300, 'd')), std::string(254, 'd'));
}

TEST_F(IniProfileTest, WritesKeepEveryOtherLineAndTheLineEnds) {
  m_dir.Write("lf.ini", "# not ours\n[A]\nx=1\n; keep me\n\n[B]\ny=2");
  const std::string path = m_dir.File("lf.ini");
  ASSERT_TRUE(ini::WriteString(path, "a", "X", "10"));
  ASSERT_TRUE(ini::WriteString(path, "A", "z", "3"));
  ASSERT_TRUE(ini::WriteString(path, "B", "w", "4"));
  ASSERT_TRUE(ini::WriteString(path, "C", "v", "5"));
  EXPECT_EQ(m_dir.Read("lf.ini"), "# not ours\n[A]\nX=10\n; keep me\nz=3\n\n[B]\ny=2\nw=4\n[C]\nv=5\n");
  ASSERT_TRUE(ini::WriteString(path, "A", "x", std::nullopt));
  ASSERT_TRUE(ini::DeleteSection(path, "b"));
  EXPECT_EQ(m_dir.Read("lf.ini"), "# not ours\n[A]\n; keep me\nz=3\n\n[C]\nv=5\n");
  // Reads see each write at once.
  EXPECT_EQ(ini::GetString(path, "C", "V", ""), "5");
  EXPECT_FALSE(ini::SectionExists(path, "B"));
}

TEST_F(IniProfileTest, MixedLineEndsAreKeptLineByLine) {
  m_dir.Write("m.ini", "[A]\r\nx=1\ny=2\r\n[B]\nz=3");
  const std::string path = m_dir.File("m.ini");
  ASSERT_TRUE(ini::WriteString(path, "A", "x", "10"));   // a changed line keeps its own end
  ASSERT_TRUE(ini::WriteString(path, "A", "w", "4"));    // takes the end of y=2 before it
  ASSERT_TRUE(ini::WriteString(path, "B", "v", "5"));    // after a last line without an end
  EXPECT_EQ(m_dir.Read("m.ini"), "[A]\r\nx=10\ny=2\r\nw=4\r\n[B]\nz=3\nv=5\n");
  ASSERT_TRUE(ini::WriteString(path, "C", "u", "6"));
  ASSERT_TRUE(ini::WriteString(path, "A", "y", std::nullopt));
  EXPECT_EQ(m_dir.Read("m.ini"), "[A]\r\nx=10\nw=4\r\n[B]\nz=3\nv=5\n[C]\nu=6\n");
  // A file that did not end with a line end still does not after its last line goes.
  m_dir.Write("bare.ini", "[A]\r\nx=1\r\ny=2");
  ASSERT_TRUE(ini::WriteString(m_dir.File("bare.ini"), "A", "y", std::nullopt));
  EXPECT_EQ(m_dir.Read("bare.ini"), "[A]\r\nx=1");
}

TEST_F(IniProfileTest, AWriteRemovesWhatAKilledWriterLeftButNotALiveWritersFile) {
  m_dir.Write("s.ini", "[S]\nK=1\n");
  const std::string path = m_dir.File("s.ini");
  std::string left;
  SetWriteInterruptForTest([&](const std::string& temporary) {
    left = temporary;
    return true;
  });
  EXPECT_FALSE(ini::WriteString(path, "S", "K", "2"));
  SetWriteInterruptForTest(nullptr);
  ASSERT_FALSE(left.empty());
  EXPECT_EQ(FilesIn(m_dir).size(), 2u);
  EXPECT_EQ(m_dir.Read("s.ini"), "[S]\nK=1\n");  // the file itself is whole

  // A temporary file a writer still holds (its lock taken) stays.
  m_dir.Write("s.ini.tmp-LiVe01", "half");
  const int live = ::open(m_dir.File("s.ini.tmp-LiVe01").c_str(), O_RDONLY);
  ASSERT_GE(live, 0);
  ASSERT_EQ(::flock(live, LOCK_EX), 0);
  m_dir.Write("other.ini.tmp-AbCdEf", "another file's");  // not this file's
  ASSERT_TRUE(ini::WriteString(path, "S", "K", "3"));
  EXPECT_EQ(FilesIn(m_dir), (std::vector<std::string>{"other.ini.tmp-AbCdEf", "s.ini", "s.ini.tmp-LiVe01"}));
  EXPECT_EQ(ini::GetString(path, "S", "K", ""), "3");
  ::close(live);  // its writer is gone
  ASSERT_TRUE(ini::WriteString(path, "S", "K", "4"));
  EXPECT_EQ(FilesIn(m_dir), (std::vector<std::string>{"other.ini.tmp-AbCdEf", "s.ini"}));
  EXPECT_EQ(m_dir.Read("s.ini"), "[S]\nK=4\n");
}

// A named pipe at a temporary file's name is not a killed writer's file: the
// write that looks for those never waits on it, and leaves it.
TEST_F(IniProfileTest, ANamedPipeAtATemporaryFilesNameNeverHoldsAWrite) {
  const std::string path = m_dir.File("s.ini");
  const std::string pipe = path + ".tmp-PiPe01";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  auto write = std::async(std::launch::async, [&] { return ini::WriteString(path, "S", "K", "1"); });
  if (write.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
    const int writer = ::open(pipe.c_str(), O_WRONLY | O_NONBLOCK);  // lets the blocked open go
    write.wait();
    if (writer >= 0) ::close(writer);
    FAIL() << "the write waited on the pipe";
  }
  EXPECT_TRUE(write.get());
  EXPECT_EQ(ini::GetString(path, "S", "K", ""), "1");
  EXPECT_EQ(FilesIn(m_dir), (std::vector<std::string>{"s.ini", "s.ini.tmp-PiPe01"}));
}

TEST_F(IniProfileTest, TwoProcessesWritingOneFileKeepEachOthersKeys) {
  const std::string path = m_dir.File("shared.ini");
  constexpr int kKeys = 40;
  pid_t children[2];
  for (int c = 0; c < 2; ++c) {
    children[c] = ::fork();
    ASSERT_GE(children[c], 0);
    if (children[c] == 0) {
      bool ok = true;
      for (int k = 0; k < kKeys; ++k)
        ok = ini::WriteString(path, "S", "P" + std::to_string(c) + "K" + std::to_string(k), std::to_string(k)) && ok;
      ::_exit(ok ? 0 : 1);
    }
  }
  for (pid_t child : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  ini::ClearCache();
  EXPECT_EQ(ini::KeysOf(path, "S").size(), 2u * kKeys);
  EXPECT_EQ(FilesIn(m_dir), std::vector<std::string>{"shared.ini"});
}

TEST_F(IniProfileTest, WriteCreatesAMissingFile) {
  const std::string path = m_dir.File("new.ini");
  ASSERT_TRUE(ini::WriteString(path, "S", "K", "v"));
  EXPECT_EQ(m_dir.Read("new.ini"), "[S]\r\nK=v\r\n");
}

TEST_F(IniProfileTest, ByteOrderMarkIsSkippedAndKept) {
  m_dir.Write("bom.ini", "\xEF\xBB\xBF[First]\r\nK=1\r\n");
  const std::string path = m_dir.File("bom.ini");
  EXPECT_EQ(ini::GetString(path, "First", "K", ""), "1");
  ASSERT_TRUE(ini::WriteString(path, "First", "K", "2"));
  EXPECT_EQ(m_dir.Read("bom.ini"), "\xEF\xBB\xBF[First]\r\nK=2\r\n");
}

TEST_F(IniProfileTest, ReadOnlyFileIsRefusedAndKept) {
  m_dir.Write("ro.ini", "[S]\nK=1\n");
  const std::string path = m_dir.File("ro.ini");
  ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
  std::string error;
  EXPECT_FALSE(ini::WriteString(path, "S", "K", "2", &error));
  EXPECT_NE(error.find("ro.ini"), std::string::npos);
  EXPECT_EQ(m_dir.Read("ro.ini"), "[S]\nK=1\n");
  EXPECT_EQ(ini::GetString(path, "S", "K", ""), "1");
}

TEST_F(IniProfileTest, UnreadableFileIsNeverReplaced) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads every file";
  m_dir.Write("secret.ini", "[S]\nK=1\nOther=keep\n");
  const std::string path = m_dir.File("secret.ini");
  ASSERT_EQ(::chmod(path.c_str(), 0200), 0);
  EXPECT_EQ(ini::GetString(path, "S", "K", "d"), "d");
  std::string error;
  EXPECT_FALSE(ini::WriteString(path, "S", "K", "2", &error));
  ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
  EXPECT_EQ(m_dir.Read("secret.ini"), "[S]\nK=1\nOther=keep\n");
}

TEST_F(IniProfileTest, WriteThroughALinkKeepsTheLink) {
  m_dir.Write("real.ini", "[S]\nK=1\n");
  const std::string link = m_dir.File("link.ini");
  ASSERT_EQ(::symlink(m_dir.File("real.ini").c_str(), link.c_str()), 0);
  ASSERT_TRUE(ini::WriteString(link, "S", "K", "2"));
  struct stat st{};
  ASSERT_EQ(::lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(m_dir.Read("real.ini"), "[S]\nK=2\n");
  EXPECT_EQ(ini::GetString(link, "S", "K", ""), "2");
}

TEST_F(IniProfileTest, ChangesMadeOnDiskBehindTheCacheAreSeen) {
  m_dir.Write("d.ini", "[S]\nK=1\n");
  const std::string path = m_dir.File("d.ini");
  EXPECT_EQ(ini::GetString(path, "S", "K", ""), "1");
  m_dir.Write("d.ini", "[S]\nK=22\n");  // another size, so the stamp differs
  EXPECT_EQ(ini::GetString(path, "S", "K", ""), "22");
}

}  // namespace
