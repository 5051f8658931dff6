#pragma once
// Modbus RTU slaves played by libmodbus on the device side of a pseudo-terminal
// pair, served from a thread of their own. The test frames each request, lets
// libmodbus build the reply for the addressed slave, and can spoil that reply
// on its way to the line (named switches), to prove the master's fault paths.
//
// With a wire baud set, the peer keeps the line's time as a real RS-485 slave
// would see it (8N1, ten bits a character): a request is answered only after
// its own wire time and the line's silence (3.5 characters, a fixed 1.75 ms
// above 19 200 baud), each reply byte leaves one character time after the one
// before, and the silence the master leaves between the end of a reply and its
// next request is measured.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <utility>
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
  // How a slave meets a write (function 16); reads are answered as ever. A
  // refused or ignored write leaves the registers as they were.
  enum class Writes { Taken, Refused, Ignored };
  void SetWrites(int slave, Writes writes);
  // Two registers at `registerNumber` hold `value`, most significant word first.
  void SetValue(int slave, int registerNumber, std::int32_t value);
  std::int32_t GetValue(int slave, int registerNumber);
  // The next `count` replies get `fault`.
  void InjectFault(Fault fault, int count = 1, int otherSlave = 0);
  // The reply to the next read of `registerNumber` of `slave` is held back, as
  // a slave too slow for its master's time-out, until the next request to that
  // slave comes in; it then goes out just before that request's own reply.
  void HoldNextReadReply(int slave, int registerNumber);
  int HeldRepliesSent() const { return m_heldSent.load(); }
  // Replies to reads of `registerNumber` of `slave` go out `lateMs` after
  // their time (0: on time), or never when `ignored`.
  void SetReadReplies(int slave, int registerNumber, int lateMs, bool ignored = false);

  int RequestsFor(int slave);
  // The write requests (function 16) in the order they came: slave and register number.
  struct WriteRequest {
    int slave;
    int registerNumber;
    bool operator==(const WriteRequest&) const = default;
    friend void PrintTo(const WriteRequest& request, std::ostream* out) {
      *out << "slave " << request.slave << " register " << request.registerNumber;
    }
  };
  std::vector<WriteRequest> WriteLog();
  // The values of the two-register writes to `registerNumber` of `slave`, in
  // the order they came.
  std::vector<std::int32_t> WrittenValues(int slave, int registerNumber);
  int Replies() const { return m_replies.load(); }

  // 0 (the default) answers at once, as fast as the pseudo-terminal goes.
  void SetWireBaud(int baud);
  double CharacterSeconds() const;  // one character's wire time at the wire baud
  // The silence a frame needs before it, and the longest pause inside a frame,
  // at the wire baud.
  double FrameSilenceSeconds() const;
  double CharacterLimitSeconds() const;
  struct Silences {
    int count = 0;          // replies followed by a request
    double minChars = 0;    // the shortest silence, in characters
    double meanChars = 0;
    int belowRule = 0;      // silences shorter than the frame silence
    int unmeasured = 0;     // replies the peer could not keep or time (it lost the processor)
    double lateMeanSeconds = 0;  // how much later than its time each reply's last byte went out
  };
  Silences MeasuredSilences();
  void ResetSilences();

  void Start();
  void Stop();

 private:
  using Clock = std::chrono::steady_clock;
  struct HeldReply {
    int slave = 0;
    std::vector<std::uint8_t> reply;
  };
  void Serve();
  void Answer(const std::vector<std::uint8_t>& request, Clock::time_point arrived);
  void SendSpoiled(std::vector<std::uint8_t> reply, Clock::time_point arrived, std::size_t requestLength,
                   std::optional<HeldReply> held = std::nullopt, int lateMs = 0);
  // Sends `wire` at once, or paced one character time a byte from `start`.
  void SendOnWire(const std::string& wire, Clock::time_point start);
  void NoteRequestArrival(Clock::time_point arrived);
  // Bytes from the master wait unread.
  bool RequestWaiting();

  PtyPair m_pty;
  _modbus* m_ctx = nullptr;
  int m_replyPipe[2] = {-1, -1};  // libmodbus writes its replies here
  std::mutex m_mutex;
  std::map<int, _modbus_mapping_t*> m_slaves;
  std::map<int, bool> m_silent;
  std::map<int, Writes> m_writes;
  std::map<int, int> m_requests;
  std::vector<WriteRequest> m_writeLog;
  std::map<std::pair<int, int>, std::vector<std::int32_t>> m_writtenValues;
  std::optional<std::pair<int, int>> m_holdNext;  // slave and register whose next read reply is held
  std::optional<HeldReply> m_held;
  std::atomic<int> m_heldSent{0};
  struct ReadReplies {
    int lateMs = 0;
    bool ignored = false;
  };
  std::map<std::pair<int, int>, ReadReplies> m_readReplies;
  Fault m_fault = Fault::None;
  int m_faultCount = 0;
  int m_otherSlave = 0;
  std::atomic<int> m_replies{0};
  std::atomic<int> m_wireBaud{0};
  // Guarded by m_mutex: the end of the last reply and the silences after replies.
  std::optional<Clock::time_point> m_lastReplyEnd;
  std::vector<double> m_silenceChars;
  int m_unmeasured = 0;
  double m_lateSeconds = 0;  // over m_timedReplies wire-timed replies
  int m_timedReplies = 0;
  std::atomic<bool> m_stop{false};
  std::thread m_thread;
};
