#include "links/OpcValueText.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace {

constexpr std::size_t kMaxArrayText = 258;

// The leading decimal integer of a text; false when it does not fit 64 bits.
bool LeadingInteger(const std::string& text, long long& value) {
  errno = 0;
  value = std::strtoll(text.c_str(), nullptr, 10);
  return errno != ERANGE;
}

bool InRange(long long value, long long low, long long high) { return value >= low && value <= high; }

bool IntegerOfType(const std::string& text, VARTYPE type, Variant& out) {
  long long value = 0;
  if (!LeadingInteger(text, value)) return false;
  switch (type) {
    case VT_I1:
      if (!InRange(value, -128, 127)) return false;
      out = Variant::I1(static_cast<std::int8_t>(value));
      return true;
    case VT_UI1:
      if (!InRange(value, 0, 255)) return false;
      out = Variant::UI1(static_cast<std::uint8_t>(value));
      return true;
    case VT_I2:
      if (!InRange(value, -32768, 32767)) return false;
      out = Variant::I2(static_cast<std::int16_t>(value));
      return true;
    case VT_UI2:
      if (!InRange(value, 0, 65535)) return false;
      out = Variant::UI2(static_cast<std::uint16_t>(value));
      return true;
    case VT_I4:
      if (!InRange(value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()))
        return false;
      out = Variant::I4(static_cast<std::int32_t>(value));
      return true;
    case VT_UI4:
      if (!InRange(value, 0, std::numeric_limits<std::uint32_t>::max())) return false;
      out = Variant::UI4(static_cast<std::uint32_t>(value));
      return true;
    default:
      return false;
  }
}

bool RealOfType(const std::string& text, VARTYPE type, Variant& out) {
  double value = std::strtod(text.c_str(), nullptr);
  if (!std::isfinite(value)) return false;
  if (type == VT_R8) {
    out = Variant::R8(value);
    return true;
  }
  if (std::fabs(value) > std::numeric_limits<float>::max()) return false;
  out = Variant::R4(static_cast<float>(value));
  return true;
}

}  // namespace

bool TextToVariant(const std::string& text, VARTYPE type, Variant& out) {
  switch (type) {
    case VT_I1: case VT_UI1: case VT_I2: case VT_UI2: case VT_I4: case VT_UI4:
      return IntegerOfType(text, type, out);
    case VT_R4: case VT_R8:
      return RealOfType(text, type, out);
    case VT_BSTR:
      out = Variant::String(text);
      return true;
    case VT_BOOL: {
      long long value = 0;
      if (!LeadingInteger(text, value)) return false;
      out = Variant::Bool((value & 0xFF) != 0);
      return true;
    }
    default:
      return false;
  }
}

bool TextToArrayVariant(const Variant& pattern, const std::string& text, Variant& out) {
  if (!pattern.IsArray() || pattern.bounds.empty() || pattern.bounds.size() > 2) return false;
  std::size_t total = 1;
  for (const SafeArrayBound& bound : pattern.bounds) total *= bound.elements;
  if (pattern.elements.size() != total) return false;
  const std::size_t rowLength = pattern.bounds.back().elements;
  const VARTYPE elementType = pattern.ElementType();

  Variant result = pattern;
  const std::string input = text.substr(0, kMaxArrayText);
  std::size_t index = 0;   // next element to write
  std::size_t pos = 0;
  while (pos < input.size() && index < total) {
    // White space before an element is blank, tab, carriage return or line feed.
    while (pos < input.size() && (input[pos] == '[' || input[pos] == ' ' || input[pos] == '\t' ||
                                  input[pos] == '\r' || input[pos] == '\n'))
      ++pos;
    std::size_t end = input.find_first_of(",]", pos);
    if (end == std::string::npos) end = input.size();
    std::string element = input.substr(pos, end - pos);
    if (!element.empty()) {
      Variant converted;
      bool convertible = elementType == VT_I1 || elementType == VT_UI1 || elementType == VT_I2 ||
                         elementType == VT_UI2 || elementType == VT_I4 || elementType == VT_UI4 ||
                         elementType == VT_R4 || elementType == VT_R8;
      if (convertible) {
        if (!TextToVariant(element, elementType, converted)) return false;
        result.elements[index] = converted;
      }
    }
    ++index;
    pos = end;
    if (pos < input.size() && input[pos] == ']') {
      // The row ends: go on at the first element of the next row.
      if (rowLength > 0 && index % rowLength != 0) index += rowLength - index % rowLength;
      ++pos;
      if (pos < input.size() && input[pos] == ',') ++pos;
      // A "]" right after the last element of a full row does not skip a row.
    } else if (pos < input.size()) {
      ++pos;  // the ","
    }
  }
  out = std::move(result);
  return true;
}
