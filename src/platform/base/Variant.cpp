#include "platform/base/Variant.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "platform/base/OleDate.h"
#include "platform/base/Text.h"

Variant Variant::Array(VARTYPE elementType, std::vector<Variant> items) {
  Variant v;
  v.vt = static_cast<VARTYPE>(VT_ARRAY | elementType);
  v.bounds.push_back({static_cast<std::uint32_t>(items.size()), 0});
  v.elements = std::move(items);
  return v;
}

bool IsKnownScalarType(VARTYPE type) {
  switch (type) {
    case VT_EMPTY: case VT_NULL: case VT_I1: case VT_UI1: case VT_I2: case VT_UI2: case VT_I4: case VT_UI4:
    case VT_R4: case VT_R8: case VT_DATE: case VT_BSTR: case VT_BOOL: case VT_ERROR: case VT_CY: case VT_DECIMAL:
      return true;
    default:
      return false;
  }
}

std::string VarTypeName(VARTYPE type) {
  std::string prefix = (type & VT_ARRAY) ? "VT_ARRAY|" : "";
  switch (type & VT_TYPEMASK) {
    case VT_EMPTY: return prefix + "VT_EMPTY";
    case VT_NULL: return prefix + "VT_NULL";
    case VT_I1: return prefix + "VT_I1";
    case VT_UI1: return prefix + "VT_UI1";
    case VT_I2: return prefix + "VT_I2";
    case VT_UI2: return prefix + "VT_UI2";
    case VT_I4: return prefix + "VT_I4";
    case VT_UI4: return prefix + "VT_UI4";
    case VT_R4: return prefix + "VT_R4";
    case VT_R8: return prefix + "VT_R8";
    case VT_DATE: return prefix + "VT_DATE";
    case VT_BSTR: return prefix + "VT_BSTR";
    case VT_BOOL: return prefix + "VT_BOOL";
    case VT_ERROR: return prefix + "VT_ERROR";
    case VT_CY: return prefix + "VT_CY";
    case VT_DECIMAL: return prefix + "VT_DECIMAL";
    case VT_VARIANT: return prefix + "VT_VARIANT";
    default: return prefix + ruv::Format("VT_%u", static_cast<unsigned>(type & VT_TYPEMASK));
  }
}

namespace {

bool IsIntegerType(VARTYPE t) {
  return t == VT_I1 || t == VT_UI1 || t == VT_I2 || t == VT_UI2 || t == VT_I4 || t == VT_UI4;
}
bool IsNumericType(VARTYPE t) {
  return IsIntegerType(t) || t == VT_R4 || t == VT_R8 || t == VT_DATE || t == VT_BOOL || t == VT_CY || t == VT_DECIMAL;
}

// The numeric value of a numeric variant as a double (exact for every 32-bit integer).
double NumericValue(const Variant& v) {
  switch (v.vt) {
    case VT_I1: return v.cVal;
    case VT_UI1: return v.bVal;
    case VT_I2: return v.iVal;
    case VT_UI2: return v.uiVal;
    case VT_I4: return v.lVal;
    case VT_UI4: return v.ulVal;
    case VT_R4: return v.fltVal;
    case VT_R8: return v.dblVal;
    case VT_DATE: return v.date;
    case VT_BOOL: return v.boolVal ? -1.0 : 0.0;
    case VT_CY: return static_cast<double>(v.cyVal) / static_cast<double>(kCurrencyScale);
    case VT_DECIMAL: return ruv::DecimalToDouble(v.decVal);
    default: return 0.0;
  }
}

// Rounds half to even, as OLE's float-to-integer coercion does.
double RoundHalfEven(double x) {
  double r = std::nearbyint(x);  // default rounding mode is to-nearest-even
  return r;
}

std::string FloatText(double value, bool single);

HRESULT FromNumber(Variant& dest, double value, VARTYPE type) {
  if (std::isnan(value) && type != VT_R4 && type != VT_R8 && type != VT_DATE) return DISP_E_OVERFLOW;
  auto integer = [&](double lo, double hi, auto setter) -> HRESULT {
    double r = RoundHalfEven(value);
    if (!(r >= lo && r <= hi)) return DISP_E_OVERFLOW;
    setter(r);
    dest.vt = type;
    return S_OK;
  };
  switch (type) {
    case VT_I1: return integer(-128, 127, [&](double r) { dest.cVal = static_cast<std::int8_t>(r); });
    case VT_UI1: return integer(0, 255, [&](double r) { dest.bVal = static_cast<std::uint8_t>(r); });
    case VT_I2: return integer(-32768, 32767, [&](double r) { dest.iVal = static_cast<std::int16_t>(r); });
    case VT_UI2: return integer(0, 65535, [&](double r) { dest.uiVal = static_cast<std::uint16_t>(r); });
    case VT_I4:
      return integer(-2147483648.0, 2147483647.0, [&](double r) { dest.lVal = static_cast<std::int32_t>(r); });
    case VT_UI4: return integer(0, 4294967295.0, [&](double r) { dest.ulVal = static_cast<std::uint32_t>(r); });
    case VT_R4:
      if (std::isfinite(value) && std::fabs(value) > std::numeric_limits<float>::max()) return DISP_E_OVERFLOW;
      dest.vt = VT_R4;
      dest.fltVal = static_cast<float>(value);
      return S_OK;
    case VT_R8: dest.vt = VT_R8; dest.dblVal = value; return S_OK;
    case VT_DATE: {
      DateTimeFields f;
      if (!FieldsFromOleDate(value, f)) return DISP_E_OVERFLOW;
      dest.vt = VT_DATE;
      dest.date = value;
      return S_OK;
    }
    case VT_BOOL: dest.vt = VT_BOOL; dest.boolVal = value != 0.0 ? VARIANT_TRUE : VARIANT_FALSE; return S_OK;
    case VT_CY: {
      const double r = RoundHalfEven(value * static_cast<double>(kCurrencyScale));
      if (!(r >= -9223372036854775808.0 && r < 9223372036854775808.0)) return DISP_E_OVERFLOW;
      dest = Variant::Currency(static_cast<std::int64_t>(r));
      return S_OK;
    }
    case VT_DECIMAL: {
      // The float's shortest text is the decimal it stands for.
      DECIMAL decimal;
      if (!std::isfinite(value) || !ruv::ParseDecimal(FloatText(value, false), decimal)) return DISP_E_OVERFLOW;
      dest = Variant::Decimal(decimal);
      return S_OK;
    }
    default: return DISP_E_TYPEMISMATCH;
  }
}

std::string FloatText(double value, bool single) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value > 0 ? "Infinity" : "-Infinity";
  int maxDigits = single ? 9 : 17;
  for (int digits = single ? 6 : 15; digits <= maxDigits; ++digits) {
    std::string text = ruv::Format("%.*g", digits, value);
    if (single) {
      if (std::strtof(text.c_str(), nullptr) == static_cast<float>(value)) return text;
    } else if (std::strtod(text.c_str(), nullptr) == value) {
      return text;
    }
  }
  return ruv::Format("%.*g", maxDigits, value);
}

std::string DateText(DATE date) {
  DateTimeFields f;
  if (!FieldsFromOleDate(date, f)) return std::string();
  bool hasTime = f.hour || f.minute || f.second;
  bool hasDay = std::trunc(date) != 0.0;
  if (!hasDay && hasTime) return ruv::Format("%02d:%02d:%02d", f.hour, f.minute, f.second);
  if (!hasTime) return ruv::Format("%04d-%02d-%02d", f.year, f.month, f.day);
  return ruv::Format("%04d-%02d-%02d %02d:%02d:%02d", f.year, f.month, f.day, f.hour, f.minute, f.second);
}

// Whole-text decimal number in the C locale; false when anything else is present.
bool ParseNumber(const std::string& text, double& out) {
  std::string t = ruv::Trim(text, " \t\r\n");
  if (t.empty()) return false;
  // Reject hexadecimal, "inf" and "nan" spellings that strtod would take.
  for (char c : t) {
    if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E')) return false;
  }
  char* end = nullptr;
  errno = 0;
  double v = std::strtod(t.c_str(), &end);
  if (end != t.c_str() + t.size()) return false;
  if (errno == ERANGE && std::isinf(v)) return false;
  out = v;
  return true;
}

bool ParseDate(const std::string& text, DATE& out) {
  std::string t = ruv::Trim(text, " \t\r\n");
  DateTimeFields f;
  char sep1 = 0, sep2 = 0;
  int consumed = 0;
  if (std::sscanf(t.c_str(), "%d%c%d%c%d%n", &f.year, &sep1, &f.month, &sep2, &f.day, &consumed) == 5 &&
      sep1 == sep2 && (sep1 == '-' || sep1 == '/')) {
    std::string rest = ruv::Trim(t.substr(static_cast<std::size_t>(consumed)));
    if (!rest.empty()) {
      int used = 0;
      if (std::sscanf(rest.c_str(), "%d:%d:%d%n", &f.hour, &f.minute, &f.second, &used) != 3 ||
          static_cast<std::size_t>(used) != rest.size())
        return false;
    }
    return OleDateFromFields(f, out);
  }
  int used = 0;
  if (std::sscanf(t.c_str(), "%d:%d:%d%n", &f.hour, &f.minute, &f.second, &used) == 3 &&
      static_cast<std::size_t>(used) == t.size()) {
    if (f.hour < 0 || f.hour > 23 || f.minute < 0 || f.minute > 59 || f.second < 0 || f.second > 59) return false;
    out = (f.hour * 3600.0 + f.minute * 60.0 + f.second) / 86400.0;
    return true;
  }
  return false;
}

HRESULT ChangeScalar(Variant& dest, const Variant& src, VARTYPE type) {
  if (src.vt == type) {
    dest = src;
    return S_OK;
  }
  if (!IsKnownScalarType(type) || !IsKnownScalarType(src.vt)) return DISP_E_BADVARTYPE;
  if (type == VT_EMPTY) { dest = Variant(); return S_OK; }
  if (type == VT_NULL) {
    if (src.vt != VT_EMPTY) return DISP_E_TYPEMISMATCH;
    dest = Variant::Null();
    return S_OK;
  }
  if (src.vt == VT_NULL) return DISP_E_TYPEMISMATCH;
  if (src.vt == VT_EMPTY) {
    if (type == VT_BSTR) { dest = Variant::String(""); return S_OK; }
    if (type == VT_ERROR) { dest = Variant::Error(0); return S_OK; }
    return FromNumber(dest, 0.0, type);
  }
  if (src.vt == VT_ERROR) {
    if (type == VT_I4) { dest = Variant::I4(src.scode); return S_OK; }
    return DISP_E_TYPEMISMATCH;
  }
  if (type == VT_ERROR) return DISP_E_TYPEMISMATCH;
  if (type == VT_BSTR) {
    std::string text;
    switch (src.vt) {
      case VT_BOOL: text = src.boolVal ? "-1" : "0"; break;
      case VT_R4: text = FloatText(src.fltVal, true); break;
      case VT_R8: text = FloatText(src.dblVal, false); break;
      case VT_DATE: text = DateText(src.date); if (text.empty()) return DISP_E_OVERFLOW; break;
      case VT_UI4: text = ruv::Format("%u", src.ulVal); break;
      case VT_CY: text = ruv::CurrencyText(src.cyVal); break;
      case VT_DECIMAL: text = ruv::DecimalText(src.decVal); break;
      default: text = ruv::Format("%.0f", NumericValue(src)); break;
    }
    dest = Variant::String(std::move(text));
    return S_OK;
  }
  if (type == VT_CY || type == VT_DECIMAL) {
    // Exact paths between texts and the two decimal types.
    DECIMAL decimal;
    bool exact = true;
    if (src.vt == VT_BSTR) {
      double number = 0;
      if (!ruv::ParseDecimal(src.bstrVal, decimal))
        return ParseNumber(src.bstrVal, number) ? DISP_E_OVERFLOW : DISP_E_TYPEMISMATCH;
    } else if (src.vt == VT_CY) {
      decimal = ruv::DecimalFromCurrency(src.cyVal);
    } else if (src.vt == VT_DECIMAL) {
      decimal = src.decVal;
    } else {
      exact = false;
    }
    if (exact) {
      if (type == VT_DECIMAL) {
        dest = Variant::Decimal(decimal);
        return S_OK;
      }
      std::int64_t tenThousandths = 0;
      if (!ruv::DecimalToCurrency(decimal, tenThousandths)) return DISP_E_OVERFLOW;
      dest = Variant::Currency(tenThousandths);
      return S_OK;
    }
  }
  if (src.vt == VT_BSTR) {
    if (type == VT_BOOL) {
      std::string t = ruv::Trim(src.bstrVal);
      if (ruv::EqualsNoCase(t, "True")) { dest = Variant::Bool(true); return S_OK; }
      if (ruv::EqualsNoCase(t, "False")) { dest = Variant::Bool(false); return S_OK; }
    }
    if (type == VT_DATE) {
      DATE d;
      if (ParseDate(src.bstrVal, d)) { dest = Variant::Date(d); return S_OK; }
    }
    double value;
    if (!ParseNumber(src.bstrVal, value)) return DISP_E_TYPEMISMATCH;
    return FromNumber(dest, value, type);
  }
  if (IsNumericType(src.vt)) return FromNumber(dest, NumericValue(src), type);
  return DISP_E_TYPEMISMATCH;
}

}  // namespace

HRESULT VariantChangeType(Variant& dest, const Variant& source, VARTYPE type) {
  Variant result;
  HRESULT hr;
  if ((source.vt & VT_ARRAY) || (type & VT_ARRAY)) {
    if (source.vt == VT_EMPTY && (type & VT_ARRAY)) {
      result.vt = type;  // the zero of an array type: an empty one-dimensional array
      result.bounds.push_back({0, 0});
      hr = S_OK;
    } else if (!((source.vt & VT_ARRAY) && (type & VT_ARRAY))) {
      hr = DISP_E_TYPEMISMATCH;
    } else {
      result.vt = type;
      result.bounds = source.bounds;
      result.elements.reserve(source.elements.size());
      hr = S_OK;
      for (const Variant& element : source.elements) {
        Variant converted;
        hr = ChangeScalar(converted, element, static_cast<VARTYPE>(type & VT_TYPEMASK));
        if (FAILED(hr)) break;
        result.elements.push_back(std::move(converted));
      }
    }
  } else {
    hr = ChangeScalar(result, source, type);
  }
  dest = SUCCEEDED(hr) ? std::move(result) : Variant();
  return hr;
}

std::string VariantToString(const Variant& value) {
  Variant text;
  if (FAILED(VariantChangeType(text, value, VT_BSTR))) return std::string();
  return text.bstrVal;
}

bool Variant::operator==(const Variant& other) const {
  if (vt != other.vt) return false;
  if (vt & VT_ARRAY) return bounds == other.bounds && elements == other.elements;
  switch (vt) {
    case VT_EMPTY: case VT_NULL: return true;
    case VT_BSTR: return bstrVal == other.bstrVal;
    case VT_I1: return cVal == other.cVal;
    case VT_UI1: return bVal == other.bVal;
    case VT_I2: return iVal == other.iVal;
    case VT_UI2: return uiVal == other.uiVal;
    case VT_I4: return lVal == other.lVal;
    case VT_UI4: return ulVal == other.ulVal;
    case VT_R4: return fltVal == other.fltVal;
    case VT_R8: return dblVal == other.dblVal;
    case VT_DATE: return date == other.date;
    case VT_BOOL: return (boolVal != 0) == (other.boolVal != 0);
    case VT_ERROR: return scode == other.scode;
    case VT_CY: return cyVal == other.cyVal;
    case VT_DECIMAL: return ruv::DecimalEquals(decVal, other.decVal);
    default: return llVal == other.llVal;
  }
}

int VariantCompare(const Variant& a, const Variant& b, bool* comparable) {
  if (comparable) *comparable = true;
  if ((a.vt & VT_ARRAY) || (b.vt & VT_ARRAY) || a.vt == VT_NULL || b.vt == VT_NULL) {
    if (comparable) *comparable = false;
    return 0;
  }
  if (a.vt == VT_BSTR || b.vt == VT_BSTR) {
    if (a.vt != b.vt) {
      if (comparable) *comparable = false;
      return 0;
    }
    int c = a.bstrVal.compare(b.bstrVal);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
  }
  double x = a.vt == VT_BOOL ? (a.boolVal ? 1.0 : 0.0) : NumericValue(a);
  double y = b.vt == VT_BOOL ? (b.boolVal ? 1.0 : 0.0) : NumericValue(b);
  return x < y ? -1 : (x > y ? 1 : 0);
}
