#include "common/XmlTextCodec.h"

#include <algorithm>
#include <array>
#include <iterator>

#include "common/XmlSyntax.h"

namespace {

using xmlsyntax::IsAsciiLetter;
using xmlsyntax::IsDigit;
using xmlsyntax::IsHighByte;

struct NamedReferenceEntry {
  std::string_view name;
  std::uint32_t codePoint;
};

// The Latin-1 references name the code points 160..255 in order.
constexpr std::array<std::string_view, 96> kLatin1Names = {
    "nbsp",   "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",   "uml",    "copy",   "ordf",
    "laquo",  "not",    "shy",    "reg",    "macr",   "deg",    "plusmn", "sup2",   "sup3",   "acute",  "micro",
    "para",   "middot", "cedil",  "sup1",   "ordm",   "raquo",  "frac14", "frac12", "frac34", "iquest", "Agrave",
    "Aacute", "Acirc",  "Atilde", "Auml",   "Aring",  "AElig",  "Ccedil", "Egrave", "Eacute", "Ecirc",  "Euml",
    "Igrave", "Iacute", "Icirc",  "Iuml",   "ETH",    "Ntilde", "Ograve", "Oacute", "Ocirc",  "Otilde", "Ouml",
    "times",  "Oslash", "Ugrave", "Uacute", "Ucirc",  "Uuml",   "Yacute", "THORN",  "szlig",  "agrave", "aacute",
    "acirc",  "atilde", "auml",   "aring",  "aelig",  "ccedil", "egrave", "eacute", "ecirc",  "euml",   "igrave",
    "iacute", "icirc",  "iuml",   "eth",    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",   "divide",
    "oslash", "ugrave", "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml"};

constexpr NamedReferenceEntry kOtherReferences[] = {
    // Markup-significant and international characters.
    {"quot", 34}, {"amp", 38}, {"apos", 39}, {"lt", 60}, {"gt", 62},
    {"OElig", 338}, {"oelig", 339}, {"Scaron", 352}, {"scaron", 353}, {"Yuml", 376},
    {"circ", 710}, {"tilde", 732}, {"ensp", 8194}, {"emsp", 8195}, {"thinsp", 8201},
    {"zwnj", 8204}, {"zwj", 8205}, {"lrm", 8206}, {"rlm", 8207}, {"ndash", 8211},
    {"mdash", 8212}, {"lsquo", 8216}, {"rsquo", 8217}, {"sbquo", 8218}, {"ldquo", 8220},
    {"rdquo", 8221}, {"bdquo", 8222}, {"dagger", 8224}, {"Dagger", 8225}, {"permil", 8240},
    {"lsaquo", 8249}, {"rsaquo", 8250}, {"euro", 8364},
    // Symbols and Greek letters.
    {"fnof", 402},
    {"Alpha", 913}, {"Beta", 914}, {"Gamma", 915}, {"Delta", 916}, {"Epsilon", 917}, {"Zeta", 918},
    {"Eta", 919}, {"Theta", 920}, {"Iota", 921}, {"Kappa", 922}, {"Lambda", 923}, {"Mu", 924},
    {"Nu", 925}, {"Xi", 926}, {"Omicron", 927}, {"Pi", 928}, {"Rho", 929}, {"Sigma", 931},
    {"Tau", 932}, {"Upsilon", 933}, {"Phi", 934}, {"Chi", 935}, {"Psi", 936}, {"Omega", 937},
    {"alpha", 945}, {"beta", 946}, {"gamma", 947}, {"delta", 948}, {"epsilon", 949}, {"zeta", 950},
    {"eta", 951}, {"theta", 952}, {"iota", 953}, {"kappa", 954}, {"lambda", 955}, {"mu", 956},
    {"nu", 957}, {"xi", 958}, {"omicron", 959}, {"pi", 960}, {"rho", 961}, {"sigmaf", 962},
    {"sigma", 963}, {"tau", 964}, {"upsilon", 965}, {"phi", 966}, {"chi", 967}, {"psi", 968},
    {"omega", 969}, {"thetasym", 977}, {"upsih", 978}, {"piv", 982},
    {"bull", 8226}, {"hellip", 8230}, {"prime", 8242}, {"Prime", 8243}, {"oline", 8254}, {"frasl", 8260},
    {"weierp", 8472}, {"image", 8465}, {"real", 8476}, {"trade", 8482}, {"alefsym", 8501},
    {"larr", 8592}, {"uarr", 8593}, {"rarr", 8594}, {"darr", 8595}, {"harr", 8596}, {"crarr", 8629},
    {"lArr", 8656}, {"uArr", 8657}, {"rArr", 8658}, {"dArr", 8659}, {"hArr", 8660},
    {"forall", 8704}, {"part", 8706}, {"exist", 8707}, {"empty", 8709}, {"nabla", 8711}, {"isin", 8712},
    {"notin", 8713}, {"ni", 8715}, {"prod", 8719}, {"sum", 8721}, {"minus", 8722}, {"lowast", 8727},
    {"radic", 8730}, {"prop", 8733}, {"infin", 8734}, {"ang", 8736}, {"and", 8743}, {"or", 8744},
    {"cap", 8745}, {"cup", 8746}, {"int", 8747}, {"there4", 8756}, {"sim", 8764}, {"cong", 8773},
    {"asymp", 8776}, {"ne", 8800}, {"equiv", 8801}, {"le", 8804}, {"ge", 8805}, {"sub", 8834},
    {"sup", 8835}, {"nsub", 8836}, {"sube", 8838}, {"supe", 8839}, {"oplus", 8853}, {"otimes", 8855},
    {"perp", 8869}, {"sdot", 8901}, {"lceil", 8968}, {"rceil", 8969}, {"lfloor", 8970}, {"rfloor", 8971},
    {"lang", 9001}, {"rang", 9002}, {"loz", 9674}, {"spades", 9824}, {"clubs", 9827}, {"hearts", 9829},
    {"diams", 9830}};

// A reference name is at most this long; longer runs up to ";" are plain text.
constexpr std::size_t kMaxReferenceNameLength = 9;

void AppendUtf8(std::string& out, std::uint32_t codePoint) {
  if (codePoint < 0x80) {
    out += static_cast<char>(codePoint);
  } else if (codePoint < 0x800) {
    out += static_cast<char>(0xC0 | (codePoint >> 6));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else if (codePoint < 0x10000) {
    out += static_cast<char>(0xE0 | (codePoint >> 12));
    out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (codePoint >> 18));
    out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  }
}

bool IsReferenceStart(char c) { return IsAsciiLetter(c) || c == '#' || c == '_' || c == ':' || IsHighByte(c); }

bool IsReferenceChar(char c) {
  return IsAsciiLetter(c) || IsDigit(c) || c == '_' || c == ':' || c == '-' || c == '.' || IsHighByte(c);
}

// Length of the reference ("&...;") that begins at `at`, or 0 when none does.
std::size_t ReferenceLengthAt(std::string_view text, std::size_t at) {
  std::size_t i = at + 1;
  if (i >= text.size() || !IsReferenceStart(text[i])) return 0;
  ++i;
  while (i < text.size() && IsReferenceChar(text[i])) ++i;
  if (i >= text.size() || text[i] != ';') return 0;
  return i - at + 1;
}

// The code point of "#65" or "#x41" (already folded to small letters), 0 when invalid.
std::uint32_t NumericReference(std::string_view name) {
  std::size_t i = 1;
  const bool hex = name.size() > 1 && name[1] == 'x';
  if (hex) ++i;
  if (i >= name.size()) return 0;
  std::uint32_t value = 0;
  for (; i < name.size(); ++i) {
    const char c = name[i];
    std::uint32_t digit;
    if (IsDigit(c)) {
      digit = static_cast<std::uint32_t>(c - '0');
    } else if (hex && c >= 'a' && c <= 'f') {
      digit = static_cast<std::uint32_t>(c - 'a' + 10);
    } else {
      return 0;
    }
    value = value * (hex ? 16 : 10) + digit;
    if (value > 0x10FFFF) return 0;  // beyond Unicode: no character to give
  }
  return value;
}

}  // namespace

std::uint32_t XmlTextCodec::NamedReference(std::string_view name) {
  const auto latin1 = std::find(kLatin1Names.begin(), kLatin1Names.end(), name);
  if (latin1 != kLatin1Names.end()) return 160 + static_cast<std::uint32_t>(latin1 - kLatin1Names.begin());
  for (const NamedReferenceEntry& entry : kOtherReferences) {
    if (entry.name == name) return entry.codePoint;
  }
  return 0;
}

int XmlTextCodec::NamedReferenceCount() {
  return static_cast<int>(kLatin1Names.size() + std::size(kOtherReferences));
}

std::string XmlTextCodec::Escape(std::string_view text, std::uint32_t flags) {
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    switch (c) {
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '&':
        if (flags & kKeepReferences) {
          if (const std::size_t length = ReferenceLengthAt(text, i)) {
            out += text.substr(i, length);
            i += length - 1;
            break;
          }
        }
        out += "&amp;";
        break;
      case '\'': out += (flags & kEscapeQuotes) ? "&apos;" : "'"; break;
      case '"': out += (flags & kEscapeQuotes) ? "&quot;" : "\""; break;
      default: out += c; break;  // bytes of a UTF-8 sequence pass whole
    }
  }
  return out;
}

std::string XmlTextCodec::Unescape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c != '&') {
      out += c;
      ++i;
      continue;
    }
    // Read the name up to ";" (bounded, and never across a non-ASCII byte).
    std::size_t end = i + 1;
    bool plain = false;
    while (end < text.size() && text[end] != ';') {
      if (IsHighByte(text[end]) || end - i - 1 >= kMaxReferenceNameLength) {
        plain = true;
        break;
      }
      ++end;
    }
    if (plain || end >= text.size()) {
      out += c;
      ++i;
      continue;
    }
    const std::string_view written = text.substr(i + 1, end - i - 1);
    std::string folded(written);
    for (char& f : folded) f = xmlsyntax::FoldAscii(f);
    std::uint32_t codePoint = 0;
    if (!folded.empty() && folded[0] == '#') {
      codePoint = NumericReference(folded);
    } else if (!folded.empty()) {
      // The name as written first, so that "&Agrave;" and "&agrave;" stay two
      // letters; the folded name still accepts "&AMP;".
      codePoint = NamedReference(written);
      if (codePoint == 0) codePoint = NamedReference(folded);
    }
    // Surrogate halves are no characters on their own.
    if (codePoint == 0 || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
      out += c;
      ++i;
      continue;
    }
    AppendUtf8(out, codePoint);
    i = end + 1;
  }
  return out;
}

std::string XmlTextCodec::CdataSection(std::string_view text) {
  std::string out = "<![CDATA[";
  std::size_t from = 0;
  for (;;) {
    const std::size_t found = text.find("]]>", from);
    if (found == std::string_view::npos) break;
    out += text.substr(from, found - from);
    out += "]]]]><![CDATA[>";
    from = found + 3;
  }
  out += text.substr(from);
  out += "]]>";
  return out;
}
