#include "links/ModbusLineSilence.h"

#include <algorithm>
#include <limits>

namespace {
// `halves` half characters at the baud, rounded up: the rule is a least silence.
// Unsigned 64-bit throughout: no rate a line can report overflows it.
std::int64_t HalfCharactersNs(int halves, std::uint32_t baud, int bitsPerChar) {
  const std::uint64_t bitHalves = static_cast<std::uint64_t>(halves) * static_cast<std::uint64_t>(bitsPerChar);
  const std::uint64_t perSecond = 2 * static_cast<std::uint64_t>(baud);
  return static_cast<std::int64_t>((bitHalves * 1000000000u + perSecond - 1) / perSecond);
}
}  // namespace

std::int64_t ModbusLineSilence::FrameSilenceNs(std::uint32_t baud, int bitsPerChar) {
  if (baud == 0 || bitsPerChar <= 0) return 0;
  return baud > kFixedTimesAboveBaud ? 1750000 : HalfCharactersNs(7, baud, bitsPerChar);
}

std::int64_t ModbusLineSilence::CharacterLimitNs(std::uint32_t baud, int bitsPerChar) {
  if (baud == 0 || bitsPerChar <= 0) return 0;
  return baud > kFixedTimesAboveBaud ? 750000 : HalfCharactersNs(3, baud, bitsPerChar);
}

void ModbusLineSilence::SetTiming(std::int64_t gapNs, std::int64_t characterNs) {
  m_gapNs = std::max<std::int64_t>(gapNs, 0);
  m_characterNs = std::max<std::int64_t>(characterNs, 0);
}

void ModbusLineSilence::NoteReceived(std::int64_t nowNs) {
  m_lastActivityNs = m_spoke ? std::max(m_lastActivityNs, nowNs) : nowNs;
  m_spoke = true;
}

void ModbusLineSilence::NoteSent(std::int64_t nowNs, std::size_t length) {
  const std::int64_t lastCharacterLeaves = nowNs + static_cast<std::int64_t>(length) * m_characterNs;
  m_lastActivityNs = m_spoke ? std::max(m_lastActivityNs, lastCharacterLeaves) : lastCharacterLeaves;
  m_spoke = true;
}

std::int64_t ModbusLineSilence::SendableAt() const {
  return m_spoke ? m_lastActivityNs + m_gapNs : std::numeric_limits<std::int64_t>::min();
}

std::int64_t ModbusLineSilence::WaitBeforeSending(std::int64_t nowNs) const {
  if (!m_spoke) return 0;
  return std::max<std::int64_t>(SendableAt() - nowNs, 0);
}
