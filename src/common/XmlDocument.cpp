#include "common/XmlDocument.h"

#include <algorithm>
#include <vector>

#include "common/XmlElementParser.h"
#include "common/XmlSyntax.h"
#include "common/XmlTextCodec.h"

using xmlsyntax::IsSpace;
using Flags = XmlElementRecord;

namespace {

constexpr std::string_view kLineBreak = "\r\n";

bool IsPathNameChar(char c) {
  return !IsSpace(c) && c != '/' && c != '[' && c != ']' && c != '@' && c != '=' && c != '"' && c != '\'';
}

std::size_t SkipPathName(std::string_view path, std::size_t i) {
  while (i < path.size() && IsPathNameChar(path[i])) ++i;
  return i;
}

// Checks a relative path: steps "name" or "name[predicate]" separated by "/",
// the last step possibly "@attribute"; a predicate is a number from 1 or
// "@attr", "@attr=value", "@attr='value'", '@attr="value"'. Gives the first
// step's name, the only part that takes part in matching.
bool ParseRelativePath(std::string_view path, std::string_view& firstName) {
  std::size_t i = 0;
  bool firstStep = true;
  for (;;) {
    if (path[i] == '@') {
      if (firstStep) return false;
      const std::size_t end = SkipPathName(path, i + 1);
      return end > i + 1 && end == path.size();
    }
    const std::size_t nameEnd = SkipPathName(path, i);
    if (nameEnd == i) return false;
    if (firstStep) firstName = path.substr(0, nameEnd);
    firstStep = false;
    i = nameEnd;
    if (i < path.size() && path[i] == '[') {
      ++i;
      if (i < path.size() && path[i] >= '1' && path[i] <= '9') {
        while (i < path.size() && xmlsyntax::IsDigit(path[i])) ++i;
      } else if (i < path.size() && path[i] == '@') {
        const std::size_t attributeEnd = SkipPathName(path, i + 1);
        if (attributeEnd == i + 1) return false;
        i = attributeEnd;
        if (i < path.size() && path[i] == '=') {
          ++i;
          if (i < path.size() && (path[i] == '"' || path[i] == '\'')) {
            const std::size_t close = path.find(path[i], i + 1);
            if (close == std::string_view::npos) return false;
            i = close + 1;
          } else {
            while (i < path.size() && path[i] != ']') ++i;
          }
        }
      } else {
        return false;
      }
      if (i >= path.size() || path[i] != ']') return false;
      ++i;
    }
    if (i == path.size()) return true;
    if (path[i] != '/' || i + 1 == path.size()) return false;
    ++i;
  }
}

enum class PathKind { kAny, kName, kNone };

// An absolute path ("/...") or a path anywhere ("//...") finds nothing here.
PathKind ClassifyPath(std::string_view path, std::string_view& firstName) {
  if (path.empty()) return PathKind::kAny;
  if (path[0] == '/') return PathKind::kNone;
  return ParseRelativePath(path, firstName) ? PathKind::kName : PathKind::kNone;
}

// A name that keeps the markup it is written into intact.
bool IsWritableName(std::string_view name) {
  if (name.empty()) return false;
  const char first = name[0];
  if (!(xmlsyntax::IsAsciiLetter(first) || first == '_' || first == ':' || static_cast<unsigned char>(first) >= 97)) {
    return false;
  }
  for (const char c : name) {
    if (IsSpace(c) || c == '<' || c == '>' || c == '/' || c == '=' || c == '"' || c == '\'' || c == '?' ||
        c == '&' || c == '!') {
      return false;
    }
  }
  return true;
}

}  // namespace

CXmlDocument::CXmlDocument() { SetDocText({}); }

CXmlDocument::~CXmlDocument() = default;

std::string CXmlDocument::EscapeText(std::string_view text, std::uint32_t flags) {
  return XmlTextCodec::Escape(text, flags);
}

std::string CXmlDocument::UnescapeText(std::string_view text) { return XmlTextCodec::Unescape(text); }

bool CXmlDocument::SetDocText(std::string_view text) {
  if (text.size() > kMaxTextLength) return false;
  m_text.assign(text);
  m_result.Clear();
  m_parentPos = m_currentPos = m_childPos = 0;
  m_nodeKind = kNodeNone;
  m_records.Reset(m_text.size() / 64 + 8);
  if (m_text.empty()) return false;

  XmlElementParser parser(m_text, m_records, m_result, IgnoreCase());
  parser.ParseLevel(0);
  XmlElementRecord& document = m_records[0];
  document.length = static_cast<int>(m_text.size());
  const int root = document.firstChild;
  if (root == 0) {
    m_result.Add("no_root_element");
    return false;
  }
  const int sibling = m_records[root].nextSibling;
  if (sibling != 0) {
    m_result.AddWithName("root_has_sibling", TagName(sibling), m_records[sibling].start);
    return false;
  }
  return (document.flags & Flags::kIllFormed) == 0;
}

std::string_view CXmlDocument::TagName(int index) const {
  const XmlElementRecord& element = m_records[index];
  const int length = xmlsyntax::TagNameLength(m_text, element.start + 1, element.start + element.startTagLength);
  return std::string_view(m_text).substr(static_cast<std::size_t>(element.start + 1),
                                         static_cast<std::size_t>(length));
}

bool CXmlDocument::IsEmptyElementTag(int index) const {
  const XmlElementRecord& element = m_records[index];
  return element.endTagLength == 0 && (element.flags & Flags::kNoEndTag) == 0 && element.startTagLength >= 3 &&
         m_text[static_cast<std::size_t>(element.start + element.startTagLength - 2)] == '/';
}

bool CXmlDocument::NameMatches(int index, std::string_view firstStepName) const {
  return xmlsyntax::NamesEqual(TagName(index), firstStepName, IgnoreCase());
}

bool CXmlDocument::FindElement(std::string_view name) {
  if (m_records.Empty()) return false;
  std::string_view firstName;
  const PathKind kind = ClassifyPath(name, firstName);
  if (kind == PathKind::kNone) return false;
  int candidate = m_currentPos != 0 ? m_records[m_currentPos].nextSibling : m_records[m_parentPos].firstChild;
  for (; candidate != 0; candidate = m_records[candidate].nextSibling) {
    if (kind == PathKind::kAny || NameMatches(candidate, firstName)) {
      m_parentPos = m_records[candidate].parent;
      m_currentPos = candidate;
      m_childPos = 0;
      m_nodeKind = kNodeElement;
      return true;
    }
  }
  return false;
}

bool CXmlDocument::FindChildElement(std::string_view name) {
  if (m_records.Empty()) return false;
  if (m_currentPos == 0 && !FindElement()) return false;
  std::string_view firstName;
  const PathKind kind = ClassifyPath(name, firstName);
  if (kind == PathKind::kNone) return false;
  int candidate = m_childPos != 0 ? m_records[m_childPos].nextSibling : m_records[m_currentPos].firstChild;
  for (; candidate != 0; candidate = m_records[candidate].nextSibling) {
    if (kind == PathKind::kAny || NameMatches(candidate, firstName)) {
      m_childPos = candidate;
      m_currentPos = m_records[candidate].parent;
      m_parentPos = m_records[m_currentPos].parent;
      m_nodeKind = kNodeElement;
      return true;
    }
  }
  return false;
}

bool CXmlDocument::EnterElement() {
  if (m_currentPos == 0 || m_nodeKind != kNodeElement) return false;
  m_parentPos = m_currentPos;
  m_currentPos = m_childPos;
  m_childPos = 0;
  return true;
}

bool CXmlDocument::FindAttribute(int index, std::string_view name, AttributeSpan& span) const {
  const XmlElementRecord& element = m_records[index];
  const int tagEnd = element.start + element.startTagLength;
  auto at = [this](int i) { return m_text[static_cast<std::size_t>(i)]; };
  int i = element.start + 1 + xmlsyntax::TagNameLength(m_text, element.start + 1, tagEnd);
  for (;;) {
    while (i < tagEnd && IsSpace(at(i))) ++i;
    if (i >= tagEnd) return false;
    const char c = at(i);
    if (c == '/' || c == '>' || c == '?') return false;
    const int nameStart = i;
    while (i < tagEnd && !IsSpace(at(i)) && at(i) != '=' && at(i) != '>' && at(i) != '/' && at(i) != '?') ++i;
    const int nameEnd = i;
    AttributeSpan found;
    found.nameEnd = nameEnd;
    int j = i;
    while (j < tagEnd && IsSpace(at(j))) ++j;
    if (j < tagEnd && at(j) == '=') {
      ++j;
      while (j < tagEnd && IsSpace(at(j))) ++j;
      found.hasValue = true;
      if (j < tagEnd && (at(j) == '"' || at(j) == '\'')) {
        const char quote = at(j);
        int close = j + 1;
        while (close < tagEnd - 1 && at(close) != quote) ++close;
        found.quoted = true;
        found.valueStart = j + 1;
        found.valueLength = close - (j + 1);
        i = close + 1;
      } else {
        int end = j;
        while (end < tagEnd && !IsSpace(at(end)) && at(end) != '>') ++end;
        found.valueStart = j;
        found.valueLength = end - j;
        i = end;
      }
    }
    const std::string_view attributeName =
        std::string_view(m_text).substr(static_cast<std::size_t>(nameStart), static_cast<std::size_t>(nameEnd - nameStart));
    if (xmlsyntax::NamesEqual(attributeName, name, IgnoreCase())) {
      span = found;
      return true;
    }
  }
}

std::string CXmlDocument::GetAttribute(int index, std::string_view name) const {
  if (!m_records.IsElement(index)) return {};
  AttributeSpan span;
  if (!FindAttribute(index, name, span) || !span.hasValue) return {};
  return XmlTextCodec::Unescape(std::string_view(m_text).substr(static_cast<std::size_t>(span.valueStart),
                                                                static_cast<std::size_t>(span.valueLength)));
}

void CXmlDocument::ReplaceText(int offset, int removeLength, std::string_view insert) {
  m_text.replace(static_cast<std::size_t>(offset), static_cast<std::size_t>(removeLength), insert);
  const int delta = static_cast<int>(insert.size()) - removeLength;
  // No record starts inside the replaced span, so one pass puts every record
  // behind it forward and lengthens every element around it.
  for (int i = 1; i < m_records.Size(); ++i) {
    XmlElementRecord& record = m_records[i];
    if (record.flags & (Flags::kDeleted | kPending)) continue;
    if (record.start >= offset) {
      record.start += delta;
    } else if (offset < record.start + record.length) {
      record.length += delta;
    }
  }
  m_records[0].length = static_cast<int>(m_text.size());
}

bool CXmlDocument::SetAttribute(int index, std::string_view name, std::string_view value, std::uint32_t flags) {
  if (!m_records.IsElement(index) || !IsWritableName(name)) return false;
  const std::string escaped = XmlTextCodec::Escape(value, (flags & kKeepReferences) | kEscapeQuotes);
  if (m_text.size() + escaped.size() + name.size() + 4 > kMaxTextLength) return false;
  AttributeSpan span;
  int offset;
  int removeLength = 0;
  std::string insert;
  if (FindAttribute(index, name, span)) {
    if (span.hasValue && span.quoted) {
      offset = span.valueStart;
      removeLength = span.valueLength;
      insert = escaped;
    } else if (span.hasValue) {
      // An unquoted value gets quotes, so that the new value cannot run into
      // the next attribute.
      offset = span.valueStart;
      removeLength = span.valueLength;
      insert = '"' + escaped + '"';
    } else {
      offset = span.nameEnd;
      insert = "=\"" + escaped + '"';
    }
  } else {
    const XmlElementRecord& element = m_records[index];
    offset = element.start + element.startTagLength - (IsEmptyElementTag(index) ? 2 : 1);
    insert = ' ';
    insert += name;
    insert += "=\"" + escaped + '"';
  }
  ReplaceText(offset, removeLength, insert);
  m_records[index].startTagLength += static_cast<int>(insert.size()) - removeLength;
  return true;
}

bool CXmlDocument::FindPlacement(std::uint32_t flags, Placement& placement) const {
  int reference;
  if (flags & kAsChild) {
    if (m_currentPos == 0) return false;
    placement.parent = m_currentPos;
    reference = m_childPos;
  } else {
    placement.parent = m_parentPos;
    reference = m_currentPos;
  }
  // An element without end tag has nowhere to hold children.
  if (placement.parent != 0 && (m_records[placement.parent].flags & Flags::kNoEndTag)) return false;
  const int first = m_records[placement.parent].firstChild;
  if (flags & kInsertBefore) {
    placement.next = reference != 0 ? reference : first;
    placement.previous =
        (placement.next == 0 || placement.next == first) ? 0 : m_records[placement.next].previousSibling;
  } else {
    placement.previous = reference != 0 ? reference : m_records.LastChild(placement.parent);
    placement.next = placement.previous != 0 ? m_records[placement.previous].nextSibling : first;
  }
  return true;
}

int CXmlDocument::InsertMarkup(const Placement& placement, const std::string& markup, std::uint32_t flags) {
  const bool lineBreaks = (flags & kNoLineBreaks) == 0;
  const int parent = placement.parent;
  if (parent != 0 && IsEmptyElementTag(parent)) {
    // "<p/>" becomes "<p>", the new markup and "</p>".
    XmlElementRecord& element = m_records[parent];
    const int slash = element.start + element.startTagLength - 2;
    const std::string name(TagName(parent));
    std::string insert = ">";
    if (lineBreaks) insert += kLineBreak;
    const int markupStart = slash + static_cast<int>(insert.size());
    insert += markup;
    if (lineBreaks) insert += kLineBreak;
    insert += "</" + name + ">";
    ReplaceText(slash, 2, insert);
    m_records[parent].startTagLength -= 1;
    m_records[parent].endTagLength = static_cast<int>(name.size()) + 3;
    return markupStart;
  }

  const int textSize = static_cast<int>(m_text.size());
  const XmlElementRecord& parentRecord = m_records[parent];
  int offset;
  if ((flags & kInsertBefore) && placement.next != 0) {
    offset = m_records[placement.next].start;
  } else if (!(flags & kInsertBefore) && placement.previous != 0) {
    const XmlElementRecord& previous = m_records[placement.previous];
    offset = previous.start + previous.length;
  } else if (parent == 0) {
    offset = (flags & kInsertBefore) ? 0 : textSize;
  } else if (parentRecord.length == parentRecord.startTagLength + parentRecord.endTagLength) {
    // Start and end tag with nothing between: the new element gets a line of its own.
    const int between = parentRecord.start + parentRecord.startTagLength;
    std::string insert;
    if (lineBreaks) insert += kLineBreak;
    const int markupStart = between + static_cast<int>(insert.size());
    insert += markup;
    if (lineBreaks) insert += kLineBreak;
    ReplaceText(between, 0, insert);
    return markupStart;
  } else {
    offset = (flags & kInsertBefore) ? parentRecord.start + parentRecord.startTagLength
                                     : parentRecord.start + parentRecord.length - parentRecord.endTagLength;
  }
  if (lineBreaks) {
    // Step over the line break that ends the previous line, so that the new
    // element starts the next one.
    int i = offset;
    while (i < textSize && IsSpace(m_text[static_cast<std::size_t>(i)])) ++i;
    if (i < textSize && m_text[static_cast<std::size_t>(i)] == '<') offset = i;
  }
  std::string insert = markup;
  if (lineBreaks) insert += kLineBreak;
  ReplaceText(offset, 0, insert);
  return offset;
}

void CXmlDocument::SetPositionsAfterAdd(int added, std::uint32_t flags) {
  if (flags & kAsChild) {
    m_childPos = added;
  } else {
    m_currentPos = added;
    m_childPos = 0;
  }
  m_nodeKind = kNodeElement;
}

bool CXmlDocument::AddElement(std::string_view name, std::string_view value, std::uint32_t flags) {
  if (!IsWritableName(name)) return false;
  if ((flags & kNoEndTag) && !value.empty()) return false;
  Placement placement;
  if (!FindPlacement(flags, placement)) return false;

  std::string markup = "<";
  markup += name;
  int startTagLength;
  int endTagLength = 0;
  std::uint32_t recordFlags = 0;
  if (value.empty()) {
    if (flags & kNoEndTag) {
      markup += ">";
      recordFlags = Flags::kNoEndTag;
    } else {
      markup += (flags & kSpaceBeforeSlash) ? " />" : "/>";
    }
    startTagLength = static_cast<int>(markup.size());
  } else {
    markup += ">";
    startTagLength = static_cast<int>(markup.size());
    markup += (flags & kWithCdata) ? XmlTextCodec::CdataSection(value) : XmlTextCodec::Escape(value, flags);
    markup += "</";
    markup += name;
    markup += ">";
    endTagLength = static_cast<int>(name.size()) + 3;
  }
  if (m_text.size() + markup.size() + name.size() + 8 > kMaxTextLength) return false;

  const int start = InsertMarkup(placement, markup, flags);
  const int record = m_records.NewRecord();
  XmlElementRecord& element = m_records[record];
  element.start = start;
  element.length = static_cast<int>(markup.size());
  element.startTagLength = startTagLength;
  element.endTagLength = endTagLength;
  element.flags = recordFlags;
  m_records.LinkChild(placement.parent, record, placement.previous);
  SetPositionsAfterAdd(record, flags);
  return true;
}

bool CXmlDocument::AddSubDoc(std::string_view text, std::uint32_t flags) {
  Placement placement;
  if (!FindPlacement(flags, placement)) return false;
  const std::string_view parentName = placement.parent != 0 ? TagName(placement.parent) : std::string_view{};
  if (m_text.size() + text.size() + parentName.size() + 8 > kMaxTextLength) return false;
  m_result.Clear();

  // Parse into records under a stand-in parent; their offsets are relative to
  // the sub-document until it is laid into the text.
  const int standIn = m_records.NewRecord();
  m_records[standIn].flags = kPending;
  XmlElementParser parser(text, m_records, m_result, IgnoreCase());
  const int first = parser.ParseLevel(standIn);
  for (const int created : parser.CreatedRecords()) m_records[created].flags |= kPending;

  std::vector<int> topLevel;
  for (int child = m_records[standIn].firstChild; child != 0; child = m_records[child].nextSibling) {
    topLevel.push_back(child);
  }
  const bool wellFormed = topLevel.size() == 1 && (m_records[standIn].flags & Flags::kIllFormed) == 0;
  int takenStart = 0;
  std::string markup;
  if (wellFormed) {
    const XmlElementRecord& element = m_records[first];
    takenStart = element.start;
    markup.assign(text.substr(static_cast<std::size_t>(element.start), static_cast<std::size_t>(element.length)));
  } else {
    markup.assign(text);
    flags |= kNoLineBreaks;
  }

  const int start = InsertMarkup(placement, markup, flags);
  const int shift = start - takenStart;
  for (const int created : parser.CreatedRecords()) {
    m_records[created].start += shift;
    m_records[created].flags &= ~kPending;
  }
  int previous = placement.previous;
  for (const int element : topLevel) {
    m_records.LinkChild(placement.parent, element, previous);
    previous = element;
  }
  if (m_records[standIn].flags & Flags::kProblemInside) m_records[placement.parent].flags |= Flags::kProblemInside;
  m_records.DeleteRecord(standIn);
  SetPositionsAfterAdd(first, flags);
  return wellFormed;
}

std::string CXmlDocument::GetSubDocText(int index) const {
  if (!m_records.IsElement(index)) return {};
  const XmlElementRecord& element = m_records[index];
  const std::size_t size = m_text.size();
  const std::size_t start = std::min(static_cast<std::size_t>(element.start), size);
  std::size_t end = std::min(start + static_cast<std::size_t>(element.length), size);
  std::size_t i = end;
  while (i < size && IsSpace(m_text[i])) ++i;
  if (i < size && m_text[i] == '<') end = i;
  return m_text.substr(start, end - start);
}
