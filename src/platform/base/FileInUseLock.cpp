#include "platform/base/FileInUseLock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/base/OwnFile.h"

FileInUseLock::~FileInUseLock() {
  if (m_fd >= 0) ::close(m_fd);  // the lock goes with its open file description
}

FileInUseLock::Result FileInUseLock::Take(const std::string& path, const std::string& database) {
  if (m_fd >= 0) return Result::Taken;
  m_error = 0;
  m_what.clear();
  OwnFile file = OwnFile::Open(path, O_RDWR | O_CREAT, 0666, database);
  switch (file.GetStatus()) {
    case OwnFile::Status::Opened: break;
    case OwnFile::Status::NotOwnFile: m_what = file.What(); return Result::NotOwnFile;
    default: m_error = file.Error(); return Result::CannotOpen;
  }
  // Whoever made it, every user's program must be able to open it for the
  // write lock: the mask of the first one to start does not decide that.
  if (file.Made()) ::fchmod(file.Fd(), 0666);
  const int fd = file.Release();
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
