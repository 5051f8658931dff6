#include "support/PtyPair.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

PtyPair::PtyPair() {
  char name[256] = {};
  if (openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) throw std::runtime_error("openpty failed");
  m_slavePath = name;
  termios tio{};
  tcgetattr(m_slave, &tio);
  cfmakeraw(&tio);
  tcsetattr(m_slave, TCSANOW, &tio);
  fcntl(m_master, F_SETFD, FD_CLOEXEC);
  fcntl(m_slave, F_SETFD, FD_CLOEXEC);
}

PtyPair::~PtyPair() {
  CloseMaster();
  if (m_slave >= 0) ::close(m_slave);
}

void PtyPair::Send(const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t put = ::write(m_master, bytes.data() + done, bytes.size() - done);
    if (put <= 0) throw std::runtime_error("write to pty master failed");
    done += static_cast<std::size_t>(put);
  }
}

std::string PtyPair::Receive(std::size_t count, int timeoutMs) {
  std::string got;
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (got.size() < count) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    pollfd entry{m_master, POLLIN, 0};
    if (::poll(&entry, 1, static_cast<int>(left.count())) <= 0) break;
    char chunk[256];
    const ssize_t n = ::read(m_master, chunk, std::min(sizeof chunk, count - got.size()));
    if (n <= 0) break;
    got.append(chunk, static_cast<std::size_t>(n));
  }
  return got;
}

void PtyPair::CloseMaster() {
  if (m_master >= 0) ::close(m_master);
  m_master = -1;
}
