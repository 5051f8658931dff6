// Navigating and editing documents: positions, attributes, added elements and
// sub-documents, and the exact text the edits leave behind.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/XmlDocument.h"

namespace {

using Flags = XmlElementRecord;

const XmlElementRecord& Record(const CXmlDocument& doc, int index) { return doc.Records()[index]; }

// Every element's markup, depth first, as the records of the document see it.
void CollectTree(const CXmlDocument& doc, int parent, std::vector<std::string>& out) {
  for (int i = Record(doc, parent).firstChild; i != 0; i = Record(doc, i).nextSibling) {
    EXPECT_EQ(Record(doc, i).parent, parent);
    out.push_back(doc.GetDocText().substr(static_cast<std::size_t>(Record(doc, i).start),
                                          static_cast<std::size_t>(Record(doc, i).length)));
    CollectTree(doc, i, out);
  }
}

// The records an edited document holds must equal those of a fresh parse of its text.
void ExpectRecordsMatchReparse(const CXmlDocument& edited) {
  CXmlDocument reparsed;
  reparsed.SetDocText(edited.GetDocText());
  std::vector<std::string> editedTree, reparsedTree;
  CollectTree(edited, 0, editedTree);
  CollectTree(reparsed, 0, reparsedTree);
  EXPECT_EQ(editedTree, reparsedTree);
}

// A step element as the recipe table writes one: a one-element document.
std::string StepText(const std::vector<std::pair<std::string, std::string>>& attributes) {
  CXmlDocument step;
  step.AddElement("StepInfo");
  for (const auto& [name, value] : attributes) step.SetAttribute(step.GetCurrentPos(), name, value);
  return step.GetDocText();
}

TEST(XmlEdit, ThirtyStepsMakeExactlyTheStoredText) {
  CXmlDocument doc;
  ASSERT_TRUE(doc.AddElement("AllStepsInfo"));
  ASSERT_TRUE(doc.EnterElement());
  for (int i = 1; i <= 30; ++i) {
    const bool active = i <= 3;
    const char* materials[] = {"Water", "Caus. Soda", "L.A.B.S"};
    const char* doses[] = {"120.5", "3", "0.25"};
    EXPECT_TRUE(doc.AddSubDoc(StepText({{"nStepID", std::to_string(i)},
                                        {"bStpIsActv", active ? "1" : "0"},
                                        {"nPrEndStpNmbr", active ? std::to_string(i - 1) : "0"},
                                        {"nSmulStrtStpNmbr", i == 3 ? "1" : "0"},
                                        {"bStpHasDisChrg", i == 2 ? "1" : "0"},
                                        {"bIsManualDosing", i == 2 ? "1" : "0"},
                                        {"eMixerNumber", active ? (i == 2 ? "2" : "1") : "-1"},
                                        {"strMatrialName", active ? materials[i - 1] : "-1"},
                                        {"fDose", active ? doses[i - 1] : "0"}})));
  }
  const std::string golden =
    "<AllStepsInfo>\r\n"
    "<StepInfo nStepID=\"1\" bStpIsActv=\"1\" nPrEndStpNmbr=\"0\" nSmulStrtStpNmbr=\"0\" bStpHasDisChrg=\"0\" "
    "bIsManualDosing=\"0\" eMixerNumber=\"1\" strMatrialName=\"Water\" fDose=\"120.5\"/>\r\n"
    "<StepInfo nStepID=\"2\" bStpIsActv=\"1\" nPrEndStpNmbr=\"1\" nSmulStrtStpNmbr=\"0\" bStpHasDisChrg=\"1\" "
    "bIsManualDosing=\"1\" eMixerNumber=\"2\" strMatrialName=\"Caus. Soda\" fDose=\"3\"/>\r\n"
    "<StepInfo nStepID=\"3\" bStpIsActv=\"1\" nPrEndStpNmbr=\"2\" nSmulStrtStpNmbr=\"1\" bStpHasDisChrg=\"0\" "
    "bIsManualDosing=\"0\" eMixerNumber=\"1\" strMatrialName=\"L.A.B.S\" fDose=\"0.25\"/>\r\n"
    "<StepInfo nStepID=\"4\" bStpIsActv=\"0\" nPrEndStpNmbr=\"0\" nSmulStrtStpNmbr=\"0\" bStpHasDisChrg=\"0\" "
    "bIsManualDosing=\"0\" eMixerNumber=\"-1\" strMatrialName=\"-1\" fDose=\"0\"/>\r\n"
    "<StepInfo nStepID=\"5\" bStpIsActv=\"0\" nPrEndStpNmbr=\"0\" nSmulStrtStpNmbr=\"0\" bStpHasDisChrg=\"0\" "
    "bIsManualDosing=\"0\" eMixerNumber=\"-1\" strMatrialName=\"-1\" fDose=\"0\"/>\r\n"
    "<StepInfo nStepID=\"6\" bStpIsActv=\"0\" nPrEndStpNmbr=\"0\" nSmulStrtStpNmbr=\"0\" bStpHasDisChrg=\"0\" "
    "bIsManualDosing=\"0\" eMixerNumber=\"-1\" strMatrialName=\"-1\" fDose=\"0\"/>\r\n"
    "<StepInfo nStepID=\"7\" bStpIsActv=\"0\" nPrEndStpNmbr=\"0\" nSmulStrtStpNmbr=\"0\" bStpHasDisChrg=\"0\" "
    "bIsManualDosing=\"0\" eMixerNumber=\"-1\" strMatrialName=\"-1\" fDose=\"0\"/>\r\n"
    "<StepInfo nStepID=\"8\" bStpIsActv=\"0\" nPrEndStpNmbr=\"0\" nSmulStrtStpNmbr=\"0\" bStpHasDisChrg=\"0\" "
    "bIsManualDosing=\"0\" eMixerNumber=\"-1\" strMatrialName=\"-1\" fDose=\"0\"/>\r\n"
    "<StepInfo nStepID=\"9\" bStpIsActv=\"0\" nPrEndStpNmbr=\"0\" nSmulStrtStpNmbr=\"0\" bStpHasDisChrg=\"0\" "
    "bIsManualDosing=\"0\" eMixerNumber=\"-1\" strMatrialName=\"-1\" fDose=\"0\"/>\r\n"
    "<StepInfo nStepID=\"10\" bStpIsActv=\"0\" nPrEndStpNmbr=\"0\" nSmulStrtStpNmbr=\"0\" bStpHasDisChrg=\"0\" "
    "bIsManualDosing=\"0\" eMixerNumber=\"-1\" strMatrialName=\"-1\" fDose=\"0\"/>\r\n"
    "<StepInfo nStepID=\"11\" bStpIsActv=\"0\" nPrEndStpNmbr=\"0\" nSmulStrtStpNmbr=\"0\" bStpHasDisChrg=\"0\" "
    "bIsManualDosing=\"0\" eMixerNumber=\"-1\" strMatrialName=\"-1\" fDose=\"0\"/>\r\n"
    "<StepInfo nStepID=\"12\" bStpIsActv=\"0\" nPrEndStpNmbr=\"0\" nSmulStrtStpNmbr=\"0\" bStpHasDisChrg=\"0\" "
    "bIsManualDosing=\"0\" eMixerNumber=\"-1\" strMatrialName=\"-1\" fDose=\"0\"/>\r\n"
    "<StepInfo nStepID=\"13\" bStpIsActv=\"0\" nPrEndStpNmbr=\"0\" nSmulStrtStpNmbr=\"0\" bStpHasDisChrg=\"0\" "
    "bIsManualDosing=\"0\" eMixerNumber=\"-1\" strMatrialName=\"-1\" fDose=\"0\"/>\r\n"
    "<StepInfo nStepID=\"14\" bStpIsActv=\"0\" nPrEndStpNmbr=\"0\" nSmulStrtStpNmbr=\"0\" bStpHasDisChrg=\"0\" "
    "bIsManualDosing=\"0\" eMixerNumber=\"-1\" strMatrialName=\"-1\" fDose=\"0\"/>\r\n"
    "<StepInfo nStepID=\"15\" bStpIsActv=\"0\" nPrEndStpNmbr=\"0\" nSmulStrtStpNmbr=\"0\" bStpHasDisChrg=\"0\" "
    "bIsManualDosing=\"0\" eMixerNumber=\"-1\" strMatrialName=\"-1\" fDose=\"0\"/>\r\n"
    "<StepInfo nStepID=\"16\" bStpIsActv=\"0\" nPrEndStpNmbr=\"0\" nSmulStrtStpNmbr=\"0\" bStpHasDisChrg=\"0\" "
    "bIsManualDosing=\"0\" eMixerNumber=\"-1\" strMatrialName=\"-1\" fDose=\"0\"/>\r\n"
    "<StepInfo nStepID=\"17\" bStpIsActv=\"0\" nPrEndStpNmbr=\"0\" nSmulStrtStpNmbr=\"0\" bStpHasDisChrg=\"0\" "
    "bIsManualDosing=\"0\" eMixerNumber=\"-1\" strMatrialName=\"-1\" fDose=\"0\"/>\r\n"
    "<StepInfo nStepID=\"18\" bStpIsActv=\"0\" nPrEndStpNmbr=\"0\" nSmulStrtStpNmbr=\"0\" bStpHasDisChrg=\"0\" "
    "bIsManualDosing=\"0\" eMixerNumber=\"-1\" strMatrialName=\"-1\" fDose=\"0\"/>\r\n"
    "<StepInfo nStepID=\"19\" bStpIsActv=\"0\" nPrEndStpNmbr=\"0\" nSmulStrtStpNmbr=\"0\" bStpHasDisChrg=\"0\" "
    "bIsManualDosing=\"0\" eMixerNumber=\"-1\" strMatrialName=\"-1\" fDose=\"0\"/>\r\n"
    "<StepInfo nStepID=\"20\" bStpIsActv=\"0\" nPrEndStpNmbr=\"0\" nSmulStrtStpNmbr=\"0\" bStpHasDisChrg=\"0\" "
    "bIsManualDosing=\"0\" eMixerNumber=\"-1\" strMatrialName=\"-1\" fDose=\"0\"/>\r\n"
    "<StepInfo nStepID=\"21\" bStpIsActv=\"0\" nPrEndStpNmbr=\"0\" nSmulStrtStpNmbr=\"0\" bStpHasDisChrg=\"0\" "
    "bIsManualDosing=\"0\" eMixerNumber=\"-1\" strMatrialName=\"-1\" fDose=\"0\"/>\r\n"
    "<StepInfo nStepID=\"22\" bStpIsActv=\"0\" nPrEndStpNmbr=\"0\" nSmulStrtStpNmbr=\"0\" bStpHasDisChrg=\"0\" "
    "bIsManualDosing=\"0\" eMixerNumber=\"-1\" strMatrialName=\"-1\" fDose=\"0\"/>\r\n"
    "<StepInfo nStepID=\"23\" bStpIsActv=\"0\" nPrEndStpNmbr=\"0\" nSmulStrtStpNmbr=\"0\" bStpHasDisChrg=\"0\" "
    "bIsManualDosing=\"0\" eMixerNumber=\"-1\" strMatrialName=\"-1\" fDose=\"0\"/>\r\n"
    "<StepInfo nStepID=\"24\" bStpIsActv=\"0\" nPrEndStpNmbr=\"0\" nSmulStrtStpNmbr=\"0\" bStpHasDisChrg=\"0\" "
    "bIsManualDosing=\"0\" eMixerNumber=\"-1\" strMatrialName=\"-1\" fDose=\"0\"/>\r\n"
    "<StepInfo nStepID=\"25\" bStpIsActv=\"0\" nPrEndStpNmbr=\"0\" nSmulStrtStpNmbr=\"0\" bStpHasDisChrg=\"0\" "
    "bIsManualDosing=\"0\" eMixerNumber=\"-1\" strMatrialName=\"-1\" fDose=\"0\"/>\r\n"
    "<StepInfo nStepID=\"26\" bStpIsActv=\"0\" nPrEndStpNmbr=\"0\" nSmulStrtStpNmbr=\"0\" bStpHasDisChrg=\"0\" "
    "bIsManualDosing=\"0\" eMixerNumber=\"-1\" strMatrialName=\"-1\" fDose=\"0\"/>\r\n"
    "<StepInfo nStepID=\"27\" bStpIsActv=\"0\" nPrEndStpNmbr=\"0\" nSmulStrtStpNmbr=\"0\" bStpHasDisChrg=\"0\" "
    "bIsManualDosing=\"0\" eMixerNumber=\"-1\" strMatrialName=\"-1\" fDose=\"0\"/>\r\n"
    "<StepInfo nStepID=\"28\" bStpIsActv=\"0\" nPrEndStpNmbr=\"0\" nSmulStrtStpNmbr=\"0\" bStpHasDisChrg=\"0\" "
    "bIsManualDosing=\"0\" eMixerNumber=\"-1\" strMatrialName=\"-1\" fDose=\"0\"/>\r\n"
    "<StepInfo nStepID=\"29\" bStpIsActv=\"0\" nPrEndStpNmbr=\"0\" nSmulStrtStpNmbr=\"0\" bStpHasDisChrg=\"0\" "
    "bIsManualDosing=\"0\" eMixerNumber=\"-1\" strMatrialName=\"-1\" fDose=\"0\"/>\r\n"
    "<StepInfo nStepID=\"30\" bStpIsActv=\"0\" nPrEndStpNmbr=\"0\" nSmulStrtStpNmbr=\"0\" bStpHasDisChrg=\"0\" "
    "bIsManualDosing=\"0\" eMixerNumber=\"-1\" strMatrialName=\"-1\" fDose=\"0\"/>\r\n"
    "</AllStepsInfo>\r\n";
  EXPECT_EQ(doc.GetDocText(), golden);
  EXPECT_EQ(doc.GetResult(), "");
  ExpectRecordsMatchReparse(doc);

  // Read back the way the recipe table does.
  CXmlDocument reader;
  ASSERT_TRUE(reader.SetDocText(golden));
  ASSERT_TRUE(reader.FindElement("AllStepsInfo"));
  int count = 0;
  while (reader.FindChildElement("StepInfo")) {
    CXmlDocument one;
    ASSERT_TRUE(one.SetDocText(reader.GetChildSubDocText()));
    ASSERT_TRUE(one.FindElement("StepInfo"));
    ++count;
    EXPECT_EQ(one.GetAttribute(one.GetCurrentPos(), "nStepID"), std::to_string(count));
  }
  EXPECT_EQ(count, 30);
}

TEST(XmlEdit, SetAttributeKeepsTheOrderAndShiftsWhatFollows) {
  CXmlDocument doc;
  ASSERT_TRUE(doc.SetDocText("<r><a x=\"1\" y='2' z=\"3\"/><b k=\"v\"/></r>"));
  ASSERT_TRUE(doc.FindChildElement("a"));
  const int a = doc.GetChildPos();
  EXPECT_TRUE(doc.SetAttribute(a, "y", "a longer value"));
  EXPECT_TRUE(doc.SetAttribute(a, "w", "4"));
  EXPECT_EQ(doc.GetDocText(), "<r><a x=\"1\" y='a longer value' z=\"3\" w=\"4\"/><b k=\"v\"/></r>");
  ASSERT_TRUE(doc.FindChildElement("b"));
  EXPECT_EQ(doc.GetAttribute(doc.GetChildPos(), "k"), "v");
  EXPECT_EQ(doc.GetSubDocText(doc.GetChildPos()), "<b k=\"v\"/>");
  EXPECT_EQ(Record(doc, doc.GetCurrentPos()).length, static_cast<int>(doc.GetDocText().size()));
  ExpectRecordsMatchReparse(doc);
}

TEST(XmlEdit, SetAttributeOnTagsOfEveryShape) {
  CXmlDocument doc;
  ASSERT_TRUE(doc.SetDocText("<r flag v=bare><e /></r>"));
  ASSERT_TRUE(doc.FindElement());
  const int r = doc.GetCurrentPos();
  // An unquoted value gets quotes, so that a value with a blank stays one value.
  EXPECT_TRUE(doc.SetAttribute(r, "v", "two words"));
  EXPECT_TRUE(doc.SetAttribute(r, "flag", "on"));
  ASSERT_TRUE(doc.FindChildElement("e"));
  EXPECT_TRUE(doc.SetAttribute(doc.GetChildPos(), "n", "1"));
  EXPECT_EQ(doc.GetDocText(), "<r flag=\"on\" v=\"two words\"><e  n=\"1\"/></r>");
  EXPECT_EQ(doc.GetAttribute(r, "v"), "two words");
  ExpectRecordsMatchReparse(doc);
  // Names that would break the markup are refused and change nothing.
  const std::string before = doc.GetDocText();
  EXPECT_FALSE(doc.SetAttribute(r, "", "x"));
  EXPECT_FALSE(doc.SetAttribute(r, "a b", "x"));
  EXPECT_FALSE(doc.SetAttribute(r, "a>", "x"));
  EXPECT_FALSE(doc.SetAttribute(0, "a", "x"));
  EXPECT_FALSE(doc.SetAttribute(999, "a", "x"));
  EXPECT_EQ(doc.GetDocText(), before);
  EXPECT_EQ(doc.GetAttribute(r, "missing"), "");
  EXPECT_EQ(doc.GetAttribute(0, "v"), "");
}

TEST(XmlEdit, QuotesAndMarkupInValuesRoundTrip) {
  CXmlDocument doc;
  ASSERT_TRUE(doc.AddElement("a"));
  const std::string value = "say \"hi\" & 'bye' <now>";
  EXPECT_TRUE(doc.SetAttribute(doc.GetCurrentPos(), "v", value));
  EXPECT_EQ(doc.GetDocText(), "<a v=\"say &quot;hi&quot; &amp; &apos;bye&apos; &lt;now&gt;\"/>\r\n");
  EXPECT_EQ(doc.GetAttribute(doc.GetCurrentPos(), "v"), value);
  ASSERT_TRUE(doc.EnterElement());
  EXPECT_TRUE(doc.AddElement("b", "1 < 2"));
  EXPECT_EQ(doc.GetSubDocText(doc.GetCurrentPos()), "<b>1 &lt; 2</b>\r\n");
  EXPECT_TRUE(doc.AddElement("c", "x]]>y", CXmlDocument::kWithCdata));
  EXPECT_EQ(doc.GetSubDocText(doc.GetCurrentPos()), "<c><![CDATA[x]]]]><![CDATA[>y]]></c>\r\n");
  EXPECT_TRUE(doc.AddElement("d", "&amp; & &#65;", CXmlDocument::kKeepReferences));
  EXPECT_EQ(doc.GetSubDocText(doc.GetCurrentPos()), "<d>&amp; &amp; &#65;</d>\r\n");
  ASSERT_TRUE(doc.SetDocText(doc.GetDocText()));
  ExpectRecordsMatchReparse(doc);
}

TEST(XmlEdit, SubDocTextIncludesTheLineBreakBeforeTheNextElement) {
  CXmlDocument doc;
  ASSERT_TRUE(doc.SetDocText("<r>\r\n<a/>\r\n<b/> text\r\n</r>\r\n"));
  ASSERT_TRUE(doc.FindChildElement("a"));
  EXPECT_EQ(doc.GetChildSubDocText(), "<a/>\r\n");
  ASSERT_TRUE(doc.FindChildElement("b"));
  EXPECT_EQ(doc.GetChildSubDocText(), "<b/>");  // text follows, not "<"
  EXPECT_EQ(doc.GetSubDocText(doc.GetCurrentPos()), "<r>\r\n<a/>\r\n<b/> text\r\n</r>");
  EXPECT_EQ(doc.GetSubDocText(0), "");
}

TEST(XmlEdit, FindElementFollowsThePathRules) {
  CXmlDocument doc;
  EXPECT_FALSE(doc.FindElement());
  ASSERT_TRUE(doc.SetDocText("<AllStepsInfo><StepInfo n=\"1\"/><Other/><StepInfo n=\"2\"/></AllStepsInfo>"));
  EXPECT_FALSE(doc.FindElement("/AllStepsInfo"));
  EXPECT_FALSE(doc.FindElement("//AllStepsInfo"));
  EXPECT_FALSE(doc.FindElement("AllStepsInfo[0]"));
  EXPECT_FALSE(doc.FindElement("AllStepsInfo["));
  EXPECT_FALSE(doc.FindElement("AllStepsInfo/"));
  EXPECT_FALSE(doc.FindElement("AllSteps"));
  EXPECT_EQ(doc.GetCurrentPos(), 0);
  EXPECT_TRUE(doc.FindElement("AllStepsInfo[2]"));  // only the name counts
  EXPECT_FALSE(doc.FindElement("AllStepsInfo"));    // the search does not wrap around
  EXPECT_TRUE(doc.SetDocText(doc.GetDocText()));
  EXPECT_TRUE(doc.FindElement("AllStepsInfo[@x='1']/StepInfo/@n"));
  EXPECT_TRUE(doc.SetDocText(doc.GetDocText()));
  EXPECT_TRUE(doc.FindElement());
  const int root = doc.GetCurrentPos();
  EXPECT_TRUE(doc.FindChildElement("StepInfo"));
  EXPECT_EQ(doc.GetAttribute(doc.GetChildPos(), "n"), "1");
  EXPECT_TRUE(doc.FindChildElement("StepInfo"));
  EXPECT_EQ(doc.GetAttribute(doc.GetChildPos(), "n"), "2");
  EXPECT_FALSE(doc.FindChildElement("StepInfo"));
  EXPECT_EQ(doc.GetCurrentPos(), root);
  EXPECT_EQ(doc.GetParentPos(), 0);
  // The last child found stays the child position and becomes the current element.
  EXPECT_TRUE(doc.EnterElement());
  EXPECT_EQ(doc.GetParentPos(), root);
  EXPECT_EQ(doc.GetAttribute(doc.GetCurrentPos(), "n"), "2");
  EXPECT_FALSE(doc.FindElement("Other"));
}

TEST(XmlEdit, FindChildElementStartsAtTheRootWithoutCurrentElement) {
  CXmlDocument doc;
  ASSERT_TRUE(doc.SetDocText("<r><c/></r>"));
  EXPECT_FALSE(doc.EnterElement());
  EXPECT_TRUE(doc.FindChildElement("c"));
  EXPECT_EQ(doc.GetParentPos(), 0);
}

TEST(XmlEdit, InsertBeforeAndAsChild) {
  CXmlDocument doc;
  EXPECT_FALSE(doc.AddElement("x", {}, CXmlDocument::kAsChild));  // no current element
  ASSERT_TRUE(doc.AddElement("r"));
  EXPECT_TRUE(doc.AddElement("b", {}, CXmlDocument::kAsChild));
  EXPECT_TRUE(doc.AddElement("a", {}, CXmlDocument::kAsChild | CXmlDocument::kInsertBefore));
  EXPECT_TRUE(doc.AddElement("c", {}, CXmlDocument::kAsChild | CXmlDocument::kSpaceBeforeSlash));
  EXPECT_EQ(doc.GetDocText(), "<r>\r\n<a/>\r\n<c />\r\n<b/>\r\n</r>\r\n");
  EXPECT_TRUE(doc.AddElement("z", {}, CXmlDocument::kAsChild | CXmlDocument::kNoLineBreaks));
  EXPECT_EQ(doc.GetDocText(), "<r>\r\n<a/>\r\n<c /><z/>\r\n<b/>\r\n</r>\r\n");
  EXPECT_FALSE(doc.AddElement("n", "value", CXmlDocument::kNoEndTag));
  EXPECT_TRUE(doc.AddElement("n", {}, CXmlDocument::kAsChild | CXmlDocument::kNoEndTag));
  EXPECT_TRUE(Record(doc, doc.GetChildPos()).flags & Flags::kNoEndTag);
  // A lone start tag holds no children.
  ASSERT_TRUE(doc.EnterElement());
  EXPECT_FALSE(doc.AddElement("m", {}, CXmlDocument::kAsChild));
  EXPECT_FALSE(doc.AddElement("bad name"));
  EXPECT_EQ(doc.GetDocText(), "<r>\r\n<a/>\r\n<c /><z/>\r\n<n>\r\n<b/>\r\n</r>\r\n");
}

TEST(XmlEdit, AddingIntoEmptyAndBareParents) {
  CXmlDocument doc;
  ASSERT_TRUE(doc.SetDocText("<r><e/><f></f></r>"));
  ASSERT_TRUE(doc.FindChildElement("e"));
  ASSERT_TRUE(doc.EnterElement());
  EXPECT_TRUE(doc.AddElement("x", "1", CXmlDocument::kAsChild));
  EXPECT_EQ(doc.GetDocText(), "<r><e>\r\n<x>1</x>\r\n</e><f></f></r>");
  EXPECT_EQ(doc.GetSubDocText(doc.GetCurrentPos()), "<e>\r\n<x>1</x>\r\n</e>");
  ASSERT_TRUE(doc.FindElement("f"));
  EXPECT_TRUE(doc.AddElement("y", {}, CXmlDocument::kAsChild));
  EXPECT_EQ(doc.GetDocText(), "<r><e>\r\n<x>1</x>\r\n</e><f>\r\n<y/>\r\n</f></r>");
  ExpectRecordsMatchReparse(doc);
  ASSERT_TRUE(doc.SetDocText("<r/>"));
  ASSERT_TRUE(doc.FindElement());
  EXPECT_TRUE(doc.AddElement("y", {}, CXmlDocument::kAsChild | CXmlDocument::kNoLineBreaks));
  EXPECT_EQ(doc.GetDocText(), "<r><y/></r>");
  ExpectRecordsMatchReparse(doc);
  // A sibling after the root: the white space at the end is not followed by "<".
  EXPECT_TRUE(doc.AddElement("z"));
  EXPECT_EQ(doc.GetDocText(), "<r><y/></r><z/>\r\n");
}

TEST(XmlEdit, IllFormedSubDocIsInsertedWholeWithoutLineBreaks) {
  CXmlDocument doc;
  ASSERT_TRUE(doc.AddElement("r"));
  ASSERT_TRUE(doc.EnterElement());
  EXPECT_FALSE(doc.AddSubDoc("<a><b></a>"));
  EXPECT_EQ(doc.GetResult(), "<unended_start_tag tagname=\"b\" offset=\"3\" offset2=\"5\"/>");
  EXPECT_EQ(doc.GetDocText(), "<r><a><b></a></r>\r\n");
  EXPECT_TRUE(Record(doc, doc.GetCurrentPos()).flags & Flags::kProblemInside);
  EXPECT_EQ(doc.GetSubDocText(doc.GetCurrentPos()), "<a><b></a>");
  // Two elements are not one sub-document; text alone adds no element.
  EXPECT_FALSE(doc.AddSubDoc("<p/><q/>"));
  EXPECT_FALSE(doc.AddSubDoc("plain"));
  EXPECT_EQ(doc.GetCurrentPos(), 0);
  // After several top-level elements the first is the current one.
  EXPECT_EQ(doc.GetDocText(), "<r><a><b></a><p/>plain<q/></r>\r\n");
  // A well-formed one drops what surrounds its element.
  EXPECT_TRUE(doc.AddSubDoc("<?xml version=\"1.0\"?>\r\n<s t=\"1\"><u/></s>\r\n", CXmlDocument::kInsertBefore));
  EXPECT_EQ(doc.GetDocText(), "<r><s t=\"1\"><u/></s>\r\n<a><b></a><p/>plain<q/></r>\r\n");
  EXPECT_EQ(doc.GetAttribute(doc.GetCurrentPos(), "t"), "1");
  std::vector<std::string> tree;
  CollectTree(doc, 0, tree);
  EXPECT_EQ(tree, (std::vector<std::string>{"<r><s t=\"1\"><u/></s>\r\n<a><b></a><p/>plain<q/></r>", "<s t=\"1\"><u/></s>",
                                            "<u/>", "<a><b></a>", "<b>", "<p/>", "<q/>"}));
}

TEST(XmlEdit, ProblemAtTheTopOfASubDocMarksTheInsertionParent) {
  CXmlDocument doc;
  ASSERT_TRUE(doc.SetDocText("<r><a/></r>"));
  ASSERT_TRUE(doc.FindChildElement("a"));
  ASSERT_TRUE(doc.EnterElement());
  EXPECT_FALSE(doc.AddSubDoc("<p/></x>"));
  EXPECT_EQ(doc.GetResult(), "<lone_end_tag tagname=\"x\" offset=\"4\"/>");
  EXPECT_TRUE(Record(doc, doc.GetParentPos()).flags & Flags::kProblemInside);
  EXPECT_EQ(doc.GetDocText(), "<r><a/><p/></x></r>");
}

TEST(XmlEdit, AddSubDocAsChildSetsTheChildPosition) {
  CXmlDocument doc;
  ASSERT_TRUE(doc.SetDocText("<r>\r\n</r>"));
  ASSERT_TRUE(doc.FindElement());
  EXPECT_TRUE(doc.AddSubDoc("<a/>", CXmlDocument::kAsChild));
  EXPECT_TRUE(doc.AddSubDoc("<b/>", CXmlDocument::kAsChild));
  EXPECT_EQ(doc.GetDocText(), "<r>\r\n<a/>\r\n<b/>\r\n</r>");
  EXPECT_EQ(doc.GetChildSubDocText(), "<b/>\r\n");
  ExpectRecordsMatchReparse(doc);
}

}  // namespace
