#pragma once
// A read lease on a file (Linux): the kernel grants it only while no process
// has the file open for writing, and breaks it as soon as one opens it so or
// cuts it. Whether a file someone may still add to can be read whole now.
#include <string>

class ReadLease {
 public:
  enum class State {
    Held,         // nobody had it open for writing
    Writing,      // a process has it open for writing now
    Unavailable,  // no lease here for another cause (another user's file, a file system without leases)
  };
  ReadLease() = default;  // none
  // Opens `path` for reading (a link's own name never followed) and takes the lease.
  explicit ReadLease(const std::string& path);
  ~ReadLease();
  ReadLease(ReadLease&& other) noexcept;
  ReadLease& operator=(ReadLease&& other) noexcept;
  ReadLease(const ReadLease&) = delete;
  ReadLease& operator=(const ReadLease&) = delete;

  State state() const { return m_state; }
  // Whether it is still held: nobody opened the file for writing since it was taken.
  bool StillHeld() const;
  // Gives it back (a writer waiting for it goes on at once).
  void Release();

  // Test seam: while set, no lease can be had (as on a file system without
  // leases, or on another user's file).
  static void SetRefusedForTest(bool refused);

 private:
  int m_fd = -1;
  State m_state = State::Unavailable;
};
