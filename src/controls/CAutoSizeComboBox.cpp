#include "controls/CAutoSizeComboBox.h"

#include <QImage>
#include <QWidget>

#include "platform/ui/CDC.h"
#include "platform/ui/SystemMetrics.h"

CAutoSizeComboBox::CAutoSizeComboBox() : m_bkColor(GetSysColor(COLOR_WINDOW)) { m_brush.CreateSolidBrush(m_bkColor); }

void CAutoSizeComboBox::SetBkColor(COLORREF color) {
  if (color == m_bkColor) return;
  m_bkColor = color;
  m_brush.DeleteObject();
  m_brush.CreateSolidBrush(color);
  if (GetSafeHwnd()) Invalidate();
}

HBRUSH CAutoSizeComboBox::CtlColor(CDC* dc, UINT) {
  if (!IsWindowEnabled() || m_bkColor == 0xFFFFFF) return nullptr;
  dc->SetBkColor(m_bkColor);
  return static_cast<HBRUSH>(m_brush.GetSafeHandle());
}

BOOL CAutoSizeComboBox::OnReflectedCommand(UINT code) {
  if (code == CBN_DROPDOWN) FitDroppedWidth();
  return FALSE;
}

void CAutoSizeComboBox::FitDroppedWidth() {
  if (!GetWidget()) return;
  QImage scratch(1, 1, QImage::Format_RGB32);
  CDC dc;
  dc.AttachImage(&scratch);
  CFont font;
  LOGFONT log{};
  const QFont qfont = GetWidget()->font();
  // Without a font of its own the box measures with the font Qt shows it in.
  log.lfHeight = -(qfont.pixelSize() > 0 ? qfont.pixelSize() : QFontInfo(qfont).pixelSize());
  log.lfWeight = 400;
  log.lfFaceName = qfont.family().toStdString();
  font.CreateFontIndirect(&log);
  if (GetFont()) dc.SelectObject(GetFont());
  else dc.SelectObject(&font);
  int widest = 0;
  for (int i = 0; i < GetCount(); ++i)
    widest = std::max(widest, static_cast<int>(dc.GetTextExtent(GetLBText(i)).cx) + GetSystemMetrics(SM_CXVSCROLL));
  widest += dc.GetTextExtent("0").cx;
  dc.Detach();
  SetDroppedWidth(static_cast<UINT>(widest));
}
