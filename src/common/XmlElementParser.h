#pragma once
// Builds element records from the start and end tags of an XML text, without
// validation. It repairs what it can (an end tag that closes elements left
// open, an end tag without start tag), reports each problem in the result text
// and always reads to the end: the records cover every complete start tag.
// Works without recursion and without scanning back through open elements, so
// any nesting depth and any run of stray end tags costs linear time.
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/XmlRecordTable.h"
#include "common/XmlResultText.h"

class XmlElementParser {
 public:
  XmlElementParser(std::string_view text, XmlRecordTable& records, XmlResultText& result, bool ignoreCase)
      : m_text(text), m_records(records), m_result(result), m_ignoreCase(ignoreCase) {}

  // Parses the whole text as the content of `parent` (record 0 for a document).
  // Returns the first element found at that level, 0 when there is none.
  int ParseLevel(int parent);

  // Every record the parse created, in the order of their start tags.
  const std::vector<int>& CreatedRecords() const { return m_created; }

 private:
  struct OpenElement {
    int record;
    std::string key;  // the tag name as end tags are matched against it
  };

  std::string NameKey(int nameStart, int nameLength) const;
  std::string_view TagName(int record) const;
  int CurrentParent() const { return m_open.empty() ? m_level : m_open.back().record; }
  void Push(int record, std::string key);
  void Pop();
  // Closes the open elements from stack position `from` to the top as elements
  // without end tag; their children move up to follow them.
  void CloseUnended(std::size_t from, int offset2);

  std::string_view m_text;
  XmlRecordTable& m_records;
  XmlResultText& m_result;
  bool m_ignoreCase;
  int m_level = 0;
  std::vector<OpenElement> m_open;
  // Stack positions of the open elements by name, innermost last.
  std::unordered_map<std::string, std::vector<std::size_t>> m_openByName;
  std::vector<int> m_created;
};
