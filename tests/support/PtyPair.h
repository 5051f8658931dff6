#pragma once
// A pseudo-terminal pair for serial tests: the program under test opens the
// slave side by path (or as "COMn" through a link in a temporary folder named by
// RUV_COM_DIR); the test plays the device on the master side.
#include <string>

class PtyPair {
 public:
  PtyPair();   // raw mode on both sides
  ~PtyPair();  // closes what is still open
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  int MasterFd() const { return m_master; }
  const std::string& SlavePath() const { return m_slavePath; }

  // Writes all bytes to the master side.
  void Send(const std::string& bytes);
  // Reads what arrives on the master side until `count` bytes or `timeoutMs` passed.
  std::string Receive(std::size_t count, int timeoutMs = 2000);
  // Closes the master side: the port under test sees its peer hang up.
  void CloseMaster();

 private:
  int m_master = -1;
  int m_slave = -1;  // kept open so the master side never reads a hang-up of its own
  std::string m_slavePath;
};
