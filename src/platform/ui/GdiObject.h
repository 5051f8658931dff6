#pragma once
// Drawing objects (pens, brushes, fonts, bitmaps, regions) and their handles.
//
// Each object's state lives in shared data behind a handle from a process-wide
// table. A CGdiObject owns a reference; a device context that has an object
// selected holds one too, so deleting a selected object never leaves the
// context drawing with freed state. A handle whose data is gone resolves to
// nothing and calls taking it do nothing (the platform's "invalid handle").
#include <QFont>
#include <QImage>
#include <QRegion>
#include <memory>
#include <mutex>

#include "platform/ui/GdiTypes.h"

enum class GdiKind { Pen, Brush, Font, Bitmap, Region };

class GdiObjectData {
 public:
  explicit GdiObjectData(GdiKind kind);
  virtual ~GdiObjectData();
  GdiObjectData(const GdiObjectData&) = delete;
  GdiObjectData& operator=(const GdiObjectData&) = delete;

  const GdiKind kind;
  HGDIOBJ handle = nullptr;  // set when registered
  bool stock = false;        // stock objects are never deleted
};

struct PenData final : GdiObjectData {
  PenData() : GdiObjectData(GdiKind::Pen) {}
  LOGPEN log;
};

struct BrushData final : GdiObjectData {
  BrushData() : GdiObjectData(GdiKind::Brush) {}
  LOGBRUSH log;
  QImage pattern;           // BS_PATTERN: the pattern bitmap
  bool monochrome = false;  // a one-bit pattern takes the context's text and background colours
};

struct FontData final : GdiObjectData {
  FontData() : GdiObjectData(GdiKind::Font) {}
  LOGFONT log;
  // The Qt font, resolved on first use: fonts may be made before the Qt
  // application exists (global objects), but can only be measured after.
  const QFont& Resolved() const;

 private:
  mutable std::once_flag m_once;
  mutable QFont m_font;
};

struct BitmapData final : GdiObjectData {
  BitmapData() : GdiObjectData(GdiKind::Bitmap) {}
  QImage image;
  bool monochrome = false;
  bool selected = false;  // selected into a memory context right now
};

struct RegionData final : GdiObjectData {
  RegionData() : GdiObjectData(GdiKind::Region) {}
  QRegion region;
};

// Registers new data and gives it its handle.
HGDIOBJ RegisterGdiObject(const std::shared_ptr<GdiObjectData>& data);
// The live data of a handle, or nullptr.
std::shared_ptr<GdiObjectData> LookupGdiObject(HGDIOBJ handle);
template <typename T>
std::shared_ptr<T> LookupGdiObjectAs(HGDIOBJ handle) {
  return std::dynamic_pointer_cast<T>(LookupGdiObject(handle));
}
// Frees an object kept alive only by its handle (after Detach). Stock objects stay.
BOOL DeleteObject(HGDIOBJ handle);
// Stock pens, brushes and fonts (WHITE_BRUSH ... DEFAULT_GUI_FONT); nullptr for others.
HGDIOBJ GetStockObject(int index);

class CGdiObject {
 public:
  CGdiObject() = default;
  virtual ~CGdiObject();
  CGdiObject(const CGdiObject&) = delete;
  CGdiObject& operator=(const CGdiObject&) = delete;

  HGDIOBJ GetSafeHandle() const { return m_data ? m_data->handle : nullptr; }
  operator HGDIOBJ() const { return GetSafeHandle(); }  // NOLINT: handle conversion as in the framework
  bool IsValid() const { return m_data != nullptr; }

  // Drops this object's reference; contexts that still select it keep drawing with it.
  BOOL DeleteObject();
  // Shares the data of a live handle; false when the handle is dead.
  BOOL Attach(HGDIOBJ handle);
  // Gives up this wrapper's reference; the data lives on under its handle until
  // DeleteObject(handle).
  HGDIOBJ Detach();
  BOOL CreateStockObject(int index);

  const std::shared_ptr<GdiObjectData>& Data() const { return m_data; }
  void SetData(std::shared_ptr<GdiObjectData> data);

 private:
  std::shared_ptr<GdiObjectData> m_data;
};
