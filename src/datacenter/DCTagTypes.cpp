#include "datacenter/DCTagTypes.h"

#include <array>

#include "platform/base/Text.h"

namespace {

constexpr std::array<const char*, 4> kHWTypeWords = {"NULL", "OPC", "ADV", "SRL"};
constexpr std::array<const char*, 4> kIOTypeWords = {"NULL", "INPUT", "OUTPUT", "DUPLEX"};

struct DataTypeWord {
  const char* word;
  VARTYPE type;
};

// Every word the writer produces must read back: "Int Array" for 8195, and the
// array forms of dates, texts and booleans that a first value may have fixed.
constexpr std::array<DataTypeWord, 25> kDataTypeWords = {{
    {"Null", VT_EMPTY},
    {"Bool", VT_BOOL},
    {"Byte", VT_UI1},
    {"Byte Array", VT_ARRAY | VT_UI1},
    {"Char", VT_I1},
    {"Char Array", VT_ARRAY | VT_I1},
    {"Word", VT_UI2},
    {"Word Array", VT_ARRAY | VT_UI2},
    {"Short", VT_I2},
    {"Short Array", VT_ARRAY | VT_I2},
    {"DWord", VT_UI4},
    {"DWord Array", VT_ARRAY | VT_UI4},
    {"Int", VT_I4},
    {"Long", VT_I4},
    {"Long Array", VT_ARRAY | VT_I4},
    {"Int Array", VT_ARRAY | VT_I4},
    {"Float", VT_R4},
    {"Float Array", VT_ARRAY | VT_R4},
    {"Double", VT_R8},
    {"Double Array", VT_ARRAY | VT_R8},
    {"String", VT_BSTR},
    {"Date", VT_DATE},
    {"Date Array", VT_ARRAY | VT_DATE},
    {"String Array", VT_ARRAY | VT_BSTR},
    {"Bool Array", VT_ARRAY | VT_BOOL},
}};

}  // namespace

std::string HWTypeToText(int hwType) {
  if (hwType < 0 || hwType >= static_cast<int>(kHWTypeWords.size())) return std::string();
  return kHWTypeWords[static_cast<std::size_t>(hwType)];
}

int TextToHWType(const std::string& text, std::string& error) {
  error.clear();
  for (std::size_t i = 0; i < kHWTypeWords.size(); ++i) {
    if (text == kHWTypeWords[i]) return static_cast<int>(i);
  }
  error = ruv::Format(" - Unrecognized HWType: '%s' ?", text.c_str());
  return eHWNull;
}

std::string IOTypeToText(int ioType) {
  if (ioType < 0 || ioType >= static_cast<int>(kIOTypeWords.size())) return "NULL";
  return kIOTypeWords[static_cast<std::size_t>(ioType)];
}

int TextToIOType(const std::string& text, std::string& error) {
  error.clear();
  for (std::size_t i = 0; i < kIOTypeWords.size(); ++i) {
    if (text == kIOTypeWords[i]) return static_cast<int>(i);
  }
  error = ruv::Format(" - Unrecognized IOType: '%s' ?", text.c_str());
  return eIONull;
}

std::string VarTypeToText(VARTYPE type) {
  std::string text;
  switch (type & ~VT_ARRAY) {
    case VT_EMPTY:
    case VT_NULL: text = "Null"; break;
    case VT_I2: text = "Short"; break;
    case VT_I4: text = "Int"; break;
    case VT_R4: text = "Float"; break;
    case VT_R8: text = "Double"; break;
    case VT_DATE: text = "Date"; break;
    case VT_BSTR: text = "String"; break;
    case VT_BOOL: text = "Bool"; break;
    case VT_I1: text = "Char"; break;
    case VT_UI1: text = "Byte"; break;
    case VT_UI2: text = "Word"; break;
    case VT_UI4: text = "DWord"; break;
    default: text = "NULL"; break;
  }
  if (type & VT_ARRAY) text += " Array";
  return text;
}

VARTYPE TextToVarType(const std::string& text, std::string& error) {
  error.clear();
  for (const DataTypeWord& entry : kDataTypeWords) {
    if (ruv::EqualsNoCase(text, entry.word)) return entry.type;
  }
  error = ruv::Format(" - Unrecognized DataType: '%s' ?", text.c_str());
  return VT_EMPTY;
}
