#pragma once
// Splits an XML text into nodes in one forward pass: start, end and
// empty-element tags, text, white space, CDATA sections, processing
// instructions, comments and the document type declaration. Syntax problems
// become words in the result text; every call consumes at least one character,
// and nothing is read outside the text.
#include <string_view>

#include "common/XmlResultText.h"

struct XmlNodeToken {
  // Node kinds.
  static constexpr int kEndTag = 0;
  static constexpr int kStartTag = 1;
  static constexpr int kText = 2;
  static constexpr int kWhiteSpace = 4;
  static constexpr int kCdataSection = 8;
  static constexpr int kProcessingInstruction = 16;
  static constexpr int kComment = 32;
  static constexpr int kDocumentType = 64;
  static constexpr int kSyntaxError = -1;
  static constexpr int kEndOfText = -2;

  int start = 0;
  int end = 0;  // inclusive
  int kind = kEndOfText;
  bool emptyElement = false;  // a start tag that ends in "/>"

  int Length() const { return end - start + 1; }
};

class XmlNodeTokenizer {
 public:
  XmlNodeTokenizer(std::string_view text, XmlResultText& result) : m_text(text), m_result(result) {}

  XmlNodeToken Next();

 private:
  int Size() const { return static_cast<int>(m_text.size()); }
  char At(int i) const { return m_text[static_cast<std::size_t>(i)]; }
  int Find(std::string_view what, int from) const;

  XmlNodeToken Unterminated(int start, std::string_view type);
  XmlNodeToken SyntaxError(int start, int from, std::string_view word);
  XmlNodeToken CharacterData(int start);
  XmlNodeToken StartTag(int start);
  XmlNodeToken EndTag(int start);
  XmlNodeToken Declaration(int start);
  XmlNodeToken DocumentType(int start);
  XmlNodeToken Finish(int start, int end, int kind);

  std::string_view m_text;
  XmlResultText& m_result;
  int m_offset = 0;
};
