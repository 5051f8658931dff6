// Escaping and the decoding of references.
#include <gtest/gtest.h>

#include "common/XmlDocument.h"
#include "common/XmlTextCodec.h"

namespace {

TEST(XmlTextCodec, EscapeMarkupAndQuotesByFlag) {
  EXPECT_EQ(CXmlDocument::EscapeText("a<b>&'\"", 0), "a&lt;b&gt;&amp;'\"");
  EXPECT_EQ(CXmlDocument::EscapeText("a<b>&'\"", CXmlDocument::kEscapeQuotes), "a&lt;b&gt;&amp;&apos;&quot;");
  // Only a complete reference is kept.
  EXPECT_EQ(CXmlDocument::EscapeText("&lt; &#65; &x_:-.; & &; &a", CXmlDocument::kKeepReferences),
            "&lt; &#65; &x_:-.; &amp; &amp;; &amp;a");
  EXPECT_EQ(CXmlDocument::EscapeText("\xD9\x83\xD9\x8A<", 0), "\xD9\x83\xD9\x8A&lt;");
}

TEST(XmlTextCodec, NumericReferences) {
  EXPECT_EQ(CXmlDocument::UnescapeText("&#65;&#x41;&#X41;"), "AAA");
  EXPECT_EQ(CXmlDocument::UnescapeText("&#1603;"), "\xD9\x83");
  EXPECT_EQ(CXmlDocument::UnescapeText("&#x1F600;"), "\xF0\x9F\x98\x80");
  // No character: zero, a surrogate half, beyond Unicode, no digits, bad digits.
  for (const char* kept : {"&#0;", "&#xD800;", "&#x110000;", "&#99999999;", "&#;", "&#x;", "&#12a;", "&#xg;"}) {
    EXPECT_EQ(CXmlDocument::UnescapeText(kept), kept);
  }
}

TEST(XmlTextCodec, NamedReferences) {
  EXPECT_EQ(XmlTextCodec::NamedReferenceCount(), 253);
  EXPECT_EQ(CXmlDocument::UnescapeText("&lt;&gt;&amp;&quot;&apos;"), "<>&\"'");
  EXPECT_EQ(CXmlDocument::UnescapeText("&nbsp;&yuml;&euro;&thetasym;&diams;"),
            "\xC2\xA0\xC3\xBF\xE2\x82\xAC\xCF\x91\xE2\x99\xA6");
  // Capitals still name the reference, but a name that exists in both cases keeps its letter.
  EXPECT_EQ(CXmlDocument::UnescapeText("&AMP;&Agrave;&agrave;&AGRAVE;&Sigma;"), "&\xC3\x80\xC3\xA0\xC3\xA0\xCE\xA3");
  EXPECT_EQ(XmlTextCodec::NamedReference("Dagger"), 8225u);
  EXPECT_EQ(XmlTextCodec::NamedReference("dagger"), 8224u);
}

TEST(XmlTextCodec, WhatIsNotAReferenceStaysAsItIs) {
  for (const char* kept : {"&unknown;", "& amp;", "&amp", "&", "a & b", "&;", "&abcdefghij;", "&am\xC3\xA9;"}) {
    EXPECT_EQ(CXmlDocument::UnescapeText(kept), kept);
  }
  // The scan goes on behind an "&" that stays.
  EXPECT_EQ(CXmlDocument::UnescapeText("&&amp;&#0;&lt;"), "&&&#0;<");
}

TEST(XmlTextCodec, EscapedTextDecodesToTheOriginal) {
  const std::string original = "<a href=\"x?y=1&z='2'\">&amp;\xD9\x83</a>";
  EXPECT_EQ(CXmlDocument::UnescapeText(CXmlDocument::EscapeText(original, CXmlDocument::kEscapeQuotes)), original);
  EXPECT_EQ(CXmlDocument::UnescapeText(CXmlDocument::EscapeText(original, 0)), original);
}

}  // namespace
