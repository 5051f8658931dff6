#include "platform/base/FolderWriteLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

std::string FolderOf(const std::string& filePath) {
  const std::size_t slash = filePath.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return filePath.substr(0, slash);
}

FolderWriteLock::FolderWriteLock(const std::string& filePath) {
  m_fd = ::open(FolderOf(filePath).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (m_fd < 0) return;
  while (::flock(m_fd, LOCK_EX) != 0) {
    if (errno == EINTR) continue;
    ::close(m_fd);  // a folder that cannot be locked: write unguarded rather than not at all
    m_fd = -1;
    return;
  }
}

FolderWriteLock::~FolderWriteLock() {
  if (m_fd >= 0) ::close(m_fd);  // closing the last descriptor releases the flock
}
