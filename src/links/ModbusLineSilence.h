#pragma once
// When a Modbus RTU master may speak: a frame goes on the line only after 3.5
// characters of silence, whoever spoke last (a slave whose reply came too late
// for its request's time-out, noise, or the master itself). Pure: the caller
// reads its clock and passes the time in (nanoseconds on one steady scale).
#include <cstddef>
#include <cstdint>

class ModbusLineSilence {
 public:
  // The gap a frame needs before it (3.5 characters with a margin) and one
  // character's time, at the line's settings.
  void SetTiming(std::int64_t gapNs, std::int64_t characterNs);
  std::int64_t Gap() const { return m_gapNs; }

  // Bytes came in (read, or dropped unread) at `nowNs`: the line spoke no later
  // than that.
  void NoteReceived(std::int64_t nowNs);
  // A frame of `length` bytes was handed to the port at `nowNs`: the line is
  // busy until its last character has left.
  void NoteSent(std::int64_t nowNs, std::size_t length);

  // How long from `nowNs` until a frame may go: 0 when the line has been quiet
  // for the gap (or never spoke).
  std::int64_t WaitBeforeSending(std::int64_t nowNs) const;

 private:
  std::int64_t m_gapNs = 1000000;
  std::int64_t m_characterNs = 1000000 / 3;
  std::int64_t m_lastActivityNs = 0;  // when the line last carried a byte
  bool m_spoke = false;
};
