#include "links/ModbusLineSilence.h"

#include <algorithm>

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

std::int64_t ModbusLineSilence::WaitBeforeSending(std::int64_t nowNs) const {
  if (!m_spoke) return 0;
  return std::max<std::int64_t>(m_lastActivityNs + m_gapNs - nowNs, 0);
}
