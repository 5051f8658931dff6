#include "platform/ui/CursorResources.h"

#include <QPixmap>
#include <map>
#include <mutex>

#include "platform/ui/ResourceRegistry.h"

namespace {

struct LoadedCursor {
  QImage image;
  int hotX = 0;
  int hotY = 0;
};

std::mutex g_cursorMutex;
std::map<HCURSOR, LoadedCursor> g_cursors;
// Well above the standard cursors' Qt shape numbers.
HCURSOR g_nextCursorHandle = 0x10000;

}  // namespace

HCURSOR LoadCursorResource(UINT id) {
  LoadedCursor cursor;
  if (!FindCursorResource(id, &cursor.image, &cursor.hotX, &cursor.hotY) || cursor.image.isNull()) return 0;
  std::lock_guard<std::mutex> lock(g_cursorMutex);
  const HCURSOR handle = g_nextCursorHandle++;
  g_cursors[handle] = std::move(cursor);
  return handle;
}

BOOL DestroyCursor(HCURSOR cursor) {
  std::lock_guard<std::mutex> lock(g_cursorMutex);
  return g_cursors.erase(cursor) ? TRUE : FALSE;
}

bool FindLoadedCursor(HCURSOR cursor, QCursor* result) {
  LoadedCursor found;
  {
    std::lock_guard<std::mutex> lock(g_cursorMutex);
    auto it = g_cursors.find(cursor);
    if (it == g_cursors.end()) return false;
    found = it->second;
  }
  if (result) *result = QCursor(QPixmap::fromImage(found.image), found.hotX, found.hotY);
  return true;
}
