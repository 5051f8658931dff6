#include "platform/base/CArchive.h"

#include <cstring>

#include "platform/base/Text.h"

CArchiveException::CArchiveException(Cause cause)
    : std::runtime_error(cause == endOfFile ? "archive: unexpected end of file"
                         : cause == badIndex ? "archive: bad string length"
                                             : "archive error"),
      m_cause(cause) {}

CArchive::CArchive(Mode mode, std::vector<std::uint8_t> bytes) : m_mode(mode), m_bytes(std::move(bytes)) {
  if (mode == store) m_bytes.clear();
}

void CArchive::Write(const void* data, std::size_t size) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  m_bytes.insert(m_bytes.end(), p, p + size);
}

void CArchive::Read(void* data, std::size_t size) {
  if (m_bytes.size() - m_read < size) throw CArchiveException(CArchiveException::endOfFile);
  std::memcpy(data, m_bytes.data() + m_read, size);
  m_read += size;
}

template <typename T>
void CArchive::WriteLittle(T value) {
  using U = std::make_unsigned_t<T>;
  U bits = static_cast<U>(value);
  std::uint8_t out[sizeof(T)];
  for (std::size_t i = 0; i < sizeof(T); ++i) out[i] = static_cast<std::uint8_t>(bits >> (8 * i));
  Write(out, sizeof(T));
}

template <typename T>
T CArchive::ReadLittle() {
  using U = std::make_unsigned_t<T>;
  std::uint8_t in[sizeof(T)];
  Read(in, sizeof(T));
  U bits = 0;
  for (std::size_t i = 0; i < sizeof(T); ++i) bits = static_cast<U>(bits | (static_cast<U>(in[i]) << (8 * i)));
  return static_cast<T>(bits);
}

CArchive& CArchive::operator<<(std::int32_t value) { WriteLittle(value); return *this; }
CArchive& CArchive::operator<<(std::uint32_t value) { WriteLittle(value); return *this; }
CArchive& CArchive::operator<<(std::int16_t value) { WriteLittle(value); return *this; }
CArchive& CArchive::operator<<(std::uint16_t value) { WriteLittle(value); return *this; }
CArchive& CArchive::operator<<(std::uint8_t value) { WriteLittle(value); return *this; }
CArchive& CArchive::operator>>(std::int32_t& value) { value = ReadLittle<std::int32_t>(); return *this; }
CArchive& CArchive::operator>>(std::uint32_t& value) { value = ReadLittle<std::uint32_t>(); return *this; }
CArchive& CArchive::operator>>(std::int16_t& value) { value = ReadLittle<std::int16_t>(); return *this; }
CArchive& CArchive::operator>>(std::uint16_t& value) { value = ReadLittle<std::uint16_t>(); return *this; }
CArchive& CArchive::operator>>(std::uint8_t& value) { value = ReadLittle<std::uint8_t>(); return *this; }

// Length prefix: a byte below 0xFF; else 0xFF and a word below 0xFFFE; else
// 0xFF, 0xFFFF and a double word.
CArchive& CArchive::operator<<(const std::string& text) {
  const std::size_t length = text.size();
  if (length < 0xFF) {
    WriteLittle(static_cast<std::uint8_t>(length));
  } else if (length < 0xFFFE) {
    WriteLittle(static_cast<std::uint8_t>(0xFF));
    WriteLittle(static_cast<std::uint16_t>(length));
  } else {
    WriteLittle(static_cast<std::uint8_t>(0xFF));
    WriteLittle(static_cast<std::uint16_t>(0xFFFF));
    WriteLittle(static_cast<std::uint32_t>(length));
  }
  Write(text.data(), length);
  return *this;
}

CArchive& CArchive::operator>>(std::string& text) {
  bool wide = false;
  std::uint32_t length = ReadLittle<std::uint8_t>();
  if (length == 0xFF) {
    length = ReadLittle<std::uint16_t>();
    if (length == 0xFFFE) {
      // The Unicode mark: the real count follows in the same prefix form.
      wide = true;
      length = ReadLittle<std::uint8_t>();
      if (length == 0xFF) length = ReadLittle<std::uint16_t>();
    }
    if (length == 0xFFFF) length = ReadLittle<std::uint32_t>();
  }
  const std::size_t bytes = static_cast<std::size_t>(length) * (wide ? 2 : 1);
  if (m_bytes.size() - m_read < bytes) throw CArchiveException(CArchiveException::endOfFile);
  if (wide) {
    std::u16string units(length, u'\0');
    for (auto& unit : units) unit = static_cast<char16_t>(ReadLittle<std::uint16_t>());
    text = ruv::Utf16ToUtf8(units);
  } else {
    text.assign(reinterpret_cast<const char*>(m_bytes.data() + m_read), bytes);
    m_read += bytes;
  }
  return *this;
}
