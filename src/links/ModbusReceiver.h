#pragma once
// Assembles the reply to the one outstanding request from bytes as they arrive.
// Pure: bytes in, a parse result out; no I/O, no clock.
//
// The receiver is armed with the request it waits for (slave, function and,
// for a write, the six bytes the reply must echo). Frames are found by their
// header and length and accepted only with a good CRC; bytes that start no
// frame (line noise, the tail of a stray frame) are skipped, so the reply is
// found behind them. A frame from another slave, or a good frame that is not
// the reply to this request, is dropped. While disarmed, every byte is dropped.
//
// With no request outstanding the receiver may watch the line instead: every
// whole, good frame is reported as Unsolicited (a late reply, a stray one), so
// that the master can tell whose it was and count it; nothing is ever taken
// for a request from it.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/base/WinTypes.h"

enum class ModbusParse {
  NeedMore,    // no reply yet
  Complete,    // the reply to the outstanding request; for a read, `value` holds it
  BadCrc,      // a frame of the reply's shape from the polled slave with a wrong CRC
  WrongSlave,  // a good frame from another slave: dropped
  Exception,   // the polled slave refused the request; `exceptionCode` says why
  Unexpected,  // a good frame from the polled slave that does not answer this request
  Truncated,   // (Flush only) part of a frame was held when the line went quiet
  Unsolicited, // (watching only) a whole frame came with no request outstanding
};

struct ModbusParseResult {
  ModbusParse status = ModbusParse::NeedMore;
  BYTE slave = 0;
  BYTE function = 0;         // of the frame found (with the exception flag, if set)
  std::uint32_t value = 0;   // d0 d1 d2 d3 of a read reply, d0 most significant
  BYTE exceptionCode = 0;
  std::size_t dropped = 0;   // bytes skipped as noise before the frame, this call
};

class ModbusReceiver {
 public:
  static constexpr std::size_t kCapacity = 256;  // longest RTU frame

  // Waits for the reply to a read of two registers from `slave`.
  void ExpectRead(BYTE slave);
  // Waits for the reply to the write request `request` (its first six bytes echoed).
  void ExpectWrite(const BYTE* request, std::size_t length);
  // No request outstanding; everything held is dropped.
  void Disarm();
  // No request outstanding; whole frames are reported as Unsolicited. What is
  // held (the bytes behind the last reply) is looked at by the next Feed.
  void Watch();
  bool IsArmed() const { return m_armed; }
  bool IsWatching() const { return m_watching; }
  BYTE ExpectedSlave() const { return m_slave; }
  std::size_t Held() const { return m_buffer.size(); }

  // Takes `length` bytes; reports the first frame they complete. Bytes behind
  // that frame stay for the next call (Feed with length 0 looks at them).
  // A result other than NeedMore ends the request: the receiver disarms
  // (keeping the bytes behind the frame for Watch), except after WrongSlave
  // and Unexpected, which keep it waiting.
  ModbusParseResult Feed(const BYTE* data, std::size_t length);
  // The line went quiet: Truncated when the start of the awaited reply is held
  // (the bytes are dropped), NeedMore otherwise.
  ModbusParseResult Flush();

 private:
  // The frame length a header at `at` announces, 0 when no frame starts there,
  // or SIZE_MAX when too few bytes are held to tell.
  std::size_t FrameLengthAt(std::size_t at) const;
  ModbusParseResult Classify(const BYTE* frame, std::size_t length) const;
  bool StartsAwaitedReply(std::size_t at) const;

  ModbusParseResult FeedWatching();

  bool m_armed = false;
  bool m_watching = false;
  BYTE m_slave = 0;
  BYTE m_function = 0;
  BYTE m_echo[6] = {};
  std::vector<BYTE> m_buffer;
};
