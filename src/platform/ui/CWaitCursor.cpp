#include "platform/ui/CWaitCursor.h"

#include <QApplication>
#include <QCursor>

#include "platform/ui/MessageCore.h"

namespace {
// Only the UI thread touches it.
int g_depth = 0;
}  // namespace

CWaitCursor::CWaitCursor() {
  if (!IsUiAvailable() || !IsUiThread()) return;
  QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
  ++g_depth;
  m_shown = true;
}

CWaitCursor::~CWaitCursor() {
  if (!m_shown || !IsUiAvailable()) return;
  QApplication::restoreOverrideCursor();
  --g_depth;
}

bool CWaitCursor::IsShown() {
  if (!IsUiAvailable() || !IsUiThread() || g_depth == 0) return false;
  const QCursor* cursor = QApplication::overrideCursor();
  return cursor && cursor->shape() == Qt::WaitCursor;
}
