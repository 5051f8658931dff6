#pragma once
// Character classes and name handling shared by the XML tokenizer, parser and
// document. Everything works on bytes; UTF-8 sequences are bytes of 128 or more.
#include <string_view>

namespace xmlsyntax {

inline bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

inline bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }

inline bool IsHighByte(char c) { return static_cast<unsigned char>(c) >= 128; }

inline char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Length of the tag name that starts at `from`: it ends at white space, "/" or ">".
inline int TagNameLength(std::string_view text, int from, int limit) {
  int i = from;
  while (i < limit && !IsSpace(text[i]) && text[i] != '/' && text[i] != '>') ++i;
  return i - from;
}

inline bool NamesEqual(std::string_view a, std::string_view b, bool ignoreCase) {
  if (a.size() != b.size()) return false;
  if (!ignoreCase) return a == b;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

}  // namespace xmlsyntax
