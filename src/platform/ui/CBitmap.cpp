#include "platform/ui/CBitmap.h"

#include <map>

#include "platform/ui/ResourceRegistry.h"

BOOL CBitmap::CreateCompatibleBitmap(CDC*, int width, int height) {
  if (width <= 0 || height <= 0) return FALSE;
  QImage image(width, height, QImage::Format_RGB32);
  if (image.isNull()) return FALSE;
  image.fill(Qt::black);
  auto data = std::make_shared<BitmapData>();
  data->image = std::move(image);
  SetData(data);
  return TRUE;
}

BOOL CBitmap::CreateBitmap(int width, int height, UINT, UINT bitsPerPixel, const void* bits) {
  if (width <= 0 || height <= 0) return FALSE;
  auto data = std::make_shared<BitmapData>();
  if (bitsPerPixel == 1) {
    QImage image(width, height, QImage::Format_Mono);
    if (image.isNull()) return FALSE;
    image.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    image.fill(0);
    if (bits) {
      const auto* bytes = static_cast<const unsigned char*>(bits);
      int stride = ((width + 15) / 16) * 2;
      for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
          bool set = (bytes[y * stride + x / 8] >> (7 - x % 8)) & 1;
          image.setPixel(x, y, set ? 1 : 0);
        }
      }
    }
    data->image = std::move(image);
    data->monochrome = true;
  } else {
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull()) return FALSE;
    image.fill(Qt::black);
    if (bits) {
      const auto* words = static_cast<const std::uint32_t*>(bits);
      for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) image.setPixel(x, y, 0xFF000000u | words[y * width + x]);
      }
    }
    data->image = std::move(image);
  }
  SetData(data);
  return TRUE;
}

BOOL CBitmap::LoadBitmap(UINT resourceId) {
  QImage image = FindBitmapResource(resourceId);
  if (image.isNull()) return FALSE;
  return CreateFromImage(image);
}

BOOL CBitmap::CreateFromImage(const QImage& source) {
  if (source.isNull()) return FALSE;
  auto data = std::make_shared<BitmapData>();
  if (source.format() == QImage::Format_Mono || source.format() == QImage::Format_MonoLSB) {
    data->image = source.convertToFormat(QImage::Format_Mono);
    data->monochrome = true;
  } else {
    data->image = source.convertToFormat(QImage::Format_RGB32);
  }
  SetData(data);
  return TRUE;
}

int CBitmap::GetBitmap(BITMAP* info) const {
  auto data = std::dynamic_pointer_cast<BitmapData>(Data());
  if (!data || !info) return 0;
  info->bmType = 0;
  info->bmWidth = data->image.width();
  info->bmHeight = data->image.height();
  info->bmPlanes = 1;
  info->bmBitsPixel = data->monochrome ? 1 : 32;
  info->bmWidthBytes = data->monochrome ? ((info->bmWidth + 15) / 16) * 2 : info->bmWidth * 4;
  info->bmBits = nullptr;
  return static_cast<int>(sizeof(BITMAP));
}

CSize CBitmap::GetSize() const {
  auto data = std::dynamic_pointer_cast<BitmapData>(Data());
  return data ? CSize(data->image.width(), data->image.height()) : CSize();
}

QImage CBitmap::Image() const {
  auto data = std::dynamic_pointer_cast<BitmapData>(Data());
  return data ? data->image.copy() : QImage();
}

CBitmap* CBitmap::FromHandle(HBITMAP handle) {
  thread_local std::map<HBITMAP, std::unique_ptr<CBitmap>> wrappers;
  auto data = LookupGdiObjectAs<BitmapData>(handle);
  if (!data) return nullptr;
  auto& slot = wrappers[handle];
  if (!slot) slot = std::make_unique<CBitmap>();
  slot->SetData(data);
  return slot.get();
}
