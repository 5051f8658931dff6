// Fuzzes the reader of the version 1.0 data-path streams. The first byte picks the
// format; the rest is the stream. Besides not crashing, a stream the reader accepts
// must write back and read again to the same image.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/opc/OpcStreamReader.h"
#include "platform/opc/OpcStreamWriter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t mode = data[0] % 3;
  const std::uint8_t* stream = data + 1;
  const std::size_t length = size - 1;
  if (mode == 2) {
    OpcWriteCompleteStream parsed;
    if (ReadOpcWriteCompleteStream(stream, length, parsed) != OpcStreamError::None) return 0;
    const std::vector<std::uint8_t> image = WriteOpcWriteCompleteStream(parsed);
    OpcWriteCompleteStream again;
    if (ReadOpcWriteCompleteStream(image.data(), image.size(), again) != OpcStreamError::None) std::abort();
    if (WriteOpcWriteCompleteStream(again) != image) std::abort();
    return 0;
  }
  const bool withTime = mode == 1;
  OpcDataStream parsed;
  if (ReadOpcDataStream(stream, length, withTime, parsed) != OpcStreamError::None) return 0;
  std::vector<std::uint8_t> image;
  if (!WriteOpcDataStream(parsed, withTime, image)) std::abort();  // all it reads it can write
  OpcDataStream again;
  if (ReadOpcDataStream(image.data(), image.size(), withTime, again) != OpcStreamError::None) std::abort();
  std::vector<std::uint8_t> second;
  if (!WriteOpcDataStream(again, withTime, second) || second != image) std::abort();
  return 0;
}
