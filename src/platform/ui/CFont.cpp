#include "platform/ui/CFont.h"

#include <QFontMetrics>
#include <algorithm>
#include <cmath>
#include <map>

namespace {

constexpr int kDefaultPixelSize = 13;

QString FamilyFor(const LOGFONT& lf) {
  if (!lf.lfFaceName.empty()) {
    QString face = QString::fromUtf8(lf.lfFaceName.data(),
                                     static_cast<int>(std::min<size_t>(lf.lfFaceName.size(), 31)));
    return face;
  }
  return (lf.lfPitchAndFamily & 0x03) == FIXED_PITCH || (lf.lfPitchAndFamily & 0xF0) == FF_MODERN
             ? QStringLiteral("Monospace")
             : QStringLiteral("Sans Serif");
}

// The faces the windows and the plant were laid out for are not on this system.
// Left to the system's own choice they become whatever sans face it prefers,
// wider than the original, and texts no longer fit the rectangles made for
// them. They are asked for as faces of the same widths, installed with the
// program, before the system's choice.
QStringList FamiliesFor(const QString& face) {
  static const QStringList sans = {"Liberation Sans", "Arimo", "Nimbus Sans"};
  static const QStringList mono = {"Liberation Mono", "Cousine", "Nimbus Mono PS"};
  static const QStringList serif = {"Liberation Serif", "Tinos", "Nimbus Roman"};
  const QString key = face.toLower();
  const QStringList* like = nullptr;
  if (key == "ms shell dlg" || key == "ms shell dlg 2" || key == "ms sans serif" || key == "microsoft sans serif" ||
      key == "tahoma" || key == "arial" || key == "helvetica" || key == "system" || key == "sans serif" ||
      key == "verdana") {
    like = &sans;
  } else if (key == "courier new" || key == "courier" || key == "monospace") {
    like = &mono;
  } else if (key == "times new roman" || key == "times") {
    like = &serif;
  }
  QStringList families = like ? *like : QStringList();
  families.append(face);
  return families;
}

}  // namespace

QFont CFont::ResolveLogFont(const LOGFONT& lf) {
  QFont font(FamilyFor(lf));
  font.setFamilies(FamiliesFor(FamilyFor(lf)));
  font.setStyleHint((lf.lfPitchAndFamily & 0x03) == FIXED_PITCH ? QFont::TypeWriter : QFont::SansSerif);
  font.setKerning(false);  // the platform places characters by their advance widths
  font.setHintingPreference(QFont::PreferFullHinting);
  LONG weight = lf.lfWeight == FW_DONTCARE ? FW_NORMAL : std::clamp<LONG>(lf.lfWeight, 1, 1000);
  font.setWeight(static_cast<QFont::Weight>(weight));
  font.setItalic(lf.lfItalic != 0);
  font.setUnderline(lf.lfUnderline != 0);
  font.setStrikeOut(lf.lfStrikeOut != 0);
  if (lf.lfHeight < 0) {
    font.setPixelSize(std::max<LONG>(1, -lf.lfHeight));
  } else if (lf.lfHeight > 0) {
    // A positive height is the cell height (ascent + descent): scale the em size to fit.
    font.setPixelSize(100);
    QFontMetrics probe(font);
    int cell = std::max(1, probe.ascent() + probe.descent());
    int pixels = static_cast<int>(std::lround(lf.lfHeight * 100.0 / cell));
    font.setPixelSize(std::max(1, pixels));
  } else {
    font.setPixelSize(kDefaultPixelSize);
  }
  if (lf.lfWidth > 0) {
    QFontMetrics natural(font);
    int average = std::max(1, natural.averageCharWidth());
    font.setStretch(std::clamp(static_cast<int>(lf.lfWidth * 100 / average), 1, 4000));
  }
  return font;
}

BOOL CFont::CreateFontIndirect(const LOGFONT* logFont) {
  if (!logFont) return FALSE;
  auto data = std::make_shared<FontData>();
  data->log = *logFont;
  if (data->log.lfFaceName.size() > 31) data->log.lfFaceName.resize(31);
  SetData(data);
  return TRUE;
}

BOOL CFont::CreateFont(int height, int width, int escapement, int orientation, int weight,
                       BYTE italic, BYTE underline, BYTE strikeOut, BYTE charSet,
                       BYTE outPrecision, BYTE clipPrecision, BYTE quality,
                       BYTE pitchAndFamily, const std::string& faceName) {
  LOGFONT lf;
  lf.lfHeight = height;
  lf.lfWidth = width;
  lf.lfEscapement = escapement;
  lf.lfOrientation = orientation;
  lf.lfWeight = weight;
  lf.lfItalic = italic;
  lf.lfUnderline = underline;
  lf.lfStrikeOut = strikeOut;
  lf.lfCharSet = charSet;
  lf.lfOutPrecision = outPrecision;
  lf.lfClipPrecision = clipPrecision;
  lf.lfQuality = quality;
  lf.lfPitchAndFamily = pitchAndFamily;
  lf.lfFaceName = faceName;
  return CreateFontIndirect(&lf);
}

BOOL CFont::CreatePointFont(int pointSize, const std::string& faceName, CDC* dc) {
  LOGFONT lf;
  lf.lfHeight = pointSize;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfFaceName = faceName;
  return CreatePointFontIndirect(&lf, dc);
}

BOOL CFont::CreatePointFontIndirect(const LOGFONT* logFont, CDC*) {
  if (!logFont) return FALSE;
  LOGFONT lf = *logFont;
  // Tenths of a point to pixels, rounded as the platform's MulDiv rounds.
  long tenths = std::labs(static_cast<long>(lf.lfHeight));
  long pixels = (tenths * kLogicalDpi + 360) / 720;
  lf.lfHeight = -static_cast<LONG>(pixels);
  return CreateFontIndirect(&lf);
}

BOOL CFont::GetLogFont(LOGFONT* logFont) const {
  auto data = std::dynamic_pointer_cast<FontData>(Data());
  if (!data || !logFont) return FALSE;
  *logFont = data->log;
  return TRUE;
}

QFont CFont::GetQFont() const {
  auto data = std::dynamic_pointer_cast<FontData>(Data());
  return data ? data->Resolved() : QFont();
}

CFont* CFont::FromHandle(HFONT handle) {
  thread_local std::map<HFONT, std::unique_ptr<CFont>> wrappers;
  auto data = LookupGdiObjectAs<FontData>(handle);
  if (!data) return nullptr;
  auto& slot = wrappers[handle];
  if (!slot) slot = std::make_unique<CFont>();
  slot->SetData(data);
  return slot.get();
}
