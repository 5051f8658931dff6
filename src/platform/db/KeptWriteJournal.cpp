#include "platform/db/KeptWriteJournal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/base/AtomicFile.h"

namespace ruv::db {
namespace {

// What is at the journal's name when it is not a regular file, in words.
std::string NotAFile(mode_t mode) {
  if (S_ISLNK(mode)) return "a symbolic link";
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISFIFO(mode)) return "a named pipe";
  if (S_ISSOCK(mode)) return "a socket";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  return "not a regular file";
}

}  // namespace

KeptWriteJournal::ReadResult KeptWriteJournal::Read(const std::string& path, std::string& content, std::string& what) {
  struct stat st{};
  if (::lstat(path.c_str(), &st) != 0) {
    if (errno == ENOENT) return ReadResult::Absent;
    what = std::strerror(errno);
    return ReadResult::Failed;
  }
  if (!S_ISREG(st.st_mode)) {
    what = NotAFile(st.st_mode);
    return ReadResult::NotAFile;
  }
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ELOOP) {
      what = "a symbolic link";
      return ReadResult::NotAFile;
    }
    what = std::strerror(errno);
    return ReadResult::Failed;
  }
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    what = NotAFile(st.st_mode);
    ::close(fd);
    return ReadResult::NotAFile;
  }
  content.clear();
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      what = std::strerror(errno);
      ::close(fd);
      return ReadResult::Failed;
    }
    if (got == 0) break;
    content.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(fd);
  return ReadResult::Read;
}


bool KeptWriteJournal::Save(const std::string& path, const std::string& content, std::string& error) {
  struct stat st{};
  const bool taken = ::lstat(path.c_str(), &st) == 0;
  if (taken && !S_ISREG(st.st_mode)) {
    error = "there is " + NotAFile(st.st_mode) + " at its name";
    return content.empty();
  }
  if (!content.empty()) return WriteFileAtomically(path, content, &error);
  if (!taken || std::remove(path.c_str()) == 0) return true;
  error = std::string("it cannot be removed: ") + std::strerror(errno);
  return false;
}

namespace {

// Whether anything at all (a dangling link too) is at `path`.
bool NameTaken(const std::string& path) {
  struct stat st{};
  return ::lstat(path.c_str(), &st) == 0 || errno != ENOENT;
}

}  // namespace

std::string KeptWriteJournal::AsideName(const std::string& journal) {
  std::string aside = journal + ".unreadable";
  for (int n = 2; NameTaken(aside); ++n) aside = journal + ".unreadable-" + std::to_string(n);
  return aside;
}

}  // namespace ruv::db
