// The archive's word and string forms, and reads past the end.
#include <gtest/gtest.h>

#include "platform/base/CArchive.h"

TEST(Archive, StringLengthPrefixesRoundTrip) {
  const std::string shortText = "Tahoma", medium(300, 'x'), empty;
  CArchive out(CArchive::store);
  out << shortText << medium << empty << static_cast<std::int32_t>(-2) << static_cast<std::uint16_t>(700);
  const auto& bytes = out.Bytes();
  EXPECT_EQ(bytes[0], 6);
  EXPECT_EQ(bytes[7], 0xFF);
  EXPECT_EQ(bytes[8], 0x2C);  // 300 as a little-endian word
  EXPECT_EQ(bytes[9], 0x01);
  CArchive in(CArchive::load, bytes);
  std::string a, b, c;
  std::int32_t n = 0;
  std::uint16_t w = 0;
  in >> a >> b >> c >> n >> w;
  EXPECT_EQ(a, shortText);
  EXPECT_EQ(b, medium);
  EXPECT_EQ(c, "");
  EXPECT_EQ(n, -2);
  EXPECT_EQ(w, 700);
  EXPECT_THROW(in >> w, CArchiveException);
}

TEST(Archive, UnicodeMarkedTextReadsAsUtf8) {
  // 0xFF, 0xFFFE (the mark), count 2, then UTF-16 units: "ک" (U+0643) and "A".
  CArchive in(CArchive::load, {0xFF, 0xFE, 0xFF, 2, 0x43, 0x06, 0x41, 0x00});
  std::string text;
  in >> text;
  EXPECT_EQ(text, "\xD9\x83" "A");
}

TEST(Archive, TruncatedStringIsEndOfFileAndConsumesNothingOfTheText) {
  CArchive in(CArchive::load, {5, 'a', 'b'});
  std::string text = "kept";
  try {
    in >> text;
    FAIL();
  } catch (const CArchiveException& e) {
    EXPECT_EQ(e.m_cause, CArchiveException::endOfFile);
  }
  EXPECT_EQ(text, "kept");
}
