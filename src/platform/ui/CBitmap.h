#pragma once
// A bitmap: an image a memory context draws into, or a picture from the
// resource registry. Colour bitmaps are 32-bit RGB; one-bit bitmaps are kept
// for masks and pattern brushes.
#include "platform/ui/CRect.h"
#include "platform/ui/GdiObject.h"

class CDC;

class CBitmap : public CGdiObject {
 public:
  // A colour bitmap of the size, black.
  BOOL CreateCompatibleBitmap(CDC* dc, int width, int height);
  // bitsPerPixel 1 gives a one-bit bitmap, anything else a colour one. bits, when
  // given, are rows of the platform's layout (one-bit rows padded to 16 bits,
  // colour rows as 0x00RRGGBB words).
  BOOL CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);
  // A copy of the bitmap resource; false when the id is not registered.
  BOOL LoadBitmap(UINT resourceId);
  // Takes a copy of an image (converted to 32-bit RGB unless it is one-bit).
  BOOL CreateFromImage(const QImage& image);
  int GetBitmap(BITMAP* info) const;
  CSize GetSize() const;
  // The pixels (a null image when there is no bitmap). Not valid while selected
  // into a context that is drawing on another thread.
  QImage Image() const;
  static CBitmap* FromHandle(HBITMAP handle);  // a wrapper kept for the thread's lifetime, or nullptr
};
