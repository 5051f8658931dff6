#include "platform/base/OwnFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace {

// What a name holds when it is not a regular file, in words.
std::string KindInWords(mode_t mode) {
  if (S_ISLNK(mode)) return "a symbolic link";
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISFIFO(mode)) return "a named pipe";
  if (S_ISSOCK(mode)) return "a socket";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  return "not a regular file";
}

bool SameInode(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// Why the file described by `st` is not one the program may take as its own
// ("" when it may).
std::string WhyNotOwn(const struct stat& st, const std::string& notThisFile) {
  if (!S_ISREG(st.st_mode)) return KindInWords(st.st_mode);
  if (!notThisFile.empty()) {
    struct stat other{};
    if (::stat(notThisFile.c_str(), &other) == 0 && SameInode(st, other)) return "the database file itself";
  }
  if (st.st_nlink > 1)
    return "a hard link: the same file has " + std::to_string(static_cast<unsigned long long>(st.st_nlink)) +
           " names";
  return std::string();
}

}  // namespace

OwnFile::~OwnFile() {
  if (m_fd >= 0) ::close(m_fd);
}

OwnFile::OwnFile(OwnFile&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)),
      m_status(other.m_status),
      m_made(other.m_made),
      m_what(std::move(other.m_what)),
      m_error(other.m_error) {}

OwnFile& OwnFile::operator=(OwnFile&& other) noexcept {
  if (this != &other) {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = std::exchange(other.m_fd, -1);
    m_status = other.m_status;
    m_made = other.m_made;
    m_what = std::move(other.m_what);
    m_error = other.m_error;
  }
  return *this;
}

bool OwnFile::WriteAll(const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t written = ::write(m_fd, bytes.data() + done, bytes.size() - done);
    if (written < 0) {
      if (errno == EINTR) continue;
      m_error = errno;
      return false;
    }
    done += static_cast<std::size_t>(written);
  }
  return true;
}

bool OwnFile::ReadAll(std::string& content) {
  content.clear();
  // Taken at once at its size: a long file is not copied again at each doubling.
  struct stat st{};
  if (::fstat(m_fd, &st) == 0 && st.st_size > 0) content.reserve(static_cast<std::size_t>(st.st_size));
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(m_fd, buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      m_error = errno;
      return false;
    }
    if (got == 0) return true;
    content.append(buffer, static_cast<std::size_t>(got));
  }
}

int OwnFile::Release() { return std::exchange(m_fd, -1); }

std::string OwnFile::WhatIsThere(const std::string& path, const std::string& notThisFile) {
  struct stat st{};
  if (::lstat(path.c_str(), &st) != 0) return std::string();
  return WhyNotOwn(st, notThisFile);
}

OwnFile OwnFile::Open(const std::string& path, int flags, mode_t mode, const std::string& notThisFile) {
  OwnFile file;
  const auto failed = [&file](int error) {
    file.m_status = Status::Failed;
    file.m_error = error;
    file.m_what = std::strerror(error);
    return std::move(file);
  };
  const auto notOwn = [&file](std::string what) {
    file.m_status = Status::NotOwnFile;
    file.m_what = std::move(what);
    return std::move(file);
  };

  // O_TRUNC waits until the file is known to be its own: an open that
  // truncates would empty another name's file before the check could refuse it.
  const bool truncate = (flags & O_TRUNC) != 0;
  const bool create = (flags & O_CREAT) != 0;
  flags &= ~(O_TRUNC | O_CREAT);
  for (int look = 0;; ++look) {
    // Looked at before the open: a pipe or a device is never opened at all
    // (an open can block, or do something to the device).
    struct stat before{};
    const bool existed = ::lstat(path.c_str(), &before) == 0;
    if (!existed) {
      if (errno != ENOENT) return failed(errno);
      if (!create) {
        file.m_status = Status::Absent;
        return file;
      }
    } else if (std::string why = WhyNotOwn(before, notThisFile); !why.empty()) {
      return notOwn(std::move(why));
    }

    // A name found empty is made here and now (O_EXCL), so that nothing put
    // there since the look is opened instead. A file found there is opened
    // without asking to make it: in a world-writable sticky folder the system
    // (fs.protected_regular) refuses that for another user's file.
    const int made = existed ? 0 : O_CREAT | O_EXCL;
    const int fd = ::open(path.c_str(), flags | made | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, mode);
    if (fd < 0) {
      const int error = errno;
      // The name was taken, or emptied, since the look: looked at again.
      const bool changedHands = made ? error == EEXIST : error == ENOENT && create;
      if (changedHands && look < 2) continue;
      if (std::string why = WhatIsThere(path, notThisFile); !why.empty()) return notOwn(std::move(why));
      if (error == ELOOP) return notOwn("a symbolic link");
      if (error == ENOENT && !create) {
        file.m_status = Status::Absent;
        return file;
      }
      return failed(error);
    }
    // What was opened is checked again: the name may have changed hands since
    // the look.
    struct stat opened{};
    if (::fstat(fd, &opened) != 0) {
      const int error = errno;
      ::close(fd);
      return failed(error);
    }
    std::string why = WhyNotOwn(opened, notThisFile);
    if (why.empty() && existed && !SameInode(before, opened)) why = "a file put there while it was opened";
    if (!why.empty()) {
      ::close(fd);
      return notOwn(std::move(why));
    }
    if (truncate && ::ftruncate(fd, 0) != 0) {
      const int error = errno;
      ::close(fd);
      return failed(error);
    }
    file.m_made = made != 0;
    file.m_fd = fd;
    break;
  }
  const int statusFlags = ::fcntl(file.m_fd, F_GETFL);
  if (statusFlags >= 0) ::fcntl(file.m_fd, F_SETFL, statusFlags & ~O_NONBLOCK);
  file.m_status = Status::Opened;
  return file;
}
