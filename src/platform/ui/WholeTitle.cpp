#include "platform/ui/WholeTitle.h"

#include <QFontMetrics>
#include <QWidget>
#include <algorithm>

namespace {

constexpr int kFrameButtons = 4;         // the icon, minimize, maximize, close
constexpr int kButtonPadding = 8;        // a title bar is the text's height and some
constexpr int kTitleMargins = 16;        // before and after the title
constexpr int kLargerFontPercent = 125;  // a window manager's title font may be larger than ours

}  // namespace

int WholeTitleWidth(const QWidget& window) {
  QFont bold = window.font();
  bold.setBold(true);
  const QFontMetrics metrics(bold);
  const int title = metrics.horizontalAdvance(window.windowTitle()) * kLargerFontPercent / 100;
  const int barHeight = metrics.height() + kButtonPadding;
  return title + kFrameButtons * barHeight + kTitleMargins;
}

void KeepTitleWhole(QWidget& window) {
  window.setMinimumWidth(std::max(window.minimumWidth(), WholeTitleWidth(window)));
}
