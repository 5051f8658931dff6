// libFuzzer harness for the Modbus reply receiver: arbitrary bytes, cut into
// arbitrary chunks, against a read or a write request outstanding.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "links/ModbusReceiver.h"
#include "links/ModbusRtu.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const BYTE mode = data[0];
  const BYTE slave = data[1];
  const BYTE chunking = data[2];
  data += 3;
  size -= 3;

  ModbusReceiver receiver;
  std::vector<BYTE> request;
  if (mode & 1) {
    const BYTE value[4] = {mode, slave, chunking, 0x5A};
    modbus::BuildWriteRequest(slave, 1 + (mode >> 1), 2, value, request);
    receiver.ExpectWrite(request.data(), request.size());
  } else {
    receiver.ExpectRead(slave);
  }
  const std::size_t step = 1 + chunking % 17;
  for (std::size_t at = 0; at < size && receiver.IsArmed(); at += step) {
    const std::size_t length = size - at < step ? size - at : step;
    ModbusParseResult result = receiver.Feed(data + at, length);
    for (int guard = 0; guard < 300; ++guard) {
      Require(receiver.Held() <= ModbusReceiver::kCapacity);
      switch (result.status) {
        case ModbusParse::Complete:
        case ModbusParse::Exception:
        case ModbusParse::BadCrc:
          Require(result.slave == slave);
          Require(!receiver.IsArmed());
          break;
        case ModbusParse::WrongSlave:
          Require(result.slave != slave);
          Require(receiver.IsArmed());
          break;
        case ModbusParse::Unexpected:
          Require(result.slave == slave);
          Require(receiver.IsArmed());
          break;
        case ModbusParse::Truncated:
          Require(false);  // only Flush reports it
          break;
        case ModbusParse::NeedMore:
          break;
      }
      if (result.status == ModbusParse::NeedMore || !receiver.IsArmed()) break;
      result = receiver.Feed(nullptr, 0);
      Require(guard < 299);  // every further look consumes a frame, so this ends
    }
  }
  const ModbusParseResult flushed = receiver.Flush();
  Require(flushed.status == ModbusParse::NeedMore || flushed.status == ModbusParse::Truncated);
  Require(receiver.Held() == 0);
  return 0;
}
