// The in-use lock: every user's program can open the file it makes, a second
// holder is refused even inside one process, and the lock goes with its holder.
#include <gtest/gtest.h>

#include <sys/stat.h>

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
