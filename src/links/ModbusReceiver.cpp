#include "links/ModbusReceiver.h"

#include <algorithm>
#include <cstring>

#include "links/ModbusRtu.h"

namespace {
constexpr std::size_t kUnknown = static_cast<std::size_t>(-1);
constexpr std::size_t kNone = static_cast<std::size_t>(-1);
}  // namespace

void ModbusReceiver::ExpectRead(BYTE slave) {
  // Held bytes came before the request went out: none of them begins its reply.
  m_buffer.clear();
  m_watching = false;
  m_armed = true;
  m_slave = slave;
  m_function = modbus::kReadHoldingRegisters;
}

void ModbusReceiver::ExpectWrite(const BYTE* request, std::size_t length) {
  m_buffer.clear();
  m_watching = false;
  m_armed = length >= 6;
  if (!m_armed) return;
  m_slave = request[0];
  m_function = request[1];
  std::memcpy(m_echo, request, 6);
}

void ModbusReceiver::Disarm() {
  m_armed = false;
  m_watching = false;
  m_buffer.clear();
}

void ModbusReceiver::Watch() {
  m_armed = false;
  m_watching = true;
}

ModbusParseResult ModbusReceiver::FeedWatching() {
  ModbusParseResult result;
  const std::size_t held = m_buffer.size();
  std::size_t firstIncomplete = kNone;
  for (std::size_t at = 0; at < held; ++at) {
    const std::size_t frameLength = FrameLengthAt(at);
    if (frameLength == 0) continue;
    if (frameLength == kUnknown || at + frameLength > held) {
      if (firstIncomplete == kNone) firstIncomplete = at;
      continue;
    }
    const BYTE* frame = m_buffer.data() + at;
    if (!modbus::CheckCrc(frame, frameLength)) continue;
    result.status = ModbusParse::Unsolicited;
    result.slave = frame[0];
    result.function = frame[1];
    if (frameLength == modbus::kReadReplyLength && frame[1] == modbus::kReadHoldingRegisters) {
      result.value = modbus::JoinBigEndian(frame + 3);
    }
    if (frameLength == modbus::kExceptionReplyLength) result.exceptionCode = frame[2];
    result.dropped = at;
    m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(at + frameLength));
    return result;
  }
  const std::size_t keepFrom = firstIncomplete == kNone ? held : firstIncomplete;
  m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(keepFrom));
  result.dropped = keepFrom;
  return result;
}

std::size_t ModbusReceiver::FrameLengthAt(std::size_t at) const {
  const std::size_t held = m_buffer.size() - at;
  const BYTE slave = m_buffer[at];
  if (slave == 0 || slave > 247) return 0;  // no slave answers from these addresses
  if (held < 2) return kUnknown;
  const BYTE function = m_buffer[at + 1];
  if (function == modbus::kReadHoldingRegisters) {
    if (held < 3) return kUnknown;
    const BYTE byteCount = m_buffer[at + 2];
    if (byteCount == 0 || byteCount > 250 || (byteCount & 1) != 0) return 0;
    return 5u + byteCount;
  }
  if (function == modbus::kWriteMultipleRegisters) return modbus::kWriteReplyLength;
  if (function == (modbus::kReadHoldingRegisters | modbus::kExceptionFlag) ||
      function == (modbus::kWriteMultipleRegisters | modbus::kExceptionFlag)) {
    return modbus::kExceptionReplyLength;
  }
  return 0;
}

bool ModbusReceiver::StartsAwaitedReply(std::size_t at) const {
  if (m_buffer.size() - at < 2 || m_buffer[at] != m_slave || m_buffer[at + 1] != m_function) return false;
  const std::size_t length = m_function == modbus::kReadHoldingRegisters ? modbus::kReadReplyLength
                                                                          : modbus::kWriteReplyLength;
  return FrameLengthAt(at) == length;
}

ModbusParseResult ModbusReceiver::Classify(const BYTE* frame, std::size_t length) const {
  ModbusParseResult result;
  result.slave = frame[0];
  result.function = frame[1];
  if (frame[0] != m_slave) {
    result.status = ModbusParse::WrongSlave;
    return result;
  }
  if (frame[1] == (m_function | modbus::kExceptionFlag)) {
    result.status = ModbusParse::Exception;
    result.exceptionCode = frame[2];
    return result;
  }
  result.status = ModbusParse::Unexpected;
  if (frame[1] != m_function) return result;
  if (m_function == modbus::kReadHoldingRegisters) {
    if (length == modbus::kReadReplyLength) {
      result.status = ModbusParse::Complete;
      result.value = modbus::JoinBigEndian(frame + 3);
    }
  } else if (length == modbus::kWriteReplyLength && std::memcmp(frame, m_echo, 6) == 0) {
    result.status = ModbusParse::Complete;
  }
  return result;
}

ModbusParseResult ModbusReceiver::Feed(const BYTE* data, std::size_t length) {
  ModbusParseResult result;
  if (!m_armed && !m_watching) {
    result.dropped = m_buffer.size() + length;
    m_buffer.clear();
    return result;
  }
  if (length > 0) m_buffer.insert(m_buffer.end(), data, data + length);
  std::size_t excess = 0;
  if (m_buffer.size() > kCapacity) {
    excess = m_buffer.size() - kCapacity;
    m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(excess));
  }
  if (m_watching) {
    result = FeedWatching();
    result.dropped += excess;
    return result;
  }
  result.dropped += excess;
  const std::size_t held = m_buffer.size();
  std::size_t firstIncomplete = kNone;
  for (std::size_t at = 0; at < held; ++at) {
    const std::size_t frameLength = FrameLengthAt(at);
    if (frameLength == 0) continue;
    if (frameLength == kUnknown || at + frameLength > held) {
      if (firstIncomplete == kNone) firstIncomplete = at;
      continue;
    }
    const BYTE* frame = m_buffer.data() + at;
    const bool good = modbus::CheckCrc(frame, frameLength);
    const bool badReply = !good && firstIncomplete == kNone && StartsAwaitedReply(at);
    if (!good && !badReply) continue;
    ModbusParseResult found = good ? Classify(frame, frameLength) : ModbusParseResult{};
    if (badReply) {
      found.status = ModbusParse::BadCrc;
      found.slave = frame[0];
      found.function = frame[1];
    }
    found.dropped = result.dropped + at;
    m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(at + frameLength));
    // The request has ended; what came behind its reply is kept for Watch.
    if (found.status != ModbusParse::WrongSlave && found.status != ModbusParse::Unexpected) m_armed = false;
    return found;
  }
  // No frame yet: what cannot begin one is noise.
  const std::size_t keepFrom = firstIncomplete == kNone ? held : firstIncomplete;
  m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(keepFrom));
  result.dropped += keepFrom;
  return result;
}

ModbusParseResult ModbusReceiver::Flush() {
  ModbusParseResult result;
  if (m_armed && !m_buffer.empty()) {
    for (std::size_t at = 0; at < m_buffer.size(); ++at) {
      if (m_buffer[at] != m_slave) continue;
      const bool partial = m_buffer.size() - at < 2 || m_buffer[at + 1] == m_function ||
                           m_buffer[at + 1] == (m_function | modbus::kExceptionFlag);
      if (partial) {
        result.status = ModbusParse::Truncated;
        result.slave = m_slave;
        break;
      }
    }
  }
  result.dropped = m_buffer.size();
  m_buffer.clear();
  return result;
}
