#include "platform/opc/OpcStreamWriter.h"

#include <cstring>
#include <string>

#include "platform/base/Text.h"

namespace {

class ByteSink {
 public:
  explicit ByteSink(std::vector<std::uint8_t>& out) : m_out(out) {}
  std::size_t Size() const { return m_out.size(); }
  void U8(std::uint8_t v) { m_out.push_back(v); }
  void U16(std::uint16_t v) {
    U8(static_cast<std::uint8_t>(v));
    U8(static_cast<std::uint8_t>(v >> 8));
  }
  void U32(std::uint32_t v) {
    U16(static_cast<std::uint16_t>(v));
    U16(static_cast<std::uint16_t>(v >> 16));
  }
  void U64(std::uint64_t v) {
    U32(static_cast<std::uint32_t>(v));
    U32(static_cast<std::uint32_t>(v >> 32));
  }
  void Zeros(std::size_t n) { m_out.insert(m_out.end(), n, 0); }
  void PatchU32(std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) m_out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  }

 private:
  std::vector<std::uint8_t>& m_out;
};

// The scalar's bytes, padded with zeros to `width`.
void WriteScalar(ByteSink& sink, const Variant& v, std::size_t width) {
  std::size_t used = 0;
  switch (v.vt) {
    case VT_I1: sink.U8(static_cast<std::uint8_t>(v.cVal)); used = 1; break;
    case VT_UI1: sink.U8(v.bVal); used = 1; break;
    case VT_I2: sink.U16(static_cast<std::uint16_t>(v.iVal)); used = 2; break;
    case VT_UI2: sink.U16(v.uiVal); used = 2; break;
    case VT_BOOL: sink.U16(static_cast<std::uint16_t>(v.boolVal)); used = 2; break;
    case VT_I4: sink.U32(static_cast<std::uint32_t>(v.lVal)); used = 4; break;
    case VT_UI4: sink.U32(v.ulVal); used = 4; break;
    case VT_ERROR: sink.U32(static_cast<std::uint32_t>(v.scode)); used = 4; break;
    case VT_R4: {
      std::uint32_t raw = 0;
      std::memcpy(&raw, &v.fltVal, sizeof raw);
      sink.U32(raw);
      used = 4;
      break;
    }
    case VT_R8:
    case VT_DATE: {
      std::uint64_t raw = 0;
      std::memcpy(&raw, &v.dblVal, sizeof raw);
      sink.U64(raw);
      used = 8;
      break;
    }
    default: break;
  }
  sink.Zeros(width - used);
}

bool WriteValue(ByteSink& sink, const Variant& v) {
  if (!OpcStreamCarriesType(v.vt)) return false;
  sink.U16(v.vt);
  sink.Zeros(6);
  if (v.vt == VT_BSTR) {
    sink.Zeros(8);
    const std::u16string wide = ruv::Utf8ToUtf16(v.bstrVal);
    sink.U32(static_cast<std::uint32_t>(wide.size()));
    for (char16_t c : wide) sink.U16(static_cast<std::uint16_t>(c));
    sink.U16(0);
    return true;
  }
  if (v.IsArray()) {
    sink.Zeros(8);
    const VARTYPE elementType = v.ElementType();
    const std::uint32_t elementSize = OpcStreamElementSize(elementType);
    if (v.bounds.empty() || v.bounds.size() > 2) return false;
    std::uint64_t count = 1;
    for (const SafeArrayBound& b : v.bounds) count *= b.elements;
    if (count != v.elements.size()) return false;
    sink.U16(static_cast<std::uint16_t>(v.bounds.size()));
    sink.U16(0);  // features
    sink.U32(elementSize);
    sink.U32(0);  // lock count
    sink.U32(0);  // data field: no address crosses the stream
    for (const SafeArrayBound& b : v.bounds) {
      sink.U32(b.elements);
      sink.U32(static_cast<std::uint32_t>(b.lowerBound));
    }
    for (const Variant& element : v.elements) {
      if (element.vt != elementType) return false;
      WriteScalar(sink, element, elementSize);
    }
    return true;
  }
  WriteScalar(sink, v, 8);
  return true;
}

}  // namespace

bool WriteOpcDataStream(const OpcDataStream& stream, bool withTimeStamps, std::vector<std::uint8_t>& out) {
  out.clear();
  ByteSink sink(out);
  const std::size_t headerSize = withTimeStamps ? opcstream::kItemHeaderTimeSize : opcstream::kItemHeaderSize;
  sink.U32(0);  // total size, patched at the end
  sink.U32(static_cast<std::uint32_t>(stream.items.size()));
  sink.U32(stream.clientGroup);
  sink.U32(stream.transactionId);
  sink.U32(static_cast<std::uint32_t>(stream.status));
  sink.Zeros(stream.items.size() * headerSize);
  for (std::size_t i = 0; i < stream.items.size(); ++i) {
    const OpcStreamItem& item = stream.items[i];
    const std::size_t valueOffset = sink.Size();
    if (!WriteValue(sink, item.value)) {
      out.clear();
      return false;
    }
    const std::size_t header = opcstream::kDataHeaderSize + i * headerSize;
    std::vector<std::uint8_t> fields;
    ByteSink headerSink(fields);
    headerSink.U32(item.clientItem);
    headerSink.U32(static_cast<std::uint32_t>(valueOffset));
    headerSink.U16(item.quality);
    headerSink.U16(0);
    if (withTimeStamps) headerSink.U64(item.timeStamp.Value());
    std::memcpy(out.data() + header, fields.data(), fields.size());
  }
  sink.PatchU32(0, static_cast<std::uint32_t>(out.size()));
  return true;
}

std::vector<std::uint8_t> WriteOpcWriteCompleteStream(const OpcWriteCompleteStream& stream) {
  std::vector<std::uint8_t> out;
  ByteSink sink(out);
  sink.U32(static_cast<std::uint32_t>(stream.items.size()));
  sink.U32(stream.clientGroup);
  sink.U32(stream.transactionId);
  sink.U32(static_cast<std::uint32_t>(stream.status));
  for (const OpcWriteResult& result : stream.items) {
    sink.U32(result.clientItem);
    sink.U32(static_cast<std::uint32_t>(result.error));
  }
  return out;
}
