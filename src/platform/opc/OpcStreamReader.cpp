#include "platform/opc/OpcStreamReader.h"

#include <cstring>
#include <string>

#include "platform/base/Text.h"

namespace {

// Bounds-checked little-endian reads over [0, limit). Every read checks its own range.
class ByteView {
 public:
  ByteView(const std::uint8_t* data, std::size_t limit) : m_data(data), m_limit(limit) {}
  std::size_t Limit() const { return m_limit; }
  bool Fits(std::uint64_t offset, std::uint64_t bytes) const { return offset <= m_limit && bytes <= m_limit - offset; }
  std::uint8_t U8(std::size_t at) const { return m_data[at]; }
  std::uint16_t U16(std::size_t at) const { return static_cast<std::uint16_t>(m_data[at] | (m_data[at + 1] << 8)); }
  std::uint32_t U32(std::size_t at) const {
    return static_cast<std::uint32_t>(m_data[at]) | (static_cast<std::uint32_t>(m_data[at + 1]) << 8) |
           (static_cast<std::uint32_t>(m_data[at + 2]) << 16) | (static_cast<std::uint32_t>(m_data[at + 3]) << 24);
  }
  std::uint64_t U64(std::size_t at) const { return U32(at) | (static_cast<std::uint64_t>(U32(at + 4)) << 32); }

 private:
  const std::uint8_t* m_data;
  std::size_t m_limit;
};

// One scalar of `type` from `at` (the caller checked its bytes fit).
Variant ReadScalar(const ByteView& bytes, std::size_t at, VARTYPE type) {
  Variant v;
  v.vt = type;
  switch (type) {
    case VT_I1: v.cVal = static_cast<std::int8_t>(bytes.U8(at)); break;
    case VT_UI1: v.bVal = bytes.U8(at); break;
    case VT_I2: v.iVal = static_cast<std::int16_t>(bytes.U16(at)); break;
    case VT_UI2: v.uiVal = bytes.U16(at); break;
    case VT_BOOL: v.boolVal = bytes.U16(at) != 0 ? VARIANT_TRUE : VARIANT_FALSE; break;
    case VT_I4: v.lVal = static_cast<std::int32_t>(bytes.U32(at)); break;
    case VT_UI4: v.ulVal = bytes.U32(at); break;
    case VT_ERROR: v.scode = static_cast<SCODE>(bytes.U32(at)); break;
    case VT_R4: {
      std::uint32_t raw = bytes.U32(at);
      std::memcpy(&v.fltVal, &raw, sizeof raw);
      break;
    }
    case VT_R8:
    case VT_DATE: {
      std::uint64_t raw = bytes.U64(at);
      std::memcpy(&v.dblVal, &raw, sizeof raw);
      break;
    }
    default: break;  // VT_EMPTY, VT_NULL: no payload
  }
  return v;
}

OpcStreamError ReadString(const ByteView& bytes, std::size_t at, Variant& value) {
  if (!bytes.Fits(at, 4)) return OpcStreamError::StringOutOfRange;
  const std::uint64_t count = bytes.U32(at);
  const std::uint64_t textBytes = count * 2 + 2;  // with the terminating zero
  if (!bytes.Fits(at + 4, textBytes)) return OpcStreamError::StringOutOfRange;
  const std::size_t text = at + 4;
  if (bytes.U16(text + static_cast<std::size_t>(count) * 2) != 0) return OpcStreamError::StringNotTerminated;
  std::u16string wide(static_cast<std::size_t>(count), u'\0');
  for (std::size_t i = 0; i < wide.size(); ++i) wide[i] = static_cast<char16_t>(bytes.U16(text + i * 2));
  value = Variant::String(ruv::Utf16ToUtf8(wide));
  return OpcStreamError::None;
}

OpcStreamError ReadArray(const ByteView& bytes, std::size_t at, VARTYPE type, Variant& value) {
  const VARTYPE elementType = static_cast<VARTYPE>(type & VT_TYPEMASK);
  const std::uint32_t elementSize = OpcStreamElementSize(elementType);
  if ((type & ~VT_ARRAY) != elementType || elementSize == 0) return OpcStreamError::UnsupportedType;
  if (!bytes.Fits(at, opcstream::kArrayDescriptorSize)) return OpcStreamError::ArrayOutOfRange;
  const std::uint16_t dimensions = bytes.U16(at);
  if (dimensions < 1 || dimensions > 2) return OpcStreamError::ArrayDimensions;
  if (bytes.U32(at + 4) != elementSize) return OpcStreamError::ElementSizeMismatch;
  std::size_t cursor = at + opcstream::kArrayDescriptorSize;
  if (!bytes.Fits(cursor, std::uint64_t{dimensions} * opcstream::kArrayBoundSize)) return OpcStreamError::ArrayOutOfRange;
  std::vector<SafeArrayBound> bounds;
  for (std::uint16_t d = 0; d < dimensions; ++d) {
    bounds.push_back({bytes.U32(cursor), static_cast<std::int32_t>(bytes.U32(cursor + 4))});
    cursor += opcstream::kArrayBoundSize;
  }
  // Two 32-bit counts multiply without overflow in 64 bits; the product is then
  // bounded by the bytes left, so the byte count below cannot overflow either.
  std::uint64_t count = bounds[0].elements;
  if (dimensions == 2) count *= bounds[1].elements;
  if (count > (bytes.Limit() - cursor) / elementSize) return OpcStreamError::ArrayOutOfRange;
  if (!bytes.Fits(cursor, count * elementSize)) return OpcStreamError::ArrayOutOfRange;
  Variant array;
  array.vt = type;
  array.bounds = std::move(bounds);
  array.elements.reserve(static_cast<std::size_t>(count));
  for (std::uint64_t i = 0; i < count; ++i) {
    array.elements.push_back(ReadScalar(bytes, cursor, elementType));
    cursor += elementSize;
  }
  value = std::move(array);
  return OpcStreamError::None;
}

OpcStreamError ReadValue(const ByteView& bytes, std::size_t at, Variant& value) {
  const VARTYPE type = bytes.U16(at);
  if (!OpcStreamCarriesType(type)) return OpcStreamError::UnsupportedType;
  const std::size_t after = at + opcstream::kValueSize;
  if (type == VT_BSTR) return ReadString(bytes, after, value);
  if (type & VT_ARRAY) return ReadArray(bytes, after, type, value);
  value = ReadScalar(bytes, at + 8, type);
  return OpcStreamError::None;
}

}  // namespace

OpcStreamError ReadOpcDataStream(const std::uint8_t* data, std::size_t size, bool withTimeStamps, OpcDataStream& out) {
  if (!data || size < opcstream::kDataHeaderSize) return OpcStreamError::TooShort;
  const ByteView whole(data, size);
  const std::uint32_t totalSize = whole.U32(0);
  if (totalSize < opcstream::kDataHeaderSize || totalSize > size) return OpcStreamError::BadTotalSize;
  // Everything below stays within the size the server declared.
  const ByteView bytes(data, totalSize);
  const std::uint32_t count = bytes.U32(4);
  const std::size_t headerSize = withTimeStamps ? opcstream::kItemHeaderTimeSize : opcstream::kItemHeaderSize;
  if (!bytes.Fits(opcstream::kDataHeaderSize, std::uint64_t{count} * headerSize)) return OpcStreamError::CountTooLarge;
  const std::size_t headersEnd = opcstream::kDataHeaderSize + static_cast<std::size_t>(count) * headerSize;

  OpcDataStream stream;
  stream.clientGroup = bytes.U32(8);
  stream.transactionId = bytes.U32(12);
  stream.status = static_cast<HRESULT>(bytes.U32(16));
  stream.items.reserve(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::size_t header = opcstream::kDataHeaderSize + static_cast<std::size_t>(i) * headerSize;
    OpcStreamItem item;
    item.clientItem = bytes.U32(header);
    const std::uint32_t valueOffset = bytes.U32(header + 4);
    item.quality = bytes.U16(header + 8);
    if (withTimeStamps) item.timeStamp = FILETIME::From(bytes.U64(header + 12));
    if (valueOffset < headersEnd || !bytes.Fits(valueOffset, opcstream::kValueSize)) {
      return OpcStreamError::ValueOutOfRange;
    }
    if (OpcStreamError error = ReadValue(bytes, valueOffset, item.value); error != OpcStreamError::None) return error;
    stream.items.push_back(std::move(item));
  }
  out = std::move(stream);
  return OpcStreamError::None;
}

OpcStreamError ReadOpcWriteCompleteStream(const std::uint8_t* data, std::size_t size, OpcWriteCompleteStream& out) {
  if (!data || size < opcstream::kWriteHeaderSize) return OpcStreamError::TooShort;
  const ByteView bytes(data, size);
  const std::uint32_t count = bytes.U32(0);
  if (!bytes.Fits(opcstream::kWriteHeaderSize, std::uint64_t{count} * opcstream::kWriteRecordSize)) {
    return OpcStreamError::CountTooLarge;
  }
  OpcWriteCompleteStream stream;
  stream.clientGroup = bytes.U32(4);
  stream.transactionId = bytes.U32(8);
  stream.status = static_cast<HRESULT>(bytes.U32(12));
  stream.items.reserve(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::size_t record = opcstream::kWriteHeaderSize + static_cast<std::size_t>(i) * opcstream::kWriteRecordSize;
    stream.items.push_back({bytes.U32(record), static_cast<HRESULT>(bytes.U32(record + 4))});
  }
  out = std::move(stream);
  return OpcStreamError::None;
}
