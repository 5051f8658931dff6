#pragma once
// Turning the text of a value into a VARIANT of an OPC item's type, for writes.
// Integer texts are read like the C library's decimal conversion of their
// leading characters (0 when there is no number) and must fit the item's type;
// a value that does not fit is refused rather than cut to 8 or 16 bits.
#include <string>

#include "platform/base/Variant.h"

// One text into a scalar of `type` (I1, UI1, I2, UI2, I4, UI4, R4, R8, BSTR, BOOL).
// False for any other type or a value outside the type's range.
bool TextToVariant(const std::string& text, VARTYPE type, Variant& out);

// A list text such as "1, 2, 3" or "[1,2][3,4]" written over a copy of `pattern`,
// an array of one or two dimensions: elements are separated by ",", "[" is
// skipped, "]" ends a row (writing goes on at the next row), an empty element
// leaves its element unchanged. Only the first 258 characters are read.
// False when the pattern is no such array or an element does not fit its type.
bool TextToArrayVariant(const Variant& pattern, const std::string& text, Variant& out);
