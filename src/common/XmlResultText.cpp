#include "common/XmlResultText.h"

#include "common/XmlTextCodec.h"

void XmlResultText::Add(std::string_view word, std::string_view value, bool hasValue, bool valueIsType, int offset,
                        int offset2) {
  if (m_text.size() >= kMaxLength) return;
  // The same bytes an element added without line breaks and given its
  // attributes one by one would have.
  m_text += '<';
  m_text += word;
  if (hasValue) {
    m_text += valueIsType ? " type=\"" : " tagname=\"";
    m_text += XmlTextCodec::Escape(value, XmlTextCodec::kEscapeQuotes);
    m_text += '"';
  }
  if (offset != kNoOffset) m_text += " offset=\"" + std::to_string(offset) + '"';
  if (offset2 != kNoOffset) m_text += " offset2=\"" + std::to_string(offset2) + '"';
  m_text += "/>";
}
