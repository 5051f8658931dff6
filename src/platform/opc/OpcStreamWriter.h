#pragma once
// Writes the stream images of the version 1.0 data path (layout in OpcStream.h).
// Values are written in item order after the item headers.
#include <cstdint>
#include <vector>

#include "platform/opc/OpcStream.h"

// False (and `out` empty) when a value's type cannot be carried.
bool WriteOpcDataStream(const OpcDataStream& stream, bool withTimeStamps, std::vector<std::uint8_t>& out);
std::vector<std::uint8_t> WriteOpcWriteCompleteStream(const OpcWriteCompleteStream& stream);
