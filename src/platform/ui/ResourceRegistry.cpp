#include "platform/ui/ResourceRegistry.h"

#include <QPainter>
#include <map>
#include <mutex>

namespace {

struct CursorPicture {
  QImage image;
  int hotX = 0;
  int hotY = 0;
};

struct IconObject {
  QImage image;
};

// Made on first use and never destroyed: objects built during static
// initialisation or destroyed at exit may still need it.
std::mutex& ImageMutex() {
  static auto* mutex = new std::mutex();
  return *mutex;
}
std::map<UINT, QImage>& Bitmaps() { static auto* m = new std::map<UINT, QImage>(); return *m; }
std::map<UINT, QImage>& Icons() { static auto* m = new std::map<UINT, QImage>(); return *m; }
std::map<UINT, CursorPicture>& Cursors() { static auto* m = new std::map<UINT, CursorPicture>(); return *m; }
std::map<std::uintptr_t, IconObject>& Handles() {
  static auto* m = new std::map<std::uintptr_t, IconObject>();
  return *m;
}
std::uintptr_t g_nextImageHandle = 0x30000;

std::uintptr_t Key(HICON h) { return reinterpret_cast<std::uintptr_t>(h); }

HICON NewHandle(IconObject object) {  // ImageMutex() held
  std::uintptr_t key = g_nextImageHandle;
  g_nextImageHandle += 4;
  Handles()[key] = std::move(object);
  return reinterpret_cast<HICON>(key);
}

// A plain stand-in for the platform's message-box icons: a coloured disc with a mark.
QImage StandardIcon(UINT id) {
  QColor fill;
  QString mark;
  switch (id) {
    case IDI_APPLICATION: fill = QColor(0, 0, 128); mark = QStringLiteral("R"); break;
    case IDI_ERROR: fill = QColor(200, 0, 0); mark = QStringLiteral("X"); break;
    case IDI_QUESTION: fill = QColor(0, 80, 200); mark = QStringLiteral("?"); break;
    case IDI_WARNING: fill = QColor(230, 190, 0); mark = QStringLiteral("!"); break;
    case IDI_INFORMATION: fill = QColor(0, 80, 200); mark = QStringLiteral("i"); break;
    default: return QImage();
  }
  QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setBrush(fill);
  p.setPen(Qt::NoPen);
  p.drawEllipse(1, 1, 30, 30);
  QFont font(QStringLiteral("Sans Serif"));
  font.setPixelSize(20);
  font.setBold(true);
  p.setFont(font);
  p.setPen(Qt::white);
  p.drawText(QRect(0, 0, 32, 32), Qt::AlignCenter, mark);
  return image;
}

}  // namespace

void RegisterBitmapResource(UINT id, const QImage& image) {
  std::lock_guard<std::mutex> lock(ImageMutex());
  Bitmaps()[id] = image;
}

void RegisterIconResource(UINT id, const QImage& image) {
  std::lock_guard<std::mutex> lock(ImageMutex());
  Icons()[id] = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

void RegisterCursorResource(UINT id, const QImage& image, int hotX, int hotY) {
  std::lock_guard<std::mutex> lock(ImageMutex());
  Cursors()[id] = CursorPicture{image, hotX, hotY};
}

void ClearImageResources() {
  std::lock_guard<std::mutex> lock(ImageMutex());
  Bitmaps().clear();
  Icons().clear();
  Cursors().clear();
}

QImage FindBitmapResource(UINT id) {
  std::lock_guard<std::mutex> lock(ImageMutex());
  auto it = Bitmaps().find(id);
  return it == Bitmaps().end() ? QImage() : it->second.copy();
}

HICON LoadIconResource(UINT id, int width, int height) {
  QImage image;
  {
    std::lock_guard<std::mutex> lock(ImageMutex());
    auto it = Icons().find(id);
    if (it != Icons().end()) image = it->second;
  }
  if (image.isNull()) image = StandardIcon(id);
  if (image.isNull()) return nullptr;
  if (width > 0 || height > 0) {
    image = image.scaled(width > 0 ? width : image.width(), height > 0 ? height : image.height(),
                         Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  }
  return CreateIconFromImage(image);
}

HICON CreateIconFromImage(const QImage& image) {
  if (image.isNull()) return nullptr;
  IconObject object;
  object.image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  std::lock_guard<std::mutex> lock(ImageMutex());
  return NewHandle(std::move(object));
}

HICON CopyIcon(HICON icon) {
  std::lock_guard<std::mutex> lock(ImageMutex());
  auto it = Handles().find(Key(icon));
  if (it == Handles().end()) return nullptr;
  IconObject copy = it->second;
  return NewHandle(std::move(copy));
}

BOOL DestroyIcon(HICON icon) {
  std::lock_guard<std::mutex> lock(ImageMutex());
  return Handles().erase(Key(icon)) ? TRUE : FALSE;
}

BOOL GetIconInfo(HICON icon, ICONINFO* info) {
  std::lock_guard<std::mutex> lock(ImageMutex());
  auto it = Handles().find(Key(icon));
  if (it == Handles().end() || !info) return FALSE;
  info->fIcon = TRUE;
  info->xHotspot = static_cast<DWORD>(it->second.image.width() / 2);
  info->yHotspot = static_cast<DWORD>(it->second.image.height() / 2);
  return TRUE;
}

QImage IconImage(HICON icon) {
  std::lock_guard<std::mutex> lock(ImageMutex());
  auto it = Handles().find(Key(icon));
  return it == Handles().end() ? QImage() : it->second.image;
}

bool FindCursorResource(UINT id, QImage* image, int* hotX, int* hotY) {
  std::lock_guard<std::mutex> lock(ImageMutex());
  auto it = Cursors().find(id);
  if (it == Cursors().end()) return false;
  if (image) *image = it->second.image;
  if (hotX) *hotX = it->second.hotX;
  if (hotY) *hotY = it->second.hotY;
  return true;
}
