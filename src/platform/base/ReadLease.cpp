#include "platform/base/ReadLease.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <mutex>
#include <utility>

namespace {

// A writer opening a leased file makes the kernel signal the holder (SIGIO),
// whose default action ends the process. Whether the lease was broken is
// asked after the read instead (F_GETLEASE), so the signal itself is not
// needed: ignored, unless someone handles it already.
void IgnoreLeaseBreakSignal() {
  static std::once_flag once;
  std::call_once(once, [] {
    struct sigaction current {};
    if (::sigaction(SIGIO, nullptr, &current) != 0) return;
    if ((current.sa_flags & SA_SIGINFO) == 0 && current.sa_handler == SIG_DFL) {
      struct sigaction ignore {};
      ignore.sa_handler = SIG_IGN;
      sigemptyset(&ignore.sa_mask);
      ::sigaction(SIGIO, &ignore, nullptr);
    }
  });
}

std::atomic<bool> g_refusedForTest{false};

}  // namespace

void ReadLease::SetRefusedForTest(bool refused) { g_refusedForTest = refused; }

ReadLease::ReadLease(const std::string& path) {
  // Never blocks: a FIFO at the name has no writer to wait for here.
  m_fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
  if (m_fd < 0) return;
  struct stat info {};
  if (::fstat(m_fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    Release();
    return;
  }
  IgnoreLeaseBreakSignal();
  if (g_refusedForTest) {
    Release();
    return;
  }
  if (::fcntl(m_fd, F_SETLEASE, F_RDLCK) == 0) {
    m_state = State::Held;
    return;
  }
  m_state = errno == EAGAIN ? State::Writing : State::Unavailable;
  Release();
}

ReadLease::~ReadLease() { Release(); }

ReadLease::ReadLease(ReadLease&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)), m_state(std::exchange(other.m_state, State::Unavailable)) {}

ReadLease& ReadLease::operator=(ReadLease&& other) noexcept {
  if (this != &other) {
    Release();
    m_fd = std::exchange(other.m_fd, -1);
    m_state = std::exchange(other.m_state, State::Unavailable);
  }
  return *this;
}

bool ReadLease::StillHeld() const {
  // Once broken it reads as F_UNLCK, even before it is given back.
  return m_state == State::Held && m_fd >= 0 && ::fcntl(m_fd, F_GETLEASE) == F_RDLCK;
}

void ReadLease::Release() {
  if (m_fd < 0) return;
  // Given back before the close: a copy of the descriptor (a fork) would keep it.
  if (m_state == State::Held) ::fcntl(m_fd, F_SETLEASE, F_UNLCK);
  ::close(m_fd);
  m_fd = -1;
}
