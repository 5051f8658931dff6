#pragma once
// VARIANT stand-in: a typed value with the platform's VT codes.
//
// Conversion rules (VariantChangeType), fixed and locale-free:
//  - To the same type: a copy.
//  - From VT_EMPTY: the zero of the target type ("" for VT_BSTR, false for VT_BOOL,
//    0.0 for VT_DATE). From VT_NULL: only VT_NULL/VT_EMPTY targets, else DISP_E_TYPEMISMATCH.
//  - Number to number: range-checked (DISP_E_OVERFLOW when out of range); a
//    floating value becomes an integer by rounding half to even, as OLE does.
//  - VT_BOOL to number: true is -1, false 0. Number to VT_BOOL: non-zero is true.
//  - VT_BOOL to text: "-1" / "0" (as OLE does without locale flags).
//  - Number to text: integers in decimal; floats with the fewest digits that
//    read back to the same value ("%.Ng", N from 6 up to 9 for R4 and 17 for R8).
//  - Text to number: surrounding blanks ignored; the whole rest must be a
//    decimal number ("." decimal point, optional exponent), else DISP_E_TYPEMISMATCH;
//    then the number-to-number rule.
//  - Text to VT_BOOL: "True"/"False" in any case, else a number (non-zero true).
//  - VT_DATE <-> text: "YYYY-MM-DD HH:MM:SS" (time omitted when midnight,
//    date omitted when the day is 0 and only a time is held);
//    text in that form ("/" also accepted as date separator) reads back.
//    VT_DATE <-> numbers: the OLE date's double value.
//  - VT_CY (ten-thousandths) and VT_DECIMAL are exact: to text with every digit
//    they hold ("12.5"); from text exactly (VT_CY rounds half to even to four
//    decimals); from a float through its shortest text; to other numbers as a double.
//  - VT_ERROR converts only to VT_ERROR and VT_I4.
//  - Arrays (VT_ARRAY | element type) convert element by element to another
//    array type; an array never converts to a scalar or back. VT_EMPTY converts
//    to an empty one-dimensional array of any array type.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/base/DecimalValue.h"
#include "platform/base/WinTypes.h"

using VARTYPE = std::uint16_t;
using VARIANT_BOOL = std::int16_t;
using DATE = double;
using SCODE = std::int32_t;

enum : VARTYPE {
  VT_EMPTY = 0,
  VT_NULL = 1,
  VT_I2 = 2,
  VT_I4 = 3,
  VT_R4 = 4,
  VT_R8 = 5,
  VT_CY = 6,
  VT_DATE = 7,
  VT_BSTR = 8,
  VT_ERROR = 10,
  VT_BOOL = 11,
  VT_VARIANT = 12,
  VT_DECIMAL = 14,
  VT_I1 = 16,
  VT_UI1 = 17,
  VT_UI2 = 18,
  VT_UI4 = 19,
  VT_I8 = 20,
  VT_UI8 = 21,
  VT_INT = 22,
  VT_UINT = 23,
  VT_ARRAY = 0x2000,
  VT_TYPEMASK = 0x0FFF,
};

constexpr VARIANT_BOOL VARIANT_TRUE = -1;
constexpr VARIANT_BOOL VARIANT_FALSE = 0;

struct SafeArrayBound {
  std::uint32_t elements = 0;
  std::int32_t lowerBound = 0;
  bool operator==(const SafeArrayBound&) const = default;
};

struct Variant {
  VARTYPE vt = VT_EMPTY;
  union {
    std::int8_t cVal;
    std::uint8_t bVal;
    std::int16_t iVal;
    std::uint16_t uiVal;
    std::int32_t lVal;
    std::uint32_t ulVal;
    std::int64_t llVal;
    float fltVal;
    double dblVal;
    DATE date;
    VARIANT_BOOL boolVal;
    SCODE scode;
    std::int64_t cyVal;  // VT_CY: ten-thousandths
    DECIMAL decVal;      // VT_DECIMAL
  };
  std::string bstrVal;                 // VT_BSTR: UTF-8 text
  std::vector<Variant> elements;       // VT_ARRAY: elements in row-major order, each of the element type
  std::vector<SafeArrayBound> bounds;  // VT_ARRAY: one entry per dimension

  Variant() : decVal() {}

  static Variant Empty() { return Variant(); }
  static Variant Null() { Variant v; v.vt = VT_NULL; return v; }
  static Variant I1(std::int8_t x) { Variant v; v.vt = VT_I1; v.cVal = x; return v; }
  static Variant UI1(std::uint8_t x) { Variant v; v.vt = VT_UI1; v.bVal = x; return v; }
  static Variant I2(std::int16_t x) { Variant v; v.vt = VT_I2; v.iVal = x; return v; }
  static Variant UI2(std::uint16_t x) { Variant v; v.vt = VT_UI2; v.uiVal = x; return v; }
  static Variant I4(std::int32_t x) { Variant v; v.vt = VT_I4; v.lVal = x; return v; }
  static Variant UI4(std::uint32_t x) { Variant v; v.vt = VT_UI4; v.ulVal = x; return v; }
  static Variant R4(float x) { Variant v; v.vt = VT_R4; v.fltVal = x; return v; }
  static Variant R8(double x) { Variant v; v.vt = VT_R8; v.dblVal = x; return v; }
  static Variant Date(DATE x) { Variant v; v.vt = VT_DATE; v.date = x; return v; }
  static Variant Bool(bool x) { Variant v; v.vt = VT_BOOL; v.boolVal = x ? VARIANT_TRUE : VARIANT_FALSE; return v; }
  static Variant Error(SCODE x) { Variant v; v.vt = VT_ERROR; v.scode = x; return v; }
  static Variant Currency(std::int64_t tenThousandths) { Variant v; v.vt = VT_CY; v.cyVal = tenThousandths; return v; }
  static Variant Decimal(DECIMAL x) { Variant v; v.vt = VT_DECIMAL; v.decVal = x; return v; }
  static Variant String(std::string text) { Variant v; v.vt = VT_BSTR; v.bstrVal = std::move(text); return v; }
  // A one-dimensional array of `elementType` (lower bound 0); elements must already have that type.
  static Variant Array(VARTYPE elementType, std::vector<Variant> items);

  bool IsEmpty() const { return vt == VT_EMPTY; }
  bool IsArray() const { return (vt & VT_ARRAY) != 0; }
  VARTYPE ElementType() const { return static_cast<VARTYPE>(vt & VT_TYPEMASK); }
  void Clear() { *this = Variant(); }

  // Same type and same value (arrays: same bounds and equal elements).
  bool operator==(const Variant& other) const;
  bool operator!=(const Variant& other) const { return !(*this == other); }
};

// Converts `source` to `type` into `dest` by the rules above. On failure `dest` is left EMPTY.
HRESULT VariantChangeType(Variant& dest, const Variant& source, VARTYPE type);
// Convenience: the text of a value, or "" when it cannot be converted.
std::string VariantToString(const Variant& value);
// True for the scalar types this layer can convert (EMPTY..UI4, no arrays).
bool IsKnownScalarType(VARTYPE type);
// Name of a VT code for messages ("VT_I4", "VT_ARRAY|VT_R4", ...).
std::string VarTypeName(VARTYPE type);

// Ordering of two values of comparable types: numbers by value, texts by bytes,
// booleans false < true. Returns <0, 0, >0; `comparable` false when the types differ
// in kind (text against number, arrays, NULL).
int VariantCompare(const Variant& a, const Variant& b, bool* comparable = nullptr);
