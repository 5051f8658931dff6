#pragma once
// Cursors made from the registered cursor pictures (RegisterCursorResource).
// Their handles lie above the standard cursor numbers, so SetCursor tells them
// apart; each stays valid until DestroyCursor.
#include <QCursor>

#include "platform/ui/CWnd.h"

// null when the id has no registered picture.
HCURSOR LoadCursorResource(UINT id);
BOOL DestroyCursor(HCURSOR cursor);
// The Qt cursor of a handle from LoadCursorResource; false for other handles.
bool FindLoadedCursor(HCURSOR cursor, QCursor* result);
