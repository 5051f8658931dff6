#pragma once
// What the last parse or edit of an XML document reported: a small XML text of
// empty elements, one per problem, e.g. <lone_end_tag tagname="b" offset="3"/>.
// Entries stop being added once the text reaches 1000 characters, so a badly
// broken document cannot make the report grow without bound.
#include <string>
#include <string_view>

class XmlResultText {
 public:
  static constexpr std::size_t kMaxLength = 1000;
  static constexpr int kNoOffset = -1;

  void Clear() { m_text.clear(); }
  const std::string& Text() const { return m_text; }

  // Appends <word tagname="value" offset="n" offset2="m"/>; the value is written
  // as "type" instead of "tagname" when valueIsType; absent parts are left out.
  void Add(std::string_view word, std::string_view value = {}, bool hasValue = false, bool valueIsType = false,
           int offset = kNoOffset, int offset2 = kNoOffset);

  void AddWithName(std::string_view word, std::string_view tagName, int offset, int offset2 = kNoOffset) {
    Add(word, tagName, true, false, offset, offset2);
  }
  void AddWithType(std::string_view word, std::string_view type, int offset) { Add(word, type, true, true, offset); }
  void AddAt(std::string_view word, int offset) { Add(word, {}, false, false, offset); }

 private:
  std::string m_text;
};
