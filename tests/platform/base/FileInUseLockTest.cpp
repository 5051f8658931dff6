// The in-use lock: every user's program can open the file it makes, a second
// holder is refused even inside one process, and the lock goes with its holder.
#include <gtest/gtest.h>

#include <endian.h>
#include <fcntl.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <filesystem>
#include <memory>

#include "platform/base/FileInUseLock.h"
#include "support/TestEnvironment.h"

TEST(FileInUseLockTest, OneHolderAtATimeOnAFileEveryUserCanLockAndThatStays) {
  TempDir dir;
  const std::string path = dir.File("db.inuse");
  const mode_t savedMask = ::umask(022);
  auto first = std::make_unique<FileInUseLock>();
  const FileInUseLock::Result taken = first->Take(path);
  ::umask(savedMask);
  ASSERT_EQ(taken, FileInUseLock::Result::Taken);
  EXPECT_TRUE(first->Held());
  struct stat st{};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0666u);  // whatever the mask of the one who made it

  FileInUseLock second;
  EXPECT_EQ(second.Take(path), FileInUseLock::Result::HeldElsewhere);
  EXPECT_FALSE(second.Held());
  first.reset();
  EXPECT_TRUE(std::filesystem::exists(path));
  EXPECT_EQ(second.Take(path), FileInUseLock::Result::Taken);

  std::filesystem::create_directory(dir.File("folder.inuse"));
  FileInUseLock onAFolder;
  EXPECT_EQ(onAFolder.Take(dir.File("folder.inuse")), FileInUseLock::Result::NotOwnFile);
  EXPECT_EQ(onAFolder.What(), "a folder");
}

namespace {

// From here on the system refuses every open that asks to make a file without
// O_EXCL, as fs.protected_regular does for another user's file in a
// world-writable sticky folder (glibc's open is the openat call).
bool RefuseOpensThatAskToMakeAFileFoundThere() {
  constexpr unsigned kFlagsWord = offsetof(seccomp_data, args[2]) + (__BYTE_ORDER == __BIG_ENDIAN ? 4 : 0);
  sock_filter program[] = {
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_openat, 0, 4),
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, kFlagsWord),
      BPF_STMT(BPF_ALU | BPF_AND | BPF_K, O_CREAT | O_EXCL),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, O_CREAT, 0, 1),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EACCES),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
  };
  sock_fprog filter{static_cast<unsigned short>(sizeof program / sizeof program[0]), program};
  return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 && ::syscall(SYS_seccomp, SECCOMP_SET_MODE_FILTER, 0, &filter) == 0;
}

}  // namespace

// Another user's lock file in a sticky folder can be opened only without
// O_CREAT; a missing one is still made.
TEST(FileInUseLockTest, ALockFileThatIsThereIsOpenedWithoutAskingToMakeIt) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  TempDir dir;
  dir.Write("db.inuse", "");
  EXPECT_EXIT(
      {
        if (!RefuseOpensThatAskToMakeAFileFoundThere()) ::_exit(2);
        FileInUseLock existing;
        FileInUseLock made;
        const bool taken = existing.Take(dir.File("db.inuse")) == FileInUseLock::Result::Taken &&
                           made.Take(dir.File("new.inuse")) == FileInUseLock::Result::Taken;
        ::_exit(taken ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}
