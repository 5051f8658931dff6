// A file the program keeps beside its database is taken only when its name
// holds a regular file of its own: whatever else lies there is neither
// followed, written, emptied nor waited on, and is left as it was.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

#include "platform/base/OwnFile.h"
#include "support/TestEnvironment.h"

namespace {

constexpr const char* kOwnName = "db.beside";
constexpr const char* kTheirs = "another program's data\n";
constexpr const char* kDatabaseBytes = "the database\n";

mode_t KindAt(const std::string& path) {
  struct stat st{};
  return ::lstat(path.c_str(), &st) == 0 ? (st.st_mode & S_IFMT) : 0;
}

// A socket bound at `path`; its descriptor may close at once, the name stays.
void BindSocketAt(const std::string& path) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  ASSERT_LT(path.size(), sizeof address.sun_path);
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  ::close(fd);
}

struct OwnFileCase {
  const char* what;  // what lies at the name
  std::function<void(const TempDir& dir, const std::string& at)> put;
  int flags;
  OwnFile::Status status;
  const char* said;  // What(), for NotOwnFile
  bool made;
};

}  // namespace

TEST(OwnFileTest, OnlyARegularFileOfItsOwnNameIsOpenedAndAnythingElseIsLeftAsItWas) {
  const int append = O_WRONLY | O_APPEND | O_CREAT;
  const OwnFileCase cases[] = {
      {"a regular file", [](const TempDir& dir, const std::string&) { dir.Write(kOwnName, "earlier\n"); }, append,
       OwnFile::Status::Opened, "", false},
      {"a regular file, emptied", [](const TempDir& dir, const std::string&) { dir.Write(kOwnName, "earlier\n"); },
       O_WRONLY | O_TRUNC, OwnFile::Status::Opened, "", false},
      {"nothing, made", [](const TempDir&, const std::string&) {}, append, OwnFile::Status::Opened, "", true},
      {"nothing, not made", [](const TempDir&, const std::string&) {}, O_WRONLY | O_APPEND, OwnFile::Status::Absent,
       "", false},
      {"a symbolic link to a file",
       [](const TempDir& dir, const std::string& at) { std::filesystem::create_symlink(dir.File("outside"), at); },
       append | O_TRUNC, OwnFile::Status::NotOwnFile, "a symbolic link", false},
      {"a dangling symbolic link",
       [](const TempDir& dir, const std::string& at) { std::filesystem::create_symlink(dir.File("nowhere"), at); },
       append, OwnFile::Status::NotOwnFile, "a symbolic link", false},
      {"a symbolic link to the database",
       [](const TempDir& dir, const std::string& at) { std::filesystem::create_symlink(dir.File("db"), at); },
       O_RDWR | O_CREAT, OwnFile::Status::NotOwnFile, "a symbolic link", false},
      {"a hard link to another file",
       [](const TempDir& dir, const std::string& at) { std::filesystem::create_hard_link(dir.File("outside"), at); },
       append | O_TRUNC, OwnFile::Status::NotOwnFile, "a hard link: the same file has 2 names", false},
      {"a hard link to the database",
       [](const TempDir& dir, const std::string& at) { std::filesystem::create_hard_link(dir.File("db"), at); },
       O_RDWR | O_CREAT, OwnFile::Status::NotOwnFile, "the database file itself", false},
      {"a named pipe", [](const TempDir&, const std::string& at) { ASSERT_EQ(::mkfifo(at.c_str(), 0600), 0); },
       O_RDONLY, OwnFile::Status::NotOwnFile, "a named pipe", false},
      {"a named pipe, to append to",
       [](const TempDir&, const std::string& at) { ASSERT_EQ(::mkfifo(at.c_str(), 0600), 0); }, append,
       OwnFile::Status::NotOwnFile, "a named pipe", false},
      {"a folder", [](const TempDir&, const std::string& at) { std::filesystem::create_directory(at); }, O_RDONLY,
       OwnFile::Status::NotOwnFile, "a folder", false},
      {"a socket", [](const TempDir&, const std::string& at) { BindSocketAt(at); }, append,
       OwnFile::Status::NotOwnFile, "a socket", false},
      {"a symbolic link to a device",
       [](const TempDir&, const std::string& at) { std::filesystem::create_symlink("/dev/null", at); }, append,
       OwnFile::Status::NotOwnFile, "a symbolic link", false},
  };
  for (const OwnFileCase& each : cases) {
    SCOPED_TRACE(each.what);
    TempDir dir;
    dir.Write("outside", kTheirs);
    dir.Write("db", kDatabaseBytes);
    const std::string at = dir.File(kOwnName);
    each.put(dir, at);
    const mode_t kindBefore = KindAt(at);

    OwnFile file = OwnFile::Open(at, each.flags, 0644, dir.File("db"));
    EXPECT_EQ(file.GetStatus(), each.status) << file.What();
    EXPECT_EQ(file.IsOpen(), each.status == OwnFile::Status::Opened);
    EXPECT_EQ(file.Made(), each.made);
    if (each.status == OwnFile::Status::NotOwnFile) {
      EXPECT_EQ(file.What(), each.said);
      EXPECT_EQ(OwnFile::WhatIsThere(at, dir.File("db")), each.said);
      EXPECT_EQ(KindAt(at), kindBefore);
    }
    if (file.IsOpen()) {
      const std::string before = each.made || (each.flags & O_TRUNC) ? "" : "earlier\n";
      ASSERT_TRUE(file.WriteAll("mine\n"));
      EXPECT_EQ(dir.Read(kOwnName), before + "mine\n");
      // Handed back blocking, as an ordinary open's descriptor.
      EXPECT_EQ(::fcntl(file.Fd(), F_GETFL) & O_NONBLOCK, 0);
    }
    EXPECT_EQ(dir.Read("outside"), kTheirs);
    EXPECT_EQ(dir.Read("db"), kDatabaseBytes);
  }
}
