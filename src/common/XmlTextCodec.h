#pragma once
// Escaping of XML text and attribute values, the decoding of character and
// entity references, and CDATA sections.
#include <cstdint>
#include <string>
#include <string_view>

class XmlTextCodec {
 public:
  // Flags as the document's edit operations take them.
  static constexpr std::uint32_t kKeepReferences = 8;    // an existing reference is copied unchanged
  static constexpr std::uint32_t kEscapeQuotes = 0x100;  // "'" and '"' are escaped too

  // "<", "&", ">" (and with kEscapeQuotes the apostrophe and double quote)
  // become references.
  static std::string Escape(std::string_view text, std::uint32_t flags);

  // Replaces character references (&#65; &#x41;) and the named references of
  // HTML 4.01 plus &apos; by their UTF-8 bytes. Anything that is not a
  // reference it knows is left as it stands.
  static std::string Unescape(std::string_view text);

  // "<![CDATA[" value "]]>", with every "]]>" inside split across two sections.
  static std::string CdataSection(std::string_view text);

  // The code point of a named reference (case as written), or 0 when unknown.
  static std::uint32_t NamedReference(std::string_view name);
  static int NamedReferenceCount();
};
