#include <gtest/gtest.h>

#include <cmath>

#include "platform/base/OleDate.h"
#include "platform/base/Variant.h"

namespace {

Variant Convert(const Variant& v, VARTYPE type, HRESULT* hr = nullptr) {
  Variant out;
  HRESULT result = VariantChangeType(out, v, type);
  if (hr) *hr = result;
  return out;
}

TEST(Variant, NumbersToTextRoundTrip) {
  EXPECT_EQ(Convert(Variant::R4(0.1f), VT_BSTR).bstrVal, "0.1");
  EXPECT_EQ(Convert(Variant::R8(0.1), VT_BSTR).bstrVal, "0.1");
  EXPECT_EQ(Convert(Variant::R8(1.0 / 3.0), VT_BSTR).bstrVal, "0.3333333333333333");
  EXPECT_EQ(Convert(Variant::I4(-42), VT_BSTR).bstrVal, "-42");
  EXPECT_EQ(Convert(Variant::UI4(4000000000u), VT_BSTR).bstrVal, "4000000000");
  for (float f : {1.5f, 123456.789f, -0.000123f, 3.4e38f}) {
    Variant text = Convert(Variant::R4(f), VT_BSTR);
    EXPECT_EQ(Convert(text, VT_R4).fltVal, f) << text.bstrVal;
  }
}

TEST(Variant, BoolRules) {
  EXPECT_EQ(Convert(Variant::Bool(true), VT_BSTR).bstrVal, "-1");
  EXPECT_EQ(Convert(Variant::Bool(false), VT_BSTR).bstrVal, "0");
  EXPECT_EQ(Convert(Variant::Bool(true), VT_I4).lVal, -1);
  EXPECT_TRUE(Convert(Variant::String("tRUE"), VT_BOOL).boolVal);
  EXPECT_FALSE(Convert(Variant::String("False"), VT_BOOL).boolVal);
  EXPECT_TRUE(Convert(Variant::String("-1"), VT_BOOL).boolVal);
  EXPECT_TRUE(Convert(Variant::String("2.5"), VT_BOOL).boolVal);
  HRESULT hr;
  Convert(Variant::String("yes"), VT_BOOL, &hr);
  EXPECT_EQ(hr, DISP_E_TYPEMISMATCH);
}

TEST(Variant, EmptyNullAndErrors) {
  EXPECT_EQ(Convert(Variant(), VT_I4), Variant::I4(0));
  EXPECT_EQ(Convert(Variant(), VT_BSTR), Variant::String(""));
  HRESULT hr;
  Variant out = Convert(Variant::Null(), VT_I4, &hr);
  EXPECT_EQ(hr, DISP_E_TYPEMISMATCH);
  EXPECT_TRUE(out.IsEmpty());
  Convert(Variant::I4(70000), VT_I2, &hr);
  EXPECT_EQ(hr, DISP_E_OVERFLOW);
  Convert(Variant::String("12abc"), VT_I4, &hr);
  EXPECT_EQ(hr, DISP_E_TYPEMISMATCH);
  Convert(Variant::String("0x10"), VT_I4, &hr);
  EXPECT_EQ(hr, DISP_E_TYPEMISMATCH);
  EXPECT_EQ(VariantToString(Variant::Null()), "");
}

TEST(Variant, FloatToIntegerRoundsHalfToEven) {
  EXPECT_EQ(Convert(Variant::R8(2.5), VT_I4).lVal, 2);
  EXPECT_EQ(Convert(Variant::R8(3.5), VT_I4).lVal, 4);
  EXPECT_EQ(Convert(Variant::String(" 1.5 "), VT_I2).iVal, 2);
  EXPECT_EQ(Convert(Variant::R8(-2147483648.0), VT_I4).lVal, INT32_MIN);
}

TEST(Variant, CurrencyAndDecimalKeepEveryDigit) {
  HRESULT hr = S_OK;
  // Texts in and out exactly, past what a double holds.
  const Variant big = Convert(Variant::String(" -79228162514264337593543950.335 "), VT_DECIMAL, &hr);
  ASSERT_EQ(hr, S_OK);
  EXPECT_EQ(Convert(big, VT_BSTR).bstrVal, "-79228162514264337593543950.335");
  EXPECT_EQ(Convert(Variant::String("1.50e2"), VT_DECIMAL).decVal.scale, 0);
  EXPECT_EQ(VariantToString(Convert(Variant::String("0.000000000000000000000000000049"), VT_DECIMAL)),
            "0");  // beyond 28 decimals: rounded half to even
  Convert(Variant::String("79228162514264337593543950336"), VT_DECIMAL, &hr);
  EXPECT_EQ(hr, DISP_E_OVERFLOW);  // more than 96 bits
  Convert(Variant::String("12a"), VT_DECIMAL, &hr);
  EXPECT_EQ(hr, DISP_E_TYPEMISMATCH);
  // Floats through their shortest text, and back as doubles.
  EXPECT_EQ(VariantToString(Convert(Variant::R8(12.34), VT_DECIMAL)), "12.34");
  EXPECT_EQ(Convert(Convert(Variant::String("1234567890125.5"), VT_DECIMAL), VT_R8).dblVal, 1234567890125.5);
  EXPECT_EQ(Convert(Variant::String("12.5"), VT_DECIMAL), Convert(Variant::String("12.500"), VT_DECIMAL));

  // Currency: ten-thousandths, rounded half to even.
  EXPECT_EQ(Convert(Variant::String("12.34565"), VT_CY).cyVal, 123456);
  EXPECT_EQ(Convert(Variant::String("-0.00015"), VT_CY).cyVal, -2);
  EXPECT_EQ(Convert(Variant::R8(12.5), VT_CY).cyVal, 125000);
  EXPECT_EQ(VariantToString(Variant::Currency(-922337203685477580LL)), "-92233720368547.758");
  EXPECT_EQ(Convert(Variant::Currency(125000), VT_R8).dblVal, 12.5);
  EXPECT_EQ(Convert(Variant::Currency(125000), VT_I4).lVal, 12);  // half to even
  Convert(Variant::String("922337203685478"), VT_CY, &hr);
  EXPECT_EQ(hr, DISP_E_OVERFLOW);
  EXPECT_EQ(VariantToString(Convert(Variant::Currency(-5), VT_DECIMAL)), "-0.0005");
}

TEST(Variant, ArraysConvertElementwise) {
  Variant a = Variant::Array(VT_I2, {Variant::I2(1), Variant::I2(-2)});
  Variant b = Convert(a, static_cast<VARTYPE>(VT_ARRAY | VT_R8));
  ASSERT_EQ(b.vt, VT_ARRAY | VT_R8);
  ASSERT_EQ(b.elements.size(), 2u);
  EXPECT_EQ(b.elements[1].dblVal, -2.0);
  HRESULT hr;
  Convert(a, VT_I4, &hr);
  EXPECT_EQ(hr, DISP_E_TYPEMISMATCH);
  EXPECT_EQ(a, Variant::Array(VT_I2, {Variant::I2(1), Variant::I2(-2)}));
}

TEST(OleDate, RoundTripsWholeSeconds) {
  DateTimeFields f;
  f.year = 2009; f.month = 3; f.day = 21; f.hour = 23; f.minute = 59; f.second = 59;
  DATE d;
  ASSERT_TRUE(OleDateFromFields(f, d));
  DateTimeFields back;
  ASSERT_TRUE(FieldsFromOleDate(d, back));
  EXPECT_EQ(back, f);
  EXPECT_EQ(back.dayOfWeek, 6);  // a Saturday
  EXPECT_EQ(back.dayOfYear, 80);
  DateTimeFields epoch;
  ASSERT_TRUE(OleDateFromFields(epoch, d));
  EXPECT_EQ(d, 0.0);
  ASSERT_TRUE(FieldsFromOleDate(-1.25, back));
  EXPECT_EQ(back.day, 29);
  EXPECT_EQ(back.hour, 6);
  // A value a hair below midnight rounds to the next day's 00:00:00.
  ASSERT_TRUE(FieldsFromOleDate(40000.0 - 1e-9, back));
  EXPECT_EQ(back.hour, 0);
  f.day = 30; f.month = 2;
  EXPECT_FALSE(OleDateFromFields(f, d));
}

TEST(OleDate, TextForm) {
  DateTimeFields f;
  f.year = 2012; f.month = 2; f.day = 29; f.hour = 7; f.minute = 5; f.second = 3;
  DATE d;
  ASSERT_TRUE(OleDateFromFields(f, d));
  EXPECT_EQ(Convert(Variant::Date(d), VT_BSTR).bstrVal, "2012-02-29 07:05:03");
  EXPECT_EQ(Convert(Variant::String("2012/02/29 07:05:03"), VT_DATE).date, d);
}

}  // namespace
