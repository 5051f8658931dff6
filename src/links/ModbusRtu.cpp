#include "links/ModbusRtu.h"

#include <array>

namespace modbus {
namespace {

// The standard's two tables: the high and the low byte of the CRC of each index,
// derived here from the polynomial instead of being typed out.
struct CrcTables {
  std::array<BYTE, 256> high{};
  std::array<BYTE, 256> low{};
};

constexpr CrcTables MakeTables() {
  CrcTables tables;
  for (unsigned index = 0; index < 256; ++index) {
    unsigned crc = index;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0xA001u : crc >> 1;
    // The table method keeps the CRC as two bytes swapped against the bit method.
    tables.high[index] = static_cast<BYTE>(crc & 0xFF);
    tables.low[index] = static_cast<BYTE>(crc >> 8);
  }
  return tables;
}

constexpr CrcTables kTables = MakeTables();

}  // namespace

WORD Crc16(const BYTE* data, std::size_t length) {
  BYTE crcHigh = 0xFF;
  BYTE crcLow = 0xFF;
  for (std::size_t i = 0; i < length; ++i) {
    const unsigned index = crcHigh ^ data[i];
    crcHigh = static_cast<BYTE>(crcLow ^ kTables.high[index]);
    crcLow = kTables.low[index];
  }
  // crcHigh holds the byte sent first: the CRC's low-order byte.
  return static_cast<WORD>((crcLow << 8) | crcHigh);
}

bool CheckCrc(const BYTE* frame, std::size_t length) {
  if (length < 3) return false;
  const WORD crc = Crc16(frame, length - 2);
  return frame[length - 2] == (crc & 0xFF) && frame[length - 1] == (crc >> 8);
}

void AppendCrc(std::vector<BYTE>& frame) {
  const WORD crc = Crc16(frame.data(), frame.size());
  frame.push_back(static_cast<BYTE>(crc & 0xFF));
  frame.push_back(static_cast<BYTE>(crc >> 8));
}

WORD RegisterToAddress(int registerNumber) { return static_cast<WORD>(registerNumber - 40000 - 1); }

void BuildReadRequest(BYTE slave, int address, WORD registerCount, std::vector<BYTE>& out) {
  std::vector<BYTE> frame;
  const WORD wire = static_cast<WORD>(address - 1);
  frame = {slave, kReadHoldingRegisters, static_cast<BYTE>(wire >> 8), static_cast<BYTE>(wire & 0xFF),
           static_cast<BYTE>(registerCount >> 8), static_cast<BYTE>(registerCount & 0xFF)};
  AppendCrc(frame);
  out.insert(out.end(), frame.begin(), frame.end());
}

void BuildWriteRequest(BYTE slave, int address, WORD registerCount, const BYTE* data, std::vector<BYTE>& out) {
  const WORD wire = static_cast<WORD>(address - 1);
  const unsigned byteCount = 2u * registerCount;
  std::vector<BYTE> frame;
  // Sized once: the header, the data and the CRC.
  frame.reserve(7 + byteCount + 2);
  frame = {slave,
           kWriteMultipleRegisters,
           static_cast<BYTE>(wire >> 8),
           static_cast<BYTE>(wire & 0xFF),
           static_cast<BYTE>(registerCount >> 8),
           static_cast<BYTE>(registerCount & 0xFF),
           static_cast<BYTE>(byteCount)};
  frame.insert(frame.end(), data, data + byteCount);
  AppendCrc(frame);
  out.insert(out.end(), frame.begin(), frame.end());
}

void SplitBigEndian(std::uint32_t value, BYTE out[4]) {
  out[0] = static_cast<BYTE>(value >> 24);
  out[1] = static_cast<BYTE>(value >> 16);
  out[2] = static_cast<BYTE>(value >> 8);
  out[3] = static_cast<BYTE>(value);
}

std::uint32_t JoinBigEndian(const BYTE bytes[4]) {
  return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) | (std::uint32_t{bytes[2]} << 8) |
         std::uint32_t{bytes[3]};
}

}  // namespace modbus
