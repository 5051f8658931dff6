#include "platform/ui/SystemMetrics.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPalette>
#include <QScreen>
#include <array>
#include <atomic>
#include <map>
#include <mutex>

#include "platform/ui/CBrush.h"
#include "platform/ui/ColorRef.h"

namespace {

std::atomic<bool> g_follow{false};

// The classic desktop scheme.
COLORREF FixedColor(int index) {
  switch (index) {
    case COLOR_SCROLLBAR: return RGB(212, 208, 200);
    case COLOR_BACKGROUND: return RGB(58, 110, 165);
    case COLOR_ACTIVECAPTION: return RGB(10, 36, 106);
    case COLOR_INACTIVECAPTION: return RGB(128, 128, 128);
    case COLOR_MENU: return RGB(212, 208, 200);
    case COLOR_WINDOW: return RGB(255, 255, 255);
    case COLOR_WINDOWFRAME: return RGB(0, 0, 0);
    case COLOR_MENUTEXT: return RGB(0, 0, 0);
    case COLOR_WINDOWTEXT: return RGB(0, 0, 0);
    case COLOR_CAPTIONTEXT: return RGB(255, 255, 255);
    case COLOR_ACTIVEBORDER: return RGB(212, 208, 200);
    case COLOR_INACTIVEBORDER: return RGB(212, 208, 200);
    case COLOR_APPWORKSPACE: return RGB(128, 128, 128);
    case COLOR_HIGHLIGHT: return RGB(10, 36, 106);
    case COLOR_HIGHLIGHTTEXT: return RGB(255, 255, 255);
    case COLOR_BTNFACE: return RGB(212, 208, 200);
    case COLOR_BTNSHADOW: return RGB(128, 128, 128);
    case COLOR_GRAYTEXT: return RGB(128, 128, 128);
    case COLOR_BTNTEXT: return RGB(0, 0, 0);
    case COLOR_INACTIVECAPTIONTEXT: return RGB(212, 208, 200);
    case COLOR_BTNHIGHLIGHT: return RGB(255, 255, 255);
    case COLOR_3DDKSHADOW: return RGB(64, 64, 64);
    case COLOR_3DLIGHT: return RGB(212, 208, 200);
    case COLOR_INFOTEXT: return RGB(0, 0, 0);
    case COLOR_INFOBK: return RGB(255, 255, 225);
    case COLOR_HOTLIGHT: return RGB(0, 0, 128);
    case COLOR_GRADIENTACTIVECAPTION: return RGB(166, 202, 240);
    case COLOR_GRADIENTINACTIVECAPTION: return RGB(192, 192, 192);
    default: return 0;
  }
}

bool PaletteColor(int index, COLORREF* out) {
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return false;
  QPalette pal = QApplication::palette();
  QPalette::ColorRole role;
  switch (index) {
    case COLOR_WINDOW: role = QPalette::Base; break;
    case COLOR_WINDOWTEXT: role = QPalette::Text; break;
    case COLOR_MENU:
    case COLOR_BTNFACE:
    case COLOR_3DLIGHT: role = QPalette::Button; break;
    case COLOR_MENUTEXT:
    case COLOR_BTNTEXT: role = QPalette::ButtonText; break;
    case COLOR_HIGHLIGHT: role = QPalette::Highlight; break;
    case COLOR_HIGHLIGHTTEXT: role = QPalette::HighlightedText; break;
    case COLOR_BTNSHADOW: role = QPalette::Mid; break;
    case COLOR_BTNHIGHLIGHT: role = QPalette::Light; break;
    case COLOR_3DDKSHADOW: role = QPalette::Shadow; break;
    case COLOR_INFOBK: role = QPalette::ToolTipBase; break;
    case COLOR_INFOTEXT: role = QPalette::ToolTipText; break;
    case COLOR_GRAYTEXT: *out = QColorToColorRef(pal.color(QPalette::Disabled, QPalette::Text)); return true;
    default: return false;
  }
  *out = QColorToColorRef(pal.color(QPalette::Active, role));
  return true;
}

}  // namespace

COLORREF GetSysColor(int index) {
  COLORREF c = 0;
  if (g_follow.load() && PaletteColor(index, &c)) return c;
  return FixedColor(index);
}

HBRUSH GetSysColorBrush(int index) {
  // One brush per index and colour, kept for the life of the process.
  static std::mutex& mutex = *new std::mutex();
  static auto* brushes = new std::map<std::pair<int, COLORREF>, std::unique_ptr<CBrush>>();
  COLORREF color = GetSysColor(index);
  std::lock_guard<std::mutex> lock(mutex);
  auto& slot = (*brushes)[{index, color}];
  if (!slot) {
    slot = std::make_unique<CBrush>(color);
    slot->Data()->stock = true;
  }
  return slot->GetSafeHandle();
}

int GetSystemMetrics(int index) {
  if (g_follow.load() && (index == SM_CXSCREEN || index == SM_CYSCREEN ||
                          index == SM_CXFULLSCREEN || index == SM_CYFULLSCREEN)) {
    if (QGuiApplication::instance() && QGuiApplication::primaryScreen()) {
      QRect geometry = QGuiApplication::primaryScreen()->geometry();
      QRect available = QGuiApplication::primaryScreen()->availableGeometry();
      switch (index) {
        case SM_CXSCREEN: return geometry.width();
        case SM_CYSCREEN: return geometry.height();
        case SM_CXFULLSCREEN: return available.width();
        default: return available.height();
      }
    }
  }
  switch (index) {
    case SM_CXSCREEN: return 1024;
    case SM_CYSCREEN: return 768;
    case SM_CXFULLSCREEN: return 1024;
    case SM_CYFULLSCREEN: return 710;
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CYVSCROLL:
    case SM_CXHSCROLL:
    case SM_CYVTHUMB:
    case SM_CXHTHUMB: return 16;
    case SM_CYCAPTION: return 19;
    case SM_CXBORDER:
    case SM_CYBORDER: return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME: return 3;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR: return 32;
    case SM_CYMENU: return 19;
    case SM_CXMIN: return 112;
    case SM_CYMIN: return 27;
    case SM_CXSIZE:
    case SM_CYSIZE: return 18;
    case SM_CXFRAME:
    case SM_CYFRAME: return 4;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK:
    case SM_CXDRAG:
    case SM_CYDRAG: return 4;
    case SM_CXEDGE:
    case SM_CYEDGE: return 2;
    case SM_CXSMICON:
    case SM_CYSMICON: return 16;
    case SM_CYSMCAPTION: return 16;
    case SM_CXSMSIZE:
    case SM_CYSMSIZE: return 15;
    case SM_CXMENUCHECK:
    case SM_CYMENUCHECK: return 13;
    case SM_CMONITORS: return 1;
    default: return 0;
  }
}

int GetMouseHoverWidth() { return 4; }

void FollowApplicationStyle(bool follow) { g_follow.store(follow); }
