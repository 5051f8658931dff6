#include "platform/db/KeptValues.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/base/Text.h"
#include "platform/db/PendingWrite.h"

namespace ruv::db {
namespace {

// The bytes of a value's payload, by its type; -1: a text (its length first).
int PayloadSize(VARTYPE vt) {
  switch (vt) {
    case VT_EMPTY: case VT_NULL: return 0;
    case VT_I1: case VT_UI1: return 1;
    case VT_I2: case VT_UI2: case VT_BOOL: return 2;
    case VT_I4: case VT_UI4: case VT_R4: case VT_ERROR: case VT_INT: case VT_UINT: return 4;
    case VT_I8: case VT_UI8: case VT_CY: case VT_R8: case VT_DATE: return 8;
    case VT_DECIMAL: return 14;
    default: return -1;
  }
}

// Where a value of type `vt` keeps its payload of PayloadSize bytes (a decimal apart).
const void* PayloadOf(const Variant& value) {
  switch (value.vt) {
    case VT_I1: return &value.cVal;
    case VT_UI1: return &value.bVal;
    case VT_I2: return &value.iVal;
    case VT_UI2: return &value.uiVal;
    case VT_BOOL: return &value.boolVal;
    case VT_I4: case VT_INT: return &value.lVal;
    case VT_UI4: case VT_UINT: return &value.ulVal;
    case VT_ERROR: return &value.scode;
    case VT_R4: return &value.fltVal;
    case VT_R8: return &value.dblVal;
    case VT_DATE: return &value.date;
    case VT_CY: return &value.cyVal;
    default: return &value.llVal;
  }
}

template <typename T>
void AppendRaw(const T& raw, std::string& out) {
  out.append(reinterpret_cast<const char*>(&raw), sizeof raw);
}

template <typename T>
std::size_t ReadRaw(const std::string& bytes, std::size_t at, T& raw) {
  std::memcpy(&raw, bytes.data() + at, sizeof raw);
  return at + sizeof raw;
}

// A number in one form: a whole one as its digits, any other as its exact
// bits in hexadecimal ("%a"), so 10, 10.0f and 1e1 read the same.
void AppendNumber(double number, std::string& out) {
  if (std::isfinite(number) && number == std::trunc(number) && std::fabs(number) < 9.2e18) {
    out += 'i';
    out += std::to_string(static_cast<long long>(number));
  } else {
    out += 'r';
    out += ruv::Format("%a", number);
  }
}

// The earlier version's form, kept to judge the digests it left: a text that
// is a decimal number as a person or a program writes one ("10", "-2.50",
// "1e3") was taken for that number, whatever its column.
bool TextAsNumber(std::string_view text, double& number) {
  if (text.empty() || text.size() > 64) return false;
  bool digit = false;
  for (const char c : text) {
    if (std::isdigit(static_cast<unsigned char>(c))) digit = true;
    else if (c != '+' && c != '-' && c != '.' && c != 'e' && c != 'E') return false;
  }
  if (!digit) return false;
  const std::string whole(text);
  char* end = nullptr;
  number = std::strtod(whole.c_str(), &end);
  return end == whole.c_str() + whole.size();
}

void AppendEarlierCanonical(const KeptValues::Entry& entry, std::string& out) {
  const Variant& value = entry.number;
  double number = 0;
  switch (entry.vt) {
    case VT_EMPTY: case VT_NULL: out += 'n'; return;
    case VT_BSTR:
      if (TextAsNumber(entry.text, number)) break;
      out += 't';
      out += std::to_string(entry.text.size());
      out += ':';
      out += entry.text;
      return;
    // A whole number of any width stays exact (past 2^53 a double would not).
    case VT_I1: out += 'i' + std::to_string(value.cVal); return;
    case VT_UI1: out += 'i' + std::to_string(value.bVal); return;
    case VT_I2: out += 'i' + std::to_string(value.iVal); return;
    case VT_UI2: out += 'i' + std::to_string(value.uiVal); return;
    case VT_BOOL: out += 'i' + std::to_string(value.boolVal); return;
    case VT_I4: case VT_INT: out += 'i' + std::to_string(value.lVal); return;
    case VT_UI4: case VT_UINT: case VT_ERROR: out += 'i' + std::to_string(value.ulVal); return;
    case VT_I8: out += 'i' + std::to_string(value.llVal); return;
    case VT_UI8: out += 'i' + std::to_string(static_cast<std::uint64_t>(value.llVal)); return;
    case VT_CY:
      if (value.cyVal % 10000 == 0) {
        out += 'i' + std::to_string(value.cyVal / 10000);
        return;
      }
      number = static_cast<double>(value.cyVal) / 10000.0;
      break;
    case VT_R4: number = value.fltVal; break;
    case VT_R8: number = value.dblVal; break;
    case VT_DATE: number = value.date; break;
    default: {
      // A decimal, by its digits.
      Variant real;
      if (VariantChangeType(real, entry.ToVariant(), VT_R8) != S_OK) {
        out += 'x' + VariantToString(entry.ToVariant());
        return;
      }
      number = real.dblVal;
    }
  }
  AppendNumber(number, out);
}

// A value as its column holds it: NULL, an integer by its digits, a real by
// its exact bits ("%a"), a text or a blob by its length and bytes.
void AppendCanonical(const KeptValues::Entry& entry, std::string& out) {
  const StoredValue stored = entry.Stored();
  switch (stored.kind) {
    case StoredValue::Kind::Null: out += 'n'; return;
    case StoredValue::Kind::Integer: out += 'i' + std::to_string(stored.integer); return;
    case StoredValue::Kind::Real: out += 'r' + ruv::Format("%a", stored.real); return;
    case StoredValue::Kind::Text: out += 't'; break;
    case StoredValue::Kind::Blob: out += 'b'; break;
  }
  out += std::to_string(stored.bytes.size());
  out += ':';
  out += stored.bytes;
}

bool SameDecimal(const DECIMAL& one, const DECIMAL& other) {
  return one.scale == other.scale && one.sign == other.sign && one.Hi32 == other.Hi32 && one.Lo64 == other.Lo64;
}

}  // namespace

template <typename AppendValue>
std::string KeptValues::Form(int ignoredColumn, AppendValue&& appendValue) const {
  std::vector<std::pair<int, std::string>> columns;
  columns.reserve(m_count);
  ForEach([&](const Entry& entry) {
    if (entry.column == ignoredColumn) return;
    std::string value;
    appendValue(entry, value);
    columns.emplace_back(entry.column, std::move(value));
  });
  std::sort(columns.begin(), columns.end());
  std::string form;
  for (const auto& [column, value] : columns) {
    form += std::to_string(column);
    form += '=';
    form += value;
    form += ';';
  }
  return form;
}

std::string KeptValues::Canonical(int ignoredColumn) const { return Form(ignoredColumn, AppendCanonical); }

std::string KeptValues::EarlierCanonical(int ignoredColumn) const {
  return Form(ignoredColumn, AppendEarlierCanonical);
}

bool KeptValues::SameValues(const KeptValues& other, int ignoredColumn, int otherIgnoredColumn) const {
  std::size_t at = 0, otherAt = 0, i = 0, j = 0;
  Entry mine, theirs;
  for (;;) {
    bool haveMine = false, haveTheirs = false;
    while (!haveMine && i < m_count) {
      at = Read(at, mine);
      ++i;
      haveMine = mine.column != ignoredColumn;
    }
    while (!haveTheirs && j < other.m_count) {
      otherAt = other.Read(otherAt, theirs);
      ++j;
      haveTheirs = theirs.column != otherIgnoredColumn;
    }
    if (!haveMine && !haveTheirs) return true;
    // Held alike so far: the same column, type and payload.
    const bool alike =
        haveMine && haveTheirs && mine.column == theirs.column && mine.vt == theirs.vt &&
        mine.storage.Packed() == theirs.storage.Packed() &&
        (mine.vt == VT_BSTR      ? mine.text == theirs.text
         : mine.vt == VT_DECIMAL ? SameDecimal(mine.number.decVal, theirs.number.decVal)
                                 : mine.number.llVal == theirs.number.llVal);
    if (!alike) break;
  }
  // Held otherwise (another order, type or form): by their canonical forms.
  return Canonical(ignoredColumn) == other.Canonical(otherIgnoredColumn);
}

namespace {

constexpr std::string_view kDigestMark = "2:";

std::string Digest(const PendingWrite& write, const std::string& values) {
  // FNV-1a: short, the same on every machine and in every run.
  std::uint64_t hash = 14695981039346656037ull;
  const auto add = [&hash](std::string_view bytes) {
    for (const char c : bytes) {
      hash ^= static_cast<unsigned char>(c);
      hash *= 1099511628211ull;
    }
  };
  std::string table = write.table;
  for (char& c : table) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  add(std::string(1, static_cast<char>('0' + static_cast<int>(write.kind))));
  add(table);
  add("\n");
  add(values);
  return ruv::Format("%016llx", static_cast<unsigned long long>(hash));
}

}  // namespace

std::string WrittenDigest(const PendingWrite& write) {
  return std::string(kDigestMark) + Digest(write, write.columns.Canonical(write.idColumn));
}

bool WrittenOtherwise(const std::string& digest, const PendingWrite& write) {
  if (digest.empty()) return false;  // kept by a version that kept none
  if (std::string_view(digest).substr(0, kDigestMark.size()) == kDigestMark) return digest != WrittenDigest(write);
  return digest != Digest(write, write.columns.EarlierCanonical(write.idColumn));
}

void KeptValues::Append(int column, const Variant& value, ColumnStorage storage, std::string& out) {
  const bool scalar = !value.IsArray() && PayloadSize(value.vt) >= 0;
  const VARTYPE vt = scalar || value.vt == VT_BSTR ? value.vt : static_cast<VARTYPE>(VT_BSTR);
  AppendRaw(static_cast<std::int16_t>(column), out);
  // Every type kept is below 0x100: its column's storage rides in the high byte.
  AppendRaw(static_cast<VARTYPE>(vt | (storage.Packed() << 8)), out);
  if (vt == VT_BSTR) {
    const std::string other = value.vt == VT_BSTR ? std::string() : VariantToString(value);
    const std::string& text = value.vt == VT_BSTR ? value.bstrVal : other;
    AppendRaw(static_cast<std::uint32_t>(text.size()), out);
    out += text;
  } else if (vt == VT_DECIMAL) {
    AppendRaw(value.decVal.scale, out);
    AppendRaw(value.decVal.sign, out);
    AppendRaw(value.decVal.Hi32, out);
    AppendRaw(value.decVal.Lo64, out);
  } else {
    out.append(static_cast<const char*>(PayloadOf(value)), static_cast<std::size_t>(PayloadSize(vt)));
  }
}

void KeptValues::Add(int column, const Variant& value, ColumnStorage storage) {
  Append(column, value, storage, m_bytes);
  ++m_count;
}

void KeptValues::clear() {
  m_bytes.clear();
  m_count = 0;
}

std::size_t KeptValues::Read(std::size_t at, Entry& entry) const {
  std::int16_t column = 0;
  at = ReadRaw(m_bytes, at, column);
  entry.column = column;
  VARTYPE typeAndStorage = 0;
  at = ReadRaw(m_bytes, at, typeAndStorage);
  entry.vt = static_cast<VARTYPE>(typeAndStorage & 0xFF);
  entry.storage = ColumnStorage::Unpacked(static_cast<std::uint8_t>(typeAndStorage >> 8));
  entry.text = std::string_view();
  entry.number.vt = entry.vt;
  if (entry.vt == VT_BSTR) {
    std::uint32_t size = 0;
    at = ReadRaw(m_bytes, at, size);
    entry.text = std::string_view(m_bytes).substr(at, size);
    return at + size;
  }
  if (entry.vt == VT_DECIMAL) {
    entry.number.decVal = DECIMAL{};
    at = ReadRaw(m_bytes, at, entry.number.decVal.scale);
    at = ReadRaw(m_bytes, at, entry.number.decVal.sign);
    at = ReadRaw(m_bytes, at, entry.number.decVal.Hi32);
    return ReadRaw(m_bytes, at, entry.number.decVal.Lo64);
  }
  const auto size = static_cast<std::size_t>(PayloadSize(entry.vt));
  entry.number.llVal = 0;
  std::memcpy(const_cast<void*>(PayloadOf(entry.number)), m_bytes.data() + at, size);
  return at + size;
}

StoredValue KeptValues::Entry::Stored() const {
  if (vt == VT_BSTR) return StoreTextInColumn(storage, text);
  return StoreInColumn(storage, number);
}

Variant KeptValues::Entry::ToVariant() const {
  if (vt == VT_BSTR) return Variant::String(std::string(text));
  Variant value = number;
  value.vt = vt;
  return value;
}

}  // namespace ruv::db
