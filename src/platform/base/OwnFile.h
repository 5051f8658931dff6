#pragma once
// Opens a file the program keeps by itself beside its database (the journal,
// its set-aside copy, the report of unwritten records, the in-use lock) only
// when the name holds a regular file of its own: no symbolic link is followed,
// no hard link to another name is written through (the database's own inode
// least of all), and nothing blocks on a named pipe or a device, which are
// never even opened. Whatever else lies at the name is left alone and said in
// words, for a box. Files the user provides (settings, tag file) may be links
// and are not opened through this.
#include <sys/types.h>

#include <string>

class OwnFile {
 public:
  enum class Status {
    Opened,      // Fd() is a regular file of this name alone
    Absent,      // nothing at the name, and the open did not ask to make it
    NotOwnFile,  // something else lies there: What() says what; left as it is
    Failed,      // the system refused the open: What() is its words, Error() the errno
  };

  OwnFile() = default;
  ~OwnFile();
  OwnFile(const OwnFile&) = delete;
  OwnFile& operator=(const OwnFile&) = delete;
  OwnFile(OwnFile&& other) noexcept;
  OwnFile& operator=(OwnFile&& other) noexcept;

  // `flags` are open(2)'s access and creation flags (O_RDONLY, O_WRONLY |
  // O_APPEND | O_CREAT, ...); O_NOFOLLOW, O_NONBLOCK, O_CLOEXEC and O_NOCTTY
  // are added, and the descriptor is put back to blocking once it is known to
  // be a regular file; O_TRUNC empties it only then. A name found empty is made
  // exclusively (O_EXCL) and gets `mode` (less the umask); a file found there
  // is opened without O_CREAT. When
  // `notThisFile` names an existing file (the database), a file that is the
  // same inode is refused as NotOwnFile.
  static OwnFile Open(const std::string& path, int flags, mode_t mode = 0644,
                      const std::string& notThisFile = std::string());

  // What lies at `path` when it is not a file the program may take for its own
  // ("a symbolic link", "a named pipe", "a hard link: ...", ...); empty for a
  // regular file of its own or nothing at all. Neither opens nor follows anything.
  static std::string WhatIsThere(const std::string& path, const std::string& notThisFile = std::string());

  Status GetStatus() const { return m_status; }
  bool IsOpen() const { return m_fd >= 0; }
  int Fd() const { return m_fd; }
  // Whether this open made the file (nothing lay at the name).
  bool Made() const { return m_made; }
  // Writes all of `bytes` (a short write or a signal goes on where it stopped);
  // false with Error() set when the system refuses.
  bool WriteAll(const std::string& bytes);
  // Reads from where the file stands to its end into `content`; false with
  // Error() set when the system refuses.
  bool ReadAll(std::string& content);
  // Gives up ownership of the descriptor (the caller closes it).
  int Release();
  const std::string& What() const { return m_what; }
  int Error() const { return m_error; }

 private:
  int m_fd = -1;
  Status m_status = Status::Absent;
  bool m_made = false;
  std::string m_what;
  int m_error = 0;
};
