#include "platform/db/JournalFormat.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/base/Text.h"
#include "platform/base/Variant.h"

namespace ruv::db {
namespace {

void AppendEscaped(std::string_view text, std::string& out) {
  for (char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      default: out += c;
    }
  }
}

bool Unescape(std::string_view text, std::string& out) {
  out.clear();
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (++i >= text.size()) return false;
    switch (text[i]) {
      case '\\': out += '\\'; break;
      case 't': out += '\t'; break;
      case 'n': out += '\n'; break;
      case 'r': out += '\r'; break;
      default: return false;
    }
  }
  return true;
}

// The type of a value in the journal and its payload: numbers exactly (reals
// in hexadecimal), a currency as its ten-thousandths, a decimal as its digits.
struct JournalType {
  VARTYPE vt;
  const char* name;
};
constexpr JournalType kJournalTypes[] = {
    {VT_NULL, "null"},     {VT_I1, "i1"},          {VT_UI1, "ui1"},       {VT_I2, "i2"},
    {VT_UI2, "ui2"},       {VT_I4, "i4"},          {VT_UI4, "ui4"},       {VT_BOOL, "bool"},
    {VT_CY, "currency"},   {VT_DECIMAL, "decimal"}, {VT_R4, "single"},    {VT_R8, "double"},
    {VT_DATE, "date"},     {VT_BSTR, "text"}};

void EncodeValue(const Variant& value, std::string& type, std::string& payload) {
  VARTYPE vt = value.vt == VT_EMPTY ? static_cast<VARTYPE>(VT_NULL) : value.vt;
  payload.clear();
  switch (vt) {
    case VT_NULL: break;
    case VT_I1: payload = std::to_string(value.cVal); break;
    case VT_UI1: payload = std::to_string(value.bVal); break;
    case VT_I2: payload = std::to_string(value.iVal); break;
    case VT_UI2: payload = std::to_string(value.uiVal); break;
    case VT_I4: payload = std::to_string(value.lVal); break;
    case VT_UI4: payload = std::to_string(value.ulVal); break;
    case VT_BOOL: payload = std::to_string(value.boolVal); break;
    case VT_CY: payload = std::to_string(value.cyVal); break;
    case VT_DECIMAL: payload = VariantToString(value); break;
    case VT_R4: payload = ruv::Format("%a", static_cast<double>(value.fltVal)); break;
    case VT_R8: payload = ruv::Format("%a", value.dblVal); break;
    case VT_DATE: payload = ruv::Format("%a", value.date); break;
    case VT_BSTR: payload = value.bstrVal; break;
    default:
      vt = VT_BSTR;
      payload = VariantToString(value);
  }
  type = "text";
  for (const JournalType& known : kJournalTypes)
    if (known.vt == vt) type = known.name;
}

bool DecodeValue(std::string_view type, const std::string& payload, Variant& value) {
  const char* start = payload.c_str();
  char* end = nullptr;
  auto whole = [&](long long low, long long high, long long& number) {
    if (payload.empty() || std::isspace(static_cast<unsigned char>(payload[0]))) return false;
    errno = 0;
    number = std::strtoll(start, &end, 10);
    return errno == 0 && end == start + payload.size() && number >= low && number <= high;
  };
  auto real = [&](double& number) {
    if (payload.empty() || std::isspace(static_cast<unsigned char>(payload[0]))) return false;
    number = std::strtod(start, &end);
    return end == start + payload.size();
  };
  long long n = 0;
  double d = 0;
  if (type == "text") { value = Variant::String(payload); return true; }
  if (type == "null") { value = Variant::Null(); return payload.empty(); }
  if (type == "i1") { if (!whole(INT8_MIN, INT8_MAX, n)) return false; value = Variant::I1(static_cast<std::int8_t>(n)); return true; }
  if (type == "ui1") { if (!whole(0, UINT8_MAX, n)) return false; value = Variant::UI1(static_cast<std::uint8_t>(n)); return true; }
  if (type == "i2") { if (!whole(INT16_MIN, INT16_MAX, n)) return false; value = Variant::I2(static_cast<std::int16_t>(n)); return true; }
  if (type == "ui2") { if (!whole(0, UINT16_MAX, n)) return false; value = Variant::UI2(static_cast<std::uint16_t>(n)); return true; }
  if (type == "i4") { if (!whole(INT32_MIN, INT32_MAX, n)) return false; value = Variant::I4(static_cast<std::int32_t>(n)); return true; }
  if (type == "ui4") { if (!whole(0, UINT32_MAX, n)) return false; value = Variant::UI4(static_cast<std::uint32_t>(n)); return true; }
  if (type == "bool") { if (!whole(-1, 0, n)) return false; value = Variant::Bool(n != 0); return true; }
  if (type == "currency") { if (!whole(LLONG_MIN, LLONG_MAX, n)) return false; value = Variant::Currency(n); return true; }
  if (type == "decimal") return !payload.empty() && VariantChangeType(value, Variant::String(payload), VT_DECIMAL) == S_OK;
  if (type == "single") { if (!real(d)) return false; value = Variant::R4(static_cast<float>(d)); return true; }
  if (type == "double") { if (!real(d)) return false; value = Variant::R8(d); return true; }
  if (type == "date") { if (!real(d)) return false; value = Variant::Date(d); return true; }
  return false;
}

const char* KindWord(PendingWrite::Kind kind) {
  switch (kind) {
    case PendingWrite::Kind::Insert: return "insert";
    case PendingWrite::Kind::Update: return "update";
    case PendingWrite::Kind::Delete: return "delete";
  }
  return "?";
}

}  // namespace

void AppendJournalField(std::string_view text, std::string& out) { AppendEscaped(text, out); }

// Its kind, token, table, row ("id:<id>", or "new:<n>" for a kept new row)
// and, per column, its name, type and value. Escaped into `out` as it goes: a
// value may be long.
void AppendJournalWrite(const PendingWrite& write, std::string& out, const std::vector<std::string>* tableColumns) {
  out += KindWord(write.kind);
  for (const std::string* field : {&write.token, &write.table}) {
    out += '\t';
    AppendEscaped(*field, out);
  }
  out += write.newRow != 0 ? "\tnew:" + std::to_string(write.newRow) : "\tid:" + std::to_string(write.rowId);
  static const std::vector<std::string> kNoNames;
  const std::vector<std::string>& names = write.statement ? write.statement->columnNames : kNoNames;
  std::size_t i = 0;
  std::string type, payload;
  write.columns.ForEach([&](const KeptValues::Entry& entry) {
    const std::size_t at = i++;
    if (entry.column == write.idColumn) return;  // a kept new row's id is its handle: given when written
    if (entry.vt != VT_BSTR) EncodeValue(entry.ToVariant(), type, payload);
    out += '\t';
    const auto column = static_cast<std::size_t>(entry.column);
    AppendEscaped(at < names.size()                                   ? std::string_view(names[at])
                  : tableColumns && column < tableColumns->size() ? std::string_view((*tableColumns)[column])
                                                                   : std::string_view(),
                  out);
    out += '\t';
    out += entry.vt == VT_BSTR ? "text" : type;
    out += '\t';
    AppendEscaped(entry.vt == VT_BSTR ? entry.text : std::string_view(payload), out);
  });
}

namespace {

// "<pid>-<time>-<random>-<n>", lower-case hexadecimal but n.
bool IsToken(const std::string& token) {
  int dashes = 0;
  char last = '-';
  for (char c : token) {
    if (c == '-') {
      if (last == '-') return false;
      ++dashes;
    } else if (!std::isdigit(static_cast<unsigned char>(c)) && (c < 'a' || c > 'f')) {
      return false;
    }
    last = c;
  }
  return dashes == 3 && last != '-' && token.size() < 80 &&
         token.find_first_not_of("0123456789", token.rfind('-') + 1) == std::string::npos;
}


bool TakeRowNumber(const std::string& text, long long& number) {
  if (text.empty() || text.size() > 19 || text.find_first_not_of("-0123456789") != std::string::npos) return false;
  char* end = nullptr;
  errno = 0;
  number = std::strtoll(text.c_str(), &end, 10);
  return errno == 0 && end == text.c_str() + text.size() && std::to_string(number) == text;
}

}  // namespace

bool DecodeJournalWrite(std::string_view line, JournalLine& decoded, std::string& why) {
  PendingWrite& write = decoded.write;
  write = PendingWrite();
  decoded.count = 0;
  std::vector<std::string_view>& fields = decoded.fields;
  fields.clear();
  std::string scratch;
  for (std::size_t at = 0;;) {
    const std::size_t tab = line.find('\t', at);
    fields.push_back(line.substr(at, tab == std::string_view::npos ? std::string_view::npos : tab - at));
    if (fields.back().find('\\') != std::string_view::npos && !Unescape(fields.back(), scratch)) {
      why = "a broken escape";
      return false;
    }
    if (tab == std::string_view::npos) break;
    at = tab + 1;
  }
  // Field `i` as the line means it, in `out`.
  const auto text = [&](std::size_t i, std::string& out) {
    if (fields[i].find('\\') == std::string_view::npos) out.assign(fields[i]);
    else Unescape(fields[i], out);
  };
  why = "a field is missing or malformed";
  if (fields.size() < 4 || (fields.size() - 4) % 3 != 0) return false;
  text(0, scratch);
  if (scratch == "insert") write.kind = PendingWrite::Kind::Insert;
  else if (scratch == "update") write.kind = PendingWrite::Kind::Update;
  else if (scratch == "delete") write.kind = PendingWrite::Kind::Delete;
  else return false;
  text(1, write.token);
  if (!IsToken(write.token)) {
    why = "the token \"" + write.token + "\" is not one this program gives";
    return false;
  }
  text(2, write.table);
  std::string row;
  text(3, row);
  long long number = 0;
  if (row.rfind("new:", 0) == 0 && TakeRowNumber(row.substr(4), number) && number != 0 &&
      (write.kind != PendingWrite::Kind::Insert || number > 0)) {
    write.newRow = number;
  } else if (row.rfind("id:", 0) == 0 && TakeRowNumber(row.substr(3), number) && number >= 0 &&
             write.kind != PendingWrite::Kind::Insert) {
    write.rowId = number;
  } else {
    why = "the row \"" + row + "\" is not a row's id nor a kept new row";
    return false;
  }
  std::string type, payload;
  for (std::size_t i = 4; i < fields.size(); i += 3) {
    const std::size_t n = decoded.count++;
    if (decoded.names.size() <= n) {
      decoded.names.emplace_back();
      decoded.values.emplace_back();
    }
    text(i, decoded.names[n]);
    text(i + 1, type);
    Variant& value = decoded.values[n];
    if (type == "text") {
      // Straight into the value: a text may be long.
      value.vt = VT_BSTR;
      text(i + 2, value.bstrVal);
      continue;
    }
    text(i + 2, payload);
    if (!DecodeValue(type, payload, value)) {
      why = "the value of " + decoded.names[n] + " is not a " + type;
      return false;
    }
  }
  if (write.kind == PendingWrite::Kind::Delete ? decoded.count != 0
                                               : write.kind == PendingWrite::Kind::Update && decoded.count == 0) {
    why = "a deletion with values or a change without any";
    return false;
  }
  return true;
}

}  // namespace ruv::db
