// The version 1.0 stream images: golden bytes pin the layout the client and the
// server share; malformed images are refused whole.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "platform/opc/OpcStreamReader.h"
#include "platform/opc/OpcStreamWriter.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes DataStreamOf(const Variant& value, bool withTime = false) {
  OpcDataStream stream;
  stream.clientGroup = 7;
  stream.items.push_back({5, OPC_QUALITY_GOOD, FILETIME{}, value});
  Bytes bytes;
  EXPECT_TRUE(WriteOpcDataStream(stream, withTime, bytes));
  return bytes;
}

// The 16-byte value image of a one-item "OPCSTMFORMATDATA" stream.
Bytes ValueImage(const Variant& value) {
  Bytes bytes = DataStreamOf(value);
  return Bytes(bytes.begin() + 32, bytes.begin() + 48);
}

Bytes Image(std::uint16_t vt, Bytes payload) {
  Bytes image = {static_cast<std::uint8_t>(vt), static_cast<std::uint8_t>(vt >> 8), 0, 0, 0, 0, 0, 0};
  payload.resize(8, 0);
  image.insert(image.end(), payload.begin(), payload.end());
  return image;
}

void Put32(Bytes& bytes, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

Variant Array2x3() {
  Variant v;
  v.vt = VT_ARRAY | VT_I2;
  v.bounds = {{2, 0}, {3, 1}};
  for (int i = 1; i <= 6; ++i) v.elements.push_back(Variant::I2(static_cast<std::int16_t>(i)));
  return v;
}

}  // namespace

TEST(OpcStreamGolden, ScalarValueImagesOfEveryType) {
  EXPECT_EQ(ValueImage(Variant()), Image(VT_EMPTY, {}));
  EXPECT_EQ(ValueImage(Variant::Null()), Image(VT_NULL, {}));
  EXPECT_EQ(ValueImage(Variant::I1(-128)), Image(VT_I1, {0x80}));
  EXPECT_EQ(ValueImage(Variant::UI1(200)), Image(VT_UI1, {0xC8}));
  EXPECT_EQ(ValueImage(Variant::I2(-2)), Image(VT_I2, {0xFE, 0xFF}));
  EXPECT_EQ(ValueImage(Variant::UI2(65535)), Image(VT_UI2, {0xFF, 0xFF}));
  EXPECT_EQ(ValueImage(Variant::I4(-1)), Image(VT_I4, {0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(ValueImage(Variant::UI4(0xDEADBEEFu)), Image(VT_UI4, {0xEF, 0xBE, 0xAD, 0xDE}));
  EXPECT_EQ(ValueImage(Variant::R4(1.5f)), Image(VT_R4, {0x00, 0x00, 0xC0, 0x3F}));
  EXPECT_EQ(ValueImage(Variant::R8(-2.5)), Image(VT_R8, {0, 0, 0, 0, 0, 0, 0x04, 0xC0}));
  EXPECT_EQ(ValueImage(Variant::Date(2.0)), Image(VT_DATE, {0, 0, 0, 0, 0, 0, 0, 0x40}));
  EXPECT_EQ(ValueImage(Variant::Bool(true)), Image(VT_BOOL, {0xFF, 0xFF}));
  EXPECT_EQ(ValueImage(Variant::Bool(false)), Image(VT_BOOL, {}));
  EXPECT_EQ(ValueImage(Variant::Error(static_cast<SCODE>(0x80004005u))), Image(VT_ERROR, {0x05, 0x40, 0x00, 0x80}));
}

TEST(OpcStreamGolden, DataStreamWithOneIntegerItem) {
  const Bytes expected = {
      0x30, 0, 0, 0, 0x01, 0, 0, 0, 0x07, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // header
      0x05, 0, 0, 0, 0x20, 0, 0, 0, 0xC0, 0, 0, 0,                          // item header
      0x02, 0, 0, 0, 0, 0, 0, 0, 0xFE, 0xFF, 0, 0, 0, 0, 0, 0};             // value
  EXPECT_EQ(DataStreamOf(Variant::I2(-2)), expected);
  OpcDataStream parsed;
  ASSERT_EQ(ReadOpcDataStream(expected.data(), expected.size(), false, parsed), OpcStreamError::None);
  EXPECT_EQ(parsed.clientGroup, 7u);
  ASSERT_EQ(parsed.items.size(), 1u);
  EXPECT_EQ(parsed.items[0].clientItem, 5u);
  EXPECT_EQ(parsed.items[0].quality, OPC_QUALITY_GOOD);
  EXPECT_EQ(parsed.items[0].value, Variant::I2(-2));
}

TEST(OpcStreamGolden, TimeStampedStringItem) {
  OpcDataStream stream;
  stream.clientGroup = 7;
  stream.transactionId = 9;
  stream.items.push_back({5, OPC_QUALITY_GOOD, FILETIME::From(0x01D23456789ABCDEull), Variant::String("Ab")});
  Bytes bytes;
  ASSERT_TRUE(WriteOpcDataStream(stream, true, bytes));
  const Bytes expected = {
      0x42, 0, 0, 0, 0x01, 0, 0, 0, 0x07, 0, 0, 0, 0x09, 0, 0, 0, 0, 0, 0, 0,
      0x05, 0, 0, 0, 0x28, 0, 0, 0, 0xC0, 0, 0, 0, 0xDE, 0xBC, 0x9A, 0x78, 0x56, 0x34, 0xD2, 0x01,
      0x08, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
      0x02, 0, 0, 0, 0x41, 0x00, 0x62, 0x00, 0x00, 0x00};
  EXPECT_EQ(bytes, expected);
  OpcDataStream parsed;
  ASSERT_EQ(ReadOpcDataStream(bytes.data(), bytes.size(), true, parsed), OpcStreamError::None);
  EXPECT_EQ(parsed.transactionId, 9u);
  EXPECT_EQ(parsed.items[0].timeStamp.Value(), 0x01D23456789ABCDEull);
  EXPECT_EQ(parsed.items[0].value, Variant::String("Ab"));
}

TEST(OpcStreamGolden, StringsEmptyAndBeyondTheBasicPlane) {
  OpcDataStream parsed;
  Bytes empty = DataStreamOf(Variant::String(""));
  ASSERT_EQ(empty.size(), 48u + 4 + 2);
  ASSERT_EQ(ReadOpcDataStream(empty.data(), empty.size(), false, parsed), OpcStreamError::None);
  EXPECT_EQ(parsed.items[0].value, Variant::String(""));

  const std::string persian = "\xD9\x83\xD9\x8A \xF0\x9F\x98\x80";  // kaf, yeh, blank, one surrogate pair
  Bytes wide = DataStreamOf(Variant::String(persian));
  EXPECT_EQ(wide[48], 5);  // five UTF-16 units
  ASSERT_EQ(ReadOpcDataStream(wide.data(), wide.size(), false, parsed), OpcStreamError::None);
  EXPECT_EQ(parsed.items[0].value.bstrVal, persian);
}

TEST(OpcStreamGolden, TwoDimensionalArray) {
  const Bytes expected = {
      0x5C, 0, 0, 0, 0x01, 0, 0, 0, 0x07, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
      0x05, 0, 0, 0, 0x20, 0, 0, 0, 0xC0, 0, 0, 0,
      0x02, 0x20, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
      0x02, 0, 0, 0, 0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // dims, features, element size, locks, data
      0x02, 0, 0, 0, 0, 0, 0, 0, 0x03, 0, 0, 0, 0x01, 0, 0, 0,
      0x01, 0, 0x02, 0, 0x03, 0, 0x04, 0, 0x05, 0, 0x06, 0};
  EXPECT_EQ(DataStreamOf(Array2x3()), expected);
  OpcDataStream parsed;
  ASSERT_EQ(ReadOpcDataStream(expected.data(), expected.size(), false, parsed), OpcStreamError::None);
  EXPECT_EQ(parsed.items[0].value, Array2x3());
}

TEST(OpcStreamGolden, OneDimensionalArraysOfEachElementType) {
  const std::vector<Variant> arrays = {
      Variant::Array(VT_I1, {Variant::I1(-1), Variant::I1(2)}),
      Variant::Array(VT_UI1, {Variant::UI1(255)}),
      Variant::Array(VT_UI2, {Variant::UI2(1), Variant::UI2(2)}),
      Variant::Array(VT_I4, {Variant::I4(-7)}),
      Variant::Array(VT_UI4, {Variant::UI4(7)}),
      Variant::Array(VT_R4, {Variant::R4(0.25f), Variant::R4(-1.0f)}),
      Variant::Array(VT_R8, {Variant::R8(3.5)}),
      Variant::Array(VT_R8, {}),
  };
  for (const Variant& array : arrays) {
    Bytes bytes = DataStreamOf(array);
    ASSERT_EQ(bytes.size(), 48 + 16 + 8 + array.elements.size() * OpcStreamElementSize(array.ElementType()));
    EXPECT_EQ(bytes[52], OpcStreamElementSize(array.ElementType()));
    OpcDataStream parsed;
    ASSERT_EQ(ReadOpcDataStream(bytes.data(), bytes.size(), false, parsed), OpcStreamError::None);
    EXPECT_EQ(parsed.items[0].value, array) << VarTypeName(array.vt);
  }
  const Bytes floats = DataStreamOf(Variant::Array(VT_R4, {Variant::R4(1.5f)}));
  EXPECT_EQ(Bytes(floats.end() - 4, floats.end()), (Bytes{0x00, 0x00, 0xC0, 0x3F}));
}

TEST(OpcStreamGolden, WriteCompleteRecords) {
  OpcWriteCompleteStream stream;
  stream.clientGroup = 7;
  stream.transactionId = 3;
  stream.status = S_FALSE;
  stream.items = {{5, S_OK}, {6, E_FAIL}};
  const Bytes expected = {0x02, 0, 0, 0, 0x07, 0, 0, 0, 0x03, 0, 0, 0, 0x01, 0, 0, 0,
                          0x05, 0, 0, 0, 0, 0, 0, 0, 0x06, 0, 0, 0, 0x05, 0x40, 0x00, 0x80};
  EXPECT_EQ(WriteOpcWriteCompleteStream(stream), expected);
  OpcWriteCompleteStream parsed;
  ASSERT_EQ(ReadOpcWriteCompleteStream(expected.data(), expected.size(), parsed), OpcStreamError::None);
  EXPECT_EQ(parsed.transactionId, 3u);
  ASSERT_EQ(parsed.items.size(), 2u);
  EXPECT_EQ(parsed.items[1].clientItem, 6u);
  EXPECT_EQ(parsed.items[1].error, E_FAIL);
}

TEST(OpcStreamGolden, WriterRefusesWhatTheLayoutCannotCarry) {
  OpcDataStream stream;
  Variant big;
  big.vt = VT_I8;
  stream.items.push_back({1, 0, FILETIME{}, big});
  Bytes bytes;
  EXPECT_FALSE(WriteOpcDataStream(stream, false, bytes));
  EXPECT_TRUE(bytes.empty());
  Variant ragged = Array2x3();
  ragged.elements.pop_back();
  stream.items[0].value = ragged;
  EXPECT_FALSE(WriteOpcDataStream(stream, false, bytes));
}

// Each malformed image gives its own error and leaves the output as it was.
class MalformedStream : public ::testing::Test {
 protected:
  OpcStreamError Read(const Bytes& bytes, bool withTime = false) {
    OpcDataStream out;
    out.clientGroup = 4242;
    const OpcStreamError error = ReadOpcDataStream(bytes.data(), bytes.size(), withTime, out);
    if (error != OpcStreamError::None) {
      EXPECT_EQ(out.clientGroup, 4242u);
      EXPECT_TRUE(out.items.empty());
    }
    return error;
  }
};

TEST_F(MalformedStream, HeaderAndCounts) {
  Bytes good = DataStreamOf(Variant::I4(1));
  EXPECT_EQ(Read(Bytes(good.begin(), good.begin() + 19)), OpcStreamError::TooShort);
  EXPECT_EQ(ReadOpcDataStream(nullptr, 0, false, *std::make_unique<OpcDataStream>()), OpcStreamError::TooShort);
  Bytes b = good;
  Put32(b, 0, 19);
  EXPECT_EQ(Read(b), OpcStreamError::BadTotalSize);
  Put32(b, 0, static_cast<std::uint32_t>(good.size() + 1));
  EXPECT_EQ(Read(b), OpcStreamError::BadTotalSize);
  b = good;
  Put32(b, 4, 0xFFFFFFFFu);
  EXPECT_EQ(Read(b), OpcStreamError::CountTooLarge);
  Put32(b, 4, 3);  // 20 + 36 > 48
  EXPECT_EQ(Read(b), OpcStreamError::CountTooLarge);
  b = good;
  EXPECT_EQ(Read(b, true), OpcStreamError::ValueOutOfRange);  // time headers are longer: the value overlaps them
}

TEST_F(MalformedStream, ValueOffsets) {
  Bytes b = DataStreamOf(Variant::I4(1));
  Put32(b, 24, 31);  // inside the item headers
  EXPECT_EQ(Read(b), OpcStreamError::ValueOutOfRange);
  Put32(b, 24, 33);  // the value would end past the stream
  EXPECT_EQ(Read(b), OpcStreamError::ValueOutOfRange);
  Put32(b, 24, 0xFFFFFFF8u);
  EXPECT_EQ(Read(b), OpcStreamError::ValueOutOfRange);
  // The declared total size bounds everything, even when the memory block is longer.
  Bytes longer = DataStreamOf(Variant::I4(1));
  longer.resize(longer.size() + 64, 0);
  EXPECT_EQ(Read(longer), OpcStreamError::None);
  Put32(longer, 24, 48);
  EXPECT_EQ(Read(longer), OpcStreamError::ValueOutOfRange);
}

TEST_F(MalformedStream, ValueTypes) {
  Bytes b = DataStreamOf(Variant::I4(1));
  for (std::uint16_t vt : {std::uint16_t{VT_I8}, std::uint16_t{VT_CY}, std::uint16_t{VT_VARIANT},
                           std::uint16_t{0x4003}, std::uint16_t{VT_ARRAY | VT_BSTR}, std::uint16_t{VT_ARRAY | VT_BOOL},
                           std::uint16_t{0xFFFF}}) {
    b[32] = static_cast<std::uint8_t>(vt);
    b[33] = static_cast<std::uint8_t>(vt >> 8);
    EXPECT_EQ(Read(b), OpcStreamError::UnsupportedType) << vt;
  }
}

TEST_F(MalformedStream, Strings) {
  const Bytes good = DataStreamOf(Variant::String("Ab"));
  Bytes b = good;
  Put32(b, 48, 0xFFFFFFFFu);
  EXPECT_EQ(Read(b), OpcStreamError::StringOutOfRange);
  Put32(b, 48, 3);  // one character more than the stream holds with its zero
  EXPECT_EQ(Read(b), OpcStreamError::StringOutOfRange);
  b = good;
  b[56] = 0x20;  // the terminating zero
  EXPECT_EQ(Read(b), OpcStreamError::StringNotTerminated);
  b = Bytes(good.begin(), good.begin() + 50);
  Put32(b, 0, 50);
  EXPECT_EQ(Read(b), OpcStreamError::StringOutOfRange);  // the count itself is cut off
}

TEST_F(MalformedStream, Arrays) {
  const Bytes good = DataStreamOf(Array2x3());
  Bytes b = good;
  b[48] = 0;
  EXPECT_EQ(Read(b), OpcStreamError::ArrayDimensions);
  b[48] = 3;
  EXPECT_EQ(Read(b), OpcStreamError::ArrayDimensions);
  b = good;
  Put32(b, 52, 4);
  EXPECT_EQ(Read(b), OpcStreamError::ElementSizeMismatch);
  b = good;
  Put32(b, 72, 4);  // 2 x 4 elements, six present
  EXPECT_EQ(Read(b), OpcStreamError::ArrayOutOfRange);
  Put32(b, 64, 0x10000);
  Put32(b, 72, 0x10000);  // the product would overflow 32 bits
  EXPECT_EQ(Read(b), OpcStreamError::ArrayOutOfRange);
  Put32(b, 64, 0xFFFFFFFFu);
  Put32(b, 72, 0xFFFFFFFFu);
  EXPECT_EQ(Read(b), OpcStreamError::ArrayOutOfRange);
  b = Bytes(good.begin(), good.begin() + 70);
  Put32(b, 0, 70);
  EXPECT_EQ(Read(b), OpcStreamError::ArrayOutOfRange);  // the second bound is cut off
  // A second item that is malformed spoils the first as well.
  OpcDataStream two;
  two.items.push_back({1, 0, FILETIME{}, Variant::I4(1)});
  two.items.push_back({2, 0, FILETIME{}, Array2x3()});
  Bytes both;
  ASSERT_TRUE(WriteOpcDataStream(two, false, both));
  Put32(both, both.size() - 12 - 16 - 16 + 4, 8);  // the array's element size
  EXPECT_EQ(Read(both), OpcStreamError::ElementSizeMismatch);
}

TEST_F(MalformedStream, WriteCompleteCounts) {
  OpcWriteCompleteStream out;
  out.clientGroup = 99;
  Bytes b = {0x02, 0, 0, 0, 0x07, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x05, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(ReadOpcWriteCompleteStream(b.data(), b.size(), out), OpcStreamError::CountTooLarge);
  EXPECT_EQ(ReadOpcWriteCompleteStream(b.data(), 15, out), OpcStreamError::TooShort);
  Put32(b, 0, 0xFFFFFFFFu);
  EXPECT_EQ(ReadOpcWriteCompleteStream(b.data(), b.size(), out), OpcStreamError::CountTooLarge);
  EXPECT_EQ(out.clientGroup, 99u);
}

TEST(OpcStreamGolden, ArrayWithAnEmptyDimensionRoundTrips) {
  Variant empty;
  empty.vt = VT_ARRAY | VT_I2;
  empty.bounds = {{2, 0}, {0, 0}};
  Bytes bytes = DataStreamOf(empty);
  OpcDataStream parsed;
  ASSERT_EQ(ReadOpcDataStream(bytes.data(), bytes.size(), false, parsed), OpcStreamError::None);
  EXPECT_EQ(parsed.items[0].value, empty);
}
