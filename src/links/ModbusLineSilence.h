#pragma once
// When a Modbus RTU master may speak: a frame goes on the line only after the
// serial line's silence, whoever spoke last (a slave whose reply came too late
// for its request's time-out, noise, or the master itself). Pure: the caller
// reads its clock and passes the time in (nanoseconds on one steady scale).
#include <cstddef>
#include <cstdint>

class ModbusLineSilence {
 public:
  // The serial line's rule at `baud` with `bitsPerChar` bits a character: a
  // frame needs 3.5 characters of silence before it, and a pause of more than
  // 1.5 characters inside one ends it. Above 19 200 baud the rule fixes 1.75 ms
  // and 750 us instead: the character times get too short for a slave to time.
  // 0 when the baud or the character is unknown.
  static constexpr std::uint32_t kFixedTimesAboveBaud = 19200;
  static std::int64_t FrameSilenceNs(std::uint32_t baud, int bitsPerChar);
  static std::int64_t CharacterLimitNs(std::uint32_t baud, int bitsPerChar);

  // The gap a frame needs before it (the frame silence, perhaps with a margin)
  // and one character's time, at the line's settings.
  void SetTiming(std::int64_t gapNs, std::int64_t characterNs);
  std::int64_t Gap() const { return m_gapNs; }

  // Bytes came in (read, or dropped unread) at `nowNs`: the line spoke no later
  // than that.
  void NoteReceived(std::int64_t nowNs);
  // A frame of `length` bytes was handed to the port at `nowNs`: the line is
  // busy until its last character has left.
  void NoteSent(std::int64_t nowNs, std::size_t length);

  // When a frame may go: the time the line will have been quiet for the gap,
  // unless it speaks again first. INT64_MIN when it never spoke.
  std::int64_t SendableAt() const;
  // How long from `nowNs` until a frame may go: 0 when the line has been quiet
  // for the gap (or never spoke).
  std::int64_t WaitBeforeSending(std::int64_t nowNs) const;

 private:
  std::int64_t m_gapNs = 1000000;
  std::int64_t m_characterNs = 1000000 / 3;
  std::int64_t m_lastActivityNs = 0;  // when the line last carried a byte
  bool m_spoke = false;
};
