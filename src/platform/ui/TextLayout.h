#pragma once
// Line layout of the platform's DrawText: prefix characters, hard line breaks,
// word breaking, end ellipsis and tab expansion, measured with one font.
// Kept apart from the context so that the rules can be tested on their own.
#include <QFontMetrics>
#include <QString>
#include <vector>

#include "platform/base/WinTypes.h"

struct TextLine {
  QString text;                 // what is drawn (prefix marks removed)
  std::vector<int> underlined;  // positions in text drawn underlined (from "&x")
  int width = 0;                // in pixels, tabs expanded
};

// Removes prefix marks as texts drawn with them show: "&&" is one "&", "&x"
// shows x (its position goes to `underlined` when given), a lone "&" at the
// end vanishes.
QString StripPrefix(const QString& text, std::vector<int>* underlined = nullptr);

class TextLayout {
 public:
  TextLayout(const QFontMetrics& metrics, UINT format);

  // Splits text into the lines DrawText draws within maxWidth pixels.
  std::vector<TextLine> Lay(const QString& text, int maxWidth) const;
  // Width of one line; with DT_EXPANDTABS tabs reach the next stop.
  int Width(const QString& line) const;
  // x offsets at which the tab-separated pieces of a line start.
  std::vector<int> PieceOffsets(const QString& line) const;
  int LineHeight() const { return m_lineHeight; }
  int TabStop() const { return m_tabStop; }

 private:
  QString EllipsisToFit(const QString& line, int maxWidth) const;

  QFontMetrics m_metrics;
  UINT m_format;
  int m_lineHeight;
  int m_tabStop;
};
