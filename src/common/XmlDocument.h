#pragma once
// A non-validating XML document held as one text plus element records that
// index into it. Every edit changes the text itself, so GetDocText() is the
// serialised document at every moment. Navigation keeps three positions:
// the parent, the current element and the current child (0 means none).
//
// Problems found while parsing are listed, one empty element per problem, in
// the result text (GetResult), e.g. <lone_end_tag tagname="b" offset="3"/>.
// The parser reads any text to its end in linear time and never outside it.
#include <cstdint>
#include <string>
#include <string_view>

#include "common/XmlRecordTable.h"
#include "common/XmlResultText.h"

class CXmlDocument {
 public:
  // Document flag: names are compared without regard to ASCII case.
  static constexpr std::uint32_t kIgnoreCase = 8;

  // Flags of AddElement, AddSubDoc and SetAttribute.
  static constexpr std::uint32_t kWithCdata = 1;          // the value goes into a CDATA section
  static constexpr std::uint32_t kNoLineBreaks = 2;       // no "\r\n" around the new element
  static constexpr std::uint32_t kSpaceBeforeSlash = 4;   // an empty element ends in " />"
  static constexpr std::uint32_t kKeepReferences = 8;     // existing "&...;" references are kept
  static constexpr std::uint32_t kNoEndTag = 0x10;        // a lone start tag; needs an empty value
  static constexpr std::uint32_t kEscapeQuotes = 0x100;   // "'" and '"' are escaped too
  static constexpr std::uint32_t kInsertBefore = 0x2000;  // before the current element (first when none)
  static constexpr std::uint32_t kAsChild = 0x4000;       // under the current element, by its current child

  // Current node kinds.
  static constexpr int kNodeNone = 0;
  static constexpr int kNodeElement = 1;

  // Texts are refused beyond this size so that every offset fits an int.
  static constexpr std::size_t kMaxTextLength = 0x3FFFFFFF;

  CXmlDocument();
  ~CXmlDocument();
  CXmlDocument(const CXmlDocument&) = delete;
  CXmlDocument& operator=(const CXmlDocument&) = delete;

  // Replaces the whole document and parses it; true when it is well-formed
  // (one root element and no problem). The positions are reset to none.
  bool SetDocText(std::string_view text);
  const std::string& GetDocText() const { return m_text; }
  const std::string& GetResult() const { return m_result.Text(); }

  void SetDocFlags(std::uint32_t flags) { m_docFlags = flags & kIgnoreCase; }
  std::uint32_t GetDocFlags() const { return m_docFlags; }

  // Finds the next element at the current level (the root at the top) whose
  // name matches; an empty name matches any element.
  bool FindElement(std::string_view name = {});
  // Finds the next child of the current element whose name matches.
  bool FindChildElement(std::string_view name = {});
  // The current element becomes the parent, the current child the current element.
  bool EnterElement();

  int GetParentPos() const { return m_parentPos; }
  int GetCurrentPos() const { return m_currentPos; }
  int GetChildPos() const { return m_childPos; }
  int GetNodeKind() const { return m_nodeKind; }

  // The decoded value of the attribute of element `index`; empty when absent.
  std::string GetAttribute(int index, std::string_view name) const;
  // Replaces the attribute's value in place, or adds the attribute at the end
  // of the start tag; the order of the attributes is kept.
  bool SetAttribute(int index, std::string_view name, std::string_view value, std::uint32_t flags = 0);

  // Adds an element after the current element (or as a child, see the flags);
  // an empty value makes an empty element.
  bool AddElement(std::string_view name, std::string_view value = {}, std::uint32_t flags = 0);
  // Parses `text` and adds its element, with everything inside, where
  // AddElement would add one. The text is inserted even when it is not
  // well-formed; the result says whether it was.
  bool AddSubDoc(std::string_view text, std::uint32_t flags = 0);

  // The element's markup plus the white space after it when "<" follows that.
  std::string GetSubDocText(int index) const;
  std::string GetChildSubDocText() const { return GetSubDocText(m_childPos); }

  static std::string EscapeText(std::string_view text, std::uint32_t flags);
  static std::string UnescapeText(std::string_view text);

  // The element records, for inspection.
  const XmlRecordTable& Records() const { return m_records; }

 private:
  // Where a new element goes and how its markup is laid into the text.
  struct Placement {
    int parent = 0;
    int previous = 0;  // the sibling it follows, 0 for the first place
    int next = 0;      // the sibling it precedes, 0 for the last place
  };
  // Marks records that an AddSubDoc parse created and that are not in the text yet.
  static constexpr std::uint32_t kPending = 0x40000000;

  bool IgnoreCase() const { return (m_docFlags & kIgnoreCase) != 0; }
  std::string_view TagName(int index) const;
  bool IsEmptyElementTag(int index) const;
  bool NameMatches(int index, std::string_view firstStepName) const;
  bool FindPlacement(std::uint32_t flags, Placement& placement) const;
  // Writes the markup at the placement; returns the offset of its "<".
  int InsertMarkup(const Placement& placement, const std::string& markup, std::uint32_t flags);
  void ReplaceText(int offset, int removeLength, std::string_view insert);
  void SetPositionsAfterAdd(int added, std::uint32_t flags);

  struct AttributeSpan {
    int nameEnd = 0;
    int valueStart = 0;
    int valueLength = 0;
    bool hasValue = false;
    bool quoted = false;
  };
  bool FindAttribute(int index, std::string_view name, AttributeSpan& span) const;

  std::string m_text;
  XmlResultText m_result;
  int m_parentPos = 0;
  int m_currentPos = 0;
  int m_childPos = 0;
  int m_nodeKind = kNodeNone;
  std::uint32_t m_docFlags = 0;
  XmlRecordTable m_records;
};
