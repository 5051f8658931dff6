// Parsing texts into element records: the repairs, the result words with their
// offsets, and the tokenizer's syntax rules.
#include <gtest/gtest.h>

#include <string>

#include "common/XmlDocument.h"

namespace {

using Flags = XmlElementRecord;

const XmlElementRecord& RecordAt(const CXmlDocument& doc, int index) { return doc.Records()[index]; }

int Root(const CXmlDocument& doc) { return RecordAt(doc, 0).firstChild; }

TEST(XmlParse, EmptyTextHasNoRecordsAndNoWords) {
  CXmlDocument doc;
  EXPECT_FALSE(doc.SetDocText(""));
  EXPECT_EQ(doc.GetResult(), "");
  EXPECT_EQ(doc.Records().Size(), 1);  // the document record alone
  EXPECT_FALSE(doc.FindElement());
}

TEST(XmlParse, WellFormedDocumentBuildsTheTree) {
  CXmlDocument doc;
  ASSERT_TRUE(doc.SetDocText("<?xml version=\"1.0\"?>\r\n<!-- c --><r><a/>text<b><c></c></b><![CDATA[<x>]]></r>\r\n"));
  EXPECT_EQ(doc.GetResult(), "");
  const int r = Root(doc);
  EXPECT_EQ(RecordAt(doc, r).start, 33);
  const int a = RecordAt(doc, r).firstChild;
  const int b = RecordAt(doc, a).nextSibling;
  EXPECT_EQ(doc.GetSubDocText(a), "<a/>");
  EXPECT_EQ(doc.GetSubDocText(b), "<b><c></c></b>");
  EXPECT_EQ(RecordAt(doc, b).nextSibling, 0);
  EXPECT_EQ(RecordAt(doc, RecordAt(doc, b).firstChild).endTagLength, 4);
  // The previous links form a ring: the first child points at the last.
  EXPECT_EQ(RecordAt(doc, a).previousSibling, b);
  EXPECT_TRUE(RecordAt(doc, a).flags & Flags::kFirstChild);
  EXPECT_FALSE(RecordAt(doc, b).flags & Flags::kFirstChild);
}

TEST(XmlParse, EndTagClosesAChildLeftOpen) {
  CXmlDocument doc;
  EXPECT_FALSE(doc.SetDocText("<a><b></a>"));
  EXPECT_EQ(doc.GetResult(), "<unended_start_tag tagname=\"b\" offset=\"3\" offset2=\"5\"/>");
  const int a = Root(doc);
  const int b = RecordAt(doc, a).firstChild;
  ASSERT_NE(b, 0);
  EXPECT_EQ(RecordAt(doc, a).length, 10);  // a ends at the end of the text
  EXPECT_TRUE(RecordAt(doc, b).flags & Flags::kNoEndTag);
  EXPECT_EQ(RecordAt(doc, b).length, 3);
  EXPECT_EQ(RecordAt(doc, b).endTagLength, 0);
  EXPECT_TRUE(RecordAt(doc, a).flags & Flags::kProblemInside);
  EXPECT_TRUE(RecordAt(doc, 0).flags & Flags::kIllFormed);
}

TEST(XmlParse, LoneEndTagIsReportedAndTheElementKeptWhole) {
  CXmlDocument doc;
  EXPECT_FALSE(doc.SetDocText("<a></b></a>"));
  EXPECT_EQ(doc.GetResult(), "<lone_end_tag tagname=\"b\" offset=\"3\"/>");
  const int a = Root(doc);
  EXPECT_EQ(RecordAt(doc, a).length, 11);
  EXPECT_EQ(RecordAt(doc, a).endTagLength, 4);
  EXPECT_TRUE(RecordAt(doc, a).flags & Flags::kProblemInside);
  EXPECT_FALSE(RecordAt(doc, a).flags & Flags::kNoEndTag);
}

TEST(XmlParse, TwoRootsAndNoTagAreReported) {
  CXmlDocument doc;
  EXPECT_FALSE(doc.SetDocText("<a/><b/>"));
  EXPECT_EQ(doc.GetResult(), "<root_has_sibling tagname=\"b\" offset=\"4\"/>");
  EXPECT_FALSE(doc.SetDocText("just text"));
  EXPECT_EQ(doc.GetResult(), "<no_root_element/>");
  EXPECT_FALSE(doc.SetDocText(" \r\n"));
  EXPECT_EQ(doc.GetResult(), "<no_root_element/>");
}

TEST(XmlParse, UnendedElementsAtTheEndMoveTheirChildrenUp) {
  CXmlDocument doc;
  EXPECT_FALSE(doc.SetDocText("<r><a><x/><b><y/>"));
  // Innermost first; offset2 is the length of the text when the text ended.
  EXPECT_EQ(doc.GetResult(),
            "<unended_start_tag tagname=\"b\" offset=\"10\" offset2=\"17\"/>"
            "<unended_start_tag tagname=\"a\" offset=\"3\" offset2=\"17\"/>"
            "<unended_start_tag tagname=\"r\" offset=\"0\" offset2=\"17\"/>"
            "<root_has_sibling tagname=\"a\" offset=\"3\"/>");
  // Everything ends up at the top level, in document order.
  std::string order;
  for (int i = Root(doc); i != 0; i = RecordAt(doc, i).nextSibling) {
    order += doc.GetSubDocText(i);
    order += '|';
    EXPECT_EQ(RecordAt(doc, i).parent, 0);
    EXPECT_EQ(RecordAt(doc, i).firstChild, 0);
  }
  EXPECT_EQ(order, "<r>|<a>|<x/>|<b>|<y/>|");
  // The ring of previous links closes on the last one, "<y/>".
  EXPECT_EQ(RecordAt(doc, RecordAt(doc, Root(doc)).previousSibling).start, 13);
}

TEST(XmlParse, QuotedGreaterThanDoesNotEndTheTag) {
  CXmlDocument doc;
  ASSERT_TRUE(doc.SetDocText("<a x=\"1>2\" y='<b>'/>"));
  const int a = Root(doc);
  EXPECT_EQ(RecordAt(doc, a).startTagLength, 20);
  EXPECT_EQ(RecordAt(doc, a).firstChild, 0);
  EXPECT_EQ(doc.GetAttribute(a, "x"), "1>2");
  EXPECT_EQ(doc.GetAttribute(a, "y"), "<b>");
}

TEST(XmlParse, AStraySlashEndsTheAttributeScan) {
  // Found by fuzzing: what follows a "/" in a start tag is no attribute, so an
  // attribute added behind it cannot be read back.
  CXmlDocument doc;
  EXPECT_TRUE(doc.SetDocText("<a / b=\"1\"></a>"));
  const int a = Root(doc);
  EXPECT_EQ(doc.GetAttribute(a, "b"), "");
  EXPECT_TRUE(doc.SetAttribute(a, "c", "2"));
  EXPECT_EQ(doc.GetDocText(), "<a / b=\"1\" c=\"2\"></a>");
  EXPECT_EQ(doc.GetAttribute(a, "c"), "");
}

TEST(XmlParse, EmptyElementRules) {
  CXmlDocument doc;
  EXPECT_TRUE(doc.SetDocText("<a/>"));
  EXPECT_TRUE(doc.SetDocText("<a />"));
  EXPECT_TRUE(doc.SetDocText("<a x=\"1\"/>"));
  // A value in apostrophes directly before "/>" still makes an empty element.
  EXPECT_TRUE(doc.SetDocText("<a x='1'/>"));
  EXPECT_EQ(doc.GetAttribute(Root(doc), "x"), "1");
  // Unquoted, the "/" belongs to the value and the element stays open.
  EXPECT_FALSE(doc.SetDocText("<a x=1/>"));
  EXPECT_EQ(doc.GetResult(), "<unended_start_tag tagname=\"a\" offset=\"0\" offset2=\"8\"/>");
  EXPECT_EQ(doc.GetAttribute(Root(doc), "x"), "1/");
  EXPECT_TRUE(doc.SetDocText("<a x=1/></a>"));
  EXPECT_EQ(RecordAt(doc, Root(doc)).endTagLength, 4);
}

TEST(XmlParse, SyntaxWordsAndTheirTypes) {
  CXmlDocument doc;
  EXPECT_FALSE(doc.SetDocText("<a><!x></a>"));
  EXPECT_EQ(doc.GetResult(), "<exclamation_tag_syntax offset=\"3\"/>");
  EXPECT_TRUE(RecordAt(doc, Root(doc)).flags & Flags::kProblemInside);

  EXPECT_FALSE(doc.SetDocText("<a>< b</a>"));
  EXPECT_EQ(doc.GetResult(), "<first_tag_syntax offset=\"3\"/>");
  EXPECT_EQ(RecordAt(doc, Root(doc)).length, 10);  // the bad node stopped before "</a>"

  EXPECT_FALSE(doc.SetDocText("<a><!-x--></a>"));
  EXPECT_EQ(doc.GetResult(), "<comment_tag_syntax offset=\"3\"/>");
  EXPECT_FALSE(doc.SetDocText("<a><![X[y]]></a>"));
  EXPECT_EQ(doc.GetResult(), "<cdata_section_syntax offset=\"3\"/>");

  EXPECT_FALSE(doc.SetDocText("<a x='1"));
  EXPECT_EQ(doc.GetResult(), "<unterminated_tag_syntax type=\"start_tag\" offset=\"0\"/><no_root_element/>");
  EXPECT_FALSE(doc.SetDocText("<a></a"));
  EXPECT_EQ(doc.GetResult(),
            "<unterminated_tag_syntax type=\"end_tag\" offset=\"3\"/>"
            "<unended_start_tag tagname=\"a\" offset=\"0\" offset2=\"6\"/>");
  EXPECT_FALSE(doc.SetDocText("<a/><!-- open"));
  EXPECT_EQ(doc.GetResult(), "<unterminated_tag_syntax type=\"comment\" offset=\"4\"/>");
  EXPECT_FALSE(doc.SetDocText("<a/><"));
  EXPECT_EQ(doc.GetResult(), "<unterminated_tag_syntax type=\"tag\" offset=\"4\"/>");
  EXPECT_FALSE(doc.SetDocText("<a/><?pi"));
  EXPECT_EQ(doc.GetResult(), "<unterminated_tag_syntax type=\"processing_instruction\" offset=\"4\"/>");
  EXPECT_FALSE(doc.SetDocText("<a/><![CDATA[x"));
  EXPECT_EQ(doc.GetResult(), "<unterminated_tag_syntax type=\"cdata_section\" offset=\"4\"/>");
}

TEST(XmlParse, DeclarationsTakeNoPartInTheTree) {
  CXmlDocument doc;
  EXPECT_TRUE(doc.SetDocText("<?xml version=\"1.0\"?><!DOCTYPE r [ <!ELEMENT r ANY> <!-- > --> ]><r><?pi x?></r>"));
  EXPECT_EQ(doc.GetResult(), "");
  EXPECT_EQ(RecordAt(doc, Root(doc)).firstChild, 0);
  EXPECT_FALSE(doc.SetDocText("<!DOCTYPE r [ <!X> ]><r/>"));
  EXPECT_EQ(doc.GetResult(), "<doctype_tag_syntax offset=\"0\"/>");
  EXPECT_FALSE(doc.SetDocText("<!DOCTYPE r [ <!ELEMENT r ANY>"));
  EXPECT_EQ(doc.GetResult(), "<unterminated_tag_syntax type=\"document_type\" offset=\"0\"/><no_root_element/>");
}

TEST(XmlParse, ResultTextStopsNearOneThousandCharactersButRecordsKeepTheMarks) {
  std::string text = "<r>";
  for (int i = 0; i < 100; ++i) text += "</lost>";
  for (int i = 0; i < 100; ++i) text += "<open>";
  text += "</r>";
  CXmlDocument doc;
  EXPECT_FALSE(doc.SetDocText(text));
  const std::string& result = doc.GetResult();
  const std::string oneEntry = "<lone_end_tag tagname=\"lost\" offset=\"3\"/>";
  EXPECT_EQ(result.rfind(oneEntry, 0), 0u);
  EXPECT_GE(result.size(), XmlResultText::kMaxLength);
  EXPECT_LT(result.size(), XmlResultText::kMaxLength + oneEntry.size() + 2);
  EXPECT_EQ(result.find("unended_start_tag"), std::string::npos);
  // The hundred unended elements are all marked and moved under the root.
  const int r = Root(doc);
  int unended = 0;
  for (int i = RecordAt(doc, r).firstChild; i != 0; i = RecordAt(doc, i).nextSibling) {
    if (RecordAt(doc, i).flags & Flags::kNoEndTag) ++unended;
  }
  EXPECT_EQ(unended, 100);
  EXPECT_TRUE(RecordAt(doc, r).flags & Flags::kProblemInside);
}

TEST(XmlParse, DeepNestingAndManyStrayTagsStayLinear) {
  // Would take minutes with a scan back through the open elements per end tag.
  std::string text;
  for (int i = 0; i < 100000; ++i) text += "<e>";
  for (int i = 0; i < 100000; ++i) text += "</x>";
  CXmlDocument doc;
  EXPECT_FALSE(doc.SetDocText(text));
  int count = 0;
  for (int i = Root(doc); i != 0; i = RecordAt(doc, i).nextSibling) ++count;
  EXPECT_EQ(count, 100000);
}

TEST(XmlParse, IgnoreCaseFlagMatchesEndTags) {
  CXmlDocument doc;
  EXPECT_FALSE(doc.SetDocText("<Item></ITEM>"));
  EXPECT_EQ(doc.GetResult(),
            "<lone_end_tag tagname=\"ITEM\" offset=\"6\"/><unended_start_tag tagname=\"Item\" offset=\"0\" "
            "offset2=\"13\"/>");
  doc.SetDocFlags(CXmlDocument::kIgnoreCase);
  EXPECT_TRUE(doc.SetDocText("<Item></ITEM>"));
  EXPECT_TRUE(doc.FindElement("item"));
}

}  // namespace
