#include "controls/CParagraph.h"

#include "platform/base/CArchive.h"
#include "platform/ui/CDC.h"

void CParagraph::SetText(const std::string& text) {
  m_text = text;
  m_words.clear();
  // Line feeds become blanks, carriage returns go, and a run of typed blanks
  // shrinks to one (a blank that came from a line feed does not start a run).
  std::string normal;
  bool lastWasTypedBlank = false;
  for (char c : text) {
    if (c == '\n') {
      normal += ' ';
      lastWasTypedBlank = false;
    } else if (c == '\r') {
      continue;
    } else if (c == ' ') {
      if (lastWasTypedBlank) continue;
      normal += ' ';
      lastWasTypedBlank = true;
    } else {
      normal += c;
      lastWasTypedBlank = false;
    }
  }
  std::string word;
  for (char c : normal) {
    word += c;
    if (c == ' ') {
      m_words.push_back(word);
      word.clear();
    }
  }
  m_words.push_back(word);
}

bool CParagraph::SetFont(const std::string& faceName, int height, int bold) {
  m_faceName = faceName;
  m_fontHeight = height;
  m_fontWeight = bold == 1 ? 700 : 400;
  m_font.DeleteObject();
  m_fontCreated = m_font.CreateFont(height, 0, 0, 0, m_fontWeight, 0, 0, 0, 0, 0, 0, 0, 0, faceName) != FALSE;
  return m_fontCreated;
}

int CParagraph::LineX(int extent) const {
  switch (m_alignment) {
    case kCentered: return (m_width - extent) / 2 + m_left + 2;
    case kRight: return m_left + m_width - extent - 2;
    default: return m_left + 2;
  }
}

std::vector<CParagraph::Line> CParagraph::Layout(const Measure& measure) const {
  std::vector<Line> lines;
  const int width = m_width, height = m_height;
  // Room on this line, or room for one more line below.
  auto fits = [&](int x, int y, int cx, int cy) { return x + cx < width || y + 2 * cy < height; };
  auto addLine = [&](const std::string& text, int extent, int y) { lines.push_back(Line{LineX(extent), m_top + y, text}); };
  int x = 2, y = 2;
  std::string pending;
  const CSize dots = measure("...");
  for (std::size_t i = 0; i < m_words.size(); ++i) {
    const std::string& word = m_words[i];
    const CSize size = measure(word);
    if (i + 1 < m_words.size()) {
      const CSize next = measure(m_words[i + 1]);
      if (!fits(x, y, size.cx + next.cx, size.cy)) {
        if (fits(x, y, size.cx + dots.cx, size.cy)) addLine(pending + word + "...", x + size.cx + dots.cx, y);
        else addLine(pending + "...", x + dots.cx, y);
        return lines;
      }
    }
    if (!fits(x, y, size.cx, size.cy)) {
      // Where even "..." has no room the pending line is dropped.
      if (fits(x, y, dots.cx, dots.cy)) addLine(pending + "...", x + dots.cx, y);
      return lines;
    }
    if (x + size.cx > width) {
      addLine(pending, x, y);
      x = 2;
      y += size.cy;
      pending.clear();
    }
    pending += word;
    x += size.cx;
  }
  if (!pending.empty()) addLine(pending, x, y);
  return lines;
}

void CParagraph::Draw(CDC* dc) const {
  if (!dc) return;
  for (const Line& line : Layout([dc](const std::string& text) { return dc->GetTextExtent(text); }))
    dc->TextOut(line.x, line.y, line.text);
}

void CParagraph::Serialize(CArchive& archive) {
  if (archive.IsStoring()) {
    archive << static_cast<std::int32_t>(m_left) << static_cast<std::int32_t>(m_top);
    archive << m_width << m_height << m_text << m_faceName;
    archive << static_cast<std::uint16_t>(m_fontHeight) << static_cast<std::uint16_t>(m_fontWeight);
    return;
  }
  std::uint8_t origin[8];
  archive.Read(origin, sizeof origin);  // a short first block is the end-of-file error
  auto word = [&](int at) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(origin[at]) | (static_cast<std::uint32_t>(origin[at + 1]) << 8) |
                                     (static_cast<std::uint32_t>(origin[at + 2]) << 16) |
                                     (static_cast<std::uint32_t>(origin[at + 3]) << 24));
  };
  std::uint16_t width = 0, height = 0, fontHeight = 0, fontWeight = 0;
  std::string text, face;
  archive >> width >> height >> text >> face >> fontHeight >> fontWeight;
  m_left = word(0);
  m_top = word(4);
  m_width = width;
  m_height = height;
  SetText(text);
  m_faceName = face;
  m_fontHeight = static_cast<std::int16_t>(fontHeight);
  m_fontWeight = fontWeight;
  m_font.DeleteObject();
  m_fontCreated = m_font.CreateFont(m_fontHeight, 0, 0, 0, m_fontWeight, 0, 0, 0, 0, 0, 0, 0, 0, m_faceName) != FALSE;
}
