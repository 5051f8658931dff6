#include "common/XmlElementParser.h"

#include "common/XmlNodeTokenizer.h"
#include "common/XmlSyntax.h"

using Flags = XmlElementRecord;

std::string XmlElementParser::NameKey(int nameStart, int nameLength) const {
  std::string key(m_text.substr(static_cast<std::size_t>(nameStart), static_cast<std::size_t>(nameLength)));
  if (m_ignoreCase) {
    for (char& c : key) c = xmlsyntax::FoldAscii(c);
  }
  return key;
}

std::string_view XmlElementParser::TagName(int record) const {
  const XmlElementRecord& element = m_records[record];
  const int length = xmlsyntax::TagNameLength(m_text, element.start + 1, element.start + element.startTagLength);
  return m_text.substr(static_cast<std::size_t>(element.start + 1), static_cast<std::size_t>(length));
}

void XmlElementParser::Push(int record, std::string key) {
  m_openByName[key].push_back(m_open.size());
  m_open.push_back(OpenElement{record, std::move(key)});
}

void XmlElementParser::Pop() {
  auto found = m_openByName.find(m_open.back().key);
  found->second.pop_back();
  if (found->second.empty()) m_openByName.erase(found);
  m_open.pop_back();
}

int XmlElementParser::ParseLevel(int parent) {
  m_level = parent;
  m_open.clear();
  m_open.reserve(7);
  m_openByName.clear();
  int first = 0;
  XmlNodeTokenizer tokenizer(m_text, m_result);
  for (;;) {
    const XmlNodeToken token = tokenizer.Next();
    if (token.kind == XmlNodeToken::kEndOfText) break;
    if (token.kind == XmlNodeToken::kStartTag) {
      const int current = CurrentParent();
      const int record = m_records.NewRecord();
      m_created.push_back(record);
      XmlElementRecord& element = m_records[record];
      element.start = token.start;
      element.startTagLength = token.Length();
      element.length = token.Length();
      m_records.LinkChild(current, record, m_records.LastChild(current));
      if (first == 0) first = record;
      if (!token.emptyElement) {
        const int nameLength = xmlsyntax::TagNameLength(m_text, token.start + 1, token.end);
        Push(record, NameKey(token.start + 1, nameLength));
      }
    } else if (token.kind == XmlNodeToken::kEndTag) {
      const int nameLength = xmlsyntax::TagNameLength(m_text, token.start + 2, token.end);
      const std::string key = NameKey(token.start + 2, nameLength);
      const auto match = m_openByName.find(key);
      if (match == m_openByName.end()) {
        m_result.AddWithName("lone_end_tag",
                             m_text.substr(static_cast<std::size_t>(token.start + 2), static_cast<std::size_t>(nameLength)),
                             token.start);
        m_records[m_level].flags |= Flags::kIllFormed;
        m_records[CurrentParent()].flags |= Flags::kProblemInside;
        continue;
      }
      const std::size_t position = match->second.back();
      CloseUnended(position + 1, token.start - 1);
      XmlElementRecord& element = m_records[m_open[position].record];
      element.length = token.end - element.start + 1;
      element.endTagLength = token.Length();
      Pop();
    } else if (token.kind == XmlNodeToken::kSyntaxError) {
      m_records[m_level].flags |= Flags::kIllFormed;
      m_records[CurrentParent()].flags |= Flags::kProblemInside;
    }
    // Text, white space, CDATA, processing instructions, comments and the
    // document type take no part in the tree.
  }
  CloseUnended(0, static_cast<int>(m_text.size()));
  return first;
}

void XmlElementParser::CloseUnended(std::size_t from, int offset2) {
  if (from >= m_open.size()) return;
  const int keeper = from == 0 ? m_level : m_open[from - 1].record;
  m_records[m_level].flags |= Flags::kIllFormed;
  for (std::size_t j = m_open.size(); j-- > from;) {
    const int record = m_open[j].record;
    m_result.AddWithName("unended_start_tag", TagName(record), m_records[record].start, offset2);
  }
  // Closing the innermost first and moving each one's children up after it
  // leaves, under the keeper, every closed element followed by its former
  // children in document order; relink that run in one pass.
  int previous = m_open[from].record;
  for (std::size_t j = from; j < m_open.size(); ++j) {
    const int closed = m_open[j].record;
    const int nextOpen = j + 1 < m_open.size() ? m_open[j + 1].record : 0;
    XmlElementRecord& element = m_records[closed];
    int child = element.firstChild;
    if (j > from) {
      XmlElementRecord& moved = m_records[closed];
      moved.parent = keeper;
      moved.flags &= ~Flags::kFirstChild;
      moved.previousSibling = previous;
      m_records[previous].nextSibling = closed;
      previous = closed;
    }
    while (child != 0 && child != nextOpen) {
      const int following = m_records[child].nextSibling;
      XmlElementRecord& moved = m_records[child];
      moved.parent = keeper;
      moved.flags &= ~Flags::kFirstChild;
      moved.previousSibling = previous;
      m_records[previous].nextSibling = child;
      previous = child;
      child = following;
    }
    XmlElementRecord& closedRecord = m_records[closed];
    closedRecord.firstChild = 0;
    closedRecord.flags |= Flags::kNoEndTag;
    closedRecord.flags &= ~Flags::kProblemInside;  // the problem now lies in the keeper
    closedRecord.endTagLength = 0;
    closedRecord.length = closedRecord.startTagLength;
  }
  m_records[previous].nextSibling = 0;
  m_records[m_records[keeper].firstChild].previousSibling = previous;
  m_records[keeper].flags |= Flags::kProblemInside;
  while (m_open.size() > from) Pop();
}
