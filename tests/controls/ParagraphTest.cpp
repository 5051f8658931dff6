// Paragraph text: splitting into words, wrapping and the ellipsis.
#include <gtest/gtest.h>

#include <QImage>

#include "controls/CParagraph.h"
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
