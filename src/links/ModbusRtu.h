#pragma once
// Modbus RTU frames as the serial link uses them: function 3 reads and function
// 16 writes of two holding registers holding one big-endian 32-bit value, each
// frame ending with the CRC-16 of the Modbus standard (low byte first).
// Pure: bytes in, bytes or values out.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/base/WinTypes.h"

namespace modbus {

constexpr BYTE kReadHoldingRegisters = 3;
constexpr BYTE kWriteMultipleRegisters = 16;
constexpr BYTE kExceptionFlag = 0x80;
constexpr std::size_t kReadRequestLength = 8;
constexpr std::size_t kReadReplyLength = 9;    // two registers
constexpr std::size_t kWriteRequestLength = 13;
constexpr std::size_t kWriteReplyLength = 8;
constexpr std::size_t kExceptionReplyLength = 5;

// CRC-16 (initial 0xFFFF, reflected polynomial 0xA001) over `length` bytes,
// computed with the standard's pair of 256-entry tables.
WORD Crc16(const BYTE* data, std::size_t length);
// True when the last two bytes of the frame are the CRC of the bytes before them.
bool CheckCrc(const BYTE* frame, std::size_t length);
// Appends the CRC of everything in `frame`, low byte first.
void AppendCrc(std::vector<BYTE>& frame);

// The protocol address of a holding register: 40001 is 0, 49999 is 9998.
WORD RegisterToAddress(int registerNumber);

// Appends a read request; `address` is 1-based (register - 40000) and goes on
// the wire less 1.
void BuildReadRequest(BYTE slave, int address, WORD registerCount, std::vector<BYTE>& out);
// Appends a write request of `data` (2 bytes per register) at the 1-based address.
void BuildWriteRequest(BYTE slave, int address, WORD registerCount, const BYTE* data, std::vector<BYTE>& out);

// The four bytes of a 32-bit value, most significant first, and back.
void SplitBigEndian(std::uint32_t value, BYTE out[4]);
std::uint32_t JoinBigEndian(const BYTE bytes[4]);

}  // namespace modbus
