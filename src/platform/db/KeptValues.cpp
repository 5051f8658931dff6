#include "platform/db/KeptValues.h"

#include <cstring>

namespace ruv::db {
namespace {

// The bytes of a value's payload, by its type; -1: a text (its length first).
int PayloadSize(VARTYPE vt) {
  switch (vt) {
    case VT_EMPTY: case VT_NULL: return 0;
    case VT_I1: case VT_UI1: return 1;
    case VT_I2: case VT_UI2: case VT_BOOL: return 2;
    case VT_I4: case VT_UI4: case VT_R4: case VT_ERROR: case VT_INT: case VT_UINT: return 4;
    case VT_I8: case VT_UI8: case VT_CY: case VT_R8: case VT_DATE: return 8;
    case VT_DECIMAL: return 14;
    default: return -1;
  }
}

// Where a value of type `vt` keeps its payload of PayloadSize bytes (a decimal apart).
const void* PayloadOf(const Variant& value) {
  switch (value.vt) {
    case VT_I1: return &value.cVal;
    case VT_UI1: return &value.bVal;
    case VT_I2: return &value.iVal;
    case VT_UI2: return &value.uiVal;
    case VT_BOOL: return &value.boolVal;
    case VT_I4: case VT_INT: return &value.lVal;
    case VT_UI4: case VT_UINT: return &value.ulVal;
    case VT_ERROR: return &value.scode;
    case VT_R4: return &value.fltVal;
    case VT_R8: return &value.dblVal;
    case VT_DATE: return &value.date;
    case VT_CY: return &value.cyVal;
    default: return &value.llVal;
  }
}

template <typename T>
void AppendRaw(const T& raw, std::string& out) {
  out.append(reinterpret_cast<const char*>(&raw), sizeof raw);
}

template <typename T>
std::size_t ReadRaw(const std::string& bytes, std::size_t at, T& raw) {
  std::memcpy(&raw, bytes.data() + at, sizeof raw);
  return at + sizeof raw;
}

}  // namespace

void KeptValues::Append(int column, const Variant& value, std::string& out) {
  const bool scalar = !value.IsArray() && PayloadSize(value.vt) >= 0;
  const VARTYPE vt = scalar || value.vt == VT_BSTR ? value.vt : static_cast<VARTYPE>(VT_BSTR);
  AppendRaw(static_cast<std::int16_t>(column), out);
  AppendRaw(vt, out);
  if (vt == VT_BSTR) {
    const std::string other = value.vt == VT_BSTR ? std::string() : VariantToString(value);
    const std::string& text = value.vt == VT_BSTR ? value.bstrVal : other;
    AppendRaw(static_cast<std::uint32_t>(text.size()), out);
    out += text;
  } else if (vt == VT_DECIMAL) {
    AppendRaw(value.decVal.scale, out);
    AppendRaw(value.decVal.sign, out);
    AppendRaw(value.decVal.Hi32, out);
    AppendRaw(value.decVal.Lo64, out);
  } else {
    out.append(static_cast<const char*>(PayloadOf(value)), static_cast<std::size_t>(PayloadSize(vt)));
  }
}

void KeptValues::Add(int column, const Variant& value) {
  Append(column, value, m_bytes);
  ++m_count;
}

void KeptValues::clear() {
  m_bytes.clear();
  m_count = 0;
}

std::size_t KeptValues::Read(std::size_t at, Entry& entry) const {
  std::int16_t column = 0;
  at = ReadRaw(m_bytes, at, column);
  entry.column = column;
  at = ReadRaw(m_bytes, at, entry.vt);
  entry.text = std::string_view();
  entry.number.vt = entry.vt;
  if (entry.vt == VT_BSTR) {
    std::uint32_t size = 0;
    at = ReadRaw(m_bytes, at, size);
    entry.text = std::string_view(m_bytes).substr(at, size);
    return at + size;
  }
  if (entry.vt == VT_DECIMAL) {
    entry.number.decVal = DECIMAL{};
    at = ReadRaw(m_bytes, at, entry.number.decVal.scale);
    at = ReadRaw(m_bytes, at, entry.number.decVal.sign);
    at = ReadRaw(m_bytes, at, entry.number.decVal.Hi32);
    return ReadRaw(m_bytes, at, entry.number.decVal.Lo64);
  }
  const auto size = static_cast<std::size_t>(PayloadSize(entry.vt));
  entry.number.llVal = 0;
  std::memcpy(const_cast<void*>(PayloadOf(entry.number)), m_bytes.data() + at, size);
  return at + size;
}

Variant KeptValues::Entry::ToVariant() const {
  if (vt == VT_BSTR) return Variant::String(std::string(text));
  Variant value = number;
  value.vt = vt;
  return value;
}

}  // namespace ruv::db
