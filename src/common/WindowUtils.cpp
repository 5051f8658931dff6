#include "common/WindowUtils.h"

#include <QApplication>
#include <QWidget>

void PumpWindowMessage(HWND window) {
  if (window != nullptr && !IsWindow(window)) return;
  // One queue serves every window of the UI thread, so this delivers what is
  // pending now rather than picking one message of one window.
  PumpPendingMessages();
}

void ForceForegroundWindow(CWnd* window) {
  if (window == nullptr || !IsWindow(window->GetSafeHwnd())) return;
  // A dialog of this window is active: leave the focus with it.
  if (QWidget* activeWidget = QApplication::activeWindow()) {
    const CWnd* active = CWnd::FromWidget(activeWidget);
    if (active != nullptr && active->GetParent() == window) return;
  }
  // One UI thread holds every window, so no input has to be attached first.
  window->ShowWindow(SW_SHOW);
  window->SetForegroundWindow();
  window->SetFocus();
}

CRect& GetWindowRectInParent(CRect& rect, const CWnd* window) {
  rect = CRect();
  if (window == nullptr) return rect;
  window->GetWindowRect(&rect);
  if (const CWnd* parent = window->GetParent()) parent->ScreenToClient(&rect);
  return rect;
}

CPoint& GetWindowAnchorPoint(CPoint& point, const CWnd* window, int alignment) {
  point = CPoint(0, 0);
  if (alignment < 0 || alignment > 8) return point;
  CRect rect;
  GetWindowRectInParent(rect, window);
  switch (alignment % 3) {
    case 0: point.x = rect.left; break;
    case 1: point.x = (rect.left + rect.right) / 2; break;
    default: point.x = rect.right; break;
  }
  switch (alignment / 3) {
    case 0: point.y = rect.top; break;
    case 1: point.y = (rect.top + rect.bottom) / 2; break;
    default: point.y = rect.bottom; break;
  }
  return point;
}

int FindComboItemByData(const CComboBox* combo, DWORD data) {
  if (combo == nullptr) return -1;
  const int count = combo->GetCount();
  for (int i = 0; i < count; ++i) {
    // Item data is a 32-bit word to the callers.
    if (static_cast<DWORD>(combo->GetItemData(i)) == data) return i;
  }
  return -1;
}
