#pragma once
// The program's pictures keyed by resource id: bitmaps, icons and cursor
// pictures are registered in code at start-up (drawn or decoded by their owners)
// and loaded by id like the platform's resources. Icons loaded from here get
// handles of their own, freed with DestroyIcon.
#include <QImage>

#include "platform/ui/CRect.h"
#include "platform/ui/GdiTypes.h"

// Standard icon ids (the platform's IDI_ values).
constexpr UINT IDI_APPLICATION = 32512;
constexpr UINT IDI_ERROR = 32513;
constexpr UINT IDI_QUESTION = 32514;
constexpr UINT IDI_WARNING = 32515;
constexpr UINT IDI_INFORMATION = 32516;

void RegisterBitmapResource(UINT id, const QImage& image);
void RegisterIconResource(UINT id, const QImage& image);
void RegisterCursorResource(UINT id, const QImage& image, int hotX, int hotY);
// Forgets every registered picture (tests).
void ClearImageResources();

// A copy of the registered bitmap, or a null image.
QImage FindBitmapResource(UINT id);

struct ICONINFO {
  BOOL fIcon = TRUE;
  DWORD xHotspot = 0;  // icons report their centre, so twice the hot spot is the size
  DWORD yHotspot = 0;
};

// width/height 0: the picture's own size, else scaled. nullptr when the id is
// not registered (standard IDI_ ids give a drawn stand-in).
HICON LoadIconResource(UINT id, int width = 0, int height = 0);
HICON CreateIconFromImage(const QImage& image);
HICON CopyIcon(HICON icon);
BOOL DestroyIcon(HICON icon);
BOOL GetIconInfo(HICON icon, ICONINFO* info);
QImage IconImage(HICON icon);  // null image for a dead handle

// A registered cursor picture and its hot spot; false for an unknown id. The
// window layer turns it into the cursor it shows.
bool FindCursorResource(UINT id, QImage* image, int* hotX, int* hotY);
