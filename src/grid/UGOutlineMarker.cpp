#include "grid/UGOutlineMarker.h"

#include "platform/ui/CPaintDC.h"
#include "platform/ui/ColorRef.h"

void UGOutlineMarker::ShowAt(CWnd* host, const RECT& rect) {
  if (!host || !host->GetSafeHwnd()) return;
  if (!GetSafeHwnd() && !CreateEx(0, "", "", WS_CHILD, CRect(rect), host, 0)) return;
  MoveWindow(rect, FALSE);
  if (!m_shown) ShowWindow(SW_SHOW);
  m_shown = true;
}

void UGOutlineMarker::Hide() {
  if (m_shown && GetSafeHwnd()) ShowWindow(SW_HIDE);
  m_shown = false;
}

BOOL UGOutlineMarker::OnEraseBkgnd(CDC*) { return TRUE; }

void UGOutlineMarker::OnPaint() {
  CPaintDC dc(this);
  RECT client{};
  GetClientRect(&client);
  dc.FillSolidRect(&client, RGB(0, 0, 0));
}
