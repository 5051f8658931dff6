#include "platform/ui/TextLayout.h"

#include "platform/ui/GdiTypes.h"

QString StripPrefix(const QString& text, std::vector<int>* underlined) {
  QString out;
  out.reserve(text.size());
  for (int i = 0; i < text.size(); ++i) {
    QChar c = text[i];
    if (c == QLatin1Char('&')) {
      if (i + 1 < text.size() && text[i + 1] == QLatin1Char('&')) {
        out += QLatin1Char('&');
        ++i;
        continue;
      }
      if (i + 1 < text.size() && underlined) underlined->push_back(static_cast<int>(out.size()));
      continue;
    }
    out += c;
  }
  return out;
}

namespace {

bool IsBreakSpace(QChar c) { return c == QLatin1Char(' '); }

}  // namespace

TextLayout::TextLayout(const QFontMetrics& metrics, UINT format)
    : m_metrics(metrics),
      m_format(format),
      m_lineHeight(metrics.ascent() + metrics.descent() +
                   ((format & DT_EXTERNALLEADING) ? std::max(0, metrics.leading()) : 0)),
      m_tabStop(8 * std::max(1, metrics.averageCharWidth())) {}

std::vector<int> TextLayout::PieceOffsets(const QString& line) const {
  std::vector<int> offsets{0};
  if (!(m_format & DT_EXPANDTABS)) return offsets;
  int x = 0;
  int start = 0;
  for (int i = 0; i < line.size(); ++i) {
    if (line[i] != QLatin1Char('\t')) continue;
    x += m_metrics.horizontalAdvance(line.mid(start, i - start));
    x = (x / m_tabStop + 1) * m_tabStop;
    offsets.push_back(x);
    start = i + 1;
  }
  return offsets;
}

int TextLayout::Width(const QString& line) const {
  if (!(m_format & DT_EXPANDTABS) || !line.contains(QLatin1Char('\t'))) {
    return m_metrics.horizontalAdvance(line);
  }
  std::vector<int> offsets = PieceOffsets(line);
  int lastTab = static_cast<int>(line.lastIndexOf(QLatin1Char('\t')));
  return offsets.back() + m_metrics.horizontalAdvance(line.mid(lastTab + 1));
}

QString TextLayout::EllipsisToFit(const QString& line, int maxWidth) const {
  static const QString kEllipsis = QStringLiteral("...");
  if (Width(line) <= maxWidth) return line;
  // Longest prefix that leaves room for the three dots (widths grow with the
  // prefix, so a binary search finds it); never split a surrogate pair.
  int low = 0;
  int high = static_cast<int>(line.size());
  while (low < high) {
    int mid = (low + high + 1) / 2;
    if (Width(line.left(mid) + kEllipsis) <= maxWidth) {
      low = mid;
    } else {
      high = mid - 1;
    }
  }
  int keep = low;
  if (keep > 0 && keep < line.size() && line[keep].isLowSurrogate()) --keep;
  return line.left(keep) + kEllipsis;
}

std::vector<TextLine> TextLayout::Lay(const QString& source, int maxWidth) const {
  std::vector<int> underlined;
  QString text = (m_format & DT_NOPREFIX) ? source : StripPrefix(source, &underlined);
  if (!(m_format & DT_EXPANDTABS)) text.replace(QLatin1Char('\t'), QLatin1Char(' '));

  // Hard lines with the offset of their first character in text.
  std::vector<std::pair<int, QString>> hard;
  if (m_format & DT_SINGLELINE) {
    QString one;
    int lastStart = 0;
    for (int i = 0; i < text.size(); ++i) {
      if (text[i] == QLatin1Char('\r') || text[i] == QLatin1Char('\n')) continue;
      one += text[i];
    }
    // Line breaks are dropped in a single line; underline positions shift with them.
    std::vector<int> shifted;
    for (int pos : underlined) {
      int removed = 0;
      for (int i = 0; i < pos && i < text.size(); ++i) {
        if (text[i] == QLatin1Char('\r') || text[i] == QLatin1Char('\n')) ++removed;
      }
      shifted.push_back(pos - removed);
    }
    underlined = shifted;
    hard.emplace_back(lastStart, one);
    text = one;
  } else {
    int start = 0;
    for (int i = 0; i <= text.size(); ++i) {
      if (i == text.size() || text[i] == QLatin1Char('\n') || text[i] == QLatin1Char('\r')) {
        hard.emplace_back(start, text.mid(start, i - start));
        if (i < text.size() && text[i] == QLatin1Char('\r') && i + 1 < text.size() &&
            text[i + 1] == QLatin1Char('\n')) {
          ++i;
        }
        start = i + 1;
      }
    }
  }

  // Soft lines: (offset in text, text).
  std::vector<std::pair<int, QString>> soft;
  bool wrap = (m_format & DT_WORDBREAK) && !(m_format & DT_SINGLELINE);
  for (const auto& hardLine : hard) {
    // Named, not bound: clang before 16 cannot capture a structured binding.
    const int offset = hardLine.first;
    const QString& line = hardLine.second;
    if (!wrap || Width(line) <= maxWidth) {
      soft.emplace_back(offset, line);
      continue;
    }
    auto skipSpaces = [&line](int i) {
      while (i < line.size() && IsBreakSpace(line[i])) ++i;
      return i;
    };
    int lineStart = 0;    // start of the line being built, within the hard line
    int lastFit = -1;     // end of the last word that still fitted
    int pos = 0;
    while (pos < line.size()) {
      int wordEnd = skipSpaces(pos);
      while (wordEnd < line.size() && !IsBreakSpace(line[wordEnd])) ++wordEnd;
      if (Width(line.mid(lineStart, wordEnd - lineStart)) <= maxWidth) {
        lastFit = wordEnd;
        pos = wordEnd;
      } else if (lastFit < 0) {
        // A word wider than the rectangle stands alone on its line, unbroken.
        soft.emplace_back(offset + lineStart, line.mid(lineStart, wordEnd - lineStart));
        lineStart = pos = skipSpaces(wordEnd);
      } else {
        soft.emplace_back(offset + lineStart, line.mid(lineStart, lastFit - lineStart));
        lineStart = pos = skipSpaces(lastFit);
        lastFit = -1;
      }
    }
    if (lineStart < line.size()) soft.emplace_back(offset + lineStart, line.mid(lineStart));
  }

  std::vector<TextLine> lines;
  for (auto& [offset, lineText] : soft) {
    TextLine out;
    // Spaces at the end of a wrapped line take no room.
    QString trimmed = lineText;
    if (wrap) {
      while (!trimmed.isEmpty() && IsBreakSpace(trimmed.back())) trimmed.chop(1);
    }
    if ((m_format & DT_END_ELLIPSIS) || (m_format & DT_WORD_ELLIPSIS)) trimmed = EllipsisToFit(trimmed, maxWidth);
    out.text = trimmed;
    int visible = static_cast<int>(trimmed.size());
    if (trimmed.endsWith(QStringLiteral("...")) && trimmed != lineText) visible -= 3;
    for (int pos : underlined) {
      int local = pos - offset;
      if (local >= 0 && local < visible) out.underlined.push_back(local);
    }
    out.width = Width(out.text);
    lines.push_back(std::move(out));
  }
  return lines;
}
