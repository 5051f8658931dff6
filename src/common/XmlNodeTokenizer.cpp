#include "common/XmlNodeTokenizer.h"

#include "common/XmlSyntax.h"

using xmlsyntax::IsAsciiLetter;
using xmlsyntax::IsSpace;

int XmlNodeTokenizer::Find(std::string_view what, int from) const {
  if (from > Size()) return -1;
  const std::size_t found = m_text.find(what, static_cast<std::size_t>(from));
  return found == std::string_view::npos ? -1 : static_cast<int>(found);
}

XmlNodeToken XmlNodeTokenizer::Finish(int start, int end, int kind) {
  XmlNodeToken token;
  token.start = start;
  token.end = end;
  token.kind = kind;
  m_offset = end + 1;
  return token;
}

XmlNodeToken XmlNodeTokenizer::Unterminated(int start, std::string_view type) {
  m_result.AddWithType("unterminated_tag_syntax", type, start);
  return Finish(start, Size() - 1, XmlNodeToken::kSyntaxError);
}

// The bad node runs to the next ">", or stops before a "<" so that the markup
// after it is still read.
XmlNodeToken XmlNodeTokenizer::SyntaxError(int start, int from, std::string_view word) {
  m_result.AddAt(word, start);
  int i = from;
  while (i < Size() && At(i) != '>' && At(i) != '<') ++i;
  if (i >= Size()) return Finish(start, Size() - 1, XmlNodeToken::kSyntaxError);
  return Finish(start, At(i) == '>' ? i : i - 1, XmlNodeToken::kSyntaxError);
}

XmlNodeToken XmlNodeTokenizer::Next() {
  const int start = m_offset;
  if (start >= Size()) {
    XmlNodeToken token;
    token.start = token.end = Size();
    return token;
  }
  if (At(start) != '<') return CharacterData(start);
  if (start + 1 >= Size()) return Unterminated(start, "tag");
  const char c = At(start + 1);
  if (IsAsciiLetter(c) || c == '_' || c == ':' || static_cast<unsigned char>(c) >= 97) return StartTag(start);
  if (c == '/') return EndTag(start);
  if (c == '?') {
    const int close = Find("?>", start + 2);
    if (close < 0) return Unterminated(start, "processing_instruction");
    return Finish(start, close + 1, XmlNodeToken::kProcessingInstruction);
  }
  if (c == '!') return Declaration(start);
  return SyntaxError(start, start + 1, "first_tag_syntax");
}

XmlNodeToken XmlNodeTokenizer::CharacterData(int start) {
  bool allSpace = true;
  int i = start;
  while (i < Size() && At(i) != '<') {
    if (!IsSpace(At(i))) allSpace = false;
    ++i;
  }
  return Finish(start, i - 1, allSpace ? XmlNodeToken::kWhiteSpace : XmlNodeToken::kText);
}

XmlNodeToken XmlNodeTokenizer::StartTag(int start) {
  const int nameEnd = start + 1 + xmlsyntax::TagNameLength(m_text, start + 1, Size());
  int i = nameEnd;
  bool afterEquals = false;
  while (i < Size()) {
    const char c = At(i);
    if (c == '>') {
      XmlNodeToken token = Finish(start, i, XmlNodeToken::kStartTag);
      if (At(i - 1) == '/') {
        const int slash = i - 1;
        const char before = At(slash - 1);
        token.emptyElement = slash == nameEnd || IsSpace(before) || before == '\'' || before == '"';
      }
      return token;
    }
    if (afterEquals && (c == '"' || c == '\'')) {
      const int close = Find(m_text.substr(static_cast<std::size_t>(i), 1), i + 1);
      if (close < 0) break;
      i = close + 1;
      afterEquals = false;
      continue;
    }
    if (c == '=') {
      afterEquals = true;
    } else if (!IsSpace(c)) {
      afterEquals = false;
    }
    ++i;
  }
  return Unterminated(start, "start_tag");
}

XmlNodeToken XmlNodeTokenizer::EndTag(int start) {
  int i = start + 2;
  while (i < Size() && At(i) != '>') ++i;
  if (i >= Size()) return Unterminated(start, "end_tag");
  return Finish(start, i, XmlNodeToken::kEndTag);
}

XmlNodeToken XmlNodeTokenizer::Declaration(int start) {
  if (start + 2 >= Size()) return Unterminated(start, "tag");
  const char c = At(start + 2);
  if (c == '-') {
    if (start + 3 >= Size()) return Unterminated(start, "tag");
    if (At(start + 3) != '-') return SyntaxError(start, start + 3, "comment_tag_syntax");
    const int close = Find("-->", start + 4);
    if (close < 0) return Unterminated(start, "comment");
    return Finish(start, close + 2, XmlNodeToken::kComment);
  }
  if (c == '[') {
    if (start + 3 >= Size()) return Unterminated(start, "tag");
    if (At(start + 3) != 'C') return SyntaxError(start, start + 3, "cdata_section_syntax");
    const int close = Find("]]>", start + 4);
    if (close < 0) return Unterminated(start, "cdata_section");
    return Finish(start, close + 2, XmlNodeToken::kCdataSection);
  }
  if (c == 'D') return DocumentType(start);
  return SyntaxError(start, start + 2, "exclamation_tag_syntax");
}

// Inner declarations nest; the declaration ends at the ">" of its own depth.
XmlNodeToken XmlNodeTokenizer::DocumentType(int start) {
  int depth = 1;
  int i = start + 3;
  while (i < Size()) {
    const char c = At(i);
    if (c == '>') {
      if (--depth == 0) return Finish(start, i, XmlNodeToken::kDocumentType);
    } else if (c == '<') {
      if (i + 1 < Size() && At(i + 1) == '!') {
        if (i + 2 >= Size()) break;
        const char kind = At(i + 2);
        if (kind != '-' && kind != 'E' && kind != 'A' && kind != 'N') {
          return SyntaxError(start, i + 2, "doctype_tag_syntax");
        }
      }
      ++depth;
    }
    ++i;
  }
  return Unterminated(start, "document_type");
}
