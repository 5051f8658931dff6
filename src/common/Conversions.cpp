#include "common/Conversions.h"

#include <locale.h>

#include <cmath>
#include <cstdlib>
#include <limits>

#include "platform/base/Text.h"

namespace {

bool IsCSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// The C locale, so "." stays the decimal point whatever the process locale says.
locale_t CLocale() {
  static locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return locale;
}

}  // namespace

std::string IntToText(std::int32_t value) { return ruv::Format("%d", value); }
std::string DwordToText(std::uint32_t value) { return ruv::Format("%u", value); }
std::string FloatToText(double value) { return ruv::Format("%g", value); }

std::int64_t AtoiText64(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && IsCSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  // Accumulate as a negative number so the most negative value fits too.
  constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
  std::int64_t value = 0;
  bool saturated = false;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    const int digit = text[i] - '0';
    if (saturated) continue;
    if (value < (kMin + digit) / 10) {
      saturated = true;
      continue;
    }
    value = value * 10 - digit;
  }
  if (saturated) return negative ? kMin : std::numeric_limits<std::int64_t>::max();
  if (negative) return value;
  return value == kMin ? std::numeric_limits<std::int64_t>::max() : -value;
}

std::int32_t AtoiText(const std::string& text) {
  const std::int64_t value = AtoiText64(text);
  if (value > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
  if (value < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(value);
}

double AtofText(const std::string& text) { return strtod_l(text.c_str(), nullptr, CLocale()); }

float NarrowToFloat(double value) {
  if (std::isfinite(value) && std::fabs(value) > static_cast<double>(std::numeric_limits<float>::max()))
    return value > 0 ? std::numeric_limits<float>::infinity() : -std::numeric_limits<float>::infinity();
  return static_cast<float>(value);
}

std::int32_t TextToInt(const std::string& text) { return AtoiText(ruv::ReplaceAll(text, ".", "")); }

bool TextToBool(const std::string& text) { return TextToInt(text) != 0; }

float TextToFloat(const std::string& text) { return NarrowToFloat(AtofText(text)); }

DWORD HexTextToDword(const std::string& text) {
  DWORD value = 0;
  for (std::size_t i = 0; i < 8 && i < text.size(); ++i) {
    const char c = text[i];
    int digit;
    if (c == '\0') break;
    if (c == ' ') continue;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else break;
    value = (value << 4) + static_cast<DWORD>(digit);
  }
  return value;
}

namespace {

// False when the value has no form of that type (the readers then give 0).
bool ConvertTo(const Variant& value, VARTYPE type, Variant& out) {
  return SUCCEEDED(VariantChangeType(out, value, type));
}

}  // namespace

bool VariantToBool(const Variant& value) {
  if (value.vt == VT_BOOL) return value.boolVal != 0;
  Variant converted;
  return ConvertTo(value, VT_BOOL, converted) && converted.boolVal != 0;
}

float VariantToFloat(const Variant& value) {
  if (value.vt == VT_R4) return value.fltVal;
  Variant converted;
  return ConvertTo(value, VT_R4, converted) ? converted.fltVal : 0.0f;
}

std::int32_t VariantToLong(const Variant& value) {
  if (value.vt == VT_I4) return value.lVal;
  Variant converted;
  return ConvertTo(value, VT_I4, converted) ? converted.lVal : 0;
}

double VariantToDouble(const Variant& value) {
  if (value.vt == VT_R8) return value.dblVal;
  Variant converted;
  return ConvertTo(value, VT_R8, converted) ? converted.dblVal : 0.0;
}

std::string VariantBstrToText(const Variant& value) {
  if (value.vt == VT_BSTR) return value.bstrVal;
  if (value.vt == VT_EMPTY) return std::string();
  return VariantToString(value);
}

std::string VariantToText(const Variant& value) {
  switch (value.vt) {
    case VT_EMPTY: return std::string();
    case VT_BOOL: return value.boolVal != 0 ? "True" : "False";
    case VT_BSTR: return value.bstrVal;
    default: return VariantToString(value);  // "" when it has no text form
  }
}

float LinearScale(float x, float x0, float x1, float y0, float y1) {
  if (x0 == x1) return -1.0f;
  const double dx0 = x0, dy0 = y0;
  return NarrowToFloat(dy0 + (static_cast<double>(x) - dx0) * ((static_cast<double>(y1) - dy0) / (static_cast<double>(x1) - dx0)));
}

float PercentInRange(float value, float min, float max) {
  // Differences in double: a range spanning the whole float scale must not overflow.
  const double span = static_cast<double>(max) - min;
  if (!(min <= value && value <= max && span > 0)) return 0.0f;
  return NarrowToFloat((static_cast<double>(value) - min) * 100.0 / span);
}

std::string XmlEscapeText(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '\'': out += "&apos;"; break;
      case '"': out += "&quot;"; break;
      case '[': case ']': out += '$'; break;
      default: out += c;
    }
  }
  return out;
}

std::string ReplaceLineBreaks(const std::string& text, char replacement) {
  std::string out = text;
  for (char& c : out)
    if (c == '\r' || c == '\n') c = replacement;
  return out;
}

std::string MsgBoxResultText(int result) {
  switch (result) {
    case -1: return "NoMsgBox";
    case 1: return "Ok";
    case 2: return "Cancel";
    case 3: return "Abort";
    case 4: return "Retry";
    case 5: return "Ignore";
    case 6: return "Yes";
    case 7: return "No";
    case 8: return "Close";
    case 9: return "Help";
    case 10: return "TryAgain";
    case 11: return "Continue";
    default: return std::string();
  }
}
