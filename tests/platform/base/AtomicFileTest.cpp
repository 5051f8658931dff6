// A file rewritten (a new file renamed over it) is what the old one was to
// whoever owns it: the same owner, group and bits, read-only ones too.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <iostream>
#include <string>

#include "platform/base/AtomicFile.h"
#include "support/TestEnvironment.h"

namespace {

// Users and a group no one is.
constexpr uid_t kOwner = 4242;
constexpr uid_t kAnotherUser = 4343;
constexpr gid_t kGroup = 4244;

struct stat StatOf(const std::string& path) {
  struct stat st{};
  EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
  return st;
}

}  // namespace

TEST(AtomicFileTest, ARewrittenFileKeepsItsOwnerGroupAndMode) {
  const bool root = ::geteuid() == 0;
  if (!root) std::cout << "[ note     ] not run as root: the owner stays this user's, only the bits are checked\n";
  struct Case {
    const char* what;
    mode_t mode;
    bool ownFile;  // rewritten as the program's own file (ReplaceFileAtomically)
  };
  const Case cases[] = {
      {"the program's own read-only file", 0444, true},
      {"the program's own file, for its owner alone", 0400, true},
      {"a settings file of a group", 0640, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    dir.Write("file", "old\n");
    const std::string path = dir.File("file");
    if (root) {
      ASSERT_EQ(::chown(path.c_str(), kOwner, kGroup), 0);
    }
    ASSERT_EQ(::chmod(path.c_str(), c.mode), 0);
    const struct stat before = StatOf(path);

    std::string error;
    ASSERT_TRUE(c.ownFile ? ReplaceFileAtomically(path, "new\n", &error) : WriteFileAtomically(path, "new\n", &error))
        << error;
    EXPECT_EQ(dir.Read("file"), "new\n");
    const struct stat after = StatOf(path);
    EXPECT_NE(after.st_ino, before.st_ino);  // a new file, not the old one written through
    EXPECT_EQ(after.st_mode & 07777, c.mode);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
  }

  // A user who may not give the new file away leaves another user's file as it
  // was, where a file of their own would shut its owner out of it.
  if (!root) return;
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  TempDir shared;
  ASSERT_EQ(::chmod(shared.Path().c_str(), 0777), 0);
  shared.Write("theirs", "theirs\n");
  const std::string theirs = shared.File("theirs");
  ASSERT_EQ(::chown(theirs.c_str(), kOwner, kGroup), 0);
  ASSERT_EQ(::chmod(theirs.c_str(), 0602), 0);  // writable by anyone, readable by its owner alone
  EXPECT_EXIT(
      {
        if (::setgid(kGroup + 1) != 0 || ::setuid(kAnotherUser) != 0) ::_exit(2);
        std::string error;
        const bool written = WriteFileAtomically(theirs, "mine\n", &error);
        std::cerr << error;
        ::_exit(written ? 1 : 0);
      },
      ::testing::ExitedWithCode(0), "its owner \\(user 4242\\) cannot be kept");
  EXPECT_EQ(shared.Read("theirs"), "theirs\n");
  EXPECT_EQ(StatOf(theirs).st_uid, kOwner);
}
