#pragma once
// Modbus RTU slaves played by libmodbus on the device side of a pseudo-terminal
// pair, served from a thread of their own. The test frames each request, lets
// libmodbus build the reply for the addressed slave, and can spoil that reply
// on its way to the line (named switches), to prove the master's fault paths.
#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/PtyPair.h"

struct _modbus;
struct _modbus_mapping_t;

class ModbusSlavePeer {
 public:
  // How the next replies are spoiled.
  enum class Fault {
    None,
    BadCrc,         // last byte of the CRC flipped
    Truncated,      // only the first five bytes sent
    OtherSlave,     // the slave address replaced by `otherSlave`, CRC made good again
    NoiseBefore,    // a few bytes of noise, then the reply
    NoiseAfter,     // the reply, then a few bytes of noise
    CloseLine,      // the line is closed instead of replying
  };

  ModbusSlavePeer();
  ~ModbusSlavePeer();  // stops the thread, frees libmodbus

  const std::string& PortPath() const { return m_pty.SlavePath(); }
  PtyPair& Pty() { return m_pty; }

  // A slave with holding registers 40001..41000 (addresses 0..999).
  void AddSlave(int slave);
  void SetSilent(int slave, bool silent);
  // Two registers at `registerNumber` hold `value`, most significant word first.
  void SetValue(int slave, int registerNumber, std::int32_t value);
  std::int32_t GetValue(int slave, int registerNumber);
  // The next `count` replies get `fault`.
  void InjectFault(Fault fault, int count = 1, int otherSlave = 0);

  int RequestsFor(int slave);
  int Replies() const { return m_replies.load(); }

  void Start();
  void Stop();

 private:
  void Serve();
  void Answer(const std::vector<std::uint8_t>& request);
  void SendSpoiled(std::vector<std::uint8_t> reply);

  PtyPair m_pty;
  _modbus* m_ctx = nullptr;
  int m_replyPipe[2] = {-1, -1};  // libmodbus writes its replies here
  std::mutex m_mutex;
  std::map<int, _modbus_mapping_t*> m_slaves;
  std::map<int, bool> m_silent;
  std::map<int, int> m_requests;
  Fault m_fault = Fault::None;
  int m_faultCount = 0;
  int m_otherSlave = 0;
  std::atomic<int> m_replies{0};
  std::atomic<bool> m_stop{false};
  std::thread m_thread;
};
