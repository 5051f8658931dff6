#include "controls/BCMenu.h"

#include <QImage>
#include <algorithm>
#include <cctype>
#include <map>
#include <mutex>

#include "controls/BCMenuMemDC.h"
#include "controls/ControlPictures.h"
#include "platform/base/Text.h"
#include "platform/ui/CButton.h"
#include "platform/ui/CDC.h"
#include "platform/ui/CPen.h"
#include "platform/ui/ResourceRegistry.h"
#include "platform/ui/SystemMetrics.h"

namespace {

constexpr UINT kSeparatorFlags = MF_SEPARATOR | MF_OWNERDRAW;
constexpr int kClassicGap = 4;

// The handles of every menu a BCMenu loaded, with the object that holds its items.
struct MenuRegistry {
  std::mutex mutex;
  std::map<HMENU, BCMenu*> menus;
};
MenuRegistry& TheMenuRegistry() {
  static auto* registry = new MenuRegistry;  // never destroyed: menus may outlive static destruction
  return *registry;
}

void Register(HMENU handle, BCMenu* menu) {
  std::lock_guard<std::mutex> lock(TheMenuRegistry().mutex);
  TheMenuRegistry().menus[handle] = menu;
}

void Unregister(HMENU handle) {
  std::lock_guard<std::mutex> lock(TheMenuRegistry().mutex);
  TheMenuRegistry().menus.erase(handle);
}

// The images every menu shares, found by command id.
struct SharedImages {
  std::mutex mutex;
  std::vector<UINT> commands;
  std::vector<QImage> images;
};
SharedImages& Images() {
  static auto* images = new SharedImages;
  return *images;
}

int ImageIndexOf(UINT command) {
  SharedImages& shared = Images();
  std::lock_guard<std::mutex> lock(shared.mutex);
  auto it = std::find(shared.commands.begin(), shared.commands.end(), command);
  return it == shared.commands.end() ? -1 : static_cast<int>(it - shared.commands.begin());
}

int AddImage(UINT command, const QImage& image) {
  SharedImages& shared = Images();
  std::lock_guard<std::mutex> lock(shared.mutex);
  shared.commands.push_back(command);
  shared.images.push_back(image);
  return static_cast<int>(shared.images.size()) - 1;
}

QImage ImageAt(int index) {
  SharedImages& shared = Images();
  std::lock_guard<std::mutex> lock(shared.mutex);
  return index >= 0 && index < static_cast<int>(shared.images.size()) ? shared.images[index] : QImage();
}

// The text as shown: the "&" marks and the accelerator's tab gap.
std::string ShownText(const std::string& text) {
  std::string shown;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) {
      ++i;
    } else if (text[i] == '\t') {
      shown += "    ";
      continue;
    }
    shown += text[i];
  }
  return shown;
}

}  // namespace

BCMenu::BCMenu() = default;

BCMenu::~BCMenu() { DestroyMenu(); }

// ---------------------------------------------------------------- building

BOOL BCMenu::LoadMenu(UINT resourceId) {
  const std::optional<MenuTable> table = FindMenuResource(resourceId);
  if (!table) return FALSE;
  DestroyMenu();
  if (!CreateMenu()) return FALSE;
  m_registered = GetSafeHmenu();
  Register(m_registered, this);
  Build(*table);
  return TRUE;
}

void BCMenu::Build(const std::vector<MenuTableItem>& items) {
  for (const MenuTableItem& item : items) {
    if (item.flags & MF_POPUP) {
      auto sub = std::make_unique<BCMenu>();
      sub->CreatePopupMenu();
      sub->Build(item.popup);
      const HMENU handle = sub->GetSafeHmenu();
      m_subMenuObjects.push_back(std::move(sub));
      AppendODMenu(item.text, item.flags, reinterpret_cast<UINT_PTR>(handle));
    } else {
      AppendODMenu(item.text, item.flags, item.id);
    }
  }
}

BCMenu* BCMenu::OwnSubMenu(HMENU handle) const {
  for (const auto& sub : m_subMenuObjects)
    if (sub->GetSafeHmenu() == handle) return sub.get();
  return nullptr;
}

BOOL BCMenu::AppendODMenu(const std::string& text, UINT flags, UINT_PTR commandOrSubMenu, int imageId) {
  const bool popup = (flags & MF_POPUP) != 0;
  if (!popup && commandOrSubMenu == 0) {
    flags = (flags & MF_BYPOSITION) | kSeparatorFlags;
  } else {
    flags |= MF_OWNERDRAW;
  }
  if (popup) {
    const auto handle = reinterpret_cast<HMENU>(commandOrSubMenu);
    Register(handle, OwnSubMenu(handle));
    m_subMenus.push_back(handle);
  }
  const UINT command = popup ? 0 : static_cast<UINT>(commandOrSubMenu);
  auto data = std::make_unique<BCMenuData>(text, flags, command);
  if (imageId == -1) {
    data->SetImageIndex(ImageIndexOf(command));
  } else {
    QImage image = FindBitmapResource(static_cast<UINT>(imageId));
    if (image.isNull()) {
      if (HICON icon = LoadIconResource(static_cast<UINT>(imageId), m_imageWidth, m_imageHeight)) {
        image = IconImage(icon);
        DestroyIcon(icon);
      }
    } else {
      // Bitmap images are masked with the mask colour, or the button face colour.
      image = MaskedByColor(image, m_useMaskColor ? m_maskColor : GetSysColor(COLOR_BTNFACE));
    }
    if (!image.isNull()) data->SetImageIndex(AddImage(command, image));
  }
  m_items.push_back(std::move(data));
  return AppendMenu(flags, commandOrSubMenu, text);
}

BOOL BCMenu::DestroyMenu() {
  if (m_registered) Unregister(m_registered);
  m_registered = nullptr;
  for (HMENU handle : m_subMenus) Unregister(handle);
  m_subMenus.clear();
  m_items.clear();
  m_subMenuObjects.clear();
  if (!GetSafeHmenu()) return FALSE;
  return CMenu::DestroyMenu();
}

// ---------------------------------------------------------------- queries

BOOL BCMenu::IsMenu(HMENU menu) {
  if (!menu) return FALSE;
  std::lock_guard<std::mutex> lock(TheMenuRegistry().mutex);
  return TheMenuRegistry().menus.count(menu) != 0 ? TRUE : FALSE;
}

BOOL BCMenu::IsMenu(const CMenu* menu) { return menu ? IsMenu(menu->GetSafeHmenu()) : FALSE; }

LRESULT BCMenu::FindKeyboardShortcut(UINT ch, UINT, HMENU menu) {
  BCMenu* owner = nullptr;
  {
    std::lock_guard<std::mutex> lock(TheMenuRegistry().mutex);
    auto it = TheMenuRegistry().menus.find(menu);
    if (it != TheMenuRegistry().menus.end()) owner = it->second;
  }
  if (!owner) return 0;
  const int wanted = std::tolower(static_cast<int>(ch & 0xFF));
  for (std::size_t position = 0; position < owner->m_items.size(); ++position) {
    const std::string& text = owner->m_items[position]->GetText();
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
      if (text[i] != '&') continue;
      if (text[i + 1] == '&') {  // "&&" is a plain ampersand
        ++i;
        continue;
      }
      if (std::tolower(static_cast<unsigned char>(text[i + 1])) == wanted)
        return static_cast<LRESULT>((kMenuCharExecute << 16) | position);
      break;
    }
  }
  return 0;
}

int BCMenu::VersionCode(bool ntFamily, int major, int minor) {
  if (!ntFamily) {
    if (major < 4) return 0;
    if (major == 4 && minor == 10) return 3;
    if (major == 4 && minor == 90) return 4;
    return 2;
  }
  if (major == 4) return 5;
  if (major == 5 && minor == 0) return 6;
  if (major == 5 && minor == 1) return 7;
  return 1;
}

bool BCMenu::IsClassicTheme(const std::string& themeFileName) {
  static const std::string kClassic = "Windows Classic.theme";
  if (themeFileName.size() < kClassic.size()) return false;
  return ruv::EqualsNoCase(themeFileName.substr(themeFileName.size() - kClassic.size()), kClassic);
}

bool BCMenu::IsLunaMenuStyle() {
  // This program never runs on the system with the flat menu theme.
  static const int kVersionCode = VersionCode(true, 10, 0);
  return kVersionCode == 7;
}

COLORREF BCMenu::LightenColor(COLORREF color, double factor) {
  if (factor <= 0.0 || factor > 1.0) return color;
  auto lighten = [factor](int c) { return static_cast<int>(c + (255 - c) * factor); };
  const int r = lighten(color & 0xFF);
  const int g = lighten((color >> 8) & 0xFF);
  const int b = lighten((color >> 16) & 0xFF);
  return static_cast<COLORREF>(r | (g << 8) | (b << 16));
}

// ---------------------------------------------------------------- measuring and drawing

void BCMenu::MeasureItem(void* item) {
  auto* measure = static_cast<MEASUREITEMSTRUCT*>(item);
  auto* data = measure ? reinterpret_cast<BCMenuData*>(measure->itemData) : nullptr;
  if (!data) return;
  const int menuHeight = GetSystemMetrics(SM_CYMENU);
  if (data->GetFlags() & MF_SEPARATOR) {
    measure->itemWidth = 0;
    measure->itemHeight = static_cast<UINT>(std::max(menuHeight / 2, (m_imageHeight + kClassicGap) / 2));
    return;
  }
  CDC dc;
  dc.CreateCompatibleDC(nullptr);  // measures text without a window
  CFont menuFont;
  menuFont.Attach(GetStockObject(DEFAULT_GUI_FONT));
  CFont* old = dc.SelectObject(&menuFont);
  const CSize text = dc.GetTextExtent(ShownText(data->GetText()));
  dc.SelectObject(old);
  menuFont.Detach();
  measure->itemWidth = static_cast<UINT>(text.cx + 2 * m_imageWidth + 1);
  measure->itemHeight = static_cast<UINT>(std::max(menuHeight, kClassicGap + m_imageHeight));
}

void BCMenu::DrawItem(void* item) {
  auto* draw = static_cast<DRAWITEMSTRUCT*>(item);
  auto* data = draw ? reinterpret_cast<BCMenuData*>(draw->itemData) : nullptr;
  if (!data || !draw->hDC) return;
  BCMenuMemDC dc(draw->hDC, draw->rcItem);
  DrawClassic(&dc, draw->rcItem, draw->itemState, *data);
}

void BCMenu::DrawClassic(CDC* dc, const RECT& rect, UINT state, const BCMenuData& data) {
  CRect area(rect);
  dc->FillSolidRect(&area, GetSysColor(COLOR_MENU));
  if (data.GetFlags() & MF_SEPARATOR) {
    CRect line = area;
    line.top += line.Height() / 2;
    dc->DrawEdge(&line, EDGE_ETCHED, BF_TOP);
    return;
  }
  const bool selected = (state & ODS_SELECTED) != 0;
  const bool grey = (state & (ODS_GRAYED | ODS_DISABLED)) != 0;
  const bool checked = (state & ODS_CHECKED) != 0;
  const int buttonWidth = m_imageWidth + kClassicGap;
  CRect imageButton(area.left, area.top, area.left + buttonWidth, area.bottom);
  CRect textArea(imageButton.right, area.top, area.right, area.bottom);
  if (selected && !grey) dc->FillSolidRect(&textArea, GetSysColor(COLOR_HIGHLIGHT));

  const QImage image = ImageAt(data.GetImageIndex());
  const CPoint imageAt(imageButton.left + (buttonWidth - m_imageWidth) / 2,
                       imageButton.top + (imageButton.Height() - m_imageHeight) / 2);
  if (!image.isNull()) {
    if (checked) dc->FillSolidRect(&imageButton, LightenColor(GetSysColor(COLOR_3DHILIGHT), 0.6));
    // Drawn as an icon, which keeps the image's mask (a bitmap has none and
    // would show the masked pixels black); cut to the image size as a bitmap would be.
    if (HICON icon = CreateIconFromImage(image.copy(0, 0, m_imageWidth, m_imageHeight))) {
      dc->DrawState(imageAt, CSize(m_imageWidth, m_imageHeight), icon, DST_ICON | (grey ? DSS_DISABLED : DSS_NORMAL));
      DestroyIcon(icon);
    }
    if (checked) dc->Draw3dRect(&imageButton, GetSysColor(COLOR_3DSHADOW), GetSysColor(COLOR_3DHILIGHT));
    else if (selected && !grey) dc->Draw3dRect(&imageButton, GetSysColor(COLOR_3DHILIGHT), GetSysColor(COLOR_3DSHADOW));
  } else if (checked) {
    // A check mark drawn with the pen when the item has no image.
    CPen pen(PS_SOLID, 2, GetSysColor(grey ? COLOR_GRAYTEXT : COLOR_MENUTEXT));
    CPen* oldPen = dc->SelectObject(&pen);
    const int x = imageAt.x + 3;
    const int y = imageAt.y + m_imageHeight / 2;
    dc->MoveTo(x, y);
    dc->LineTo(x + 3, y + 3);
    dc->LineTo(x + 9, y - 3);
    dc->SelectObject(oldPen);
  }

  std::string text = data.GetText();
  std::string accelerator;
  if (const std::size_t tab = text.find('\t'); tab != std::string::npos) {
    accelerator = text.substr(tab + 1);
    text.resize(tab);
  }
  CFont menuFont;
  menuFont.Attach(GetStockObject(DEFAULT_GUI_FONT));
  CFont* old = dc->SelectObject(&menuFont);
  dc->SetBkMode(TRANSPARENT);
  CRect label = textArea;
  label.left += kClassicGap;
  label.right -= kClassicGap;
  const UINT format = DT_SINGLELINE | DT_VCENTER;
  auto drawTexts = [&](const CRect& at) {
    CRect left = at;
    dc->DrawText(text, &left, format | DT_LEFT);
    CRect right = at;
    if (!accelerator.empty()) dc->DrawText(accelerator, &right, format | DT_RIGHT);
  };
  if (grey) {
    // Embossed: the highlight one pixel down and right, the grey text over it.
    if (!selected) {
      dc->SetTextColor(GetSysColor(COLOR_3DHILIGHT));
      drawTexts(label + CPoint(1, 1));
    }
    dc->SetTextColor(GetSysColor(COLOR_GRAYTEXT));
  } else {
    dc->SetTextColor(GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT));
  }
  drawTexts(label);
  dc->SelectObject(old);
  menuFont.Detach();
}
