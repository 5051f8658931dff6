#include "controls/BCMenuMemDC.h"

BCMenuMemDC::BCMenuMemDC(CDC* target, const RECT& rect) : m_target(target), m_rect(rect) {
  CreateCompatibleDC(target);
  m_bitmap.CreateCompatibleBitmap(target, std::max(1, m_rect.Width()), std::max(1, m_rect.Height()));
  m_oldBitmap = SelectObject(&m_bitmap);
  SetWindowOrg(m_rect.left, m_rect.top);
}

BCMenuMemDC::~BCMenuMemDC() {
  if (m_target) m_target->BitBlt(m_rect.left, m_rect.top, m_rect.Width(), m_rect.Height(), this, m_rect.left,
                                 m_rect.top, SRCCOPY);
  if (m_oldBitmap) SelectObject(m_oldBitmap);
}
