#pragma once
// Says "in use" to every other program that takes the same lock: an exclusive
// open-file-description lock (fcntl F_OFD_SETLK) on a file of its own, held
// from a successful Take to destruction. Unlike flock it is forwarded to the
// server by NFS clients, and unlike a plain fcntl lock it belongs to this one
// descriptor: a second open of the file, even in this process, is refused,
// and no other descriptor's close drops it. The kernel drops it when the
// process ends, however it ends. The file is never deleted (a deletion races
// with a program opening it) and holds nothing. Only a regular file of its own
// name is taken (see OwnFile): a lock through a link would lock the file it
// points to, the database itself or one shared with another database.
#include <string>

class FileInUseLock {
 public:
  enum class Result {
    Taken,
    HeldElsewhere,  // another holder has it
    NoLocks,        // the file system takes no such locks (ENOLCK, EOPNOTSUPP, ...)
    CannotOpen,     // the file cannot be opened or made
    NotOwnFile,     // something else lies at the name (What() says what); left as it is
  };

  FileInUseLock() = default;
  ~FileInUseLock();
  FileInUseLock(const FileInUseLock&) = delete;
  FileInUseLock& operator=(const FileInUseLock&) = delete;

  // Opens (or makes, writable by every user: another user's program must be
  // able to lock it too) the file at `path` and tries the lock once, without
  // waiting; `database` is the file it guards, never taken as its own lock.
  // Anything but Taken leaves nothing open; Error() is then the errno.
  Result Take(const std::string& path, const std::string& database = std::string());
  bool Held() const { return m_fd >= 0; }
  int Error() const { return m_error; }
  const std::string& What() const { return m_what; }

 private:
  int m_fd = -1;
  int m_error = 0;
  std::string m_what;
};
