// Paragraph text: splitting into words, wrapping and the ellipsis.
#include <gtest/gtest.h>

#include <QImage>

#include "controls/CParagraph.h"
#include "platform/base/CArchive.h"
#include "platform/ui/CDC.h"

namespace {
// Every character 10 pixels wide, lines 10 high.
CSize Fixed(const std::string& text) { return CSize(static_cast<int>(text.size()) * 10, 10); }

std::vector<std::string> Texts(const std::vector<CParagraph::Line>& lines) {
  std::vector<std::string> out;
  for (const auto& line : lines) out.push_back(line.text);
  return out;
}
}  // namespace

TEST(ParagraphWords, BlanksAndLineEndsAreNormalised) {
  CParagraph p;
  p.SetText("a  b\r\nc");
  EXPECT_EQ(p.Words(), (std::vector<std::string>{"a ", "b ", "c"}));
  p.SetText("x\n y");
  EXPECT_EQ(p.Words(), (std::vector<std::string>{"x ", " ", "y"}));
  p.SetText("");
  EXPECT_EQ(p.Words(), (std::vector<std::string>{""}));
  p.SetText("end ");
  EXPECT_EQ(p.Words(), (std::vector<std::string>{"end ", ""}));
}

TEST(ParagraphLayout, WrapsWordsOntoLinesAtTheOrigin) {
  CParagraph p;
  p.SetPosition(50, 16);
  p.SetWidth(110);
  p.SetHeight(200);
  p.SetText("one two three four");
  const auto lines = p.Layout(Fixed);
  EXPECT_EQ(Texts(lines), (std::vector<std::string>{"one two ", "three four"}));
  EXPECT_EQ(lines[0].x, 52);
  EXPECT_EQ(lines[0].y, 18);
  EXPECT_EQ(lines[1].y, 28);
}

TEST(ParagraphLayout, TooLowForASecondLineEndsWithEllipsis) {
  CParagraph p;
  p.SetWidth(130);
  p.SetHeight(20);
  p.SetText("one two three four");
  EXPECT_EQ(Texts(p.Layout(Fixed)), (std::vector<std::string>{"one two ..."}));
  // Narrower: not even the word and "..." fit, so the line so far ends it.
  p.SetWidth(100);
  EXPECT_EQ(Texts(p.Layout(Fixed)), (std::vector<std::string>{"one ..."}));
}

TEST(ParagraphLayout, EmptyTextDrawsNothing) {
  CParagraph p;
  p.SetWidth(100);
  p.SetHeight(100);
  p.SetText("");
  EXPECT_TRUE(p.Layout(Fixed).empty());
}

TEST(ParagraphLayout, DrawsThroughTheContext) {
  CParagraph p;
  p.SetWidth(200);
  p.SetHeight(40);
  p.SetText("Please enter recording Vessels Level interval.");
  EXPECT_TRUE(p.SetFont("Tahoma", 13, 0));
  QImage image(200, 40, QImage::Format_RGB32);
  image.fill(Qt::white);
  CDC dc;
  dc.AttachImage(&image);
  dc.SelectObject(p.GetFont());
  p.Draw(&dc);
  dc.Detach();
  bool inked = false;
  for (int y = 0; y < image.height() && !inked; ++y)
    for (int x = 0; x < image.width() && !inked; ++x) inked = image.pixel(x, y) != qRgb(255, 255, 255);
  EXPECT_TRUE(inked);
}

TEST(ParagraphArchive, RoundTripAndShortRead) {
  CParagraph p;
  p.SetPosition(50, -3);
  p.SetWidth(300);
  p.SetHeight(40);
  p.SetText("a  b\r\nc");
  p.SetFont("Tahoma", 13, 1);
  CArchive out(CArchive::store);
  p.Serialize(out);
  const std::vector<std::uint8_t> expectedStart = {50, 0, 0, 0, 0xFD, 0xFF, 0xFF, 0xFF, 44, 1, 40, 0, 7};
  ASSERT_GE(out.Bytes().size(), expectedStart.size());
  EXPECT_TRUE(std::equal(expectedStart.begin(), expectedStart.end(), out.Bytes().begin()));
  // text (1 + 7), face (1 + 6), height 13, weight 700
  EXPECT_EQ(out.Bytes().size(), 12u + 8u + 7u + 4u);
  EXPECT_EQ(out.Bytes()[out.Bytes().size() - 2], 0xBC);  // 700 = 0x02BC

  CParagraph back;
  CArchive in(CArchive::load, out.Bytes());
  back.Serialize(in);
  EXPECT_EQ(back.GetText(), "a  b\r\nc");
  EXPECT_EQ(back.Words(), (std::vector<std::string>{"a ", "b ", "c"}));
  back.SetWidth(300);
  EXPECT_EQ(back.Layout(Fixed).front().x, 52);

  CArchive shortRead(CArchive::load, {1, 2, 3});
  try {
    back.Serialize(shortRead);
    FAIL() << "no exception";
  } catch (const CArchiveException& e) {
    EXPECT_EQ(e.m_cause, CArchiveException::endOfFile);
  }
}
