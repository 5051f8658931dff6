#pragma once
// Reads the stream images of the version 1.0 data path (layout in OpcStream.h).
// Pure: bytes in, result out. Every count, offset and size is checked against the
// stream's size before it is used; a malformed stream is refused whole and `out`
// is left untouched.
#include <cstddef>
#include <cstdint>

#include "platform/opc/OpcStream.h"

OpcStreamError ReadOpcDataStream(const std::uint8_t* data, std::size_t size, bool withTimeStamps, OpcDataStream& out);
OpcStreamError ReadOpcWriteCompleteStream(const std::uint8_t* data, std::size_t size, OpcWriteCompleteStream& out);
