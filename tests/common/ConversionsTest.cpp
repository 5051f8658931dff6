#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "common/CommonUtils.h"

namespace {

TEST(TextToNumber, IntRemovesEveryDotThenReadsLikeAtoi) {
  EXPECT_EQ(TextToInt("1.5"), 15);
  EXPECT_EQ(TextToInt("-2.50"), -250);
  EXPECT_EQ(TextToInt("1,5"), 1);
  EXPECT_EQ(TextToInt(""), 0);
  EXPECT_EQ(TextToInt("  \t+42abc"), 42);
  EXPECT_EQ(TextToInt("x12"), 0);
  EXPECT_EQ(TextToInt("1.2.3"), 123);
}

TEST(TextToNumber, IntSaturatesInsteadOfOverflowing) {
  EXPECT_EQ(TextToInt("2147483647"), 2147483647);
  EXPECT_EQ(TextToInt("2147483648"), std::numeric_limits<std::int32_t>::max());
  EXPECT_EQ(TextToInt("-2147483648"), std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(TextToInt("-99999999999999999999999"), std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(TextToInt("1.000.000.000.000"), std::numeric_limits<std::int32_t>::max());
  EXPECT_EQ(AtoiText64("99999999999999999999"), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(AtoiText64("-9223372036854775808"), std::numeric_limits<std::int64_t>::min());
}

TEST(TextToNumber, BoolIsIntNotZero) {
  EXPECT_TRUE(TextToBool("1"));
  EXPECT_TRUE(TextToBool("12"));
  EXPECT_TRUE(TextToBool("0.1"));  // becomes "01"
  EXPECT_FALSE(TextToBool("0"));
  EXPECT_FALSE(TextToBool(""));
  EXPECT_FALSE(TextToBool("x"));
  EXPECT_FALSE(TextToBool("0.0"));
}

TEST(TextToNumber, FloatReadsLikeAtofWhateverTheLocale) {
  EXPECT_EQ(TextToFloat("12"), 12.0f);
  EXPECT_EQ(TextToFloat(""), 0.0f);
  EXPECT_EQ(TextToFloat("2.5e1"), 25.0f);
  EXPECT_EQ(TextToFloat(" -0.5kg"), -0.5f);
  EXPECT_EQ(TextToFloat("abc"), 0.0f);
  EXPECT_EQ(TextToFloat("1e300"), std::numeric_limits<float>::infinity());
  EXPECT_EQ(TextToFloat("-1e300"), -std::numeric_limits<float>::infinity());
}

TEST(TextToNumber, HexExaminesAtMostEightPositions) {
  EXPECT_EQ(HexTextToDword(" 2C0"), 0x2C0u);
  EXPECT_EQ(HexTextToDword("2c0H"), 0x2C0u);
  EXPECT_EQ(HexTextToDword("  FF"), 0xFFu);
  EXPECT_EQ(HexTextToDword("       FF"), 0xFu);
  EXPECT_EQ(HexTextToDword("123456789"), 0x12345678u);
  EXPECT_EQ(HexTextToDword("FFFFFFFF"), 0xFFFFFFFFu);
  EXPECT_EQ(HexTextToDword(""), 0u);
  EXPECT_EQ(HexTextToDword("G1"), 0u);
  EXPECT_EQ(HexTextToDword(std::string("1\0" "2", 3)), 1u);
}

TEST(NumberToText, PrintfForms) {
  EXPECT_EQ(IntToText(-7), "-7");
  EXPECT_EQ(DwordToText(4294967295u), "4294967295");
  EXPECT_EQ(FloatToText(0.1f), "0.1");
  EXPECT_EQ(FloatToText(0.1234567), "0.123457");
  EXPECT_EQ(FloatToText(1e20), "1e+20");
}

TEST(VariantReaders, EmptyGivesZeroAndOtherTypesConvert) {
  EXPECT_FALSE(VariantToBool(Variant()));
  EXPECT_EQ(VariantToFloat(Variant()), 0.0f);
  EXPECT_EQ(VariantToLong(Variant()), 0);
  EXPECT_EQ(VariantToDouble(Variant()), 0.0);
  EXPECT_EQ(VariantBstrToText(Variant()), "");

  EXPECT_TRUE(VariantToBool(Variant::Bool(true)));
  EXPECT_FALSE(VariantToBool(Variant::Bool(false)));
  EXPECT_EQ(VariantToFloat(Variant::R4(2.5f)), 2.5f);
  EXPECT_EQ(VariantToLong(Variant::I4(-9)), -9);
  EXPECT_EQ(VariantToDouble(Variant::R8(0.1)), 0.1);

  // A value of another type is converted, not reinterpreted.
  EXPECT_EQ(VariantToLong(Variant::R4(2.5f)), 2);   // half to even
  EXPECT_EQ(VariantToLong(Variant::I2(-300)), -300);
  EXPECT_EQ(VariantToFloat(Variant::I4(3)), 3.0f);
  EXPECT_EQ(VariantToDouble(Variant::R4(0.5f)), 0.5);
  EXPECT_TRUE(VariantToBool(Variant::I2(4)));
  EXPECT_EQ(VariantBstrToText(Variant::I4(5)), "5");
}

TEST(VariantReaders, UnconvertibleValuesGiveZeroNeverThrow) {
  EXPECT_EQ(VariantToLong(Variant::String("abc")), 0);
  EXPECT_EQ(VariantToLong(Variant::R8(1e12)), 0);  // out of range
  EXPECT_EQ(VariantToFloat(Variant::R8(1e300)), 0.0f);
  EXPECT_FALSE(VariantToBool(Variant::Null()));
  EXPECT_EQ(VariantToDouble(Variant::Array(VT_R8, {Variant::R8(1)})), 0.0);
}

TEST(VariantReaders, TextOfEachType) {
  EXPECT_EQ(VariantToText(Variant::Bool(true)), "True");
  EXPECT_EQ(VariantToText(Variant::Bool(false)), "False");
  Variant oddTrue = Variant::Bool(true);
  oddTrue.boolVal = 1;
  EXPECT_EQ(VariantToText(oddTrue), "True");
  EXPECT_EQ(VariantToText(Variant()), "");
  EXPECT_EQ(VariantToText(Variant::String("Pump \xD9\x83")), "Pump \xD9\x83");
  EXPECT_EQ(VariantToText(Variant::I2(-12)), "-12");
  EXPECT_EQ(VariantToText(Variant::R4(0.1f)), "0.1");
  // No text form: empty, never an invalid string.
  EXPECT_EQ(VariantToText(Variant::Null()), "");
  EXPECT_EQ(VariantToText(Variant::Error(5)), "");
  EXPECT_EQ(VariantToText(Variant::Array(VT_I4, {Variant::I4(1)})), "");
}

TEST(Arithmetic, LinearScale) {
  EXPECT_EQ(LinearScale(5, 0, 10, 0, 100), 50.0f);
  EXPECT_EQ(LinearScale(5, 3, 3, 0, 100), -1.0f);
  EXPECT_EQ(LinearScale(0, 0, 0, 7, 7), -1.0f);
  EXPECT_EQ(LinearScale(4, 4, 20, 0, 100), 0.0f);
  EXPECT_EQ(LinearScale(20, 4, 20, 0, 100), 100.0f);
  EXPECT_EQ(LinearScale(12, 4, 20, 100, 0), 50.0f);
  // Computed wide and rounded once: no overflow in the intermediate product.
  EXPECT_EQ(LinearScale(3e38f, -3e38f, 3e38f, 0, 100), 100.0f);
  EXPECT_EQ(LinearScale(0, -3e38f, 3e38f, 0, 100), 50.0f);
}

TEST(Arithmetic, PercentInRange) {
  EXPECT_EQ(PercentInRange(50, 0, 200), 25.0f);
  EXPECT_EQ(PercentInRange(200, 0, 200), 100.0f);
  EXPECT_EQ(PercentInRange(0, 0, 200), 0.0f);
  EXPECT_EQ(PercentInRange(-1, 0, 200), 0.0f);
  EXPECT_EQ(PercentInRange(201, 0, 200), 0.0f);
  EXPECT_EQ(PercentInRange(5, 5, 5), 0.0f);     // empty range
  EXPECT_EQ(PercentInRange(5, 10, 0), 0.0f);    // max below min
  EXPECT_EQ(PercentInRange(std::nanf(""), 0, 10), 0.0f);
  EXPECT_EQ(PercentInRange(5, std::nanf(""), 10), 0.0f);
  const float big = std::numeric_limits<float>::max();
  EXPECT_EQ(PercentInRange(big, -big, big), 100.0f);
}

TEST(PlantIds, PackingAndAttributeMap) {
  EXPECT_EQ(MakePlantObjectId(1, 4, 30), 0x0104001Eu);
  EXPECT_EQ(MakePlantObjectId(255, 255, 255), 0xFFFF00FFu);
  const PlantObjectId vessel = MakePlantObjectId(1, 1, 0);
  const PlantObjectId belt = MakePlantObjectId(1, 2, 0);
  const PlantObjectId dosePump = MakePlantObjectId(1, 3, 0);
  const PlantObjectId valve = MakePlantObjectId(1, 4, 3);
  const PlantObjectId helix = MakePlantObjectId(1, 5, 0);
  const PlantObjectId gearPump = MakePlantObjectId(1, 6, 2);
  const PlantObjectId heatZone = MakePlantObjectId(1, 9, 0);
  EXPECT_EQ(MapAttribCode(heatZone, 1009), 1);
  EXPECT_EQ(MapAttribCode(heatZone, 1000), -1);
  EXPECT_EQ(MapAttribCode(vessel, 1030), 3);
  EXPECT_EQ(MapAttribCode(vessel, 1009), 1);
  EXPECT_EQ(MapAttribCode(vessel, 1000), 27);
  EXPECT_EQ(MapAttribCode(vessel, 1032), 43);
  EXPECT_EQ(MapAttribCode(vessel, 1033), 59);
  EXPECT_EQ(MapAttribCode(vessel, 1005), -1);
  EXPECT_EQ(MapAttribCode(belt, 1026), 62);
  EXPECT_EQ(MapAttribCode(helix, 1026), 46);
  EXPECT_EQ(MapAttribCode(belt, 1004), -1);
  EXPECT_EQ(MapAttribCode(dosePump, 1000), 35);
  EXPECT_EQ(MapAttribCode(dosePump, 1027), 67);
  EXPECT_EQ(MapAttribCode(valve, 1026), 36);
  EXPECT_EQ(MapAttribCode(valve, 1027), 39);
  EXPECT_EQ(MapAttribCode(gearPump, 1026), 46);
  EXPECT_EQ(MapAttribCode(MakePlantObjectId(1, 7, 0), 1028), 43);
  EXPECT_EQ(MapAttribCode(MakePlantObjectId(1, 12, 0), 1024), 31);
  EXPECT_EQ(MapAttribCode(gearPump, 1003), -1);
  EXPECT_EQ(MapAttribCode(MakePlantObjectId(1, 0, 0), 1030), 3);
  EXPECT_EQ(MapAttribCode(vessel, 999), -1);
}

TEST(TextEdits, XmlEscapeReplacesEachCharacterOnce) {
  EXPECT_EQ(XmlEscapeText("<&>"), "&lt;&amp;&gt;");
  EXPECT_EQ(XmlEscapeText("a<b&c"), "a&lt;b&amp;c");
  EXPECT_EQ(XmlEscapeText("[Pump]"), "$Pump$");
  EXPECT_EQ(XmlEscapeText("it's \"x\""), "it&apos;s &quot;x&quot;");
  EXPECT_EQ(XmlEscapeText("&amp;"), "&amp;amp;");
}

TEST(TextEdits, ReplaceLineBreaksKeepsLength) {
  EXPECT_EQ(ReplaceLineBreaks("a\r\nb\nc\r", ' '), "a  b c ");
  EXPECT_EQ(ReplaceLineBreaks("", ' '), "");
}

TEST(TextEdits, MsgBoxResultNames) {
  EXPECT_EQ(MsgBoxResultText(-1), "NoMsgBox");
  EXPECT_EQ(MsgBoxResultText(1), "Ok");
  EXPECT_EQ(MsgBoxResultText(7), "No");
  EXPECT_EQ(MsgBoxResultText(10), "TryAgain");
  EXPECT_EQ(MsgBoxResultText(11), "Continue");
  EXPECT_EQ(MsgBoxResultText(0), "");
  EXPECT_EQ(MsgBoxResultText(12), "");
}

struct Counted {
  explicit Counted(int* deaths) : m_deaths(deaths) {}
  virtual ~Counted() { ++*m_deaths; }
  int* m_deaths;
};

TEST(OwnedContainers, DeleteEveryItemAndEmpty) {
  int deaths = 0;
  std::vector<Counted*> array{new Counted(&deaths), nullptr, new Counted(&deaths)};
  DeleteAllArrayItems(array);
  EXPECT_EQ(deaths, 2);
  EXPECT_TRUE(array.empty());
  std::list<Counted*> list{new Counted(&deaths), nullptr, new Counted(&deaths)};
  DeleteAllListItems(list);
  EXPECT_EQ(deaths, 4);
  EXPECT_TRUE(list.empty());
}

}  // namespace
