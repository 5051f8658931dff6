#include "platform/base/FileInUseLock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

FileInUseLock::~FileInUseLock() {
  if (m_fd >= 0) ::close(m_fd);  // the lock goes with its open file description
}

FileInUseLock::Result FileInUseLock::Take(const std::string& path) {
  if (m_fd >= 0) return Result::Taken;
  m_error = 0;
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
  if (fd >= 0) {
    // Whoever made it, every user's program must be able to open it for the
    // write lock: the mask of the first one to start does not decide that.
    ::fchmod(fd, 0666);
  } else if (errno == EEXIST) {
    fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY);
  }
  if (fd < 0) {
    m_error = errno;
    return Result::CannotOpen;
  }
  struct flock whole{};
  whole.l_type = F_WRLCK;
  whole.l_whence = SEEK_SET;
  whole.l_start = 0;
  whole.l_len = 0;  // the whole file, however long
  if (::fcntl(fd, F_OFD_SETLK, &whole) == 0) {
    m_fd = fd;
    return Result::Taken;
  }
  m_error = errno;
  ::close(fd);
  return m_error == EAGAIN || m_error == EACCES ? Result::HeldElsewhere : Result::NoLocks;
}
