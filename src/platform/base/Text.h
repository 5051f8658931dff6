#pragma once
// Text helpers over UTF-8 std::string. Every conversion here is locale-free.
#include <cstdarg>
#include <string>
#include <string_view>

namespace ruv {

// printf-style formatting into a std::string (any length).
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string FormatV(const char* format, va_list args);

std::string TrimLeft(std::string_view text, std::string_view blanks = " \t\r\n");
std::string TrimRight(std::string_view text, std::string_view blanks = " \t\r\n");
std::string Trim(std::string_view text, std::string_view blanks = " \t\r\n");

// ASCII-only case handling (the system's keys and names are ASCII).
std::string ToUpperAscii(std::string_view text);
std::string ToLowerAscii(std::string_view text);
bool EqualsNoCase(std::string_view a, std::string_view b);
int CompareNoCase(std::string_view a, std::string_view b);  // <0, 0, >0
bool StartsWithNoCase(std::string_view text, std::string_view prefix);

// Longest prefix of at most maxBytes bytes that does not split a UTF-8 sequence.
std::string CutUtf8(std::string_view text, std::size_t maxBytes);
// Number of code points (for "characters" limits on UTF-8 text).
std::size_t Utf8Length(std::string_view text);
// Longest prefix of at most maxChars code points.
std::string CutUtf8Chars(std::string_view text, std::size_t maxChars);

// UTF-8 <-> UTF-16 (BSTR texts). Invalid sequences become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

// Replace every occurrence of `from` by `to`.
std::string ReplaceAll(std::string text, std::string_view from, std::string_view to);

}  // namespace ruv
