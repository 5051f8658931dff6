#include "controls/CDialogHeaderCtrl.h"

#include "platform/ui/CPaintDC.h"
#include "platform/ui/ResourceRegistry.h"
#include "platform/ui/SystemMetrics.h"

CDialogHeaderCtrl::CDialogHeaderCtrl() {
  m_titleFont.CreateFont(13, 0, 0, 0, 700, 0, 0, 0, 0, 0, 0, 0, 0, "Tahoma");
  m_textFont.CreateFont(13, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, "Tahoma");
}

CDialogHeaderCtrl::~CDialogHeaderCtrl() {
  if (m_icon) DestroyIcon(m_icon);
}

void CDialogHeaderCtrl::SetTitle(const std::string& title) {
  m_title = title;
  if (GetSafeHwnd()) Invalidate();
}

void CDialogHeaderCtrl::SetDescription(const std::string& description) {
  m_description = description;
  m_paragraph.SetText(description);
  if (GetSafeHwnd()) Invalidate();
}

void CDialogHeaderCtrl::SetIcon(UINT iconId) {
  m_iconId = iconId;
  if (m_icon) DestroyIcon(m_icon);
  m_icon = iconId != 0 ? LoadIconResource(iconId) : nullptr;
  if (GetSafeHwnd()) Invalidate();
}

void CDialogHeaderCtrl::OnPaint() {
  CPaintDC dc(this);
  CRect client;
  GetClientRect(&client);
  DrawHeader(&dc, client);
}

void CDialogHeaderCtrl::DrawHeader(CDC* dc, const CRect& client) {
  CRect frame = client;
  frame.right += 1;
  dc->FillSolidRect(&frame, GetSysColor(COLOR_WINDOW));
  dc->Draw3dRect(&frame, GetSysColor(COLOR_BTNHIGHLIGHT), GetSysColor(COLOR_BTNSHADOW));
  if (m_icon) dc->DrawIcon(m_margin, m_margin, m_icon);
  dc->SetBkMode(TRANSPARENT);
  dc->SetTextColor(GetSysColor(COLOR_WINDOWTEXT));
  CFont* old = dc->SelectObject(&m_titleFont);
  dc->TextOut(m_textIndent + 2, m_margin, m_title);
  dc->SelectObject(&m_textFont);
  m_paragraph.SetPosition(m_textIndent, 16);
  m_paragraph.SetWidth(static_cast<std::uint16_t>(std::max(0, client.Width() - 51)));
  m_paragraph.SetHeight(static_cast<std::uint16_t>(std::max(0, client.Height() - m_margin)));
  m_paragraph.Draw(dc);
  if (old) dc->SelectObject(old);
}
