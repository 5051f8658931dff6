#pragma once
// Number, text and VARIANT conversions shared by every subsystem.
// Text to number never fails: unreadable text gives 0 (or the digits read before
// the first other character), and numbers too large for the result saturate.
#include <cstdint>
#include <string>

#include "platform/base/Variant.h"
#include "platform/base/WinTypes.h"

std::string IntToText(std::int32_t value);   // "%d"
std::string DwordToText(std::uint32_t value);  // "%u"
std::string FloatToText(double value);         // "%g" (a float is widened)

// The C library's atoi rule (leading white space, optional sign, decimal digits
// up to the first other character, 0 without digits), saturated to the 32-bit range.
std::int32_t AtoiText(const std::string& text);
// As AtoiText, in 64 bits (saturated), for readers that keep the unsigned range.
std::int64_t AtoiText64(const std::string& text);
// The C library's atof rule ("." decimal point, optional exponent, stops at the
// first other character, 0 when nothing can be read), independent of the locale.
double AtofText(const std::string& text);
// A double narrowed to float; beyond the float range it becomes an infinity of its sign.
float NarrowToFloat(double value);

// Every "." is removed first, so "1.5" gives 15 and "-2.50" gives -250.
std::int32_t TextToInt(const std::string& text);
bool TextToBool(const std::string& text);  // TextToInt(text) != 0
float TextToFloat(const std::string& text);
// At most the first eight positions: blanks skipped, hex digits taken, anything
// else ends the scan (" 2C0" and "2c0H" both give 0x2C0).
DWORD HexTextToDword(const std::string& text);

// VARIANT readers: VT_EMPTY gives the zero of the result; other values are
// converted by their actual type; a value that cannot be converted gives 0 / "".
bool VariantToBool(const Variant& value);
float VariantToFloat(const Variant& value);
std::int32_t VariantToLong(const Variant& value);
double VariantToDouble(const Variant& value);
std::string VariantBstrToText(const Variant& value);
// VT_BOOL gives "True"/"False", VT_BSTR its text, VT_EMPTY "", anything else
// its converted text, or "" when it has no text form (null, error, arrays).
std::string VariantToText(const Variant& value);

// y0 + (x - x0) * ((y1 - y0) / (x1 - x0)) in double, rounded to float once;
// exactly -1 when x0 equals x1.
float LinearScale(float x, float x0, float x1, float y0, float y1);
// (value - min) * 100 / (max - min) when min <= value <= max and max > min, else 0.
float PercentInRange(float value, float min, float max);

// "&" "<" ">" "'" and the double quote become entities, "[" and "]" become "$";
// each character is replaced at most once.
std::string XmlEscapeText(const std::string& text);
// Every CR and LF replaced by `replacement`, one for one.
std::string ReplaceLineBreaks(const std::string& text, char replacement);

// Name of a message-box result ("Ok", "Cancel", ..., -1 "NoMsgBox"); "" for unknown codes.
std::string MsgBoxResultText(int result);
