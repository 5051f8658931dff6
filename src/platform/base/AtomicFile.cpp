#include "platform/base/AtomicFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/base/FileRewriteInProgress.h"
#include "platform/base/FolderWriteLock.h"

namespace {

constexpr char kTemporaryInfix[] = ".tmp-";
constexpr std::size_t kTemporarySuffixLength = 6;  // mkstemp's XXXXXX

std::mutex g_interruptMutex;
std::function<bool(const std::string&)> g_interrupt;

bool InterruptedForTest(const std::string& temporaryPath) {
  std::lock_guard<std::mutex> lock(g_interruptMutex);
  return g_interrupt && g_interrupt(temporaryPath);
}

bool WriteNewFileOver(const std::string& path, const std::string& content, std::string* error,
                      const FolderWriteLock& held, bool replaceReadOnly, mode_t mostMode = 07777);

// Whether user `uid` may read a file described by `file` (its owner, group and
// bits), as the system would decide for that user.
bool UserCanRead(uid_t uid, const struct stat& file) {
  if (uid == 0) return true;
  if (file.st_uid == uid) return (file.st_mode & S_IRUSR) != 0;
  bool inGroup = false;
  std::vector<char> buffer(16384);
  struct passwd entry{};
  struct passwd* user = nullptr;
  if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &user) == 0 && user != nullptr) {
    std::vector<gid_t> groups(256);
    int count = static_cast<int>(groups.size());
    if (::getgrouplist(user->pw_name, user->pw_gid, groups.data(), &count) >= 0)
      inGroup = std::find(groups.begin(), groups.begin() + count, file.st_gid) != groups.begin() + count;
    else
      inGroup = user->pw_gid == file.st_gid;
  }
  return (file.st_mode & (inGroup ? S_IRGRP : S_IROTH)) != 0;
}

// The new file `fd` takes the owner and group of the file `old` it replaces:
// another user's file rewritten by a program run as root stays theirs. Where
// the system refuses (a user rewriting another user's file in a shared folder)
// the new file is the writer's; that is refused only when it would shut the
// owner out of a file they could read (errno set).
bool KeepOwnerAndGroup(int fd, const struct stat& old) {
  struct stat now{};
  if (::fstat(fd, &now) != 0) return false;
  now.st_mode = old.st_mode;  // the bits it gets next
  if (now.st_uid == old.st_uid && now.st_gid == old.st_gid) return true;
  if (::fchown(fd, old.st_uid, old.st_gid) == 0) return true;
  const int refused = errno;
  // The group at least, where the writer belongs to it.
  if (now.st_gid != old.st_gid && ::fchown(fd, static_cast<uid_t>(-1), old.st_gid) == 0) now.st_gid = old.st_gid;
  if (now.st_uid == old.st_uid || !UserCanRead(old.st_uid, old) || UserCanRead(old.st_uid, now)) return true;
  errno = refused;
  return false;
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::string& content, std::string* error) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (error) *error = path + ": " + std::strerror(errno);
    return false;
  }
  content.clear();
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (error) *error = path + ": " + std::strerror(errno);
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    content.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return true;
}

bool WriteFileAtomically(const std::string& path, const std::string& content, std::string* error) {
  FolderWriteLock lock(path);
  return WriteFileAtomically(path, content, error, lock);
}

int RemoveDeadTemporaries(const std::string& path) {
  // Without a slash, npos + 1 wraps to 0: no folder part, the whole path is the name.
  const std::size_t slash = path.rfind('/');
  const std::string folder = path.substr(0, slash + 1);
  const std::string prefix = path.substr(slash + 1) + kTemporaryInfix;
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (dir == nullptr) return 0;
  int removed = 0;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.size() != prefix.size() + kTemporarySuffixLength || name.compare(0, prefix.size(), prefix) != 0) continue;
    const std::string candidate = folder + name;
    // Never blocks on a named pipe put at such a name: only a regular file is taken.
    const int fd = ::open(candidate.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) continue;
    struct stat st{};
    // A live writer holds its temporary file's lock until its rename.
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
        ::unlink(candidate.c_str()) == 0) {
      ++removed;
    }
    ::close(fd);
  }
  ::closedir(dir);
  return removed;
}

int SweepDeadTemporaries(const std::string& path) {
  const FolderWriteLock lock(path);
  return lock.Held() ? RemoveDeadTemporaries(path) : 0;
}

void SetWriteInterruptForTest(std::function<bool(const std::string& temporaryPath)> hook) {
  std::lock_guard<std::mutex> lock(g_interruptMutex);
  g_interrupt = std::move(hook);
}

bool WriteFileAtomically(const std::string& path, const std::string& content, std::string* error,
                         const FolderWriteLock& held) {
  return WriteNewFileOver(path, content, error, held, false);
}

bool ReplaceFileAtomically(const std::string& path, const std::string& content, std::string* error,
                           unsigned mostMode) {
  FolderWriteLock lock(path);
  return WriteNewFileOver(path, content, error, lock, true, static_cast<mode_t>(mostMode & 07777));
}

bool WriteFileAtomicallyWithin(const std::string& path, const std::string& content, unsigned mostMode,
                               std::string* error) {
  FolderWriteLock lock(path);
  return WriteNewFileOver(path, content, error, lock, false, static_cast<mode_t>(mostMode & 07777));
}

namespace {

bool WriteNewFileOver(const std::string& path, const std::string& content, std::string* error,
                      const FolderWriteLock& held, bool replaceReadOnly, mode_t mostMode) {
  auto fail = [&](const std::string& what) {
    if (error) *error = what + ": " + std::strerror(errno);
    return false;
  };
  mode_t mode = 0644;
  struct stat st{};
  const bool replacing = ::stat(path.c_str(), &st) == 0;
  if (replacing) {
    // The new file is what the old one was: same bits, owner and group.
    mode = st.st_mode & 07777;
    // A read-only file stays untouched, as the platform's writers refuse it,
    // unless it is the program's own (which stays read-only).
    if (!replaceReadOnly && (mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
      errno = EACCES;
      return fail(path);
    }
  }
  mode &= mostMode;
  // Only under the folder's lock can no other writer be between its mkstemp and its flock.
  if (held.Held()) RemoveDeadTemporaries(path);
  std::string temp = path + kTemporaryInfix + std::string(kTemporarySuffixLength, 'X');
  // An end of the process asked for by a signal waits until the temporary
  // file is renamed or removed.
  const FileRewriteInProgress rewrite;
  int fd = ::mkstemp(temp.data());
  if (fd < 0) return fail(path);
  // Marks the temporary file as a live writer's (released when the fd closes,
  // also when the process dies).
  ::flock(fd, LOCK_EX | LOCK_NB);
  const char* p = content.data();
  std::size_t left = content.size();
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      int saved = errno;
      ::close(fd);
      ::unlink(temp.c_str());
      errno = saved;
      return fail(path);
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  // Owner before bits: a change of owner clears the set-id bits.
  if (replacing && !KeepOwnerAndGroup(fd, st)) {
    int saved = errno;
    ::close(fd);
    ::unlink(temp.c_str());
    if (error)
      *error = path + ": its owner (user " + std::to_string(st.st_uid) + ") cannot be kept (" +
               std::strerror(saved) + "), and a new file of this user's would shut them out of it";
    return false;
  }
  if (::fchmod(fd, mode) != 0 || ::fsync(fd) != 0) {
    int saved = errno;
    ::close(fd);
    ::unlink(temp.c_str());
    errno = saved;
    return fail(path);
  }
  if (InterruptedForTest(temp)) {
    ::close(fd);  // as if killed: the temporary file stays, its lock goes
    errno = EINTR;
    return fail(path);
  }
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    int saved = errno;
    ::close(fd);
    ::unlink(temp.c_str());
    errno = saved;
    return fail(path);
  }
  ::close(fd);  // after the rename: until then the temporary file is visibly ours
  // The file holds the new content now, whether or not the folder's entry is
  // on the disk yet: a folder that cannot be synced is no failed write.
  SyncFolderOf(path);
  return true;
}

}  // namespace

bool SyncFolderOf(const std::string& path) {
  const int fd = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool synced = ::fsync(fd) == 0;
  ::close(fd);
  return synced;
}

bool RenameInFolder(const std::string& from, const std::string& to) {
  if (::rename(from.c_str(), to.c_str()) != 0) return false;
  SyncFolderOf(to);
  return true;
}

bool FileExists(const std::string& path) {
  struct stat st{};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool FileIsReadOnly(const std::string& path) {
  struct stat st{};
  if (::stat(path.c_str(), &st) != 0) return false;
  return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}
